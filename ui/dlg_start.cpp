#include "ui/dlg_start.h"

#include <algorithm>

#include "i18n/language_state.h"
#include "i18n/select_language.h"
#include "platform/handles.h"
#include "ui/control_layout.h"
#include "ui/display_scale.h"
#include "ui/win_app.h"

namespace {

// At 96 DPI: the list's images and the size the flags load at; both grow
// with the display scale (the flag icons hold images drawn for 125, 150
// and 200 %).
constexpr int kFlagWidth = 18, kFlagHeight = 12;
constexpr int kFlagLoadWidth = 16, kFlagLoadHeight = 12;
constexpr int kDroppedWidthMargin = 30;

// Appends the flag `icon`, loaded at `width` x `height`, to `images`; -1
// when it cannot be loaded.
int AddFlag(HIMAGELIST images, int icon, int width, int height) {
  const qw::UniqueIcon flag(static_cast<HICON>(::LoadImageW(
      qw::GetResourceModule(), MAKEINTRESOURCEW(icon), IMAGE_ICON, width, height, 0)));
  if (!flag) return -1;
  return ::ImageList_ReplaceIcon(images, -1, flag.get());  // the list keeps a copy
}

}  // namespace

CDlgStart::~CDlgStart() = default;

BOOL CDlgStart::OnInitDialog() {
  CWizardPage::OnInitDialog();
  m_dpi = qw::ScreenDpi();
  m_images.reset(::ImageList_Create(qw::ScaleToDpi(kFlagWidth, m_dpi), qw::ScaleToDpi(kFlagHeight, m_dpi),
                                    ILC_COLOR24, 8, 1));
  ::SendMessageW(m_languageList, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images.get()));
  const int current = FillLanguageList();
  FitDroppedWidth();
  ::SendMessageW(m_languageList, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
  return TRUE;
}

int CDlgStart::FillLanguageList() {
  int current = -1;
  int item = 0;
  for (const qw::LanguageIndex language : qw::kProductLanguageListOrder) {
    std::wstring name = qw::LanguageNativeName(language);
    const int image = m_images ? AddFlag(m_images.get(), qw::LanguageFlagIcon(language),
                                         qw::ScaleToDpi(kFlagLoadWidth, m_dpi),
                                         qw::ScaleToDpi(kFlagLoadHeight, m_dpi))
                               : -1;
    COMBOBOXEXITEMW entry{};
    entry.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
    entry.iItem = item;
    entry.pszText = &name[0];
    entry.iImage = image;
    entry.iSelectedImage = image;
    entry.lParam = language;
    ::SendMessageW(m_languageList, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    if (language == qw::GetLanguage()) current = item;
    ++item;
  }
  return current;
}

void CDlgStart::FitDroppedWidth() {
  qw::WindowDc dc(m_languageList);
  if (!dc) return;
  dc.SelectFont(reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
  int widest = 0;
  const int count = static_cast<int>(::SendMessageW(m_languageList, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    COMBOBOXEXITEMW entry{};
    entry.mask = CBEIF_TEXT;
    entry.iItem = i;
    entry.pszText = text;
    entry.cchTextMax = 256;
    if (!::SendMessageW(m_languageList, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&entry))) continue;
    SIZE size{};
    if (::GetTextExtentPoint32W(dc.get(), text, static_cast<int>(wcslen(text)), &size)) {
      widest = std::max(widest, static_cast<int>(size.cx));
    }
  }
  ::SendMessageW(m_languageList, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + kDroppedWidthMargin), 0);
}

void CDlgStart::DoDataExchange(CDataExchange& dx) { DDX_Control(dx, IDC_LANGUAGE, m_languageList); }

bool CDlgStart::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case IDC_LANGUAGE:
      if (code == CBN_SELCHANGE) OnLanguageChanged();
      return true;
  }
  return false;
}

// The list keeps the user's item even when English is made current instead.
// For a language without installer texts the user is told, in that language,
// that the installer stays in English.
void CDlgStart::OnLanguageChanged() {
  const LRESULT selected = ::SendMessageW(m_languageList, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) return;
  COMBOBOXEXITEMW entry{};
  entry.mask = CBEIF_LPARAM;
  entry.iItem = selected;
  if (!::SendMessageW(m_languageList, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&entry))) return;
  qw::LanguageChoiceHandlers handlers;
  handlers.announceEnglish = [] {
    AfxMessageBox(qw::FormatMessageText(qw::msg::kInstallerInEnglish, qw::InstallContext::ProductDisplayName(true)),
                  MB_ICONINFORMATION);
  };
  handlers.relabel = m_relabelWizard;
  qw::SelectLanguage(static_cast<qw::LanguageIndex>(entry.lParam), handlers);
}

void CDlgStart::Relabel() {
  using qw::FormatMessageText;
  using qw::LoadMessage;
  std::wstring installed;
  const qw::InstalledState state = m_context.GetInstalledState(&installed);
  const std::wstring product = qw::InstallContext::ProductDisplayName(false);
  const std::wstring next = LoadMessage(qw::msg::kNext), cancel = LoadMessage(qw::msg::kCancel);
  std::wstring situation, status;
  switch (state) {
    case qw::InstalledState::NotInstalled:
      situation = FormatMessageText(qw::msg::kInstallationOf, product);
      status = FormatMessageText(qw::msg::kClickToContinue, next);
      break;
    case qw::InstalledState::SameVersion:
      situation = FormatMessageText(qw::msg::kAlreadyInstalled, product) + L"\r\n" + LoadMessage(qw::msg::kConfirmReinstallation);
      status = FormatMessageText(qw::msg::kContinueOrExit, next, cancel);
      break;
    case qw::InstalledState::OlderVersion:
      situation = FormatMessageText(qw::msg::kUpdateFromTo, installed, product);
      status = FormatMessageText(qw::msg::kClickToContinue, next);
      break;
    case qw::InstalledState::NewerVersion:
      situation = FormatMessageText(qw::msg::kInstallationOf, product) + L"\r\n" + FormatMessageText(qw::msg::kNewerInstalled, installed);
      status = FormatMessageText(qw::msg::kClickToExit, cancel);
      break;
  }
  SetDlgItemText(IDC_INFO, situation);
  SetDlgItemText(IDC_STATUS, status);
  SetDlgItemText(IDC_COPYRIGHT, FormatMessageText(qw::msg::kCopyright, product));
  SetDlgItemText(IDC_LANGUAGE_LABEL, LoadMessage(qw::msg::kSelectLanguage));
}

void CDlgStart::Stretch(int dx, int dy) {
  qw::StretchControl(m_hWnd, IDC_LANGUAGE, dx, 0);
  qw::StretchControl(m_hWnd, IDC_COPYRIGHT, dx, 0);
  qw::StretchControl(m_hWnd, IDC_INFO, dx, dy);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}
