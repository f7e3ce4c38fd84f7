#include "app/product_identity.h"

#include <stdexcept>

namespace qw {

std::wstring ProductKeyFor(std::uint32_t id) {
  if (id == 0) throw std::logic_error("logic error");
  if (id == 258) return L"Varnel 2";
  if (id <= 516) return L"Varnel 3";
  if (id == 517) return L"Pellam 5";
  if (id == 518) return L"Pellam 6";
  if (id <= 773) throw std::logic_error("logic error");
  if (id == 774) return L"Meridel 6";
  if (id == 775) return L"Meridel 7";
  if (id == 1030) return L"Orvent 6";
  if (id <= 1282) return L"Orvent 7";
  if (id == 1283) throw std::logic_error("logic error");
  if (id == 1284) return L"Dastry 4";
  return L"Ebrun";
}

}  // namespace qw
