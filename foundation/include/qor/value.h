/// @file
/// Property-list values with reference identity.
///
/// Every value is a heap object held through a shared reference (`Ref`). Two
/// equal strings made separately are two objects: identity is pointer equality
/// (`a.get() == b.get()`), equality of contents is `isEqual`.
///
/// Arrays and dictionaries come in a fixed and a mutable form. The mutable form
/// derives from the fixed one, so a mutable array answers true to `isArray()`
/// and `asArray()`; only `asMutableArray()` tells the two apart. Leaves
/// (string, number, data, date) are never changed after creation.
///
/// Dictionaries have string keys and enumerate in insertion order; replacing
/// the value of an existing key keeps the key's position.
///
/// Example:
/// @code
///   auto set = MutableDictionary::make();
///   set->setObjectForKey(String::make("Mine"), "name");
///   auto name = set->stringForKey("name");   // "Mine"
/// @endcode
///
/// Threads: any function may be called from several threads at once; a value
/// may be read from several threads, but one being changed belongs to one
/// thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qor {

class Object;
class String;
class Number;
class Data;
class Date;
class Array;
class MutableArray;
class Dictionary;
class MutableDictionary;

/// A shared reference to a value of the named class, the one way values are
/// held; null stands for no value.
///@{
using Ref = std::shared_ptr<Object>;
using StringRef = std::shared_ptr<String>;
using NumberRef = std::shared_ptr<Number>;
using DataRef = std::shared_ptr<Data>;
using DateRef = std::shared_ptr<Date>;
using ArrayRef = std::shared_ptr<Array>;
using MutableArrayRef = std::shared_ptr<MutableArray>;
using DictionaryRef = std::shared_ptr<Dictionary>;
using MutableDictionaryRef = std::shared_ptr<MutableDictionary>;
///@}

/// What a value is (Object::kind()).
///
/// Opaque: a value that is not a property list (a font, a file wrapper, an
/// image); see qor/opaque.h. Url: a URL, written to property-list files as a
/// one-entry dictionary (see qor/url.h).
enum class Kind { String, Number, Data, Date, Array, Dictionary, Url, Opaque };

/// The base of every value. Not copyable: a value is one object, shared
/// through `Ref`.
class QOR_TOOLBOX_EXPORT Object {
 public:
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  /// What the value is; a mutable container answers its fixed kind.
  [[nodiscard]] virtual Kind kind() const = 0;
  /// True when kind() is the named one (mutable containers included).
  ///@{
  [[nodiscard]] bool isString() const { return kind() == Kind::String; }
  [[nodiscard]] bool isNumber() const { return kind() == Kind::Number; }
  [[nodiscard]] bool isData() const { return kind() == Kind::Data; }
  [[nodiscard]] bool isDate() const { return kind() == Kind::Date; }
  [[nodiscard]] bool isArray() const { return kind() == Kind::Array; }
  [[nodiscard]] bool isDictionary() const { return kind() == Kind::Dictionary; }
  ///@}
  /// A URL (qor/url.h): written to property-list files in a form of its own.
  [[nodiscard]] bool isUrl() const { return kind() == Kind::Url; }
  /// True only for the mutable forms of arrays and dictionaries.
  [[nodiscard]] virtual bool isMutable() const { return false; }

 protected:
  Object() = default;
};

/// Typed views of a reference; each gives null when `value` is null or of
/// another kind. A mutable container is also returned by asArray/asDictionary.
///@{
[[nodiscard]] QOR_TOOLBOX_EXPORT StringRef asString(const Ref& value);
[[nodiscard]] QOR_TOOLBOX_EXPORT NumberRef asNumber(const Ref& value);
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef asData(const Ref& value);
[[nodiscard]] QOR_TOOLBOX_EXPORT DateRef asDate(const Ref& value);
[[nodiscard]] QOR_TOOLBOX_EXPORT ArrayRef asArray(const Ref& value);
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableArrayRef asMutableArray(const Ref& value);
[[nodiscard]] QOR_TOOLBOX_EXPORT DictionaryRef asDictionary(const Ref& value);
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableDictionaryRef asMutableDictionary(const Ref& value);
///@}

/// Deep equality of contents (kinds, values, order of array elements; the
/// order of dictionary keys does not count). Integers and reals compare by
/// numeric value; a boolean equals only a boolean. Two nulls are equal; a null
/// and a value are not.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool isEqual(const Ref& a, const Ref& b);

/// A string value: UTF-8 text.
class QOR_TOOLBOX_EXPORT String final : public Object {
 public:
  /// A string of `utf8`, kept as given (not checked for valid UTF-8).
  ///@{
  explicit String(std::string utf8) : value_(std::move(utf8)) {}
  static StringRef make(std::string utf8) { return std::make_shared<String>(std::move(utf8)); }
  ///@}
  /// Kind::String.
  [[nodiscard]] Kind kind() const override { return Kind::String; }
  /// The UTF-8 text.
  [[nodiscard]] const std::string& value() const { return value_; }

 private:
  std::string value_;
};

/// Integer, real or boolean; the three stay apart through files and copies.
class QOR_TOOLBOX_EXPORT Number final : public Object {
 public:
  /// Which of the three a number is.
  enum class Type { Integer, Real, Boolean };
  /// A number of the type the name says, holding `v`.
  ///@{
  static NumberRef makeInteger(std::int64_t v);
  static NumberRef makeReal(double v);
  static NumberRef makeBoolean(bool v);
  ///@}

  /// Kind::Number.
  [[nodiscard]] Kind kind() const override { return Kind::Number; }
  /// The type the number was made with.
  [[nodiscard]] Type type() const { return type_; }
  /// True when type() is Type::Boolean.
  [[nodiscard]] bool isBoolean() const { return type_ == Type::Boolean; }
  /// Conversions: a real is truncated toward zero (saturating at the int64
  /// range; NaN gives 0); a boolean is 0 or 1.
  ///@{
  [[nodiscard]] std::int64_t integerValue() const;
  [[nodiscard]] double realValue() const;
  ///@}
  /// True when the value is not zero.
  [[nodiscard]] bool boolValue() const;

  /// Holds `i` and `r` as given; public only for std::make_shared. The make
  /// functions fill both consistently with `type`.
  Number(Type type, std::int64_t i, double r) : type_(type), integer_(i), real_(r) {}

 private:
  Type type_;
  std::int64_t integer_;
  double real_;
};

/// A byte string.
class QOR_TOOLBOX_EXPORT Data final : public Object {
 public:
  /// Data holding `bytes`.
  ///@{
  explicit Data(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  static DataRef make(std::vector<std::uint8_t> bytes) {
    return std::make_shared<Data>(std::move(bytes));
  }
  ///@}
  /// Kind::Data.
  [[nodiscard]] Kind kind() const override { return Kind::Data; }
  /// The bytes, possibly none.
  [[nodiscard]] const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

/// A point in time, kept as seconds (with fraction) since 1970-01-01 UTC.
class QOR_TOOLBOX_EXPORT Date final : public Object {
 public:
  /// The date `secondsSince1970` seconds after 1970-01-01 00:00 UTC (before
  /// it when negative).
  ///@{
  explicit Date(double secondsSince1970) : seconds_(secondsSince1970) {}
  static DateRef make(double secondsSince1970) { return std::make_shared<Date>(secondsSince1970); }
  ///@}
  /// Kind::Date.
  [[nodiscard]] Kind kind() const override { return Kind::Date; }
  /// Seconds (with fraction) since 1970-01-01 UTC.
  [[nodiscard]] double secondsSince1970() const { return seconds_; }

 private:
  double seconds_;
};

/// An ordered list of values; this fixed form never changes after creation.
class QOR_TOOLBOX_EXPORT Array : public Object {
 public:
  /// A fixed array; the elements are shared, not copied.
  ///@{
  explicit Array(std::vector<Ref> elements = {}) : elements_(std::move(elements)) {}
  static ArrayRef make(std::vector<Ref> elements = {}) {
    return std::make_shared<Array>(std::move(elements));
  }
  ///@}
  /// Kind::Array, for the mutable form too.
  [[nodiscard]] Kind kind() const override { return Kind::Array; }
  /// The number of elements; empty() when it is 0.
  ///@{
  [[nodiscard]] std::size_t count() const { return elements_.size(); }
  [[nodiscard]] bool empty() const { return elements_.empty(); }
  ///@}
  /// The element at `index`, or null when `index` is not below count().
  [[nodiscard]] Ref objectAtIndex(std::size_t index) const;
  /// All elements, in order.
  [[nodiscard]] const std::vector<Ref>& elements() const { return elements_; }

 protected:
  std::vector<Ref> elements_;  ///< the elements in order; only MutableArray changes them
};

/// An array that changes in place and keeps its identity.
class QOR_TOOLBOX_EXPORT MutableArray final : public Array {
 public:
  /// A mutable array; the elements are shared, not copied.
  ///@{
  using Array::Array;
  static MutableArrayRef make(std::vector<Ref> elements = {}) {
    return std::make_shared<MutableArray>(std::move(elements));
  }
  ///@}
  [[nodiscard]] bool isMutable() const override { return true; }
  /// A null `value` is ignored (containers never hold null).
  void addObject(Ref value);
  /// `index` above count() is ignored; equal to count() appends.
  void insertObjectAtIndex(Ref value, std::size_t index);
  /// `index` not below count() is ignored.
  void removeObjectAtIndex(std::size_t index);
  /// Removes every element.
  void removeAllObjects() { elements_.clear(); }
  /// Replaces the whole contents; the array stays the same object.
  void setElements(std::vector<Ref> elements) { elements_ = std::move(elements); }
};

/// Values under string keys, in insertion order; this fixed form never changes
/// after creation.
class QOR_TOOLBOX_EXPORT Dictionary : public Object {
 public:
  /// A key and its value.
  using Entry = std::pair<std::string, Ref>;
  /// The empty dictionary.
  Dictionary() = default;
  /// Later duplicates of a key replace the earlier value in its position. An
  /// entry with a null value is left out and removes an earlier one of its key.
  ///@{
  explicit Dictionary(std::vector<Entry> entries);
  static DictionaryRef make(std::vector<Entry> entries = {}) {
    return std::make_shared<Dictionary>(std::move(entries));
  }
  ///@}
  /// Kind::Dictionary, for the mutable form too.
  [[nodiscard]] Kind kind() const override { return Kind::Dictionary; }
  /// The number of entries; empty() when it is 0.
  ///@{
  [[nodiscard]] std::size_t count() const { return entries_.size(); }
  [[nodiscard]] bool empty() const { return entries_.empty(); }
  ///@}
  /// The value under `key`, or null.
  [[nodiscard]] Ref objectForKey(std::string_view key) const;
  /// True when `key` has a value.
  [[nodiscard]] bool containsKey(std::string_view key) const { return find(key).has_value(); }
  /// Keys and entries in insertion order.
  ///@{
  [[nodiscard]] std::vector<std::string> allKeys() const;
  [[nodiscard]] const std::vector<Entry>& entries() const { return entries_; }
  ///@}

  /// Typed look-ups: null (or nullopt) when absent or of another kind.
  ///@{
  [[nodiscard]] StringRef stringForKey(std::string_view key) const { return asString(objectForKey(key)); }
  [[nodiscard]] NumberRef numberForKey(std::string_view key) const { return asNumber(objectForKey(key)); }
  [[nodiscard]] ArrayRef arrayForKey(std::string_view key) const { return asArray(objectForKey(key)); }
  [[nodiscard]] DictionaryRef dictionaryForKey(std::string_view key) const {
    return asDictionary(objectForKey(key));
  }
  ///@}

 protected:
  /// Sets `key` to `value`: an existing key keeps its position, a new one
  /// comes last. A null `value` removes the key.
  void set(std::string key, Ref value);
  /// Removes `key`; an absent key changes nothing.
  void remove(std::string_view key);
  /// Removes every key of `keys` in one pass; absent keys are ignored.
  void removeMany(const std::vector<std::string>& keys);
  /// Removes every entry.
  void clear();

 private:
  /// Small dictionaries (strokes, entries) are searched in place: a hash index
  /// per stroke would cost more memory and cache than it saves. Larger ones
  /// keep an index from key to position.
  static constexpr std::size_t kLinearSearchLimit = 8;
  [[nodiscard]] std::optional<std::size_t> find(std::string_view key) const;
  void rebuildIndex();

  std::vector<Entry> entries_;
  /// Null while the dictionary is small; kept out of line so that the many
  /// small dictionaries stay small.
  std::unique_ptr<std::unordered_map<std::string_view, std::size_t>> index_;
};

/// A dictionary that changes in place and keeps its identity.
class QOR_TOOLBOX_EXPORT MutableDictionary final : public Dictionary {
 public:
  /// A mutable dictionary of `entries`, read as by Dictionary's constructor.
  ///@{
  using Dictionary::Dictionary;
  static MutableDictionaryRef make(std::vector<Entry> entries = {}) {
    return std::make_shared<MutableDictionary>(std::move(entries));
  }
  ///@}
  [[nodiscard]] bool isMutable() const override { return true; }
  /// A null `value` removes the key.
  void setObjectForKey(Ref value, std::string key);
  /// Removes `key`; an absent key changes nothing.
  void removeObjectForKey(std::string_view key) { remove(key); }
  /// One pass over the entries, whatever the number of keys.
  void removeObjectsForKeys(const std::vector<std::string>& keys) { removeMany(keys); }
  /// Removes every entry.
  void removeAllObjects() { clear(); }
};

/// Short constructors for building values in code and tests.
///@{
[[nodiscard]] inline StringRef str(std::string utf8) { return String::make(std::move(utf8)); }
[[nodiscard]] inline NumberRef integer(std::int64_t v) { return Number::makeInteger(v); }
[[nodiscard]] inline NumberRef real(double v) { return Number::makeReal(v); }
[[nodiscard]] inline NumberRef boolean(bool v) { return Number::makeBoolean(v); }
///@}

/// A short readable rendering for logs and test failures, for example
/// {"name" = "Mine"; "menu" = {}} or (1, 2.5, true, <0aff>).
/// A null `value` gives "null".
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string describe(const Ref& value);

}  // namespace qor
