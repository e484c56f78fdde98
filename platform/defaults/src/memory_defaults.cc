#include "qor/defaults/defaults.h"

namespace qor {

namespace {

// A copy of `value` whose arrays and dictionaries, at every depth, are new
// fixed containers; leaves are shared, as nothing can change them.
Ref fixedCopy(const Ref& value) {
  if (auto array = asArray(value)) {
    std::vector<Ref> elements;
    elements.reserve(array->count());
    for (const auto& element : array->elements()) elements.push_back(fixedCopy(element));
    return Array::make(std::move(elements));
  }
  if (auto dictionary = asDictionary(value)) {
    std::vector<Dictionary::Entry> entries;
    entries.reserve(dictionary->count());
    for (const auto& [key, element] : dictionary->entries()) entries.emplace_back(key, fixedCopy(element));
    return Dictionary::make(std::move(entries));
  }
  return value;
}

}  // namespace

MemoryDefaults::MemoryDefaults(const DictionaryRef& initial) : values_(MutableDictionary::make()) {
  if (!initial) return;
  for (const auto& [key, value] : initial->entries()) values_->setObjectForKey(fixedCopy(value), key);
}

Ref MemoryDefaults::objectForKey(const std::string& key) const { return values_->objectForKey(key); }

void MemoryDefaults::setObjectForKey(Ref value, const std::string& key) {
  values_->setObjectForKey(fixedCopy(value), key);
}

void MemoryDefaults::applyBatch(const DefaultsBatch& batch) {
  for (const auto& [key, value] : batch.entries()) setObjectForKey(value, key);
}

DictionaryRef MemoryDefaults::dictionaryRepresentation() const { return Dictionary::make(values_->entries()); }

}  // namespace qor
