#include <cmath>
#include <numbers>

#include "qor/ports/graphics_context.h"

namespace qor {
namespace {

constexpr float kFullTurn = 360.0f;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

float clampUnit(float component) {
  if (std::isnan(component)) return 0;
  return std::fmin(1.0f, std::fmax(0.0f, component));
}

bool finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }
bool finite(Rect r) { return finite(r.origin) && std::isfinite(r.size.width) && std::isfinite(r.size.height); }

// The signed sweep from `start` to `end` in the given direction: in (0, 360]
// toward increasing angles, [-360, 0) toward decreasing ones; 0 when the
// angles are equal.
float arcSweep(float start, float end, ArcDirection direction) {
  if (start == end) return 0;
  float sweep = std::fmod(end - start, kFullTurn);
  if (direction == ArcDirection::Clockwise) {
    if (sweep >= 0) sweep -= kFullTurn;
  } else if (sweep <= 0) {
    sweep += kFullTurn;
  }
  return sweep;
}

Point pointAtAngle(Point center, float radius, float degrees) {
  const double radians = double(degrees) / kDegreesPerRadian;
  return {float(center.x + radius * std::cos(radians)), float(center.y + radius * std::sin(radians))};
}

// Builds the resolved form while tracking the current point and whether a
// sub-path is open.
class Resolver {
 public:
  void moveTo(Point p) {
    out_.elements.emplace_back(ResolvedPath::Move{p});
    current_ = start_ = p;
    open_ = true;
  }
  void lineTo(Point p) {
    if (!current_) {
      moveTo(p);
      return;
    }
    if (!open_) moveTo(*current_);
    out_.elements.emplace_back(ResolvedPath::Line{p});
    current_ = p;
  }
  void close() {
    if (!open_) return;
    out_.elements.emplace_back(ResolvedPath::Close{});
    current_ = start_;
    open_ = false;
  }
  void rect(Rect r) {
    moveTo(r.origin);
    lineTo({r.origin.x + r.size.width, r.origin.y});
    lineTo({r.origin.x + r.size.width, r.origin.y + r.size.height});
    lineTo({r.origin.x, r.origin.y + r.size.height});
    close();
  }
  void oval(Rect r) {
    out_.elements.emplace_back(ResolvedPath::Ellipse{r});
    current_ = start_ = Point{r.origin.x + r.size.width, r.origin.y + 0.5f * r.size.height};
    open_ = false;
  }
  void arc(Point center, float radius, float startAngle, float sweep) {
    const Point from = pointAtAngle(center, radius, startAngle);
    if (open_) {
      lineTo(from);
    } else {
      moveTo(from);
    }
    if (sweep == 0) return;
    out_.elements.emplace_back(ResolvedPath::ArcSweep{center, radius, startAngle, sweep});
    current_ = pointAtAngle(center, radius, startAngle + sweep);
  }
  void arcFromPoint(Point p1, Point p2, float radius) {
    if (!current_) return;
    const Point p0 = *current_;
    const double ax = p0.x - p1.x, ay = p0.y - p1.y;
    const double bx = p2.x - p1.x, by = p2.y - p1.y;
    const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
    const double cross = ax * by - ay * bx;
    if (!(radius > 0) || !std::isfinite(radius) || la == 0 || lb == 0 || cross == 0) {
      lineTo(p1);
      return;
    }
    const double ux = ax / la, uy = ay / la, vx = bx / lb, vy = by / lb;
    // The angle at p1 between the two legs; the tangent points lie r / tan(half) from p1.
    const double half = 0.5 * std::acos(std::fmax(-1.0, std::fmin(1.0, ux * vx + uy * vy)));
    const double tangent = radius / std::tan(half);
    const double toCenter = radius / std::sin(half);
    const double bisectorX = ux + vx, bisectorY = uy + vy;
    const double bisectorLength = std::hypot(bisectorX, bisectorY);
    const Point t1{float(p1.x + ux * tangent), float(p1.y + uy * tangent)};
    const Point t2{float(p1.x + vx * tangent), float(p1.y + vy * tangent)};
    const Point c{float(p1.x + bisectorX / bisectorLength * toCenter), float(p1.y + bisectorY / bisectorLength * toCenter)};
    const double start = std::atan2(t1.y - c.y, t1.x - c.x) * kDegreesPerRadian;
    const double end = std::atan2(t2.y - c.y, t2.x - c.x) * kDegreesPerRadian;
    double sweep = std::remainder(end - start, 360.0);  // the short way round, in [-180, 180]
    lineTo(t1);
    out_.elements.emplace_back(ResolvedPath::ArcSweep{c, radius, float(start), float(sweep)});
    current_ = t2;
  }
  void relativeLineTo(Point delta) {
    if (!current_) return;
    lineTo({current_->x + delta.x, current_->y + delta.y});
  }
  ResolvedPath take() { return std::move(out_); }

 private:
  ResolvedPath out_;
  std::optional<Point> current_;
  Point start_;
  bool open_ = false;
};

}  // namespace

Color Color::colorWithCalibratedRedGreenBlueAlpha(float red, float green, float blue, float alpha) {
  return {clampUnit(red), clampUnit(green), clampUnit(blue), clampUnit(alpha)};
}

BezierPath BezierPath::bezierPathWithRect(Rect rect) {
  BezierPath path;
  path.appendBezierPathWithRect(rect);
  return path;
}

BezierPath BezierPath::bezierPathWithOvalInRect(Rect rect) {
  BezierPath path;
  path.appendBezierPathWithOvalInRect(rect);
  return path;
}

void BezierPath::appendBezierPath(const BezierPath& path) {
  elements_.insert(elements_.end(), path.elements_.begin(), path.elements_.end());
}

void BezierPath::setLineDashCountPhase(std::span<const float> pattern, float phase) {
  double total = 0;
  for (float length : pattern) {
    if (!std::isfinite(length) || length < 0) {
      total = 0;
      break;
    }
    total += length;
  }
  if (total <= 0 || !std::isfinite(total)) {
    dash_.clear();
    dashPhase_ = 0;
    return;
  }
  dash_.assign(pattern.begin(), pattern.end());
  dashPhase_ = std::isfinite(phase) ? phase : 0;
}

ResolvedPath resolveBezierPath(const BezierPath& path) {
  Resolver resolver;
  for (const auto& element : path.elements()) {
    if (const auto* move = std::get_if<BezierPath::MoveTo>(&element)) {
      if (finite(move->point)) resolver.moveTo(move->point);
    } else if (const auto* line = std::get_if<BezierPath::LineTo>(&element)) {
      if (finite(line->point)) resolver.lineTo(line->point);
    } else if (const auto* relative = std::get_if<BezierPath::RelativeLineTo>(&element)) {
      if (finite(relative->delta)) resolver.relativeLineTo(relative->delta);
    } else if (std::holds_alternative<BezierPath::ClosePath>(element)) {
      resolver.close();
    } else if (const auto* rect = std::get_if<BezierPath::RectElement>(&element)) {
      if (finite(rect->rect)) resolver.rect(rect->rect);
    } else if (const auto* oval = std::get_if<BezierPath::OvalElement>(&element)) {
      if (finite(oval->rect)) resolver.oval(oval->rect);
    } else if (const auto* arc = std::get_if<BezierPath::Arc>(&element)) {
      if (finite(arc->center) && std::isfinite(arc->radius) && std::isfinite(arc->startAngle) &&
          std::isfinite(arc->endAngle)) {
        resolver.arc(arc->center, arc->radius, arc->startAngle, arcSweep(arc->startAngle, arc->endAngle, arc->direction));
      }
    } else if (const auto* corner = std::get_if<BezierPath::ArcFromPoint>(&element)) {
      if (finite(corner->point1) && finite(corner->point2) && !std::isnan(corner->radius)) {
        resolver.arcFromPoint(corner->point1, corner->point2, corner->radius);
      }
    }
  }
  return resolver.take();
}

}  // namespace qor
