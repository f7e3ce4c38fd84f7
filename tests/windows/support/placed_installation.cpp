#include "placed_installation.h"

namespace qw::test {

namespace {
const wchar_t kMakerKey[] = L"Software\\Quillon Works";
const wchar_t kPathValue[] = L"Meridel 6 Path";
}  // namespace

PlacedInstallation::PlacedInstallation(const std::wstring& program)
    : path_(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue) {
  if (program.empty()) {
    DeleteRegistryValue(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue);
    ok_ = true;
  } else {
    ok_ = SetRegistryString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, program);
  }
}

}  // namespace qw::test
