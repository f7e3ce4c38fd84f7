#include "ui/display_scale.h"

namespace qw {

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return kDesignDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace qw
