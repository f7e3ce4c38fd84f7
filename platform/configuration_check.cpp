#include "platform/configuration_check.h"

#include <windows.h>

namespace qw {

namespace {
bool g_passed = false;
}

const wchar_t kIncompatibleConfigurationText[] =
    L"This Version is not compatible with your Configuration.\n\n"
    L"Cette version n'est pas compatible avec votre configuration.\n\n"
    L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.";

void ConfigurationCheck() {
  ConfigurationCheck(::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0);
}

void ConfigurationCheck(bool sse2Present) {
  if (sse2Present) {
    g_passed = true;
    return;
  }
  ::MessageBoxW(nullptr, kIncompatibleConfigurationText, nullptr, MB_ICONERROR);
  ::ExitProcess(1);
}

bool ConfigurationCheckPassed() { return g_passed; }

}  // namespace qw
