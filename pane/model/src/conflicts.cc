#include "qor/pane_model/conflicts.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "qor/collections.h"
#include "qor/key_masks.h"
#include "qor/key_notation.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr const char* kConflictFormat = "'%@' is currently bound to %@.";
constexpr const char* kQuotedTitleFormat = "'%@'";
constexpr const char* kTitleSeparator = ", ";
constexpr const char* kSentenceSeparator = " ";
// The four modifier bits start at bit 17: shifted down they fill bits 0 to 3
// of a signature byte, and bit 4 says whether the stroke has a key.
constexpr int kModifierSignatureShift = 17;
constexpr unsigned kKeyFlag = 0x10;

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


std::vector<Stroke> readStrokes(const Array& sequence) {
  std::vector<Stroke> strokes;
  strokes.reserve(sequence.count());
  for (const Ref& stroke : sequence.elements()) strokes.push_back(readStroke(stroke));
  return strokes;
}

// Whether the first `count` strokes of `stored` match those of `captured`;
// both have at least `count`.
bool leadingStrokesMatch(const Array& stored, const std::vector<Stroke>& captured, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (!storedStrokeMatches(stored.elements()[i], captured[i])) return false;
  return true;
}

bool contextAgrees(const Dictionary& entry, const Ref& referenceContext) {
  const Ref* own = findSmall(entry, kEntryContextKey);
  return isEqual(own ? *own : Ref(), referenceContext);
}

// The stored sequences of the well-formed entries of `group`, in order.
template <typename Visit>
void forEachStoredSequence(const Dictionary& group, Visit visit) {
  for (std::size_t index = 0; index < group.entries().size(); ++index) {
    const auto& [key, value] = group.entries()[index];
    const auto* entry = view<Dictionary>(value, Kind::Dictionary);
    if (!entry) continue;
    const Ref* stored = findSmall(*entry, kKeySequencesKey);
    const auto* sequences = stored ? view<Array>(*stored, Kind::Array) : nullptr;
    if (!sequences) continue;
    for (const Ref& element : sequences->elements())
      if (const auto* sequence = view<Array>(element, Kind::Array)) visit(index, key, *entry, element, *sequence);
  }
}

// A text equal for two stored sequences exactly when the conflict search
// would match them stroke for stroke; nullopt for a sequence that matches
// nothing (a "key" that is not a string).
// Built of raw bytes, without number formatting: a chord's signature fits in
// the string's own buffer, and the search over a whole group makes one per
// stored sequence.
std::optional<std::string> signatureOf(const Array& sequence) {
  std::string signature;
  for (const Ref& value : sequence.elements()) {
    Stroke stroke = readStroke(value);
    if (stroke.hasKey && !stroke.key) return std::nullopt;
    // The four modifier bits, shifted down, leave room for a key flag in the
    // same byte; a key's length goes before it, so no key text can fake a
    // stroke border.
    auto head = static_cast<char>((stroke.modifiers >> kModifierSignatureShift) | (stroke.hasKey ? kKeyFlag : 0));
    signature += head;
    if (!stroke.hasKey) continue;
    const std::string& key = stroke.key->value();
    auto length = static_cast<std::uint32_t>(key.size());
    signature.append(reinterpret_cast<const char*>(&length), sizeof length);
    signature += key;
  }
  return signature;
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
  if (conflicts.empty()) return {StatusColor::Black, texts.localizable(kConflictPromptText)};
  const auto& titleOf = group == ShownGroup::Menu ? texts.menuTitle : texts.editorTitle;
  std::string titles;
  for (std::size_t i = 0; i < conflicts.size(); ++i) {
    if (i != 0) titles += kTitleSeparator;
    titles += formatWithObjects(kQuotedTitleFormat, {titleOf(conflicts[i])});
  }
  return {StatusColor::Red, formatWithObjects(texts.localizable(kConflictFormat), {std::string(shortcutText), titles})};
}

std::vector<PrefixAmbiguity> prefixAmbiguities(const DictionaryRef& group, const Array& sequence,
                                               const Ref& referenceContext) {
  std::vector<PrefixAmbiguity> found;
  if (!group || sequence.empty()) return found;
  const std::vector<Stroke> captured = readStrokes(sequence);
  forEachStoredSequence(*group, [&](std::size_t, const std::string& key, const Dictionary& entry, const Ref& element,
                                    const Array& stored) {
    if (stored.empty() || stored.count() == captured.size()) return;
    if (!leadingStrokesMatch(stored, captured, std::min(stored.count(), captured.size()))) return;
    if (!contextAgrees(entry, referenceContext)) return;
    found.push_back({key, asArray(element),
                     stored.count() > captured.size() ? PrefixRelation::Longer : PrefixRelation::Shorter});
  });
  return found;
}

std::size_t keyStrokeCount(const Array& sequence) {
  const std::vector<Stroke> strokes = readStrokes(sequence);
  return static_cast<std::size_t>(std::count_if(strokes.begin(), strokes.end(), [](const Stroke& s) { return s.hasKey; }));
}

std::string prefixAmbiguityLine(const std::vector<PrefixAmbiguity>& ambiguities, const Array& shortcut,
                                std::string_view shortcutText, ShownGroup group, const ConflictTexts& texts,
                                ShortcutNotation notation) {
  const auto& titleOf = group == ShownGroup::Menu ? texts.menuTitle : texts.editorTitle;
  const auto formatFor = [&](std::size_t prefixStrokes, const char* oneStroke, const char* strokes) {
    return texts.localizable(prefixStrokes > 1 ? strokes : oneStroke);
  };
  std::string longer;
  std::string shorter;
  for (const PrefixAmbiguity& ambiguity : ambiguities) {
    std::string sequenceText =
        ambiguity.storedSequence ? textOfSequence(*ambiguity.storedSequence, notation) : std::string();
    std::string title = titleOf(ambiguity.entryKey);
    if (ambiguity.relation == PrefixRelation::Longer) {
      if (!longer.empty()) longer += kTitleSeparator;
      longer += formatWithObjects(texts.localizable(kPrefixItemFormat), {sequenceText, title});
    } else {
      shorter += kSentenceSeparator;
      shorter += formatWithObjects(
          formatFor(ambiguity.storedSequence ? keyStrokeCount(*ambiguity.storedSequence) : 0, kPrefixShorterFormat,
                    kPrefixShorterStrokesFormat),
          {sequenceText, title, std::string(shortcutText)});
    }
  }
  std::string line;
  if (!longer.empty())
    line = formatWithObjects(formatFor(keyStrokeCount(shortcut), kPrefixLongerFormat, kPrefixLongerStrokesFormat),
                             {std::string(shortcutText), longer});
  if (line.empty() && !shorter.empty()) shorter.erase(0, std::string_view(kSentenceSeparator).size());
  return line + shorter;
}

std::string untypableShortcutsLine(const std::vector<ArrayRef>& sequences,
                                   const std::function<bool(const std::string&)>& canType,
                                   const std::function<std::string(const std::string&)>& localizable) {
  std::vector<std::string> texts;
  for (const ArrayRef& sequence : sequences) {
    if (!sequence) continue;
    const std::vector<Stroke> strokes = readStrokes(*sequence);
    if (std::none_of(strokes.begin(), strokes.end(),
                     [&](const Stroke& stroke) { return stroke.key && !canType(stroke.key->value()); }))
      continue;
    std::string text = formatWithObjects(kQuotedTitleFormat, {stringFromKeySequence(sequence)});
    if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(std::move(text));
  }
  if (texts.empty()) return {};
  std::string list;
  for (const std::string& text : texts) list += (list.empty() ? "" : kTitleSeparator) + text;
  return formatWithObjects(localizable(kUntypableFormat), {list});
}

std::optional<std::string> strokeMatchSignature(const Array& sequence) { return signatureOf(sequence); }

std::vector<SequenceConflict> allConflicts(const DictionaryRef& group) {
  std::vector<SequenceConflict> conflicts;
  if (!group) return conflicts;
  // Holders of one stroke-for-stroke sequence; split by context afterwards,
  // since contexts compare only for equality.
  struct Holder {
    std::size_t entryIndex;
    const std::string* key;
    const Ref* context;
    const Ref* sequence;
  };
  std::unordered_map<std::string, std::size_t> bucketOf;
  std::vector<std::vector<Holder>> buckets;
  forEachStoredSequence(*group, [&](std::size_t index, const std::string& key, const Dictionary& entry,
                                    const Ref& element, const Array& stored) {
    if (stored.empty()) return;
    std::optional<std::string> signature = signatureOf(stored);
    if (!signature) return;
    auto [at, added] = bucketOf.try_emplace(std::move(*signature), buckets.size());
    if (added) buckets.emplace_back();
    buckets[at->second].push_back({index, &key, findSmall(entry, kEntryContextKey), &element});
  });

  std::vector<std::pair<std::size_t, SequenceConflict>> ordered;  // first holder's entry index
  for (const std::vector<Holder>& holders : buckets) {
    if (holders.size() < 2) continue;
    std::vector<std::vector<const Holder*>> byContext;
    for (const Holder& holder : holders) {
      auto same = std::find_if(byContext.begin(), byContext.end(), [&](const std::vector<const Holder*>& part) {
        const Ref* context = part.front()->context;
        return isEqual(context ? *context : Ref(), holder.context ? *holder.context : Ref());
      });
      if (same == byContext.end()) {
        byContext.push_back({&holder});
      } else {
        same->push_back(&holder);
      }
    }
    for (const std::vector<const Holder*>& part : byContext) {
      SequenceConflict conflict{asArray(*part.front()->sequence), {}};
      // One entry's holders are neighbours: the group is visited entry by entry.
      for (const Holder* holder : part)
        if (conflict.entryKeys.empty() || conflict.entryKeys.back() != *holder->key)
          conflict.entryKeys.push_back(*holder->key);
      if (conflict.entryKeys.size() >= 2) ordered.emplace_back(part.front()->entryIndex, std::move(conflict));
    }
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  conflicts.reserve(ordered.size());
  for (auto& [index, conflict] : ordered) conflicts.push_back(std::move(conflict));
  return conflicts;
}

std::vector<std::string> entryKeysStartingWithSequence(const DictionaryRef& group, const Array& sequence) {
  std::vector<std::string> keys;
  if (!group || sequence.empty()) return keys;
  const std::vector<Stroke> captured = readStrokes(sequence);
  forEachStoredSequence(*group, [&](std::size_t, const std::string& key, const Dictionary&, const Ref&,
                                    const Array& stored) {
    if (stored.count() < captured.size() || (!keys.empty() && keys.back() == key)) return;
    if (leadingStrokesMatch(stored, captured, captured.size())) keys.push_back(key);
  });
  return keys;
}

std::vector<EntryReset> releaseSequenceFromEntries(const DictionaryRef& set, const DictionaryRef& defaultSet,
                                                   std::string_view group, const std::vector<std::string>& entryKeys,
                                                   const Array& sequence) {
  std::vector<EntryReset> resets;
  if (!set || sequence.empty() || (group != kSetMenuKey && group != kSetEditorKey)) return resets;
  const std::string part(group);
  DictionaryRef setPart = set->dictionaryForKey(part);
  DictionaryRef defaultPart = defaultSet ? defaultSet->dictionaryForKey(part) : nullptr;
  const std::vector<Stroke> captured = readStrokes(sequence);
  std::vector<std::string> seen;
  for (const std::string& key : entryKeys) {
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    DictionaryRef entry = setPart ? setPart->dictionaryForKey(key) : nullptr;
    if (!entry) entry = defaultPart ? defaultPart->dictionaryForKey(key) : nullptr;
    MutableDictionaryRef copy = entry ? asMutableDictionary(MakePlistMutable(entry)) : nullptr;
    if (!copy) continue;
    MutableArrayRef kept = MutableArray::make();
    if (ArrayRef stored = copy->arrayForKey(kKeySequencesKey)) {
      for (const Ref& element : stored->elements()) {
        const Array* candidate = view<Array>(element, Kind::Array);
        const bool matches = candidate && candidate->count() == captured.size() &&
                             leadingStrokesMatch(*candidate, captured, captured.size());
        if (!matches) kept->addObject(element);
      }
    }
    copy->setObjectForKey(kept, kKeySequencesKey);
    resets.push_back({part, key, copy});
  }
  return resets;
}

}  // namespace qor
