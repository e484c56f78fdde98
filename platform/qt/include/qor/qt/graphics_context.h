// The graphics-context port on QPainter, and the text ports on QTextDocument.
//
// QtGraphicsContext paints with an active QPainter on any paint device (a
// widget, a QImage, a QPdfWriter, a QSvgGenerator). Paths become
// QPainterPaths with the toolbox's angle convention kept (degrees from +x
// toward +y; Qt's own angles turn the other way). Strokes use butt caps and
// the path's join, width and dash (Qt measures dashes in line widths; the
// context converts). The antialiasing switch is the painter's Antialiasing
// render hint. The context changes nothing else of the painter's state
// beyond the duration of a call.
//
// QtTextStorage and QtLayoutManager read a QTextDocument as laid out by its
// document layout: the separator between blocks reads as a line feed, a
// line separator (Shift+Return in a rich-text editor) as itself. Glyph boxes
// are the cursor positions before and after the character on its line, so a
// tab's box spans the whole tab stop.
//
// Example:
//   QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
//   QPainter painter(&image);
//   qor::QtGraphicsContext context(painter);
//   qor::drawCheckerInRect(context, {{0, 0}, {40, 20}}, 10, white, grey);
#pragma once

#include <functional>

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QTextBlock>
#include <QTextDocument>

#include "qor/ports/graphics_context.h"

namespace qor {

// `path` in Qt's terms (non-zero winding). Elements that cannot be painted
// (NaN, infinities) are left out.
[[nodiscard]] QPainterPath toQPainterPath(const BezierPath& path);
[[nodiscard]] QColor toQColor(const Color& color);

class QtGraphicsContext final : public GraphicsContext {
 public:
  // `painter` must be active and outlive the context. `userFont` stands for
  // the user's default text font; userFontOfSize gives it at other sizes.
  explicit QtGraphicsContext(QPainter& painter, QFont userFont = defaultUserFont());

  [[nodiscard]] Antialiasing shouldAntialias() const override;
  void setShouldAntialias(Antialiasing antialiasing) override;
  void setColor(const Color& color) override { color_ = toQColor(color); }
  void stroke(const BezierPath& path) override;
  void fill(const BezierPath& path) override;
  void rectFill(Rect rect) override;
  [[nodiscard]] DrawingFont userFontOfSize(float size) const override;
  void drawStringAtPointWithAttributes(const std::string& text, Point point, const DrawingFont& font,
                                       const Color& color) override;

  // The system's general font.
  [[nodiscard]] static QFont defaultUserFont();

 private:
  QPainter& painter_;
  QColor color_{Qt::black};
  QFont userFont_;
};

class QtTextStorage final : public TextStorage {
 public:
  // `document` must outlive the storage.
  explicit QtTextStorage(const QTextDocument& document) : document_(document) {}
  [[nodiscard]] std::size_t length() const override;
  [[nodiscard]] char16_t characterAtIndex(std::size_t index) const override;
  // The character's format font resolved against the document's default
  // font, so it always has one.
  [[nodiscard]] std::optional<DrawingFont> fontAtIndex(std::size_t index) const override;

 private:
  const QTextDocument& document_;
};

class QtLayoutManager final : public LayoutManager {
 public:
  // Where a block's layout sits in the container: its top-left corner in
  // container coordinates. The default is the layout's own position, right
  // for documents laid out by QTextDocument's layout (QTextEdit); a plain
  // text edit stacks its blocks itself and must say where.
  using BlockOrigin = std::function<QPointF(const QTextBlock&)>;

  // `document` must outlive the layout manager.
  explicit QtLayoutManager(const QTextDocument& document, BlockOrigin blockOrigin = {});
  [[nodiscard]] Rect boundingRectForGlyphRangeInTextContainer(TextRange glyphs) const override;

 private:
  [[nodiscard]] std::optional<QRectF> glyphBox(std::size_t index) const;

  const QTextDocument& document_;
  BlockOrigin blockOrigin_;
};

}  // namespace qor
