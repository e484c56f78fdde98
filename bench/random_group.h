// A random group of key bindings in the stored form, shared by the benchmarks
// of the conflict search and of the set overviews: 41 keys, six chords and
// plain keys, drawn from std::mt19937 with a fixed seed, so that every run and
// every benchmark sees the same group. A chord is a modifier-only stroke and a
// key stroke, a plain key one stroke; one entry in twenty has the context
// "text".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "qor/pane_model/set_format.h"
#include "qor/value.h"

namespace qor::bench {

inline constexpr std::uint32_t kRandomGroupSeed = 20240601;
inline constexpr std::array<std::int64_t, 6> kRandomGroupChords = {0x100000, 0x120000, 0x180000,
                                                                   0x140000, 0x1A0000, 0x80000};
inline constexpr int kPlainKeyPercent = 15;
inline constexpr int kContextPercent = 5;
inline constexpr const char* kRandomGroupKeys = "abcdefghijklmnopqrstuvwxyz0123456789,.;[]";

// A key stroke of `key` (its first character as the unichar) with `mask`.
inline DictionaryRef keyStroke(const std::string& key, std::int64_t mask) {
  return Dictionary::make({{kStrokeUnicharKey, integer(key[0])},
                           {kStrokeKeyKey, str(key)},
                           {kStrokeModifiersKey, integer(mask)}});
}

// `bindings` entries "[command<i>:] [] [0]" titled "Command <i>", one sequence each.
inline DictionaryRef randomGroup(std::size_t bindings) {
  std::mt19937 random(kRandomGroupSeed);
  const std::string keys = kRandomGroupKeys;
  std::uniform_int_distribution<std::size_t> keyIndex(0, keys.size() - 1);
  std::uniform_int_distribution<std::size_t> chordIndex(0, kRandomGroupChords.size() - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  auto group = MutableDictionary::make();
  for (std::size_t i = 0; i < bindings; ++i) {
    std::string key(1, keys[keyIndex(random)]);
    std::vector<Ref> strokes;
    if (percent(random) < kPlainKeyPercent) {
      strokes.push_back(keyStroke(key, 0));
    } else {
      std::int64_t mask = kRandomGroupChords[chordIndex(random)];
      strokes.push_back(Dictionary::make({{kStrokeModifiersKey, integer(mask)}}));
      strokes.push_back(keyStroke(key, mask));
    }
    auto entry = MutableDictionary::make({{kKeySequencesKey, Array::make({Array::make(std::move(strokes))})},
                                          {kEntryTitleKey, str("Command " + std::to_string(i))}});
    if (percent(random) < kContextPercent) entry->setObjectForKey(str("text"), kEntryContextKey);
    group->setObjectForKey(entry, "[command" + std::to_string(i) + ":] [] [0]");
  }
  return group;
}

}  // namespace qor::bench
