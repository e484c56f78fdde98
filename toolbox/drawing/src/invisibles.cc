#include "qor/invisibles.h"

#include <algorithm>

namespace qor {
namespace {

constexpr char16_t kSpace = 0x0020, kNoBreakSpace = 0x00A0, kIdeographicSpace = 0x3000;
constexpr char16_t kTab = 0x0009, kCarriageReturn = 0x000D, kLineFeed = 0x000A, kLineSeparator = 0x2028;
constexpr const char* kPilcrow = "\u00B6";
constexpr const char* kReturnSymbol = "\u21B5";

constexpr float kMaximumDot = 3.0f;
constexpr float kDotFactor = 0.8f;
constexpr float kMarginFactor = 0.1f;
constexpr float kDotRiseFactor = 0.4f;
constexpr float kUnderlineDropFactor = 0.6f;
constexpr float kArrowEndFactor = 0.9f;
constexpr float kArrowheadLengthFactor = 0.2f;
constexpr float kArrowheadHalfHeight = 3.0f;
constexpr float kFallbackFontSize = 8.0f;

struct GlyphBox {
  float x, y, width, midY;
};

bool isLineBreak(char16_t c) { return c == kLineFeed || c == kLineSeparator; }

void strokeLine(GraphicsContext& context, Point from, Point delta) {
  BezierPath path;
  path.moveToPoint(from);
  path.relativeLineToPoint(delta);
  context.stroke(path);
}

// A horizontal arrow along the middle of the box: a line over 0.1 W to 0.9 W
// and a head 6 points tall at the end it points to.
void drawArrow(GraphicsContext& context, const GlyphBox& box, bool pointsRight) {
  const float near = box.x + kMarginFactor * box.width, far = box.x + kArrowEndFactor * box.width;
  const float tip = pointsRight ? far : near;
  const float tail = pointsRight ? near : far;
  strokeLine(context, {tail, box.midY}, {tip - tail, 0});
  const float back = (pointsRight ? -kArrowheadLengthFactor : kArrowheadLengthFactor) * box.width;
  BezierPath head;
  head.moveToPoint({tip, box.midY});
  head.relativeLineToPoint({back, -kArrowheadHalfHeight});
  head.relativeLineToPoint({0, 2 * kArrowheadHalfHeight});
  head.relativeLineToPoint({-back, -kArrowheadHalfHeight});
  context.fill(head);
}

}  // namespace

void drawSpecialCharactersInString(GraphicsContext& context, const TextStorage& text, TextRange range, Point origin,
                                   const LayoutManager& layout, const Color& color) {
  const std::size_t length = text.length();
  if (range.location >= length) return;
  const std::size_t end = range.location + std::min(range.length, length - range.location);
  context.setColor(color);
  const auto boxAt = [&](std::size_t index) {
    const Rect r = layout.boundingRectForGlyphRangeInTextContainer({index, 1});
    const float y = origin.y + r.origin.y;
    return GlyphBox{origin.x + r.origin.x, y, r.size.width, y + 0.5f * r.size.height};
  };
  for (std::size_t i = range.location; i < end; ++i) {
    const char16_t c = text.characterAtIndex(i);
    switch (c) {
      case kSpace:
      case kNoBreakSpace:
      case kIdeographicSpace: {
        const GlyphBox box = boxAt(i);
        const float side = std::min(kDotFactor * box.width, kMaximumDot);
        const float left = box.x + kMarginFactor * box.width;
        context.fill(BezierPath::bezierPathWithOvalInRect({{left, box.midY - kDotRiseFactor * box.width}, {side, side}}));
        if (c == kIdeographicSpace) {
          strokeLine(context, {left, box.midY + kUnderlineDropFactor * box.width}, {kDotFactor * box.width, 0});
        }
        break;
      }
      case kTab:
        drawArrow(context, boxAt(i), true);
        break;
      case kCarriageReturn:
        drawArrow(context, boxAt(i), false);
        break;
      case kLineFeed:
      case kLineSeparator: {
        const float size = text.fontAtIndex(i).value_or(context.userFontOfSize(kFallbackFontSize)).pointSize;
        const DrawingFont font = context.userFontOfSize(size);
        const GlyphBox box = boxAt(i);
        Point at{box.x, box.y};
        // A break ending the range right after text sits where that text ends.
        if (i != 0 && i == end - 1 && !isLineBreak(text.characterAtIndex(i - 1))) {
          const Rect previous = layout.boundingRectForGlyphRangeInTextContainer({i - 1, 1});
          at = {origin.x + previous.origin.x + previous.size.width, origin.y + previous.origin.y};
        }
        context.drawStringAtPointWithAttributes(c == kLineFeed ? kPilcrow : kReturnSymbol, at, font, color);
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace qor
