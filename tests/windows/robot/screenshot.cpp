// Screenshots: the screen pixels under a window, written as PNG through the
// Windows Imaging Component.
#include <wincodec.h>

#include "installer_robot.h"
#include "platform/com_ptr.h"

namespace qw::test {

bool SaveScreenshot(HWND window, const std::wstring& pngPath) {
  // The client area: without a window manager (Xvfb) nothing draws the
  // frame and caption, which would come out black.
  RECT rect{};
  if (!::GetClientRect(window, &rect)) return false;
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (bitmap) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    copied = ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    ::SelectObject(memory, old);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!copied) {
    if (bitmap) ::DeleteObject(bitmap);
    return false;
  }
  // The screen has no alpha: make every pixel opaque.
  auto* pixels = static_cast<BYTE*>(bits);
  for (int i = 0; i < width * height; ++i) pixels[i * 4 + 3] = 0xFF;

  ComInitialization com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  const UINT stride = static_cast<UINT>(width) * 4;
  bool written =
      SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(factory.put()))) &&
      SUCCEEDED(factory->CreateStream(stream.put())) &&
      SUCCEEDED(stream->InitializeFromFilename(pngPath.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) &&
      SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(frame.put(), nullptr)) &&
      SUCCEEDED(frame->Initialize(nullptr)) &&
      SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
      SUCCEEDED(frame->SetPixelFormat(&format)) &&
      SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                   pixels)) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  ::DeleteObject(bitmap);
  return written;
}

}  // namespace qw::test
