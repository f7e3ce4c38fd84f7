#pragma once
// The dialog layer of the installer, standing in for the few parts of MFC's
// CDialog that the wizard uses: modal dialogs and hidden child dialogs made
// from templates of the executable, the initialisation hook, OK and Cancel
// routing (Escape and the close box reach OnCancel), command and message
// dispatch, data exchange with validation, and the dialog keys of a modal
// dialog for a loop that pumps messages inside it (PreTranslateMessage). It
// is not a window framework: no subclassing, no message loop of its own, no
// window map.
//
// A dialog reads like a WTL one:
//
//   class CDlgPath : public CDialog {
//    public:
//     enum { IDD = 133 };
//     ...
//    protected:
//     void DoDataExchange(CDataExchange& dx) override;   // controls <-> members
//     bool OnCommand(WORD id, WORD code, HWND) override {  // the command map
//       switch (id) {
//         case IDC_BROWSE: OnBrowse(); return true;
//       }
//       return false;
//     }
//   };

#include <windows.h>

#include <functional>
#include <string>

// One run of data exchange: the direction and whether a field has failed.
// After a failure every further exchange call of the run does nothing.
class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool saveAndValidate)
      : m_dialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

  HWND Dialog() const { return m_dialog; }
  HWND Control(int id) const { return ::GetDlgItem(m_dialog, id); }
  bool Failed() const { return m_failed; }
  // Puts the focus on control `id` (selecting an edit's text) and marks the
  // run as failed; the caller has shown its message.
  void Fail(int id);

  const HWND m_dialog;
  const bool m_bSaveAndValidate;  // true: controls -> members, with validation

 private:
  bool m_failed = false;
};

// Binds a control's window handle (both directions).
void DDX_Control(CDataExchange& dx, int id, HWND& control);
// The text of a control.
void DDX_Text(CDataExchange& dx, int id, std::wstring& value);
// Follows DDX_Text of control `id`: on load limits typing to `maxChars`; on
// save refuses a longer text with "Enter no more than %1 characters.".
void DDV_MaxChars(CDataExchange& dx, int id, const std::wstring& value, int maxChars);
// A check box state: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
void DDX_Check(CDataExchange& dx, int id, int& value);
// The index of the checked radio button of the group starting at `firstId`
// (the buttons up to the next control with WS_GROUP); -1 when none.
void DDX_Radio(CDataExchange& dx, int firstId, int& value);

// A pre-translation of messages given to a loop that pumps them (see
// CDialog::PreTranslateMessage): true when the message was handled.
using MessagePreTranslation = std::function<bool(MSG&)>;

class CDialog {
 public:
  explicit CDialog(UINT templateId) : m_templateId(templateId) {}
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs the dialog modally, owned by `owner`. Returns the value given to
  // EndDialog, or -1 when the dialog could not be created.
  INT_PTR DoModal(HWND owner = nullptr);
  // Creates the dialog as a modeless child of `parent` (hidden unless its
  // template says WS_VISIBLE). Returns false when it could not be created.
  bool Create(HWND parent);

  HWND GetSafeHwnd() const { return m_hWnd; }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void SetDlgItemText(int id, const std::wstring& text) const;
  std::wstring GetWindowText() const;
  void SetWindowText(const std::wstring& text) const;

  // Exchanges data between the controls and the members; saving validates.
  // Returns false when a field failed validation (its message was shown).
  bool UpdateData(bool saveAndValidate = true);

  void EndDialog(INT_PTR result);

  // Offered each message of a loop that pumps the thread's messages while
  // this dialog is the modal one, before TranslateMessage: handles the
  // dialog keys (Tab, the arrows, Enter, Escape) for this dialog and its
  // child dialogs as the system's modal loop does (IsDialogMessageW).
  // Returns true when the message was handled (dispatched) here.
  virtual bool PreTranslateMessage(MSG& message);

 protected:
  // WM_INITDIALOG. The default loads the controls (UpdateData(false)) and
  // returns TRUE so that the system sets the focus.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange&) {}
  // IDOK: saves with validation, then ends with IDOK.
  virtual void OnOK();
  // IDCANCEL (Cancel button, Escape, close box): ends with IDCANCEL.
  virtual void OnCancel();

  // The message map. Return true when the command or message was handled;
  // `result` is the message's result (a brush for WM_CTLCOLOR*).
  virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
  virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  const UINT m_templateId;
};

// Shows the wait cursor for its lifetime, as MFC's CWaitCursor.
class CWaitCursor {
 public:
  CWaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  ~CWaitCursor() { ::SetCursor(m_previous); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  HCURSOR m_previous;
};
