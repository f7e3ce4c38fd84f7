#include "product/uninstaller/self_removal.h"

#include "engine/file_removal.h"
#include "engine/install_journal.h"
#include "payload/temporary_folder.h"
#include "platform/handles.h"
#include "platform/module_file.h"
#include "platform/path_elements.h"
#include "platform/process_start.h"
#include "platform/system_error.h"
#include "product/uninstaller/command_line.h"

namespace qw::uninstaller {
namespace {

// An inheritable handle that deletes `path` when the last handle to it
// closes.
UniqueFile OpenDeleteOnClose(const std::wstring& path, DWORD extraFlags) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return UniqueFile(::CreateFileW(path.c_str(), DELETE | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                  OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE | extraFlags, nullptr));
}

}  // namespace

std::error_code StartSecondPhase(const std::wstring& self, const std::vector<std::wstring>& files,
                                 const std::vector<std::wstring>& folders) {
  std::wstring folder;
  // The value is the system's error, whichever call it came from.
  if (const std::error_code error = MakeTemporaryFolderPath(folder))
    return SystemError(static_cast<DWORD>(error.value()));
  if (!::CreateDirectoryW(folder.c_str(), nullptr)) return LastError();
  const std::wstring copy = folder + L"\\Uninstall.exe";
  if (!::CopyFileW(self.c_str(), copy.c_str(), TRUE)) {
    const std::error_code error = LastError();
    ::RemoveDirectoryW(folder.c_str());
    return error;
  }
  // The installer leaves the uninstaller read-only and the copy keeps that
  // attribute; a read-only file cannot be opened for deletion on close.
  ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  UniqueFile copyHandle = OpenDeleteOnClose(copy, 0);
  const auto discardCopy = [&] {
    const std::error_code error = LastError();
    copyHandle.reset();
    ::DeleteFileW(copy.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return error;
  };

  HANDLE me = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &me,
                         SYNCHRONIZE, TRUE, 0))
    return discardCopy();
  UniqueHandle meHandle(me);
  PROCESS_INFORMATION process{};
  // The system folder as working folder: the copy keeps no other folder busy.
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  ProcessStart how;
  how.inheritHandles = true;
  how.folder = system;
  if (!StartProcess(copy, CleanupCommandLine(copy, me, files, folders), how, process)) return discardCopy();
  // The copy waits for this process by itself; nothing more to hold.
  const UniqueHandle thread(process.hThread), started(process.hProcess);
  return {};
}

bool LeaveToRestart(const std::vector<std::wstring>& files, const std::vector<std::wstring>& folders) {
  bool all = true;
  // The restart works through its list in order: the files first, so that
  // the folders are empty when their turn comes.
  for (const std::vector<std::wstring>* paths : {&files, &folders})
    for (const std::wstring& path : *paths)
      all = ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) && all;
  return all;
}

void RunSecondPhase(HANDLE firstProcess, const std::vector<std::wstring>& files,
                    const std::vector<std::wstring>& folders) {
  if (firstProcess) {
    ::WaitForSingleObject(firstProcess, 60000);
    ::CloseHandle(firstProcess);
  }
  const RetryPause pause = [](unsigned milliseconds) { ::Sleep(milliseconds); };
  for (const std::wstring& file : files) {
    std::error_code error;
    // Only the uninstaller itself, in the installation folder.
    DeleteFileWithRetry(file, 25, pause, true, error);
  }
  for (const std::wstring& folder : folders) DeleteThroughHandle(folder, true);

  // A running program's file cannot be deleted, but it can be renamed: it
  // leaves its private folder for a plain name in the temporary folder, so
  // that the folder can go now, and the delete-on-close handle that the
  // first process handed down takes the file when this process ends. Where
  // even that fails, the folder goes at the next restart.
  const std::wstring self = ModuleFilePath(nullptr);
  const std::wstring ownFolder = ParentPath(self);
  const std::wstring parking = InstallJournal::MakeBackup(std::nullopt, false);
  if (!parking.empty() && ::MoveFileExW(self.c_str(), parking.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    // Where the handed-down handle still names the old place (Wine), a new
    // one on the parked name does it; it is meant to stay open until the
    // process ends. Windows refuses it for a running image and the old
    // handle does the work there.
    static UniqueFile parked = OpenDeleteOnClose(parking, 0);
    // Should neither handle take it, the restart does.
    if (!parked) ::MoveFileExW(parking.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (!RemoveEmptyFolder(ownFolder)) return;
  }
  ::MoveFileExW(ownFolder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace qw::uninstaller
