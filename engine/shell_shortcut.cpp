#include "engine/shell_shortcut.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/com_ptr.h"

namespace qw {
namespace {

// Copies `text` into a path buffer; false when it does not fit.
bool CopyToPathBuffer(const std::wstring& text, wchar_t (&buffer)[MAX_PATH]) {
  if (text.size() >= MAX_PATH) return false;
  text.copy(buffer, text.size());
  buffer[text.size()] = L'\0';
  return true;
}

}  // namespace

std::optional<std::wstring> CreateShellShortcut(const std::wstring& targetPath, const std::wstring& folder,
                                                const std::optional<std::wstring>& displayName) {
  wchar_t workingFolder[MAX_PATH];
  // A bare file name loses its only element and leaves no folder at all.
  if (!CopyToPathBuffer(targetPath, workingFolder) || !::PathRemoveFileSpecW(workingFolder) ||
      workingFolder[0] == L'\0') {
    return std::nullopt;
  }

  std::wstring name;
  if (displayName) {
    name = *displayName;
  } else {
    wchar_t fileName[MAX_PATH];
    if (!CopyToPathBuffer(::PathFindFileNameW(targetPath.c_str()), fileName)) return std::nullopt;
    ::PathRemoveExtensionW(fileName);
    name = fileName;
  }

  wchar_t linkPath[MAX_PATH];
  if (!CopyToPathBuffer(folder, linkPath) || !::PathAppendW(linkPath, name.c_str())) return std::nullopt;
  std::wstring shortcutPath = std::wstring(linkPath) + L".lnk";
  if (shortcutPath.size() >= MAX_PATH) return std::nullopt;

  ComInitialization com(COINIT_APARTMENTTHREADED);
  if (com.result() != S_OK && com.result() != S_FALSE) return std::nullopt;

  ComPtr<IShellLinkW> link;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.put_void());
  if (SUCCEEDED(hr)) {
    link->SetPath(targetPath.c_str());
    link->SetWorkingDirectory(workingFolder);
    ComPtr<IPersistFile> file;
    hr = link.As(file);
    if (SUCCEEDED(hr)) hr = file->Save(shortcutPath.c_str(), TRUE);
  }
  if (FAILED(hr)) return std::nullopt;
  return shortcutPath;
}

}  // namespace qw
