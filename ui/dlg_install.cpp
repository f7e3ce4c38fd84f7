#include "ui/dlg_install.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cwchar>

#include "engine/install_sequence.h"
#include "i18n/language_state.h"
#include "payload/payload_resource.h"
#include "ui/control_layout.h"

namespace {

// `path` in double quotes when it contains blanks.
std::wstring QuotedPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH + 2] = {};
  if (path.size() >= MAX_PATH) return path;
  wcscpy(buffer, path.c_str());
  ::PathQuoteSpacesW(buffer);
  return buffer;
}

int TextWidth(HDC dc, const std::wstring& text) {
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

}  // namespace

BOOL CDlgInstall::OnInitDialog() {
  CWizardPage::OnInitDialog();
  ::SendMessageW(m_progress, PBM_SETRANGE32, 0, 100);
  ::ShowWindow(m_progress, SW_HIDE);
  // One line per payload file: the default limit of an edit control would
  // silently drop the last lines, the results among them.
  ::SendMessageW(m_log, EM_SETLIMITTEXT, 0, 0);
  return TRUE;
}

void CDlgInstall::DoDataExchange(CDataExchange& dx) {
  DDX_Control(dx, IDC_LOG, m_log);
  DDX_Control(dx, IDC_PROGRESS, m_progress);
  if (!dx.m_bSaveAndValidate && !m_context.m_installSucceeded) WriteOptionsSummary();
}

void CDlgInstall::WriteOptionsSummary() {
  ::SetWindowTextW(m_log, L"");
  AppendLog(qw::FormatMessageText(qw::msg::kInstallationOf, m_context.m_product.displayName) + L"\r\n");
  AppendLog(qw::LoadMessage(qw::msg::kInstallationOptions), true);
  AppendLog(qw::FormatMessageText(qw::msg::kOptionFolder, QuotedPath(m_context.m_installFolder)) + L"\r\n");
  if (m_context.m_startMenuShortcut) {
    AppendLog(qw::FormatMessageText(qw::msg::kOptionStartMenu, QuotedPath(m_context.m_startMenuFolder)) + L"\r\n");
  }
  if (m_context.m_desktopShortcut) AppendLog(qw::LoadMessage(qw::msg::kOptionDesktop) + L"\r\n");
  while (::SendMessageW(m_log, EM_GETFIRSTVISIBLELINE, 0, 0) != 0) {
    if (::SendMessageW(m_log, EM_LINESCROLL, 0, -1) == 0) break;  // never loop on a failed scroll
  }
}

void CDlgInstall::Relabel() {
  SetDlgItemText(IDC_STATUS, qw::FormatMessageText(qw::msg::kClickToInstall, qw::LoadMessage(qw::msg::kInstall)));
}

void CDlgInstall::Stretch(int dx, int dy) {
  qw::StretchControl(m_hWnd, IDC_LOG, dx, dy);
  qw::WidenAndLower(m_hWnd, IDC_PROGRESS, dx, dy);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}

bool CDlgInstall::RunInstallation() {
  m_programPath.clear();
  m_uninstallerPath.clear();
  qw::InstallRequest request(m_context.m_journal, m_context.m_appLock, m_context.m_tempFolder);
  request.installedState = m_context.m_installedState;
  request.installFolder = m_context.m_installFolder;
  request.startMenuFolder = m_context.m_startMenuFolder;
  request.startMenuShortcut = m_context.m_startMenuShortcut;
  request.desktopShortcut = m_context.m_desktopShortcut;
  request.product = m_context.m_product;
  request.uninstallKey = qw::UninstallKeyLocation::ForProduct(request.product.key);
  request.archive = qw::FindPayloadResource();
  request.runRecordFolder = qw::RunRecordFolder(request.product.key);
  m_updates.Reset();
  m_pacing = true;
  const qw::InstallOutcome outcome = qw::RunInstallSequence(request, *this);
  ShowFrame(qw::PacedPageUpdates::Log::Always);  // the final status and result
  m_pacing = false;
  m_programPath = outcome.programPath;
  m_uninstallerPath = outcome.uninstallerPath;
  return outcome.succeeded();
}

void CDlgInstall::PumpMessages() {
  if (!m_updates.FrameDue(qw::PacedPageUpdates::Clock::now())) return;
  ShowFrame(qw::PacedPageUpdates::Log::WhenDue);
  DispatchWaitingMessages();
}

void CDlgInstall::PumpMessagesNow() {
  ShowFrame(qw::PacedPageUpdates::Log::Always);
  DispatchWaitingMessages();
}

void CDlgInstall::DispatchWaitingMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (m_preTranslate && m_preTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void CDlgInstall::ShowFrame(qw::PacedPageUpdates::Log log) {
  const qw::PacedPageUpdates::Frame frame = m_updates.TakeFrame(qw::PacedPageUpdates::Clock::now(), log);
  if (!frame.log.empty()) ShowLogText(frame.log);
  if (frame.status) ShowStatus(*frame.status);
  if (frame.percent) ShowProgressPosition(*frame.percent);
}

void CDlgInstall::SetStatus(const std::wstring& text) {
  if (m_pacing) {
    m_updates.SetStatus(text, false);
  } else {
    ShowStatus({text, false});
  }
}

void CDlgInstall::SetStatusPath(const std::wstring& path) {
  if (m_pacing) {
    m_updates.SetStatus(path, true);
  } else {
    ShowStatus({path, true});
  }
}

void CDlgInstall::ShowStatus(const qw::PacedPageUpdates::Status& status) {
  if (status.isPath) {
    ::PathSetDlgItemPathW(m_hWnd, IDC_STATUS, status.text.c_str());
  } else {
    SetDlgItemText(IDC_STATUS, status.text);
  }
}

void CDlgInstall::ShowProgress() { ::ShowWindow(m_progress, SW_SHOW); }

void CDlgInstall::SetProgress(int percent) {
  if (m_pacing) {
    m_updates.SetProgress(percent);
  } else {
    ShowProgressPosition(percent);
  }
}

void CDlgInstall::ShowProgressPosition(int percent) {
  ::SendMessageW(m_progress, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void CDlgInstall::AppendLog(const std::wstring& text, bool rule) {
  const std::wstring line = (text.empty() || rule) ? RuleLine(text) : text;
  if (m_pacing) {
    m_updates.AppendLog(line);
  } else {
    ShowLogText(line);
  }
}

void CDlgInstall::ShowLogText(const std::wstring& text) {
  ::SendMessageW(m_log, EM_SETSEL, 0x7FFFFFFF, -1);
  ::SendMessageW(m_log, EM_SCROLLCARET, 0, 0);
  ::SendMessageW(m_log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageW(m_log, EM_LINESCROLL, 0, 1);
}

// Dashes on both sides of " text " so that the line fills the log's width.
std::wstring CDlgInstall::RuleLine(const std::wstring& text) const {
  RECT client{};
  ::GetClientRect(m_log, &client);
  const LRESULT margins = ::SendMessageW(m_log, EM_GETMARGINS, 0, 0);
  int width = client.right - client.left - 2 - LOWORD(margins) - HIWORD(margins);

  HDC dc = ::GetDC(m_log);
  HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
  std::wstring middle;
  if (!text.empty()) {
    middle = L" " + text + L" ";
    width -= TextWidth(dc, middle);
  }
  const int dashWidth = TextWidth(dc, L"-");
  ::SelectObject(dc, oldFont);
  ::ReleaseDC(m_log, dc);

  const int n = dashWidth > 0 ? width / dashWidth : 0;
  std::wstring line;
  if (middle.empty()) {
    line.assign(static_cast<std::size_t>(n > 0 ? n : 0), L'-');
  } else {
    const int before = n / 2, after = (n + 1) / 2;
    line.assign(static_cast<std::size_t>(before > 0 ? before : 0), L'-');
    line += middle;
    line.append(static_cast<std::size_t>(after > 0 ? after : 0), L'-');
  }
  return line + L"\r\n";
}
