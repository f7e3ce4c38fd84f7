#include "engine/uninstall_entry.h"

#include "platform/handles.h"

namespace qw {
namespace {

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
         ERROR_SUCCESS;
}

bool SetDword(HKEY key, const wchar_t* name, DWORD value) {
  return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

}  // namespace

bool WriteUninstallEntry(const UninstallEntryValues& values, const UninstallKeyLocation& location,
                         InstallJournal& journal) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(location.root, location.parentPath.c_str(), 0, KEY_ALL_ACCESS, &raw) !=
      ERROR_SUCCESS) {
    return false;
  }
  UniqueRegKey parent(raw);
  raw = nullptr;
  // Noted before it is made, so that a run cut off just after still finds it.
  HKEY probe = nullptr;
  const bool exists = ::RegOpenKeyExW(parent.get(), location.name.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS;
  if (exists) ::RegCloseKey(probe);
  const UninstallKeyAnnouncement announced = journal.AnnounceUninstallKey(exists);
  DWORD disposition = 0;
  if (::RegCreateKeyExW(parent.get(), location.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &raw, &disposition) != ERROR_SUCCESS) {
    return false;
  }
  UniqueRegKey key(raw);
  PendingJournalEntry entry =
      journal.RecordUninstallKey(disposition == REG_OPENED_EXISTING_KEY ? key.get() : nullptr, announced);

  const ProductNames& product = values.product;
  const bool nameWritten = SetString(key.get(), L"DisplayName", product.displayName);
  const bool uninstallerWritten = SetString(key.get(), L"UninstallString", values.uninstallerPath);
  // The remaining values only make the entry nicer to look at.
  SetString(key.get(), L"DisplayIcon", values.programPath + L",0");
  SetString(key.get(), L"DisplayVersion", product.fileVersion);
  SetString(key.get(), L"Publisher", product.publisher);
  SetString(key.get(), L"URLInfoAbout", product.webAddress);
  SetString(key.get(), L"HelpLink", product.webAddress);
  SetString(key.get(), L"URLUpdateInfo", product.webAddress);
  SetString(key.get(), L"HelpTelephone", product.telephone);
  SetDword(key.get(), L"NoModify", 1);
  SetDword(key.get(), L"NoRepair", 1);
  SetDword(key.get(), L"QwLanguage", values.language);

  const bool written = nameWritten && uninstallerWritten;
  key.reset();
  entry.Complete(written);
  return written;
}

}  // namespace qw
