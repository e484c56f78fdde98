// The key snooper's event filter on the offscreen platform: key events go
// through the window, as the window system delivers them.
#include "qor/qt/key_snooper.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "qor/key_masks.h"
#include "qor/testing/recorders.h"

namespace qor {
namespace {

using fixtures::RecordingSnooper;
using fixtures::SnoopedKey;

class Snooping : public testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window_);
    layout->addWidget(&edit_);
    layout->addWidget(&button_);
    button_.setDefault(true);
    QObject::connect(&button_, &QPushButton::clicked, [this] { ++buttonClicks_; });
    save_.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QObject::connect(&save_, &QAction::triggered, [this] { ++saves_; });
    window_.addAction(&save_);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    edit_.setFocus();
  }
  QWindow* handle() { return window_.windowHandle(); }

  QDialog window_;
  QLineEdit edit_;
  QPushButton button_{"OK"};
  QAction save_;
  int saves_ = 0;
  int buttonClicks_ = 0;
  RecordingSnooper snooper_;
};

TEST_F(Snooping, EveryKeyGoesToTheSnooperOnceAndNowhereElse) {
  QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(saves_, 1) << "the shortcut works without a snooper";
  {
    KeySnooperFilter filter(snooper_);
    qApp->installEventFilter(&filter);
    // With a modifier, QTest presses and releases its key around the click.
    QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(handle(), Qt::Key_A);
    QTest::keyClick(handle(), Qt::Key_Return);
    QTest::keyClick(handle(), Qt::Key_Escape);
  }
  EXPECT_EQ(saves_, 1) << "the menu shortcut never fired";
  EXPECT_EQ(buttonClicks_, 0) << "Return did not reach the default button";
  EXPECT_TRUE(edit_.text().isEmpty());
  EXPECT_TRUE(window_.isVisible()) << "Escape did not close the dialog";
  const std::vector<SnoopedKey> expected = {
      {12, "", 0, kCommandKeyMask},  {10, "s", 0, kCommandKeyMask}, {11, "s", 0, kCommandKeyMask},
      {12, "", 0, 0},                {10, "a", 0, 0},                {11, "a", 0, 0},
      {10, "\r", 0, 0},              {11, "\r", 0, 0},               {10, "\x1b", 0, 0},
      {11, "\x1b", 0, 0}};
  EXPECT_EQ(snooper_.keys, expected);

  // Gone with its filter: keys reach the window again.
  QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(handle(), Qt::Key_B);
  EXPECT_EQ(saves_, 2);
  EXPECT_EQ(edit_.text(), "b");
}

}  // namespace
}  // namespace qor
