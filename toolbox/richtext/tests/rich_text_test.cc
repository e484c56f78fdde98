#include "qor/rich_text.h"

#include <gtest/gtest.h>

#include <functional>

#include "qor/headless/text_system.h"

namespace qor {
namespace {

using Mutability = StoredText::Mutability;

// One paragraph of a test text; the builder appends "\n" to each.
struct Paragraph {
  std::string text;
  ParagraphStyleRef style = nullptr;  // no paragraph style
  FontRef font = nullptr;             // no font
};

class RichTextTest : public ::testing::Test {
 protected:
  std::unique_ptr<StoredText> build(const std::vector<Paragraph>& paragraphs,
                                      Mutability mutability = Mutability::Mutable) {
    std::string all;
    for (const auto& paragraph : paragraphs) all += paragraph.text + "\n";
    AttributedString text(all);
    std::size_t at = 0;
    for (const auto& paragraph : paragraphs) {
      TextRange range{at, paragraph.text.size() + 1};
      auto attributes = MutableDictionary::make();
      if (paragraph.style) attributes->setObjectForKey(paragraph.style, kParagraphStyleAttributeName);
      if (paragraph.font) attributes->setObjectForKey(paragraph.font, kFontAttributeName);
      text.setAttributesRange(attributes, range);
      at = range.end();
    }
    return system_.textWithAttributedString(std::move(text), mutability);
  }

  ParagraphStyleRef cell(const TextTableRef& table, int row, int column, std::vector<TextListRef> lists = {}) {
    return std::make_shared<HeadlessParagraphStyle>(
        std::vector<TextBlockRef>{std::make_shared<HeadlessTextBlock>(table, row, column)}, std::move(lists));
  }
  static ParagraphStyleRef item(const TextListRef& list) {
    return std::make_shared<HeadlessParagraphStyle>(std::vector<TextBlockRef>{}, std::vector<TextListRef>{list});
  }
  ParagraphStyleRef plain() { return system_.defaultParagraphStyle(); }

  // The stretches that carry a value of `name`, in order.
  static std::vector<TextRange> runsOf(const AttributedText& text, std::string_view name) {
    std::vector<TextRange> ranges;
    for (std::size_t index = 0; index < text.length();) {
      auto run = text.attributeAtIndexEffectiveRange(name, index);
      if (run->value) ranges.push_back(run->range);
      index = run->range.end();
    }
    return ranges;
  }

  // What an archive that keeps only property-list values gives back: the
  // same characters and plain attributes, every paragraph style plain and
  // every font the plain user font of the same size.
  std::unique_ptr<StoredText> readBack(const StoredText& saved) {
    auto text = saved.mutableCopy();
    for (std::size_t index = 0; index < text->length();) {
      auto run = text->attributeAtIndexEffectiveRange(kParagraphStyleAttributeName, index);
      if (run->value) text->addAttributeValueRange(kParagraphStyleAttributeName, plain(), run->range);
      index = run->range.end();
    }
    for (std::size_t index = 0; index < text->length();) {
      auto run = text->attributeAtIndexEffectiveRange(kFontAttributeName, index);
      if (auto font = opaqueAs<Font>(run->value))
        text->addAttributeValueRange(kFontAttributeName, system_.userFontOfSize(font->pointSize()), run->range);
      index = run->range.end();
    }
    return std::unique_ptr<StoredText>(static_cast<StoredText*>(text.release()));
  }

  // The table and list structure per character: which characters share a
  // table (by first index of the table), their cells and their lists.
  static std::vector<std::string> structure(const AttributedText& text) {
    std::vector<const void*> tables, lists;
    auto number = [](std::vector<const void*>& seen, const void* p) {
      auto found = std::find(seen.begin(), seen.end(), p);
      if (found == seen.end()) found = seen.insert(seen.end(), p);
      return std::to_string(found - seen.begin());
    };
    std::vector<std::string> rows;
    for (std::size_t index = 0; index < text.length(); ++index) {
      auto style = opaqueAs<ParagraphStyle>(text.attributeAtIndexEffectiveRange(kParagraphStyleAttributeName, index)->value);
      std::string row;
      if (style) {
        for (const auto& block : style->textBlocks()) {
          auto cell = std::dynamic_pointer_cast<HeadlessTextBlock>(block);
          row += "T" + number(tables, block->table().get()) + "(" + std::to_string(cell->row()) + "," +
                 std::to_string(cell->column()) + ")";
        }
        for (const auto& list : style->textLists())
          row += "L" + number(lists, list.get()) + std::static_pointer_cast<HeadlessTextList>(list)->markerFormat();
      }
      rows.push_back(row);
    }
    return rows;
  }

  HeadlessTextSystem system_;
  TextTableRef table_ = std::make_shared<HeadlessTextTable>();
  TextListRef bullets_ = std::make_shared<HeadlessTextList>("{disc}");
  TextListRef numbers_ = std::make_shared<HeadlessTextList>("{decimal}.");
  FontRef bold_ = std::make_shared<HeadlessFont>(
      "DejaVu Serif", 14.0, Dictionary::make({{"family", str("DejaVu Serif")}, {"weight", integer(700)}}));
  FontRef user_ = system_.userFontOfSize(12.0);
};

TEST_F(RichTextTest, EmptyFixedOrNullTextIsLeftUntouched) {
  const std::function<void(AttributedText*)> functions[] = {
      saveStandardTextAttributes,      restoreSavedStandardTextAttributes, saveTypographyTextAttributes,
      restoreTypographyTextAttributes, saveTableAndListTextAttributes,     restoreTableAndListTextAttributes,
  };
  auto saved = build({{"A1", cell(table_, 0, 0), bold_}, {"x", item(bullets_), user_}});
  saveStandardTextAttributes(saved.get());
  for (const auto& function : functions) {
    function(nullptr);
    auto empty = build({});
    function(empty.get());
    EXPECT_EQ(empty->length(), 0u);
    // A fixed text with everything a save or restore would act on.
    auto fixed = system_.textWithAttributedString(readBack(*saved)->attributedString(), Mutability::Fixed);
    const AttributedString before = fixed->attributedString();
    auto fixedLive = build({{"A1", cell(table_, 0, 0), bold_}, {"x", item(bullets_), user_}}, Mutability::Fixed);
    const AttributedString liveBefore = fixedLive->attributedString();
    function(fixed.get());
    function(fixedLive.get());
    EXPECT_EQ(fixed->attributedString(), before);
    EXPECT_EQ(fixedLive->attributedString(), liveBefore);
  }
}

TEST_F(RichTextTest, TypographyIsSavedOnlyForFontsWithDescriptorsAndComesBack) {
  // "Title\n" bold (6 units), "body\n" in the plain user font (5), "end\n" without a font (4).
  auto text = build({{"Title", nullptr, bold_}, {"body", nullptr, user_}, {"end", nullptr, nullptr}});
  saveTypographyTextAttributes(text.get());
  EXPECT_EQ(runsOf(*text, kFontDescriptorDictionaryAttributeName), (std::vector<TextRange>{{0, 6}}));

  auto back = readBack(*text);
  restoreTypographyTextAttributes(back.get());
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kFontAttributeName, 0)->value, bold_));
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kFontAttributeName, 6)->value, user_));
  EXPECT_EQ(back->attributeAtIndexEffectiveRange(kFontAttributeName, 11)->value, nullptr);
  // The descriptor stays for the next save.
  EXPECT_EQ(runsOf(*back, kFontDescriptorDictionaryAttributeName), (std::vector<TextRange>{{0, 6}}));
}

TEST_F(RichTextTest, TypographyRestoreSkipsRunsWithoutFontOrWithoutAMakeableFont) {
  auto text = build({{"ab", nullptr, user_}, {"cd", nullptr, nullptr}});
  // {0,3}: a dictionary that names no family makes no font; {3,3}: no font there.
  text->addAttributeValueRange(kFontDescriptorDictionaryAttributeName, Dictionary::make({{"weight", integer(7)}}), {0, 3});
  text->addAttributeValueRange(kFontDescriptorDictionaryAttributeName, bold_->fontAttributes(), {3, 3});
  const AttributedString before = text->attributedString();
  restoreTypographyTextAttributes(text.get());
  EXPECT_EQ(text->attributedString(), before);
}

TEST_F(RichTextTest, TablesAndListsAreSavedOncePerGroup) {
  auto table2 = std::make_shared<HeadlessTextTable>();
  struct Case {
    const char* name;
    std::vector<Paragraph> paragraphs;
    std::vector<TextRange> wrappers;
  };
  const Case cases[] = {
      // "intro\n" 0-5, cells "A1\n" "B1\n" "A2\n" "B2\n" 6-17, items "x\n" "y\n" 18-21, "end\n".
      {"two-row table, then a bulleted list: one wrapper each",
       {{"intro", plain()}, {"A1", cell(table_, 0, 0)}, {"B1", cell(table_, 0, 1)}, {"A2", cell(table_, 1, 0)},
        {"B2", cell(table_, 1, 1)}, {"x", item(bullets_)}, {"y", item(bullets_)}, {"end", plain()}},
       {{6, 12}, {18, 4}}},
      // A list item in each cell of a one-row table, "x\n" "y\n" 0-3, and the list
      // going on after the table, "z\n" 4-5: table 0-3 and list 0-5 give one group 0-5.
      {"list inside a table cell: one wrapper over the union",
       {{"x", cell(table_, 0, 0, {numbers_})}, {"y", cell(table_, 0, 1, {numbers_})}, {"z", item(numbers_)},
        {"end", nullptr}},
       {{0, 6}}},
      // Two tables next to each other stay two groups; a text without any gets none.
      {"adjacent tables", {{"a", cell(table_, 0, 0)}, {"b", cell(table2, 0, 0)}}, {{0, 2}, {2, 2}}},
      {"plain text", {{"a", plain()}, {"b", nullptr}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto text = build(c.paragraphs);
    const std::string characters = text->string();
    saveTableAndListTextAttributes(text.get());
    EXPECT_EQ(runsOf(*text, kRTFDFileWrapperAttributeName), c.wrappers);
    EXPECT_EQ(text->string(), characters);
    // Each wrapper reads back as exactly the characters it covers.
    for (const auto& range : c.wrappers) {
      auto wrapper = opaqueAs<FileWrapper>(text->attributeAtIndexEffectiveRange(kRTFDFileWrapperAttributeName, range.location)->value);
      auto saved = system_.textWithRTFDFileWrapper(*wrapper);
      ASSERT_TRUE(saved);
      EXPECT_EQ(saved->string(), characters.substr(range.location, range.length));
    }
  }
}

TEST_F(RichTextTest, ReducedParagraphStylesComeBackAndCharactersNeverChange) {
  auto text = build({{"intro", plain(), bold_},
                     {"A1", cell(table_, 0, 0), user_},
                     {"B1", cell(table_, 0, 1, {numbers_}), user_},
                     {"B1b", cell(table_, 0, 1, {numbers_}), user_},
                     {"A2", cell(table_, 1, 0), user_},
                     {"x", item(bullets_), bold_},
                     {"end", nullptr, user_}});
  const auto live = structure(*text);
  saveStandardTextAttributes(text.get());
  const AttributedString saved = text->attributedString();

  // A text that still has its structure is not touched.
  restoreSavedStandardTextAttributes(text.get());
  EXPECT_EQ(text->attributedString(), saved);

  auto back = readBack(*text);
  ASSERT_NE(structure(*back), live);
  restoreSavedStandardTextAttributes(back.get());
  EXPECT_EQ(structure(*back), live);
  EXPECT_EQ(back->string(), saved.string());
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kFontAttributeName, 0)->value, bold_));
  // Paragraphs outside tables and lists keep the style they had.
  EXPECT_EQ(back->attributeAtIndexEffectiveRange(kParagraphStyleAttributeName, 0)->value, plain());
}

TEST_F(RichTextTest, AWrapperWhoseLengthDiffersIsIgnored) {
  auto text = build({{"A1", cell(table_, 0, 0)}, {"B1", cell(table_, 0, 1)}, {"after", plain()}});
  saveTableAndListTextAttributes(text.get());
  auto back = readBack(*text);
  // The text was edited after saving: the wrapper now covers one unit more
  // than it holds (6 characters saved, 7 covered).
  auto wrapper = back->attributeAtIndexEffectiveRange(kRTFDFileWrapperAttributeName, 0)->value;
  back->addAttributeValueRange(kRTFDFileWrapperAttributeName, wrapper, {0, 7});
  const AttributedString before = back->attributedString();
  restoreTableAndListTextAttributes(back.get());
  EXPECT_EQ(back->attributedString(), before);

  // A wrapper that does not read back is ignored the same way.
  back->addAttributeValueRange(kRTFDFileWrapperAttributeName, FileWrapper::makeRegularFile({'x'}), {0, 6});
  const AttributedString damaged = back->attributedString();
  restoreTableAndListTextAttributes(back.get());
  EXPECT_EQ(back->attributedString(), damaged);
}

TEST_F(RichTextTest, DictionaryVariants) {
  auto plainFont = Dictionary::make({{kFontAttributeName, user_}, {"color", str("red")}});
  auto boldFont = Dictionary::make({{kFontAttributeName, bold_}});
  auto descriptorOnly = Dictionary::make({{kFontDescriptorDictionaryAttributeName, bold_->fontAttributes()}});
  auto saved = Dictionary::make({{kFontAttributeName, user_}, {kFontDescriptorDictionaryAttributeName, bold_->fontAttributes()}});
  auto unmakeable = Dictionary::make({{kFontAttributeName, user_},
                                      {kFontDescriptorDictionaryAttributeName, Dictionary::make({{"weight", integer(7)}})}});
  struct Case {
    const char* name;
    DictionaryRef input;
    DictionaryRef including, restoring;
  };
  const Case cases[] = {
      {"null", nullptr, Dictionary::make(), Dictionary::make()},
      {"empty", Dictionary::make(), Dictionary::make(), Dictionary::make()},
      {"plain font: no descriptor", plainFont, plainFont, plainFont},
      {"font with descriptor", boldFont,
       Dictionary::make({{kFontAttributeName, bold_}, {kFontDescriptorDictionaryAttributeName, bold_->fontAttributes()}}),
       boldFont},
      {"descriptor without font: plain copy", descriptorOnly, descriptorOnly, descriptorOnly},
      // The user font at 12 pt rebuilt from the bold descriptor: DejaVu Serif
      // at 12 pt (the old font's size, not the saved font's 14).
      {"saved: font rebuilt, descriptor kept", saved, saved,
       Dictionary::make({{kFontAttributeName, std::make_shared<HeadlessFont>("DejaVu Serif", 12.0, bold_->fontAttributes())},
                         {kFontDescriptorDictionaryAttributeName, bold_->fontAttributes()}})},
      {"descriptor that makes no font", unmakeable, unmakeable, unmakeable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto including = textAttributesIncludingTypography(c.input);
    auto restoring = textAttributesRestoringTypography(c.input, system_);
    EXPECT_TRUE(isEqual(including, c.including)) << describe(including);
    EXPECT_TRUE(isEqual(restoring, c.restoring)) << describe(restoring);
    EXPECT_NE(including.get(), c.input.get());
    EXPECT_NE(restoring.get(), c.input.get());
  }
}

TEST_F(RichTextTest, ColumnTextUsesTheUserFontAtTheSmallSystemSize) {
  auto column = attributedStringWithStringForColumn("Größe 😀", system_);
  EXPECT_TRUE(column->isMutable());
  EXPECT_EQ(column->string(), "Größe 😀");
  auto run = column->attributeAtIndexEffectiveRange(kFontAttributeName, 0);
  // "Größe 😀" is 8 UTF-16 units: 6 letters and blank, and a surrogate pair.
  EXPECT_EQ(run->range, (TextRange{0, 8}));
  EXPECT_TRUE(isEqual(run->value, system_.userFontOfSize(HeadlessTextSystem::kSmallSystemFontSize)));
}

}  // namespace
}  // namespace qor
