#include "editor_window.h"

#include <algorithm>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QImage>
#include <QInputDialog>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>

#include "qor/editor/document_archive.h"
#include "qor/image_attachments.h"
#include "qor/library.h"
#include "qor/plist_file.h"
#include "qor/qt/text_system.h"
#include "qor/resource_location.h"
#include "text_commands.h"
#include "ui_text.h"

namespace qor {

namespace {

constexpr int kAnyTag = -1;
// Tags of "performFindPanelAction:", "modifyFont:" and "addFontTrait:" items.
constexpr std::int64_t kFindPanelTag = 1;
constexpr std::int64_t kFindNextTag = 2;
constexpr std::int64_t kFindPreviousTag = 3;
constexpr std::int64_t kUseSelectionForFindTag = 7;
constexpr std::int64_t kBiggerFontTag = 3;
constexpr std::int64_t kSmallerFontTag = 4;
constexpr std::int64_t kItalicTraitTag = 1;
constexpr std::int64_t kBoldTraitTag = 2;
constexpr int kSmallestFontSize = 6;
constexpr int kTabStopSpaces = 4;
constexpr const char* kUntitled = "Untitled";
constexpr const char* kFileFilter =
    "QOR documents (*.qordoc);;Text files (*.txt *.md *.text);;All files (*)";
constexpr const char* kDocumentFilter = "QOR documents (*.qordoc)";
constexpr const char* kPictureFilter = "Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff)";
constexpr double kLetterSpacingStep = 5.0;
constexpr double kNoLetterSpacing = 100.0;
constexpr int kDefaultTableRows = 3;
constexpr int kDefaultTableColumns = 2;
constexpr int kMaximumTableSide = 100;
constexpr double kTableBorder = 1.0;
constexpr double kTableCellPadding = 4.0;
// 72 dots per inch: a picture shown at one pixel per point.
constexpr int kDotsPerMetreAt72Dpi = 2835;

std::vector<std::uint8_t> bytesOf(const QByteArray& array) { return {array.begin(), array.end()}; }

bool isRichDocument(const QString& path) { return QFileInfo(path).suffix() == kDocumentExtension; }

// A named style's keys.
constexpr const char* kStyleName = "name";
constexpr const char* kStyleFamily = "font family";
constexpr const char* kStyleSize = "font size";
constexpr const char* kStyleWeight = "font weight";
constexpr const char* kStyleItalic = "italic";
constexpr const char* kStyleUnderline = "underline";
constexpr const char* kStyleLetterSpacing = "letter spacing";
constexpr const char* kStyleSheetStyles = "styles";
constexpr const char* kNamedStylesFolder = "Named Styles";
constexpr const char* kTagSetExtension = ".qor1_tag_set";
// The keys of a menu description (qor/qt/main_menu.h).
constexpr const char* kMenuTitleKey = "title";
constexpr const char* kMenuActionKey = "action";
constexpr const char* kMenuTagKey = "tag";
constexpr const char* kMenuSubmenuKey = "submenu";
// 32-bit FNV-1a, kept to 31 bits so that tags stay positive.
constexpr std::uint32_t kFnvOffsetBasis = 2166136261u;
constexpr std::uint32_t kFnvPrime = 16777619u;
constexpr std::uint32_t kPositiveTagBits = 0x7FFFFFFFu;

// A named style's tag in the menu: a hash of where it is kept (its file, and
// its name inside a style sheet), so that a shortcut bound to it stays with
// it while other styles come and go.
std::int64_t styleTag(const std::string& place) {
  std::uint32_t hash = kFnvOffsetBasis;
  for (unsigned char byte : place) {
    hash ^= byte;
    hash *= kFnvPrime;
  }
  return hash & kPositiveTagBits;
}

// The title of a library entry {"object", "path"}: the object's "name", or
// the file's name without its extension.
QString entryTitle(const DictionaryRef& object, const DictionaryRef& entry) {
  if (auto name = object ? object->stringForKey(kStyleName) : nullptr; name && !name->value().empty())
    return QString::fromStdString(name->value());
  auto path = entry->stringForKey("path");
  return path ? QFileInfo(QString::fromStdString(path->value())).completeBaseName() : QString();
}

// Calls `visit` with the record and range of each picture that has one, in
// the text's order.
template <class Visit>
void forEachPictureLocation(const StoredText& text, Visit visit) {
  for (std::size_t index = 0; index < text.length();) {
    auto run = text.attributeAtIndexEffectiveRange(kPictureLocationAttributeName, index);
    if (!run || run->range.length == 0) break;
    if (DictionaryRef record = asDictionary(run->value)) visit(MutableDictionary::make(record->entries()), run->range);
    index = run->range.end();
  }
}

}  // namespace

struct EditorWindow::TextSystem {
  QtTextSystem text;
  QtImageReader images;
};

EditorWindow::EditorWindow(FileSystem& fs) : fs_(fs), system_(std::make_unique<TextSystem>()) {
  setObjectName("WIN_editor");
  setCentralWidget(&text_);
  text_.setObjectName("TEXT_document");
  text_.setFrameShape(QFrame::NoFrame);
  text_.setAcceptRichText(true);
  statusBar()->addPermanentWidget(&position_);
  connect(&text_, &QTextEdit::cursorPositionChanged, this, [this] { updatePosition(); });
  connect(text_.document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
    setWindowModified(modified);
  });
  editorFont_ = text_.font();

  for (const auto& [name, command] : textCommands()) {
    auto* action = new QAction(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), &text_);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, [this, run = command] { run(text_); });
    text_.addAction(action);
    textCommandActions_.emplace_back(std::string(name), action);
  }

  const auto alignment = [this](Qt::Alignment align) { return [this, align] { text_.setAlignment(align); }; };
  commands_ = {
      {"newDocument:", kAnyTag, [this] { newDocument(); }},
      {"openDocument:", kAnyTag, [this] { openDocument(); }},
      {"performClose:", kAnyTag, [this] { newDocument(); }},
      {"saveDocument:", kAnyTag, [this] { saveDocument(); }},
      {"saveDocumentAs:", kAnyTag, [this] { saveDocumentAs(); }},
      {"revertDocumentToSaved:", kAnyTag, [this] { revertDocument(); }},
      {"moveDocumentToTrash:", kAnyTag, [this] { moveDocumentToTrash(); }},
      {"undo:", kAnyTag, [this] { text_.undo(); }},
      {"redo:", kAnyTag, [this] { text_.redo(); }},
      {"cut:", kAnyTag, [this] { text_.cut(); }},
      {"copy:", kAnyTag, [this] { text_.copy(); }},
      {"paste:", kAnyTag, [this] { text_.paste(); }},
      {"pasteAsPlainText:", kAnyTag, [this] { text_.insertPlainText(QApplication::clipboard()->text()); }},
      {"delete:", kAnyTag, [this] { text_.textCursor().removeSelectedText(); }},
      {"selectAll:", kAnyTag, [this] { text_.selectAll(); }},
      {"performFindPanelAction:", kFindPanelTag, [this] { find(FindStep::AskThenForward); }},
      {"performFindPanelAction:", kFindNextTag, [this] { find(FindStep::Forward); }},
      {"performFindPanelAction:", kFindPreviousTag, [this] { find(FindStep::Backward); }},
      {"performFindPanelAction:", kUseSelectionForFindTag, [this] { findText_ = text_.textCursor().selectedText(); }},
      {"centerSelectionInVisibleArea:", kAnyTag, [this] { textCommandNamed("centerSelectionInVisibleArea:")(text_); }},
      {"uppercaseWord:", kAnyTag, [this] { textCommandNamed("uppercaseWord:")(text_); }},
      {"lowercaseWord:", kAnyTag, [this] { textCommandNamed("lowercaseWord:")(text_); }},
      {"capitalizeWord:", kAnyTag, [this] { textCommandNamed("capitalizeWord:")(text_); }},
      {"addFontTrait:", kBoldTraitTag, [this] { toggleBold(); }},
      {"addFontTrait:", kItalicTraitTag, [this] { text_.setFontItalic(!text_.fontItalic()); }},
      {"underline:", kAnyTag, [this] { text_.setFontUnderline(!text_.fontUnderline()); }},
      {"alignLeft:", kAnyTag, alignment(Qt::AlignLeft)},
      {"alignCenter:", kAnyTag, alignment(Qt::AlignHCenter)},
      {"alignJustified:", kAnyTag, alignment(Qt::AlignJustify)},
      {"alignRight:", kAnyTag, alignment(Qt::AlignRight)},
      {"exportWithFullResolutionPictures:", kAnyTag, [this] { exportDocument(); }},
      // The Font submenu's own command (⌘T in the default set) opens the font dialog too.
      {"orderFrontFontPanel:", kAnyTag, [this] { chooseFont(); }},
      {"chooseFont:", kAnyTag, [this] { chooseFont(); }},
      {"loosenKerning:", kAnyTag, [this] { changeLetterSpacing(kLetterSpacingStep); }},
      {"tightenKerning:", kAnyTag, [this] { changeLetterSpacing(-kLetterSpacingStep); }},
      {"saveNamedStyle:", kAnyTag, [this] { askForStyleName(); }},
      {"toggleBulletedList:", kAnyTag, [this] { toggleList(QTextListFormat::ListDisc); }},
      {"toggleNumberedList:", kAnyTag, [this] { toggleList(QTextListFormat::ListDecimal); }},
      {"insertTable:", kAnyTag, [this] { askForTable(); }},
      {"insertPicture:", kAnyTag, [this] { askForPicture(); }},
      {"indentMore:", kAnyTag, [this] { indent(1); }},
      {"indentLess:", kAnyTag, [this] { indent(-1); }},
      {"modifyFont:", kBiggerFontTag, [this] { changeFontSize(1); }},
      {"modifyFont:", kSmallerFontTag, [this] { changeFontSize(-1); }},
      {"zoomIn:", kAnyTag, [this] { zoom(1); }},
      {"zoomOut:", kAnyTag, [this] { zoom(-1); }},
      {"zoomToActualSize:", kAnyTag, [this] { zoom(0); }},
      {"toggleWrapToPage:", kAnyTag,
       [this] { setWrapsLines(text_.lineWrapMode() == QTextEdit::NoWrap); }},
      {"performMiniaturize:", kAnyTag, [this] { showMinimized(); }},
      {"performZoom:", kAnyTag, [this] { isMaximized() ? showNormal() : showMaximized(); }},
  };
  updateTitle();
  updatePosition();
}

EditorWindow::~EditorWindow() = default;

bool EditorWindow::performsMenuCommand(const std::string& action, std::int64_t tag) const {
  return std::any_of(commands_.begin(), commands_.end(), [&](const Command& command) {
    return command.action == action && (command.tag == kAnyTag || command.tag == tag);
  });
}

void EditorWindow::performMenuCommand(const std::string& action, std::int64_t tag) {
  for (const Command& command : commands_) {
    if (command.action == action && (command.tag == kAnyTag || command.tag == tag)) {
      command.run();
      return;
    }
  }
}

void EditorWindow::exportDocument() {
  QString path = QFileDialog::getSaveFileName(this, uiText("Export"), QString(), uiText(kDocumentFilter));
  if (!path.isEmpty()) exportDocumentTo(path);
}

void EditorWindow::chooseFont() {
  bool ok = false;
  QFont font = QFontDialog::getFont(&ok, text_.currentFont(), this);
  if (ok) text_.setCurrentFont(font);
}

void EditorWindow::askForStyleName() {
  bool ok = false;
  QString name = QInputDialog::getText(this, uiText("Save Style"), uiText("Style name:"), QLineEdit::Normal, QString(), &ok);
  if (ok) saveStyle(name);
}

void EditorWindow::askForTable() {
  bool ok = false;
  int rows = QInputDialog::getInt(this, uiText("Insert Table"), uiText("Rows:"), kDefaultTableRows, 1, kMaximumTableSide, 1, &ok);
  if (!ok) return;
  int columns =
      QInputDialog::getInt(this, uiText("Insert Table"), uiText("Columns:"), kDefaultTableColumns, 1, kMaximumTableSide, 1, &ok);
  if (ok) insertTable(rows, columns);
}

void EditorWindow::askForPicture() {
  QString path = QFileDialog::getOpenFileName(this, uiText("Insert Picture"), QFileInfo(path_).path(), uiText(kPictureFilter));
  if (!path.isEmpty() && !insertPicture(path))
    fail(uiText("“%1” is no picture this editor can show.").arg(QFileInfo(path).fileName()));
}

bool EditorWindow::openFile(const QString& path) {
  return isRichDocument(path) ? openRichDocument(path) : openPlainText(path);
}

bool EditorWindow::openPlainText(const QString& path) {
  auto bytes = fs_.readFile(path.toStdString());
  if (!bytes) {
    fail(uiText("The document “%1” could not be opened: it cannot be read.").arg(QFileInfo(path).fileName()));
    return false;
  }
  text_.setPlainText(QString::fromUtf8(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size())));
  documentIsNow(path);
  return true;
}

bool EditorWindow::openRichDocument(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  auto bytes = fs_.readFile(path.toStdString());
  if (!bytes) {
    fail(uiText("The document “%1” could not be opened: it cannot be read.").arg(name));
    return false;
  }
  auto text = textWithDocumentArchive(*bytes, system_->text);
  if (!text) {
    fail(uiText("The document “%1” could not be opened: it is damaged or is no QOR document.").arg(name));
    return false;
  }
  findPictureFiles(*text, path);
  system_->text.setDocumentText(*text_.document(), *text, system_->images);
  text_.moveCursor(QTextCursor::Start);
  documentIsNow(path);
  return true;
}

bool EditorWindow::saveDocumentTo(const QString& path) {
  bool written = false;
  if (isRichDocument(path)) {
    auto text = system_->text.textWithDocument(*text_.document(), editorFont_);
    relocatePictures(*text, path);
    written = writeDocumentArchive(*text, path.toStdString(), fs_);
  } else {
    const QByteArray bytes = text_.toPlainText().toUtf8();
    written = fs_.writeFileAtomically(path.toStdString(), bytesOf(bytes));
  }
  if (!written) {
    fail(uiText("The document could not be saved to “%1”.").arg(QFileInfo(path).fileName()));
    return false;
  }
  documentIsNow(path);
  return true;
}

bool EditorWindow::exportDocumentTo(const QString& path) {
  auto text = system_->text.textWithDocument(*text_.document(), editorFont_);
  auto exported = stringReplacingWithHighResolusionImagesIn(text.get(), system_->images);
  auto* stored = dynamic_cast<StoredText*>(exported.get());
  if (!stored || !writeDocumentArchive(*stored, path.toStdString(), fs_)) {
    fail(uiText("The document could not be exported to “%1”.").arg(QFileInfo(path).fileName()));
    return false;
  }
  lastError_.clear();
  return true;
}

void EditorWindow::findPictureFiles(StoredText& text, const QString& path) {
  pictureFiles_.clear();
  forEachPictureLocation(text, [&](const MutableDictionaryRef& record, TextRange range) {
    std::optional<std::string> found = pathFromResourceLocationDictionaryWithBasePath(record, path.toStdString());
    auto bytes = found ? fs_.readFile(*found) : std::nullopt;
    pictureFiles_ << (bytes ? QString::fromStdString(*found) : QString());
    if (!bytes) return;
    text.addAttributeValueRange(kPictureLocationAttributeName, record, range);
    const std::string name = QFileInfo(QString::fromStdString(*found)).fileName().toStdString();
    text.addAttributeValueRange(kImageFileAttributeName, FileWrapper::makeRegularFile(std::move(*bytes), name), range);
  });
}

void EditorWindow::relocatePictures(StoredText& text, const QString& path) {
  forEachPictureLocation(text, [&](const MutableDictionaryRef& record, TextRange range) {
    // Found from where the document was; a file gone keeps its old record.
    std::optional<std::string> found = pathFromResourceLocationDictionaryWithBasePath(record, path_.toStdString());
    if (found)
      text.addAttributeValueRange(kPictureLocationAttributeName,
                                  resourceLocationDictionaryWithPathAndBasePath(*found, path.toStdString()), range);
  });
}

bool EditorWindow::saveStyle(const QString& name) {
  QString fileName = name.trimmed();
  fileName.replace('/', '-');
  const std::string folder = libraryDir() + "/" + kNamedStylesFolder;
  if (fileName.isEmpty() || !createFolderUnderHome(folder)) {
    fail(uiText("The style “%1” could not be saved.").arg(name));
    return false;
  }
  const QTextCharFormat format = text_.currentCharFormat();
  const QFont font = text_.currentFont();
  auto style = Dictionary::make({
      {kStyleName, String::make(name.trimmed().toStdString())},
      {kStyleFamily, String::make(font.family().toStdString())},
      {kStyleSize, Number::makeReal(font.pointSizeF())},
      {kStyleWeight, Number::makeInteger(font.weight())},
      {kStyleItalic, Number::makeBoolean(font.italic())},
      {kStyleUnderline, Number::makeBoolean(format.fontUnderline())},
      {kStyleLetterSpacing, Number::makeReal(font.letterSpacingType() == QFont::PercentageSpacing && font.letterSpacing() > 0
                                                 ? font.letterSpacing()
                                                 : kNoLetterSpacing)},
  });
  const std::string path = homeFolder() + "/" + folder + "/" + fileName.toStdString() + kTagSetExtension;
  if (!writePropertyListFile(style, path, fs_)) {
    fail(uiText("The style “%1” could not be saved.").arg(name));
    return false;
  }
  lastError_.clear();
  return true;
}

void EditorWindow::applyStyle(const DictionaryRef& style) {
  if (!style) return;
  QTextCharFormat format;
  if (auto family = style->stringForKey(kStyleFamily)) format.setFontFamilies({QString::fromStdString(family->value())});
  if (auto size = style->numberForKey(kStyleSize); size && size->realValue() > 0) format.setFontPointSize(size->realValue());
  if (auto weight = style->numberForKey(kStyleWeight))
    format.setFontWeight(static_cast<int>(std::clamp<std::int64_t>(weight->integerValue(), QFont::Thin, QFont::Black)));
  if (auto italic = style->numberForKey(kStyleItalic)) format.setFontItalic(italic->boolValue());
  if (auto underline = style->numberForKey(kStyleUnderline)) format.setFontUnderline(underline->boolValue());
  if (auto spacing = style->numberForKey(kStyleLetterSpacing); spacing && spacing->realValue() > 0) {
    format.setFontLetterSpacingType(QFont::PercentageSpacing);
    format.setFontLetterSpacing(spacing->realValue());
  }
  text_.mergeCurrentCharFormat(format);
}

EditorWindow::StyleMenus EditorWindow::styleMenus() {
  std::erase_if(commands_, [](const Command& command) { return command.action == kApplyStyleAction; });
  const auto itemFor = [this](const DictionaryRef& style, const QString& title, const std::string& place) -> Ref {
    const std::int64_t tag = styleTag(place);
    commands_.push_back({kApplyStyleAction, tag, [this, style] { applyStyle(style); }});
    return Dictionary::make({{kMenuTitleKey, str(title.toStdString())},
                             {kMenuActionKey, str(kApplyStyleAction)},
                             {kMenuTagKey, integer(tag)}});
  };
  const auto placeOf = [](const DictionaryRef& entry) {
    auto path = entry->stringForKey("path");
    return path ? path->value() : std::string();
  };
  std::vector<Ref> styles;
  // Held: a range-for does not keep the array a call returns alive.
  const MutableArrayRef tagSets = getTagSetInLibrary();
  for (const Ref& element : tagSets->elements()) {
    DictionaryRef entry = asDictionary(element);
    DictionaryRef style = entry ? asDictionary(entry->objectForKey("object")) : nullptr;
    if (style) styles.push_back(itemFor(style, entryTitle(style, entry), placeOf(entry)));
  }
  std::vector<Ref> sheets;
  const MutableArrayRef styleSheets = getStylesheetsInLibrary();
  for (const Ref& element : styleSheets->elements()) {
    DictionaryRef entry = asDictionary(element);
    DictionaryRef sheet = entry ? asDictionary(entry->objectForKey("object")) : nullptr;
    if (!sheet) continue;
    std::vector<Ref> members;
    if (ArrayRef list = sheet->arrayForKey(kStyleSheetStyles)) {
      for (const Ref& member : list->elements()) {
        DictionaryRef style = asDictionary(member);
        if (!style) continue;
        const QString title = entryTitle(style, entry);
        members.push_back(itemFor(style, title, placeOf(entry) + "\n" + title.toStdString()));
      }
    }
    sheets.push_back(Dictionary::make(
        {{kMenuTitleKey, str(entryTitle(sheet, entry).toStdString())}, {kMenuSubmenuKey, Array::make(std::move(members))}}));
  }
  return {Array::make(std::move(styles)), Array::make(std::move(sheets))};
}

void EditorWindow::documentIsNow(const QString& path) {
  path_ = path;
  lastError_.clear();
  text_.document()->setModified(false);
  updateTitle();
}

void EditorWindow::fail(const QString& message) {
  lastError_ = message;
  alert_ = std::make_unique<QMessageBox>(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
  alert_->open();
}

void EditorWindow::setEditorFont(const QFont& font) {
  text_.setFont(font);
  editorFont_ = font;
  text_.setTabStopDistance(kTabStopSpaces * text_.fontMetrics().horizontalAdvance(' '));
}

void EditorWindow::setWrapsLines(bool wraps) {
  text_.setLineWrapMode(wraps ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

bool EditorWindow::mayDiscardDocument() {
  if (!text_.document()->isModified()) return true;
  const QString name = path_.isEmpty() ? uiText(kUntitled) : QFileInfo(path_).fileName();
  auto answer = QMessageBox::question(this, windowTitle(), uiText("Save the changes to “%1”?").arg(name),
                                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                      QMessageBox::Save);
  if (answer == QMessageBox::Save) return saveDocument();
  return answer == QMessageBox::Discard;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (mayDiscardDocument()) {
    event->accept();
    if (onClosed_) onClosed_();
  } else {
    event->ignore();
  }
}

void EditorWindow::newDocument() {
  if (!mayDiscardDocument()) return;
  text_.clear();
  path_.clear();
  text_.document()->setModified(false);
  updateTitle();
}

void EditorWindow::openDocument() {
  if (!mayDiscardDocument()) return;
  QString path = QFileDialog::getOpenFileName(this, uiText("Open"), QFileInfo(path_).path(), uiText(kFileFilter));
  if (!path.isEmpty()) openFile(path);
}

bool EditorWindow::saveDocument() { return path_.isEmpty() ? saveDocumentAs() : saveDocumentTo(path_); }

bool EditorWindow::saveDocumentAs() {
  const QString suggested = path_.isEmpty() ? uiText(kUntitled) + "." + kDocumentExtension : path_;
  QString path = QFileDialog::getSaveFileName(this, uiText("Save As"), suggested, uiText(kFileFilter));
  return !path.isEmpty() && saveDocumentTo(path);
}

void EditorWindow::revertDocument() {
  if (!path_.isEmpty()) openFile(path_);
}

void EditorWindow::moveDocumentToTrash() {
  if (path_.isEmpty()) {
    QApplication::beep();
    return;
  }
  // The user throws the document away: unsaved changes go with it. GIO's
  // reason ("Trashing on system internal mounts is not supported") is what
  // the user can act on.
  if (TrashOutcome outcome = moveFileToTrash(path_.toStdString()); !outcome) {
    fail(uiText("The document could not be moved to the trash.") + "\n" + QString::fromStdString(outcome.message));
    return;
  }
  text_.clear();
  path_.clear();
  text_.document()->setModified(false);
  updateTitle();
}

void EditorWindow::find(FindStep step) {
  if (step == FindStep::AskThenForward || findText_.isEmpty()) {
    bool ok = false;
    QString text = QInputDialog::getText(this, uiText("Find"), uiText("Find:"), QLineEdit::Normal, findText_, &ok);
    if (!ok || text.isEmpty()) return;
    findText_ = text;
  }
  auto flags = step == FindStep::Backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  if (!text_.find(findText_, flags)) QApplication::beep();
}

void EditorWindow::zoom(int steps) {
  QFont font = text_.font();
  font.setPointSize(steps == 0 ? editorFont_.pointSize() : std::max(kSmallestFontSize, font.pointSize() + steps));
  text_.setFont(font);
}

void EditorWindow::changeFontSize(int steps) {
  // A size of its own, or the editor font's: never the zoomed one, which is
  // the view's and must not reach the file.
  const auto sizeOf = [this](const QTextCharFormat& format) {
    return format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : editorFont_.pointSizeF();
  };
  const auto resized = [&](const QTextCharFormat& format) {
    QTextCharFormat change;
    change.setFontPointSize(std::max<double>(kSmallestFontSize, sizeOf(format) + steps));
    return change;
  };
  QTextCursor cursor = text_.textCursor();
  if (!cursor.hasSelection()) {
    text_.mergeCurrentCharFormat(resized(text_.currentCharFormat()));
    return;
  }
  // Each stretch of the selection grows from its own size, as Bold acts on
  // each. The stretches are taken first: changing one splits the fragments.
  struct Stretch {
    int from;
    int to;
    QTextCharFormat change;
  };
  std::vector<Stretch> stretches;
  const int start = cursor.selectionStart();
  const int end = cursor.selectionEnd();
  for (QTextBlock block = text_.document()->findBlock(start); block.isValid() && block.position() < end;
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const int from = std::max(start, fragment.position());
      const int to = std::min(end, fragment.position() + fragment.length());
      if (from < to) stretches.push_back({from, to, resized(fragment.charFormat())});
    }
  }
  cursor.beginEditBlock();
  for (const Stretch& stretch : stretches) {
    QTextCursor range(text_.document());
    range.setPosition(stretch.from);
    range.setPosition(stretch.to, QTextCursor::KeepAnchor);
    range.mergeCharFormat(stretch.change);
  }
  cursor.endEditBlock();
}

void EditorWindow::toggleBold() {
  text_.setFontWeight(text_.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
}

void EditorWindow::indent(int steps) {
  QTextCursor cursor = text_.textCursor();
  QTextBlockFormat format = cursor.blockFormat();
  format.setIndent(std::max(0, format.indent() + steps));
  cursor.setBlockFormat(format);
}

void EditorWindow::toggleList(QTextListFormat::Style style) {
  QTextCursor cursor = text_.textCursor();
  if (QTextList* list = cursor.currentList(); list && list->format().style() == style) {
    for (QTextBlock block = cursor.block(); block.isValid() && block.textList() == list; block = block.next()) {
      if (block.position() > cursor.selectionEnd() && block != cursor.block()) break;
      list->remove(block);
      QTextCursor(block).setBlockFormat(QTextBlockFormat());
    }
    return;
  }
  cursor.createList(style);
}

void EditorWindow::insertTable(int rows, int columns) {
  QTextTableFormat format;
  format.setBorder(kTableBorder);
  format.setCellPadding(kTableCellPadding);
  format.setCellSpacing(0);
  format.setBorderCollapse(true);
  QTextCursor cursor = text_.textCursor();
  cursor.insertTable(rows, columns, format);
  // Typing goes on in the first cell.
  text_.setTextCursor(cursor);
}

bool EditorWindow::insertPicture(const QString& path) {
  auto bytes = fs_.readFile(path.toStdString());
  auto image = bytes ? imageWithData(*bytes, system_->images) : nullptr;
  QImage picture = bytes ? QImage::fromData(bytes->data(), static_cast<int>(bytes->size())) : QImage();
  if (!image || picture.isNull()) return false;
  // Shown at its own size in points, or narrowed to fit the page.
  const double scale = std::min(1.0, kPictureWidth / image->pointWidth());
  QImage shown = picture.scaled(static_cast<int>(image->pointWidth() * scale), static_cast<int>(image->pointHeight() * scale),
                                Qt::KeepAspectRatio, Qt::SmoothTransformation);
  shown.setDotsPerMeterX(kDotsPerMetreAt72Dpi);
  shown.setDotsPerMeterY(kDotsPerMetreAt72Dpi);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  shown.save(&buffer, "PNG");
  const std::string name = QFileInfo(path).fileName().toStdString();
  auto attachment = TextAttachment::make(
      FileWrapper::makeRegularFile(bytesOf(png), QFileInfo(path).completeBaseName().toStdString() + ".png"));
  auto source = FileWrapper::makeRegularFile(std::move(*bytes), name);
  QTextCursor cursor = text_.textCursor();
  const std::string absolute = QFileInfo(path).absoluteFilePath().toStdString();
  auto location = resourceLocationDictionaryWithPathAndBasePath(absolute, path_.toStdString());
  system_->text.insertAttachment(
      cursor, attachment,
      Dictionary::make({{kImageFileAttributeName, source}, {kPictureLocationAttributeName, location}}),
      system_->images);
  text_.setTextCursor(cursor);
  return true;
}

void EditorWindow::changeLetterSpacing(double percentStep) {
  QTextCharFormat format;
  QFont font = text_.currentFont();
  double current = font.letterSpacingType() == QFont::PercentageSpacing && font.letterSpacing() > 0 ? font.letterSpacing()
                                                                                                     : kNoLetterSpacing;
  format.setFontLetterSpacingType(QFont::PercentageSpacing);
  format.setFontLetterSpacing(current + percentStep);
  text_.mergeCurrentCharFormat(format);
}

void EditorWindow::updateTitle() {
  const QString name = path_.isEmpty() ? uiText(kUntitled) : QFileInfo(path_).fileName();
  // The window system's title adds the application's name.
  setWindowTitle(name + "[*]");
}

void EditorWindow::updatePosition() {
  const QTextCursor cursor = text_.textCursor();
  position_.setText(uiText("Line %1, Column %2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1));
}

}  // namespace qor
