#include "qor/borders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "path_matchers.h"
#include "qor/headless/graphics_context.h"

namespace qor {
namespace {

using Kind = RecordingGraphicsContext::Kind;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

DictionaryRef side(std::vector<Dictionary::Entry> entries) { return Dictionary::make(std::move(entries)); }
DictionaryRef single(double thickness) { return side({{"thickness", real(thickness)}, {"style", str("solid")}}); }
DictionaryRef twoLines(double thickness) { return side({{"thickness", real(thickness)}, {"style", str("double")}}); }

// x0 = 10, x1 = 50, y0 = 20, y1 = 50 unless a case says otherwise.
constexpr Rect kRect{{10, 20}, {40, 30}};

struct StrokeCase {
  const char* name;
  Rect rect;
  std::vector<Dictionary::Entry> border;
  // One list of segments and one width per stroke, in stroking order.
  std::vector<std::vector<Segment>> strokes;
  std::vector<float> widths;
};

TEST(DrawLinesAroundRect, CornerRulesAndDiagonals) {
  // d = 2 × 1 / 1.4142135623730951 = 1.41421356 (t × √2 for t = 1)
  const float d1 = static_cast<float>(2.0 / 1.4142135623730951);
  // d = 2 × 2 / √2 = 2.82842712 for t = 2
  const float d2 = static_cast<float>(4.0 / 1.4142135623730951);
  const StrokeCase cases[] = {
      {"top single, thickness 2: one line on the edge", kRect, {{"top", single(2)}},
       {{{{10, 20}, {50, 20}}}}, {2}},
      {"left double 2 moves the top's left end out to Lo = 10 - 2", kRect, {{"left", twoLines(2)}, {"top", single(1)}},
       // left: Lo = 8, Li = 12; vertical sides run between To = y0 and Bo = y1
       {{{{8, 20}, {8, 50}}, {{12, 20}, {12, 50}}}, {{{8, 20}, {50, 20}}}}, {2, 1}},
      {"top double 1 moves the left's top end up to To = 20 - 1", kRect, {{"top", twoLines(1)}, {"left", single(1)}},
       // top: To = 19, Ti = 21; the inner line runs between Li = x0 and Ri = x1
       {{{{10, 19}, {50, 19}}, {{10, 21}, {50, 21}}}, {{{10, 19}, {10, 50}}}}, {1, 1}},
      {"double right and bottom meet at the outer corner", kRect,
       {{"right", twoLines(3)}, {"bottom", twoLines(1)}},
       // right: Ro = 53, Ri = 47; bottom: Bo = 51, Bi = 49
       {{{{53, 20}, {53, 51}}, {{47, 20}, {47, 49}}}, {{{10, 51}, {53, 51}}, {{10, 49}, {47, 49}}}}, {3, 1}},
      {"'none' neither draws nor moves its neighbours", kRect,
       {{"left", side({{"style", str("none")}, {"thickness", real(5)}})}, {"top", single(1)}},
       {{{{10, 20}, {50, 20}}}}, {1}},
      {"an empty side is skipped", kRect, {{"left", side({})}}, {}, {}},
      {"unknown style draws one line; absent thickness is 1", kRect, {{"bottom", side({{"style", str("groove")}})}},
       {{{{10, 50}, {50, 50}}}}, {1}},
      {"right diagonal double 1 on 10 x 10", {{0, 0}, {10, 10}}, {{"right diagonal", twoLines(1)}},
       // (Li + d, Ti) to (Ri, Bi - d); (Li, Ti + d) to (Ri - d, Bi)
       {{{{d1, 0}, {10, 10 - d1}}, {{0, d1}, {10 - d1, 10}}}}, {1}},
      {"left diagonal double 2 between the inner corners of a double left 1", {{0, 0}, {10, 10}},
       {{"left", twoLines(1)}, {"left diagonal", twoLines(2)}},
       // Li = 1: (Ri - d, Ti) to (Li, Bi - d); (Ri, Ti + d) to (Li + d, Bi)
       {{{{-1, 0}, {-1, 10}}, {{1, 0}, {1, 10}}}, {{{10 - d2, 0}, {1, 10 - d2}}, {{10, d2}, {1 + d2, 10}}}}, {1, 2}},
      {"single diagonals run corner to corner", {{0, 0}, {10, 10}},
       {{"left diagonal", single(1)}, {"right diagonal", single(1)}},
       {{{{10, 0}, {0, 10}}}, {{{0, 0}, {10, 10}}}}, {1, 1}},
      {"keys outside the table draw nothing; sides come in dictionary order", kRect,
       {{"bottom", single(1)}, {"middle", single(4)}, {"top", single(1)}},
       {{{{10, 50}, {50, 50}}}, {{{10, 20}, {50, 20}}}}, {1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingGraphicsContext context;
    drawLinesAroundRect(context, c.rect, Dictionary::make(c.border), Antialiasing::On);
    ASSERT_EQ(context.operations().size(), c.strokes.size());
    for (std::size_t i = 0; i < c.strokes.size(); ++i) {
      const auto& op = context.operations()[i];
      EXPECT_EQ(op.kind, Kind::Stroke);
      EXPECT_FLOAT_EQ(op.path.lineWidth(), c.widths[i]);
      EXPECT_EQ(op.path.lineJoinStyle(), LineJoinStyle::Miter);
      expectSegments(segmentsOf(op.path), c.strokes[i]);
    }
  }
}

TEST(DrawLinesAroundRect, AntialiasingOffForStraightSidesOnlyAndRestoredAfterEach) {
  for (const Antialiasing before : {Antialiasing::On, Antialiasing::Off}) {
    RecordingGraphicsContext context(before);
    const auto border = Dictionary::make({{"top", single(1)}, {"right diagonal", single(1)}, {"left", single(1)}});
    drawLinesAroundRect(context, kRect, border, Antialiasing::Off);
    ASSERT_EQ(context.operations().size(), 3u);
    EXPECT_EQ(context.operations()[0].antialiasing, Antialiasing::Off);
    EXPECT_EQ(context.operations()[1].antialiasing, before);  // the diagonal keeps the context's setting
    EXPECT_EQ(context.operations()[2].antialiasing, Antialiasing::Off);
    EXPECT_EQ(context.shouldAntialias(), before);
  }
  RecordingGraphicsContext untouched(Antialiasing::Off);
  drawLinesAroundRect(untouched, kRect, Dictionary::make({{"top", single(1)}}), Antialiasing::On);
  EXPECT_TRUE(untouched.antialiasingSwitches().empty());
  drawLinesAroundRect(untouched, kRect, Dictionary::make(), Antialiasing::Off);
  EXPECT_TRUE(untouched.operations().size() == 1 && untouched.antialiasingSwitches().empty());
}

TEST(DrawLinesAroundRect, ColourAndDashPattern) {
  const auto ten = Array::make({real(1), real(2), real(3), real(4), real(5), real(6), real(7), real(8), real(9),
                                real(10)});
  struct Case {
    const char* name;
    Ref color;
    Ref dash;
    Color expectedColor;
    std::vector<float> expectedDash;
  } cases[] = {
      {"defaults: black, continuous", nullptr, nullptr, Color::blackColor(), {}},
      {"RGBA array", Array::make({real(0.25), real(0.5), real(0.75), real(0.5)}), nullptr, {0.25f, 0.5f, 0.75f, 0.5f}, {}},
      {"RGB array is opaque; components clamp", Array::make({real(2), real(-1), integer(1)}), nullptr, {1, 0, 1, 1}, {}},
      {"a colour of the wrong form is black", str("red"), nullptr, Color::blackColor(), {}},
      {"a NaN component is black", Array::make({real(kNaN), real(0), real(0)}), nullptr, Color::blackColor(), {}},
      {"dash as given", nullptr, Array::make({real(3), integer(1)}), Color::blackColor(), {3, 1}},
      {"more than nine lengths keep the first nine", nullptr, ten, Color::blackColor(), {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"a negative length: continuous", nullptr, Array::make({real(3), real(-1)}), Color::blackColor(), {}},
      {"all zeros: continuous", nullptr, Array::make({real(0), real(0)}), Color::blackColor(), {}},
      {"a zero among others stays", nullptr, Array::make({real(0), real(2)}), Color::blackColor(), {0, 2}},
      {"infinite: continuous", nullptr, Array::make({real(kInfinity)}), Color::blackColor(), {}},
      {"a string inside: continuous", nullptr, Array::make({real(1), str("x")}), Color::blackColor(), {}},
      {"not an array: continuous", nullptr, real(4), Color::blackColor(), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto description = MutableDictionary::make({{"style", str("solid")}});
    description->setObjectForKey(c.color, "color");
    description->setObjectForKey(c.dash, "dash pattern");
    RecordingGraphicsContext context;
    drawLinesAroundRect(context, kRect, Dictionary::make({{"top", description}}), Antialiasing::On);
    ASSERT_EQ(context.operations().size(), 1u);
    EXPECT_EQ(context.operations()[0].color, c.expectedColor);
    EXPECT_EQ(context.operations()[0].path.lineDash(), c.expectedDash);
    EXPECT_EQ(context.operations()[0].path.lineDashPhase(), 0.0f);
  }
}

TEST(DrawLinesAroundRect, HostileDescriptionsDrawWhatCanBeReadAndNeverCrash) {
  RecordingGraphicsContext context;
  drawLinesAroundRect(context, kRect, nullptr, Antialiasing::Off);
  EXPECT_TRUE(context.operations().empty());
  const auto hostile = Dictionary::make({
      {"left", str("double")},                                            // not a dictionary: left out
      {"top", Array::make({real(1)})},                                    // likewise
      {"right", side({{"thickness", real(-3)}, {"style", str("double")}})},  // negative thickness: 1
      {"bottom", side({{"thickness", str("wide")}, {"style", integer(7)}})},  // wrong kinds: defaults
      {"right diagonal", side({{"thickness", real(kNaN)}})},
  });
  drawLinesAroundRect(context, kRect, hostile, Antialiasing::Off);
  ASSERT_EQ(context.operations().size(), 3u);
  EXPECT_FLOAT_EQ(context.operations()[0].path.lineWidth(), 1);
  // right: Ro = 50 + 1, Ri = 50 - 1; left and top are not double, so the ends stay on y0 and y1
  expectSegments(segmentsOf(context.operations()[0].path), {{{51, 20}, {51, 50}}, {{49, 20}, {49, 50}}});
  EXPECT_FLOAT_EQ(context.operations()[2].path.lineWidth(), 1);
  for (const Rect rect : {Rect{{kNaN, 0}, {10, 10}}, Rect{{0, 0}, {-10, kInfinity}}}) {
    RecordingGraphicsContext other;
    drawLinesAroundRect(other, rect, Dictionary::make({{"top", twoLines(2)}, {"left diagonal", twoLines(1)}}),
                        Antialiasing::Off);
    EXPECT_EQ(other.operations().size(), 2u);
  }
}

TEST(DrawBackgroundImageForLinesAroundRect, GuidesForNoneAndEmptySides) {
  const Rect square{{0, 0}, {20, 20}};
  RecordingGraphicsContext bordered;
  drawBackgroundImageForLinesAroundRect(bordered, square,
                                        Dictionary::make({{"top", single(1)}, {"left", twoLines(2)}}),
                                        MarkEmptySides::Yes);
  EXPECT_TRUE(bordered.operations().empty());

  RecordingGraphicsContext none(Antialiasing::On);
  drawBackgroundImageForLinesAroundRect(none, square, Dictionary::make({{"top", side({{"style", str("none")}})}}),
                                        MarkEmptySides::No);
  ASSERT_EQ(none.operations().size(), 1u);
  const auto& guide = none.operations()[0];
  EXPECT_EQ(guide.color, Color::blueColor());
  EXPECT_EQ(guide.antialiasing, Antialiasing::Off);
  EXPECT_EQ(guide.path.lineDash(), std::vector<float>{1});
  // a double line of thickness 1: To = 0 - 1, Ti = 0 + 1, from x0 to x1
  expectSegments(segmentsOf(guide.path), {{{0, -1}, {20, -1}}, {{0, 1}, {20, 1}}});
  EXPECT_EQ(none.shouldAntialias(), Antialiasing::On);

  RecordingGraphicsContext unmarked;
  drawBackgroundImageForLinesAroundRect(unmarked, square, Dictionary::make({{"left", side({})}}), MarkEmptySides::No);
  EXPECT_TRUE(unmarked.operations().empty());
}

TEST(DrawBackgroundImageForLinesAroundRect, ProhibitionSignOverAnEmptySide) {
  RecordingGraphicsContext context;
  const Rect rect{{10, 30}, {20, 20}};
  drawBackgroundImageForLinesAroundRect(context, rect, Dictionary::make({{"bottom", side({})}, {"top", str("x")}}),
                                        MarkEmptySides::Yes);
  ASSERT_EQ(context.operations().size(), 2u);
  const auto& line = context.operations()[0];
  EXPECT_EQ(line.color, Color::blackColor());
  EXPECT_TRUE(line.path.lineDash().empty());
  expectSegments(segmentsOf(line.path), {{{10, 50}, {30, 50}}});

  const auto& sign = context.operations()[1];
  EXPECT_EQ(sign.kind, Kind::Fill);
  EXPECT_EQ(sign.color, (Color{0.8f, 0, 0, 0.5f}));
  // centre (10 + 0.5 × 20, 30 + 0.5 × 20) = (20, 40); r = 0.1875 × (20 + 20) = 7.5
  const Point center{20, 40};
  using P = BezierPath;
  const std::vector<P::Element> expected{
      P::OvalElement{rect},
      P::Arc{center, 7.5f, 55, 215, ArcDirection::Clockwise}, P::ClosePath{},
      P::Arc{center, 7.5f, 235, 35, ArcDirection::Clockwise}, P::ClosePath{}};
  EXPECT_EQ(sign.path.elements(), expected);
  // Each arc sweeps 200° toward decreasing angles: 55 -> -145 (through 0), 235 -> 35 (through 180).
  std::vector<float> sweeps;
  for (const auto& element : resolveBezierPath(sign.path).elements) {
    if (const auto* arc = std::get_if<ResolvedPath::ArcSweep>(&element)) sweeps.push_back(arc->sweep);
  }
  EXPECT_EQ(sweeps, (std::vector<float>{-200, -200}));
}

TEST(DrawTileForColorInRect, TrianglesInOrderThenTheColour) {
  const Rect rect{{2, 4}, {10, 6}};
  struct Case {
    TileDiagonal diagonal;
    std::vector<Point> white, black;
  } cases[] = {
      // split from (x, y) to (x + w, y + h)
      {TileDiagonal::Falling, {{2, 4}, {12, 4}, {12, 10}}, {{2, 4}, {12, 10}, {2, 10}}},
      // split from (x + w, y) to (x, y + h)
      {TileDiagonal::Rising, {{12, 10}, {2, 10}, {12, 4}}, {{2, 4}, {12, 4}, {2, 10}}},
  };
  const Color half{0, 0.5f, 1, 0.5f};
  for (const auto& c : cases) {
    for (const std::optional<Color>& color : {std::optional<Color>{}, std::optional<Color>{half}}) {
      RecordingGraphicsContext context;
      drawTileForColorInRect(context, color, rect, c.diagonal);
      const auto& ops = context.operations();
      ASSERT_EQ(ops.size(), color ? 3u : 2u);
      EXPECT_EQ(ops[0].color, Color::whiteColor());
      expectPoints(pointsOf(ops[0].path), c.white);
      EXPECT_TRUE(std::holds_alternative<BezierPath::ClosePath>(ops[0].path.elements().back()));
      EXPECT_EQ(ops[1].color, Color::blackColor());
      expectPoints(pointsOf(ops[1].path), c.black);
      if (color) {
        EXPECT_EQ(ops[2].kind, Kind::Fill);  // painted over, not replaced
        EXPECT_EQ(ops[2].color, half);
        EXPECT_EQ(ops[2].path.elements(), BezierPath::bezierPathWithRect(rect).elements());
      }
    }
  }
}

TEST(DrawCheckerInRect, SquaresParityAndOverrun) {
  struct Case {
    const char* name;
    Rect rect;
    float size;
    std::vector<Point> squares;
  } cases[] = {
      {"40 x 20 by 10", {{0, 0}, {40, 20}}, 10, {{0, 0}, {20, 0}, {10, 10}, {30, 10}}},
      {"25 x 10 overruns to x = 30", {{0, 0}, {25, 10}}, 10, {{0, 0}, {20, 0}}},
      // row tops -10 and 0: trunc(-10 / 10) = -1, remainder -1, so that row starts at x - 10
      // (and, the next column being at x + 20 = maxX, has only that square)
      {"negative odd row starts left of x", {{0, -10}, {20, 20}}, 10, {{-10, -10}, {0, 0}}},
      // row tops 5 and 15: trunc(0.5) = 0, trunc(1.5) = 1
      {"parity from the row top's quotient", {{0, 5}, {20, 20}}, 10, {{0, 5}, {10, 15}}},
      {"zero size: background only", {{0, 0}, {40, 20}}, 0, {}},
      {"negative size: background only", {{0, 0}, {40, 20}}, -5, {}},
      {"NaN size: background only", {{0, 0}, {40, 20}}, kNaN, {}},
      {"NaN rect: background only", {{kNaN, 0}, {40, 20}}, 10, {}},
      {"infinite rect: background only", {{0, 0}, {kInfinity, 20}}, 10, {}},
      {"negative width: no squares", {{0, 0}, {-40, 20}}, 10, {}},
      {"a billion squares: background only", {{0, 0}, {1e6f, 1e6f}}, 0.03125f, {}},
  };
  const Color background{1, 1, 1, 1}, checker{0.5f, 0.5f, 0.5f, 1};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingGraphicsContext context;
    drawCheckerInRect(context, c.rect, c.size, background, checker);
    const auto& ops = context.operations();
    ASSERT_EQ(ops.size(), c.squares.size() + 1);
    EXPECT_EQ(ops[0].kind, Kind::RectFill);
    if (!std::isnan(c.rect.origin.x)) {
      EXPECT_EQ(ops[0].rect, c.rect);
    }
    EXPECT_EQ(ops[0].color, background);
    for (std::size_t i = 0; i < c.squares.size(); ++i) {
      EXPECT_EQ(ops[i + 1].kind, Kind::RectFill);
      EXPECT_EQ(ops[i + 1].color, checker);
      EXPECT_EQ(ops[i + 1].rect, (Rect{c.squares[i], {c.size, c.size}}));
    }
  }
}

TEST(ColorPropertyList, RoundTrip) {
  const Color color{0.125f, 0.25f, 1, 0.5f};
  EXPECT_EQ(colorFromPropertyList(propertyListFromColor(color)), color);
  EXPECT_EQ(colorFromPropertyList(Array::make({real(1), real(1)})), std::nullopt);
  EXPECT_EQ(colorFromPropertyList(nullptr), std::nullopt);
}

}  // namespace
}  // namespace qor
