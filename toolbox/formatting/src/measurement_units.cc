#include "qor/measurement_units.h"

namespace qor {

namespace {

constexpr float kPointsPerInch = 72.0f;
constexpr float kPointsPerPica = 12.0f;
constexpr double kCentimetersPerInch = 2.54;
// 72 / 2.54 rounded to double, the factor centimetres are multiplied by.
constexpr double kPointsPerCentimeter = 28.346456692913385;

}  // namespace

float pointInMeasurementUnit(float value, MeasurementUnit unit) {
  switch (unit) {
    case MeasurementUnit::Inches:
      return value * kPointsPerInch;
    case MeasurementUnit::Centimeters:
      return static_cast<float>(static_cast<double>(value) * kPointsPerCentimeter);
    case MeasurementUnit::Picas:
      return value * kPointsPerPica;
    case MeasurementUnit::Points:
      break;
  }
  return value;
}

float valueInMeasurementUnit(float points, MeasurementUnit unit) {
  switch (unit) {
    case MeasurementUnit::Inches:
      return points / kPointsPerInch;
    case MeasurementUnit::Centimeters:
      // Divide first, then multiply, and round to single precision once.
      return static_cast<float>(static_cast<double>(points) / static_cast<double>(kPointsPerInch) *
                                kCentimetersPerInch);
    case MeasurementUnit::Picas:
      return points / kPointsPerPica;
    case MeasurementUnit::Points:
      break;
  }
  return points;
}

}  // namespace qor
