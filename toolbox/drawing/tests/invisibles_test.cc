#include "qor/invisibles.h"

#include <gtest/gtest.h>

#include <limits>

#include "path_matchers.h"
#include "qor/headless/graphics_context.h"

namespace qor {
namespace {

using Kind = RecordingGraphicsContext::Kind;
constexpr Color kGrey{0.5f, 0.5f, 0.5f, 1};
constexpr Point kOrigin{100, 200};

struct Drawn {
  RecordingGraphicsContext context;
  const std::vector<RecordingGraphicsContext::Operation>& ops() const { return context.operations(); }
};

// Draws the marks of `text` laid out in `boxes` over `range`.
std::unique_ptr<Drawn> draw(const std::u16string& text, std::vector<Rect> boxes, TextRange range,
                            std::vector<std::optional<DrawingFont>> fonts = {}) {
  auto drawn = std::make_unique<Drawn>();
  const RecordingTextStorage storage(text, std::move(fonts));
  const RecordingLayoutManager layout(std::move(boxes));
  drawSpecialCharactersInString(drawn->context, storage, range, kOrigin, layout, kGrey);
  return drawn;
}

TEST(DrawSpecialCharactersInString, DotsForSpaces) {
  struct Case {
    char16_t character;
    float width;
    Rect dot;
  } cases[] = {
      // X = 100 + 10, Ymid = 200 + 4 + 0.5 × 16 = 212
      // W = 2.5: s = min(2, 3) = 2 at (110 + 0.25, 212 - 1): centred in the box
      {u' ', 2.5f, {{110.25f, 211}, {2, 2}}},
      // W = 10: s = min(8, 3) = 3 at (110 + 1, 212 - 4)
      {u'\u00A0', 10, {{111, 208}, {3, 3}}},
      // W = 3.75: s = 3, the largest dot still centred: (110 + 0.375, 212 - 1.5)
      {u' ', 3.75f, {{110.375f, 210.5f}, {3, 3}}},
  };
  for (const auto& c : cases) {
    const auto drawn = draw(std::u16string(1, c.character), {{{10, 4}, {c.width, 16}}}, {0, 1});
    ASSERT_EQ(drawn->ops().size(), 1u);
    const auto& op = drawn->ops()[0];
    EXPECT_EQ(op.kind, Kind::Fill);
    EXPECT_EQ(op.color, kGrey);
    ASSERT_EQ(op.path.elements().size(), 1u);
    const Rect dot = std::get<BezierPath::OvalElement>(op.path.elements()[0]).rect;
    expectPoint(dot.origin, c.dot.origin);
    EXPECT_FLOAT_EQ(dot.size.width, c.dot.size.width);
    EXPECT_FLOAT_EQ(dot.size.height, c.dot.size.height);
  }
}

TEST(DrawSpecialCharactersInString, IdeographicSpaceGetsAnUnderline) {
  // W = 20, X = 110, Ymid = 212: line from (110 + 2, 212 + 12), 16 long
  const auto drawn = draw(u"\u3000", {{{10, 4}, {20, 16}}}, {0, 1});
  ASSERT_EQ(drawn->ops().size(), 2u);
  EXPECT_EQ(drawn->ops()[1].kind, Kind::Stroke);
  EXPECT_FLOAT_EQ(drawn->ops()[1].path.lineWidth(), 1);
  expectSegments(segmentsOf(drawn->ops()[1].path), {{{112, 224}, {128, 224}}});
}

TEST(DrawSpecialCharactersInString, ArrowsForTabAndCarriageReturn) {
  // W = 40, X = 110, Ymid = 212
  struct Case {
    char16_t character;
    Segment shaft;
    std::vector<Point> head;
  } cases[] = {
      // shaft X + 4 to X + 36; head from the tip X + 36 back to X + 28, 6 tall
      {u'\t', {{114, 212}, {146, 212}}, {{146, 212}, {138, 209}, {138, 215}, {146, 212}}},
      {u'\r', {{146, 212}, {114, 212}}, {{114, 212}, {122, 209}, {122, 215}, {114, 212}}},
  };
  for (const auto& c : cases) {
    const auto drawn = draw(std::u16string(1, c.character), {{{10, 4}, {40, 16}}}, {0, 1});
    ASSERT_EQ(drawn->ops().size(), 2u);
    EXPECT_EQ(drawn->ops()[0].kind, Kind::Stroke);
    expectSegments(segmentsOf(drawn->ops()[0].path), {c.shaft});
    EXPECT_EQ(drawn->ops()[1].kind, Kind::Fill);
    expectPoints(pointsOf(drawn->ops()[1].path), c.head);
  }
}

TEST(DrawSpecialCharactersInString, LineBreakTextsAndTheTrailingEdgeRule) {
  const Rect letter{{0, 0}, {7, 16}}, feed{{40, 20}, {5, 16}}, feed2{{0, 40}, {5, 16}};
  const DrawingFont font12{"Serif", 12};
  struct Case {
    const char* name;
    std::u16string text;
    std::vector<Rect> boxes;
    std::vector<std::optional<DrawingFont>> fonts;
    TextRange range;
    std::vector<std::string> texts;
    std::vector<Point> points;
    float size;
  } cases[] = {
      // the break ends the range after "a": at the letter's trailing edge (100 + 0 + 7, 200 + 0)
      {"after a letter", u"a\n", {letter, feed}, {font12, font12}, {0, 2}, {"\u00B6"}, {{107, 200}}, 12},
      // not the last of the range: its own box (100 + 40, 200 + 20)
      {"not last", u"a\nb", {letter, feed, letter}, {}, {0, 3}, {"\u00B6"}, {{140, 220}}, 8},
      // two breaks at the end: the second follows a break, so its own box
      {"two at the end", u"a\n\n", {letter, feed, feed2}, {}, {0, 3}, {"\u00B6", "\u00B6"}, {{140, 220}, {100, 240}}, 8},
      // index 0 has no predecessor
      {"first character", u"\u2028", {feed}, {}, {0, 1}, {"\u21B5"}, {{140, 220}}, 8},
      // the range starts at the break: the letter before it still counts
      {"range of the break alone", u"a\u2028", {letter, feed}, {}, {1, 1}, {"\u21B5"}, {{107, 200}}, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto drawn = draw(c.text, c.boxes, c.range, c.fonts);
    ASSERT_EQ(drawn->ops().size(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
      const auto& op = drawn->ops()[i];
      EXPECT_EQ(op.kind, Kind::DrawString);
      EXPECT_EQ(op.text, c.texts[i]);
      expectPoint(op.point, c.points[i]);
      // the user's font at the character's size (8 when it has no font)
      EXPECT_EQ(op.font, (DrawingFont{RecordingGraphicsContext::kUserFontFamily, c.size}));
      EXPECT_EQ(op.color, kGrey);
    }
  }
}

TEST(DrawSpecialCharactersInString, RangesAreClampedAndOtherCharactersUnmarked) {
  const std::u16string text = u"a b\u2029\f\u200B ";  // marks only at 1 and 6
  const std::vector<Rect> boxes(text.size(), Rect{{0, 0}, {5, 10}});
  struct Case {
    TextRange range;
    std::size_t marks;
  } cases[] = {
      {{0, text.size()}, 2},
      {{0, 0}, 0},
      {{2, 1000}, 1},
      {{7, 1}, 0},
      {{1000, 5}, 0},
      {{1, std::numeric_limits<std::size_t>::max()}, 2},
      {{std::numeric_limits<std::size_t>::max(), 2}, 0},
  };
  for (const auto& c : cases) {
    const auto drawn = draw(text, boxes, c.range);
    EXPECT_EQ(drawn->ops().size(), c.marks) << c.range.location << "+" << c.range.length;
  }
  // Missing glyph boxes read as empty rectangles: still no crash.
  EXPECT_EQ(draw(u"\t\n ", {}, {0, 3})->ops().size(), 4u);
}

}  // namespace
}  // namespace qor
