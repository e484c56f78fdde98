#include "text_commands.h"

#include <algorithm>

#include <QTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace qor {

namespace {

constexpr const char* kMarkProperty = "qorMark";

using Move = QTextCursor::MoveOperation;

void move(QTextEdit& view, Move operation, QTextCursor::MoveMode mode, int times = 1) {
  QTextCursor cursor = view.textCursor();
  cursor.movePosition(operation, mode, times);
  view.setTextCursor(cursor);
}

template <Move operation>
void moveTo(QTextEdit& view) {
  move(view, operation, QTextCursor::MoveAnchor);
}

template <Move operation>
void extendTo(QTextEdit& view) {
  move(view, operation, QTextCursor::KeepAnchor);
}

// Paragraph moves go to the start of the next or previous block, or of this
// one when the cursor is inside it.
void paragraphBackward(QTextEdit& view, QTextCursor::MoveMode mode) {
  QTextCursor cursor = view.textCursor();
  if (cursor.atBlockStart()) cursor.movePosition(QTextCursor::PreviousBlock, mode);
  cursor.movePosition(QTextCursor::StartOfBlock, mode);
  view.setTextCursor(cursor);
}

// The lines a page move goes: what the view shows, less one kept in sight.
int linesPerPage(const QTextEdit& view) {
  constexpr int kLinesKept = 1;
  const int lineHeight = std::max(1, view.fontMetrics().lineSpacing());
  return std::max(1, view.viewport()->height() / lineHeight - kLinesKept);
}

void page(QTextEdit& view, Move operation, QTextCursor::MoveMode mode) {
  move(view, operation, mode, linesPerPage(view));
}

void deleteMoving(QTextEdit& view, Move operation) {
  QTextCursor cursor = view.textCursor();
  if (!cursor.hasSelection()) cursor.movePosition(operation, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  view.setTextCursor(cursor);
}

template <Move operation>
void deleteTo(QTextEdit& view) {
  deleteMoving(view, operation);
}

void selectUnit(QTextEdit& view, QTextCursor::SelectionType unit) {
  QTextCursor cursor = view.textCursor();
  cursor.select(unit);
  view.setTextCursor(cursor);
}

void insert(QTextEdit& view, const QString& text) { view.textCursor().insertText(text); }

// The selection, or the word at the cursor, changed by `change`.
template <class Change>
void changeWord(QTextEdit& view, Change change) {
  QTextCursor cursor = view.textCursor();
  if (!cursor.hasSelection()) cursor.select(QTextCursor::WordUnderCursor);
  cursor.insertText(change(cursor.selectedText()));
  view.setTextCursor(cursor);
}

QString capitalized(const QString& text) {
  QString result = text.toLower();
  bool wordStart = true;
  for (QChar& character : result) {
    if (character.isLetterOrNumber()) {
      if (wordStart) character = character.toUpper();
      wordStart = false;
    } else {
      wordStart = true;
    }
  }
  return result;
}

void transpose(QTextEdit& view) {
  QTextCursor cursor = view.textCursor();
  if (cursor.atBlockStart() || cursor.hasSelection()) return;
  // At the end of a line the two characters before the cursor swap.
  if (cursor.atBlockEnd()) cursor.movePosition(QTextCursor::PreviousCharacter);
  if (cursor.atBlockStart()) return;
  cursor.movePosition(QTextCursor::PreviousCharacter);
  cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 2);
  const QString pair = cursor.selectedText();
  cursor.insertText(QString(pair[1]) + pair[0]);
  view.setTextCursor(cursor);
}

int mark(const QTextEdit& view) {
  return std::clamp(view.property(kMarkProperty).toInt(), 0, view.document()->characterCount() - 1);
}

void setMark(QTextEdit& view) { view.setProperty(kMarkProperty, view.textCursor().position()); }

void selectToMark(QTextEdit& view) {
  QTextCursor cursor = view.textCursor();
  cursor.setPosition(mark(view), QTextCursor::KeepAnchor);
  view.setTextCursor(cursor);
}

void swapWithMark(QTextEdit& view) {
  const int position = view.textCursor().position();
  QTextCursor cursor = view.textCursor();
  cursor.setPosition(mark(view));
  view.setTextCursor(cursor);
  view.setProperty(kMarkProperty, position);
}

void deleteToMark(QTextEdit& view) {
  selectToMark(view);
  view.textCursor().removeSelectedText();
}

// Scrolls so that the cursor's line is in the middle of what the view shows.
void centerCursor(QTextEdit& view) {
  QScrollBar* bar = view.verticalScrollBar();
  const QRect line = view.cursorRect();
  bar->setValue(bar->value() + line.center().y() - view.viewport()->height() / 2);
}

enum class ScrollUnit { Line, Page };

void scrollBy(QTextEdit& view, int steps, ScrollUnit unit) {
  QScrollBar* bar = view.verticalScrollBar();
  bar->setValue(bar->value() + steps * (unit == ScrollUnit::Page ? bar->pageStep() : bar->singleStep()));
}

const std::vector<NamedTextCommand> kCommands = {
    {"moveForward:", moveTo<Move::NextCharacter>},
    {"moveBackward:", moveTo<Move::PreviousCharacter>},
    {"moveRight:", moveTo<Move::Right>},
    {"moveLeft:", moveTo<Move::Left>},
    {"moveUp:", moveTo<Move::Up>},
    {"moveDown:", moveTo<Move::Down>},
    {"moveWordForward:", moveTo<Move::NextWord>},
    {"moveWordBackward:", moveTo<Move::PreviousWord>},
    {"moveWordRight:", moveTo<Move::WordRight>},
    {"moveWordLeft:", moveTo<Move::WordLeft>},
    {"moveToBeginningOfLine:", moveTo<Move::StartOfLine>},
    {"moveToEndOfLine:", moveTo<Move::EndOfLine>},
    {"moveToBeginningOfParagraph:", moveTo<Move::StartOfBlock>},
    {"moveToEndOfParagraph:", moveTo<Move::EndOfBlock>},
    {"moveParagraphBackward:", [](QTextEdit& v) { paragraphBackward(v, QTextCursor::MoveAnchor); }},
    {"moveParagraphForward:", moveTo<Move::NextBlock>},
    {"moveToBeginningOfDocument:", moveTo<Move::Start>},
    {"moveToEndOfDocument:", moveTo<Move::End>},
    {"pageUp:", [](QTextEdit& v) { page(v, Move::Up, QTextCursor::MoveAnchor); }},
    {"pageDown:", [](QTextEdit& v) { page(v, Move::Down, QTextCursor::MoveAnchor); }},
    {"moveForwardAndModifySelection:", extendTo<Move::NextCharacter>},
    {"moveBackwardAndModifySelection:", extendTo<Move::PreviousCharacter>},
    {"moveRightAndModifySelection:", extendTo<Move::Right>},
    {"moveLeftAndModifySelection:", extendTo<Move::Left>},
    {"moveUpAndModifySelection:", extendTo<Move::Up>},
    {"moveDownAndModifySelection:", extendTo<Move::Down>},
    {"moveWordForwardAndModifySelection:", extendTo<Move::NextWord>},
    {"moveWordBackwardAndModifySelection:", extendTo<Move::PreviousWord>},
    {"moveWordRightAndModifySelection:", extendTo<Move::WordRight>},
    {"moveWordLeftAndModifySelection:", extendTo<Move::WordLeft>},
    {"moveToBeginningOfLineAndModifySelection:", extendTo<Move::StartOfLine>},
    {"moveToEndOfLineAndModifySelection:", extendTo<Move::EndOfLine>},
    {"moveToBeginningOfParagraphAndModifySelection:", extendTo<Move::StartOfBlock>},
    {"moveToEndOfParagraphAndModifySelection:", extendTo<Move::EndOfBlock>},
    {"moveToBeginningOfDocumentAndModifySelection:", extendTo<Move::Start>},
    {"moveToEndOfDocumentAndModifySelection:", extendTo<Move::End>},
    {"pageUpAndModifySelection:", [](QTextEdit& v) { page(v, Move::Up, QTextCursor::KeepAnchor); }},
    {"pageDownAndModifySelection:", [](QTextEdit& v) { page(v, Move::Down, QTextCursor::KeepAnchor); }},
    {"selectWord:", [](QTextEdit& v) { selectUnit(v, QTextCursor::WordUnderCursor); }},
    {"selectLine:", [](QTextEdit& v) { selectUnit(v, QTextCursor::LineUnderCursor); }},
    {"selectParagraph:", [](QTextEdit& v) { selectUnit(v, QTextCursor::BlockUnderCursor); }},
    {"setMark:", setMark},
    {"selectToMark:", selectToMark},
    {"swapWithMark:", swapWithMark},
    {"deleteBackward:", deleteTo<Move::PreviousCharacter>},
    {"deleteForward:", deleteTo<Move::NextCharacter>},
    {"deleteWordBackward:", deleteTo<Move::PreviousWord>},
    {"deleteWordForward:", deleteTo<Move::NextWord>},
    {"deleteToBeginningOfLine:", deleteTo<Move::StartOfLine>},
    {"deleteToEndOfLine:", deleteTo<Move::EndOfLine>},
    {"deleteToBeginningOfParagraph:", deleteTo<Move::StartOfBlock>},
    {"deleteToEndOfParagraph:", deleteTo<Move::EndOfBlock>},
    {"deleteBackwardByDecomposingPreviousCharacter:", deleteTo<Move::PreviousCharacter>},
    {"deleteToMark:", deleteToMark},
    {"insertNewline:", [](QTextEdit& v) { v.textCursor().insertBlock(); }},
    {"insertLineBreak:", [](QTextEdit& v) { v.textCursor().insertBlock(); }},
    {"insertParagraphSeparator:", [](QTextEdit& v) { v.textCursor().insertBlock(); }},
    {"insertNewlineIgnoringFieldEditor:", [](QTextEdit& v) { v.textCursor().insertBlock(); }},
    {"insertTab:", [](QTextEdit& v) { insert(v, "\t"); }},
    {"insertTabIgnoringFieldEditor:", [](QTextEdit& v) { insert(v, "\t"); }},
    {"insertSingleQuoteIgnoringSubstitution:", [](QTextEdit& v) { insert(v, "'"); }},
    {"insertDoubleQuoteIgnoringSubstitution:", [](QTextEdit& v) { insert(v, "\""); }},
    {"uppercaseWord:", [](QTextEdit& v) { changeWord(v, [](const QString& t) { return t.toUpper(); }); }},
    {"lowercaseWord:", [](QTextEdit& v) { changeWord(v, [](const QString& t) { return t.toLower(); }); }},
    {"capitalizeWord:", [](QTextEdit& v) { changeWord(v, capitalized); }},
    {"transpose:", transpose},
    {"scrollLineUp:", [](QTextEdit& v) { scrollBy(v, -1, ScrollUnit::Line); }},
    {"scrollLineDown:", [](QTextEdit& v) { scrollBy(v, 1, ScrollUnit::Line); }},
    {"scrollPageUp:", [](QTextEdit& v) { scrollBy(v, -1, ScrollUnit::Page); }},
    {"scrollPageDown:", [](QTextEdit& v) { scrollBy(v, 1, ScrollUnit::Page); }},
    {"scrollToBeginningOfDocument:", [](QTextEdit& v) { v.verticalScrollBar()->setValue(v.verticalScrollBar()->minimum()); }},
    {"scrollToEndOfDocument:", [](QTextEdit& v) { v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum()); }},
    {"centerSelectionInVisibleArea:", centerCursor},
};

}  // namespace

const std::vector<NamedTextCommand>& textCommands() { return kCommands; }

TextCommand textCommandNamed(std::string_view name) {
  auto found = std::find_if(kCommands.begin(), kCommands.end(), [&](const auto& entry) { return entry.name == name; });
  return found == kCommands.end() ? nullptr : found->command;
}

}  // namespace qor
