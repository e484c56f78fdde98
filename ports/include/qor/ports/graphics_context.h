/// @file
/// The graphics-context port: what the drawing toolbox draws with.
///
/// The toolbox builds paths as plain values (`BezierPath`) and hands them to
/// the current `GraphicsContext` to stroke or fill, in the colour last `set`.
/// The recording context (platform/headless) keeps every call so tests can
/// assert exact geometry; the Qt context (platform/qt) paints on any
/// QPaintDevice (a widget, a QImage, a PDF or SVG generator).
///
/// Coordinates are 32-bit floats in the context's user space. Angles are in
/// degrees, measured from the positive x axis toward the positive y axis; an
/// arc drawn clockwise runs toward decreasing angles. (Where y grows downward,
/// as in a view, increasing angles turn clockwise on screen: the names follow
/// the angles, not the screen.)
///
/// The text half of the port answers what invisible-character marks need: the
/// characters and fonts of a text (`TextStorage`) and the boxes its glyphs were
/// laid out in (`LayoutManager`).
///
/// Threads: Color, BezierPath and ResolvedPath are values usable from any
/// thread; a context is drawn into on the main thread only.
#pragma once

#include "qor/toolbox_export.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "qor/attributed_string.h"
#include "qor/geometry.h"

namespace qor {

/// A calibrated RGBA colour, each component in 0..1.
struct QOR_TOOLBOX_EXPORT Color {
  /// A component; set directly, it is kept as given (only
  /// colorWithCalibratedRedGreenBlueAlpha clamps).
  ///@{
  float red = 0;
  float green = 0;
  float blue = 0;
  float alpha = 1;
  ///@}

  /// Components are clamped to 0..1; NaN reads as 0.
  [[nodiscard]] static Color colorWithCalibratedRedGreenBlueAlpha(float red, float green, float blue, float alpha);
  /// Opaque black (white, blue).
  ///@{
  [[nodiscard]] static Color blackColor() { return {0, 0, 0, 1}; }
  [[nodiscard]] static Color whiteColor() { return {1, 1, 1, 1}; }
  [[nodiscard]] static Color blueColor() { return {0, 0, 1, 1}; }
  ///@}
  friend bool operator==(const Color&, const Color&) = default;
};

/// The numbers are the toolkit's own join values (1 = rounded).
enum class LineJoinStyle { Miter = 0, Round = 1, Bevel = 2 };
/// Which way an arc runs: toward increasing angles (Counterclockwise) or
/// decreasing ones (Clockwise).
enum class ArcDirection { Counterclockwise, Clockwise };
/// Whether a context smooths the edges it paints.
enum class Antialiasing { Off, On };

/// A path as a list of elements, with the stroke settings that travel with it
/// (line width 1.0, no dash, mitred joins, butt caps unless set otherwise).
/// Building never fails: elements with non-finite numbers are kept as given
/// and dropped when the path is resolved for painting.
class QOR_TOOLBOX_EXPORT BezierPath {
 public:
  /// Starts a new sub-path at `point`.
  struct MoveTo {
    Point point;  ///< The sub-path's start.
    friend bool operator==(const MoveTo&, const MoveTo&) = default;
  };
  /// A line from the current point to `point`. Without a current point it
  /// starts a sub-path at `point`; when no sub-path is open (after a close, a
  /// rectangle or an oval) it starts a new one at the current point.
  struct LineTo {
    Point point;  ///< The line's end.
    friend bool operator==(const LineTo&, const LineTo&) = default;
  };
  /// A line from the current point by `delta`, as LineTo; left out without a
  /// current point.
  struct RelativeLineTo {
    Point delta;  ///< The line's end minus its start.
    friend bool operator==(const RelativeLineTo&, const RelativeLineTo&) = default;
  };
  /// Closes the open sub-path with a line back to its start, which becomes
  /// the current point; nothing when no sub-path is open.
  struct ClosePath { friend bool operator==(const ClosePath&, const ClosePath&) = default; };
  /// A closed sub-path of its own: (x, y), (maxX, y), (maxX, maxY), (x, maxY).
  struct RectElement {
    Rect rect;  ///< The rectangle.
    friend bool operator==(const RectElement&, const RectElement&) = default;
  };
  /// A closed sub-path of its own, the ellipse inscribed in `rect`, traced
  /// toward increasing angles from the point at angle 0.
  struct OvalElement {
    Rect rect;  ///< The rectangle the ellipse is inscribed in.
    friend bool operator==(const OvalElement&, const OvalElement&) = default;
  };
  /// Joined to the current sub-path by a line to the arc's start, or starting
  /// a new sub-path when there is none open (empty path, after a close).
  struct Arc {
    Point center;          ///< The circle's centre.
    float radius = 0;      ///< The circle's radius.
    float startAngle = 0;  ///< Where the arc starts, in degrees.
    /// Where the arc ends, in degrees. The arc turns from `startAngle` in
    /// `direction` until it reaches `endAngle` (mod 360), once round at most;
    /// equal angles give no arc, only the line or move to its start.
    float endAngle = 0;
    ArcDirection direction = ArcDirection::Counterclockwise;  ///< Which way the arc runs.
    friend bool operator==(const Arc&, const Arc&) = default;
  };
  /// PostScript's arct: a corner of `radius` tangent to the line from the
  /// current point to `point1` and to the line from `point1` to `point2`.
  struct ArcFromPoint {
    Point point1;      ///< The corner.
    Point point2;      ///< A point on the corner's second leg.
    float radius = 0;  ///< The rounding's radius.
    friend bool operator==(const ArcFromPoint&, const ArcFromPoint&) = default;
  };
  /// One element of a path, as the building calls added it.
  using Element = std::variant<MoveTo, LineTo, RelativeLineTo, ClosePath, RectElement, OvalElement, Arc, ArcFromPoint>;

  /// The empty path.
  [[nodiscard]] static BezierPath bezierPath() { return {}; }
  /// A path of `rect` alone (appendBezierPathWithRect).
  [[nodiscard]] static BezierPath bezierPathWithRect(Rect rect);
  /// A path of the ellipse inscribed in `rect` alone (appendBezierPathWithOvalInRect).
  [[nodiscard]] static BezierPath bezierPathWithOvalInRect(Rect rect);

  /// Appends a MoveTo: starts a new sub-path at `point`.
  void moveToPoint(Point point) { elements_.emplace_back(MoveTo{point}); }
  /// Appends a LineTo: a line from the current point to `point`.
  void lineToPoint(Point point) { elements_.emplace_back(LineTo{point}); }
  /// Appends a RelativeLineTo: a line from the current point by `delta`.
  void relativeLineToPoint(Point delta) { elements_.emplace_back(RelativeLineTo{delta}); }
  /// Appends a ClosePath: closes the open sub-path.
  void closePath() { elements_.emplace_back(ClosePath{}); }
  /// Appends a RectElement: `rect` as a closed sub-path of its own.
  void appendBezierPathWithRect(Rect rect) { elements_.emplace_back(RectElement{rect}); }
  /// Appends an OvalElement: the ellipse inscribed in `rect`, a closed sub-path of its own.
  void appendBezierPathWithOvalInRect(Rect rect) { elements_.emplace_back(OvalElement{rect}); }
  /// Appends an Arc: the arc of `radius` about `center` from `startAngle` to
  /// `endAngle` (degrees), running in `direction`.
  void appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(Point center, float radius,
                                                                           float startAngle, float endAngle,
                                                                           ArcDirection direction) {
    elements_.emplace_back(Arc{center, radius, startAngle, endAngle, direction});
  }
  /// Appends an ArcFromPoint: a corner of `radius` at `point1` toward `point2`.
  void appendBezierPathWithArcFromPointToPointRadius(Point point1, Point point2, float radius) {
    elements_.emplace_back(ArcFromPoint{point1, point2, radius});
  }
  /// Appends the elements of `path` (its stroke settings are not taken).
  void appendBezierPath(const BezierPath& path);

  /// The stroke width, kept as given; 1.0 until set. The Qt context strokes
  /// a negative or non-finite width as 1.0.
  ///@{
  void setLineWidth(float width) { lineWidth_ = width; }
  [[nodiscard]] float lineWidth() const { return lineWidth_; }
  ///@}
  /// Lengths of painted and unpainted stretches, alternating, starting with a
  /// painted one; an odd count repeats. `phase` shifts the start along the
  /// pattern. An empty pattern, or one with a negative, zero-sum or
  /// non-finite length, clears the dash (a continuous line).
  void setLineDashCountPhase(std::span<const float> pattern, float phase);
  /// The dash pattern and phase in force: empty and 0 for a continuous line
  /// (a non-finite phase was taken as 0).
  ///@{
  [[nodiscard]] const std::vector<float>& lineDash() const { return dash_; }
  [[nodiscard]] float lineDashPhase() const { return dashPhase_; }
  ///@}
  /// How stroked lines join at corners; Miter until set.
  ///@{
  void setLineJoinStyle(LineJoinStyle style) { join_ = style; }
  [[nodiscard]] LineJoinStyle lineJoinStyle() const { return join_; }
  ///@}

  /// Whether the path has no elements (a path whose elements all resolve
  /// away is not empty).
  [[nodiscard]] bool isEmpty() const { return elements_.empty(); }
  /// The elements in the order they were added.
  [[nodiscard]] const std::vector<Element>& elements() const { return elements_; }

 private:
  std::vector<Element> elements_;
  float lineWidth_ = 1.0f;
  std::vector<float> dash_;
  float dashPhase_ = 0;
  LineJoinStyle join_ = LineJoinStyle::Miter;
};

/// A path reduced to what every painter offers: moves, lines, circular arcs
/// about a centre (the current point is the arc's start) and closes. Relative
/// lines become absolute, rectangles and ovals become their outlines, arct
/// corners become a line and an arc.
struct QOR_TOOLBOX_EXPORT ResolvedPath {
  /// Starts a sub-path at `point`.
  struct Move {
    Point point;  ///< The sub-path's start.
  };
  /// A line from the current point to `point`.
  struct Line {
    Point point;  ///< The line's end.
  };
  /// `sweep` in degrees, positive toward increasing angles, at most 360 either way.
  struct ArcSweep {
    Point center;      ///< The circle's centre.
    float radius;      ///< The circle's radius.
    float startAngle;  ///< Where the arc starts (the current point), in degrees.
    float sweep;       ///< The angle the arc turns through, in degrees.
  };
  /// An ellipse inscribed in `rect`, traced once toward increasing angles from
  /// angle 0 and closed; it stands alone as a sub-path.
  struct Ellipse {
    Rect rect;  ///< The rectangle the ellipse is inscribed in.
  };
  /// Closes the open sub-path with a line back to its start.
  struct Close {};
  /// One element of a resolved path.
  using Element = std::variant<Move, Line, ArcSweep, Ellipse, Close>;
  std::vector<Element> elements;  ///< The elements in drawing order.
};

/// Resolves `path`. Elements with NaN or infinite numbers are left out; a
/// relative line or arct without a current point is left out; an arct whose
/// points coincide or line up, or whose radius is not above 0, becomes a line
/// to `point1`. Result: empty for an empty path.
[[nodiscard]] QOR_TOOLBOX_EXPORT ResolvedPath resolveBezierPath(const BezierPath& path);

/// A font to draw with, by family and size; an empty family means the
/// toolkit's default. (Rich text has fonts of its own, with descriptors.)
struct DrawingFont {
  std::string family;   ///< The family name; empty: the toolkit's default.
  float pointSize = 0;  ///< The size in points.
  friend bool operator==(const DrawingFont&, const DrawingFont&) = default;
};

/// The current graphics context. Calls happen on the main thread while a view,
/// an image or a page is being drawn.
class QOR_TOOLBOX_EXPORT GraphicsContext {
 public:
  virtual ~GraphicsContext() = default;

  /// Whether what is painted next has its edges smoothed.
  ///@{
  [[nodiscard]] virtual Antialiasing shouldAntialias() const = 0;
  virtual void setShouldAntialias(Antialiasing antialiasing) = 0;
  ///@}
  /// Makes `color` the current stroke and fill colour.
  virtual void setColor(const Color& color) = 0;
  /// Strokes `path` with its own width, dash and join in the current colour.
  virtual void stroke(const BezierPath& path) = 0;
  /// Fills `path` in the current colour, non-zero winding rule.
  virtual void fill(const BezierPath& path) = 0;
  /// Fills `rect` with the current colour, replacing what is there (alpha
  /// included) where the device can replace; other devices paint over.
  virtual void rectFill(Rect rect) = 0;
  /// The user's default text font at `size` points.
  [[nodiscard]] virtual DrawingFont userFontOfSize(float size) const = 0;
  /// Draws UTF-8 `text` with the top-left corner of its line box at `point`.
  virtual void drawStringAtPointWithAttributes(const std::string& text, Point point, const DrawingFont& font,
                                               const Color& color) = 0;
};

/// The characters of a laid-out text, indexed in UTF-16 code units.
class QOR_TOOLBOX_EXPORT TextStorage {
 public:
  virtual ~TextStorage() = default;
  /// Length in UTF-16 code units.
  [[nodiscard]] virtual std::size_t length() const = 0;
  /// The code unit at `index`; 0 when `index` is not below length().
  [[nodiscard]] virtual char16_t characterAtIndex(std::size_t index) const = 0;
  /// The font attribute of the character at `index`; nullopt when it has none
  /// or `index` is not below length().
  [[nodiscard]] virtual std::optional<DrawingFont> fontAtIndex(std::size_t index) const = 0;
};

/// Where glyphs were laid out: a layout manager together with the one text
/// container asked about. Glyph indexes are taken equal to character indexes.
class QOR_TOOLBOX_EXPORT LayoutManager {
 public:
  virtual ~LayoutManager() = default;
  /// The bounding rectangle of `glyphs` in the container's coordinates (y
  /// downward). Result: an empty rectangle at the origin for glyphs that were
  /// not laid out.
  [[nodiscard]] virtual Rect boundingRectForGlyphRangeInTextContainer(TextRange glyphs) const = 0;
};

}  // namespace qor
