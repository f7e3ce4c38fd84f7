#include "payload/temporary_folder.h"

#include <windows.h>
#include <shlwapi.h>

#include <boost/uuid/entropy_error.hpp>

#include "payload/temporary_folder_name.h"

namespace qw {
namespace {

class TemporaryFolderCategory : public std::error_category {
 public:
  constexpr TemporaryFolderCategory(const char* name, const wchar_t* wideName) : name_(name), wideName_(wideName) {}
  const char* name() const noexcept override { return name_; }
  std::string message(int value) const override { return std::system_category().message(value); }
  const wchar_t* wideName() const noexcept { return wideName_; }

 private:
  const char* name_;
  const wchar_t* wideName_;
};

const TemporaryFolderCategory kGetTempPath("GetTempPath", L"GetTempPath");
const TemporaryFolderCategory kRandomGenerator("random_generator", L"random_generator");
const TemporaryFolderCategory kPathAppend("PathAppend", L"PathAppend");

std::error_code Failed(TemporaryFolderCall call, DWORD error) {
  return {static_cast<int>(error), temporary_folder_category(call)};
}

}  // namespace

const std::error_category& temporary_folder_category(TemporaryFolderCall call) noexcept {
  switch (call) {
    case TemporaryFolderCall::QueryTempPath: return kGetTempPath;
    case TemporaryFolderCall::GenerateName: return kRandomGenerator;
    case TemporaryFolderCall::AppendName: break;
  }
  return kPathAppend;
}

const wchar_t* TemporaryFolderCallName(const std::error_category& category) noexcept {
  for (const TemporaryFolderCategory* known : {&kGetTempPath, &kRandomGenerator, &kPathAppend}) {
    if (category == *known) return known->wideName();
  }
  return nullptr;
}

std::error_code MakeTemporaryFolderPath(std::wstring& folder) {
  constexpr DWORD kLongestTempPath = 246;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, path);
  if (length == 0 || length > kLongestTempPath)
    return Failed(TemporaryFolderCall::QueryTempPath, ::GetLastError());
  // The name needs 46 characters: a temporary folder longer than 213
  // characters passes the check above but leaves no room for it, and the
  // joined path would be cut off or empty.
  std::wstring name;
  try {
    name = NewTemporaryFolderName();
  } catch (const boost::uuids::entropy_error& error) {
    return Failed(TemporaryFolderCall::GenerateName, static_cast<DWORD>(error.errcode()));
  }
  // PathAppend does not say why it failed.
  ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  if (!::PathAppendW(path, name.c_str())) return Failed(TemporaryFolderCall::AppendName, ::GetLastError());
  folder = path;
  return {};
}

}  // namespace qw
