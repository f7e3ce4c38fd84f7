#include "installer_robot.h"

#include <algorithm>

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "platform/handles.h"
#include "test_text.h"
#include "ui/resource_ids.h"

namespace qw::test {

namespace {

constexpr DWORD kMessageTimeoutMs = 5000;

DWORD OwningProcess(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return pid;
}

struct TitleSearch {
  const std::wstring* titlePart;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWizardsByTitle(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TitleSearch*>(param);
  if (::IsWindowVisible(window) && IsDialogClass(window) && ::GetDlgItem(window, IDC_BAND) &&
      WindowText(window).find(*search->titlePart) != std::wstring::npos) {
    search->found.push_back(window);
  }
  return TRUE;
}

// The visible wizards whose title contains `titlePart`, of any process.
std::vector<HWND> WizardsByTitle(const std::wstring& titlePart) {
  TitleSearch search{&titlePart, {}};
  ::EnumWindows(CollectWizardsByTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Tests that start the installer run one at a time, so a wizard on screen
// before a start is a leftover of an earlier test that failed before it
// could close it (or whose installer appeared too late). It would hold the
// installer's lock and could be taken for the new one: it is ended.
void EndLeftoverWizards(const std::wstring& titlePart) {
  for (HWND wizard : WizardsByTitle(titlePart)) {
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, OwningProcess(wizard)));
    if (!process) continue;
    ::TerminateProcess(process.get(), 255);
    ::WaitForSingleObject(process.get(), 10000);
  }
}

// The environment of this process with `extra` entries added, for a child
// that is a Windows program (it takes every variable of the block, but
// under Wine not the locale: see StartInUnixLocale).
std::vector<wchar_t> EnvironmentWith(const std::vector<std::wstring>& extra) {
  std::vector<wchar_t> block;
  wchar_t* strings = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
    block.insert(block.end(), entry, entry + wcslen(entry) + 1);
  }
  ::FreeEnvironmentStringsW(strings);
  for (const std::wstring& setting : extra) {
    block.insert(block.end(), setting.c_str(), setting.c_str() + setting.size() + 1);
  }
  block.push_back(L'\0');
  return block;
}

struct ClassSearch {
  const wchar_t* name;
  HWND found;
};

BOOL CALLBACK FindClass(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ClassSearch*>(param);
  wchar_t name[64] = {};
  ::GetClassNameW(child, name, 64);
  if (_wcsicmp(name, search->name) != 0) return TRUE;
  search->found = child;
  return FALSE;
}

// Memory in another process, freed with the object.
class RemoteMemory {
 public:
  RemoteMemory(DWORD pid, std::size_t size)
      : m_process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)),
        m_address(m_process ? ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)
                            : nullptr) {}
  ~RemoteMemory() {
    if (m_address) ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    if (m_process) ::CloseHandle(m_process);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  char* Address() const { return static_cast<char*>(m_address); }
  bool Write(std::size_t offset, const void* data, std::size_t size) const {
    return m_address && ::WriteProcessMemory(m_process, Address() + offset, data, size, nullptr);
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    return m_address && ::ReadProcessMemory(m_process, Address() + offset, data, size, nullptr);
  }

 private:
  HANDLE m_process;
  void* m_address;
};

}  // namespace

HWND FindChildOfClass(HWND dialog, const wchar_t* className) {
  ClassSearch search{className, nullptr};
  ::EnumChildWindows(dialog, FindClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

const char* PageName(Page page) {
  switch (page) {
    case Page::Start: return "Start";
    case Page::Mode: return "Mode";
    case Page::Path: return "Path";
    case Page::Shortcut: return "Shortcut";
    case Page::Install: return "Install";
    case Page::End: return "End";
    default: return "none";
  }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(20);
  }
}

InstallerRobot::~InstallerRobot() {
  if (!m_process) return;
  if (Running()) {
    ::TerminateProcess(m_process, 255);
    ::WaitForSingleObject(m_process, 10000);
  }
  ::CloseHandle(m_process);
}

bool InstallerRobot::Start(const std::wstring& installer, const std::wstring& locale,
                           const std::wstring& titlePart, DWORD timeoutMs) {
  EndLeftoverWizards(titlePart);
  if (!locale.empty()) {
    if (!StartInUnixLocale(installer, locale, m_extraEnvironment)) return false;
    HWND found = nullptr;
    WaitUntil([&] {
      const std::vector<HWND> wizards = WizardsByTitle(titlePart);
      found = wizards.empty() ? nullptr : wizards.front();
      return found != nullptr;
    }, timeoutMs);
    if (!found) return false;
    m_processId = OwningProcess(found);
    m_process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                              FALSE, m_processId);
    m_wizard = found;
    return m_process != nullptr;
  }
  std::wstring commandLine = L"\"" + installer + L"\"";
  std::vector<wchar_t> environment;
  if (!m_extraEnvironment.empty()) environment = EnvironmentWith(m_extraEnvironment);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const auto start = [&] {
    return ::CreateProcessW(installer.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                            environment.empty() ? nullptr : environment.data(), nullptr, &startup, &info) != FALSE;
  };
  if (!start()) {
    // Wine now and then fails to start a program that starts the next
    // moment; the installer has not run at all then, so one more start
    // decides nothing about it. The output says so.
    std::fprintf(stderr, "robot: starting the installer failed with error %lu; starting it again\n",
                 static_cast<unsigned long>(::GetLastError()));
    ::Sleep(500);
    if (!start()) {
      std::fprintf(stderr, "robot: starting the installer failed again with error %lu\n",
                   static_cast<unsigned long>(::GetLastError()));
      return false;
    }
  }
  ::CloseHandle(info.hThread);
  m_process = info.hProcess;
  m_processId = info.dwProcessId;
  std::vector<HWND> handled;
  const bool found = WaitUntil(
      [&] {
        for (HWND window : VisibleDialogs(m_processId)) {
          if (WindowText(window).find(titlePart) != std::wstring::npos &&
              ::GetDlgItem(window, IDC_BAND) != nullptr) {
            m_wizard = window;
            return true;
          }
          if (m_startupMessage && ::GetDlgItem(window, IDC_BAND) == nullptr &&
              std::find(handled.begin(), handled.end(), window) == handled.end()) {
            handled.push_back(window);
            m_startupMessage(window);
          }
        }
        return !Running();
      },
      timeoutMs) && m_wizard != nullptr;
  if (!found) ReportMissingWizard(timeoutMs);
  return found;
}

// Says on the test's output why no wizard came: a failure at start-up is
// otherwise only "Start returned false".
void InstallerRobot::ReportMissingWizard(DWORD timeoutMs) const {
  DWORD exitCode = 0;
  if (!Running() && ::GetExitCodeProcess(m_process, &exitCode)) {
    std::fprintf(stderr, "robot: the installer (process %lu) ended with exit code %ld (0x%08lx) before its wizard\n",
                 static_cast<unsigned long>(m_processId), static_cast<long>(exitCode),
                 static_cast<unsigned long>(exitCode));
    return;
  }
  std::fprintf(stderr, "robot: no wizard within %lu ms; the installer's visible dialogs:\n",
               static_cast<unsigned long>(timeoutMs));
  for (HWND window : VisibleDialogs(m_processId)) {
    std::fprintf(stderr, "  \"%s\"\n", Narrow(WindowText(window) + L": " + MessageBoxText(window)).c_str());
  }
}

bool InstallerRobot::GoFromStartToPathPage() {
  return WaitForPage(Page::Start) && Click(IDOK) && WaitForPage(Page::Mode) && ChooseRadio(IDC_ADVANCED) &&
         Click(IDOK) && WaitForPage(Page::Path);
}

bool InstallerRobot::Running() const {
  return m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

HWND InstallerRobot::VisiblePageWindow() const {
  for (HWND child = ::GetWindow(m_wizard, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (IsDialogClass(child) && ::IsWindowVisible(child)) return child;
  }
  return nullptr;
}

Page InstallerRobot::CurrentPage() const {
  HWND page = VisiblePageWindow();
  if (!page) return Page::None;
  // Each page is known by a control that only it has.
  if (::GetDlgItem(page, IDC_LANGUAGE)) return Page::Start;
  if (::GetDlgItem(page, IDC_QUICK)) return Page::Mode;
  if (::GetDlgItem(page, IDC_PATH_GROUP)) return Page::Path;
  if (::GetDlgItem(page, IDC_MENU_GROUP)) return Page::Shortcut;
  if (::GetDlgItem(page, IDC_LOG)) return Page::Install;
  if (::GetDlgItem(page, IDC_INFO)) return Page::End;
  return Page::None;
}

bool InstallerRobot::WaitForPage(Page page, DWORD timeoutMs) const {
  return WaitUntil([&] { return CurrentPage() == page; }, timeoutMs);
}

HWND InstallerRobot::Control(int id) const {
  if (HWND control = ::GetDlgItem(m_wizard, id)) return control;
  if (HWND page = VisiblePageWindow()) return ::GetDlgItem(page, id);
  return nullptr;
}

bool InstallerRobot::IsEnabled(int id) const {
  HWND control = Control(id);
  return control && ::IsWindowEnabled(control);
}

HWND InstallerRobot::FocusedWindow() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(m_wizard, nullptr);
  return thread != 0 && ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool InstallerRobot::IsVisible(int id) const {
  HWND control = Control(id);
  return control && ::IsWindowVisible(control);
}

bool InstallerRobot::ClickIn(HWND dialog, int id) {
  HWND button = ::GetDlgItem(dialog, id);
  if (!button || !::IsWindowVisible(button) || !::IsWindowEnabled(button)) return false;
  // BM_CLICK presses and releases the button as the mouse does, so radio
  // buttons and check boxes change state too.
  return ::PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool InstallerRobot::Click(int id) {
  HWND button = Control(id);
  return button && ClickIn(::GetParent(button), id);
}

bool InstallerRobot::ChooseRadio(int id, DWORD timeoutMs) {
  return Click(id) && WaitUntil([&] { return Send(Control(id), BM_GETCHECK) == BST_CHECKED; }, timeoutMs);
}

int InstallerRobot::ComboItemCount(int id) const {
  DWORD_PTR count = 0;
  HWND combo = Control(id);
  if (!combo || !::SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &count)) {
    return -1;
  }
  return static_cast<int>(count);
}

bool InstallerRobot::ChooseComboItem(int id, int index) {
  HWND combo = Control(id);
  if (!combo || !::IsWindowEnabled(combo) || index < 0 || index >= ComboItemCount(id)) return false;
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &result)) {
    return false;
  }
  return ::PostMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo)) != FALSE;
}

bool InstallerRobot::ComboExItem(int id, int index, std::wstring& text, LPARAM& data) const {
  HWND combo = Control(id);
  constexpr std::size_t kTextChars = 256;
  RemoteMemory memory(m_processId, sizeof(COMBOBOXEXITEMW) + kTextChars * sizeof(wchar_t));
  if (!combo || !memory.Address()) return false;
  COMBOBOXEXITEMW item{};
  item.mask = CBEIF_TEXT | CBEIF_LPARAM;
  item.iItem = index;
  item.pszText = reinterpret_cast<wchar_t*>(memory.Address() + sizeof item);
  item.cchTextMax = kTextChars;
  if (!memory.Write(0, &item, sizeof item)) return false;
  DWORD_PTR ok = 0;
  if (!::SendMessageTimeoutW(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.Address()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ok) || !ok) {
    return false;
  }
  wchar_t buffer[kTextChars] = {};
  if (!memory.Read(0, &item, sizeof item) || !memory.Read(sizeof item, buffer, sizeof buffer)) return false;
  buffer[kTextChars - 1] = L'\0';
  text = buffer;
  data = item.lParam;
  return true;
}

LRESULT InstallerRobot::SendWithRemoteText(HWND window, UINT message, WPARAM wParam,
                                           const std::wstring& text) const {
  const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
  RemoteMemory memory(m_processId, size);
  if (!memory.Write(0, text.c_str(), size)) return 0;
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(memory.Address()),
                        SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

bool InstallerRobot::SystemCommand(WPARAM command) {
  return ::PostMessageW(m_wizard, WM_SYSCOMMAND, command, 0) != FALSE;
}

HWND InstallerRobot::WaitForDialog(DWORD timeoutMs) const {
  return WaitForDialogOtherThan(nullptr, timeoutMs);
}

HWND InstallerRobot::WaitForDialogOtherThan(HWND except, DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : VisibleDialogs(m_processId)) {
          if (window != m_wizard && window != except) found = window;
        }
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

std::wstring InstallerRobot::MessageBoxText(HWND box) { return test::MessageBoxText(box); }

bool InstallerRobot::WaitForClose(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] { return !::IsWindow(window) || !::IsWindowVisible(window); }, timeoutMs);
}

bool InstallerRobot::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!m_process || ::WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) ::GetExitCodeProcess(m_process, exitCode);
  return true;
}

void InstallerRobot::BringToFront() {
  ::SetWindowPos(m_wizard, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  ::RedrawWindow(m_wizard, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace qw::test
