#pragma once
// The shell's folder selection dialog for the wizard's Browse buttons, with
// what the plain dialog lacks: a suffix of folder names appended to every
// selection (shown in the dialog's edit box), an optional root whose parent
// relative paths are given against, and typed folders that do not exist
// yet, qualified and checked but never created.

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "platform/com_ptr.h"

namespace qw {

struct BrowseResult {
  std::wstring path;      // the chosen path; empty when cancelled or failed
  std::wstring base;      // the path without the suffix components
  std::wstring relative;  // with a root: the path relative to the root's parent
};

// Runs the dialog. `initial` is where it opens (its deepest existing part);
// `title` is in the caller's language, and `rightToLeft` says whether that
// language reads right to left; `root` is a CSIDL that limits the tree, or
// -1 for the whole namespace.
BrowseResult BrowseForFolder(const std::wstring& initial, const std::wstring& suffix,
                             const std::wstring& title, bool rightToLeft, int rootCsidl = -1);

class FolderBrowser {
 public:
  // `rightToLeft`: the language of `title` reads right to left (the error
  // box follows it when it has no owner window).
  FolderBrowser(std::wstring title, bool rightToLeft);
  FolderBrowser(const FolderBrowser&) = delete;
  FolderBrowser& operator=(const FolderBrowser&) = delete;
  ~FolderBrowser();

  // Limits the tree to a special folder (CSIDL); the tree stays
  // unrestricted when the folder cannot be had.
  void SetRoot(int csidl);

  BrowseResult Run(const std::wstring& initial, const std::wstring& suffix);

  // The steps of Run that decide what the dialog shows. Public because the
  // dialog cannot be read from outside: Wine's has no edit box, and the
  // tree's selection is the shell's.
  // Sets the working path from `initial` and `suffix` (see Run).
  void Prepare(const std::wstring& initial, const std::wstring& suffix);
  // The working path: what the edit box shows, and the result when accepted.
  const std::wstring& path() const { return path_; }
  // The folder that contains the root; empty without a root.
  const std::wstring& RootParent();

  // The validation of a typed text: 0 and the qualified path, or the code
  // for the error box (0x800700CE for a text too long, 161 for a path that
  // leaves the root's parent or holds invalid characters, otherwise the
  // system error of reading or setting the current folder).
  DWORD ValidateTypedPath(const std::wstring& text, std::wstring& qualified);

 private:
  enum Flag : unsigned { kInitialized = 2, kTypedPathAccepted = 4 };

  static int CALLBACK Callback(HWND dialog, UINT message, LPARAM param, LPARAM data);
  // Sees the dialog's OK first, so that the edit box's text is validated
  // the same way on every system (Wine's dialog ignores BIF_VALIDATE and
  // the edit box, and would return the selection without the suffix).
  static LRESULT CALLBACK DialogSubclass(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
  bool OnOk(HWND dialog);  // true: keep the dialog open
  void OnInitialized(HWND dialog);
  void OnSelectionChanged(HWND dialog, LPCITEMIDLIST item);
  bool OnValidationFailed(HWND dialog, const wchar_t* text);  // true: keep open
  void Complete();
  void ShowPathInEditBox();
  std::wstring RootFolder() const;

  std::wstring path_;
  std::wstring suffix_;
  std::wstring title_;
  bool rightToLeft_ = false;
  std::optional<ComInitialization> com_;  // from the first Run on; outlives root_
  UniqueCoTaskMem<ITEMIDLIST> root_;
  std::wstring rootParent_;
  bool rootParentKnown_ = false;
  HWND editBox_ = nullptr;
  unsigned flags_ = 0;
};

// The error box of the browser: the system's text for `code`, no caption,
// exclamation icon, right-to-left reading when the owner (or, without one,
// the caller's language: `rightToLeft`) is right-to-left.
void ShowFolderBrowserError(HWND owner, DWORD code, bool rightToLeft);

}  // namespace qw
