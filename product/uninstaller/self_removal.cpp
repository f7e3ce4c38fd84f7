#include "product/uninstaller/self_removal.h"

#include "engine/file_removal.h"
#include "payload/temporary_folder.h"
#include "platform/handles.h"
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
  std::wstring folder, errorText;
  if (!MakeTemporaryFolderPath(folder, errorText)) return LastError();
  if (!::CreateDirectoryW(folder.c_str(), nullptr)) return LastError();
  const std::wstring copy = folder + L"\\Uninstall.exe";
  if (!::CopyFileW(self.c_str(), copy.c_str(), TRUE)) {
    const std::error_code error = LastError();
    ::RemoveDirectoryW(folder.c_str());
    return error;
  }
  // The file's handle first: handles are closed in order at the copy's
  // end, and the folder can only go once it is empty.
  UniqueFile copyHandle = OpenDeleteOnClose(copy, 0);
  UniqueFile folderHandle = OpenDeleteOnClose(folder, FILE_FLAG_BACKUP_SEMANTICS);

  HANDLE me = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &me,
                         SYNCHRONIZE, TRUE, 0))
    return LastError();
  UniqueHandle meHandle(me);
  std::wstring line = CleanupCommandLine(copy, me, files, folders);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // The system folder as working folder: the copy keeps no other folder busy.
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  if (!::CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, system, &startup,
                        &process)) {
    const std::error_code error = LastError();
    copyHandle.reset();
    folderHandle.reset();
    ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(copy.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return error;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return {};
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
    DeleteFileWithRetry(file, 25, pause, error);
  }
  for (const std::wstring& folder : folders) RemoveEmptyFolder(folder);
}

}  // namespace qw::uninstaller
