#include "qor/headless/graphics_context.h"

#include <algorithm>

namespace qor {

void RecordingGraphicsContext::setShouldAntialias(Antialiasing antialiasing) {
  antialiasing_ = antialiasing;
  switches_.push_back(antialiasing);
}

void RecordingGraphicsContext::record(Operation operation) {
  operation.antialiasing = antialiasing_;
  operations_.push_back(std::move(operation));
}

void RecordingGraphicsContext::stroke(const BezierPath& path) {
  Operation operation{};
  operation.kind = Kind::Stroke;
  operation.path = path;
  operation.color = color_;
  record(std::move(operation));
}

void RecordingGraphicsContext::fill(const BezierPath& path) {
  Operation operation{};
  operation.kind = Kind::Fill;
  operation.path = path;
  operation.color = color_;
  record(std::move(operation));
}

void RecordingGraphicsContext::rectFill(Rect rect) {
  Operation operation{};
  operation.kind = Kind::RectFill;
  operation.rect = rect;
  operation.color = color_;
  record(std::move(operation));
}

void RecordingGraphicsContext::drawStringAtPointWithAttributes(const std::string& text, Point point,
                                                               const DrawingFont& font, const Color& color) {
  Operation operation{};
  operation.kind = Kind::DrawString;
  operation.text = text;
  operation.point = point;
  operation.font = font;
  operation.color = color;
  record(std::move(operation));
}

Rect RecordingLayoutManager::boundingRectForGlyphRangeInTextContainer(TextRange glyphs) const {
  queries_.push_back(glyphs);
  const std::size_t end = std::min(glyphs.end(), boxes_.size());
  if (glyphs.location >= end) return {};
  float left = boxes_[glyphs.location].origin.x, top = boxes_[glyphs.location].origin.y;
  float right = left + boxes_[glyphs.location].size.width, bottom = top + boxes_[glyphs.location].size.height;
  for (std::size_t i = glyphs.location + 1; i < end; ++i) {
    const Rect& box = boxes_[i];
    left = std::min(left, box.origin.x);
    top = std::min(top, box.origin.y);
    right = std::max(right, box.origin.x + box.size.width);
    bottom = std::max(bottom, box.origin.y + box.size.height);
  }
  return {{left, top}, {right - left, bottom - top}};
}

}  // namespace qor
