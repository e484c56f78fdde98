/// @file
/// 32-bit floating-point geometry shared by the toolkit ports and the drawing
/// toolbox. Whether y grows downward or upward is said by each user.
///
/// Threads: plain values, usable from any thread.
#pragma once

#include "qor/toolbox_export.h"

namespace qor {

/// A point; (0, 0) by default.
struct QOR_TOOLBOX_EXPORT Point {
  float x = 0;  ///< horizontal coordinate
  float y = 0;  ///< vertical coordinate
  friend bool operator==(const Point&, const Point&) = default;
};

/// A width and a height; zero by default.
struct QOR_TOOLBOX_EXPORT Size {
  float width = 0;   ///< horizontal extent
  float height = 0;  ///< vertical extent
  friend bool operator==(const Size&, const Size&) = default;
};

/// A rectangle: its origin corner and its size.
struct QOR_TOOLBOX_EXPORT Rect {
  Point origin;  ///< the corner from which `size` extends
  Size size;     ///< width and height from `origin`
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace qor
