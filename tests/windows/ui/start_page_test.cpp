// The Start page: the language list (the thirteen product languages in
// their order, native names, item data, the current language selected, the
// dropped width), choosing a language, and the situation texts of the four
// installed states (made by recording a versioned stand-in of the main
// program as the installed one).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "build_tree.h"
#include "installer_robot.h"
#include "installer_strings.h"
#include "placed_installation.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

struct ListedLanguage {
  LPARAM index;
  LCID lcid;
  int block;  // the message block of the installer's texts; -1: the installer has none
};
// The list order of the product languages.
constexpr ListedLanguage kListed[] = {
    {0, 1036, 0},     {1, 1033, 1000},  {2, 1031, 2000}, {3, 3082, 3000}, {11, 1040, 5000},
    {4, 2070, 4000},  {5, 1043, -1},    {14, 1032, -1},  {7, 1055, 8000}, {9, 1048, 11000},
    {10, 2052, -1},   {16, 1037, -1},   {17, 1066, -1},
};
constexpr int kEnglishPosition = 1, kGermanPosition = 2, kGreekPosition = 7;
constexpr int kCopyright = IDC_COPYRIGHT;
const wchar_t* kProduct = L"Meridel 6.07c";
constexpr wchar_t kInstallerInEnglish[] =
    L"'Meridel' will be installed in the selected Langage, but the Installer, still under translation,  shall run "
    L"in English.";

// The frame's texts of the Start page in German.
void ExpectGermanStartPage(const InstallerRobot& robot) {
  EXPECT_EQ(WindowText(robot.Wizard()), L"Installationsprogramm \u2013 Meridel 6.07c");
  EXPECT_EQ(robot.Text(kNext), L"Weiter  >");
  EXPECT_EQ(robot.Text(kBack), L"<  Zur\u00fcck");
  EXPECT_EQ(robot.Text(kExit), L"Abbrechen");
  EXPECT_EQ(robot.Text(kStatus), L"Klicken Sie auf 'Weiter', um fortzufahren.");
  EXPECT_EQ(robot.Text(kInfo), L"Installation von 'Meridel 6.07c'.");
  EXPECT_EQ(robot.Text(IDC_LANGUAGE_LABEL), L"Installationssprache ausw\u00e4hlen");
}

// The language's own name for itself, first letter in upper case.
std::wstring NativeName(LCID lcid) {
  wchar_t name[128] = {};
  if (!::GetLocaleInfoW(lcid, LOCALE_SNATIVELANGNAME, name, 128)) return std::wstring();
  ::CharUpperBuffW(name, 1);
  return name;
}

// Width of `text` in the dialogs' font, as the page measures it.
int TextWidth(const std::wstring& text) {
  HDC dc = ::GetDC(nullptr);
  HFONT font = ::CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                             L"MS Shell Dlg");
  HGDIOBJ previous = ::SelectObject(dc, font);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, previous);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, dc);
  return size.cx;
}

TEST(StartPage, LanguageListHoldsTheProductLanguagesInOrder) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_EQ(robot.ComboItemCount(kLanguageList), 13);
  std::vector<std::wstring> names;
  for (int i = 0; i < 13; ++i) {
    std::wstring text;
    LPARAM data = -1;
    ASSERT_TRUE(robot.ComboExItem(kLanguageList, i, text, data)) << "item " << i;
    EXPECT_EQ(data, kListed[i].index) << "item " << i;
    names.push_back(text);
  }
  EXPECT_EQ(Send(robot.Control(kLanguageList), CB_GETCURSEL), kEnglishPosition);
  // Asked of the combo box inside the extended one, which Wine's does not forward.
  HWND combo = reinterpret_cast<HWND>(Send(robot.Control(kLanguageList), CBEM_GETCOMBOCONTROL));
  ASSERT_NE(combo, nullptr);
  const LRESULT droppedWidth = Send(combo, CB_GETDROPPEDWIDTH);
  EXPECT_GT(droppedWidth, 30);

  int widest = 0;
  for (int i = 0; i < 13; ++i) {
    const std::wstring expected = NativeName(kListed[i].lcid);
    EXPECT_EQ(names[i], expected) << "item " << i;
    widest = std::max(widest, TextWidth(expected));
  }
  // A few as the system's locale data has them, first letter raised.
  EXPECT_EQ(names[0], L"Fran\u00e7ais");
  EXPECT_EQ(names[2], L"Deutsch");
  EXPECT_EQ(names[7], L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac");  // Greek
  EXPECT_EQ(names[11], L"\u05e2\u05d1\u05e8\u05d9\u05ea");                     // Hebrew
  // Measured here with a font of the same name and size: allow a pixel or two.
  EXPECT_GE(droppedWidth, widest + 30 - 2);
}

TEST(StartPage, GermanUserGetsGermanTextsAndGermanSelected) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"de_DE.UTF-8"));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ExpectGermanStartPage(robot);
  EXPECT_EQ(Send(robot.Control(kLanguageList), CB_GETCURSEL), kGermanPosition);
}

TEST(StartPage, ChoosingGermanRelabelsEveryPageWithoutAMessage) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_TRUE(robot.ChooseComboItem(kLanguageList, kGermanPosition));
  ASSERT_TRUE(WaitUntil([&] { return robot.Text(kNext) == L"Weiter  >"; }));
  EXPECT_EQ(robot.WaitForDialog(1000), nullptr) << "a message was shown";
  ExpectGermanStartPage(robot);
  EXPECT_EQ(Send(robot.Control(kLanguageList), CB_GETCURSEL), kGermanPosition);
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  EXPECT_EQ(robot.Text(IDC_MODE_GROUP), L"Installationsart");
  EXPECT_EQ(robot.Text(kQuick), L"Schnellinstallation (empfohlen)");
  ASSERT_TRUE(robot.ChooseRadio(kAdvanced));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Path));
  EXPECT_EQ(robot.Text(IDC_PATH_GROUP), L"Auswahl des Installationsordners");
  EXPECT_EQ(robot.Text(IDC_PATH_LABEL), L"W\u00e4hlen Sie den Ordner aus, in dem 'Meridel' installiert werden soll.");
  EXPECT_EQ(robot.Text(IDC_BROWSE), L"Durchsuchen...");
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  EXPECT_EQ(robot.Text(IDC_MENU_GROUP), L"Startmen\u00fc");
  EXPECT_EQ(robot.Text(IDC_MENU_SHORTCUT), L"Verkn\u00fcpfung in folgendem Men\u00fc erstellen:");
  EXPECT_EQ(robot.Text(IDC_DESKTOP_SHORTCUT), L"Verkn\u00fcpfung auf dem Desktop erstellen.");
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
  EXPECT_EQ(robot.Text(kNext), L"Installieren");
  EXPECT_EQ(robot.Text(kStatus), L"Klicken Sie auf 'Installieren', um die Installation zu starten.");
}

// Every item of the list in turn, in one installer: a language with
// installer texts re-labels the wizard at once; any other shows the message
// that the installer runs in English and leaves the wizard in English, with
// the choice still selected.
TEST(StartPage, EveryListedLanguageCanBeChosen) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_EQ(robot.ComboItemCount(kLanguageList), 13);
  for (int position = 0; position < 13; ++position) {
    SCOPED_TRACE("list position " + std::to_string(position));
    const int block = kListed[position].block;
    ASSERT_TRUE(robot.ChooseComboItem(kLanguageList, position));
    if (block < 0) {
      HWND box = robot.WaitForDialog();
      ASSERT_NE(box, nullptr) << "no message for a language without installer texts";
      EXPECT_EQ(InstallerRobot::MessageBoxText(box), kInstallerInEnglish);
      ASSERT_TRUE(InstallerRobot::ClickIn(box, IDOK));
      ASSERT_TRUE(InstallerRobot::WaitForClose(box));
    }
    const UINT texts = block < 0 ? 1000 : static_cast<UINT>(block);
    const std::wstring next = InstallerString(msg::kNext + texts) + L"  >";
    ASSERT_FALSE(next.empty());
    EXPECT_TRUE(WaitUntil([&] { return robot.Text(kNext) == next; })) << "Next reads " << robot.Text(kNext);
    EXPECT_EQ(WindowText(robot.Wizard()), InstallerString(msg::kInstallerTitle + texts) + L" \u2013 " + kProduct);
    if (block >= 0) {
      EXPECT_EQ(robot.WaitForDialog(300), nullptr) << "a message was shown";
    }
    EXPECT_EQ(Send(robot.Control(kLanguageList), CB_GETCURSEL), position);
  }
}

TEST(StartPage, ChoosingGreekKeepsTheInstallerInEnglish) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_GT(robot.ComboItemCount(kLanguageList), kGreekPosition);
  ASSERT_TRUE(robot.ChooseComboItem(kLanguageList, kGreekPosition));
  HWND box = robot.WaitForDialog();
  ASSERT_NE(box, nullptr) << "no message for a language without installer texts";
  EXPECT_EQ(InstallerRobot::MessageBoxText(box), kInstallerInEnglish);
  EXPECT_EQ(WindowText(box), kTitle);  // the application name
  ASSERT_TRUE(InstallerRobot::ClickIn(box, IDOK));
  ASSERT_TRUE(InstallerRobot::WaitForClose(box));
  EXPECT_EQ(WindowText(robot.Wizard()), kTitle);
  EXPECT_EQ(robot.Text(kNext), kNextCaption);
  EXPECT_EQ(robot.Text(kInfo), L"'Meridel 6.07c' Installation.");
  EXPECT_EQ(Send(robot.Control(kLanguageList), CB_GETCURSEL), kGreekPosition);
}

struct InstalledCase {
  const wchar_t* program;  // the installed main program's version; empty: none
  std::wstring situation;
  std::wstring status;
  bool nextEnabled;
};

TEST(StartPage, TextsOfTheFourInstalledStates) {
  const InstalledCase cases[] = {
      {L"", L"'Meridel 6.07c' Installation.", L"Click on 'Next' to continue.", true},
      {L"6.7.3.1", L"'Meridel 6.07c' is already installed.\r\nDo you confirm Reinstallation ?",
       L"Click on 'Next' to continue or on 'Cancel' to exit Installation.", true},
      {L"6.7.3.0", L"Update from 'Meridel 6.07b' to 'Meridel 6.07c'.", L"Click on 'Next' to continue.", true},
      {L"6.8.0.0", L"'Meridel 6.07c' Installation.\r\nA more recent Version (Meridel 6.08) is already installed.",
       L"Click on 'Cancel' to exit Installation.", false},
  };
  for (const InstalledCase& c : cases) {
    SCOPED_TRACE(std::string("installed ") + std::string(c.program, c.program + wcslen(c.program)));
    const std::wstring program = *c.program ? std::wstring(QW_INSTALLED_PROGRAMS) + L"\\Meridel-" + std::wstring(c.program) + L".exe" : L"";
    PlacedInstallation installed(program);
    ASSERT_TRUE(installed.ok());
    InstallerRobot robot;
    ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
    ASSERT_TRUE(robot.WaitForPage(Page::Start));
    EXPECT_EQ(robot.Text(kInfo), c.situation);
    EXPECT_EQ(robot.Text(kStatus), c.status);
    EXPECT_EQ(robot.Text(kCopyright), L"Meridel 6.07c \u2013 Copyright \u00a9 2026 Quillon Works. All rights reserved.");
    EXPECT_EQ(robot.Text(IDC_LANGUAGE_LABEL), L"Select Installation Langage");
    EXPECT_EQ(robot.IsEnabled(kNext), c.nextEnabled);
  }
}

// An update keeps the folder of the existing installation; the Shortcut
// page stays editable.
TEST(StartPage, ExistingInstallationKeepsItsFolder) {
  PlacedInstallation installed(std::wstring(QW_INSTALLED_PROGRAMS) + L"\\Meridel-6.7.3.0.exe");
  ASSERT_TRUE(installed.ok());
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
  ASSERT_TRUE(robot.GoFromStartToPathPage());
  EXPECT_FALSE(robot.IsEnabled(IDC_BROWSE));
  EXPECT_FALSE(robot.IsEnabled(IDC_PATH_LABEL));
  EXPECT_TRUE(::GetWindowLongPtrW(robot.Control(IDC_FOLDER), GWL_STYLE) & ES_READONLY);
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  EXPECT_TRUE(robot.IsEnabled(IDC_BROWSE));
  EXPECT_TRUE(robot.IsEnabled(IDC_MENU_SHORTCUT));
}

}  // namespace
}  // namespace qw::test
