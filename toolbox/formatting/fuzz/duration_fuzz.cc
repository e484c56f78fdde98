// libFuzzer target for durations as users type them. Any text must give
// words exactly when it holds an ASCII digit, store only the seven component
// keys, and count a number of seconds that is never negative or NaN (a run of
// digits too long for a double counts as infinity). Words come from the
// host's resources, as in the editor.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "qor/bundle.h"
#include "qor/duration.h"

namespace {

constexpr const char* kComponentKeys[] = {"year", "month", "week", "day", "hour", "minute", "second"};

bool isComponentKey(const std::string& key) {
  for (const char* known : kComponentKeys)
    if (key == known) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool bundled = [] {
    qor::setMainBundle(std::make_shared<qor::Bundle>(QOR_HOST_RESOURCES_DIR, std::vector<std::string>{"en"}));
    return true;
  }();
  (void)bundled;

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const bool hasDigit = input.find_first_of("0123456789") != std::string_view::npos;
  auto components = qor::MutableDictionary::make();
  const auto words = qor::durationStringFromString(input, components);
  if (words.has_value() != hasDigit) std::abort();
  if (words && words->empty()) std::abort();
  for (const auto& [key, value] : components->entries())
    if (!isComponentKey(key) || !qor::asString(value)) std::abort();

  const double seconds = qor::durationFromString(input);
  if (std::isnan(seconds) || seconds < 0 || (!hasDigit && seconds != 0)) std::abort();
  return 0;
}
