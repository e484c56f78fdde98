#include "qor/shapes.h"

#include <algorithm>

namespace qor {
namespace {

constexpr float kHalf = 0.5f;
constexpr float kRoundRectInset = 1.0f;

// Check-box proportions, in units of the size. The ones written as decimal
// fractions are applied in double precision, as they always were; the exact
// binary ones in single precision.
constexpr double kBoxInset = 0.2, kBoxSide = 0.6;
constexpr double kTickCenter = 0.5, kTickLeft = 0.15, kTickDrop = 0.1, kTickRise = 0.4;
constexpr double kDashStart = 0.3, kDashLength = 0.4;
constexpr float kTickShortRise = 0.25f;
constexpr float kBoxLineFactor = 0.015625f;  // 1/64
constexpr float kMarkLineDivisor = 12.0f;

float scaled(double factor, float size) { return static_cast<float>(factor * size); }
float offset(float base, double factor, float size) { return static_cast<float>(base + factor * size); }

}  // namespace

Point bottomLeftOfRect(Rect r) { return r.origin; }
Point bottomCenterOfRect(Rect r) { return {r.origin.x + kHalf * r.size.width, r.origin.y}; }
Point bottomRightOfRect(Rect r) { return {r.origin.x + r.size.width, r.origin.y}; }
Point leftCenterOfRect(Rect r) { return {r.origin.x, r.origin.y + kHalf * r.size.height}; }
Point centerOfRect(Rect r) { return {r.origin.x + kHalf * r.size.width, r.origin.y + kHalf * r.size.height}; }
Point rightCenterOfRect(Rect r) { return {r.origin.x + r.size.width, r.origin.y + kHalf * r.size.height}; }
Point topLeftOfRect(Rect r) { return {r.origin.x, r.origin.y + r.size.height}; }
Point topCenterOfRect(Rect r) { return {r.origin.x + kHalf * r.size.width, r.origin.y + r.size.height}; }
Point topRightOfRect(Rect r) { return {r.origin.x + r.size.width, r.origin.y + r.size.height}; }

BezierPath bezierPathWithRoundRect(Rect rect, float radius) {
  const float x = rect.origin.x + kRoundRectInset, y = rect.origin.y + kRoundRectInset;
  const float w = rect.size.width - 2 * kRoundRectInset, h = rect.size.height - 2 * kRoundRectInset;
  BezierPath path;
  if (!(w > 0) || !(h > 0)) return path;
  const float maxX = x + w, maxY = y + h;
  if (radius > 0) {
    const auto r = static_cast<float>(std::min(double(radius), 0.5 * double(std::min(w, h))));
    path.moveToPoint({x + kHalf * w, maxY});
    path.appendBezierPathWithArcFromPointToPointRadius({x, maxY}, {x, y}, r);
    path.appendBezierPathWithArcFromPointToPointRadius({x, y}, {maxX, y}, r);
    path.appendBezierPathWithArcFromPointToPointRadius({maxX, y}, {maxX, maxY}, r);
    path.appendBezierPathWithArcFromPointToPointRadius({maxX, maxY}, {x, maxY}, r);
    path.closePath();
  } else {
    path.appendBezierPathWithRect({{x, y}, {w, h}});
  }
  return path;
}

void drawCheckbox(GraphicsContext& context, Point origin, float size, std::int32_t state) {
  const float s = size;
  const Antialiasing remembered = context.shouldAntialias();
  context.setShouldAntialias(Antialiasing::Off);
  context.setColor(Color::blackColor());
  BezierPath box;
  box.setLineJoinStyle(LineJoinStyle::Round);
  box.moveToPoint({offset(origin.x, kBoxInset, s), offset(origin.y, kBoxInset, s)});
  box.relativeLineToPoint({scaled(kBoxSide, s), 0});
  box.relativeLineToPoint({0, scaled(kBoxSide, s)});
  box.relativeLineToPoint({-scaled(kBoxSide, s), 0});
  box.relativeLineToPoint({0, -scaled(kBoxSide, s)});
  box.closePath();
  box.setLineWidth(s * kBoxLineFactor);
  context.stroke(box);
  context.setShouldAntialias(remembered);

  if (state == kCheckboxOn) {
    BezierPath tick;
    tick.setLineJoinStyle(LineJoinStyle::Round);
    tick.moveToPoint({static_cast<float>(origin.x + kTickCenter * s - kTickLeft * s),
                      static_cast<float>(origin.y + kTickCenter * s - kTickDrop * s)});
    tick.relativeLineToPoint({scaled(kTickLeft, s), kTickShortRise * s});
    tick.relativeLineToPoint({scaled(kTickRise, s), -scaled(kBoxSide, s)});
    tick.setLineWidth(s / kMarkLineDivisor);
    context.stroke(tick);
  } else if (state == kCheckboxMixed) {
    BezierPath dash;
    dash.moveToPoint({offset(origin.x, kDashStart, s), offset(origin.y, kTickCenter, s)});
    dash.relativeLineToPoint({scaled(kDashLength, s), 0});
    dash.setLineWidth(s / kMarkLineDivisor);
    context.stroke(dash);
  }
}

}  // namespace qor
