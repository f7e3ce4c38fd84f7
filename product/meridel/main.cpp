// Meridel.exe's entry. The command line is not read yet: every start shows
// the window.

#include <windows.h>

#include "product/meridel/meridel_program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  return qw::meridel::RunMeridel(instance, show);
}
