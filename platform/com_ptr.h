#pragma once
// Owners for COM: an interface pointer (released in the destructor), memory
// that COM or the shell allocated for the caller (freed with CoTaskMemFree),
// and the thread's COM initialisation. Only what the installer's shell calls
// need; not general smart pointers.

#include <objbase.h>

#include <utility>

#include "platform/handles.h"

namespace qw {

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // For out-parameters of CoCreateInstance and QueryInterface.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  void reset() noexcept {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

  template <typename U>
  HRESULT As(ComPtr<U>& out) const noexcept {
    return p_ ? p_->QueryInterface(__uuidof(U), out.put_void()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

// Paths and item id lists that the shell hands out (SHGetKnownFolderPath,
// SHGetSpecialFolderLocation, SHBrowseForFolder).
template <typename T>
struct CoTaskMemTraits {
  using Handle = T*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::CoTaskMemFree(h); }
};
template <typename T>
using UniqueCoTaskMem = ScopedHandle<CoTaskMemTraits<T>>;

// Balances CoInitializeEx with CoUninitialize when the call succeeded.
class ComInitialization {
 public:
  explicit ComInitialization(DWORD model = COINIT_APARTMENTTHREADED) noexcept
      : hr_(::CoInitializeEx(nullptr, model)) {}
  ~ComInitialization() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComInitialization(const ComInitialization&) = delete;
  ComInitialization& operator=(const ComInitialization&) = delete;
  HRESULT result() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace qw
