// QTextDocument <-> StoredText, paragraph for paragraph.
#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <map>

#include "qor/qt/text_system.h"
#include "qor/text.h"

Q_DECLARE_METATYPE(qor::DictionaryRef)

namespace qor {

namespace {

// The character-format property that carries the attributes Qt has no
// property for: saved formatting, picture sources, attachments.
constexpr int kStoredAttributesProperty = QTextFormat::UserProperty + 1;
constexpr char16_t kParagraphEnd = u'\n';
constexpr char kAttachmentScheme[] = "qor-attachment:";

DictionaryRef storedAttributes(const QTextFormat& format) {
  auto value = format.property(kStoredAttributesProperty);
  return value.canConvert<DictionaryRef>() ? value.value<DictionaryRef>() : nullptr;
}

class DocumentReader {
 public:
  DocumentReader(QtTextSystem& system, std::optional<QFont> defaultFont)
      : system_(system), defaultFont_(std::move(defaultFont)) {}

  std::unique_ptr<StoredText> read(const QTextDocument& document) {
    std::u16string text;
    std::vector<std::pair<std::size_t, DictionaryRef>> runs;  // length, attributes
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
      auto style = paragraphStyle(block);
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QString characters = fragment.text();
        text.append(reinterpret_cast<const char16_t*>(characters.utf16()), static_cast<std::size_t>(characters.size()));
        runs.emplace_back(characters.size(), attributes(fragment.charFormat(), style));
      }
      if (block.next().isValid()) {
        text.push_back(kParagraphEnd);
        runs.emplace_back(1, attributes(block.charFormat(), style));
      }
    }
    AttributedString string(utf8FromUtf16(text));
    std::size_t at = 0;
    for (const auto& [length, attributes] : runs) {
      string.setAttributesRange(attributes, {at, length});
      at += length;
    }
    return std::make_unique<StoredText>(system_, std::move(string), StoredText::Mutability::Mutable);
  }

 private:
  std::shared_ptr<QtParagraphStyle> paragraphStyle(const QTextBlock& block) {
    std::shared_ptr<QtTextBlock> cell;
    if (QTextTable* table = QTextCursor(block).currentTable()) {
      auto& qtTable = tables_[table];
      if (!qtTable) qtTable = std::make_shared<QtTextTable>(table->rows(), table->columns(), table->format());
      const QTextTableCell found = table->cellAt(block.position());
      cell = std::make_shared<QtTextBlock>(
          qtTable, QtTextBlock::Cell{found.row(), found.column(), found.rowSpan(), found.columnSpan()});
    }
    std::shared_ptr<QtTextList> list;
    if (QTextList* textList = block.textList()) {
      auto& qtList = lists_[textList];
      if (!qtList) qtList = std::make_shared<QtTextList>(textList->format());
      list = qtList;
    }
    return std::make_shared<QtParagraphStyle>(block.blockFormat(), std::move(cell), std::move(list));
  }

  DictionaryRef attributes(const QTextCharFormat& format, const std::shared_ptr<QtParagraphStyle>& style) {
    auto result = MutableDictionary::make();
    if (auto stored = storedAttributes(format))
      for (const auto& [name, value] : stored->entries()) result->setObjectForKey(value, name);
    result->setObjectForKey(font(fontOf(format)), kFontAttributeName);
    result->setObjectForKey(style, kParagraphStyleAttributeName);
    return Dictionary::make(result->entries());
  }

  // A document resolves its formats' fonts against its default font; a
  // fresh format with the same properties has the format's own only.
  QFont fontOf(const QTextCharFormat& format) const {
    if (!defaultFont_) return format.font();
    QTextCharFormat own;
    const auto properties = format.properties();
    for (auto it = properties.begin(); it != properties.end(); ++it) own.setProperty(it.key(), it.value());
    return own.font().resolve(*defaultFont_);
  }

  // One font object per distinct font, so that font runs span fragments.
  FontRef font(const QFont& qfont) {
    for (const auto& known : fonts_)
      if (known->font() == qfont && known->font().pointSizeF() == qfont.pointSizeF()) return known;
    fonts_.push_back(std::make_shared<QtFont>(qfont));
    return fonts_.back();
  }

  QtTextSystem& system_;
  std::optional<QFont> defaultFont_;
  std::map<const QTextTable*, std::shared_ptr<QtTextTable>> tables_;
  std::map<const QTextList*, std::shared_ptr<QtTextList>> lists_;
  std::vector<std::shared_ptr<QtFont>> fonts_;
};

class DocumentWriter {
 public:
  DocumentWriter(QTextDocument& document, ImageReader& reader) : document_(document), reader_(reader), cursor_(&document) {}
  DocumentWriter(QTextCursor cursor, ImageReader& reader)
      : document_(*cursor.document()), reader_(reader), cursor_(std::move(cursor)) {
    // Resource names already in the document stay theirs.
    while (document_.resource(QTextDocument::ImageResource, QUrl(resourceName(attachments_ + 1))).isValid()) ++attachments_;
  }

  void insertAttachment(const TextAttachmentRef& attachment, const DictionaryRef& attributes) {
    auto all = MutableDictionary::make(attributes ? attributes->entries() : std::vector<Dictionary::Entry>{});
    all->setObjectForKey(attachment, kAttachmentAttributeName);
    cursor_.insertText(QString(QChar::ObjectReplacementCharacter), imageFormat(charFormat(all), *attachment));
  }

  void write(const StoredText& text) {
    const AttributedString& string = text.attributedString();
    const std::u16string units = utf16FromUtf8(string.string());
    // Paragraph ranges, without their "\n".
    std::vector<TextRange> paragraphs;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= units.size(); ++i) {
      if (i == units.size() || units[i] == kParagraphEnd) {
        paragraphs.push_back({start, i - start});
        start = i + 1;
      }
    }
    for (std::size_t i = 0; i < paragraphs.size();) {
      auto style = styleOf(string, paragraphs[i]);
      if (style && style->cell()) {
        std::size_t end = i;
        while (end < paragraphs.size()) {
          auto next = styleOf(string, paragraphs[end]);
          if (!next || !next->cell() || next->cell()->qtTable() != style->cell()->qtTable()) break;
          ++end;
        }
        writeTable(string, units, paragraphs, i, end, *style->cell()->qtTable());
        i = end;
      } else {
        startParagraph();
        writeParagraph(string, units, paragraphs[i], style);
        ++i;
      }
    }
  }

 private:
  static std::shared_ptr<QtParagraphStyle> styleOf(const AttributedString& string, TextRange paragraph) {
    // An empty paragraph keeps its style on its "\n"; the last one has none.
    if (paragraph.location >= string.length()) return nullptr;
    auto run = string.attributesAtIndexEffectiveRange(paragraph.location);
    return opaqueAs<QtParagraphStyle>(run->attributes->objectForKey(kParagraphStyleAttributeName));
  }

  // A new block after the one written last; the document's first block, and
  // the block Qt keeps after each table, are used as they are.
  void startParagraph() {
    if (!freshBlock_) cursor_.insertBlock();
    freshBlock_ = false;
  }

  void writeParagraph(const AttributedString& string, const std::u16string& units, TextRange paragraph,
                      const std::shared_ptr<QtParagraphStyle>& style) {
    cursor_.setBlockFormat(style ? style->format() : QTextBlockFormat());
    if (paragraph.end() < string.length())
      cursor_.setBlockCharFormat(charFormat(string.attributesAtIndexEffectiveRange(paragraph.end())->attributes));
    if (style && style->list()) {
      auto& list = lists_[style->list().get()];
      if (list)
        list->add(cursor_.block());
      else
        list = cursor_.createList(style->list()->format());
    }
    for (std::size_t at = paragraph.location; at < paragraph.end();) {
      auto run = string.attributesAtIndexEffectiveRange(at);
      std::size_t end = std::min(run->range.end(), paragraph.end());
      QTextCharFormat format = charFormat(run->attributes);
      auto attachment = opaqueAs<TextAttachment>(run->attributes->objectForKey(kAttachmentAttributeName));
      for (std::size_t i = at; i < end; ++i) {
        if (attachment && units[i] == QChar::ObjectReplacementCharacter) {
          cursor_.insertText(QString(QChar::ObjectReplacementCharacter), imageFormat(format, *attachment));
        } else {
          std::size_t stop = i;
          while (stop < end && !(attachment && units[stop] == QChar::ObjectReplacementCharacter)) ++stop;
          cursor_.insertText(QString::fromUtf16(units.data() + i, static_cast<qsizetype>(stop - i)), format);
          i = stop - 1;
        }
      }
      at = end;
    }
  }

  void writeTable(const AttributedString& string, const std::u16string& units, const std::vector<TextRange>& paragraphs,
                  std::size_t first, std::size_t end, const QtTextTable& table) {
    QTextTable* qtable = cursor_.insertTable(table.rows(), table.columns(), table.format());
    for (std::size_t i = first; i < end; ++i) {
      const auto& cell = styleOf(string, paragraphs[i])->cell()->cell();
      if (cell.rowSpan > 1 || cell.columnSpan > 1) qtable->mergeCells(cell.row, cell.column, cell.rowSpan, cell.columnSpan);
    }
    std::pair<int, int> current{-1, -1};
    for (std::size_t i = first; i < end; ++i) {
      auto style = styleOf(string, paragraphs[i]);
      const auto& cell = style->cell()->cell();
      if (std::pair(cell.row, cell.column) != current) {
        current = {cell.row, cell.column};
        cursor_ = qtable->cellAt(cell.row, cell.column).firstCursorPosition();
      } else {
        cursor_.insertBlock();
      }
      writeParagraph(string, units, paragraphs[i], style);
    }
    cursor_ = qtable->lastCursorPosition();
    cursor_.movePosition(QTextCursor::NextBlock);
    freshBlock_ = true;
  }

  static QTextCharFormat charFormat(const DictionaryRef& attributes) {
    QTextCharFormat format;
    std::vector<Dictionary::Entry> stored;
    for (const auto& [name, value] : attributes->entries()) {
      if (name == kFontAttributeName) {
        if (auto font = opaqueAs<QtFont>(value)) format.setFont(font->font(), QTextCharFormat::FontPropertiesAll);
      } else if (name != kParagraphStyleAttributeName) {
        stored.emplace_back(name, value);
      }
    }
    if (!stored.empty()) format.setProperty(kStoredAttributesProperty, QVariant::fromValue(Dictionary::make(std::move(stored))));
    return format;
  }

  QTextImageFormat imageFormat(const QTextCharFormat& format, const TextAttachment& attachment) {
    QTextImageFormat image;
    image.merge(format);
    const QString name = resourceName(++attachments_);
    image.setName(name);
    if (const auto& wrapper = attachment.fileWrapper()) {
      const auto& bytes = wrapper->regularFileContents();
      QImage picture = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
      if (auto decoded = reader_.imageWithData(bytes)) {
        image.setWidth(decoded->pointWidth());
        image.setHeight(decoded->pointHeight());
      }
      document_.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
    return image;
  }

  static QString resourceName(int number) { return QString(kAttachmentScheme) + QString::number(number); }

  QTextDocument& document_;
  ImageReader& reader_;
  QTextCursor cursor_;
  bool freshBlock_ = true;
  int attachments_ = 0;
  std::map<const QtTextList*, QTextList*> lists_;
};

}  // namespace

std::unique_ptr<StoredText> QtTextSystem::textWithDocument(const QTextDocument& document,
                                                           const std::optional<QFont>& defaultFont) {
  return DocumentReader(*this, defaultFont).read(document);
}

void QtTextSystem::insertAttachment(QTextCursor& cursor, const TextAttachmentRef& attachment,
                                    const DictionaryRef& attributes, ImageReader& reader) {
  if (!attachment || !cursor.document()) return;
  DocumentWriter(cursor, reader).insertAttachment(attachment, attributes);
}

void QtTextSystem::setDocumentText(QTextDocument& document, const StoredText& text, ImageReader& reader) {
  document.clear();
  DocumentWriter(document, reader).write(text);
}

}  // namespace qor
