#include "qor/borders.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <vector>

namespace qor {
namespace {

constexpr float kDefaultThickness = 1.0f;
constexpr double kSquareRootOfTwo = 1.4142135623730951;
constexpr std::size_t kRgbComponents = 3;
constexpr std::size_t kRgbaComponents = 4;

// Background guides.
constexpr float kGuideDashLength = 1.0f;
constexpr float kProhibitionRadiusFactor = 0.25f * 0.75f;
constexpr float kProhibitionFirstArcStart = 55, kProhibitionFirstArcEnd = 215;
constexpr float kProhibitionSecondArcStart = 235, kProhibitionSecondArcEnd = 35;
constexpr Color kProhibitionRed{0.8f, 0, 0, 0.5f};

enum class Side { Left, Right, Top, Bottom, LeftDiagonal, RightDiagonal, Other };

Side sideNamed(std::string_view key) {
  if (key == "left") return Side::Left;
  if (key == "right") return Side::Right;
  if (key == "top") return Side::Top;
  if (key == "bottom") return Side::Bottom;
  if (key == "left diagonal") return Side::LeftDiagonal;
  if (key == "right diagonal") return Side::RightDiagonal;
  return Side::Other;
}

bool isStraight(Side side) {
  return side == Side::Left || side == Side::Right || side == Side::Top || side == Side::Bottom;
}

bool hasStyle(const DictionaryRef& side, std::string_view style) {
  const StringRef value = side ? side->stringForKey("style") : nullptr;
  return value && value->value() == style;
}

float thicknessOf(const Dictionary& side) {
  const NumberRef value = side.numberForKey("thickness");
  if (!value) return kDefaultThickness;
  const auto thickness = static_cast<float>(value->realValue());
  return std::isfinite(thickness) && thickness >= 0 ? thickness : kDefaultThickness;
}

std::vector<float> dashOf(const Dictionary& side) {
  std::vector<float> pattern;
  const ArrayRef lengths = side.arrayForKey("dash pattern");
  if (!lengths) return pattern;
  for (const Ref& element : lengths->elements()) {
    if (pattern.size() == kMaximumDashLengths) break;
    const NumberRef length = asNumber(element);
    if (!length) return {};
    pattern.push_back(static_cast<float>(length->realValue()));
  }
  return pattern;
}

// Outer and inner position of each straight side: one thickness outside and
// inside the edge for a double side, the edge itself otherwise.
struct Positions {
  float lo, li, ro, ri, to, ti, bo, bi;
};

Positions positionsFor(Rect rect, const Dictionary& border) {
  const float x0 = rect.origin.x, x1 = rect.origin.x + rect.size.width;
  const float y0 = rect.origin.y, y1 = rect.origin.y + rect.size.height;
  Positions p{x0, x0, x1, x1, y0, y0, y1, y1};
  for (const auto& [key, value] : border.entries()) {
    const DictionaryRef side = asDictionary(value);
    if (!side || !hasStyle(side, "double")) continue;
    const float t = thicknessOf(*side);
    switch (sideNamed(key)) {
      case Side::Left: p.lo = x0 - t; p.li = x0 + t; break;
      case Side::Right: p.ro = x1 + t; p.ri = x1 - t; break;
      case Side::Top: p.to = y0 - t; p.ti = y0 + t; break;
      case Side::Bottom: p.bo = y1 + t; p.bi = y1 - t; break;
      default: break;
    }
  }
  return p;
}

void addSegment(BezierPath& path, Point from, Point to) {
  path.moveToPoint(from);
  path.lineToPoint(to);
}

void addSideSegments(BezierPath& path, Side side, bool isDouble, float t, Rect rect, const Positions& p) {
  const float x0 = rect.origin.x, x1 = rect.origin.x + rect.size.width;
  const float y0 = rect.origin.y, y1 = rect.origin.y + rect.size.height;
  // d = t × √2, written as 2t / √2 and rounded once to 32 bits.
  const auto d = static_cast<float>(2.0 * double(t) / kSquareRootOfTwo);
  switch (side) {
    case Side::Top:
      if (!isDouble) { addSegment(path, {p.lo, y0}, {p.ro, y0}); break; }
      addSegment(path, {p.lo, p.to}, {p.ro, p.to});
      addSegment(path, {p.li, p.ti}, {p.ri, p.ti});
      break;
    case Side::Bottom:
      if (!isDouble) { addSegment(path, {p.lo, y1}, {p.ro, y1}); break; }
      addSegment(path, {p.lo, p.bo}, {p.ro, p.bo});
      addSegment(path, {p.li, p.bi}, {p.ri, p.bi});
      break;
    case Side::Left:
      if (!isDouble) { addSegment(path, {x0, p.to}, {x0, p.bo}); break; }
      addSegment(path, {p.lo, p.to}, {p.lo, p.bo});
      addSegment(path, {p.li, p.ti}, {p.li, p.bi});
      break;
    case Side::Right:
      if (!isDouble) { addSegment(path, {x1, p.to}, {x1, p.bo}); break; }
      addSegment(path, {p.ro, p.to}, {p.ro, p.bo});
      addSegment(path, {p.ri, p.ti}, {p.ri, p.bi});
      break;
    case Side::LeftDiagonal:
      if (!isDouble) { addSegment(path, {p.ri, p.ti}, {p.li, p.bi}); break; }
      addSegment(path, {p.ri - d, p.ti}, {p.li, p.bi - d});
      addSegment(path, {p.ri, p.ti + d}, {p.li + d, p.bi});
      break;
    case Side::RightDiagonal:
      if (!isDouble) { addSegment(path, {p.li, p.ti}, {p.ri, p.bi}); break; }
      addSegment(path, {p.li + d, p.ti}, {p.ri, p.bi - d});
      addSegment(path, {p.li, p.ti + d}, {p.ri - d, p.bi});
      break;
    case Side::Other:
      break;
  }
}

Ref substituteSide(const char* style, const Color& color, bool dotted) {
  std::vector<Dictionary::Entry> entries{
      {"style", str(style)}, {"thickness", real(kDefaultThickness)}, {"color", propertyListFromColor(color)}};
  if (dotted) entries.emplace_back("dash pattern", Array::make({real(kGuideDashLength)}));
  return Dictionary::make(std::move(entries));
}

void fillTriangle(GraphicsContext& context, const Color& color, Point start, Point first, Point second) {
  BezierPath path;
  path.moveToPoint(start);
  path.relativeLineToPoint(first);
  path.relativeLineToPoint(second);
  path.closePath();
  context.setColor(color);
  context.fill(path);
}

}  // namespace

std::optional<Color> colorFromPropertyList(const Ref& value) {
  const ArrayRef components = asArray(value);
  if (!components || (components->count() != kRgbComponents && components->count() != kRgbaComponents)) {
    return std::nullopt;
  }
  std::array<float, kRgbaComponents> rgba{0, 0, 0, 1};
  for (std::size_t i = 0; i < components->count(); ++i) {
    const NumberRef number = asNumber(components->objectAtIndex(i));
    if (!number || std::isnan(number->realValue())) return std::nullopt;
    rgba[i] = static_cast<float>(number->realValue());
  }
  return Color::colorWithCalibratedRedGreenBlueAlpha(rgba[0], rgba[1], rgba[2], rgba[3]);
}

ArrayRef propertyListFromColor(const Color& color) {
  return Array::make({real(color.red), real(color.green), real(color.blue), real(color.alpha)});
}

void drawLinesAroundRect(GraphicsContext& context, Rect rect, const DictionaryRef& border, Antialiasing antialias) {
  if (!border) return;
  const Antialiasing remembered = context.shouldAntialias();
  const Positions positions = positionsFor(rect, *border);
  for (const auto& [key, value] : border->entries()) {
    const DictionaryRef side = asDictionary(value);
    const Side which = sideNamed(key);
    if (which == Side::Other || !side || side->empty() || hasStyle(side, "none")) continue;
    const float thickness = thicknessOf(*side);
    BezierPath path;
    path.setLineWidth(thickness);
    context.setColor(colorFromPropertyList(side->objectForKey("color")).value_or(Color::blackColor()));
    const std::vector<float> dash = dashOf(*side);
    if (!dash.empty()) path.setLineDashCountPhase(dash, 0);
    if (isStraight(which) && antialias == Antialiasing::Off) context.setShouldAntialias(Antialiasing::Off);
    addSideSegments(path, which, hasStyle(side, "double"), thickness, rect, positions);
    context.stroke(path);
    if (antialias == Antialiasing::Off) context.setShouldAntialias(remembered);
  }
}

void drawBackgroundImageForLinesAroundRect(GraphicsContext& context, Rect rect, const DictionaryRef& border,
                                           MarkEmptySides markEmptySides) {
  if (!border || border->empty()) return;
  const auto substitutes = MutableDictionary::make();
  bool sawEmptySide = false;
  for (const auto& [key, value] : border->entries()) {
    const DictionaryRef side = asDictionary(value);
    if (!side) continue;
    if (hasStyle(side, "none")) {
      substitutes->setObjectForKey(substituteSide("double", Color::blueColor(), true), key);
    } else if (side->empty() && markEmptySides == MarkEmptySides::Yes) {
      substitutes->setObjectForKey(substituteSide("solid", Color::blackColor(), false), key);
      sawEmptySide = true;
    }
  }
  if (!substitutes->empty()) drawLinesAroundRect(context, rect, substitutes, Antialiasing::Off);
  if (!sawEmptySide) return;

  const Point center{rect.origin.x + 0.5f * rect.size.width, rect.origin.y + 0.5f * rect.size.height};
  const float radius = (rect.size.width + rect.size.height) * kProhibitionRadiusFactor;
  BezierPath sign = BezierPath::bezierPathWithOvalInRect(rect);
  sign.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
      center, radius, kProhibitionFirstArcStart, kProhibitionFirstArcEnd, ArcDirection::Clockwise);
  sign.closePath();
  sign.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
      center, radius, kProhibitionSecondArcStart, kProhibitionSecondArcEnd, ArcDirection::Clockwise);
  sign.closePath();
  context.setColor(kProhibitionRed);
  context.fill(sign);
}

void drawTileForColorInRect(GraphicsContext& context, const std::optional<Color>& color, Rect rect,
                            TileDiagonal diagonal) {
  const float x = rect.origin.x, y = rect.origin.y, w = rect.size.width, h = rect.size.height;
  if (diagonal == TileDiagonal::Falling) {
    fillTriangle(context, Color::whiteColor(), {x, y}, {w, 0}, {0, h});
    fillTriangle(context, Color::blackColor(), {x, y}, {w, h}, {-w, 0});
  } else {
    fillTriangle(context, Color::whiteColor(), {x + w, y + h}, {-w, 0}, {w, -h});
    fillTriangle(context, Color::blackColor(), {x, y}, {w, 0}, {-w, h});
  }
  if (!color) return;
  context.setColor(*color);
  context.fill(BezierPath::bezierPathWithRect(rect));
}

void drawCheckerInRect(GraphicsContext& context, Rect rect, float size, const Color& background,
                       const Color& checker) {
  context.setColor(background);
  context.rectFill(rect);
  const float x = rect.origin.x, y = rect.origin.y, w = rect.size.width, h = rect.size.height;
  if (!(size > 0) || !std::isfinite(size) || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) ||
      !std::isfinite(h)) {
    return;
  }
  const double rows = std::ceil(double(h) / size), columns = std::ceil(double(w) / (2.0 * size));
  if (rows * columns > kMaximumCheckerSquares) return;
  for (float yy = y; yy < y + h;) {
    // Truncated quotient, remainder with the dividend's sign: 0, 1 or -1.
    const auto parity = static_cast<float>(std::fmod(std::trunc(yy / size), 2.0f));
    for (float xx = x; xx < x + w;) {
      context.setColor(checker);
      context.rectFill({{xx + parity * size, yy}, {size, size}});
      const auto next = static_cast<float>(double(xx) + 2.0 * double(size));
      if (next <= xx) break;  // the step no longer moves a float this large
      xx = next;
    }
    const auto next = static_cast<float>(double(yy) + double(size));
    if (next <= yy) break;
    yy = next;
  }
}

}  // namespace qor
