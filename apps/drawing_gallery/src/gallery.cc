#include "gallery.h"

#include <QFile>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTextDocument>

#include "qor/borders.h"
#include "qor/invisibles.h"
#include "qor/qt/graphics_context.h"
#include "qor/shapes.h"

namespace qor {
namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
constexpr qreal kLabelSize = 7.5;
constexpr qreal kSampleTextSize = 13;
constexpr int kPointsPerInch = 72;

QFont galleryFont(qreal size) {
  QFont font(kFontFamily);
  font.setPointSizeF(size);
  return font;
}

void label(QPainter& painter, qreal x, qreal y, const QString& text) {
  painter.save();
  painter.setFont(galleryFont(kLabelSize));
  painter.setPen(QColor(0x55, 0x55, 0x55));
  painter.drawText(QPointF(x, y), text);
  painter.restore();
}

DictionaryRef sideOf(std::vector<Dictionary::Entry> entries) { return Dictionary::make(std::move(entries)); }

Ref rgba(double r, double g, double b, double a) { return Array::make({real(r), real(g), real(b), real(a)}); }

void drawBorders(QPainter& painter) {
  QtGraphicsContext context(painter, galleryFont(kLabelSize));
  context.setShouldAntialias(Antialiasing::On);
  // Double left and bottom meeting single top and right: the single sides'
  // ends move out to the double sides' outer lines.
  drawLinesAroundRect(context, {{20, 25}, {100, 75}},
                      Dictionary::make({{"left", sideOf({{"style", str("double")}, {"thickness", real(2)}})},
                                        {"top", sideOf({{"thickness", real(1)}})},
                                        {"right", sideOf({{"thickness", real(3)}, {"color", rgba(0.8, 0.1, 0.1, 1)}})},
                                        {"bottom", sideOf({{"style", str("double")}, {"thickness", real(1)},
                                                           {"color", rgba(0.1, 0.3, 0.8, 1)},
                                                           {"dash pattern", Array::make({real(4), real(2)})}})}}),
                      Antialiasing::Off);
  label(painter, 20, 122, "double left, dashed bottom");
  // A double top with both diagonals between the inner corners.
  drawLinesAroundRect(context, {{200, 25}, {75, 75}},
                      Dictionary::make({{"top", sideOf({{"style", str("double")}, {"thickness", real(1.5)}})},
                                        {"left", sideOf({{"thickness", real(1)}})},
                                        {"right diagonal", sideOf({{"style", str("double")}, {"thickness", real(1)}})},
                                        {"left diagonal", sideOf({{"thickness", real(2)},
                                                                  {"color", rgba(0.1, 0.6, 0.2, 1)}})}}),
                      Antialiasing::Off);
  label(painter, 200, 122, "double top, diagonals");
  // Thick translucent sides show how the corners overlap.
  const auto translucent = [](double r, double g, double b) {
    return sideOf({{"thickness", real(6)}, {"color", rgba(r, g, b, 0.5)}});
  };
  drawLinesAroundRect(context, {{350, 25}, {75, 75}},
                      Dictionary::make({{"top", translucent(0.9, 0.2, 0.2)}, {"right", translucent(0.2, 0.7, 0.2)},
                                        {"bottom", translucent(0.2, 0.2, 0.9)}, {"left", translucent(0.9, 0.6, 0.1)}}),
                      Antialiasing::On);
  label(painter, 350, 122, "6-point translucent sides");
}

void drawGuides(QPainter& painter) {
  QtGraphicsContext context(painter, galleryFont(kLabelSize));
  context.setShouldAntialias(Antialiasing::On);
  const auto none = [] { return sideOf({{"style", str("none")}}); };
  // Top and left "none" (blue guides), right empty (black line and the
  // prohibition sign), bottom with a real border.
  const auto mixed = Dictionary::make({{"top", none()}, {"left", none()}, {"right", Dictionary::make()},
                                       {"bottom", sideOf({{"thickness", real(2)}})}});
  const Rect first{{25, 20}, {110, 90}};
  drawBackgroundImageForLinesAroundRect(context, first, mixed, MarkEmptySides::Yes);
  drawLinesAroundRect(context, first, mixed, Antialiasing::Off);
  label(painter, 25, 128, "none: guides; empty: sign");
  const auto allNone = Dictionary::make({{"top", none()}, {"left", none()}, {"right", none()}, {"bottom", none()}});
  drawBackgroundImageForLinesAroundRect(context, {{185, 20}, {110, 90}}, allNone, MarkEmptySides::No);
  label(painter, 185, 128, "every side none");
}

void drawSwatches(QPainter& painter) {
  QtGraphicsContext context(painter, galleryFont(kLabelSize));
  context.setShouldAntialias(Antialiasing::On);
  const std::optional<Color> colors[] = {Color{0.15f, 0.45f, 0.85f, 1}, Color{0.9f, 0.2f, 0.2f, 0.5f}, std::nullopt};
  const char* names[] = {"opaque", "half transparent", "no colour"};
  for (int i = 0; i < 3; ++i) {
    const float x = 20 + 110 * float(i);
    drawTileForColorInRect(context, colors[i], {{x, 20}, {40, 40}}, TileDiagonal::Falling);
    drawTileForColorInRect(context, colors[i], {{x + 48, 20}, {40, 40}}, TileDiagonal::Rising);
    label(painter, x, 76, names[i]);
  }
}

void drawCheckers(QPainter& painter) {
  QtGraphicsContext context(painter, galleryFont(kLabelSize));
  const Color paper{0.97f, 0.97f, 0.97f, 1}, grey{0.75f, 0.75f, 0.75f, 1};
  // The squares run past the rectangle's right and bottom edges (outlined red).
  const Rect overrun{{20, 20}, {95, 55}};
  drawCheckerInRect(context, overrun, 10, paper, grey);
  BezierPath outline = BezierPath::bezierPathWithRect(overrun);
  context.setColor({0.85f, 0.1f, 0.1f, 1});
  context.stroke(outline);
  label(painter, 20, 100, "size 10 in 95 x 55: overrun");
  // Clipped by the caller for a clean edge.
  painter.save();
  painter.setClipRect(QRectF(160, 20, 95, 55));
  drawCheckerInRect(context, {{160, 20}, {95, 55}}, 10, paper, grey);
  painter.restore();
  label(painter, 160, 100, "the same, clipped");
}

void drawCheckboxes(QPainter& painter) {
  QtGraphicsContext context(painter, galleryFont(kLabelSize));
  context.setShouldAntialias(Antialiasing::On);
  const std::int32_t states[] = {kCheckboxOff, kCheckboxOn, kCheckboxMixed};
  const char* names[] = {"off", "on", "mixed"};
  for (int i = 0; i < 3; ++i) {
    const float x = 20 + 90 * float(i);
    drawCheckbox(context, {x, 10}, 48, states[i]);
    drawCheckbox(context, {x + 52, 26}, 16, states[i]);
    label(painter, x + 10, 76, names[i]);
  }
}

void drawRoundRects(QPainter& painter) {
  QtGraphicsContext context(painter, galleryFont(kLabelSize));
  context.setShouldAntialias(Antialiasing::On);
  const float radii[] = {0, 8, 100};
  const char* names[] = {"radius 0", "radius 8", "radius 100 (clamped)"};
  for (int i = 0; i < 3; ++i) {
    const Rect rect{{20 + 110 * float(i), 15}, {90, 50}};
    const BezierPath path = bezierPathWithRoundRect(rect, radii[i]);
    context.setColor({0.85f, 0.9f, 1, 1});
    context.fill(path);
    BezierPath edge = path;
    edge.setLineWidth(1.5f);
    context.setColor({0.1f, 0.3f, 0.7f, 1});
    context.stroke(edge);
    label(painter, rect.origin.x, 82, names[i]);
  }
}

void drawPoints(QPainter& painter) {
  QtGraphicsContext context(painter, galleryFont(kLabelSize));
  context.setShouldAntialias(Antialiasing::On);
  // The point functions count y upward; the picture's y grows downward, so
  // the rectangle is mirrored about the picture's middle to show "top" on top.
  constexpr float kHeight = 150;
  const Rect rect{{40, 25}, {160, 100}};
  const auto onScreen = [](Point p) { return Point{p.x, kHeight - p.y}; };
  BezierPath frame = BezierPath::bezierPathWithRect(rect);
  context.setColor({0.6f, 0.6f, 0.6f, 1});
  context.stroke(frame);
  const std::pair<Point (*)(Rect), const char*> points[] = {
      {topLeftOfRect, "topLeft"},       {topCenterOfRect, "topCenter"},   {topRightOfRect, "topRight"},
      {leftCenterOfRect, "leftCenter"}, {centerOfRect, "center"},         {rightCenterOfRect, "rightCenter"},
      {bottomLeftOfRect, "bottomLeft"}, {bottomCenterOfRect, "bottomCenter"}, {bottomRightOfRect, "bottomRight"}};
  for (const auto& [function, name] : points) {
    const Point p = onScreen(function(rect));
    context.setColor({0.85f, 0.1f, 0.1f, 1});
    context.fill(BezierPath::bezierPathWithOvalInRect({{p.x - 3, p.y - 3}, {6, 6}}));
    label(painter, p.x + 5, p.y - 4, name);
  }
}

void drawInvisibles(QPainter& painter) {
  QTextDocument document;
  document.setDefaultFont(galleryFont(kSampleTextSize));
  document.setDocumentMargin(0);
  document.setPlainText(QString::fromUtf16(u"Tab\there, two  spaces, no\u00A0break,\u3000ideographic\u2028"
                                           u"line separator\n\nThe last line feed sits after the text\n"));
  document.setTextWidth(560);
  const QPointF origin(15, 15);
  painter.save();
  painter.translate(origin);
  document.drawContents(&painter);
  painter.restore();
  QtGraphicsContext context(painter, document.defaultFont());
  context.setShouldAntialias(Antialiasing::On);
  const QtTextStorage storage(document);
  const QtLayoutManager layout(document);
  drawSpecialCharactersInString(context, storage, {0, storage.length()}, {float(origin.x()), float(origin.y())},
                                layout, {0.2f, 0.4f, 0.9f, 1});
}

}  // namespace

std::vector<Picture> galleryPictures() {
  return {
      {"borders", "Borders: double sides move their neighbours' ends out; diagonals run between inner corners",
       {490, 135}, drawBorders},
      {"guides", "Border guides: blue dotted double lines for \"none\", a black line and the red sign for empty sides",
       {320, 140}, drawGuides},
      {"swatches", "Colour tiles: opaque, half-transparent and no colour, on both diagonals", {340, 90}, drawSwatches},
      {"checker", "Checkers: squares are not clipped to the rectangle", {290, 110}, drawCheckers},
      {"checkboxes", "Check boxes in the three states, at 48 and 16 points", {290, 90}, drawCheckboxes},
      {"round_rects", "Rounded rectangles inset by one point, radius clamped to half the shorter side", {370, 95},
       drawRoundRects},
      {"points", "The nine named points of a rectangle (y counted upward)", {290, 150}, drawPoints},
      {"invisibles", "Invisible characters over a laid-out sample", {600, 105}, drawInvisibles},
  };
}

QImage renderPicture(const Picture& picture, int scale) {
  QImage image(picture.size * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.scale(scale, scale);
  picture.draw(painter);
  return image;
}

bool writeSvg(const Picture& picture, const QString& path) {
  QSvgGenerator generator;
  generator.setFileName(path);
  generator.setSize(picture.size);
  generator.setViewBox(QRect(QPoint(0, 0), picture.size));
  generator.setTitle(QString::fromStdString(picture.name));
  generator.setDescription(QString::fromStdString(picture.caption));
  QPainter painter;
  if (!painter.begin(&generator)) return false;
  picture.draw(painter);
  return painter.end() && QFile::exists(path);
}

bool writePdf(const std::vector<Picture>& pictures, const QString& path) {
  if (pictures.empty()) return false;
  QPdfWriter writer(path);
  writer.setResolution(kPointsPerInch);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  const auto pageFor = [](const Picture& picture) {
    return QPageSize(QSizeF(picture.size), QPageSize::Point, QString::fromStdString(picture.name),
                     QPageSize::ExactMatch);
  };
  writer.setPageSize(pageFor(pictures.front()));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    if (i > 0) {
      writer.setPageSize(pageFor(pictures[i]));
      writer.newPage();
    }
    pictures[i].draw(painter);
  }
  return painter.end();
}

}  // namespace qor
