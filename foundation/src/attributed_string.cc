#include "qor/attributed_string.h"

#include <algorithm>
#include <utility>

#include "qor/text.h"

namespace qor {

namespace {

constexpr const char* kStringKey = "string";
constexpr const char* kRunsKey = "runs";
constexpr const char* kLengthKey = "length";
constexpr const char* kAttributesKey = "attributes";

const DictionaryRef& emptyAttributes() {
  static const DictionaryRef empty = Dictionary::make();
  return empty;
}

// The dictionary a run keeps: never null, and never one the caller can still
// change.
DictionaryRef ownedAttributes(const DictionaryRef& attributes) {
  if (!attributes || attributes->empty()) return emptyAttributes();
  if (attributes->isMutable()) return Dictionary::make(attributes->entries());
  return attributes;
}

DictionaryRef merged(const DictionaryRef& base, const DictionaryRef& added) {
  std::vector<Dictionary::Entry> entries = base->entries();
  entries.insert(entries.end(), added->entries().begin(), added->entries().end());
  return Dictionary::make(std::move(entries));
}

}  // namespace

AttributedString::AttributedString(std::string text, const DictionaryRef& attributes)
    : text_(std::move(text)), length_(utf16Length(text_)) {
  if (length_ > 0) runs_.push_back({length_, ownedAttributes(attributes)});
}

bool AttributedString::containsRange(TextRange range) const {
  return range.location <= length_ && range.length <= length_ - range.location;
}

std::optional<AttributedString::AttributeRun> AttributedString::attributesAtIndexEffectiveRange(
    std::size_t index) const {
  std::size_t start = 0;
  for (const auto& run : runs_) {
    if (index < start + run.length) return AttributeRun{run.attributes, {start, run.length}};
    start += run.length;
  }
  return std::nullopt;
}

std::optional<AttributedString::AttributeRun> AttributedString::attributesAtIndexLongestEffectiveRangeInRange(
    std::size_t index, TextRange rangeLimit) const {
  if (!containsRange(rangeLimit) || index < rangeLimit.location || index >= rangeLimit.end()) {
    return std::nullopt;
  }
  std::vector<std::size_t> starts;
  std::size_t start = 0;
  std::size_t found = 0;
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    starts.push_back(start);
    if (index >= start && index < start + runs_[i].length) found = i;
    start += runs_[i].length;
  }
  const DictionaryRef& attributes = runs_[found].attributes;
  std::size_t first = found;
  while (first > 0 && starts[first] > rangeLimit.location && isEqual(runs_[first - 1].attributes, attributes)) {
    --first;
  }
  std::size_t last = found;
  while (last + 1 < runs_.size() && starts[last] + runs_[last].length < rangeLimit.end() &&
         isEqual(runs_[last + 1].attributes, attributes)) {
    ++last;
  }
  std::size_t from = std::max(starts[first], rangeLimit.location);
  std::size_t to = std::min(starts[last] + runs_[last].length, rangeLimit.end());
  return AttributeRun{attributes, {from, to - from}};
}

std::size_t AttributedString::splitAt(std::size_t offset) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    if (offset == start) return i;
    std::size_t end = start + runs_[i].length;
    if (offset < end) {
      Run tail{end - offset, runs_[i].attributes};
      runs_[i].length = offset - start;
      runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(tail));
      return i + 1;
    }
    start = end;
  }
  return runs_.size();
}

void AttributedString::coalesce() {
  std::vector<Run> joined;
  for (auto& run : runs_) {
    if (!joined.empty() && joined.back().attributes == run.attributes) {
      joined.back().length += run.length;
    } else {
      joined.push_back(std::move(run));
    }
  }
  runs_ = std::move(joined);
}

void AttributedString::setAttributesRange(const DictionaryRef& attributes, TextRange range) {
  if (range.length == 0 || !containsRange(range)) return;
  std::size_t first = splitAt(range.location);
  std::size_t last = splitAt(range.end());
  DictionaryRef owned = ownedAttributes(attributes);
  for (std::size_t i = first; i < last; ++i) runs_[i].attributes = owned;
  coalesce();
}

void AttributedString::addAttributesRange(const DictionaryRef& attributes, TextRange range) {
  if (!attributes || attributes->empty() || range.length == 0 || !containsRange(range)) return;
  std::size_t first = splitAt(range.location);
  std::size_t last = splitAt(range.end());
  DictionaryRef added = ownedAttributes(attributes);
  // Runs that shared one dictionary before share the merged one after.
  DictionaryRef previousBase;
  DictionaryRef previousMerged;
  for (std::size_t i = first; i < last; ++i) {
    if (runs_[i].attributes != previousBase) {
      previousBase = runs_[i].attributes;
      previousMerged = merged(previousBase, added);
    }
    runs_[i].attributes = previousMerged;
  }
  coalesce();
}

bool operator==(const AttributedString& a, const AttributedString& b) {
  if (a.text_ != b.text_) return false;
  // Walk both run lists at once, comparing each stretch where neither
  // changes its attributes.
  std::size_t i = 0;
  std::size_t j = 0;
  std::size_t leftInA = a.runs_.empty() ? 0 : a.runs_[0].length;
  std::size_t leftInB = b.runs_.empty() ? 0 : b.runs_[0].length;
  while (i < a.runs_.size() && j < b.runs_.size()) {
    if (!isEqual(a.runs_[i].attributes, b.runs_[j].attributes)) return false;
    std::size_t step = std::min(leftInA, leftInB);
    leftInA -= step;
    leftInB -= step;
    if (leftInA == 0 && ++i < a.runs_.size()) leftInA = a.runs_[i].length;
    if (leftInB == 0 && ++j < b.runs_.size()) leftInB = b.runs_[j].length;
  }
  return true;
}

DictionaryRef AttributedString::propertyList() const {
  std::vector<Ref> runs;
  for (const auto& run : runs_) {
    runs.push_back(Dictionary::make({{kLengthKey, integer(static_cast<std::int64_t>(run.length))},
                                     {kAttributesKey, run.attributes}}));
  }
  return Dictionary::make({{kStringKey, str(text_)}, {kRunsKey, Array::make(std::move(runs))}});
}

std::optional<AttributedString> AttributedString::fromPropertyList(const Ref& value) {
  if (auto plain = asString(value)) return AttributedString(plain->value());
  auto form = asDictionary(value);
  if (!form) return std::nullopt;
  auto text = form->stringForKey(kStringKey);
  if (!text) return std::nullopt;
  AttributedString result(text->value());
  if (!form->containsKey(kRunsKey)) return result;
  auto runs = form->arrayForKey(kRunsKey);
  if (!runs) return std::nullopt;
  std::size_t location = 0;
  for (const auto& element : runs->elements()) {
    auto run = asDictionary(element);
    auto length = run ? run->numberForKey(kLengthKey) : nullptr;
    if (!length || length->type() != Number::Type::Integer || length->integerValue() < 0) return std::nullopt;
    auto units = static_cast<std::size_t>(length->integerValue());
    if (units > result.length_ - location) return std::nullopt;
    DictionaryRef attributes;
    if (run->containsKey(kAttributesKey)) {
      attributes = run->dictionaryForKey(kAttributesKey);
      if (!attributes) return std::nullopt;
    }
    result.setAttributesRange(attributes, {location, units});
    location += units;
  }
  if (location != result.length_) return std::nullopt;
  return result;
}

}  // namespace qor
