#pragma once
// The names of the installer's messages: one constant per base identifier
// (the French copy; the other languages' copies lie at base + block offset,
// see i18n/message_lookup.h). The installer, the uninstaller and the tests
// name messages only through these.

#include <cstdint>

namespace qw {

// Base identifier of a message: the French copy; 1000 to 1134 for the
// installer, 1200 to 1220 for the uninstaller.
using MessageId = std::uint32_t;

namespace msg {
inline constexpr MessageId kInstallerTitle = 1000;          // "Installer"
inline constexpr MessageId kOk = 1001;                      // "OK" (button)
inline constexpr MessageId kCancel = 1002;                  // "Cancel"
inline constexpr MessageId kAboutTitle = 1003;              // "About '%1'"
inline constexpr MessageId kExit = 1004;                    // "Exit"
inline constexpr MessageId kBack = 1005;                    // "Back"
inline constexpr MessageId kNext = 1006;                    // "Next"
inline constexpr MessageId kInstall = 1007;                 // "Install"
inline constexpr MessageId kBrowse = 1008;                  // "Browse..."
inline constexpr MessageId kStartMenu = 1009;               // "Start menu"
inline constexpr MessageId kFolderSelectionTitle = 1010;    // "Installation Folder Selection"
inline constexpr MessageId kStepOk = 1011;                  // "OK" (end of a log line)
inline constexpr MessageId kStepFailed = 1012;              // "Failed"
inline constexpr MessageId kUninstallShortcutName = 1013;   // "Uninstall %1"
inline constexpr MessageId kSelectLanguage = 1014;          // "Select Installation Langage"
inline constexpr MessageId kInstallationMethod = 1015;      // "Installation Method"
inline constexpr MessageId kQuickInstallation = 1016;       // "Quick Installation (Recommended)"
inline constexpr MessageId kAdvancedInstallation = 1017;    // "Advanced Installation"
inline constexpr MessageId kExamplesFolder = 1018;          // "%1 Examples"
inline constexpr MessageId kInstallationOf = 1100;          // "'%1' Installation."
inline constexpr MessageId kUpdateFromTo = 1101;            // "Update from '%1' to '%2'."
inline constexpr MessageId kAlreadyInstalled = 1102;        // "'%1' is already installed."
inline constexpr MessageId kNewerInstalled = 1103;          // "A more recent Version (%1) is already installed."
inline constexpr MessageId kConfirmReinstallation = 1104;   // "Do you confirm Reinstallation ?"
inline constexpr MessageId kContinueOrExit = 1105;          // "Click on '%1' to continue or on '%2' to exit Installation."
inline constexpr MessageId kClickToContinue = 1106;         // "Click on '%1' to continue."
inline constexpr MessageId kClickToExit = 1107;             // "Click on '%1' to exit Installation."
inline constexpr MessageId kClickToInstall = 1108;          // "Click on '%1' to start Installation."
inline constexpr MessageId kCopyright = 1109;               // the copyright notice of the Start page
inline constexpr MessageId kConfirmExit = 1110;             // "Installation is not complete. ..."
inline constexpr MessageId kSelectInstallFolder = 1111;     // "Select '%1' Installation Folder."
inline constexpr MessageId kStartMenuShortcutChoice = 1112; // "Create a Shortcut in the following Menu:"
inline constexpr MessageId kDesktopShortcutChoice = 1113;   // "Create a Shortcut on the Desktop."
inline constexpr MessageId kPreparingInstallation = 1114;   // "Preparing Installation..."
inline constexpr MessageId kCopyingFile = 1115;             // "Copying File  %1..."
inline constexpr MessageId kShortcutsCreation = 1117;       // "Shortcuts Creation..."
inline constexpr MessageId kRegistryDataWriting = 1118;     // "Registry Data Writing..."
inline constexpr MessageId kInstallationDataWriting = 1119; // "Installation Data Writing..."
inline constexpr MessageId kInstallationComplete = 1120;    // "Installation is complete."
inline constexpr MessageId kInstallationFailed = 1121;      // "Installation failed (Error Code %1)."
inline constexpr MessageId kInstallationOptions = 1122;     // "Installation Options"
inline constexpr MessageId kOptionFolder = 1123;            // "Installation Folder: %1."
inline constexpr MessageId kOptionStartMenu = 1124;         // "Creating a Shortcut in the Start Menu (Folder %1)."
inline constexpr MessageId kOptionDesktop = 1125;           // "Creating a Shortcut on the Desktop."
inline constexpr MessageId kNeedAdministrator = 1126;       // "You should have Administrator Rights ..."
inline constexpr MessageId kCloseProduct = 1127;            // "You should close '%1' before continuing Installation."
inline constexpr MessageId kInstallerInEnglish = 1129;      // "'%1' will be installed in the selected Langage, ..."
inline constexpr MessageId kDirectXUpdate = 1131;           // "Mise à jour de DirectX..." (French only)
inline constexpr MessageId kUserControlledFolder = 1132;    // "The folder '%1' belongs to a user without administrator rights, ..."
inline constexpr MessageId kInterruptedInstallationUndone = 1133;       // "An interrupted installation of '%1' was undone."
inline constexpr MessageId kInterruptedInstallationPartlyUndone = 1134; // "... was partly undone. Not undone:%2"

// The uninstaller's own messages, in its own string tables
// (product/uninstaller/messages), laid out in the same blocks.
inline constexpr MessageId kUninstallTitle = 1200;             // "Uninstall %1"
inline constexpr MessageId kUninstallQuestion = 1201;          // "Do you want to remove '%1' from this computer?"
inline constexpr MessageId kUserDataKeptNote = 1202;           // "Libraries and user data are kept unless you tick the box below."
inline constexpr MessageId kRemoveUserData = 1203;             // "Also remove the libraries and user data"
inline constexpr MessageId kRemove = 1204;                     // "Remove"
inline constexpr MessageId kRemoving = 1205;                   // "Removing %1..."
inline constexpr MessageId kRemoved = 1206;                    // "'%1' was removed from this computer."
inline constexpr MessageId kRemovedExcept = 1207;              // "'%1' was removed from this computer, except for the following:"
inline constexpr MessageId kKeptUserData = 1208;               // "Kept as asked (libraries and user data): %1"
inline constexpr MessageId kKeptFolder = 1209;                 // "Kept, it holds files that the installation did not make: %1"
inline constexpr MessageId kAtRestart = 1210;                  // "In use, removed at the next restart: %1"
inline constexpr MessageId kRefused = 1211;                    // "Not touched, the installation cannot have made it (%2): %1"
inline constexpr MessageId kNotRemoved = 1212;                 // "Not removed (%2): %1"
inline constexpr MessageId kDirectXKept = 1213;                // "The DirectX runtime is shared with other programs and stays installed."
inline constexpr MessageId kNoLog = 1214;                      // "The uninstall log "%1" cannot be read. Nothing was removed."
inline constexpr MessageId kLogOtherVersion = 1215;            // "The uninstall log "%1" is of another version (%2). Nothing was removed."
inline constexpr MessageId kLogDamaged = 1216;                 // "The uninstall log is damaged after line %1: what it listed after that was not removed."
inline constexpr MessageId kCloseProductToUninstall = 1217;    // "You should close '%1' before uninstalling it."
inline constexpr MessageId kNeedAdministratorToUninstall = 1218; // "You should have Administrator Rights to uninstall '%1'."
inline constexpr MessageId kUninstallCancel = 1220;            // "Cancel" (the uninstaller's button)
inline constexpr MessageId kUnregisterFailed = 1219;           // "'%1' could not undo its registration with the system."
inline constexpr MessageId kLogPartial = 1221;                 // "The uninstall log does not describe a finished installation: ..."
inline constexpr MessageId kLogOtherFolder = 1222;             // "The uninstall log names another installation folder (%1): ..."
}  // namespace msg

}  // namespace qw
