#include "qor/qt/text_system.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <map>

#include "qor/image_attachments.h"
#include "qor/rich_text.h"
#include "qor/testing/document_structure.h"
#include "qor/testing/oracles.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

using fixtures::documentStructure;

std::string run(const std::string& command) { return fixtures::runCommand(command).output; }

QFont font(const char* family, double size) {
  QFont result(family);
  result.setPointSizeF(size);
  return result;
}

TEST(QtFont, DescriptorDictionaryHoldsWhatAPlainFontLacksAndMakesTheFontAgain) {
  QFont heading = font("DejaVu Sans", 14);
  heading.setWeight(QFont::DemiBold);
  heading.setLetterSpacing(QFont::PercentageSpacing, 120);
  QFont fancy = font("DejaVu Serif", 9.5);
  fancy.setItalic(true);
  fancy.setCapitalization(QFont::SmallCaps);
  fancy.setKerning(false);
  fancy.setWordSpacing(2.5);
  fancy.setStretch(QFont::Condensed);
  QFont absolute = font("DejaVu Sans Mono", 10);
  absolute.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
  absolute.setUnderline(true);
  struct Case {
    QFont font;
    const char* descriptor;
  };
  const Case cases[] = {
      {font("DejaVu Sans", 12), "{}"},
      {heading,
       R"({"family" = "DejaVu Sans"; "weight" = 600; "letter spacing" = 120; "letter spacing type" = "percentage"})"},
      {fancy,
       R"({"family" = "DejaVu Serif"; "italic" = true; "stretch" = 75; "word spacing" = 2.5; )"
       R"("capitalization" = "small caps"; "kerning" = false})"},
      {absolute,
       R"({"family" = "DejaVu Sans Mono"; "letter spacing" = -0.5; "letter spacing type" = "absolute"; "underline" = true})"},
  };
  QtTextSystem system;
  for (const auto& c : cases) {
    auto descriptor = QtFont(c.font).fontAttributes();
    EXPECT_EQ(describe(descriptor), c.descriptor);
    if (descriptor->empty()) continue;
    auto made = opaqueAs<QtFont>(system.fontWithFontAttributesSize(descriptor, c.font.pointSizeF()));
    ASSERT_TRUE(made) << c.descriptor;
    EXPECT_TRUE(made->isEqualTo(QtFont(c.font))) << made->description();
  }
}

TEST(QtFont, DictionariesThatDescribeNoFontMakeNone) {
  QtTextSystem system;
  const DictionaryRef cases[] = {
      nullptr,
      Dictionary::make({{"weight", integer(700)}}),
      Dictionary::make({{"family", str("DejaVu Sans")}, {"weight", str("bold")}}),
      Dictionary::make({{"family", str("DejaVu Sans")}, {"weight", integer(5000)}}),
      Dictionary::make({{"family", str("DejaVu Sans")}, {"capitalization", str("shouting")}}),
      Dictionary::make({{"family", str("DejaVu Sans")}, {"italic", integer(1)}}),
  };
  for (const auto& dictionary : cases)
    EXPECT_EQ(system.fontWithFontAttributesSize(dictionary, 12), nullptr) << describe(dictionary);
  EXPECT_EQ(system.fontWithFontAttributesSize(Dictionary::make({{"family", str("DejaVu Sans")}}), 0), nullptr);
  // Keys of later versions are left out.
  EXPECT_TRUE(system.fontWithFontAttributesSize(
      Dictionary::make({{"family", str("DejaVu Sans")}, {"variable axes", str("wght 350")}}), 12));
}

// A heading in a demi-bold, letter-spaced font; a 3 x 2 table with dashed
// borders, padding and column widths whose cell (1,0) holds a numbered list
// "(1)", "(2)"; a bulleted list after the table; a plain last paragraph.
void buildDocument(QTextDocument& document) {
  QTextCursor cursor(&document);
  QFont heading = font("DejaVu Sans", 14);
  heading.setWeight(QFont::DemiBold);
  heading.setLetterSpacing(QFont::PercentageSpacing, 120);
  QTextCharFormat headingFormat;
  headingFormat.setFont(heading, QTextCharFormat::FontPropertiesAll);
  cursor.insertText("Heading", headingFormat);
  QTextTableFormat tableFormat;
  tableFormat.setBorder(2);
  tableFormat.setBorderStyle(QTextFrameFormat::BorderStyle_Dashed);
  tableFormat.setCellPadding(4);
  tableFormat.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 120), QTextLength(QTextLength::PercentageLength, 40)});
  QTextTable* table = cursor.insertTable(3, 2, tableFormat);
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 2; ++column)
      if (row != 1 || column != 0)
        table->cellAt(row, column).firstCursorPosition().insertText(QString("r%1c%2").arg(row).arg(column));
  QTextCursor cell = table->cellAt(1, 0).firstCursorPosition();
  cell.insertText("first");
  QTextListFormat numbered;
  numbered.setStyle(QTextListFormat::ListDecimal);
  numbered.setIndent(2);
  numbered.setNumberPrefix("(");
  numbered.setNumberSuffix(")");
  cell.createList(numbered);
  cell.insertBlock();
  cell.insertText("second");
  cursor = table->lastCursorPosition();
  cursor.movePosition(QTextCursor::NextBlock);
  cursor.insertText("bullet one");
  cursor.createList(QTextListFormat::ListDisc);
  cursor.insertBlock();
  cursor.insertText("bullet two");
  cursor.insertBlock();
  cursor.currentList()->remove(cursor.block());
  cursor.setBlockFormat(QTextBlockFormat());
  cursor.insertText("end");
}

// What an archive that keeps only property-list values gives back: each
// font reduced to its family and size, every paragraph style plain.
std::unique_ptr<StoredText> readBack(QtTextSystem& system, const StoredText& saved) {
  AttributedString text = saved.attributedString();
  for (std::size_t at = 0; at < text.length();) {
    auto run = text.attributesAtIndexEffectiveRange(at);
    auto attributes = MutableDictionary::make(run->attributes->entries());
    if (auto qfont = opaqueAs<QtFont>(attributes->objectForKey(kFontAttributeName)))
      attributes->setObjectForKey(std::make_shared<QtFont>(font(qfont->font().family().toUtf8().constData(),
                                                                 qfont->font().pointSizeF())),
                                  kFontAttributeName);
    attributes->setObjectForKey(system.defaultParagraphStyle(), kParagraphStyleAttributeName);
    text.setAttributesRange(attributes, run->range);
    at = run->range.end();
  }
  return std::make_unique<StoredText>(system, std::move(text), StoredText::Mutability::Mutable);
}

TEST(QtTextSystem, TablesListsAndFontsSurviveSaveArchiveAndRestore) {
  QtTextSystem system;
  QtImageReader reader;
  QTextDocument original;
  buildDocument(original);
  const auto expected = documentStructure(original);
  ASSERT_EQ(expected.size(), 11u);  // heading, 7 cell paragraphs, 2 bullets, end
  // Dashed borders are style 2, decimal numbering style -4.
  EXPECT_EQ(expected[4], "second |T0 3x2 cell 1,0 span 1x1 border 2.000000/2 padding 4.000000 widths 1:120.000000 2:40.000000"
                         " |L1 style -4 indent 2 item (2) |font {}");
  EXPECT_EQ(expected[0], R"(Heading |font {"family" = "DejaVu Sans"; "weight" = 600; "letter spacing" = 120; )"
                         R"("letter spacing type" = "percentage"})");

  auto text = system.textWithDocument(original);
  // Paragraphs joined by "\n", table cells included, frame markers not.
  EXPECT_EQ(text->string(), "Heading\nr0c0\nr0c1\nfirst\nsecond\nr1c1\nr2c0\nr2c1\nbullet one\nbullet two\nend");
  saveStandardTextAttributes(text.get());
  auto back = readBack(system, *text);

  QTextDocument reduced;
  system.setDocumentText(reduced, *back, reader);
  ASSERT_NE(documentStructure(reduced), expected);

  restoreSavedStandardTextAttributes(back.get());
  EXPECT_EQ(back->string(), text->string());
  // A wrapper that claims a table of 300 x 300 cells (more than 2^16) reads as nothing.
  auto wrapper = opaqueAs<FileWrapper>(text->attributeAtIndexEffectiveRange(kRTFDFileWrapperAttributeName, 8)->value);
  ASSERT_TRUE(wrapper);
  std::string form(wrapper->regularFileContents().begin(), wrapper->regularFileContents().end());
  for (const char* side : {"<key>rows</key>\n\t\t\t<integer>3</integer>", "<key>columns</key>\n\t\t\t<integer>2</integer>"}) {
    auto at = form.find(side);
    ASSERT_NE(at, std::string::npos) << form;
    form.replace(at, std::string(side).size(), std::string(side).substr(0, std::string(side).find("<integer>")) + "<integer>300</integer>");
  }
  EXPECT_EQ(system.textWithRTFDFileWrapper(*FileWrapper::makeRegularFile(std::vector<std::uint8_t>(form.begin(), form.end()))),
            nullptr);
  EXPECT_TRUE(system.textWithRTFDFileWrapper(*wrapper));
  QTextDocument restored;
  system.setDocumentText(restored, *back, reader);
  EXPECT_EQ(documentStructure(restored), expected);
}

TEST(QtTextSystem, AttachmentsAndStoredAttributesComeBackFromTheDocument) {
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  picture.setDotsPerMeterX(5669);  // 144 dpi: shown at 20 x 15 pt
  picture.setDotsPerMeterY(5669);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  auto shown = TextAttachment::make(FileWrapper::makeRegularFile(std::vector<std::uint8_t>(png.begin(), png.end()), "p.png"));
  auto source = FileWrapper::makeRegularFile({1, 2, 3}, "photo.jpeg");

  QtTextSystem system;
  QtImageReader reader;
  AttributedString string("a\xEF\xBF\xBC" "b", Dictionary::make({{"color", str("teal")}}));
  string.setAttributesRange(Dictionary::make({{kAttachmentAttributeName, shown}, {kImageFileAttributeName, source}}), {1, 1});
  StoredText text(system, string, StoredText::Mutability::Mutable);
  QTextDocument document;
  system.setDocumentText(document, text, reader);

  QTextCursor cursor(&document);
  cursor.setPosition(2);
  ASSERT_TRUE(cursor.charFormat().isImageFormat());
  EXPECT_DOUBLE_EQ(cursor.charFormat().toImageFormat().width(), 20.0);
  auto back = system.textWithDocument(document);
  EXPECT_EQ(back->string(), text.string());
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kAttachmentAttributeName, 1)->value, shown));
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange(kImageFileAttributeName, 1)->value, source));
  EXPECT_TRUE(isEqual(back->attributeAtIndexEffectiveRange("color", 2)->value, str("teal")));
}

TEST(QtImageReader, PixelsAndResolutionThroughQtsReaders) {
  QImage picture(6, 4, QImage::Format_ARGB32);
  picture.fill(QColor(10, 20, 30, 255));
  struct Case {
    const char* format;
    int dotsPerMetre;  // 0: the file says nothing
    double dpi;
  };
  const Case cases[] = {
      {"PNG", 5669, 144.0},  // 5669 x 0.0254 = 143.99
      {"PNG", 2835, 72.0},   // 72.009
      {"BMP", 11811, 300.0},
      {"JPEG", 3780, 96.0},
  };
  QtImageReader reader;
  for (const auto& c : cases) {
    QImage copy = picture;
    copy.setDotsPerMeterX(c.dotsPerMetre);
    copy.setDotsPerMeterY(c.dotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(copy.save(&buffer, c.format));
    auto image = reader.imageWithData(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                static_cast<std::size_t>(bytes.size())));
    ASSERT_TRUE(image) << c.format;
    EXPECT_EQ(image->pixelsWide(), 6u);
    EXPECT_EQ(image->pixelsHigh(), 4u);
    EXPECT_DOUBLE_EQ(image->xDotsPerInch(), c.dpi) << c.format << " " << c.dotsPerMetre;
    EXPECT_NEAR(image->rgba()[2], 30, 2);  // blue of the first pixel (JPEG is lossy)
  }
  // GIF has no resolution: it shows at one point per pixel.
  const std::string gifBytes = run("/usr/bin/convert -size 6x4 'xc:rgb(10,20,30)' gif:-");
  const std::vector<std::uint8_t> gif(gifBytes.begin(), gifBytes.end());
  auto fromGif = reader.imageWithData(gif);
  ASSERT_TRUE(fromGif);
  EXPECT_DOUBLE_EQ(fromGif->xDotsPerInch(), 72.0);
  EXPECT_DOUBLE_EQ(fromGif->pointWidth(), 6.0);
  const std::uint8_t garbage[] = {'n', 'o', 'p', 'e'};
  EXPECT_EQ(reader.imageWithData(garbage), nullptr);
  EXPECT_EQ(reader.imageWithData({}), nullptr);
}

TEST(HighResolutionImages, SeeThroughPixelsKeepTheirSamplesAndTheirKindOfAlpha) {
  // ImageMagick writes each source from the same straight pixels and reads
  // source and result alike: the pixel (200, 100, 50, 128) must not come
  // back as (100, 50, 25, 128), nor 16 bits as 8 (every 16-bit sample has a
  // low byte of its own), nor premultiplied colour as straight.
  fixtures::TemporaryFolder folder;
  const std::string pixels = folder.file("pixels.txt");
  std::string enumeration = "# ImageMagick pixel enumeration: 4,2,65535,srgba\n";
  const int straight[][4] = {{200, 100, 50, 128}, {0, 0, 0, 0},       {255, 255, 255, 255}, {10, 20, 30, 1},
                             {255, 0, 0, 254},    {1, 2, 3, 127},     {90, 180, 45, 200},   {33, 66, 99, 64}};
  // 8 bits x 257 is 16; the XOR gives each sample's low byte its own value.
  for (int i = 0; i < static_cast<int>(std::size(straight)); ++i) {
    enumeration += std::to_string(i % 4) + "," + std::to_string(i / 4) + ": (";
    for (int k = 0; k < 4; ++k)
      enumeration += std::to_string(straight[i][k] * 257 ^ (i * 4 + k) * 5) + (k < 3 ? "," : ")\n");
  }
  fixtures::writeText(pixels, enumeration);
  const char* kinds[] = {"-define png:color-type=6 png", "-colorspace Gray -define png:color-type=4 png",
                         "-define tiff:alpha=unassociated tiff", "-define tiff:alpha=associated tiff"};
  QtTextSystem system;
  QtImageReader reader;
  for (const int depth : {8, 16}) {
    for (const char* kind : kinds) {
      SCOPED_TRACE(std::string(kind) + " " + std::to_string(depth));
      const std::string bits = " -depth " + std::to_string(depth) + " ", source = folder.file("source");
      run("/usr/bin/convert " + pixels + bits + kind + ":" + source);
      const std::string bytes = fixtures::readText(source);
      ASSERT_FALSE(bytes.empty());
      // Shown as itself, at 72 dpi: 4 x 2 pt.
      auto wrapper = FileWrapper::makeRegularFile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), "p");
      AttributedString string("\xEF\xBF\xBC");
      string.setAttributesRange(Dictionary::make({{kAttachmentAttributeName, TextAttachment::make(wrapper)},
                                                  {kImageFileAttributeName, wrapper}}),
                                {0, 1});
      StoredText text(system, string, StoredText::Mutability::Fixed);
      auto copy = stringReplacingWithHighResolusionImagesIn(&text, reader);
      auto replaced = opaqueAs<TextAttachment>(copy->attributeAtIndexEffectiveRange(kAttachmentAttributeName, 0)->value);
      ASSERT_NE(replaced->fileWrapper(), wrapper);
      const auto& tiff = replaced->fileWrapper()->regularFileContents();
      fixtures::writeText(folder.file("result.tif"), std::string(tiff.begin(), tiff.end()));
      auto pixelsOf = [&](const std::string& path) {
        return run("/usr/bin/convert " + path + bits + "-colorspace sRGB -type TrueColorAlpha txt:-");
      };
      EXPECT_EQ(pixelsOf(folder.file("result.tif")), pixelsOf(source));
    }
  }
}

}  // namespace
}  // namespace qor
