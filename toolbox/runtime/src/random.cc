#include <array>
#include <cstddef>
#include <cstdint>

#include "qor/runtime.h"

namespace qor {

namespace {

// MT19937 parameters.
constexpr std::size_t kStateWords = 624;                   // n
constexpr std::size_t kMiddleWord = 397;                   // m
constexpr std::uint32_t kTwistMatrix = 0x9908B0DFu;        // a
constexpr std::uint32_t kUpperBit = 0x80000000u;
constexpr std::uint32_t kLowerBits = 0x7FFFFFFFu;
constexpr std::uint32_t kSeedMultiplier = 1812433253u;     // f
constexpr int kSeedShift = 30;                             // w - 2
constexpr std::uint32_t kDefaultSeed = 5489u;
constexpr int kTemperU = 11;
constexpr int kTemperS = 7;
constexpr std::uint32_t kTemperB = 0x9D2C5680u;
constexpr int kTemperT = 15;
constexpr std::uint32_t kTemperC = 0xEFC60000u;
constexpr int kTemperL = 18;

// Index value of a generator that has never been seeded; kStateWords means
// "seeded, every word handed out".
constexpr std::size_t kUnseeded = kStateWords + 1;

// One per process, in static storage; the main thread owns it.
std::array<std::uint32_t, kStateWords> words;
std::size_t wordIndex = kUnseeded;

std::uint32_t twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t middle) {
  std::uint32_t mixed = (upper & kUpperBit) | (lower & kLowerBits);
  return middle ^ (mixed >> 1) ^ ((mixed & 1u) ? kTwistMatrix : 0u);
}

// Regenerates all words. Three loops so that no index needs a modulo: the
// first words read their "middle" word ahead, the later ones wrap to the
// words already regenerated.
void regenerate() {
  std::size_t i = 0;
  for (; i < kStateWords - kMiddleWord; ++i) words[i] = twist(words[i], words[i + 1], words[i + kMiddleWord]);
  for (; i < kStateWords - 1; ++i)
    words[i] = twist(words[i], words[i + 1], words[i + kMiddleWord - kStateWords]);
  words[kStateWords - 1] = twist(words[kStateWords - 1], words[0], words[kMiddleWord - 1]);
  wordIndex = 0;
}

}  // namespace

void super_random_init(std::uint32_t seed) {
  words[0] = seed;
  for (std::size_t i = 1; i < kStateWords; ++i) {
    std::uint32_t previous = words[i - 1];
    words[i] = kSeedMultiplier * (previous ^ (previous >> kSeedShift)) + static_cast<std::uint32_t>(i);
  }
  wordIndex = kStateWords;
}

std::uint32_t super_random() {
  if (wordIndex >= kStateWords) {
    if (wordIndex == kUnseeded) super_random_init(kDefaultSeed);
    regenerate();
  }
  std::uint32_t y = words[wordIndex++];
  y ^= y >> kTemperU;
  y ^= (y << kTemperS) & kTemperB;
  y ^= (y << kTemperT) & kTemperC;
  y ^= y >> kTemperL;
  return y;
}

}  // namespace qor
