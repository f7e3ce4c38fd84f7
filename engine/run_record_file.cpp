#include "engine/run_record_file.h"

#include <aclapi.h>
#include <shlobj.h>

#include <vector>

#include "engine/removal_error.h"
#include "engine/removal_path.h"
#include "payload/special_folder.h"
#include "platform/final_path.h"
#include "platform/folder_owner.h"
#include "platform/protected_folder.h"
#include "platform/system_error.h"

namespace qw {
namespace {

// A record larger than this is not one this program wrote.
constexpr DWORD kLargestRecord = 64u * 1024 * 1024;

// The account this process runs as, for the owner test.
UniqueLocalMemory ProcessUser() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return UniqueLocalMemory();
  UniqueHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return UniqueLocalMemory();
  UniqueLocalMemory user(::LocalAlloc(LPTR, size));
  if (!user || !::GetTokenInformation(token.get(), TokenUser, user.get(), size, &size)) return UniqueLocalMemory();
  return user;
}

bool OwnerIsTrusted(HANDLE handle) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                        &raw) != ERROR_SUCCESS)
    return false;
  UniqueLocalMemory descriptor(raw);
  const UniqueLocalMemory user = ProcessUser();
  PSID sid = user ? static_cast<TOKEN_USER*>(user.get())->User.Sid : nullptr;
  return IsTrustedOwner(descriptor.get(), sid);
}

// Opens `path` without following a reparse point and checks it; `error`
// says why it is not to be used.
UniqueFile OpenChecked(const std::wstring& path, bool folder, DWORD access, std::error_code& error) {
  error.clear();
  const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  UniqueFile handle(::CreateFileW(path.c_str(), access | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  flags, nullptr));
  if (!handle) {
    error = LastError();
    return handle;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle.get(), &information)) {
    error = LastError();
  } else if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    error = removal_errc::reparse_point;
  } else if (((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder ||
             (!folder && information.nNumberOfLinks != 1) || !IsSamePath(FinalPath(handle.get()), path)) {
    error = removal_errc::moved;
  } else if (!OwnerIsTrusted(handle.get())) {
    error = removal_errc::not_its_place;
  }
  if (error) handle.reset();
  return handle;
}

bool Missing(const std::error_code& error) {
  return error == SystemError(ERROR_FILE_NOT_FOUND) || error == SystemError(ERROR_PATH_NOT_FOUND);
}

}  // namespace

std::wstring RunRecordFolder(const std::wstring& productKey) {
  const std::wstring common = SpecialFolderPath(CSIDL_COMMON_APPDATA);
  if (common.empty()) return std::wstring();
  return common + L"\\" + productKey + L" Recovery";
}

std::wstring RunRecordPath(const std::wstring& folder, RunRecordKind kind) {
  return folder + (kind == RunRecordKind::Installation ? L"\\Installation.qwrec" : L"\\Removal.qwrec");
}

RecordWriter CurrentRecordWriter() { return RecordWriterOf(::GetCurrentProcess()); }

RecordWriter RecordWriterOf(HANDLE process) {
  RecordWriter writer;
  writer.processId = ::GetProcessId(process);
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (::GetProcessTimes(process, &creation, &exit, &kernel, &user)) {
    writer.creationTime = (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  }
  return writer;
}

bool RecordWriterRuns(const RecordWriter& writer) {
  if (writer.processId == ::GetCurrentProcessId()) return false;  // this process did not write it
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, writer.processId));
  if (!process) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // no such process: it ended
  if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return false;
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (!::GetProcessTimes(process.get(), &creation, &exit, &kernel, &user)) return true;
  const std::uint64_t created = (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  return created == writer.creationTime;  // another process that got the same id
}

bool EndRecordWriter(const RecordWriter& writer, DWORD milliseconds) {
  if (!RecordWriterRuns(writer)) return true;
  UniqueHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                     writer.processId));
  if (!process || RecordWriterOf(process.get()).creationTime != writer.creationTime) return !process;
  ::TerminateProcess(process.get(), ERROR_PROCESS_ABORTED);
  return ::WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0;
}

std::error_code CheckRecordPlace(const std::wstring& path, bool folder, bool& exists) {
  std::error_code error;
  const UniqueFile handle = OpenChecked(path, folder, 0, error);
  exists = !Missing(error);
  return exists ? error : std::error_code();
}

std::error_code RunRecordFile::Create(const std::wstring& folder, RunRecordKind kind, const std::wstring& header) {
  if (folder.empty()) return SystemError(ERROR_PATH_NOT_FOUND);
  bool exists = false;
  if (const std::error_code error = CheckRecordPlace(folder, true, exists)) return error;
  if (!exists) {
    const std::error_code made = CreateProtectedFolder(folder);
    if (made && made != SystemError(ERROR_ALREADY_EXISTS)) return made;
    // Made by this process, or by another administrator just now: checked
    // again either way.
    if (const std::error_code error = CheckRecordPlace(folder, true, exists)) return error;
  }
  folder_ = folder;
  path_ = RunRecordPath(folder, kind);
  // Others may read the record as it grows; nobody writes or deletes it.
  file_.reset(::CreateFileW(path_.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) return LastError();
  failed_ = false;
  if (const std::error_code error = Append(L"\xFEFF" + header)) {
    Delete();
    return error;
  }
  return {};
}

std::error_code RunRecordFile::Append(const std::wstring& lines, Flush flush) {
  if (!file_ || failed_) return SystemError(ERROR_INVALID_HANDLE);
  const auto size = static_cast<DWORD>(lines.size() * sizeof(wchar_t));
  DWORD written = 0;
  if (!::WriteFile(file_.get(), lines.data(), size, &written, nullptr) || written != size ||
      (flush == Flush::Now && !::FlushFileBuffers(file_.get()))) {
    failed_ = true;
    return LastError();
  }
  return {};
}

void RunRecordFile::Delete() {
  if (!file_) return;
  FILE_DISPOSITION_INFO disposition{TRUE};
  const bool marked =
      ::SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
  file_.reset();
  if (!marked) ::DeleteFileW(path_.c_str());
  ::RemoveDirectoryW(folder_.c_str());  // only when nothing else is in it
}

std::error_code ReadRunRecordText(const std::wstring& folder, RunRecordKind kind, std::wstring& text) {
  text.clear();
  if (folder.empty()) return SystemError(ERROR_FILE_NOT_FOUND);
  std::error_code error;
  if (!OpenChecked(folder, true, 0, error)) return error;
  const UniqueFile file = OpenChecked(RunRecordPath(folder, kind), false, GENERIC_READ, error);
  if (!file) return error;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return LastError();
  if (size.QuadPart > kLargestRecord) return SystemError(ERROR_FILE_TOO_LARGE);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(size.QuadPart) / sizeof(wchar_t) + 1);
  DWORD read = 0;
  if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(size.QuadPart), &read, nullptr))
    return LastError();
  text.assign(buffer.data(), read / sizeof(wchar_t));
  if (!text.empty() && text[0] == L'\xFEFF') text.erase(0, 1);
  return {};
}

void DeleteRunRecord(const std::wstring& folder, RunRecordKind kind) {
  std::error_code error;
  UniqueFile file = OpenChecked(RunRecordPath(folder, kind), false, DELETE, error);
  if (file) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
    file.reset();
  }
  if (OpenChecked(folder, true, 0, error)) ::RemoveDirectoryW(folder.c_str());
}

}  // namespace qw
