// Answers the modal dialogs the code under test opens (it is then inside
// their exec()), as a person would, for the GUI tests.
#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>

namespace qor::fixtures {

enum class Answering { FirstDialog, EveryDialog };

// While alive, runs `answer` on the next modal dialog of class T that the
// application shows, or on each of them.
template <class T>
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(T&)> answer, Answering answering = Answering::FirstDialog)
      : answer_(std::move(answer)) {
    QObject::connect(&timer_, &QTimer::timeout, [this, answering] {
      auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
      if (!modal || !modal->isVisible()) return;
      if (answering == Answering::FirstDialog) timer_.stop();
      answer_(*modal);
    });
    timer_.start(kPollMs);
  }

 private:
  static constexpr int kPollMs = 10;
  std::function<void(T&)> answer_;
  QTimer timer_;
};

}  // namespace qor::fixtures
