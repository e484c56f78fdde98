// The application-wide event filter behind Application::setSnooper.
//
// While installed it hands every key press, key release and modifier change
// of the application to the snooper (qor/qt/key_events.h gives the codes)
// and lets none of them reach a widget: no menu shortcut fires and no button
// of the capturing dialog reacts. A key event travels through the window
// and then its focus widget, passing the filter each time; the filter hands
// it on once, at the window. A chord that matches a shortcut arrives first as
// a ShortcutOverride, which the filter accepts so that the key is delivered
// as a key press instead of triggering the shortcut.
//
// Example:
//   auto filter = std::make_unique<qor::KeySnooperFilter>(pane);
//   qApp->installEventFilter(filter.get());   // removed when it is destroyed
#pragma once

#include <QObject>

#include "qor/ports/host.h"

namespace qor {

class KeySnooperFilter final : public QObject {
 public:
  // `snooper` must outlive the filter.
  explicit KeySnooperFilter(KeySnooper& snooper) : snooper_(snooper) {}

  [[nodiscard]] KeySnooper& snooper() const { return snooper_; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  KeySnooper& snooper_;
};

}  // namespace qor
