#include "qor/qt/key_snooper.h"

#include <QKeyEvent>
#include <QWindow>

#include "qor/qt/key_events.h"

namespace qor {

bool KeySnooperFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      event->accept();
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      break;
    default:
      return false;
  }
  if (watched->isWindowType()) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    auto snooped = snoopedKeyEventOf(*key);
    if (snooped)
      snooper_.keyEventWithTypeStringKeyCodeModifiers(snooped->type, snooped->characters, snooped->keyCode,
                                                      snooped->modifiers);
  }
  return true;
}

}  // namespace qor
