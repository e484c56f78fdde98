#include "conflicts.h"

#include <cstdint>

#include "qor/key_masks.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr const char* kConflictFormat = "'%@' is currently bound to %@.";
constexpr const char* kQuotedTitleFormat = "'%@'";
constexpr const char* kTitleSeparator = ", ";

// The search runs after every key press over every binding of a group, so it
// looks at values through plain pointers instead of taking references.
template <typename T>
const T* view(const Ref& value, Kind kind) {
  return value && value->kind() == kind ? static_cast<const T*>(value.get()) : nullptr;
}

// Strokes and entries hold a handful of keys: a scan costs less than hashing
// the key for the dictionary's index.
const Ref* findSmall(const Dictionary& dictionary, std::string_view key) {
  for (const auto& [name, value] : dictionary.entries())
    if (name == key) return &value;
  return nullptr;
}

// A captured stroke, read once per search.
struct Stroke {
  bool hasKey = false;          // false: a modifier-only stroke
  const String* key = nullptr;  // null also when "key" is not a string
  std::uint32_t modifiers = 0;  // already reduced to kModifierMaskBits
};

std::uint32_t modifiersOf(const Dictionary* stroke) {
  const Ref* modifiers = stroke ? findSmall(*stroke, kStrokeModifiersKey) : nullptr;
  const auto* number = modifiers ? view<Number>(*modifiers, Kind::Number) : nullptr;
  return number ? static_cast<std::uint32_t>(number->integerValue()) & kModifierMaskBits : 0;
}

Stroke readStroke(const Ref& value) {
  Stroke stroke;
  const auto* dictionary = view<Dictionary>(value, Kind::Dictionary);
  const Ref* key = dictionary ? findSmall(*dictionary, kStrokeKeyKey) : nullptr;
  stroke.hasKey = key != nullptr;
  stroke.key = key ? view<String>(*key, Kind::String) : nullptr;
  stroke.modifiers = modifiersOf(dictionary);
  return stroke;
}

// Reads a stored stroke only as far as it takes to tell it from `captured`:
// most stored key strokes differ in their key, and their modifiers are then
// never looked at. A "key" that is not a string is a key all the same, equal
// to nothing.
bool storedStrokeMatches(const Ref& value, const Stroke& captured) {
  const auto* stroke = view<Dictionary>(value, Kind::Dictionary);
  const Ref* key = stroke ? findSmall(*stroke, kStrokeKeyKey) : nullptr;
  if ((key != nullptr) != captured.hasKey) return false;
  if (key) {
    const auto* text = view<String>(*key, Kind::String);
    if (!text || !captured.key || text->value() != captured.key->value()) return false;
  }
  return modifiersOf(stroke) == captured.modifiers;
}

}  // namespace

std::vector<std::string> conflictingEntryKeys(const DictionaryRef& group, const Array& sequence,
                                              const Ref& referenceContext) {
  std::vector<std::string> keys;
  if (!group) return keys;
  std::vector<Stroke> captured;
  captured.reserve(sequence.count());
  for (const Ref& stroke : sequence.elements()) captured.push_back(readStroke(stroke));

  for (const auto& [key, value] : group->entries()) {
    const auto* entry = view<Dictionary>(value, Kind::Dictionary);
    if (!entry) continue;
    const Ref* stored = findSmall(*entry, kKeySequencesKey);
    const auto* sequences = stored ? view<Array>(*stored, Kind::Array) : nullptr;
    if (!sequences) continue;

    // The context is the same test at every position: it is read only once a
    // sequence matches stroke for stroke, which few do.
    enum class Context { Unread, Agrees, Differs } context = Context::Unread;
    for (const Ref& element : sequences->elements()) {
      const auto* candidate = view<Array>(element, Kind::Array);
      if (!candidate || candidate->count() != captured.size()) continue;
      // Last stroke first: the key stroke tells sequences apart sooner than
      // the modifier-only stroke ahead of it.
      bool match = true;
      for (std::size_t i = captured.size(); match && i-- > 0;)
        match = storedStrokeMatches(candidate->elements()[i], captured[i]);
      if (!match) continue;
      if (!captured.empty() && context == Context::Unread) {
        const Ref* own = findSmall(*entry, kEntryContextKey);
        context = isEqual(own ? *own : Ref(), referenceContext) ? Context::Agrees : Context::Differs;
      }
      if (context == Context::Differs) break;
      keys.push_back(key);
    }
  }
  return keys;
}

StatusLine conflictStatusLine(const std::vector<std::string>& conflicts, std::string_view shortcutText,
                              ShownGroup group, const ConflictTexts& texts) {
  if (conflicts.empty()) return {TextColor::Black, texts.localizable(kConflictPromptText)};
  const auto& titleOf = group == ShownGroup::Menu ? texts.menuTitle : texts.editorTitle;
  std::string titles;
  for (std::size_t i = 0; i < conflicts.size(); ++i) {
    if (i != 0) titles += kTitleSeparator;
    titles += formatWithObjects(kQuotedTitleFormat, {titleOf(conflicts[i])});
  }
  return {TextColor::Red, formatWithObjects(texts.localizable(kConflictFormat), {std::string(shortcutText), titles})};
}

}  // namespace qor
