#include "text_commands.h"

#include <gtest/gtest.h>

#include <QTextEdit>

namespace qor {
namespace {

// Text with the cursor as '|' and, when there is a selection, its other end as '^'.
void load(QTextEdit& view, QString marked) {
  const auto anchorMark = static_cast<int>(marked.indexOf(QChar(u'^')));
  auto cursorMark = static_cast<int>(marked.indexOf(QChar(u'|')));
  int anchor = anchorMark;
  if (anchorMark >= 0) {
    marked.remove(anchorMark, 1);
    if (cursorMark > anchorMark) --cursorMark;
  }
  marked.remove(cursorMark, 1);
  if (anchor > cursorMark) --anchor;
  view.setPlainText(marked);
  QTextCursor cursor = view.textCursor();
  cursor.setPosition(anchor >= 0 ? anchor : cursorMark);
  cursor.setPosition(cursorMark, QTextCursor::KeepAnchor);
  view.setTextCursor(cursor);
}

QString shown(const QTextEdit& view) {
  QString text = view.toPlainText();
  const QTextCursor cursor = view.textCursor();
  const int position = cursor.position();
  const int anchor = cursor.anchor();
  if (anchor == position) return text.insert(position, '|');
  // Insert the later mark first so the earlier position stays right.
  if (anchor > position) return text.insert(anchor, '^').insert(position, '|');
  return text.insert(position, '|').insert(anchor, '^');
}

struct CommandCase {
  const char* command;
  const char* before;
  const char* after;
};

TEST(TextCommands, EachChangesTheTextAndCursorAsNamed) {
  const std::vector<CommandCase> cases = {
      {"moveToEndOfLine:", "ab|c\nde", "abc|\nde"},
      {"moveToBeginningOfDocument:", "abc\nd|e", "|abc\nde"},
      {"moveToEndOfDocument:", "a|bc\nde", "abc\nde|"},
      {"moveLeftAndModifySelection:", "ab|c", "a|b^c"},
      {"moveToEndOfParagraphAndModifySelection:", "a|bc\nd", "a^bc|\nd"},
      {"moveParagraphBackward:", "abc\nde|f", "abc\n|def"},
      {"moveParagraphBackward:", "abc\n|def", "|abc\ndef"},
      {"deleteBackward:", "ab|c", "a|c"},
      {"deleteForward:", "a|bc", "a|c"},
      {"deleteForward:", "^ab|c", "|c"},
      {"deleteWordBackward:", "one two|", "one |"},
      {"deleteToEndOfLine:", "ab|cd\nef", "ab|\nef"},
      {"deleteToBeginningOfParagraph:", "x\nab|cd", "x\n|cd"},
      {"insertNewline:", "ab|cd", "ab\n|cd"},
      {"insertTab:", "a|b", "a\t|b"},
      {"insertDoubleQuoteIgnoringSubstitution:", "a|b", "a\"|b"},
      {"uppercaseWord:", "make up|per case", "make UPPER| case"},
      {"lowercaseWord:", "^LOUD WORDS|", "loud words|"},
      {"capitalizeWord:", "^hello wORLD|", "Hello World|"},
      {"selectLine:", "ab\nc|d\nef", "ab\n^cd|\nef"},
      // Transposing swaps the characters around the cursor, at a line's end the last two.
      {"transpose:", "ab|c", "acb|"},
      {"transpose:", "abc|", "acb|"},
      {"transpose:", "|abc", "|abc"},
  };
  QTextEdit view;
  for (const auto& test : cases) {
    TextCommand command = textCommandNamed(test.command);
    ASSERT_TRUE(command) << test.command;
    load(view, QString::fromUtf8(test.before));
    command(view);
    EXPECT_EQ(shown(view).toStdString(), test.after) << test.command << " on " << test.before;
  }
}

TEST(TextCommands, TheMarkIsKeptPerView) {
  QTextEdit view;
  load(view, "ab|cdef");
  textCommandNamed("setMark:")(view);
  textCommandNamed("moveToEndOfLine:")(view);
  textCommandNamed("selectToMark:")(view);
  EXPECT_EQ(shown(view).toStdString(), "ab|cdef^");
  textCommandNamed("moveToEndOfLine:")(view);
  textCommandNamed("swapWithMark:")(view);
  EXPECT_EQ(shown(view).toStdString(), "ab|cdef");
  textCommandNamed("swapWithMark:")(view);
  EXPECT_EQ(shown(view).toStdString(), "abcdef|");
  textCommandNamed("deleteToMark:")(view);
  EXPECT_EQ(shown(view).toStdString(), "ab|");

  QTextEdit other;
  load(other, "xy|z");
  textCommandNamed("selectToMark:")(other);
  EXPECT_EQ(shown(other).toStdString(), "|xy^z") << "a view without a mark has it at the start";
}

TEST(TextCommands, CommandsWithoutACounterpartAreLeftOut) {
  EXPECT_EQ(textCommandNamed("complete:"), nullptr);
  EXPECT_EQ(textCommandNamed("yank:"), nullptr);
  EXPECT_EQ(textCommandNamed(""), nullptr);
  EXPECT_GE(textCommands().size(), 60u);
}

}  // namespace
}  // namespace qor
