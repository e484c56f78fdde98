// An attributed text kept as a qor::AttributedString: the one implementation
// of the text-system port's text, shared by the headless and the Qt text
// systems. They differ in their fonts and paragraph styles and in how a range
// is serialised, which each supplies as a StoredTextSystem.
//
// Effective ranges are stretches over which an attribute holds the very same
// object (or is absent throughout); longest effective ranges join stretches
// whose values are equal (`isEqual`).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "qor/attributed_string.h"
#include "qor/ports/text_system.h"

namespace qor {

class StoredTextSystem : public TextSystem {
 public:
  // The characters and attributes of `text` serialised into a regular-file
  // wrapper that textWithRTFDFileWrapper reads back. Result: null when
  // `text` holds something the form cannot carry.
  [[nodiscard]] virtual FileWrapperRef serialisedText(const AttributedString& text) = 0;
  // The paragraph format of `style` (alignment, indents, spacing, tab stops)
  // as a property list, without the table cell and the list the paragraph
  // belongs to. Result: null when the style has no format of its own.
  [[nodiscard]] virtual DictionaryRef paragraphFormatForm(const ParagraphStyle& style) = 0;
  // A paragraph style in no table and no list, of the format `form` gives.
  // Result: null when `form` is no such form.
  [[nodiscard]] virtual ParagraphStyleRef paragraphStyleWithFormatForm(const DictionaryRef& form) = 0;
};

class StoredText final : public AttributedText {
 public:
  enum class Mutability { Mutable, Fixed };
  StoredText(StoredTextSystem& system, AttributedString text, Mutability mutability);

  [[nodiscard]] TextSystem& textSystem() const override { return system_; }
  [[nodiscard]] StoredTextSystem& storedTextSystem() const { return system_; }
  [[nodiscard]] bool isMutable() const override { return mutability_ == Mutability::Mutable; }
  [[nodiscard]] std::size_t length() const override { return text_.length(); }
  [[nodiscard]] std::string string() const override { return text_.string(); }
  [[nodiscard]] std::optional<AttributeRun> attributeAtIndexEffectiveRange(std::string_view name,
                                                                           std::size_t index) const override;
  [[nodiscard]] std::optional<AttributeRun> attributeAtIndexLongestEffectiveRangeInRange(
      std::string_view name, std::size_t index, TextRange rangeLimit) const override;
  void addAttributeValueRange(std::string_view name, const Ref& value, TextRange range) override;
  [[nodiscard]] TextRange rangeOfTextTableAtIndex(const TextTable& table, std::size_t index) const override;
  [[nodiscard]] TextRange rangeOfTextListAtIndex(const TextList& list, std::size_t index) const override;
  [[nodiscard]] FileWrapperRef RTFDFileWrapperFromRange(TextRange range) const override;
  [[nodiscard]] std::unique_ptr<AttributedText> mutableCopy() const override;

  // The characters and every attribute.
  [[nodiscard]] const AttributedString& attributedString() const { return text_; }

 private:
  template <typename Matches>
  TextRange paragraphStretch(std::size_t index, Matches matches) const;

  StoredTextSystem& system_;
  AttributedString text_;
  Mutability mutability_;
};

// The characters of `range` with their attributes; an empty string when the
// range reaches past the end.
[[nodiscard]] AttributedString attributedSubstring(const AttributedString& text, TextRange range);

// The stored form both text systems serialise to: a property list in one
// regular file, {"string", "runs" = ({"length", "attributes"}...), "tables",
// "lists"}; what "attributes", "tables" and "lists" hold is each system's own.
namespace stored_form {
inline constexpr char kStringKey[] = "string";
inline constexpr char kRunsKey[] = "runs";
inline constexpr char kLengthKey[] = "length";
inline constexpr char kAttributesKey[] = "attributes";
inline constexpr char kTablesKey[] = "tables";
inline constexpr char kListsKey[] = "lists";
inline constexpr char kFileName[] = "text.plist";
}  // namespace stored_form

// Turns one run's attributes into their stored form, or back into live
// attributes (null: malformed).
using StoredAttributes = std::function<DictionaryRef(const DictionaryRef&)>;

// The runs of `text`, one per effective range: {"length", "attributes" =
// formOf(the range's attributes)}.
[[nodiscard]] std::vector<Ref> storedRuns(const AttributedString& text, const StoredAttributes& formOf);

// `form` as XML in a regular-file wrapper named stored_form::kFileName; null
// when it cannot be written.
[[nodiscard]] FileWrapperRef storedFormWrapper(const DictionaryRef& form);

// The form `wrapper` holds when it is a regular file holding a dictionary
// with a "string", "runs", "tables" and "lists"; null otherwise.
[[nodiscard]] DictionaryRef storedFormOf(const FileWrapper& wrapper);

// A mutable text of `system` with the form's string and runs, each run's
// attributes made live by `liveOf`. Null when a run is malformed, `liveOf`
// refuses one, or the runs do not cover the string exactly.
[[nodiscard]] std::unique_ptr<AttributedText> textFromStoredForm(StoredTextSystem& system, const Dictionary& form,
                                                                 const StoredAttributes& liveOf);

}  // namespace qor
