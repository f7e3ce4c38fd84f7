#pragma once
// A test robot that drives the real installer like a user: it starts
// Install.exe (under Wine in the tests), finds the wizard by its process and
// title, reads the text and state of any control by id (the frame's, or the
// visible page's), clicks enabled buttons, picks combo-box items, answers
// message boxes and takes screenshots. Every wait has a time-out; the robot
// never hangs. It is not a general UI automation library: it knows the
// wizard's structure (a frame with child page dialogs).

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "wine.h"

namespace qw::test {

// The wizard pages, in the frame's order.
enum class Page { None = -1, Start, Mode, Path, Shortcut, Install, End };
const char* PageName(Page page);

constexpr DWORD kDefaultTimeoutMs = 15000;
// A whole installation, on a machine that runs another one beside it.
constexpr DWORD kInstallationTimeoutMs = 120000;

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
// Returns whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

class InstallerRobot {
 public:
  InstallerRobot() = default;
  // Ends a still running installer (terminated, not asked).
  ~InstallerRobot();
  InstallerRobot(const InstallerRobot&) = delete;
  InstallerRobot& operator=(const InstallerRobot&) = delete;

  // Called by Start (without locale) for a message box that the installer
  // shows before its wizard, once per box; it must close the box. Empty:
  // such a box is left open and Start waits for the wizard in vain.
  void SetStartupMessageHandler(std::function<void(HWND box)> handler) {
    m_startupMessage = std::move(handler);
  }

  // Entries "NAME=value" added to the environment of the next Start.
  void SetExtraEnvironment(std::vector<std::wstring> entries) { m_extraEnvironment = std::move(entries); }

  // Starts `installer` (with LC_ALL set to `locale` when it is not empty,
  // which chooses the user's default language under Wine) and waits for a
  // visible wizard whose title contains `titlePart`. Returns false when the
  // process did not start or no wizard appeared within `timeoutMs`.
  bool Start(const std::wstring& installer, const std::wstring& locale = std::wstring(),
             const std::wstring& titlePart = L"Meridel", DWORD timeoutMs = 30000);

  HWND Wizard() const { return m_wizard; }
  DWORD ProcessId() const { return m_processId; }
  bool Running() const;

  // The page dialog that is shown, and which page it is.
  HWND VisiblePageWindow() const;
  Page CurrentPage() const;
  // Waits until `page` is shown; false on time-out.
  bool WaitForPage(Page page, DWORD timeoutMs = kDefaultTimeoutMs) const;

  // Control `id` of the frame, else of the visible page; null when neither has it.
  HWND Control(int id) const;
  std::wstring Text(int id) const { return WindowText(Control(id)); }
  bool IsEnabled(int id) const;
  bool IsVisible(int id) const;
  // The window that has the keyboard focus in the wizard's thread, or null.
  HWND FocusedWindow() const;

  // Clicks button `id` (of the frame or the visible page) as a user would:
  // refused (false) when the button is missing, hidden or disabled. The
  // click is posted: the robot does not wait for its handling.
  bool Click(int id);
  // Clicks the radio button `id` and waits until it is checked.
  bool ChooseRadio(int id, DWORD timeoutMs = kDefaultTimeoutMs);
  // Clicks button `id` of another dialog window (message box, About box).
  static bool ClickIn(HWND dialog, int id);
  // Selects item `index` of combo box `id` of the visible page and notifies
  // the page as a user's choice would.
  bool ChooseComboItem(int id, int index);
  int ComboItemCount(int id) const;
  // Item `index` of the extended combo box (ComboBoxEx32) `id`: its text
  // and item data, read through a buffer in the installer's memory. False
  // when the item cannot be read.
  bool ComboExItem(int id, int index, std::wstring& text, LPARAM& data) const;
  // Sends `message` to `window` of the installer with `text` copied into the
  // installer's memory as the lParam (for messages whose lParam is a string
  // that the system does not carry across processes). Returns the result,
  // or 0 when the copy failed.
  LRESULT SendWithRemoteText(HWND window, UINT message, WPARAM wParam, const std::wstring& text) const;
  // Sends a system-menu command to the wizard (as the user choosing it).
  bool SystemCommand(WPARAM command);

  // A dialog window of the installer's process, other than the wizard, that
  // is visible (a message box or the About box); null on time-out.
  HWND WaitForDialog(DWORD timeoutMs = kDefaultTimeoutMs) const;
  // The same, also other than `except` (a dialog already open).
  HWND WaitForDialogOtherThan(HWND except, DWORD timeoutMs = kDefaultTimeoutMs) const;
  // The text of a message box.
  static std::wstring MessageBoxText(HWND box);
  // Waits until `window` is gone; false on time-out.
  static bool WaitForClose(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);

  // Waits for the installer to end; false on time-out. `exitCode` receives
  // its exit code.
  bool WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs, DWORD* exitCode = nullptr);

  // From the Start page shown, Next, the advanced method on the Mode page,
  // Next: the Path page shown. False at the first step that fails.
  bool GoFromStartToPathPage();

  // Moves the wizard to the top-left corner of the screen, above others, so
  // that screenshots are not covered by other windows.
  void BringToFront();

 private:
  void ReportMissingWizard(DWORD timeoutMs) const;

  HANDLE m_process = nullptr;
  DWORD m_processId = 0;
  HWND m_wizard = nullptr;
  std::vector<std::wstring> m_extraEnvironment;
  std::function<void(HWND)> m_startupMessage;
};

// The first child window of `dialog` whose class is `className`; null when
// none.
HWND FindChildOfClass(HWND dialog, const wchar_t* className);

// Saves the screen pixels of `window`'s client area as a PNG file.
// Returns false when the picture could not be taken or written.
bool SaveScreenshot(HWND window, const std::wstring& pngPath);

}  // namespace qw::test
