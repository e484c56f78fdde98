#include "qor/runtime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "qor/seams/system_version.h"

namespace qor {
namespace {

// Three regenerations of the 624-word state and a little more.
constexpr int kOutputsAcrossRegenerations = 3 * 624 + 5;

TEST(SuperRandomDeathTest, UnseededGeneratorStartsWithTheDefaultSeedSequence) {
  // "threadsafe" re-executes the binary, so the child's generator is untouched
  // whatever tests ran before in this process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::uint32_t first = super_random();
        std::uint32_t second = super_random();
        std::uint32_t third = super_random();
        std::fprintf(stderr, "%u %u %u", first, second, third);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "3499211612 581869302 3890346734");
}

// Each seed after the first is set mid-block, where the last one stopped;
// std::mt19937 is the oracle (5489 is its default seed).
TEST(SuperRandomTest, MatchesStdMt19937ForEverySeed) {
  for (std::uint32_t seed : {0u, 1u, 42u, 5489u, 0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(seed);
    std::mt19937 oracle(seed);
    super_random_init(seed);
    for (int i = 0; i < kOutputsAcrossRegenerations; ++i) ASSERT_EQ(super_random(), oracle()) << "output " << i;
  }
}

TEST(MicrosecondTest, AgreesWithTheSystemClock) {
  double before = microsecond();
  double after = microsecond();
  double clock = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_GE(after, before);
  EXPECT_LT(after - before, 1.0);
  EXPECT_NEAR(after, clock, 1.0);
}

TEST(PackSystemVersionTest, Table) {
  struct Case {
    const char* release;
    std::int32_t packed;
  };
  const Case cases[] = {
      {"10.4.8", 0x1048}, {"10.5", 0x1050}, {"6.1.0-18-amd64", 0x610}, {"6.9.5", 0x695},
      {"6.9.12", 0x699},             // patch clamps to 9
      {"5.15.0-91-generic", 0x599},  // minor clamps, and patch with it
      {"4.19", 0x499}, {"6", 0x600}, {"6.", 0x600},
      {"6.x.1", 0x600},  // numbers end at the first non-digit
      {"6..1", 0x600}, {"10.4.8.3", 0x1048}, {"123.4.5", 0x12345},
      {"1234567.1.1", 0x9999911},  // major clamps to 99999
      {"99999999999999999999.1", 0x9999910},
      {"0.0.0", 0}, {"", 0}, {"abc", 0}, {"-6.1", 0}, {" 6.1", 0}, {"v6.1", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(packSystemVersion(c.release), c.packed) << c.release;
}

TEST(PackSystemVersionTest, LaterReleasesNeverPackLower) {
  const char* ascending[] = {"2.6.32", "3.0", "3.2.9", "3.10.1", "4.9", "4.19.5", "5.4", "5.10",
                             "6.1.0",  "6.1.9", "6.9.5", "6.9.12", "6.10.0", "6.12.3", "7.0", "10.4.8",
                             "10.5",   "10.15.7", "11.0"};
  for (std::size_t i = 1; i < std::size(ascending); ++i)
    EXPECT_LE(packSystemVersion(ascending[i - 1]), packSystemVersion(ascending[i]))
        << ascending[i - 1] << " vs " << ascending[i];
}

class FixedRelease final : public SystemVersionSource {
 public:
  explicit FixedRelease(std::optional<std::string> text) : text_(std::move(text)) {}
  [[nodiscard]] std::optional<std::string> releaseText() const override { return text_; }

 private:
  std::optional<std::string> text_;
};

class GetOSVersionTest : public testing::Test {
 protected:
  void TearDown() override { setSystemVersionSource(nullptr); }
};

TEST_F(GetOSVersionTest, ReadsTheInjectedSourceAndGivesZeroWithoutAnAnswer) {
  const std::pair<std::optional<std::string>, std::int32_t> cases[] = {
      {"10.5", 0x1050}, {"10.4.8", 0x1048}, {std::nullopt, 0}, {"unknown", 0}};
  for (const auto& [release, packed] : cases) {
    setSystemVersionSource(std::make_shared<FixedRelease>(release));
    EXPECT_EQ(getOSVersion(), packed) << release.value_or("(none)");
  }
}

TEST_F(GetOSVersionTest, NullSourceRestoresTheRunningSystem) {
  setSystemVersionSource(std::make_shared<FixedRelease>("10.5"));
  setSystemVersionSource(nullptr);
  auto release = SystemVersionSource::real().releaseText();
  ASSERT_TRUE(release.has_value());
  EXPECT_EQ(getOSVersion(), packSystemVersion(*release));
  EXPECT_GT(getOSVersion(), 0) << *release;
}

TEST(PointerLow32Test, KeepsTheLowWordAsSigned) {
  EXPECT_EQ(pointerLow32(nullptr), 0);
  // 0x87654321 has its top bit set: as signed 32-bit it is 0x87654321 - 2^32.
  constexpr std::int64_t kLowWordAsSigned = 0x87654321LL - 0x100000000LL;
  auto* pointer = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x1234567887654321ULL));
  EXPECT_EQ(pointerLow32(pointer), kLowWordAsSigned);
  auto* small = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x7FFFFFFF));
  EXPECT_EQ(pointerLow32(small), 0x7FFFFFFF);
}

TEST(DebugLogTest, AcceptsAnyArguments) {
  auto owned = std::make_unique<int>(1);
  DebugLog1();
  DebugLog2("%s %d", "text", 2, owned);
  DebugLog3(std::string("x"), 3.5, nullptr);
  EXPECT_EQ(*owned, 1);
}

}  // namespace
}  // namespace qor
