#include "ui/install_dlg.h"

#include "i18n/language_state.h"
#include "platform/system_error.h"
#include "ui/about_dlg.h"
#include "ui/banner_picture.h"
#include "ui/control_layout.h"
#include "ui/display_scale.h"
#include "ui/installer_title.h"
#include "ui/win_app.h"
#include "ui/window_icons.h"

namespace {

// "&About 'Installer'..." left to right, "...About 'Installer'" right to left.
std::wstring AboutItemText() {
  const std::wstring about =
      qw::FormatMessageText(qw::msg::kAboutTitle, qw::InstallerTitle());
  if (about.empty()) return about;
  return qw::IsCurrentLanguageLeftToRight() ? L"&" + about + L"..." : L"..." + about;
}

void EnableControl(HWND dialog, int id, bool enable) {
  ::EnableWindow(::GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

}  // namespace

CInstallDlg::CInstallDlg(qw::WizardState& context)
    : CDialog(IDD),
      m_context(context),
      m_start(context, [this] { RelabelForLanguageChoice(); }),
      m_mode(context),
      m_path(context),
      m_shortcut(context),
      // The frame's dialog keys while the run pumps messages, as its modal
      // loop handles them otherwise.
      m_install(context, [this](MSG& message) { return PreTranslateMessage(message); }),
      m_end(context),
      m_pages{&m_start, &m_mode, &m_path, &m_shortcut, &m_install, &m_end} {}

CInstallDlg::~CInstallDlg() = default;

// A language chosen on the Start page: the new title as the application
// name (the caption of message boxes), then every text of the wizard.
void CInstallDlg::RelabelForLanguageChoice() {
  if (CWinApp* app = AfxGetApp()) app->SetAppName(qw::InstallerTitle(m_context.m_product.displayName));
  ApplyLanguage();
}

BOOL CInstallDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CWinApp* app = AfxGetApp()) app->SetMainWindow(m_hWnd);
  SetWindowText(qw::InstallerTitle(m_context.m_product.displayName));
  AddAboutItem();
  qw::SetWindowIcons(m_hWnd, ::GetModuleHandleW(nullptr), IDR_MAINFRAME);
  for (CWizardPage* page : m_pages) {
    // A wizard with a page missing would walk through nothing and report
    // an installation that never ran.
    if (!page->Create(m_hWnd)) {
      const DWORD error = ::GetLastError();
      AfxMessageBox(qw::SystemErrorText(error != ERROR_SUCCESS ? error : static_cast<DWORD>(E_FAIL)),
                    MB_ICONERROR);
      EndDialog(IDABORT);
      return TRUE;
    }
  }
  FitPages();
  FitBanner();
  ApplyLanguage();
  ShowPage(kStartPage);
  if (m_context.m_installedState == qw::InstalledState::NewerVersion) EnableControl(m_hWnd, IDOK, false);
  return TRUE;
}

void CInstallDlg::AddAboutItem() {
  HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
  if (!menu) return;
  const std::wstring about = AboutItemText();
  if (!about.empty()) {
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
  }
  ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
}

// The frame takes the union of its pages' sizes: every page gets the same
// rectangle, the frame grows (or shrinks) by the difference to its template's
// page area, and the band, separator and buttons follow.
void CInstallDlg::FitPages() {
  RECT area{};
  ::GetClientRect(m_hWnd, &area);
  area.left = qw::ControlRect(m_hWnd, IDC_BAND).right;
  area.bottom = qw::ControlRect(m_hWnd, IDC_SEPARATOR).top;
  RECT all = area;
  for (CWizardPage* page : m_pages) {
    HWND window = page->GetSafeHwnd();
    ::SetWindowPos(window, nullptr, area.left, area.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    ::UnionRect(&all, &all, &rect);
  }
  const int dx = all.right - area.right, dy = all.bottom - area.bottom;

  RECT frame{};
  ::GetWindowRect(m_hWnd, &frame);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);

  for (CWizardPage* page : m_pages) {
    HWND window = page->GetSafeHwnd();
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MoveWindow(window, all.left, all.top, all.right - all.left, all.bottom - all.top, FALSE);
    page->Stretch((all.right - all.left) - (rect.right - rect.left),
                  (all.bottom - all.top) - (rect.bottom - rect.top));
  }
  qw::MoveControlEdges(m_hWnd, IDC_BAND, 0, 0, 0, dy);
  qw::WidenAndLower(m_hWnd, IDC_SEPARATOR, dx, dy);
  for (int id : {IDC_BACK, IDOK, IDCANCEL}) qw::ShiftControl(m_hWnd, id, dx, dy);
}

// The template shows the 96-DPI banner, centred in its band. At another
// display scale the band has grown with the font: the picture for the
// screen's DPI takes its place, and the picture control covers the whole
// band so that the picture is centred in it as at 96 DPI.
void CInstallDlg::FitBanner() {
  HWND picture = qw::FindStaticOfType(m_hWnd, SS_BITMAP);
  if (!picture) return;
  const RECT band = qw::ControlRect(m_hWnd, IDC_BAND);
  m_banner = qw::LoadBannerForBand(::GetModuleHandleW(nullptr), qw::ScreenDpi(),
                                   {band.right - band.left, band.bottom - band.top});
  if (!m_banner) return;  // the template's picture fits
  ::SetWindowPos(picture, nullptr, band.left, band.top, band.right - band.left, band.bottom - band.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  // The previous image, the template's, is handed back to be deleted.
  qw::UniqueBitmap previous(reinterpret_cast<HBITMAP>(
      ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_banner.get()))));
}

void CInstallDlg::ApplyLanguage() {
  SetWindowText(qw::InstallerTitle(m_context.m_product.displayName));
  if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
    const std::wstring about = AboutItemText();
    ::ModifyMenuW(menu, IDM_ABOUTBOX, MF_BYCOMMAND | MF_STRING, IDM_ABOUTBOX, about.c_str());
  }
  UpdateButtons();
  for (CWizardPage* page : m_pages) page->Relabel();
}

bool CInstallDlg::ShowPage(int requested) {
  if (m_current >= 0) {
    if (!m_pages[m_current]->UpdateData(true)) return false;
    ::ShowWindow(m_pages[m_current]->GetSafeHwnd(), SW_HIDE);
  }
  int index = requested;
  if (!m_context.m_advancedMode && requested != m_current) {
    const int step = requested > m_current ? 1 : -1;
    while (index == kPathPage || index == kShortcutPage) index += step;
  }
  if (index != m_current) m_pages[index]->UpdateData(false);
  m_current = index;
  ::ShowWindow(m_pages[m_current]->GetSafeHwnd(), SW_SHOW);
  UpdateButtons();

  const bool back = (m_current > kStartPage && !m_context.m_installSucceeded) || m_current > kInstallPage;
  const bool next = m_current < kEndPage;
  EnableControl(m_hWnd, IDC_BACK, back);
  EnableControl(m_hWnd, IDOK, next);
  const int defaultButton = next ? IDOK : IDCANCEL;
  ::SetFocus(GetDlgItem(defaultButton));
  ::SendMessageW(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(defaultButton), 0);
  return true;
}

void CInstallDlg::UpdateButtons() {
  const bool succeeded = m_context.m_installSucceeded;
  SetDlgItemText(IDOK, m_current == kInstallPage && !succeeded ? qw::LoadMessage(qw::msg::kInstall)
                                                               : qw::LoadMessage(qw::msg::kNext) + L"  >");
  SetDlgItemText(IDC_BACK, L"<  " + qw::LoadMessage(qw::msg::kBack));
  SetDlgItemText(IDCANCEL, qw::LoadMessage(succeeded ? qw::msg::kExit : qw::msg::kCancel));
}

// Enter, Escape and the close box send the buttons' commands whether the
// buttons are enabled or not: a disabled button's command is ignored, so
// that nothing starts while the installation runs and Back never leaves the
// first page.
bool CInstallDlg::ButtonEnabled(int id) const { return ::IsWindowEnabled(GetDlgItem(id)) != FALSE; }

void CInstallDlg::OnOK() {
  if (!ButtonEnabled(IDOK)) return;
  if (m_current != kInstallPage || m_context.m_installSucceeded) {
    ShowPage(m_current + 1);
    return;
  }
  for (int id : {IDC_BACK, IDOK, IDCANCEL}) EnableControl(m_hWnd, id, false);
  {
    CWaitCursor wait;
    m_context.m_installSucceeded = m_install.RunInstallation();
  }
  ShowPage(m_current);
  EnableControl(m_hWnd, IDCANCEL, true);
}

void CInstallDlg::OnBack() {
  if (ButtonEnabled(IDC_BACK)) ShowPage(m_current - 1);
}

void CInstallDlg::OnCancel() {
  if (!ButtonEnabled(IDCANCEL)) return;
  const qw::InstalledState state = m_context.m_installedState;
  const bool ask = !m_context.m_installSucceeded && state != qw::InstalledState::NewerVersion &&
                   !(state == qw::InstalledState::SameVersion && m_current == kStartPage);
  if (ask && AfxMessageBox(qw::LoadMessage(qw::msg::kConfirmExit), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  if (CWinApp* app = AfxGetApp(); app && app->MainWindow() == m_hWnd) app->SetMainWindow(nullptr);
  EndDialog(m_context.m_installSucceeded ? IDOK : IDCANCEL);
}

bool CInstallDlg::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case IDC_BACK:
      if (code == BN_CLICKED) OnBack();
      return true;
  }
  return false;
}

bool CInstallDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;  // default processing
      OnSysCommand(wParam);
      return true;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
      return false;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
      result = 0;
      return true;
  }
  return false;
}

void CInstallDlg::OnSysCommand(WPARAM) {
  CAboutDlg about;
  about.DoModal(m_hWnd);
}

// The system has filled in the menu's states before this message.
void CInstallDlg::OnInitMenuPopup(HMENU menu, bool systemMenu) {
  if (!systemMenu) return;
  const bool minimized = ::IsIconic(m_hWnd) != FALSE;
  ::EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | (minimized ? MF_GRAYED : MF_ENABLED));
  ::EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | (minimized ? MF_ENABLED : MF_GRAYED));
}

// The system has filled in its defaults before this message: a maximized
// frame keeps its normal place and size.
void CInstallDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!m_hWnd || !::GetWindowPlacement(m_hWnd, &placement)) return;
  const RECT& normal = placement.rcNormalPosition;
  info->ptMaxSize = {normal.right - normal.left, normal.bottom - normal.top};
  info->ptMaxPosition = {normal.left, normal.top};
}
