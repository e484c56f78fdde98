#include "hot_key.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include "qor/hot_key_line.h"
#include "qor/log.h"

namespace qor {

namespace {

constexpr const char* kXcbEventType = "xcb_generic_event_t";

xcb_connection_t* x11Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

HotKey::HotKey(QWidget& window, std::function<void()> bringToFront)
    : window_(window), bringToFront_(std::move(bringToFront)) {
  if (xcb_connection_t* connection = x11Connection()) x11_ = std::make_unique<X11HotKey>(connection);
  // The portal's activation carries no X server time: the current time it is.
  portal_ = PortalHotKey::connect([this] { activate(XCB_CURRENT_TIME); });
  if (!portal_ && x11_) qApp->installNativeEventFilter(this);
}

HotKey::~HotKey() { qApp->removeNativeEventFilter(this); }

void HotKey::activate(std::uint32_t time) {
  bringToFront_();
  // Qt activates with the time of the last event it saw, which a focus
  // change in another program may follow: the press's own time wins.
  if (x11_) x11_->activate(static_cast<std::uint32_t>(window_.winId()), time);
}

void HotKey::apply(const std::vector<KeyChord>& chords, const std::string& title) {
  if (applied_ == chords) return;
  applied_ = chords;
  if (x11_) x11_->release();
  const bool oneStroke = chords.size() == 1;
  const HotKeyStroke stroke = oneStroke ? HotKeyStroke{chords.front().key, chords.front().modifiers} : HotKeyStroke{};
  if (chords.empty()) {
    reach_ = HotKeyReach::Everywhere;
  } else if (!oneStroke) {
    reach_ = HotKeyReach::TwoStrokes;
  } else if (portal_) {
    reach_ = portalTrigger(stroke).empty() ? HotKeyReach::NoKey : HotKeyReach::Everywhere;
  } else if (x11_) {
    const GrabOutcome outcome = x11_->grab(stroke);
    reach_ = outcome == GrabOutcome::Grabbed   ? HotKeyReach::Everywhere
             : outcome == GrabOutcome::Refused ? HotKeyReach::GrabRefused
                                               : HotKeyReach::NoKey;
  } else {
    reach_ = HotKeyReach::NoPortal;
  }
  // An empty trigger closes the portal's session: nothing stays bound.
  if (portal_) portal_->bind(oneStroke ? portalTrigger(stroke) : std::string(), title);
  if (reach_ != HotKeyReach::Everywhere && logged_.insert(reach_).second) logLine("qor-editor: " + hotKeyReachLine(reach_));
}

bool HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) {
  if (!x11_ || eventType != kXcbEventType) return false;
  std::optional<std::uint32_t> time = x11_->pressTime(message);
  if (!time) return false;
  activate(*time);
  return true;
}

}  // namespace qor
