#pragma once
// Owners of Windows kernel and library handles: each closes what it holds in
// its destructor, can be moved but not copied, and gives the raw handle to
// the API calls that need it. They do not pretend to wrap the APIs that make
// the handles; the code that opens a handle keeps its own error handling.

#include <windows.h>
#include <commctrl.h>

#include <type_traits>
#include <utility>

namespace qw {

// Whether Traits has its own test of a valid handle (IsValid); without one
// every value but Invalid() is a handle.
template <typename Traits, typename = void>
struct HasValidityTest : std::false_type {};
template <typename Traits>
struct HasValidityTest<Traits, std::void_t<decltype(Traits::IsValid(Traits::Invalid()))>> : std::true_type {};

// Generic owner: Traits supplies the invalid value, the close function and,
// where more than one value means failure, the test of a valid one.
template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() noexcept = default;
  explicit ScopedHandle(Handle h) noexcept : handle_(h) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  bool valid() const noexcept {
    if constexpr (HasValidityTest<Traits>::value) {
      return Traits::IsValid(handle_);
    } else {
      return handle_ != Traits::Invalid();
    }
  }
  explicit operator bool() const noexcept { return valid(); }

  // Closes the current handle (when valid) and takes `h`. The thread's last
  // error stays as it was: an owner replaced or going out of scope on an
  // error path must not hide the error of the call that failed.
  void reset(Handle h = Traits::Invalid()) noexcept {
    if (valid()) {
      const DWORD error = ::GetLastError();
      Traits::Close(handle_);
      ::SetLastError(error);
    }
    handle_ = h;
  }
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

 private:
  Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {  // CreateMutex, OpenProcessToken, CreateProcess...
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  // Most of these calls fail with null, some (CreateToolhelp32Snapshot,
  // CreateNamedPipe) with INVALID_HANDLE_VALUE: neither is a handle to close.
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

struct FileHandleTraits {  // CreateFile reports failure as INVALID_HANDLE_VALUE
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

struct ModuleTraits {  // a module this code loaded with LoadLibrary
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};

struct LocalMemoryTraits {  // buffers that the system allocated with LocalAlloc
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::LocalFree(h); }
};

struct IconTraits {  // an icon loaded without LR_SHARED
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DestroyIcon(h); }
};

struct FindTraits {  // FindFirstFileW reports failure as INVALID_HANDLE_VALUE
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::ImageList_Destroy(h); }
};

struct BitmapTraits {  // a bitmap this code made or loaded without LR_SHARED
  using Handle = HBITMAP;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};

using UniqueHandle = ScopedHandle<KernelHandleTraits>;
using UniqueFile = ScopedHandle<FileHandleTraits>;
using UniqueModule = ScopedHandle<ModuleTraits>;
using UniqueRegKey = ScopedHandle<RegKeyTraits>;
using UniqueLocalMemory = ScopedHandle<LocalMemoryTraits>;
using UniqueIcon = ScopedHandle<IconTraits>;
using UniqueImageList = ScopedHandle<ImageListTraits>;
using UniqueFindHandle = ScopedHandle<FindTraits>;
using UniqueBitmap = ScopedHandle<BitmapTraits>;

// A window's device context (GetDC), released to that window, with the
// font selected into it for the time of the owner put back first.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (!dc_) return;
    if (previousFont_) ::SelectObject(dc_, previousFont_);
    ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  // Selects `font` until the owner ends (once; a second call keeps the
  // first previous font to put back).
  void SelectFont(HFONT font) noexcept {
    const HGDIOBJ previous = ::SelectObject(dc_, font);
    if (!previousFont_) previousFont_ = previous;
  }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ previousFont_ = nullptr;
};

}  // namespace qw
