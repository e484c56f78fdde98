#include <gtest/gtest.h>

#include <limits>

#include "path_matchers.h"
#include "qor/ports/graphics_context.h"

namespace qor {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
using R = ResolvedPath;

TEST(BezierPath, ArcSweepFollowsTheAngleConvention) {
  struct Case {
    float start, end;
    ArcDirection direction;
    float sweep;
  } cases[] = {
      {0, 90, ArcDirection::Counterclockwise, 90},    // increasing angles
      {0, 90, ArcDirection::Clockwise, -270},         // decreasing: 0 -> -270 = 90
      {55, 215, ArcDirection::Clockwise, -200},       // through 0: 55 - 200 = -145 = 215
      {235, 35, ArcDirection::Clockwise, -200},       // through 180
      {350, 10, ArcDirection::Counterclockwise, 20},
      {0, 360, ArcDirection::Counterclockwise, 360},  // a full turn, not nothing
      {0, 720, ArcDirection::Clockwise, -360},
  };
  for (const auto& c : cases) {
    BezierPath path;
    path.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({0, 0}, 10, c.start, c.end, c.direction);
    const auto resolved = resolveBezierPath(path).elements;
    ASSERT_EQ(resolved.size(), 2u);
    ASSERT_TRUE(std::holds_alternative<R::Move>(resolved[0]));
    EXPECT_FLOAT_EQ(std::get<R::ArcSweep>(resolved[1]).sweep, c.sweep) << c.start << " -> " << c.end;
  }
  BezierPath still;
  still.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({0, 0}, 10, 30, 30, ArcDirection::Clockwise);
  EXPECT_EQ(resolveBezierPath(still).elements.size(), 1u);  // only the move to the start
}

TEST(BezierPath, ArcStartsASubPathAfterACloseAndJoinsAnOpenOne) {
  BezierPath path = BezierPath::bezierPathWithOvalInRect({{0, 0}, {20, 20}});
  path.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({10, 10}, 5, 0, 90, ArcDirection::Counterclockwise);
  path.closePath();
  path.moveToPoint({0, 0});
  path.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({10, 10}, 5, 90, 180, ArcDirection::Counterclockwise);
  const auto resolved = resolveBezierPath(path).elements;
  ASSERT_EQ(resolved.size(), 7u);
  EXPECT_TRUE(std::holds_alternative<R::Ellipse>(resolved[0]));
  expectPoint(std::get<R::Move>(resolved[1]).point, {15, 10});  // (10 + 5 cos 0, 10 + 5 sin 0)
  EXPECT_TRUE(std::holds_alternative<R::ArcSweep>(resolved[2]));
  EXPECT_TRUE(std::holds_alternative<R::Close>(resolved[3]));
  EXPECT_TRUE(std::holds_alternative<R::Move>(resolved[4]));
  expectPoint(std::get<R::Line>(resolved[5]).point, {10, 15});  // joined by a line to 90°
  EXPECT_TRUE(std::holds_alternative<R::ArcSweep>(resolved[6]));
}

TEST(BezierPath, ArcFromPointIsATangentCorner) {
  // From (11, 11) toward the corner (1, 11) and on to (1, 1), radius 5: tangent
  // points 5 from the corner, (6, 11) and (1, 6), centre (6, 6), a quarter turn
  // from 90° to 180°.
  BezierPath path;
  path.moveToPoint({11, 11});
  path.appendBezierPathWithArcFromPointToPointRadius({1, 11}, {1, 1}, 5);
  path.relativeLineToPoint({0, -5});
  const auto resolved = resolveBezierPath(path).elements;
  ASSERT_EQ(resolved.size(), 4u);
  expectPoint(std::get<R::Line>(resolved[1]).point, {6, 11});
  const auto arc = std::get<R::ArcSweep>(resolved[2]);
  expectPoint(arc.center, {6, 6});
  EXPECT_FLOAT_EQ(arc.radius, 5);
  EXPECT_FLOAT_EQ(arc.startAngle, 90);
  EXPECT_FLOAT_EQ(arc.sweep, 90);
  expectPoint(std::get<R::Line>(resolved[3]).point, {1, 1});  // the relative line goes on from (1, 6)

  BezierPath degenerate;
  degenerate.moveToPoint({0, 0});
  degenerate.appendBezierPathWithArcFromPointToPointRadius({5, 0}, {10, 0}, 2);  // collinear
  degenerate.appendBezierPathWithArcFromPointToPointRadius({5, 5}, {0, 5}, 0);   // no radius
  expectPoints(pointsOf(degenerate), {{0, 0}, {5, 0}, {5, 5}});
}

TEST(BezierPath, NonFiniteElementsAndDanglingRelativeLinesAreLeftOut) {
  BezierPath path;
  path.relativeLineToPoint({1, 1});  // no current point yet
  path.moveToPoint({kNaN, 0});
  path.moveToPoint({1, 2});
  path.lineToPoint({std::numeric_limits<float>::infinity(), 0});
  path.relativeLineToPoint({2, 2});
  path.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({0, 0}, kNaN, 0, 90, ArcDirection::Clockwise);
  path.appendBezierPathWithArcFromPointToPointRadius({kNaN, 1}, {1, 1}, 3);
  path.appendBezierPathWithOvalInRect({{0, 0}, {kNaN, 1}});
  path.appendBezierPathWithRect({{0, 0}, {1, kNaN}});
  expectPoints(pointsOf(path), {{1, 2}, {3, 4}});
}

TEST(BezierPath, DashPatternsAreKeptOnlyWhenTheyPaint) {
  struct Case {
    std::vector<float> pattern;
    float phase;
    std::vector<float> dash;
    float keptPhase;
  } cases[] = {
      {{2, 1}, 0.5f, {2, 1}, 0.5f},
      {{0, 3}, 0, {0, 3}, 0},
      {{}, 2, {}, 0},
      {{0, 0}, 0, {}, 0},
      {{1, -1}, 0, {}, 0},
      {{1, kNaN}, 0, {}, 0},
      {{1}, kNaN, {1}, 0},
  };
  for (const auto& c : cases) {
    BezierPath path;
    path.setLineDashCountPhase(std::vector<float>{3}, 1);
    path.setLineDashCountPhase(c.pattern, c.phase);
    EXPECT_EQ(path.lineDash(), c.dash);
    EXPECT_EQ(path.lineDashPhase(), c.keptPhase);
  }
}

TEST(Color, CalibratedComponentsClamp) {
  EXPECT_EQ(Color::colorWithCalibratedRedGreenBlueAlpha(0.8f, 0, 0, 0.5f), (Color{0.8f, 0, 0, 0.5f}));
  EXPECT_EQ(Color::colorWithCalibratedRedGreenBlueAlpha(-1, 2, kNaN, 1), (Color{0, 1, 0, 1}));
}

}  // namespace
}  // namespace qor
