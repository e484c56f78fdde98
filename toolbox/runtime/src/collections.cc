#include "qor/collections.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <unordered_set>

namespace qor {

namespace {

constexpr std::int64_t kTrueInteger = 1;
constexpr std::int64_t kDecimalBase = 10;
// Digits past this magnitude cannot change whether the value is 1.
constexpr std::int64_t kSaturation = std::numeric_limits<std::int32_t>::max();

// The integer value of a string read the forgiving way: leading white space,
// an optional sign, then the leading decimal digits (saturating); the rest is
// ignored, and no digits read as 0.
std::int64_t leadingIntegerValue(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  std::int64_t magnitude = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    magnitude = std::min(kSaturation, magnitude * kDecimalBase + (text[at] - '0'));
  return negative ? -magnitude : magnitude;
}

NumberRef copyNumber(const Number& number) {
  switch (number.type()) {
    case Number::Type::Integer:
      return Number::makeInteger(number.integerValue());
    case Number::Type::Boolean:
      return Number::makeBoolean(number.boolValue());
    case Number::Type::Real:
      break;
  }
  return Number::makeReal(number.realValue());
}

// Whether a copy keeps the input's strings, numbers, data and dates or makes
// new ones; containers are always new and mutable.
enum class Leaves { Share, Copy };

Ref mutableCopy(const Ref& value, Leaves leaves);

MutableArrayRef mutableArrayCopy(const Array& array, Leaves leaves) {
  std::vector<Ref> elements;
  elements.reserve(array.count());
  for (const auto& element : array.elements()) elements.push_back(mutableCopy(element, leaves));
  return MutableArray::make(std::move(elements));
}

MutableDictionaryRef mutableDictionaryCopy(const Dictionary& dictionary, Leaves leaves) {
  std::vector<Dictionary::Entry> entries;
  entries.reserve(dictionary.count());
  for (const auto& [key, element] : dictionary.entries()) entries.emplace_back(key, mutableCopy(element, leaves));
  return MutableDictionary::make(std::move(entries));
}

Ref mutableCopy(const Ref& value, Leaves leaves) {
  if (auto array = asArray(value)) return mutableArrayCopy(*array, leaves);
  if (auto dictionary = asDictionary(value)) return mutableDictionaryCopy(*dictionary, leaves);
  if (leaves == Leaves::Share) return value;
  if (auto string = asString(value)) return String::make(string->value());
  if (auto data = asData(value)) return Data::make(data->bytes());
  if (auto date = asDate(value)) return Date::make(date->secondsSince1970());
  if (auto number = asNumber(value)) return copyNumber(*number);
  // A URL never changes, and an opaque value (a font, a file wrapper) has no
  // contents to copy from: both are shared.
  return value;
}

}  // namespace

bool boolWithID(const Ref& value) {
  if (auto number = asNumber(value)) return number->boolValue();
  if (auto string = asString(value)) return leadingIntegerValue(string->value()) == kTrueInteger;
  return false;
}

void insertObjectsAtIndexOfArray(const ArrayRef& objects, std::int32_t index, const MutableArrayRef& target) {
  if (!target || index < 0 || static_cast<std::size_t>(index) > target->count()) return;
  if (!objects || objects->empty()) return;
  const auto& old = target->elements();
  auto split = old.begin() + index;
  std::vector<Ref> spliced;
  spliced.reserve(old.size() + objects->count());
  spliced.insert(spliced.end(), old.begin(), split);
  spliced.insert(spliced.end(), objects->elements().begin(), objects->elements().end());
  spliced.insert(spliced.end(), split, old.end());
  target->setElements(std::move(spliced));
}

std::int32_t indexOfObjectInArray(const Ref& object, const ArrayRef& array) {
  if (!object || !array) return -1;
  const auto& elements = array->elements();
  constexpr std::size_t kLargestIndex = std::numeric_limits<std::int32_t>::max();
  for (std::size_t i = 0; i < elements.size() && i <= kLargestIndex; ++i)
    if (elements[i] == object) return static_cast<std::int32_t>(i);
  return -1;
}

void arrayRemovingRedundantObjects(const MutableArrayRef& array) {
  if (!array || array->empty()) return;
  const auto& elements = array->elements();
  std::unordered_set<const Object*> seen;
  std::vector<Ref> survivors;
  survivors.reserve(elements.size());
  for (auto it = elements.rbegin(); it != elements.rend(); ++it)
    if (seen.insert(it->get()).second) survivors.push_back(*it);
  array->setElements(std::vector<Ref>(survivors.rbegin(), survivors.rend()));
}

MutableArrayRef MakeMutableArrayCopy(const ArrayRef& array) {
  return array ? mutableArrayCopy(*array, Leaves::Share) : MutableArray::make();
}

MutableDictionaryRef MakeMutableDictionaryCopy(const DictionaryRef& dictionary) {
  return dictionary ? mutableDictionaryCopy(*dictionary, Leaves::Share) : nullptr;
}

Ref MakePlistMutable(const Ref& value) { return value ? mutableCopy(value, Leaves::Copy) : nullptr; }

void setObjectToVariable(Ref* variable, Ref object) {
  if (variable) *variable = std::move(object);
}

}  // namespace qor
