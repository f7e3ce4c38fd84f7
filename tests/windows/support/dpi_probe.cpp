// Exits with the DPI that the system gave it: GetDeviceCaps(LOGPIXELSX) of
// the screen once it has declared itself DPI-aware, as the installer does
// through its manifest. For the display-scale probe (display_scale.h);
// none of the installer's code.
#include <windows.h>

int main() {
  ::SetProcessDPIAware();
  HDC screen = ::GetDC(nullptr);
  if (!screen) return 0;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}
