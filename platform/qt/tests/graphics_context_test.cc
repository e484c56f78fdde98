// The Qt graphics context, pixel by pixel, on the offscreen platform. Where
// the drawing functions put their strokes and fills is theirs to test, on
// the recording context; here, how Qt paints what it is given.
#include "qor/qt/graphics_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include <QFontMetricsF>
#include <QImage>
#include <QTextCursor>
#include <QTextLayout>

#include "qor/borders.h"
#include "qor/shapes.h"

namespace qor {
namespace {

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;
constexpr Color kGrey{0.5f, 0.5f, 0.5f, 1};

// A white image drawn on through a Qt context with antialiasing as given.
QImage paint(int width, int height, Antialiasing antialiasing, const std::function<void(GraphicsContext&)>& draw) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(kWhite);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, antialiasing == Antialiasing::On);
  QtGraphicsContext context(painter);
  draw(context);
  return image;
}

TEST(QtGraphicsContext, AntialiasingAfterEveryCallEqualsBefore) {
  const auto sides = Dictionary::make({{"top", Dictionary::make({{"style", str("double")}})},
                                       {"left diagonal", Dictionary::make({{"thickness", real(2)}})},
                                       {"bottom", Dictionary::make({{"style", str("none")}})},
                                       {"right", Dictionary::make()}});
  const std::function<void(GraphicsContext&)> calls[] = {
      [&](GraphicsContext& c) { drawLinesAroundRect(c, {{5, 5}, {30, 30}}, sides, Antialiasing::Off); },
      [&](GraphicsContext& c) { drawLinesAroundRect(c, {{5, 5}, {30, 30}}, sides, Antialiasing::On); },
      [&](GraphicsContext& c) { drawBackgroundImageForLinesAroundRect(c, {{5, 5}, {30, 30}}, sides, MarkEmptySides::Yes); },
      [&](GraphicsContext& c) { drawTileForColorInRect(c, kGrey, {{5, 5}, {30, 30}}, TileDiagonal::Rising); },
      [&](GraphicsContext& c) { drawCheckerInRect(c, {{5, 5}, {30, 30}}, 4, kGrey, Color::whiteColor()); },
      [&](GraphicsContext& c) { drawCheckbox(c, {5, 5}, 30, kCheckboxOn); },
      [&](GraphicsContext& c) { drawCheckbox(c, {5, 5}, 30, kCheckboxMixed); },
  };
  for (const Antialiasing before : {Antialiasing::On, Antialiasing::Off}) {
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QtGraphicsContext context(painter);
    context.setShouldAntialias(before);
    for (const auto& call : calls) {
      call(context);
      EXPECT_EQ(context.shouldAntialias(), before);
      EXPECT_EQ(painter.testRenderHint(QPainter::Antialiasing), before == Antialiasing::On);
    }
  }
}

TEST(QtGraphicsContext, RectFillReplacesAndFillPaintsOver) {
  const Color half{1, 0, 0, 0.5f};
  const QImage image = paint(20, 10, Antialiasing::Off, [&](GraphicsContext& context) {
    context.setColor(half);
    context.rectFill({{0, 0}, {10, 10}});
    context.fill(BezierPath::bezierPathWithRect({{10, 0}, {10, 10}}));
  });
  EXPECT_EQ(qAlpha(image.pixel(5, 5)), 0x80);    // replaced: half-transparent red
  EXPECT_EQ(image.pixel(15, 5), 0xffff7f7fu);    // painted over white: pink, opaque
}

TEST(QtGraphicsContext, DashesAreMeasuredInPoints) {
  // width 3, pattern (4, 2): painted x 0-3, gap 4-5, painted 6-9 ...; an odd
  // pattern (2) repeats as (2, 2)
  struct Case {
    std::vector<float> pattern;
    float width;
    std::vector<int> painted, blank;
  } cases[] = {
      {{4, 2}, 3, {0, 3, 6, 9}, {4, 5, 10, 11}},
      {{2}, 1, {0, 1, 4, 5}, {2, 3, 6, 7}},
  };
  for (const auto& c : cases) {
    const QImage image = paint(20, 10, Antialiasing::Off, [&](GraphicsContext& context) {
      BezierPath line;
      line.moveToPoint({0, 5});
      line.lineToPoint({20, 5});
      line.setLineWidth(c.width);
      line.setLineDashCountPhase(c.pattern, 0);
      context.stroke(line);
    });
    for (const int x : c.painted) EXPECT_EQ(image.pixel(x, 5), kBlack) << x;
    for (const int x : c.blank) EXPECT_EQ(image.pixel(x, 5), kWhite) << x;
  }
}

TEST(QtGraphicsContext, HairlineDashesAreMeasuredInPointsAtEveryScale) {
  // A hairline dashed (4, 4) from x = 0 in a view scaled s: painted device
  // pixels [0, 4s), blank [4s, 8s), painted again from 8s. Sampled inside
  // each stretch, away from its ends: 1, 4s - 1 painted; 4s + 1, 8s - 1 blank.
  for (const int scale : {1, 2, 4}) {
    SCOPED_TRACE(scale);
    QImage image(16 * scale, 4 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(kWhite);
    {
      QPainter painter(&image);
      painter.scale(scale, scale);
      QtGraphicsContext context(painter);
      BezierPath line;
      line.moveToPoint({0, 2});
      line.lineToPoint({16, 2});
      line.setLineWidth(0);
      const std::vector<float> dash{4, 4};
      line.setLineDashCountPhase(dash, 0);
      context.stroke(line);
    }
    auto inked = [&](int x) {
      for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) != kWhite) return true;
      return false;
    };
    for (const int x : {1, 4 * scale - 1, 8 * scale + 1}) EXPECT_TRUE(inked(x)) << x;
    for (const int x : {4 * scale + 1, 8 * scale - 1}) EXPECT_FALSE(inked(x)) << x;
  }
}

TEST(QtGraphicsContext, PathsConvertWithTheirGeometry) {
  // (0, 0, 22, 12) radius 100: the inset (1, 1, 20, 10) with corners of 5
  const QPainterPath round = toQPainterPath(bezierPathWithRoundRect({{0, 0}, {22, 12}}, 100));
  EXPECT_EQ(round.boundingRect(), QRectF(1, 1, 20, 10));
  EXPECT_TRUE(round.contains(QPointF(11, 6)));
  EXPECT_FALSE(round.contains(QPointF(1.5, 1.5)));  // cut off by the corner arc about (6, 6)
  // The prohibition sign of a 20 x 20 square: ring from r = 7.5 to 10, band through the centre.
  QImage image = paint(20, 20, Antialiasing::Off, [](GraphicsContext& context) {
    drawBackgroundImageForLinesAroundRect(context, {{0, 0}, {20, 20}}, Dictionary::make({{"top", Dictionary::make()}}),
                                          MarkEmptySides::Yes);
  });
  EXPECT_NE(image.pixel(10, 1 + 18), kWhite);  // the ring at 9 below the centre
  EXPECT_NE(image.pixel(10, 10), kWhite);      // the band crosses the centre
  EXPECT_EQ(image.pixel(6, 14), kWhite);       // 4 left and 4 below: inside r, away from the 45° band
  EXPECT_NE(image.pixel(13, 13), kWhite);      // on the band
  // Nothing survives from elements Qt cannot paint.
  BezierPath hostile;
  hostile.moveToPoint({std::nanf(""), 0});
  hostile.lineToPoint({1, 1});
  hostile.appendBezierPathWithOvalInRect({{0, 0}, {INFINITY, 1}});
  EXPECT_EQ(toQPainterPath(hostile).elementCount(), 1);
}

// A document laid out at a fixed width with a known font.
struct LaidOutDocument {
  explicit LaidOutDocument(const QString& text, qreal pointSize) {
    QFont font("DejaVu Sans");
    font.setPointSizeF(pointSize);
    document.setDefaultFont(font);
    document.setPlainText(text);
    document.setTextWidth(400);
    (void)document.size();  // lays the document out
  }
  QTextDocument document;
};

TEST(QtTextPorts, CharactersFontsAndGlyphBoxes) {
  LaidOutDocument laid(QStringLiteral("a b\tc\u00A0d\nxy"), 12);
  const QtTextStorage storage(laid.document);
  const QtLayoutManager layout(laid.document);
  EXPECT_EQ(storage.length(), 10u);
  EXPECT_EQ(storage.characterAtIndex(7), u'\n');  // the block separator reads as a line feed
  EXPECT_EQ(storage.characterAtIndex(3), u'\t');
  EXPECT_EQ(storage.characterAtIndex(10), 0);
  EXPECT_EQ(storage.fontAtIndex(0)->pointSize, 12);
  EXPECT_EQ(storage.fontAtIndex(0)->family, "DejaVu Sans");
  EXPECT_FALSE(storage.fontAtIndex(10));
  // A character formatted on its own keeps its own size; its neighbours the default.
  QTextCursor cursor(&laid.document);
  cursor.setPosition(4);
  cursor.setPosition(5, QTextCursor::KeepAnchor);
  QTextCharFormat bigger;
  bigger.setFontPointSize(20);
  cursor.mergeCharFormat(bigger);
  EXPECT_EQ(storage.fontAtIndex(4)->pointSize, 20);
  EXPECT_EQ(storage.fontAtIndex(5)->pointSize, 12);
  EXPECT_EQ(storage.fontAtIndex(7)->pointSize, 12);  // the block separator

  const QTextBlock first = laid.document.firstBlock();
  const QTextLine line = first.layout()->lineAt(0);
  const QPointF at = first.layout()->position();
  // The space's box runs from the cursor after "a" to the cursor after "a ".
  const Rect space = layout.boundingRectForGlyphRangeInTextContainer({1, 1});
  EXPECT_FLOAT_EQ(space.origin.x, float(at.x() + line.cursorToX(1)));
  EXPECT_FLOAT_EQ(space.size.width, float(line.cursorToX(2) - line.cursorToX(1)));
  EXPECT_FLOAT_EQ(space.origin.y, float(at.y() + line.y()));
  EXPECT_FLOAT_EQ(space.size.height, float(line.height()));
  // The tab spans its tab stop, far wider than a space.
  EXPECT_GT(layout.boundingRectForGlyphRangeInTextContainer({3, 1}).size.width, 2 * space.size.width);
  // The second block lies below the first.
  EXPECT_GT(layout.boundingRectForGlyphRangeInTextContainer({8, 1}).origin.y, space.origin.y);
  EXPECT_EQ(layout.boundingRectForGlyphRangeInTextContainer({500, 1}), Rect{});
}

}  // namespace
}  // namespace qor
