#include "engine/uninstall_entry.h"

#include "platform/handles.h"
#include "platform/registry_key.h"
#include "platform/system_error.h"

namespace qw {
namespace {

LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

bool SetDword(HKEY key, const wchar_t* name, DWORD value) {
  return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

}  // namespace

std::error_code WriteUninstallEntry(const UninstallEntryValues& values, const UninstallKeyLocation& location,
                                    InstallJournal& journal) {
  UniqueRegKey parent;
  if (const std::error_code error = OpenRegKey(location.root, location.parentPath, KEY_ALL_ACCESS, parent))
    return error;
  // Noted before it is made, so that a run cut off just after still finds it.
  UniqueRegKey probe;
  const bool exists = !OpenRegKey(parent.get(), location.name, KEY_READ, probe);
  probe.reset();
  const UninstallKeyAnnouncement announced = journal.AnnounceUninstallKey(exists);
  UniqueRegKey key;
  bool created = false;
  if (const std::error_code error = CreateRegKey(parent.get(), location.name, KEY_ALL_ACCESS, key, &created))
    return error;
  PendingJournalEntry entry = journal.RecordUninstallKey(created ? nullptr : key.get(), announced);

  const ProductNames& product = values.product;
  const LSTATUS nameStatus = SetString(key.get(), L"DisplayName", product.displayName);
  const LSTATUS uninstallerStatus = SetString(key.get(), L"UninstallString", values.uninstallerPath);
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

  const LSTATUS status = nameStatus != ERROR_SUCCESS ? nameStatus : uninstallerStatus;
  key.reset();
  entry.Complete(status == ERROR_SUCCESS);
  return status == ERROR_SUCCESS ? std::error_code() : SystemError(static_cast<DWORD>(status));
}

}  // namespace qw
