#include "product/uninstaller/uninstall_notice.h"

#include <windows.h>

namespace qw::uninstaller {

int ShowUninstallNotice() {
  ::MessageBoxW(nullptr, kNoticeText, kNoticeCaption, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  return 0;
}

}  // namespace qw::uninstaller
