#include "qor/value.h"

#include "qor/opaque.h"
#include "qor/url.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_set>

namespace qor {

namespace {

template <typename T>
std::shared_ptr<T> castIf(const Ref& value, Kind kind) {
  if (!value || value->kind() != kind) return nullptr;
  return std::static_pointer_cast<T>(value);
}

}  // namespace

StringRef asString(const Ref& value) { return castIf<String>(value, Kind::String); }
NumberRef asNumber(const Ref& value) { return castIf<Number>(value, Kind::Number); }
DataRef asData(const Ref& value) { return castIf<Data>(value, Kind::Data); }
DateRef asDate(const Ref& value) { return castIf<Date>(value, Kind::Date); }
ArrayRef asArray(const Ref& value) { return castIf<Array>(value, Kind::Array); }
DictionaryRef asDictionary(const Ref& value) { return castIf<Dictionary>(value, Kind::Dictionary); }

MutableArrayRef asMutableArray(const Ref& value) {
  if (!value || !value->isArray() || !value->isMutable()) return nullptr;
  return std::static_pointer_cast<MutableArray>(value);
}

MutableDictionaryRef asMutableDictionary(const Ref& value) {
  if (!value || !value->isDictionary() || !value->isMutable()) return nullptr;
  return std::static_pointer_cast<MutableDictionary>(value);
}

NumberRef Number::makeInteger(std::int64_t v) {
  return std::make_shared<Number>(Type::Integer, v, static_cast<double>(v));
}

NumberRef Number::makeReal(double v) { return std::make_shared<Number>(Type::Real, 0, v); }

NumberRef Number::makeBoolean(bool v) {
  return std::make_shared<Number>(Type::Boolean, v ? 1 : 0, v ? 1.0 : 0.0);
}

std::int64_t Number::integerValue() const {
  if (type_ != Type::Real) return integer_;
  if (std::isnan(real_)) return 0;
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (real_ >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (real_ < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(real_);
}

double Number::realValue() const { return type_ == Type::Real ? real_ : static_cast<double>(integer_); }

bool Number::boolValue() const { return type_ == Type::Real ? real_ != 0.0 : integer_ != 0; }

Ref Array::objectAtIndex(std::size_t index) const {
  return index < elements_.size() ? elements_[index] : nullptr;
}

void MutableArray::addObject(Ref value) {
  if (value) elements_.push_back(std::move(value));
}

void MutableArray::insertObjectAtIndex(Ref value, std::size_t index) {
  if (!value || index > elements_.size()) return;
  elements_.insert(elements_.begin() + static_cast<std::ptrdiff_t>(index), std::move(value));
}

void MutableArray::removeObjectAtIndex(std::size_t index) {
  if (index < elements_.size()) elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(index));
}

Dictionary::Dictionary(std::vector<Entry> entries) {
  entries_.reserve(entries.size());
  for (auto& [key, value] : entries) set(std::move(key), std::move(value));
}

std::optional<std::size_t> Dictionary::find(std::string_view key) const {
  if (!index_) {
    for (std::size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].first == key) return i;
    return std::nullopt;
  }
  auto found = index_->find(key);
  if (found == index_->end()) return std::nullopt;
  return found->second;
}

// The index holds views of the keys in `entries_`; std::string keeps its
// characters in place when the entry moves only if they are on the heap, so
// the index is rebuilt whenever entries move.
void Dictionary::rebuildIndex() {
  index_.reset();
  if (entries_.size() <= kLinearSearchLimit) return;
  index_ = std::make_unique<std::unordered_map<std::string_view, std::size_t>>();
  index_->reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) index_->emplace(entries_[i].first, i);
}

Ref Dictionary::objectForKey(std::string_view key) const {
  auto position = find(key);
  return position ? entries_[*position].second : nullptr;
}

std::vector<std::string> Dictionary::allKeys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const auto& entry : entries_) keys.push_back(entry.first);
  return keys;
}

void Dictionary::set(std::string key, Ref value) {
  if (!value) {
    remove(key);
    return;
  }
  if (auto position = find(key)) {
    entries_[*position].second = std::move(value);
    return;
  }
  std::size_t capacity = entries_.capacity();
  entries_.emplace_back(std::move(key), std::move(value));
  // A reallocation moves the keys (short ones out of the views' reach).
  if (entries_.capacity() != capacity || entries_.size() == kLinearSearchLimit + 1) {
    rebuildIndex();
  } else if (index_) {
    index_->emplace(entries_.back().first, entries_.size() - 1);
  }
}

void Dictionary::remove(std::string_view key) { removeMany({std::string(key)}); }

void Dictionary::removeMany(const std::vector<std::string>& keys) {
  std::unordered_set<std::string_view> doomed;
  for (const auto& key : keys)
    if (find(key)) doomed.insert(key);
  if (doomed.empty()) return;
  std::vector<Entry> kept;
  kept.reserve(entries_.size() - doomed.size());
  for (auto& entry : entries_)
    if (!doomed.count(entry.first)) kept.push_back(std::move(entry));
  entries_ = std::move(kept);
  rebuildIndex();
}

void Dictionary::clear() {
  entries_.clear();
  index_.reset();
}

void MutableDictionary::setObjectForKey(Ref value, std::string key) { set(std::move(key), std::move(value)); }

bool isEqual(const Ref& a, const Ref& b) {
  if (a == b) return true;
  if (!a || !b || a->kind() != b->kind()) return false;
  switch (a->kind()) {
    case Kind::Opaque:
      return static_cast<const Opaque&>(*a).isEqualTo(static_cast<const Opaque&>(*b));
    case Kind::String:
      return asString(a)->value() == asString(b)->value();
    case Kind::Number: {
      auto x = asNumber(a), y = asNumber(b);
      if (x->isBoolean() != y->isBoolean()) return false;
      if (x->type() == Number::Type::Real || y->type() == Number::Type::Real)
        return x->realValue() == y->realValue();
      return x->integerValue() == y->integerValue();
    }
    case Kind::Data:
      return asData(a)->bytes() == asData(b)->bytes();
    case Kind::Date:
      return asDate(a)->secondsSince1970() == asDate(b)->secondsSince1970();
    case Kind::Url:
      return asUrl(a)->absoluteString() == asUrl(b)->absoluteString();
    case Kind::Array: {
      const auto& x = asArray(a)->elements();
      const auto& y = asArray(b)->elements();
      if (x.size() != y.size()) return false;
      for (std::size_t i = 0; i < x.size(); ++i)
        if (!isEqual(x[i], y[i])) return false;
      return true;
    }
    case Kind::Dictionary: {
      auto x = asDictionary(a), y = asDictionary(b);
      if (x->count() != y->count()) return false;
      for (const auto& [key, value] : x->entries())
        if (!isEqual(value, y->objectForKey(key))) return false;
      return true;
    }
  }
  return false;
}

namespace {

void quote(std::string& out, const std::string& text) {
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
}

void describeInto(std::string& out, const Ref& value) {
  if (!value) {
    out += "null";
    return;
  }
  switch (value->kind()) {
    case Kind::Opaque:
      out += static_cast<const Opaque&>(*value).description();
      return;
    case Kind::String:
      quote(out, asString(value)->value());
      return;
    case Kind::Number: {
      auto n = asNumber(value);
      if (n->isBoolean()) {
        out += n->boolValue() ? "true" : "false";
      } else if (n->type() == Number::Type::Integer) {
        out += std::to_string(n->integerValue());
      } else {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", n->realValue());
        out += buffer;
      }
      return;
    }
    case Kind::Data: {
      out += '<';
      char buffer[3];
      for (auto byte : asData(value)->bytes()) {
        std::snprintf(buffer, sizeof buffer, "%02x", byte);
        out += buffer;
      }
      out += '>';
      return;
    }
    case Kind::Date:
      out += '@';
      out += std::to_string(asDate(value)->secondsSince1970());
      return;
    case Kind::Url:
      out += "<url ";
      out += asUrl(value)->absoluteString();
      out += '>';
      return;
    case Kind::Array: {
      out += '(';
      bool first = true;
      for (const auto& element : asArray(value)->elements()) {
        if (!first) out += ", ";
        first = false;
        describeInto(out, element);
      }
      out += ')';
      return;
    }
    case Kind::Dictionary: {
      out += '{';
      bool first = true;
      for (const auto& [key, element] : asDictionary(value)->entries()) {
        if (!first) out += "; ";
        first = false;
        quote(out, key);
        out += " = ";
        describeInto(out, element);
      }
      out += '}';
      return;
    }
  }
}

}  // namespace

std::string describe(const Ref& value) {
  std::string out;
  describeInto(out, value);
  return out;
}

}  // namespace qor
