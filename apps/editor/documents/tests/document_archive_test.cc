#include "qor/editor/document_archive.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "qor/headless/text_system.h"
#include "qor/image_attachments.h"
#include "qor/plist_file.h"
#include "qor/rich_text.h"
#include "qor/testing/memory_file_system.h"

namespace qor {
namespace {

class DocumentArchiveTest : public ::testing::Test {
 protected:
  // "Title\n" in a bold font, a one-row table "A\n" "B\n" whose second cell
  // holds a bulleted item, the attachment character with its source, "\n".
  std::unique_ptr<StoredText> document() {
    AttributedString string("Title\nA\nB\n\xEF\xBF\xBC\n");
    auto table = std::make_shared<HeadlessTextTable>();
    auto list = std::make_shared<HeadlessTextList>("{disc}");
    auto cell = [&](int column, std::vector<TextListRef> lists) {
      return std::make_shared<HeadlessParagraphStyle>(
          std::vector<TextBlockRef>{std::make_shared<HeadlessTextBlock>(table, 0, column)}, std::move(lists));
    };
    string.setAttributesRange(Dictionary::make({{kFontAttributeName, bold_}}), {0, 6});
    string.setAttributesRange(Dictionary::make({{kFontAttributeName, plain_}, {kParagraphStyleAttributeName, cell(0, {})}}), {6, 2});
    string.setAttributesRange(Dictionary::make({{kFontAttributeName, plain_}, {kParagraphStyleAttributeName, cell(1, {list})}}), {8, 2});
    string.setAttributesRange(Dictionary::make({{kAttachmentAttributeName, attachment_}, {kImageFileAttributeName, source_}}), {10, 1});
    return system_.textWithAttributedString(std::move(string), StoredText::Mutability::Mutable);
  }

  // Per unit: "T<row>,<column>" for a cell, "L<marker>" for a list, "|"-joined.
  static std::vector<std::string> structure(const AttributedText& text) {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < text.length(); ++i) {
      std::string row;
      if (auto style = opaqueAs<ParagraphStyle>(text.attributeAtIndexEffectiveRange(kParagraphStyleAttributeName, i)->value)) {
        for (const auto& block : style->textBlocks()) {
          auto cell = std::static_pointer_cast<HeadlessTextBlock>(block);
          row += "T" + std::to_string(cell->row()) + "," + std::to_string(cell->column());
        }
        for (const auto& list : style->textLists()) row += "L" + std::static_pointer_cast<HeadlessTextList>(list)->markerFormat();
      }
      rows.push_back(row);
    }
    return rows;
  }

  HeadlessTextSystem system_;
  FontRef bold_ = std::make_shared<HeadlessFont>("DejaVu Serif", 14.0,
                                                 Dictionary::make({{"family", str("DejaVu Serif")}, {"weight", integer(700)}}));
  FontRef plain_ = std::make_shared<HeadlessFont>("DejaVu Serif", 12.0, Dictionary::make());
  TextAttachmentRef attachment_ = TextAttachment::make(FileWrapper::makeRegularFile({1, 2}, "shown.png"));
  FileWrapperRef source_ = FileWrapper::makeRegularFile({3, 4, 5}, "photo.jpeg");
};

TEST_F(DocumentArchiveTest, ADocumentComesBackWithItsTablesListsFontsAndPictures) {
  auto text = document();
  const auto expected = structure(*text);
  auto archive = documentArchiveWithText(*text);
  ASSERT_TRUE(archive);
  auto back = textWithDocumentArchive(*archive, system_);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->string(), text->string());
  EXPECT_EQ(structure(*back), expected);
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kFontAttributeName, 0)->value, bold_));
  // A plain font comes back as the same family and size.
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kFontAttributeName, 6)->value, plain_));
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kAttachmentAttributeName, 10)->value, attachment_));
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kImageFileAttributeName, 10)->value, source_));
  // Saving the opened document again gives the same archive (keys may come
  // in another order).
  auto again = documentArchiveWithText(*back);
  ASSERT_TRUE(again);
  EXPECT_TRUE(isEqual(propertyListFromBytes(*again), propertyListFromBytes(*archive)));
}

TEST_F(DocumentArchiveTest, DamagedArchivesGiveNull) {
  const auto good = documentArchiveWithText(*document()).value();
  const std::string xml(good.begin(), good.end());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = xml;
    auto at = changed.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) changed.replace(at, from.size(), to);
    return changed;
  };
  const std::string cases[] = {
      "",
      "not a property list",
      xml.substr(0, xml.size() / 2),
      replaced("QOR document", "Other document"),
      replaced("<integer>1</integer>", "<integer>2</integer>"),   // the version
      replaced("<integer>6</integer>", "<integer>7</integer>"),   // a run longer than the text
      replaced("<string>file</string>", "<string>socket</string>"),  // a wrapper of no known type
      replaced("<string>attachment</string>", "<string>sticker</string>"),
      replaced("<real>14</real>", "<real>-1</real>"),                // a font size that makes no font
      replaced("<key>runs</key>", "<key>rungs</key>"),               // no runs
      replaced("<array>", "<array><true/>"),                         // a run that is no dictionary
      replaced("<key>attributes</key>", "<key>attributs</key>"),     // a run without attributes
      R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)",
  };
  for (const auto& bytes : cases) {
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    EXPECT_EQ(textWithDocumentArchive(data, system_), nullptr) << bytes.substr(0, 200);
  }
}

TEST_F(DocumentArchiveTest, WritingGoesThroughTheFileSeamInOneAtomicStep) {
  fixtures::MemoryFileSystem fs;
  fs.failing.insert("/tmp/a.qordoc");
  EXPECT_FALSE(writeDocumentArchive(*document(), "/tmp/a.qordoc", fs));
  EXPECT_EQ(fs.writes, (std::map<std::string, int>{{"/tmp/a.qordoc", 1}}));
  // Text the XML form cannot carry (U+FFFF) makes no archive and no write.
  auto unwritable = system_.textWithAttributedString(AttributedString("a\xEF\xBF\xBF"), StoredText::Mutability::Mutable);
  EXPECT_FALSE(documentArchiveWithText(*unwritable).has_value());
  fixtures::MemoryFileSystem untouched;
  EXPECT_FALSE(writeDocumentArchive(*unwritable, "/tmp/b.qordoc", untouched));
  EXPECT_TRUE(untouched.writes.empty());
}

}  // namespace
}  // namespace qor
