// The text-system port over Qt's rich text: QFont for fonts, QTextBlockFormat,
// QTextTable and QTextList for paragraph styles, QTextDocument for the
// editor's documents.
//
// A text is a StoredText (qor/text/stored_text.h) with Qt values. A
// QTextDocument reads into one and is written from one paragraph for
// paragraph: every block is a paragraph, paragraphs are joined by "\n", and
// table cells are paragraphs whose style names the cell (row, column, spans)
// and its table. The frame markers Qt keeps around tables are not
// characters of the text. Qt keeps a paragraph before and after every table,
// so a text that starts with a table gains an empty paragraph in a document.
//
// A font's descriptor dictionary holds what the QFont has beyond a plain font
// of its family and size ("weight", "italic", "letter spacing", ...; see
// fontAttributesOfFont), with its "family", or nothing for a plain font.
//
// A range serialises to an XML property list of its runs; formats are kept
// property by property (see docs/architecture.md, "Qt text system").
#pragma once

#include <QFont>
#include <QTextBlockFormat>
#include <QTextListFormat>
#include <QTextTableFormat>
#include <memory>
#include <optional>

#include "qor/ports/images.h"
#include "qor/ports/text_system.h"
#include "qor/text/stored_text.h"

class QTextCursor;
class QTextDocument;

namespace qor {

class QtFont final : public Font {
 public:
  explicit QtFont(QFont font) : font_(std::move(font)) {}
  [[nodiscard]] double pointSize() const override { return font_.pointSizeF(); }
  [[nodiscard]] std::string familyName() const override { return font_.family().toStdString(); }
  [[nodiscard]] DictionaryRef fontAttributes() const override;
  [[nodiscard]] bool isEqualTo(const Opaque& other) const override;
  [[nodiscard]] std::string description() const override;
  [[nodiscard]] const QFont& font() const { return font_; }

 private:
  QFont font_;
};

// The descriptor dictionary of `font`: empty for a plain font of its family
// and size; otherwise "family" and every property that differs from the
// plain font: "style name" (string), "weight" (1-1000), "italic", "kerning",
// "fixed pitch", "underline", "strike out", "overline" (booleans), "stretch"
// (integer, 100 = none), "letter spacing" (real) with "letter spacing type"
// ("percentage" or "absolute"), "word spacing" (real), "capitalization"
// ("mixed case", "all uppercase", "all lowercase", "small caps",
// "capitalize").
[[nodiscard]] DictionaryRef fontAttributesOfFont(const QFont& font);

class QtTextTable final : public TextTable {
 public:
  QtTextTable(int rows, int columns, QTextTableFormat format)
      : rows_(rows), columns_(columns), format_(std::move(format)) {}
  [[nodiscard]] int rows() const { return rows_; }
  [[nodiscard]] int columns() const { return columns_; }
  [[nodiscard]] const QTextTableFormat& format() const { return format_; }

 private:
  int rows_;
  int columns_;
  QTextTableFormat format_;
};

class QtTextList final : public TextList {
 public:
  explicit QtTextList(QTextListFormat format) : format_(std::move(format)) {}
  [[nodiscard]] const QTextListFormat& format() const { return format_; }

 private:
  QTextListFormat format_;
};

// A table cell: its table, its first row and column and its spans.
class QtTextBlock final : public TextBlock {
 public:
  struct Cell {
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
  };
  QtTextBlock(std::shared_ptr<QtTextTable> table, Cell cell) : table_(std::move(table)), cell_(cell) {}
  [[nodiscard]] TextTableRef table() const override { return table_; }
  [[nodiscard]] const std::shared_ptr<QtTextTable>& qtTable() const { return table_; }
  [[nodiscard]] const Cell& cell() const { return cell_; }

 private:
  std::shared_ptr<QtTextTable> table_;
  Cell cell_;
};

class QtParagraphStyle final : public ParagraphStyle {
 public:
  // `cell` may be null (a paragraph outside tables); so may `list`.
  QtParagraphStyle(QTextBlockFormat format, std::shared_ptr<QtTextBlock> cell, std::shared_ptr<QtTextList> list);
  [[nodiscard]] std::vector<TextBlockRef> textBlocks() const override;
  [[nodiscard]] std::vector<TextListRef> textLists() const override;
  [[nodiscard]] const QTextBlockFormat& format() const { return format_; }
  [[nodiscard]] const std::shared_ptr<QtTextBlock>& cell() const { return cell_; }
  [[nodiscard]] const std::shared_ptr<QtTextList>& list() const { return list_; }

 private:
  QTextBlockFormat format_;
  std::shared_ptr<QtTextBlock> cell_;
  std::shared_ptr<QtTextList> list_;
};

class QtTextSystem final : public StoredTextSystem {
 public:
  [[nodiscard]] FontRef fontWithFontAttributesSize(const DictionaryRef& fontAttributes, double pointSize) override;
  [[nodiscard]] std::unique_ptr<AttributedText> textWithRTFDFileWrapper(const FileWrapper& wrapper) override;
  [[nodiscard]] ParagraphStyleRef defaultParagraphStyle() override;
  // The family of the platform's general font.
  [[nodiscard]] FontRef userFontOfSize(double pointSize) override;
  // The point size of the platform's smallest readable font.
  [[nodiscard]] double smallSystemFontSize() override;
  [[nodiscard]] std::unique_ptr<AttributedText> mutableTextWithString(std::string utf8,
                                                                     const DictionaryRef& attributes) override;
  [[nodiscard]] FileWrapperRef serialisedText(const AttributedString& text) override;
  // The block format, property by property (text_formats.h); null for a
  // paragraph style of another text system and for an empty block format.
  [[nodiscard]] DictionaryRef paragraphFormatForm(const ParagraphStyle& style) override;
  [[nodiscard]] ParagraphStyleRef paragraphStyleWithFormatForm(const DictionaryRef& form) override;

  // The characters and formatting of `document`: fonts, paragraph styles,
  // tables and lists, attachments, and the attributes stored with the
  // characters by setDocumentText. What a character's format leaves unset
  // comes from `defaultFont` when given, else from the document's default
  // font, which a view that zooms enlarges: the zoom then stays out of the text.
  [[nodiscard]] std::unique_ptr<StoredText> textWithDocument(const QTextDocument& document,
                                                             const std::optional<QFont>& defaultFont = std::nullopt);
  // Replaces the contents of `document` with `text`. Attributes that are not
  // Qt's own (the saved formatting, picture sources) are stored with the
  // characters so that textWithDocument gives them back. An attachment shows
  // its file's picture at its size in points; `reader` decodes it.
  void setDocumentText(QTextDocument& document, const StoredText& text, ImageReader& reader);
  // Inserts an attachment character at `cursor` showing `attachment`'s
  // picture, with `attributes` (a picture's source, say) stored on it.
  void insertAttachment(QTextCursor& cursor, const TextAttachmentRef& attachment, const DictionaryRef& attributes,
                        ImageReader& reader);
};

// Decodes pictures with Qt's image readers (PNG, JPEG, GIF, BMP, and what
// the installed image-format plug-ins add). A picture whose file gives no
// resolution reads as 72 dots per inch; one that gives a resolution within
// 0.05 of a whole number reads as that number (Qt keeps dots per metre as
// whole numbers, so 72 dpi comes back as 72.009).
class QtImageReader final : public ImageReader {
 public:
  [[nodiscard]] ImageRef imageWithData(std::span<const std::uint8_t> bytes) override;
};

}  // namespace qor
