#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "qor/headless/toolkit.h"
#include "qor/testing/recorders.h"

namespace qor {
namespace {

using fixtures::RecordingTarget;

std::vector<std::string> pendingSelectors(const HeadlessToolkit& toolkit) {
  std::vector<std::string> out;
  for (const auto& request : toolkit.pendingRequests()) out.push_back(request.selector);
  return out;
}

TEST(RunLoop, RunsWhatIsDueInDueOrderThenRequestOrder) {
  HeadlessToolkit toolkit;
  RecordingTarget a, b;
  toolkit.performAfterDelay(a, "late", 0.3);
  toolkit.performAfterDelay(a, "first", 0.1);
  toolkit.performAfterDelay(b, "second", 0.1);
  toolkit.performAfterDelay(a, "immediate", -5);  // a negative delay counts as 0
  EXPECT_EQ(pendingSelectors(toolkit), (std::vector<std::string>{"immediate", "first", "second", "late"}));

  EXPECT_EQ(toolkit.advance(0.1), 3u);
  EXPECT_EQ(a.selectors(), (std::vector<std::string>{"immediate", "first"}));
  EXPECT_EQ(b.selectors(), std::vector<std::string>{"second"});
  EXPECT_EQ(a.received[0].sender, nullptr);
  ASSERT_EQ(toolkit.pendingRequests().size(), 1u);
  EXPECT_DOUBLE_EQ(toolkit.pendingRequests()[0].dueTime, 0.3);
  EXPECT_DOUBLE_EQ(toolkit.now(), 0.1);
}

// A target that makes further requests when it runs.
class ChainTarget : public ActionTarget {
 public:
  explicit ChainTarget(HeadlessToolkit& toolkit) : toolkit_(toolkit) {}
  void performAction(const std::string& selector, Sender*) override {
    ran.push_back(selector);
    if (selector == "step1") {
      toolkit_.performAfterDelay(*this, "step2", 0.05);
      toolkit_.performAfterDelay(*this, "step3", 0.5);
    }
  }
  std::vector<std::string> ran;

 private:
  HeadlessToolkit& toolkit_;
};

TEST(RunLoop, RequestsMadeWhileRunningCountFromTheRunningRequestsDueTime) {
  HeadlessToolkit toolkit;
  ChainTarget chain(toolkit);
  toolkit.performAfterDelay(chain, "step1", 0.02);
  // step1 runs at 0.02: step2 falls due at 0.07, inside the window; step3 at 0.52.
  EXPECT_EQ(toolkit.advance(0.1), 2u);
  EXPECT_EQ(chain.ran, (std::vector<std::string>{"step1", "step2"}));
  ASSERT_EQ(toolkit.pendingRequests().size(), 1u);
  EXPECT_DOUBLE_EQ(toolkit.pendingRequests()[0].dueTime, 0.52);
}

// The clock counts whole microseconds, so steps add up exactly.
TEST(RunLoop, ClockStepsAddUpExactly) {
  struct Case {
    std::vector<double> steps;
    std::size_t ran;
  };
  const Case cases[] = {
      {{0.05, 0.05}, 1},            // 50000 + 50000 us = 100000 us: due
      {{0.1 / 3, 0.1 / 3, 0.1 / 3}, 0},  // 33333 us x 3 = 99999 us: 1 us short
      {{0.0999}, 0},
      {{0.1}, 1},
  };
  for (const auto& c : cases) {
    HeadlessToolkit toolkit;
    RecordingTarget target;
    toolkit.performAfterDelay(target, "reloadOutlines", 0.1);
    std::size_t ran = 0;
    for (double step : c.steps) ran += toolkit.advance(step);
    EXPECT_EQ(ran, c.ran) << c.steps.size() << " steps of " << c.steps[0];
  }
}

}  // namespace
}  // namespace qor
