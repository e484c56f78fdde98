// The text system and image reader without a screen, for the rich-text
// toolbox's tests and tools.
//
// Texts are StoredTexts (qor/text/stored_text.h). Fonts are a
// family, a size and a descriptor dictionary; a font is made from a
// dictionary that names a "family" (the family alone makes a plain font, whose
// dictionary is empty). Tables and lists are bare identities (a
// list keeps its marker format). A range serialises to an XML property list:
//   {"string" = ...; "runs" = ({"length" = n; "attributes" = {...}}, ...);
//    "tables" = n; "lists" = ("{disc}", ...)}
// where a run's font is {"family"; "size"; "attributes"}, its paragraph style
// {"cells" = ({"table" = i; "row" = r; "column" = c}, ...); "lists" = (j, ...)}
// (i and j index the serialised tables and lists), and opaque values of any
// other type are left out.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qor/ports/images.h"
#include "qor/ports/text_system.h"
#include "qor/text/stored_text.h"

namespace qor {

class HeadlessFont final : public Font {
 public:
  HeadlessFont(std::string family, double pointSize, DictionaryRef fontAttributes);
  [[nodiscard]] double pointSize() const override { return size_; }
  [[nodiscard]] DictionaryRef fontAttributes() const override { return attributes_; }
  [[nodiscard]] std::string familyName() const override { return family_; }
  [[nodiscard]] const std::string& family() const { return family_; }
  [[nodiscard]] bool isEqualTo(const Opaque& other) const override;
  [[nodiscard]] std::string description() const override;

 private:
  std::string family_;
  double size_;
  DictionaryRef attributes_;
};

class HeadlessTextTable final : public TextTable {};

class HeadlessTextList final : public TextList {
 public:
  explicit HeadlessTextList(std::string markerFormat) : markerFormat_(std::move(markerFormat)) {}
  [[nodiscard]] const std::string& markerFormat() const { return markerFormat_; }

 private:
  std::string markerFormat_;
};

class HeadlessTextBlock final : public TextBlock {
 public:
  HeadlessTextBlock(TextTableRef table, int row, int column) : table_(std::move(table)), row_(row), column_(column) {}
  [[nodiscard]] TextTableRef table() const override { return table_; }
  [[nodiscard]] int row() const { return row_; }
  [[nodiscard]] int column() const { return column_; }

 private:
  TextTableRef table_;
  int row_;
  int column_;
};

class HeadlessParagraphStyle final : public ParagraphStyle {
 public:
  HeadlessParagraphStyle(std::vector<TextBlockRef> blocks, std::vector<TextListRef> lists)
      : blocks_(std::move(blocks)), lists_(std::move(lists)) {}
  [[nodiscard]] std::vector<TextBlockRef> textBlocks() const override { return blocks_; }
  [[nodiscard]] std::vector<TextListRef> textLists() const override { return lists_; }

 private:
  std::vector<TextBlockRef> blocks_;
  std::vector<TextListRef> lists_;
};

class HeadlessTextSystem final : public StoredTextSystem {
 public:
  static constexpr char kUserFontFamily[] = "DejaVu Sans";
  static constexpr double kSmallSystemFontSize = 11.0;
  static constexpr char kFamilyKey[] = "family";

  HeadlessTextSystem();
  [[nodiscard]] FontRef fontWithFontAttributesSize(const DictionaryRef& fontAttributes,
                                                  double pointSize) override;
  [[nodiscard]] std::unique_ptr<AttributedText> textWithRTFDFileWrapper(const FileWrapper& wrapper) override;
  [[nodiscard]] ParagraphStyleRef defaultParagraphStyle() override { return defaultStyle_; }
  [[nodiscard]] FontRef userFontOfSize(double pointSize) override;
  [[nodiscard]] double smallSystemFontSize() override { return kSmallSystemFontSize; }
  [[nodiscard]] std::unique_ptr<AttributedText> mutableTextWithString(std::string utf8,
                                                                     const DictionaryRef& attributes) override;
  [[nodiscard]] FileWrapperRef serialisedText(const AttributedString& text) override;
  // Headless paragraph styles are their tables and lists only: no form, and
  // any form gives the default style.
  [[nodiscard]] DictionaryRef paragraphFormatForm(const ParagraphStyle&) override { return nullptr; }
  [[nodiscard]] ParagraphStyleRef paragraphStyleWithFormatForm(const DictionaryRef& form) override {
    return form ? defaultStyle_ : nullptr;
  }
  // A text of `text` that is mutable or fixed.
  [[nodiscard]] std::unique_ptr<StoredText> textWithAttributedString(AttributedString text,
                                                                     StoredText::Mutability mutability);

 private:
  ParagraphStyleRef defaultStyle_;
};

// Reads the pictures a test registered, by their exact bytes; anything else
// is no image. Every call is recorded.
class HeadlessImageReader final : public ImageReader {
 public:
  void registerImage(std::vector<std::uint8_t> bytes, ImageRef image);
  [[nodiscard]] ImageRef imageWithData(std::span<const std::uint8_t> bytes) override;
  [[nodiscard]] int calls() const { return calls_; }

 private:
  std::map<std::vector<std::uint8_t>, ImageRef> images_;
  int calls_ = 0;
};

}  // namespace qor
