/// @file
/// 32-bit floating-point geometry shared by the toolkit ports and the drawing
/// toolbox. Whether y grows downward or upward is said by each user.
#pragma once

#include "qor/toolbox_export.h"

namespace qor {

struct QOR_TOOLBOX_EXPORT Point {
  float x = 0;
  float y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct QOR_TOOLBOX_EXPORT Size {
  float width = 0;
  float height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct QOR_TOOLBOX_EXPORT Rect {
  Point origin;
  Size size;
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace qor
