#include "platform/process_start.h"

#include <optional>
#include <vector>

namespace qw {
namespace {

// Windows 10's attribute, which the headers show only to programs that
// require Windows 10; older systems refuse it and the job is assigned.
constexpr DWORD_PTR kJobListAttribute = ProcThreadAttributeValue(13, FALSE, TRUE, FALSE);

// An attribute list naming `job` (which must outlive it); empty where the
// system has no such attribute.
class JobAttribute {
 public:
  explicit JobAttribute(HANDLE& job) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    list_ = list;
    if (!::UpdateProcThreadAttribute(list_, 0, kJobListAttribute, &job, sizeof job, nullptr, nullptr)) {
      ::DeleteProcThreadAttributeList(list_);
      list_ = nullptr;
    }
  }
  ~JobAttribute() {
    if (list_) ::DeleteProcThreadAttributeList(list_);
  }
  JobAttribute(const JobAttribute&) = delete;
  JobAttribute& operator=(const JobAttribute&) = delete;

  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  std::vector<unsigned char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

bool CreateOnce(const std::wstring& application, std::wstring line, const ProcessStart& how,
                STARTUPINFOEXW& startup, PROCESS_INFORMATION& process) {
  const DWORD extended = startup.lpAttributeList ? EXTENDED_STARTUPINFO_PRESENT : 0;
  // The size tells the system which of the two structures it is given.
  startup.StartupInfo.cb = extended ? sizeof(STARTUPINFOEXW) : sizeof(STARTUPINFOW);
  return ::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, how.inheritHandles,
                          how.flags | extended, nullptr, how.folder, &startup.StartupInfo, &process) != FALSE;
}

}  // namespace

bool StartProcess(const std::wstring& application, std::wstring commandLine, const ProcessStart& how,
                  PROCESS_INFORMATION& process) {
  constexpr int kAttempts = 3;
  constexpr DWORD kPauseMs = 300;
  HANDLE job = how.job;
  std::optional<JobAttribute> inJob;
  if (job) inJob.emplace(job);
  STARTUPINFOEXW startup{};
  if (how.showWindow != SW_SHOWDEFAULT) {
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = how.showWindow;
  }
  for (int attempt = 1;; ++attempt) {
    startup.lpAttributeList = inJob ? inJob->list() : nullptr;
    bool started = CreateOnce(application, commandLine, how, startup, process);
    if (!started && startup.lpAttributeList) {
      // A system that knows the attribute but cannot create into a job
      // refuses the whole start; without the attribute it is assigned below.
      startup.lpAttributeList = nullptr;
      started = CreateOnce(application, commandLine, how, startup, process);
    }
    if (started) {
      // Only the extra safety is lost where even this fails (a job the
      // starter runs in that takes no nested one, before Windows 8).
      if (job && !startup.lpAttributeList) ::AssignProcessToJobObject(job, process.hProcess);
      return true;
    }
    if (attempt == kAttempts) return false;
    ::Sleep(kPauseMs);
  }
}

}  // namespace qw
