#pragma once
// The sample files' source of variety: a small deterministic generator
// seeded from a file's name, so that every build writes the same bytes on
// every machine. Not a random number generator for anything else.

#include <cstdint>
#include <string>

namespace qw::sample {

class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}

  // The seed of a file: FNV-1a of its name, so renaming a file changes its
  // content but adding another file does not.
  static std::uint64_t SeedOf(const std::string& name) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (unsigned char c : name) hash = (hash ^ c) * 0x100000001B3ull;
    return hash;
  }

  std::uint32_t Next() {
    // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<std::uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
  }
  unsigned char Byte() { return static_cast<unsigned char>(Next() >> 24); }
  // A number in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<std::uint32_t>(high - low + 1));
  }
  template <typename T, std::size_t N>
  const T& Pick(const T (&choices)[N]) {
    return choices[Next() % N];
  }

 private:
  std::uint64_t state_;
};

}  // namespace qw::sample
