/// @file
/// Text-system port: what the rich-text toolbox needs of the platform's text
/// system, and no more.
///
/// A text (`AttributedText`) is characters with attribute runs, addressed in
/// UTF-16 code units as `qor::AttributedString` is. Attribute values are
/// property-list values or opaque values (qor/opaque.h): a font under
/// kFontAttributeName, a paragraph style under kParagraphStyleAttributeName,
/// a text attachment under kAttachmentAttributeName. A paragraph style lists
/// the text blocks (each a table cell that knows its table) and the text
/// lists its paragraph belongs to; the text reports the whole range of a
/// table or list around an index.
///
/// A range of text serialises to an opaque value kept in a file wrapper and
/// reads back with its paragraph styles; the form is the platform's own, and
/// only the platform that made it reads it.
///
/// Implementations: platform/headless (HeadlessTextSystem, for tests and
/// tools) and platform/qt (QTextDocument and QFont).
///
/// Threads: the text system and its texts are used on the main thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/attributed_string.h"
#include "qor/file_wrapper.h"
#include "qor/opaque.h"
#include "qor/value.h"

namespace qor {

/// The platform's attribute names.
///@{
inline constexpr char kFontAttributeName[] = "font";
inline constexpr char kParagraphStyleAttributeName[] = "paragraph style";
inline constexpr char kAttachmentAttributeName[] = "attachment";
///@}

class TextSystem;

/// A font of some point size. Its descriptor attribute dictionary holds what
/// the font knows beyond its family and size, as property-list values.
class Font : public Opaque {
 public:
  [[nodiscard]] std::string_view typeName() const override { return "font"; }
  /// The size in points.
  [[nodiscard]] virtual double pointSize() const = 0;
  /// The family name, which archives that keep only a font's name and size
  /// store.
  [[nodiscard]] virtual std::string familyName() const = 0;
  /// The descriptor's attribute dictionary; never null, possibly empty (a
  /// plain font that needs nothing beyond family and size).
  [[nodiscard]] virtual DictionaryRef fontAttributes() const = 0;
};
/// A shared font; null stands for no font.
using FontRef = std::shared_ptr<Font>;

/// Tables and lists count by identity: two paragraphs belong to the same
/// table when their blocks name the same table object.
class TextTable : public Opaque {
 public:
  [[nodiscard]] std::string_view typeName() const override { return "text table"; }
};
/// A shared table; null stands for none.
using TextTableRef = std::shared_ptr<TextTable>;

/// A list that paragraphs belong to (counted by identity, as tables are).
class TextList : public Opaque {
 public:
  [[nodiscard]] std::string_view typeName() const override { return "text list"; }
};
/// A shared list; null stands for none.
using TextListRef = std::shared_ptr<TextList>;

/// A table cell holding a paragraph.
class TextBlock {
 public:
  virtual ~TextBlock() = default;
  /// The table the cell belongs to.
  [[nodiscard]] virtual TextTableRef table() const = 0;
};
/// A shared table cell; null stands for none.
using TextBlockRef = std::shared_ptr<TextBlock>;

/// A paragraph's style, as far as the toolbox reads it: the table cells and
/// lists the paragraph belongs to.
class ParagraphStyle : public Opaque {
 public:
  [[nodiscard]] std::string_view typeName() const override { return "paragraph style"; }
  /// Innermost last; empty outside tables and lists.
  [[nodiscard]] virtual std::vector<TextBlockRef> textBlocks() const = 0;
  /// The lists the paragraph belongs to, innermost last; empty outside lists.
  [[nodiscard]] virtual std::vector<TextListRef> textLists() const = 0;
};
/// A shared paragraph style; null stands for none.
using ParagraphStyleRef = std::shared_ptr<ParagraphStyle>;

/// The attachment of an attachment character: the picture as shown, as a file.
class TextAttachment final : public Opaque {
 public:
  /// An attachment of `wrapper` (null: an attachment without a file).
  explicit TextAttachment(FileWrapperRef wrapper) : wrapper_(std::move(wrapper)) {}
  /// The same, shared.
  [[nodiscard]] static std::shared_ptr<TextAttachment> make(FileWrapperRef wrapper) {
    return std::make_shared<TextAttachment>(std::move(wrapper));
  }
  [[nodiscard]] std::string_view typeName() const override { return "text attachment"; }
  /// Equal wrappers make equal attachments.
  [[nodiscard]] bool isEqualTo(const Opaque& other) const override;
  /// Null for an attachment without a file.
  [[nodiscard]] const FileWrapperRef& fileWrapper() const { return wrapper_; }

 private:
  FileWrapperRef wrapper_;
};
/// A shared attachment; null stands for none.
using TextAttachmentRef = std::shared_ptr<TextAttachment>;

inline bool TextAttachment::isEqualTo(const Opaque& other) const {
  const auto* attachment = dynamic_cast<const TextAttachment*>(&other);
  return attachment && isEqual(wrapper_, attachment->wrapper_);
}

/// A text of the platform's text system: characters with attribute runs,
/// mutable or fixed.
class AttributedText {
 public:
  /// The value of one attribute over a range; a null value means the
  /// attribute is absent there.
  struct AttributeRun {
    Ref value;        ///< The value; null where the attribute is absent.
    TextRange range;  ///< Where the value holds, in UTF-16 code units.
  };

  virtual ~AttributedText() = default;

  /// The text system that made the text and makes its fonts.
  [[nodiscard]] virtual TextSystem& textSystem() const = 0;
  /// False for a fixed text, which every change leaves as it is.
  [[nodiscard]] virtual bool isMutable() const = 0;
  /// Length in UTF-16 code units.
  [[nodiscard]] virtual std::size_t length() const = 0;
  /// The characters as UTF-8.
  [[nodiscard]] virtual std::string string() const = 0;

  /// The value of `name` at `index` and its effective range: the stretch
  /// around `index` over which the value is the same object (or absent
  /// throughout). Result: nullopt when `index` is not below length().
  [[nodiscard]] virtual std::optional<AttributeRun> attributeAtIndexEffectiveRange(std::string_view name,
                                                                                   std::size_t index) const = 0;
  /// The same, widened to the longest stretch inside `rangeLimit` over which
  /// the values are equal (`isEqual`). Result: nullopt when `index` lies
  /// outside `rangeLimit` or `rangeLimit` reaches past the end.
  [[nodiscard]] virtual std::optional<AttributeRun> attributeAtIndexLongestEffectiveRangeInRange(
      std::string_view name, std::size_t index, TextRange rangeLimit) const = 0;
  /// Sets `name` to `value` over `range`; a null value removes it. A fixed
  /// text, an empty range or one reaching past the end change nothing.
  virtual void addAttributeValueRange(std::string_view name, const Ref& value, TextRange range) = 0;

  /// The whole range of `table` (or `list`) around `index`: the paragraphs
  /// next to each other that belong to it. Result: empty when the paragraph
  /// at `index` does not belong to it or `index` is not below length().
  ///@{
  [[nodiscard]] virtual TextRange rangeOfTextTableAtIndex(const TextTable& table, std::size_t index) const = 0;
  [[nodiscard]] virtual TextRange rangeOfTextListAtIndex(const TextList& list, std::size_t index) const = 0;
  ///@}

  /// The characters of `range` with their attributes, serialised into a
  /// regular-file wrapper that TextSystem::textWithRTFDFileWrapper reads
  /// back with the same length and paragraph styles. Result: null for an
  /// empty range or one reaching past the end.
  [[nodiscard]] virtual FileWrapperRef RTFDFileWrapperFromRange(TextRange range) const = 0;

  /// A new mutable text with the same characters and attribute values.
  [[nodiscard]] virtual std::unique_ptr<AttributedText> mutableCopy() const = 0;
};

/// The platform's text system: makes fonts and texts, and reads back the
/// texts it serialised.
class TextSystem {
 public:
  virtual ~TextSystem() = default;
  /// A font from a descriptor attribute dictionary at `pointSize`. Result:
  /// null when the dictionary describes no font the platform can make, or
  /// for a null dictionary.
  [[nodiscard]] virtual FontRef fontWithFontAttributesSize(const DictionaryRef& fontAttributes,
                                                          double pointSize) = 0;
  /// Reads what RTFDFileWrapperFromRange wrote. Result: null when the wrapper
  /// is not a regular file or its contents do not read.
  [[nodiscard]] virtual std::unique_ptr<AttributedText> textWithRTFDFileWrapper(const FileWrapper& wrapper) = 0;
  /// The paragraph style of a paragraph that has none of its own.
  [[nodiscard]] virtual ParagraphStyleRef defaultParagraphStyle() = 0;
  /// The user's default text font at `pointSize`; never null.
  [[nodiscard]] virtual FontRef userFontOfSize(double pointSize) = 0;
  /// The point size of the platform's small system font.
  [[nodiscard]] virtual double smallSystemFontSize() = 0;
  /// A new mutable text of `utf8` with `attributes` (null: none) throughout.
  [[nodiscard]] virtual std::unique_ptr<AttributedText> mutableTextWithString(std::string utf8,
                                                                             const DictionaryRef& attributes) = 0;
};

}  // namespace qor
