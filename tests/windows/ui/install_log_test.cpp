// The Install page's log: the options summary, and rule lines that fill the
// log's width (measured here with the dialogs' font).
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "build_tree.h"
#include "installer_robot.h"
#include "machine_cleanup.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstringstream in(text);
  for (std::wstring line; std::getline(in, line);) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class TextMeasure {
 public:
  // "MS Shell Dlg" 8 at the screen's resolution, as the dialogs use it.
  TextMeasure() : m_dc(::GetDC(nullptr)) {
    m_font = ::CreateFontW(-MulDiv(8, ::GetDeviceCaps(m_dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0,
                           0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
    m_old = ::SelectObject(m_dc, m_font);
  }
  ~TextMeasure() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_font);
    ::ReleaseDC(nullptr, m_dc);
  }
  int Width(const std::wstring& text) const {
    SIZE size{};
    ::GetTextExtentPoint32W(m_dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }

 private:
  HDC m_dc;
  HFONT m_font;
  HGDIOBJ m_old;
};

// The width a rule line may fill: the client width less 2 and the margins.
int AvailableWidth(HWND log) {
  RECT client{};
  ::GetClientRect(log, &client);
  const LRESULT margins = ::SendMessageW(log, EM_GETMARGINS, 0, 0);
  return client.right - 2 - LOWORD(margins) - HIWORD(margins);
}

void ExpectFillsWidth(const std::wstring& line, int available) {
  const TextMeasure measure;
  ASSERT_GT(available, 0);
  EXPECT_LE(measure.Width(line), available) << "rule line wider than the log";
  EXPECT_GT(measure.Width(line) + 2 * measure.Width(L"-"), available) << "rule line too short";
}

TEST(InstallLog, OptionsSummaryAndRuleLinesFillTheLog) {
  ScopedMachineCleanup installed;  // Install installs for real: taken away afterwards
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));

  HWND log = robot.Control(kLog);
  // A payload of a few hundred files writes more than an edit control's
  // default 30,000 characters: the log takes as much as it can hold.
  DWORD_PTR limit = 0;
  ASSERT_TRUE(::SendMessageTimeoutW(log, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, 5000, &limit));
  EXPECT_GE(limit, 0x7FFFFFFEu);
  const std::vector<std::wstring> summary = Lines(WindowText(log));
  ASSERT_GE(summary.size(), 5u);
  EXPECT_EQ(summary[0], L"'Meridel 6.07c' Installation.");
  // " Installation Options " centred between dashes, at most one more dash
  // after it than before.
  const std::wstring& rule = summary[1];
  const std::size_t title = rule.find(L" Installation Options ");
  ASSERT_NE(title, std::wstring::npos) << "rule line: " << std::string(rule.begin(), rule.end());
  const std::size_t before = title, after = rule.size() - title - 22;
  EXPECT_GT(before, 3u);
  EXPECT_TRUE(after == before || after == before + 1);
  EXPECT_EQ(rule.find_first_not_of(L'-'), before);
  ExpectFillsWidth(rule, AvailableWidth(log));
  // Program Files contains a blank: the folder is quoted.
  EXPECT_EQ(summary[2].rfind(L"Installation Folder: \"", 0), 0u);
  EXPECT_NE(summary[2].find(L"\\Quillon Works\\Meridel 6\"."), std::wstring::npos);
  EXPECT_EQ(summary[3].rfind(L"Creating a Shortcut in the Start Menu (Folder ", 0), 0u);
  EXPECT_EQ(summary[4], L"Creating a Shortcut on the Desktop.");

  // The run begins with a full line of dashes.
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(WaitUntil([&] { return robot.Text(kExit) == L"Exit"; }, kInstallationTimeoutMs));
  const std::vector<std::wstring> after_run = Lines(WindowText(log));
  ASSERT_GT(after_run.size(), summary.size());
  const std::wstring& dashes = after_run[summary.size()];
  EXPECT_EQ(dashes.find_first_not_of(L'-'), std::wstring::npos);
  ExpectFillsWidth(dashes, AvailableWidth(log));
}

}  // namespace
}  // namespace qw::test
