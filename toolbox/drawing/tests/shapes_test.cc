#include "qor/shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "path_matchers.h"
#include "qor/headless/graphics_context.h"

namespace qor {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(PointsOfRect, NineNamedPointsWithYUpward) {
  const Rect r{{0, 0}, {10, 20}};
  const Rect shifted{{-3, 1.5f}, {5, 7}};
  struct Case {
    Point (*function)(Rect);
    Point of10x20, ofShifted;
  } cases[] = {
      {bottomLeftOfRect, {0, 0}, {-3, 1.5f}},
      {bottomCenterOfRect, {5, 0}, {-0.5f, 1.5f}},  // -3 + 0.5 × 5
      {bottomRightOfRect, {10, 0}, {2, 1.5f}},
      {leftCenterOfRect, {0, 10}, {-3, 5}},         // 1.5 + 0.5 × 7
      {centerOfRect, {5, 10}, {-0.5f, 5}},
      {rightCenterOfRect, {10, 10}, {2, 5}},
      {topLeftOfRect, {0, 20}, {-3, 8.5f}},         // 1.5 + 7
      {topCenterOfRect, {5, 20}, {-0.5f, 8.5f}},
      {topRightOfRect, {10, 20}, {2, 8.5f}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.function(r), c.of10x20);
    EXPECT_EQ(c.function(shifted), c.ofShifted);
  }
  // Single precision: 16777216 + 0.5 × 3 rounds to 16777218 in float (1.5 is lost to rounding).
  EXPECT_EQ(centerOfRect({{16777216.0f, 0}, {3, 0}}).x, 16777218.0f);
}

TEST(BezierPathWithRoundRect, InsetClampAndStartPoint) {
  using P = BezierPath;
  // (0, 0, 22, 12) radius 100: inset (1, 1, 20, 10), r = min(100, 0.5 × min(20, 10)) = 5,
  // start at (1 + 0.5 × 20, 11) = (11, 11)
  const BezierPath clamped = bezierPathWithRoundRect({{0, 0}, {22, 12}}, 100);
  const std::vector<P::Element> expected{
      P::MoveTo{{11, 11}},
      P::ArcFromPoint{{1, 11}, {1, 1}, 5}, P::ArcFromPoint{{1, 1}, {21, 1}, 5},
      P::ArcFromPoint{{21, 1}, {21, 11}, 5}, P::ArcFromPoint{{21, 11}, {1, 11}, 5}, P::ClosePath{}};
  EXPECT_EQ(clamped.elements(), expected);
  // The corners resolve to quarter turns: first arc centred (6, 6) from 90° to 180°.
  const auto resolved = resolveBezierPath(clamped).elements;
  const auto first = std::find_if(resolved.begin(), resolved.end(),
                                  [](const auto& e) { return std::holds_alternative<ResolvedPath::ArcSweep>(e); });
  ASSERT_NE(first, resolved.end());
  expectPoint(std::get<ResolvedPath::ArcSweep>(*first).center, {6, 6});
  EXPECT_FLOAT_EQ(std::get<ResolvedPath::ArcSweep>(*first).sweep, 90);

  struct Case {
    Rect rect;
    float radius;
    std::vector<P::Element> elements;
  } cases[] = {
      {{{0, 0}, {2, 10}}, 3, {}},                                    // inset width 0: empty
      {{{0, 0}, {10, 1}}, 3, {}},                                    // inset height -1: empty
      {{{kNaN, 0}, {10, 10}}, 3, {P::MoveTo{{kNaN, 9}}}},            // checked below by count only
      {{{0, 0}, {kNaN, 10}}, 3, {}},
      {{{5, 5}, {10, 8}}, 0, {P::RectElement{{{6, 6}, {8, 6}}}}},    // (x + 1, y + 1, w - 2, h - 2)
      {{{5, 5}, {10, 8}}, -2, {P::RectElement{{{6, 6}, {8, 6}}}}},
      {{{5, 5}, {10, 8}}, kNaN, {P::RectElement{{{6, 6}, {8, 6}}}}},
  };
  for (const auto& c : cases) {
    const BezierPath path = bezierPathWithRoundRect(c.rect, c.radius);
    if (std::isnan(c.rect.origin.x)) {
      EXPECT_EQ(path.elements().size(), 6u);
      EXPECT_TRUE(resolveBezierPath(path).elements.size() <= 2u);
      continue;
    }
    EXPECT_EQ(path.elements(), c.elements);
  }
}

TEST(DrawCheckbox, BoxTickAndDash) {
  using Kind = RecordingGraphicsContext::Kind;
  for (const Antialiasing before : {Antialiasing::On, Antialiasing::Off}) {
    struct Case {
      std::int32_t state;
      std::vector<Point> mark;
      LineJoinStyle join;
    } cases[] = {
        {kCheckboxOff, {}, LineJoinStyle::Miter},
        // s = 16: (0.35 s, 0.4 s) = (5.6, 6.4), + (0.15 s, 0.25 s) = (8, 10.4), + (0.4 s, -0.6 s) = (14.4, 0.8),
        // the last y in float steps: 10.4f - 9.6f = 0.79999924
        {kCheckboxOn, {{5.6f, 6.4f}, {8, 10.4f}, {14.4f, 10.4f - 9.6f}}, LineJoinStyle::Round},
        // (0.3 s, 0.5 s) = (4.8, 8), + (0.4 s, 0) = (11.2, 8)
        {kCheckboxMixed, {{4.8f, 8}, {11.2f, 8}}, LineJoinStyle::Miter},
        {2, {}, LineJoinStyle::Miter},
    };
    for (const auto& c : cases) {
      RecordingGraphicsContext context(before);
      drawCheckbox(context, {0, 0}, 16, c.state);
      const auto& ops = context.operations();
      ASSERT_EQ(ops.size(), c.mark.empty() ? 1u : 2u);
      // box: from (0.2 s, 0.2 s) = (3.2, 3.2), side 0.6 s = 9.6; width s / 64 = 0.25
      const auto& box = ops[0];
      EXPECT_EQ(box.kind, Kind::Stroke);
      EXPECT_EQ(box.antialiasing, Antialiasing::Off);
      EXPECT_EQ(box.color, Color::blackColor());
      EXPECT_EQ(box.path.lineWidth(), 0.25f);
      EXPECT_EQ(box.path.lineJoinStyle(), LineJoinStyle::Round);
      expectPoints(pointsOf(box.path), {{3.2f, 3.2f}, {12.8f, 3.2f}, {12.8f, 12.8f}, {3.2f, 12.8f}, {3.2f, 3.2f}});
      EXPECT_TRUE(std::holds_alternative<BezierPath::ClosePath>(box.path.elements().back()));
      EXPECT_EQ(context.shouldAntialias(), before);
      if (c.mark.empty()) continue;
      // width s / 12 = 1.333..., with the context's own antialiasing
      EXPECT_FLOAT_EQ(ops[1].path.lineWidth(), 16.0f / 12.0f);
      EXPECT_EQ(ops[1].antialiasing, before);
      EXPECT_EQ(ops[1].path.lineJoinStyle(), c.join);
      expectPoints(pointsOf(ops[1].path), c.mark);
    }
  }
}

TEST(DrawCheckbox, FactorsInDoubleRoundedOnce) {
  // 0.2 × 0.1f in double is 0.0200000003; rounded to float that is 0.02f, while
  // the float product 0.2f × 0.1f is 0.0200000014 (one unit above).
  RecordingGraphicsContext context;
  drawCheckbox(context, {0, 0}, 0.1f, kCheckboxOff);
  const auto start = std::get<BezierPath::MoveTo>(context.operations()[0].path.elements()[0]).point;
  EXPECT_EQ(start.x, static_cast<float>(0.2 * double(0.1f)));
  // Hostile sizes draw without crashing.
  for (const float size : {kNaN, -16.0f, std::numeric_limits<float>::infinity()}) {
    RecordingGraphicsContext other;
    drawCheckbox(other, {0, 0}, size, kCheckboxOn);
    EXPECT_EQ(other.operations().size(), 2u);
  }
}

}  // namespace
}  // namespace qor
