#include "qor/measurement_units.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

namespace qor {
namespace {

// Floats are compared by their bits: nothing is "close enough", and 0.0f and
// -0.0f are told apart.
std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }

struct Case {
  float value;
  MeasurementUnit unit;
  float expected;
};

TEST(MeasurementUnits, PointsFromUnit) {
  const Case cases[] = {
      {1.0f, MeasurementUnit::Inches, 72.0f},
      {1.0f, MeasurementUnit::Centimeters, 28.346457f},  // 72 / 2.54 rounded to single: 0x1.c58b16p+4
      {1.0f, MeasurementUnit::Picas, 12.0f},
      {1.0f, MeasurementUnit::Points, 1.0f},
      {-0.0f, MeasurementUnit::Inches, -0.0f},
      // 1.9f * 28.346456692913385 in double, rounded once: 0x1.aeddbcp+5. The
      // product of the two singles would round to 0x1.aeddbap+5.
      {1.9f, MeasurementUnit::Centimeters, 0x1.aeddbcp+5f},
      {std::numeric_limits<float>::max(), MeasurementUnit::Inches, std::numeric_limits<float>::infinity()},
  };
  for (const auto& c : cases) EXPECT_EQ(bits(pointInMeasurementUnit(c.value, c.unit)), bits(c.expected)) << c.value;
}

TEST(MeasurementUnits, UnitFromPoints) {
  const Case cases[] = {
      {72.0f, MeasurementUnit::Centimeters, 2.54f},  // 72 / 72.0 * 2.54 = 2.54: 0x1.451eb8p+1
      {36.0f, MeasurementUnit::Inches, 0.5f},
      {24.0f, MeasurementUnit::Picas, 2.0f},
      {7.0f, MeasurementUnit::Points, 7.0f},
      // 0.7f / 72.0 * 2.54 in double, rounded once: 0x1.949802p-6; dividing
      // and multiplying in single precision would give 0x1.9498p-6.
      {0.7f, MeasurementUnit::Centimeters, 0x1.949802p-6f},
  };
  for (const auto& c : cases) EXPECT_EQ(bits(valueInMeasurementUnit(c.value, c.unit)), bits(c.expected)) << c.value;
}

TEST(MeasurementUnits, UnknownCodesPassValuesUnchanged) {
  for (std::int32_t code : {2, 4, 5, -1, std::numeric_limits<std::int32_t>::min()}) {
    EXPECT_EQ(measurementUnitFromCode(code), MeasurementUnit::Points) << code;
    EXPECT_EQ(bits(pointInMeasurementUnit(1.0f, measurementUnitFromCode(code))), bits(1.0f));
    EXPECT_EQ(bits(pointInMeasurementUnit(1.0f, static_cast<MeasurementUnit>(code))), bits(1.0f));
    EXPECT_EQ(bits(valueInMeasurementUnit(3.5f, static_cast<MeasurementUnit>(code))), bits(3.5f));
  }
  for (std::int32_t code = 0; code <= 3; ++code) {
    EXPECT_EQ(static_cast<std::int32_t>(measurementUnitFromCode(code)), code);
  }
}

}  // namespace
}  // namespace qor
