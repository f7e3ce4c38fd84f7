#include "platform/folder_browser.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cwchar>

#include "platform/folder_path_rules.h"
#include "platform/owner_window.h"
#include "platform/system_error.h"

namespace qw {

namespace {

// With a suffix the dialog also shows the edit box that holds it, and
// validates what is typed there.
constexpr UINT kDialogFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
constexpr UINT kSuffixFlags = kDialogFlags | BIF_EDITBOX | BIF_VALIDATE;
static_assert(kDialogFlags == 0x49 && kSuffixFlags == 0x79, "the dialog's documented flag values");

std::wstring ItemPath(LPCITEMIDLIST item, bool& ok) {
  wchar_t path[MAX_PATH] = {};
  ok = item && ::SHGetPathFromIDListW(item, path);
  return ok ? std::wstring(path) : std::wstring();
}

std::wstring DocumentsFolder() {
  wchar_t* raw = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &raw);
  const UniqueCoTaskMem<wchar_t> path(raw);  // set even on failure
  return SUCCEEDED(hr) && path ? std::wstring(path.get()) : std::wstring();
}

BOOL CALLBACK FindEditChild(HWND child, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(child, name, 16);
  if (::lstrcmpiW(name, L"Edit") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

HWND FirstEditChild(HWND dialog) {
  HWND found = nullptr;
  ::EnumChildWindows(dialog, FindEditChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

// PathSearchAndQualifyW with `folder` (when given) as the process's current
// folder for the time of the call. Returns 0 or a system error code.
DWORD QualifyIn(const std::wstring& folder, const wchar_t* text, wchar_t (&out)[MAX_PATH]) {
  wchar_t previous[MAX_PATH] = {};
  if (!folder.empty()) {
    if (!::GetCurrentDirectoryW(MAX_PATH, previous)) return ::GetLastError();
    if (!::SetCurrentDirectoryW(folder.c_str())) return ::GetLastError();
  }
  const BOOL qualified = ::PathSearchAndQualifyW(text, out, MAX_PATH);
  if (!folder.empty() && !::SetCurrentDirectoryW(previous)) return ::GetLastError();
  return qualified ? 0 : ERROR_BAD_PATHNAME;
}

// The folder that the dialog opens at: `path` under the root's parent when
// there is one. False when it does not fit a path buffer.
bool StartFolder(const std::wstring& parent, const std::wstring& path, wchar_t (&out)[MAX_PATH]) {
  const std::wstring& first = parent.empty() ? path : parent;
  if (first.size() >= MAX_PATH) return false;
  std::wmemcpy(out, first.c_str(), first.size() + 1);
  return parent.empty() || ::PathAppendW(out, path.c_str());
}

}  // namespace

void ShowFolderBrowserError(HWND owner, DWORD code, bool rightToLeft) {
  const bool reading = owner ? (::GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0 : rightToLeft;
  const std::wstring text = SystemErrorText(code);
  ::MessageBoxW(owner, text.c_str(), nullptr, MB_ICONEXCLAMATION | (reading ? MB_RTLREADING : 0));
}

FolderBrowser::FolderBrowser(std::wstring title, bool rightToLeft)
    : title_(std::move(title)), rightToLeft_(rightToLeft) {}

FolderBrowser::~FolderBrowser() = default;

void FolderBrowser::SetRoot(int csidl) {
  root_.reset();
  rootParentKnown_ = false;
  LPITEMIDLIST root = nullptr;
  if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, csidl, &root))) root_.reset(root);
}

std::wstring FolderBrowser::RootFolder() const {
  bool ok = false;
  return root_ ? ItemPath(root_.get(), ok) : std::wstring();
}

const std::wstring& FolderBrowser::RootParent() {
  if (!rootParentKnown_) {
    rootParentKnown_ = true;
    std::wstring folder = RootFolder();
    if (!folder.empty() && folder.size() < MAX_PATH) {
      wchar_t parent[MAX_PATH];
      std::wmemcpy(parent, folder.c_str(), folder.size() + 1);
      ::PathRemoveFileSpecW(parent);
      rootParent_ = parent;
    }
  }
  return rootParent_;
}

void FolderBrowser::Prepare(const std::wstring& initial, const std::wstring& suffix) {
  path_.clear();
  if (!initial.empty() && !::PathIsRelativeW(initial.c_str())) path_ = initial;
  bool documents = false;
  if (path_.empty()) path_ = RootFolder();
  if (path_.empty()) {
    path_ = DocumentsFolder();
    documents = true;
  }
  if (!documents && !path_.empty() && path_.back() == L':') path_ += L'\\';
  suffix_ = IsValidPathText(suffix) ? suffix : std::wstring();
  Complete();
}

void FolderBrowser::Complete() {
  if (suffix_.empty()) return;
  path_ = AppendSuffix(path_, suffix_);
  if (!RootParent().empty()) {
    bool ok = false;
    std::wstring relative = RelativeToFolder(path_, RootParent(), ok);
    if (ok) path_ = relative;
  }
}

BrowseResult FolderBrowser::Run(const std::wstring& initial, const std::wstring& suffix) {
  BrowseResult result;
  HWND owner = ApplicationOwnerWindow();
  if (!com_) {
    const HRESULT hr = com_.emplace().result();
    if (FAILED(hr)) {
      com_.reset();
      ShowFolderBrowserError(owner, static_cast<DWORD>(hr), rightToLeft_);
      return result;
    }
  }
  flags_ &= ~(kInitialized | kTypedPathAccepted);
  editBox_ = nullptr;
  Prepare(initial, suffix);

  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = root_.get();
  info.pszDisplayName = displayName;
  info.lpszTitle = title_.empty() ? nullptr : title_.c_str();
  info.ulFlags = suffix_.empty() ? kDialogFlags : kSuffixFlags;
  info.lpfn = Callback;
  info.lParam = reinterpret_cast<LPARAM>(this);
  const UniqueCoTaskMem<ITEMIDLIST> item(::SHBrowseForFolderW(&info));
  if (!item) return result;
  bool ok = false;
  const std::wstring folder = ItemPath(item.get(), ok);
  if (!ok) return result;
  if (!(flags_ & kTypedPathAccepted)) path_ = folder;

  result.path = path_;
  const int suffixCount = EndsWith(path_, suffix_);
  result.base = suffixCount > 0 ? RemoveLastComponents(path_, suffixCount) : path_;
  if (root_) {
    bool related = false;
    result.relative = RelativeToFolder(path_, RootParent(), related);
    if (!related) result.relative = path_;
  }
  return result;
}

int CALLBACK FolderBrowser::Callback(HWND dialog, UINT message, LPARAM param, LPARAM data) {
  auto* self = reinterpret_cast<FolderBrowser*>(data);
  switch (message) {
    case BFFM_INITIALIZED:
      self->OnInitialized(dialog);
      return 0;
    case BFFM_SELCHANGED:
      if (self->flags_ & kInitialized)
        self->OnSelectionChanged(dialog, reinterpret_cast<LPCITEMIDLIST>(param));
      return 0;
    case BFFM_VALIDATEFAILEDW:
      return self->OnValidationFailed(dialog, reinterpret_cast<const wchar_t*>(param)) ? 1 : 0;
  }
  return 0;
}

// The selection made here is the dialog's own: flag 1 is set only at the
// end, so that it does not replace the path (whose missing folders the
// edit box shows) by the deepest existing part completed with the suffix.
void FolderBrowser::OnInitialized(HWND dialog) {
  wchar_t folder[MAX_PATH] = {};
  bool selected = false;
  const bool started = StartFolder(RootParent(), path_, folder);
  while (started && folder[0]) {
    if (::PathIsDirectoryW(folder)) {
      ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder));
      ::SendMessageW(dialog, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(folder));
      selected = true;
      break;
    }
    if (!::PathRemoveFileSpecW(folder)) break;
  }
  if (!suffix_.empty()) editBox_ = FirstEditChild(dialog);
  if (selected) ShowPathInEditBox();
  if (editBox_) ::SetWindowSubclass(dialog, DialogSubclass, 0, reinterpret_cast<DWORD_PTR>(this));
  flags_ |= kInitialized;
}

LRESULT CALLBACK FolderBrowser::DialogSubclass(HWND dialog, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED &&
      reinterpret_cast<FolderBrowser*>(data)->OnOk(dialog)) {
    return 0;
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(dialog, DialogSubclass, 0);
  return ::DefSubclassProc(dialog, message, wParam, lParam);
}

// The edit box's text goes through the validation of a typed path; an
// accepted text is the result, whatever item the dialog returns.
bool FolderBrowser::OnOk(HWND dialog) {
  if (!editBox_) return false;
  const int length = ::GetWindowTextLengthW(editBox_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(editBox_, &text[0], length + 1)));
  return OnValidationFailed(dialog, text.c_str());
}

void FolderBrowser::OnSelectionChanged(HWND dialog, LPCITEMIDLIST item) {
  bool ok = false;
  const std::wstring folder = ItemPath(item, ok);
  if (ok) {
    path_ = folder;
    Complete();
  }
  ShowPathInEditBox();
  if (suffix_.empty()) ::SendMessageW(dialog, BFFM_ENABLEOK, 0, ok ? 1 : 0);
}

void FolderBrowser::ShowPathInEditBox() {
  if (!editBox_) return;
  ::SendMessageW(editBox_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
  ::SendMessageW(editBox_, EM_SETSEL, 0, -1);
}

DWORD FolderBrowser::ValidateTypedPath(const std::wstring& typed, std::wstring& qualified) {
  if (typed.size() > MAX_PATH - 1) return static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  wchar_t text[MAX_PATH];
  std::wmemcpy(text, typed.c_str(), typed.size() + 1);
  ::PathRemoveBlanksW(text);
  ::PathRemoveBackslashW(text);
  if (std::wcslen(text) == 2 && text[1] == L':') std::wcscat(text, L"\\");
  if (text[0] == L'\0' && !::GetCurrentDirectoryW(MAX_PATH, text)) return ::GetLastError();
  wchar_t full[MAX_PATH] = {};
  const std::wstring& parent = RootParent();
  if (const DWORD error = QualifyIn(parent, text, full)) return error;
  const bool insideRoot =
      parent.empty() ||
      static_cast<std::size_t>(::PathCommonPrefixW(full, parent.c_str(), nullptr)) == parent.size();
  if (!insideRoot || !IsValidPathText(full)) return ERROR_BAD_PATHNAME;
  qualified = full;
  return 0;
}

bool FolderBrowser::OnValidationFailed(HWND dialog, const wchar_t* text) {
  std::wstring qualified;
  if (const DWORD error = ValidateTypedPath(text ? text : L"", qualified)) {
    ShowFolderBrowserError(dialog, error, rightToLeft_);
    return true;
  }
  path_ = qualified;
  flags_ |= kTypedPathAccepted;
  return false;
}

BrowseResult BrowseForFolder(const std::wstring& initial, const std::wstring& suffix,
                             const std::wstring& title, bool rightToLeft, int rootCsidl) {
  FolderBrowser browser(title, rightToLeft);
  if (rootCsidl >= 0) browser.SetRoot(rootCsidl);
  return browser.Run(initial, suffix);
}

}  // namespace qw
