#include "product/meridel/meridel_program.h"

#include "platform/maker_library.h"
#include "product/meridel/main_window.h"
#include "product/meridel/product_texts.h"

namespace qw::meridel {

int RunMeridel(HINSTANCE instance, int show) {
  // The maker's library registers this process with the instance counter
  // named after the "ApplicationId" of the version resource, and takes the
  // unit back when the process exits.
  if (InitializeMakerLibrary()) {
    ::MessageBoxW(nullptr, L"Initialization Error", nullptr, MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    return kInitializationFailedExitCode;
  }
  MainWindow window(LoadProductTexts());
  if (!window.Create(instance, show)) return static_cast<int>(::GetLastError());
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace qw::meridel
