#include "ui/dialog.h"

#include <vector>

#include "i18n/language_state.h"
#include "ui/win_app.h"

namespace {

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

bool IsRadioButton(HWND control) {
  const LONG_PTR type = ::GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// The radio buttons of the group that starts at `first`.
std::vector<HWND> RadioGroup(HWND first) {
  std::vector<HWND> buttons;
  for (HWND control = first; control; control = ::GetWindow(control, GW_HWNDNEXT)) {
    if (control != first && (::GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP)) break;
    if (IsRadioButton(control)) buttons.push_back(control);
  }
  return buttons;
}

}  // namespace

void CDataExchange::Fail(int id) {
  m_failed = true;
  if (HWND control = Control(id)) {
    ::SetFocus(control);
    ::SendMessageW(control, EM_SETSEL, 0, -1);
  }
}

void DDX_Control(CDataExchange& dx, int id, HWND& control) {
  if (!dx.Failed()) control = dx.Control(id);
}

void DDX_Text(CDataExchange& dx, int id, std::wstring& value) {
  if (dx.Failed()) return;
  HWND control = dx.Control(id);
  if (dx.m_bSaveAndValidate) {
    value = WindowText(control);
  } else {
    ::SetWindowTextW(control, value.c_str());
  }
}

void DDV_MaxChars(CDataExchange& dx, int id, const std::wstring& value, int maxChars) {
  if (dx.Failed()) return;
  if (!dx.m_bSaveAndValidate) {
    ::SendMessageW(dx.Control(id), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    return;
  }
  if (value.size() > static_cast<std::size_t>(maxChars)) {
    AfxMessageBox(qw::FormatText(L"Enter no more than %1 characters.", std::to_wstring(maxChars)),
                  MB_ICONEXCLAMATION);
    dx.Fail(id);
  }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
  if (dx.Failed()) return;
  HWND control = dx.Control(id);
  if (dx.m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Radio(CDataExchange& dx, int firstId, int& value) {
  if (dx.Failed()) return;
  const std::vector<HWND> group = RadioGroup(dx.Control(firstId));
  if (dx.m_bSaveAndValidate) value = -1;
  for (std::size_t i = 0; i < group.size(); ++i) {
    if (dx.m_bSaveAndValidate) {
      if (::SendMessageW(group[i], BM_GETCHECK, 0, 0) == BST_CHECKED) value = static_cast<int>(i);
    } else {
      ::SendMessageW(group[i], BM_SETCHECK,
                     static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
}

CDialog::~CDialog() {
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

bool CDialog::PreTranslateMessage(MSG& message) {
  return m_hWnd != nullptr && ::IsDialogMessageW(m_hWnd, &message) != FALSE;
}

INT_PTR CDialog::DoModal(HWND owner) {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent) {
  return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent,
                              DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::SetDlgItemText(int id, const std::wstring& text) const {
  ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

std::wstring CDialog::GetWindowText() const { return WindowText(m_hWnd); }

void CDialog::SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx(m_hWnd, saveAndValidate);
  DoDataExchange(dx);
  return !dx.Failed();
}

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    dialog->m_hWnd = window;
    return dialog->OnInitDialog();
  }
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (!dialog) return FALSE;
  const INT_PTR handled = dialog->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->m_hWnd = nullptr;
  }
  return handled;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    const WORD id = LOWORD(wParam), code = HIWORD(wParam);
    if (OnCommand(id, code, reinterpret_cast<HWND>(lParam))) return TRUE;
    if (id == IDOK && code == BN_CLICKED) {
      OnOK();
      return TRUE;
    }
    if (id == IDCANCEL && code == BN_CLICKED) {
      OnCancel();
      return TRUE;
    }
    return FALSE;
  }
  LRESULT result = 0;
  if (!OnMessage(message, wParam, lParam, result)) return FALSE;
  switch (message) {  // the messages whose result is the procedure's return value
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: case WM_COMPAREITEM: case WM_VKEYTOITEM:
    case WM_CHARTOITEM: case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}
