#include "qor/qt/graphics_context.h"

#include <cmath>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPen>
#include <QTextFragment>
#include <QTextLayout>

namespace qor {
namespace {

constexpr float kDefaultLineWidth = 1.0f;
constexpr double kHalfTurn = 180.0;
constexpr double kFullTurn = 360.0;
// Qt refuses dash lengths of 0; a length this small (in line widths) paints
// and skips nothing a person can see.
constexpr double kShortestDash = 1.0 / 1024;

Qt::PenJoinStyle toQt(LineJoinStyle join) {
  switch (join) {
    case LineJoinStyle::Round: return Qt::RoundJoin;
    case LineJoinStyle::Bevel: return Qt::BevelJoin;
    case LineJoinStyle::Miter: break;
  }
  return Qt::MiterJoin;
}

bool finite(Rect r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

QRectF toQRectF(Rect r) { return {r.origin.x, r.origin.y, r.size.width, r.size.height}; }

// How many device pixels one unit of user space spans: the square root of
// the area scale, exact for the uniform scales views use.
double deviceScale(const QPainter& painter) {
  const double scale = std::sqrt(std::abs(painter.deviceTransform().determinant()));
  return scale > 0 && std::isfinite(scale) ? scale : 1.0;
}

// Qt measures dashes in line widths and wants pairs; the toolbox gives points
// and repeats an odd pattern. A hairline (width 0) is Qt's cosmetic pen,
// whose dashes Qt measures in device pixels: they are scaled back to points.
QPen penFor(const BezierPath& path, const QColor& color, const QPainter& painter) {
  const float width = std::isfinite(path.lineWidth()) && path.lineWidth() >= 0 ? path.lineWidth() : kDefaultLineWidth;
  QPen pen(color, width, Qt::SolidLine, Qt::FlatCap, toQt(path.lineJoinStyle()));
  const std::vector<float>& dash = path.lineDash();
  if (!dash.empty()) {
    const double unit = width > 0 ? width : 1.0 / deviceScale(painter);
    QList<qreal> pattern;
    for (int copy = 0; copy < (dash.size() % 2 ? 2 : 1); ++copy) {
      for (float length : dash) pattern.append(std::fmax(length / unit, kShortestDash));
    }
    pen.setDashPattern(pattern);
    pen.setDashOffset(path.lineDashPhase() / unit);
  }
  return pen;
}

}  // namespace

QPainterPath toQPainterPath(const BezierPath& path) {
  QPainterPath out;
  out.setFillRule(Qt::WindingFill);
  for (const auto& element : resolveBezierPath(path).elements) {
    if (const auto* move = std::get_if<ResolvedPath::Move>(&element)) {
      out.moveTo(move->point.x, move->point.y);
    } else if (const auto* line = std::get_if<ResolvedPath::Line>(&element)) {
      out.lineTo(line->point.x, line->point.y);
    } else if (const auto* arc = std::get_if<ResolvedPath::ArcSweep>(&element)) {
      double radius = arc->radius, start = arc->startAngle;
      if (radius < 0) {  // a negative radius reaches the opposite point
        radius = -radius;
        start += kHalfTurn;
      }
      // Qt's angles grow from +x toward -y: the same arc has the negated angles.
      out.arcTo(QRectF(arc->center.x - radius, arc->center.y - radius, 2 * radius, 2 * radius), -start, -arc->sweep);
    } else if (const auto* ellipse = std::get_if<ResolvedPath::Ellipse>(&element)) {
      const QRectF box = toQRectF(ellipse->rect);
      out.moveTo(box.right(), box.center().y());
      out.arcTo(box, 0, -kFullTurn);
      out.closeSubpath();
    } else if (std::holds_alternative<ResolvedPath::Close>(element)) {
      out.closeSubpath();
    }
  }
  return out;
}

QColor toQColor(const Color& color) { return QColor::fromRgbF(color.red, color.green, color.blue, color.alpha); }

QtGraphicsContext::QtGraphicsContext(QPainter& painter, QFont userFont)
    : painter_(painter), userFont_(std::move(userFont)) {}

QFont QtGraphicsContext::defaultUserFont() { return QFontDatabase::systemFont(QFontDatabase::GeneralFont); }

Antialiasing QtGraphicsContext::shouldAntialias() const {
  return painter_.testRenderHint(QPainter::Antialiasing) ? Antialiasing::On : Antialiasing::Off;
}

void QtGraphicsContext::setShouldAntialias(Antialiasing antialiasing) {
  painter_.setRenderHint(QPainter::Antialiasing, antialiasing == Antialiasing::On);
}

void QtGraphicsContext::stroke(const BezierPath& path) { painter_.strokePath(toQPainterPath(path), penFor(path, color_, painter_)); }

void QtGraphicsContext::fill(const BezierPath& path) { painter_.fillPath(toQPainterPath(path), color_); }

void QtGraphicsContext::rectFill(Rect rect) {
  if (!finite(rect)) return;
  const QPainter::CompositionMode mode = painter_.compositionMode();
  const QPaintEngine* engine = painter_.paintEngine();
  const bool canReplace = engine && engine->hasFeature(QPaintEngine::PorterDuff);
  if (canReplace) painter_.setCompositionMode(QPainter::CompositionMode_Source);
  painter_.fillRect(toQRectF(rect), color_);
  if (canReplace) painter_.setCompositionMode(mode);
}

DrawingFont QtGraphicsContext::userFontOfSize(float size) const {
  return {userFont_.family().toStdString(), size};
}

void QtGraphicsContext::drawStringAtPointWithAttributes(const std::string& text, Point point, const DrawingFont& font,
                                                        const Color& color) {
  if (!std::isfinite(point.x) || !std::isfinite(point.y)) return;
  QFont qfont = userFont_;
  if (!font.family.empty()) qfont.setFamily(QString::fromStdString(font.family));
  if (std::isfinite(font.pointSize) && font.pointSize > 0) qfont.setPointSizeF(font.pointSize);
  const QFontMetricsF metrics(qfont, painter_.device());
  painter_.save();
  painter_.setFont(qfont);
  painter_.setPen(toQColor(color));
  // The point is the top-left corner of the line box; Qt draws from the baseline.
  painter_.drawText(QPointF(point.x, point.y + metrics.ascent()), QString::fromStdString(text));
  painter_.restore();
}

std::size_t QtTextStorage::length() const {
  const int count = document_.characterCount() - 1;  // the last block's separator is not text
  return count > 0 ? std::size_t(count) : 0;
}

char16_t QtTextStorage::characterAtIndex(std::size_t index) const {
  if (index >= length()) return 0;
  const QChar c = document_.characterAt(int(index));
  return c == QChar::ParagraphSeparator ? u'\n' : c.unicode();
}

std::optional<DrawingFont> QtTextStorage::fontAtIndex(std::size_t index) const {
  if (index >= length()) return std::nullopt;
  // The format of the fragment holding the character; a block separator
  // has none and takes the block's character format.
  const QTextBlock block = document_.findBlock(int(index));
  QTextCharFormat format = block.charFormat();
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    if (it.fragment().contains(int(index))) {
      format = it.fragment().charFormat();
      break;
    }
  }
  const QFont font = format.font().resolve(document_.defaultFont());
  return DrawingFont{font.family().toStdString(), float(font.pointSizeF())};
}

QtLayoutManager::QtLayoutManager(const QTextDocument& document, BlockOrigin blockOrigin)
    : document_(document), blockOrigin_(std::move(blockOrigin)) {}

std::optional<QRectF> QtLayoutManager::glyphBox(std::size_t index) const {
  if (index >= std::size_t(document_.characterCount())) return std::nullopt;
  const int position = int(index);
  const QTextBlock block = document_.findBlock(position);
  const QTextLayout* layout = block.isValid() ? block.layout() : nullptr;
  if (!layout || layout->lineCount() == 0) return std::nullopt;
  const int relative = position - block.position();
  const QTextLine line = layout->lineForTextPosition(relative);
  if (!line.isValid()) return std::nullopt;
  const qreal start = line.cursorToX(relative);
  // The block separator has no advance; inside a line the next cursor
  // position closes the box (a trailing space at a wrap closes at the line's end).
  const int lineEnd = line.textStart() + line.textLength();
  const qreal end = relative < block.length() - 1 && relative + 1 <= lineEnd ? line.cursorToX(relative + 1) : start;
  const QPointF origin = blockOrigin_ ? blockOrigin_(block) : layout->position();
  return QRectF(std::fmin(start, end), line.y(), std::fabs(end - start), line.height()).translated(origin);
}

Rect QtLayoutManager::boundingRectForGlyphRangeInTextContainer(TextRange glyphs) const {
  QRectF box;
  bool any = false;
  for (std::size_t i = glyphs.location; i - glyphs.location < glyphs.length && i < std::size_t(document_.characterCount());
       ++i) {
    const std::optional<QRectF> glyph = glyphBox(i);
    if (!glyph) continue;
    box = any ? box.united(*glyph) : *glyph;
    any = true;
  }
  if (!any) return {};
  return {{float(box.x()), float(box.y())}, {float(box.width()), float(box.height())}};
}

}  // namespace qor
