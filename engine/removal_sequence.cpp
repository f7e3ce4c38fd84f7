#include "engine/removal_sequence.h"

#include <shlwapi.h>

#include <algorithm>

#include "payload/payload_kind.h"
#include "platform/handles.h"
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
    if (!report_.logDeleted) DeleteLog();
    return std::move(report_);
  }

 private:
  void Undo(const JournalEntry& entry) {
    if (const std::error_code why = CheckRemovable(entry, request_.places)) {
      report_.refused.push_back({entry.path, why});
      return;
    }
    switch (entry.kind) {
      case JournalEntryKind::Folder: RemoveFolder(entry.path); break;
      case JournalEntryKind::File: RemoveFile(entry); break;
      case JournalEntryKind::ProgramShortcut:
      case JournalEntryKind::UninstallShortcut:
      case JournalEntryKind::DesktopShortcut:
        if (entry.done && !entry.path.empty()) RemovePath(entry.path);
        break;
      case JournalEntryKind::UninstallKey: RemoveRegistryEntries(); break;
      case JournalEntryKind::SelfRegistration:
        if (entry.done) Unregister();
        break;
      case JournalEntryKind::DirectXSetup:
        // A shared system component: other programs may rely on it.
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
    switch (DeleteFileWithRetry(path, request_.attempts, request_.pause, error)) {
      case FileRemoval::Removed: break;
      case FileRemoval::AtRestart: report_.atRestart.push_back(path); break;
      case FileRemoval::Failed: report_.failed.push_back({path, error}); break;
    }
  }

  void RemoveFolder(const std::wstring& path) {
    if (!report_.logDeleted && !request_.logPath.empty() && IsSameOrInside(request_.logPath, path))
      DeleteLog();
    const std::error_code error = RemoveEmptyFolder(path);
    if (!error || error == SystemError(ERROR_FILE_NOT_FOUND) || error == SystemError(ERROR_PATH_NOT_FOUND))
      return;
    if (error == SystemError(ERROR_DIR_NOT_EMPTY)) {
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
    const auto files = Joined(Joined(report_.atRestart, report_.deferredFiles), report_.keptUserData);
    const auto folders = Joined(Joined(restartFolders_, report_.deferredFolders), report_.userDataFolders);
    if (!HoldsOnly(path, files, folders)) {
      report_.keptFolders.push_back(path);
    } else if (HoldsAny(path, Joined(report_.atRestart, restartFolders_))) {
      // Removals at the restart run in the order they were scheduled: its
      // contents first.
      if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        restartFolders_.push_back(path);
      } else {
        report_.keptFolders.push_back(path);
      }
    } else if (HoldsOnly(path, report_.deferredFiles, report_.deferredFolders)) {
      report_.deferredFolders.push_back(path);
    } else {
      report_.userDataFolders.push_back(path);
    }
  }

  static bool HoldsAny(const std::wstring& folder, const std::vector<std::wstring>& paths) {
    return std::any_of(paths.begin(), paths.end(), [&](const std::wstring& path) {
      return IsSameOrInside(path, folder) && !IsSameOrInside(folder, path);
    });
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
      if (it->kind != JournalEntryKind::File || it->value != static_cast<std::int32_t>(PayloadKind::MainProgram) ||
          !it->done)
        continue;
      if (CheckRemovable(*it, request_.places)) return;
      if (::GetFileAttributesW(it->path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
      if (!request_.unregister(it->path)) report_.unregisterFailed = true;
      return;
    }
  }

  void RemoveRegistryEntries() {
    const UninstallKeyLocation& key = request_.uninstallKey;
    HKEY parentKey = nullptr;
    if (::RegOpenKeyExW(key.root, key.parentPath.c_str(), 0, KEY_ALL_ACCESS, &parentKey) == ERROR_SUCCESS) {
      UniqueRegKey parent(parentKey);
      const LSTATUS status = ::SHDeleteKeyW(parent.get(), key.name.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        report_.failed.push_back({L"HKEY_LOCAL_MACHINE\\" + key.parentPath + L"\\" + key.name,
                                  SystemError(static_cast<DWORD>(status))});
    }
    RemoveProductPathValue();
  }

  void RemoveProductPathValue() {
    const ProductPathValueLocation& where = request_.productPath;
    if (where.makerKey.empty()) return;
    HKEY makerKey = nullptr;
    if (::RegOpenKeyExW(where.root, where.makerKey.c_str(), 0, KEY_ALL_ACCESS, &makerKey) != ERROR_SUCCESS)
      return;
    bool empty = false;
    {
      UniqueRegKey maker(makerKey);
      const LSTATUS status = ::RegDeleteValueW(maker.get(), where.valueName.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        report_.failed.push_back({L"HKEY_LOCAL_MACHINE\\" + where.makerKey + L"\\" + where.valueName,
                                  SystemError(static_cast<DWORD>(status))});
      DWORD subkeys = 1, values = 1;
      empty = ::RegQueryInfoKeyW(maker.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                 nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
              subkeys == 0 && values == 0;
    }
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
