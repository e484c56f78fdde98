/// @file
/// Attributed strings: text with runs of named attributes.
///
/// The text is UTF-8 at the interface, but every index, length and range counts
/// UTF-16 code units, the unit in which text views and rich-text documents
/// address characters: a character outside the Basic Multilingual Plane counts
/// two. The text is measured once, when the string is made.
///
/// Attributes are a Dictionary of named values ("font", "color", ...). Every
/// code unit has exactly one attribute dictionary, possibly empty. A run is a
/// stretch of units that hold the very same dictionary object; it is the
/// effective range of each of its units. Runs whose dictionaries are equal but
/// distinct objects stay apart, and the longest effective range joins them.
/// A mutable dictionary handed in is copied (its entries, shallowly), so later
/// changes to it do not reach the string; a fixed one is shared.
///
/// Example:
/// @code
///   qor::AttributedString price("-12", qor::Dictionary::make({{"font", qor::str("Sans 12")}}));
///   price.addAttributesRange(qor::Dictionary::make({{"color", qor::str("red")}}), {0, 1});
///   auto run = price.attributesAtIndexEffectiveRange(0);  // {font, color} over {0, 1}
/// @endcode
///
/// Threads: any function may be called from several threads at once; a value
/// may be read from several threads, but one being changed belongs to one
/// thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "qor/value.h"

namespace qor {

/// A stretch of UTF-16 code units: `length` units from `location`.
struct QOR_TOOLBOX_EXPORT TextRange {
  std::size_t location = 0;  ///< index of the first unit
  std::size_t length = 0;    ///< number of units

  /// The index just past the range: `location + length`.
  [[nodiscard]] constexpr std::size_t end() const { return location + length; }
  friend constexpr bool operator==(const TextRange&, const TextRange&) = default;
};

/// Text with runs of named attributes; indices count UTF-16 code units.
class QOR_TOOLBOX_EXPORT AttributedString {
 public:
  /// The attributes of one unit and the range over which they hold.
  struct AttributeRun {
    DictionaryRef attributes;  ///< never null; empty when the unit has none
    TextRange range;           ///< the units over which `attributes` hold
  };

  /// The empty string.
  AttributedString() = default;
  /// `text` with `attributes` over all of it; null attributes mean none.
  explicit AttributedString(std::string text, const DictionaryRef& attributes = nullptr);

  /// The text, UTF-8.
  [[nodiscard]] const std::string& string() const { return text_; }
  /// Length in UTF-16 code units.
  [[nodiscard]] std::size_t length() const { return length_; }

  /// The attributes at `index` and the run that holds them. Result: nullopt
  /// when `index` is not below length().
  [[nodiscard]] std::optional<AttributeRun> attributesAtIndexEffectiveRange(std::size_t index) const;

  /// The attributes at `index` and the widest range around it, inside
  /// `rangeLimit`, over which every unit has equal attributes (equal contents,
  /// not only the same object). Result: nullopt when `index` lies outside
  /// `rangeLimit` or `rangeLimit` reaches past the end of the text.
  /// @code
  ///   runs "ab" {bold}, "cd" {bold} (separate objects), "e" {}:
  ///   index 2, limit {0, 5} -> {bold} over {0, 4}; limit {1, 4} -> {bold} over {1, 3}
  /// @endcode
  [[nodiscard]] std::optional<AttributeRun> attributesAtIndexLongestEffectiveRangeInRange(
      std::size_t index, TextRange rangeLimit) const;

  /// Replaces the attributes of every unit in `range` with `attributes` (null
  /// means none). A range reaching past the end of the text changes nothing;
  /// so does an empty range.
  void setAttributesRange(const DictionaryRef& attributes, TextRange range);

  /// Adds the entries of `attributes` to the attributes of every unit in
  /// `range`; an entry replaces an attribute of the same name and keeps its
  /// position. Null or empty attributes, an empty range, or one reaching past
  /// the end of the text change nothing.
  void addAttributesRange(const DictionaryRef& attributes, TextRange range);

  /// Equal texts whose units have equal attributes, however the runs are cut.
  friend QOR_TOOLBOX_EXPORT bool operator==(const AttributedString& a, const AttributedString& b);

  /// A property-list form for storing the string among other values:
  /// @code
  ///   {"string" = "-12"; "runs" = ({"length" = 1; "attributes" = {...}}, ...)}
  /// @endcode
  /// Runs follow each other from the start and their lengths (UTF-16 code
  /// units) add up to the length of the text; an empty text has no runs.
  [[nodiscard]] DictionaryRef propertyList() const;

  /// Reads the form above; "runs" may be left out (no attributes) and so may
  /// a run's "attributes". A plain string value reads as text without
  /// attributes. Result: nullopt for any other kind of value, a missing or
  /// non-string "string", a malformed run, or run lengths that do not add up
  /// to the text's length.
  [[nodiscard]] static std::optional<AttributedString> fromPropertyList(const Ref& value);

 private:
  struct Run {
    std::size_t length;
    DictionaryRef attributes;
  };

  [[nodiscard]] bool containsRange(TextRange range) const;
  /// Cuts the run that spans `offset` in two so that a run starts there;
  /// returns the index of that run (runs_.size() for the end of the text).
  std::size_t splitAt(std::size_t offset);
  /// Joins neighbouring runs that hold the same dictionary object.
  void coalesce();

  std::string text_;
  std::size_t length_ = 0;
  std::vector<Run> runs_;
};

}  // namespace qor
