#include "engine/removal_sequence.h"

#include <shlwapi.h>

#include <algorithm>

#include "engine/journal_entry_rules.h"
#include "engine/removal_error.h"
#include "engine/removal_path.h"
#include "engine/uninstall_key_location.h"
#include "payload/payload_kind.h"
#include "platform/handles.h"
#include "platform/registry_key.h"
#include "platform/system_error.h"

namespace qw {
namespace {

class Removal {
 public:
  explicit Removal(const RemovalRequest& request) : request_(request) {}

  RemovalReport Run() {
    const std::size_t steps = request_.entries.size();
    std::size_t step = 0;
    for (auto it = request_.entries.rbegin(); it != request_.entries.rend(); ++it, ++step) {
      if (request_.progress) request_.progress->Removing(it->path, step, steps);
      Undo(*it);
    }
    if (!request_.partialLog) {
      if (!report_.logDeleted) DeleteLog();
      RemoveRegistryEntries();
    }
    return std::move(report_);
  }

 private:
  void Undo(const JournalEntry& entry) {
    if (const std::error_code why = CheckRemovable(entry, request_.places)) {
      report_.refused.push_back({entry.path, why});
      return;
    }
    switch (RulesOf(entry.kind).removal) {
      case RemovalAction::RemoveEmptyFolder: RemoveFolder(entry.path); break;
      case RemovalAction::RemovePayloadFile: RemoveFile(entry); break;
      case RemovalAction::RemoveShortcut:
        if (entry.done && !entry.path.empty()) RemovePath(entry.path);
        break;
      case RemovalAction::RemoveRegistryEntries:
        break;  // after everything else, and only for a finished installation's log
      case RemovalAction::Unregister:
        if (entry.done) Unregister();
        break;
      case RemovalAction::KeepSharedComponent:
        if (entry.done) report_.directXKept = true;
        break;
    }
  }

  void RemoveFile(const JournalEntry& entry) {
    // A file whose writing failed is not known to be the installation's.
    if (!entry.done) return;
    if (entry.value == static_cast<std::int32_t>(PayloadKind::UserData) && !request_.removeUserData) {
      if (::GetFileAttributesW(entry.path.c_str()) != INVALID_FILE_ATTRIBUTES)
        report_.keptUserData.push_back(entry.path);
      return;
    }
    if (IsDeferred(entry.path)) {
      report_.deferredFiles.push_back(entry.path);
      return;
    }
    RemovePath(entry.path);
  }

  void RemovePath(const std::wstring& path) {
    std::error_code error;
    const bool mayWaitForRestart = IsStrictlyInside(path, request_.places.installFolder);
    switch (DeleteFileWithRetry(path, request_.attempts, request_.pause, mayWaitForRestart, error)) {
      case FileRemoval::Removed: break;
      case FileRemoval::AtRestart: report_.atRestart.push_back(path); break;
      case FileRemoval::Failed: report_.failed.push_back({path, error}); break;
    }
  }

  void RemoveFolder(const std::wstring& path) {
    if (!request_.partialLog && !report_.logDeleted && !request_.logPath.empty() &&
        IsSameOrInside(request_.logPath, path))
      DeleteLog();
    const std::error_code error = DeleteThroughHandle(path, true);
    if (!error || error == SystemError(ERROR_FILE_NOT_FOUND) || error == SystemError(ERROR_PATH_NOT_FOUND))
      return;
    // Systems differ in what they answer for a folder that holds a file in
    // use; what is still in it says it.
    if (error == SystemError(ERROR_DIR_NOT_EMPTY) || (error.category() == std::system_category() && HasEntries(path))) {
      ClassifyKeptFolder(path);
      return;
    }
    report_.failed.push_back({path, error});
  }

  // A folder that is not empty only because of what this removal kept on
  // purpose or left to later is not the user's: it goes at the restart
  // after the files in use, or with the deferred files, or stays for the
  // kept user data. Anything else in it makes it a folder the user kept.
  void ClassifyKeptFolder(const std::wstring& path) {
    const auto files = Joined(Joined(Joined(report_.atRestart, report_.deferredFiles), report_.keptUserData),
                              KeptLog());
    const auto folders = Joined(Joined(restartFolders_, report_.deferredFolders), report_.userDataFolders);
    if (!HoldsOnly(path, files, folders)) {
      report_.keptFolders.push_back(path);
    } else if (HoldsAny(path, Joined(report_.atRestart, restartFolders_))) {
      // Removals at the restart run in the order they were scheduled: its
      // contents first. (The restart removes a folder only when it is
      // empty, so the name cannot take anything else with it.)
      if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        restartFolders_.push_back(path);
      } else {
        report_.keptFolders.push_back(path);
      }
    } else if (HoldsOnly(path, Joined(report_.deferredFiles, KeptLog()), report_.deferredFolders)) {
      report_.deferredFolders.push_back(path);
    } else {
      report_.userDataFolders.push_back(path);
    }
  }

  static bool HasEntries(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search) return false;
    do {
      if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0) return true;
    } while (::FindNextFileW(search.get(), &found));
    return false;
  }

  static bool HoldsAny(const std::wstring& folder, const std::vector<std::wstring>& paths) {
    return std::any_of(paths.begin(), paths.end(), [&](const std::wstring& path) {
      return IsSameOrInside(path, folder) && !IsSameOrInside(folder, path);
    });
  }

  // The log of a partial removal stays for the run that finishes it.
  std::vector<std::wstring> KeptLog() const {
    if (!request_.partialLog || request_.logPath.empty()) return {};
    return {request_.logPath};
  }

  void DeleteLog() {
    report_.logDeleted = true;
    if (request_.logPath.empty()) return;
    RemovePath(request_.logPath);
  }

  static std::vector<std::wstring> Joined(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }

  static bool Listed(const std::vector<std::wstring>& paths, const std::wstring& path) {
    return std::any_of(paths.begin(), paths.end(), [&](const std::wstring& listed) {
      return IsSameOrInside(path, listed) && IsSameOrInside(listed, path);
    });
  }

  bool IsDeferred(const std::wstring& path) const { return Listed(request_.deferredFiles, path); }

  // Whether the folder holds nothing but the listed files and folders.
  static bool HoldsOnly(const std::wstring& folder, const std::vector<std::wstring>& files,
                        const std::vector<std::wstring>& folders) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search) return false;
    bool any = false;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (!Listed(files, path) && !Listed(folders, path)) return false;
      any = true;
    } while (::FindNextFileW(search.get(), &found));
    return any;
  }

  void Unregister() {
    if (!request_.unregister) return;
    // The main program the same log installed, if it is still there.
    for (auto it = request_.entries.rbegin(); it != request_.entries.rend(); ++it) {
      if (!IsMainProgramEntry(*it) || !it->done) continue;
      if (CheckRemovable(*it, request_.places)) return;
      if (::GetFileAttributesW(it->path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
      const std::error_code error = request_.unregister(it->path);
      if (error == removal_errc::not_the_program) {
        report_.refused.push_back({it->path, error});
      } else if (error) {
        report_.unregisterFailed = true;
      }
      return;
    }
  }

  // The entry of the system's list of installed programs, while it still
  // names this uninstaller (another installation may have taken it over).
  void RemoveRegistryEntries() {
    const UninstallKeyLocation& key = request_.uninstallKey;
    UniqueRegKey parent;
    if (OpenRegKey(key.root, key.parentPath, KEY_ALL_ACCESS, parent)) {
      RemoveProductPathValue();
      return;
    }
    if (NamesPath(parent.get(), key.name, L"UninstallString", request_.uninstallerPath)) {
      if (const std::error_code error = DeleteUninstallKey(key)) report_.failed.push_back({key.Text(), error});
    }
    RemoveProductPathValue();
  }

  // Whether string value `name` of `subkey` names `path` (quotes around it
  // allowed).
  static bool NamesPath(HKEY key, const std::wstring& subkey, const std::wstring& name, const std::wstring& path) {
    wchar_t buffer[1024] = {};
    DWORD type = 0, size = sizeof buffer - sizeof(wchar_t);
    if (::SHGetValueW(key, subkey.c_str(), name.c_str(), &type, buffer, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return false;
    std::wstring value(buffer);
    if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') value = value.substr(1, value.size() - 2);
    return !path.empty() && IsSamePath(value, path);
  }

  // The main program the log installed, or empty.
  std::wstring LoggedProgram() const {
    for (auto it = request_.entries.rbegin(); it != request_.entries.rend(); ++it) {
      if (IsMainProgramEntry(*it)) return it->path;
    }
    return {};
  }

  void RemoveProductPathValue() {
    const ProductPathValueLocation& where = request_.productPath;
    if (where.makerKey.empty()) return;
    UniqueRegKey maker;
    if (OpenRegKey(where.root, where.makerKey, KEY_ALL_ACCESS, maker)) return;
    if (NamesPath(maker.get(), L"", where.valueName, LoggedProgram())) {
      const LSTATUS status = ::RegDeleteValueW(maker.get(), where.valueName.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        report_.failed.push_back({L"HKEY_LOCAL_MACHINE\\" + where.makerKey + L"\\" + where.valueName,
                                  SystemError(static_cast<DWORD>(status))});
    }
    DWORD subkeys = 1, values = 1;
    const bool empty = ::RegQueryInfoKeyW(maker.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                          &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       subkeys == 0 && values == 0;
    maker.reset();
    // The maker's key is shared by the maker's products: it goes only when
    // nothing else is left in it.
    if (empty) ::RegDeleteKeyW(where.root, where.makerKey.c_str());
  }

  const RemovalRequest& request_;
  RemovalReport report_;
  std::vector<std::wstring> restartFolders_;  // scheduled for the restart after their files
};

}  // namespace

RemovalReport RemoveInstallation(const RemovalRequest& request) { return Removal(request).Run(); }

}  // namespace qw
