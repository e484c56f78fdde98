// The invisible-character overlay over both kinds of Qt text editor, checked
// against the editors' own cursor rectangles, before and after scrolling.
#include "invisibles_overlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

#include "qor/value.h"

namespace qor {
namespace {

constexpr int kLines = 80;
constexpr int kInkThreshold = 40;  // a channel this far from the background counts as a mark

struct Editor {
  std::unique_ptr<QAbstractScrollArea> widget;
  std::function<QRect(int)> cursorRectAt;
};

Editor makeEditor(bool rich, qreal pointSize) {
  QFont font("DejaVu Sans Mono");
  font.setPointSizeF(pointSize);
  QString text;
  for (int i = 0; i < kLines; ++i) text += QStringLiteral("ab cd\tef\n");
  Editor editor;
  if (rich) {
    auto edit = std::make_unique<QTextEdit>();
    edit->setFont(font);
    edit->setPlainText(text);
    QTextEdit* raw = edit.get();
    editor.cursorRectAt = [raw](int position) {
      QTextCursor cursor(raw->document());
      cursor.setPosition(position);
      return raw->cursorRect(cursor);
    };
    editor.widget = std::move(edit);
  } else {
    auto edit = std::make_unique<QPlainTextEdit>();
    edit->setFont(font);
    edit->setPlainText(text);
    QPlainTextEdit* raw = edit.get();
    editor.cursorRectAt = [raw](int position) {
      QTextCursor cursor(raw->document());
      cursor.setPosition(position);
      return raw->cursorRect(cursor);
    };
    editor.widget = std::move(edit);
  }
  editor.widget->resize(420, 300);
  editor.widget->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.widget.get()));
  return editor;
}

bool inked(const QImage& image, int x, int y) {
  const QRgb background = image.pixel(2, image.height() - 2);
  const QRgb pixel = image.pixel(x, y);
  return std::max({std::abs(qRed(pixel) - qRed(background)), std::abs(qGreen(pixel) - qGreen(background)),
                   std::abs(qBlue(pixel) - qBlue(background))}) > kInkThreshold;
}

// The centre of the dot over the space at `position`, from the editor's
// cursor rectangles: W = the space's advance, s = min(0.8 W, 3), the dot's
// box from (left + 0.1 W, middle - 0.4 W).
QPoint dotCentre(const Editor& editor, int position) {
  const QRect before = editor.cursorRectAt(position), after = editor.cursorRectAt(position + 1);
  const double w = after.left() - before.left();
  const double s = std::min(0.8 * w, 3.0);
  const double middle = before.top() + 0.5 * before.height();
  return QPoint(int(before.left() + 0.1 * w + s / 2), int(middle - 0.4 * w + s / 2));
}

class InvisiblesOverlayTest : public testing::TestWithParam<std::tuple<bool, qreal>> {};

TEST_P(InvisiblesOverlayTest, DotsSitOverTheSpacesBeforeAndAfterScrolling) {
  const auto [rich, size] = GetParam();
  Editor editor = makeEditor(rich, size);
  InvisiblesOverlay overlay(*editor.widget);
  QWidget* viewport = editor.widget->viewport();
  const int lineLength = 9;  // "ab cd\tef" and the line feed
  const int space = 2;

  const QPoint dot = dotCentre(editor, space);
  EXPECT_FALSE(inked(viewport->grab().toImage(), dot.x(), dot.y()));
  overlay.setShowsInvisibles(true);
  QImage shown = viewport->grab().toImage();
  EXPECT_TRUE(inked(shown, dot.x(), dot.y())) << dot.x() << ", " << dot.y();
  // The pilcrow starts where "ef" ends, at the line's top.
  const QRect lineEnd = editor.cursorRectAt(lineLength - 1);
  bool pilcrow = false;
  for (int x = lineEnd.left(); x < lineEnd.left() + int(size); ++x) {
    for (int y = lineEnd.top(); y < lineEnd.bottom(); ++y) pilcrow = pilcrow || inked(shown, x, y);
  }
  EXPECT_TRUE(pilcrow);

  editor.widget->verticalScrollBar()->setValue(editor.widget->verticalScrollBar()->maximum() / 2);
  QApplication::processEvents();
  EXPECT_EQ(overlay.geometry(), viewport->rect());
  // The first line in view now: its dot is where the editor puts that space.
  const QPoint corner(5, 5);
  const QTextCursor top = rich ? static_cast<QTextEdit*>(editor.widget.get())->cursorForPosition(corner)
                               : static_cast<QPlainTextEdit*>(editor.widget.get())->cursorForPosition(corner);
  ASSERT_GT(top.block().blockNumber(), 0);
  const QPoint scrolledDot = dotCentre(editor, top.block().position() + space);
  EXPECT_TRUE(inked(viewport->grab().toImage(), scrolledDot.x(), scrolledDot.y()))
      << scrolledDot.x() << ", " << scrolledDot.y();
  // The overlay never takes the mouse.
  EXPECT_EQ(viewport->childAt(dot), nullptr);
  overlay.setShowsInvisibles(false);
  EXPECT_FALSE(overlay.showsInvisibles());
}

INSTANTIATE_TEST_SUITE_P(Editors, InvisiblesOverlayTest,
                         testing::Combine(testing::Bool(), testing::Values(9.0, 14.0, 28.0)));

TEST(ConnectShowInvisibles, StartsFromAndKeepsTheChoiceInTheDefaults) {
  QPlainTextEdit editor;
  InvisiblesOverlay overlay(editor);
  editor.show();
  for (const bool stored : {false, true}) {
    MemoryDefaults defaults(Dictionary::make({{kShowsInvisiblesDefaultsKey, boolean(stored)}}));
    QAction action;
    connectShowInvisibles(action, overlay, defaults);
    EXPECT_TRUE(action.isCheckable());
    EXPECT_EQ(action.isChecked(), stored);
    EXPECT_EQ(overlay.showsInvisibles(), stored);
    action.trigger();
    EXPECT_EQ(overlay.showsInvisibles(), !stored);
    EXPECT_TRUE(isEqual(defaults.objectForKey(kShowsInvisiblesDefaultsKey), boolean(!stored)));
  }
  MemoryDefaults empty;
  QAction action;
  connectShowInvisibles(action, overlay, empty);
  EXPECT_FALSE(action.isChecked());
  EXPECT_FALSE(overlay.showsInvisibles());
}

}  // namespace
}  // namespace qor
