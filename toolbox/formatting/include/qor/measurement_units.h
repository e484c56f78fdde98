/// @file
/// Lengths in the units the host's rulers and dialogs offer, to and from
/// points (1/72 inch), in 32-bit floating point like the rest of the geometry.
///
/// Example:
/// @code
///   qor::pointInMeasurementUnit(2.0f, qor::MeasurementUnit::Inches);        // 144.0f
///   qor::valueInMeasurementUnit(72.0f, qor::MeasurementUnit::Centimeters);  // 2.54f
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>

namespace qor {

/// Units, by the codes the host stores.
enum class MeasurementUnit : std::int32_t {
  Inches = 0,       ///< 72 points
  Centimeters = 1,  ///< 72 / 2.54 points
  Points = 2,
  Picas = 3,        ///< 12 points
};

/// The unit of `code`; every code outside 0 to 3 is Points, so that lengths
/// in an unknown unit pass unchanged.
[[nodiscard]] constexpr MeasurementUnit measurementUnitFromCode(std::int32_t code) {
  constexpr std::int32_t kLast = static_cast<std::int32_t>(MeasurementUnit::Picas);
  return code >= 0 && code <= kLast ? static_cast<MeasurementUnit>(code) : MeasurementUnit::Points;
}

/// `value` in `unit`, as points. Inches and picas multiply in single
/// precision; centimetres multiply by 28.346456692913385 in double precision
/// and round once to single. Points, and any value outside the enumerators,
/// pass unchanged.
/// @code
///   1.0f cm -> 28.346457f
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT float pointInMeasurementUnit(float value, MeasurementUnit unit);

/// `points` in `unit`. Inches and picas divide in single precision;
/// centimetres compute points / 72.0 * 2.54 in double precision, dividing
/// first, and round once to single. Points, and any value outside the
/// enumerators, pass unchanged.
/// @code
///   72.0f cm -> 2.54f
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT float valueInMeasurementUnit(float points, MeasurementUnit unit);

}  // namespace qor
