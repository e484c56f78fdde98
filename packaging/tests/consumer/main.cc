// Calls one function of several toolbox subsystems through the installed
// headers and library, and prints what they give.
#include <cstdio>

#include "qor/gzip.h"
#include "qor/key_masks.h"
#include "qor/key_notation.h"
#include "qor/list_numbering.h"
#include "qor/ports/graphics_context.h"
#include "qor/toolbox_version.h"
#include "qor/value.h"

int main() {
  std::printf("version %s\n", qor::toolboxVersion());
  std::printf("modifiers %s\n", qor::stringFromModifier(qor::kCommandKeyMask | qor::kShiftKeyMask).c_str());
  std::printf("key %s\n", qor::stringForMenuKeyEquivalentFromKeyCode(0xF704).c_str());
  // 1994 in Roman numerals: M CM XC IV.
  auto roman = qor::numberStringWithNumber(1994, qor::ListNumberStyle::UpperRoman);
  std::printf("roman %s\n", roman ? roman->c_str() : "(none)");
  // A bare deflate stream is no gzip file: inflating it must fail.
  auto packed = qor::compressedDataWithData(qor::Data::make({'h', 'i'}));
  std::printf("deflated %s, inflated as gzip %s\n", packed ? "yes" : "no",
              qor::uncompressedDataWithData(packed) ? "yes" : "no");
  // The ports install with the rest: colour components clamp to 0..1.
  std::printf("red clamped to %g\n", qor::Color::colorWithCalibratedRedGreenBlueAlpha(2, 0, 0, 1).red);
  return 0;
}
