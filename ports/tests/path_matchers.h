// Helpers for the drawing tests: paths as lists of absolute points, so a
// table can state the geometry it expects.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <variant>
#include <vector>

#include "qor/ports/graphics_context.h"

namespace qor {

inline std::ostream& operator<<(std::ostream& out, Point p) { return out << "(" << p.x << ", " << p.y << ")"; }

// The straight segments of `path` (move + line, and each further line), with
// relative lines made absolute.
struct Segment {
  Point from;
  Point to;
};

inline std::vector<Segment> segmentsOf(const BezierPath& path) {
  std::vector<Segment> segments;
  Point current;
  for (const auto& element : resolveBezierPath(path).elements) {
    if (const auto* move = std::get_if<ResolvedPath::Move>(&element)) current = move->point;
    if (const auto* line = std::get_if<ResolvedPath::Line>(&element)) {
      segments.push_back({current, line->point});
      current = line->point;
    }
  }
  return segments;
}

// The points a path visits, in order (moves and line ends).
inline std::vector<Point> pointsOf(const BezierPath& path) {
  std::vector<Point> points;
  for (const auto& element : resolveBezierPath(path).elements) {
    if (const auto* move = std::get_if<ResolvedPath::Move>(&element)) points.push_back(move->point);
    if (const auto* line = std::get_if<ResolvedPath::Line>(&element)) points.push_back(line->point);
  }
  return points;
}

inline void expectPoint(Point actual, Point expected) {
  EXPECT_FLOAT_EQ(actual.x, expected.x) << actual << " vs " << expected;
  EXPECT_FLOAT_EQ(actual.y, expected.y) << actual << " vs " << expected;
}

inline void expectSegments(const std::vector<Segment>& actual, const std::vector<Segment>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(i);
    expectPoint(actual[i].from, expected[i].from);
    expectPoint(actual[i].to, expected[i].to);
  }
}

inline void expectPoints(const std::vector<Point>& actual, const std::vector<Point>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(i);
    expectPoint(actual[i], expected[i]);
  }
}

}  // namespace qor
