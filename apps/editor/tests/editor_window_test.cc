#include "editor_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>
#include <functional>

#include "qor/editor/document_archive.h"
#include "qor/image_attachments.h"
#include "qor/plist_file.h"
#include "qor/qt/text_system.h"
#include "qor/testing/document_structure.h"
#include "qor/tiff_data.h"

namespace qor {
namespace {

using fixtures::documentStructure;

// The text a document file holds, read as the editor's archive; null when
// the file is missing or no archive.
std::unique_ptr<StoredText> savedText(const QString& path, QtTextSystem& system) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return nullptr;
  const QByteArray bytes = file.readAll();
  return textWithDocumentArchive(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())),
      system);
}

void screenshot(QWidget& window, const char* name) {
  QDir().mkpath(QOR_RICH_TEXT_ARTIFACTS);
  window.grab().save(QString(QOR_RICH_TEXT_ARTIFACTS) + "/" + name);
}

// A heading in a semi-bold, letter-spaced font, a 3 x 2 table with a
// numbered list in its second cell, and a 1000 x 500 px picture.
void typeDocument(EditorWindow& window, const QString& picturePath) {
  QTextEdit& view = window.textView();
  QFont heading("DejaVu Sans", 16);
  heading.setWeight(QFont::DemiBold);
  heading.setLetterSpacing(QFont::PercentageSpacing, 115);
  view.setCurrentFont(heading);
  view.insertPlainText("Quarterly figures");
  view.textCursor().insertBlock();
  view.setCurrentFont(QFont("DejaVu Sans", 11));
  window.insertTable(3, 2);
  QTextTable* table = view.textCursor().currentTable();
  const char* cells[3][2] = {{"Region", nullptr}, {"North", "12"}, {"South", "9"}};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 2; ++column)
      if (cells[row][column]) table->cellAt(row, column).firstCursorPosition().insertText(cells[row][column]);
  QTextCursor cell = table->cellAt(0, 1).firstCursorPosition();
  view.setTextCursor(cell);
  view.insertPlainText("Planned");
  window.toggleList(QTextListFormat::ListDecimal);
  view.textCursor().insertBlock();
  view.insertPlainText("Done");
  QTextCursor after = table->lastCursorPosition();
  after.movePosition(QTextCursor::NextBlock);
  view.setTextCursor(after);
  view.insertPlainText("Chart: ");
  ASSERT_TRUE(window.insertPicture(picturePath));
}

class EditorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    QImage picture(1000, 500, QImage::Format_RGB32);
    picture.fill(QColor(40, 110, 160));
    ASSERT_TRUE(picture.save(folder_.filePath("chart.png")));
  }
  // `bytes` written to `name` in the folder; its path.
  QString fileWith(const QString& name, const QByteArray& bytes) {
    const QString path = folder_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  QTemporaryDir folder_;
};

TEST_F(EditorWindowTest, ADocumentSavedClosedAndOpenedLooksTheSame) {
  // Kept beside the screenshots, for a look with the editor itself.
  QDir().mkpath(QOR_RICH_TEXT_ARTIFACTS);
  const QString path = QString(QOR_RICH_TEXT_ARTIFACTS) + "/figures.qordoc";
  QFile::remove(path);
  std::vector<std::string> before;
  {
    EditorWindow window;
    window.resize(700, 500);
    typeDocument(window, folder_.filePath("chart.png"));
    before = documentStructure(*window.textView().document());
    ASSERT_TRUE(window.saveDocumentTo(path)) << window.lastError().toStdString();
    EXPECT_FALSE(window.textView().document()->isModified());
    screenshot(window, "before.png");
  }
  // Heading; the empty paragraph Qt keeps before a table; the cells Region,
  // Planned and Done (one cell), North, 12, South, 9; the picture's line.
  ASSERT_EQ(before.size(), 10u);
  EXPECT_EQ(before[4],
            "Done |T0 3x2 cell 0,1 span 1x1 border 1.000000/10 padding 4.000000 widths |L1 style -4 indent 1 item 2. "
            "|font {}");
  // 1000 x 500 px at 72 dpi is 1000 x 500 pt, narrowed to 320 pt wide.
  EXPECT_EQ(before[9], "Chart: \xEF\xBF\xBC |picture 320.000000x160.000000 |font {}");

  EditorWindow reopened;
  reopened.resize(700, 500);
  ASSERT_TRUE(reopened.openFile(path)) << reopened.lastError().toStdString();
  EXPECT_EQ(documentStructure(*reopened.textView().document()), before);
  screenshot(reopened, "after.png");

  // The picture's source is still the whole 1000 x 500 px file: the export
  // shows it as chart.tif at 320 x 160 pt, so 1000 x 72 / 320 = 225 dpi.
  const QString exported = folder_.filePath("figures-export.qordoc");
  ASSERT_TRUE(reopened.exportDocumentTo(exported));
  QtTextSystem system;
  auto text = savedText(exported, system);
  ASSERT_TRUE(text);
  const std::size_t picture = QString::fromStdString(text->string()).indexOf(QChar::ObjectReplacementCharacter);
  auto attachment = opaqueAs<TextAttachment>(text->attributeAtIndexEffectiveRange(kAttachmentAttributeName, picture)->value);
  ASSERT_TRUE(attachment);
  EXPECT_EQ(attachment->fileWrapper()->filename(), "chart.tif");
  auto image = imageWithTIFFData(attachment->fileWrapper()->regularFileContents());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelsWide(), 1000u);
  EXPECT_DOUBLE_EQ(image->xDotsPerInch(), 225.0);
}

TEST_F(EditorWindowTest, ADamagedDocumentGivesAClearErrorAndChangesNothing) {
  const QByteArray damaged = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>format</key>";
  const QString path = fileWith("damaged.qordoc", damaged);
  EditorWindow window;
  window.textView().setPlainText("Unsaved work");
  EXPECT_FALSE(window.openFile(path));
  EXPECT_EQ(window.lastError().toStdString(),
            "The document “damaged.qordoc” could not be opened: it is damaged or is no QOR document.");
  EXPECT_EQ(window.textView().toPlainText(), "Unsaved work");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), damaged);
  EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), (QStringList{"chart.png", "damaged.qordoc"}));
}

// A picture's file is found again from the resource location record saved
// with the document, against the folder the document is opened from (the
// other roads of the search are the record's own tests); a file that is gone
// is not found, and the picture keeps the source saved with the document.
TEST_F(EditorWindowTest, PictureFilesAreFoundAgainAfterMoves) {
  struct Case {
    const char* name;
    std::function<bool(QDir&)> move;  // in the scratch folder; result: done
    const char* opened;               // the document then opened
    const char* found;                // where the picture's file is expected; "": not found
  };
  const std::vector<Case> cases = {
      {"document and folder moved together", [](QDir& d) { return d.mkpath("moved") && d.rename("docs", "moved/docs"); },
       "moved/docs/report.qordoc", "moved/docs/pics/chart.png"},
      {"picture deleted", [](QDir& d) { return d.remove("docs/pics/chart.png"); }, "docs/report.qordoc", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir scratch;
    QDir dir(scratch.path());
    ASSERT_TRUE(dir.mkpath("docs/pics"));
    ASSERT_TRUE(QFile::copy(folder_.filePath("chart.png"), dir.filePath("docs/pics/chart.png")));
    {
      EditorWindow window;
      window.textView().insertPlainText("Chart: ");
      ASSERT_TRUE(window.insertPicture(dir.filePath("docs/pics/chart.png")));
      ASSERT_TRUE(window.saveDocumentTo(dir.filePath("docs/report.qordoc")));
    }
    ASSERT_TRUE(c.move(dir));
    EditorWindow window;
    ASSERT_TRUE(window.openFile(dir.filePath(c.opened))) << window.lastError().toStdString();
    const QString expected = *c.found ? QFileInfo(dir.filePath(c.found)).absoluteFilePath() : QString();
    EXPECT_EQ(window.pictureFiles(), QStringList{expected});
    EXPECT_EQ(documentStructure(*window.textView().document()).back(),
              "Chart: \xEF\xBF\xBC |picture 320.000000x160.000000 |font {}");
  }
}

// The named styles and style sheets of the support folder under HOME, read
// again at each listing, are menu items that apply them; "Save Style" stores
// one there, making the folder.
TEST_F(EditorWindowTest, NamedStylesAreListedAppliedAndSaved) {
  const QByteArray home = qgetenv("HOME");
  ASSERT_TRUE(qputenv("HOME", folder_.path().toUtf8()));
  const QString library = folder_.path() + "/Library/Application Support/z-phane/QOR";
  ASSERT_TRUE(QDir().mkpath(library + "/Style Sheets"));
  auto sheet = Dictionary::make(
      {{"name", String::make("Report")},
       {"styles", Array::make({Dictionary::make({{"name", String::make("Title")},
                                                 {"font size", Number::makeReal(20)},
                                                 {"font weight", Number::makeInteger(QFont::Bold)}}),
                               Dictionary::make({{"name", String::make("Aside")}, {"italic", Number::makeBoolean(true)}})})}});
  ASSERT_TRUE(writePropertyListFile(sheet, (library + "/Style Sheets/report.qor1_stylesheet").toStdString()));

  // A menu description's titles, and the tag of its item `title`.
  auto titles = [](const ArrayRef& items) {
    QStringList list;
    for (const Ref& item : items->elements()) list << QString::fromStdString(asDictionary(item)->stringForKey("title")->value());
    return list;
  };
  auto tagOf = [](const ArrayRef& items, const std::string& title) -> std::int64_t {
    for (const Ref& element : items->elements())
      if (auto item = asDictionary(element); item->stringForKey("title")->value() == title)
        return item->stringForKey("action")->value() == kApplyStyleAction ? item->numberForKey("tag")->integerValue() : -1;
    return -1;
  };
  EditorWindow window;
  EditorWindow::StyleMenus menus = window.styleMenus();
  EXPECT_TRUE(menus.styles->empty());
  ASSERT_EQ(titles(menus.sheets), QStringList{"Report"});
  ArrayRef report = asDictionary(menus.sheets->elements()[0])->arrayForKey("submenu");
  ASSERT_TRUE(report);
  EXPECT_EQ(titles(report), (QStringList{"Title", "Aside"}));

  QTextEdit& view = window.textView();
  view.setPlainText("Results");
  view.selectAll();
  const std::int64_t title = tagOf(report, "Title");
  ASSERT_TRUE(window.performsMenuCommand(kApplyStyleAction, title));
  window.performMenuCommand(kApplyStyleAction, title);
  EXPECT_EQ(view.textCursor().charFormat().fontWeight(), QFont::Bold);
  EXPECT_EQ(view.textCursor().charFormat().fontPointSize(), 20.0);

  ASSERT_TRUE(window.saveStyle("Big / bold"));
  EXPECT_TRUE(QFile::exists(library + "/Named Styles/Big - bold.qor1_tag_set"));
  menus = window.styleMenus();
  EXPECT_EQ(titles(menus.styles), QStringList{"Big / bold"});
  // Where a style is kept makes its tag: a shortcut bound to it stays with it.
  EXPECT_EQ(tagOf(asDictionary(menus.sheets->elements()[0])->arrayForKey("submenu"), "Title"), title);
  view.setPlainText("Other");
  view.selectAll();
  window.performMenuCommand(kApplyStyleAction, tagOf(menus.styles, "Big / bold"));
  EXPECT_EQ(view.textCursor().charFormat().fontWeight(), QFont::Bold);
  EXPECT_EQ(view.textCursor().charFormat().fontPointSize(), 20.0);

  EXPECT_FALSE(window.saveStyle("  "));
  ASSERT_TRUE(qputenv("HOME", home));
}

// Every paragraph format the Format menu sets (alignment, indents, lists)
// and the ones a paragraph can carry besides (spacing, tab stops) come back
// after save and open.
TEST_F(EditorWindowTest, ParagraphFormatsSurviveSaveAndOpen) {
  auto paragraphs = [](const QTextDocument& document) {
    std::vector<std::string> rows;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
      const QTextBlockFormat format = block.blockFormat();
      std::string row = block.text().toStdString() + " align " + std::to_string(format.alignment()) + " indent " +
                        std::to_string(format.indent()) + " margins " + std::to_string(format.topMargin()) + "/" +
                        std::to_string(format.bottomMargin()) + " line " + std::to_string(format.lineHeight());
      for (const QTextOption::Tab& tab : format.tabPositions())
        row += " tab " + std::to_string(tab.position) + "/" + std::to_string(tab.type);
      if (QTextList* list = block.textList())
        row += " list " + std::to_string(list->format().style()) + " item " + std::to_string(list->itemNumber(block));
      rows.push_back(row);
    }
    return rows;
  };
  const QString path = folder_.filePath("paragraphs.qordoc");
  std::vector<std::string> before;
  {
    EditorWindow window;
    QTextEdit& view = window.textView();
    auto paragraph = [&](const char* text) {
      if (!view.document()->isEmpty()) view.textCursor().insertBlock(QTextBlockFormat());
      view.insertPlainText(text);
    };
    paragraph("Centred");
    window.performMenuCommand("alignCenter:", 0);
    paragraph("Indented twice");
    window.performMenuCommand("indentMore:", 0);
    window.performMenuCommand("indentMore:", 0);
    paragraph("Spaced, with tab stops");
    QTextBlockFormat spaced;
    spaced.setTopMargin(6);
    spaced.setBottomMargin(12);
    spaced.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    spaced.setTabPositions({QTextOption::Tab(72, QTextOption::LeftTab), QTextOption::Tab(144, QTextOption::RightTab)});
    view.textCursor().setBlockFormat(spaced);
    paragraph("Listed");
    window.performMenuCommand("toggleBulletedList:", 0);
    // Return in a list goes on with the list.
    view.textCursor().insertBlock();
    view.insertPlainText("Listed and right-aligned");
    window.performMenuCommand("alignRight:", 0);
    before = paragraphs(*view.document());
    ASSERT_TRUE(window.saveDocumentTo(path)) << window.lastError().toStdString();
  }
  ASSERT_EQ(before.size(), 5u);
  // Qt::AlignLeft 1, Qt::AlignRight 2, Qt::AlignHCenter 4; QTextOption::LeftTab 0,
  // RightTab 1; QTextListFormat::ListDisc -1, items counted from 0.
  EXPECT_EQ(before[0], "Centred align 4 indent 0 margins 0.000000/0.000000 line 0.000000");
  EXPECT_EQ(before[1], "Indented twice align 1 indent 2 margins 0.000000/0.000000 line 0.000000");
  EXPECT_EQ(before[2], "Spaced, with tab stops align 1 indent 0 margins 6.000000/12.000000 line 150.000000 tab 72.000000/0 "
                       "tab 144.000000/1");
  EXPECT_EQ(before[4], "Listed and right-aligned align 2 indent 0 margins 0.000000/0.000000 line 0.000000 list -1 item 1");
  EditorWindow reopened;
  ASSERT_TRUE(reopened.openFile(path)) << reopened.lastError().toStdString();
  EXPECT_EQ(paragraphs(*reopened.textView().document()), before);
}

// Bigger and Smaller change the selection's font size, each character's by
// a point a step; zooming enlarges the view only and never reaches the file.
TEST_F(EditorWindowTest, BiggerChangesTheSelectionAndZoomStaysOutOfTheFile) {
  // The point size of each run of `text`, "<characters>=<size>".
  auto sizes = [](const StoredText& text) {
    std::vector<std::string> runs;
    const QString string = QString::fromStdString(text.string());
    for (std::size_t at = 0; at < text.length();) {
      auto run = text.attributeAtIndexEffectiveRange(kFontAttributeName, at);
      runs.push_back(string.mid(static_cast<qsizetype>(at), static_cast<qsizetype>(run->range.length)).toStdString() +
                     "=" + std::to_string(opaqueAs<Font>(run->value)->pointSize()));
      at = run->range.end();
    }
    return runs;
  };
  EditorWindow window;
  window.setEditorFont(QFont("DejaVu Sans", 9));
  QTextEdit& view = window.textView();
  view.setPlainText("one two");
  QTextCursor two(view.document());
  two.setPosition(4);
  two.setPosition(7, QTextCursor::KeepAnchor);
  view.setTextCursor(two);
  // Zoomed first, so that Bigger could grow from the zoomed size.
  for (int step = 0; step < 3; ++step) window.performMenuCommand("zoomIn:", 0);
  for (int step = 0; step < 3; ++step) window.performMenuCommand("modifyFont:", 3);  // Bigger
  window.performMenuCommand("modifyFont:", 4);                                       // Smaller
  // The view shows 9 + 3 = 12 pt where the text has no size of its own.
  EXPECT_EQ(view.document()->defaultFont().pointSize(), 12);

  const QString path = folder_.filePath("sizes.qordoc");
  ASSERT_TRUE(window.saveDocumentTo(path));
  QtTextSystem system;
  auto text = savedText(path, system);
  ASSERT_TRUE(text);
  // "two" grew from the editor's 9 pt: 9 + 3 - 1 = 11; "one " keeps 9 pt,
  // not the 12 pt of the zoom.
  EXPECT_EQ(sizes(*text), (std::vector<std::string>{"one =9.000000", "two=11.000000"}));
}

// On a volume without a trash (GIO refuses tmpfs as a system internal mount)
// the alert gives GIO's reason, and the document stays.
TEST_F(EditorWindowTest, MoveToTrashSaysWhyItCannot) {
  QTemporaryDir volume("/dev/shm/qor-editor-test-XXXXXX");
  ASSERT_TRUE(volume.isValid());
  EditorWindow window;
  window.textView().setPlainText("Kept");
  const QString path = volume.filePath("notes.txt");
  ASSERT_TRUE(window.saveDocumentTo(path));
  window.performMenuCommand("moveDocumentToTrash:", 0);
  EXPECT_EQ(window.lastError().toStdString(),
            "The document could not be moved to the trash.\nTrashing on system internal mounts is not supported");
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_EQ(window.documentPath(), path);
}

// Any file but a ".qordoc" is plain text both ways: formatting typed into it
// is not written, and the bytes read are the bytes written.
TEST_F(EditorWindowTest, PlainTextFilesOpenAndSaveAsPlainText) {
  const QByteArray original = "first line\n\tsecond, caf\xC3\xA9\n";
  const QString path = fileWith("notes.txt", original);
  EditorWindow window;
  ASSERT_TRUE(window.openFile(path)) << window.lastError().toStdString();
  EXPECT_EQ(window.textView().toPlainText().toUtf8(), original);
  window.textView().moveCursor(QTextCursor::End);
  window.textView().setFontWeight(QFont::Bold);
  window.textView().insertPlainText("bold");
  ASSERT_TRUE(window.saveDocumentTo(path));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), original + "bold");
}

}  // namespace
}  // namespace qor
