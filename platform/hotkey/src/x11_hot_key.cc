#include "qor/hotkey/x11_hot_key.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace qor {

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

constexpr std::uint8_t kEventTypeMask = 0x7F;  // the top bit marks events sent by clients
// Shift, Lock, Control and Mod1-Mod5 of an event's state; buttons and the group lie above.
constexpr std::uint16_t kKeyModifierBits = 0xFF;
constexpr std::uint32_t kActiveWindowSourcePager = 2;
constexpr std::uint32_t kClientMessageFormat = 32;
constexpr std::uint32_t kSupportedListLength = 4096;

std::optional<X11Keymap> readKeymap(xcb_connection_t* connection) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  auto mappingCookie = xcb_get_keyboard_mapping(connection, setup->min_keycode, count);
  auto modifierCookie = xcb_get_modifier_mapping(connection);
  ReplyPtr<xcb_get_keyboard_mapping_reply_t> mapping(
      xcb_get_keyboard_mapping_reply(connection, mappingCookie, nullptr), &std::free);
  ReplyPtr<xcb_get_modifier_mapping_reply_t> modifiers(
      xcb_get_modifier_mapping_reply(connection, modifierCookie, nullptr), &std::free);
  if (!mapping || !modifiers) return std::nullopt;
  const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
  const xcb_keycode_t* modifierKeys = xcb_get_modifier_mapping_keycodes(modifiers.get());
  X11Keymap keymap;
  keymap.firstKeycode = setup->min_keycode;
  keymap.keysymsPerKeycode = mapping->keysyms_per_keycode;
  keymap.keysyms.assign(symbols, symbols + xcb_get_keyboard_mapping_keysyms_length(mapping.get()));
  keymap.keycodesPerModifier = modifiers->keycodes_per_modifier;
  keymap.modifierKeycodes.assign(modifierKeys, modifierKeys + xcb_get_modifier_mapping_keycodes_length(modifiers.get()));
  return keymap;
}

xcb_atom_t atomNamed(xcb_connection_t* connection, const std::string& name) {
  ReplyPtr<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(connection,
                            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
                            nullptr),
      &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// Whether the window manager lists `atom` in the root's _NET_SUPPORTED.
bool managerSupports(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t atom) {
  const xcb_atom_t supported = atomNamed(connection, "_NET_SUPPORTED");
  if (supported == XCB_ATOM_NONE || atom == XCB_ATOM_NONE) return false;
  ReplyPtr<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(connection,
                             xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, kSupportedListLength),
                             nullptr),
      &std::free);
  if (!reply || reply->format != kClientMessageFormat) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / static_cast<int>(sizeof(xcb_atom_t));
  for (int index = 0; index < count; ++index)
    if (atoms[index] == atom) return true;
  return false;
}

}  // namespace

X11HotKey::X11HotKey(xcb_connection_t* connection) : connection_(connection) {
  if (connection_) root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
}

X11HotKey::~X11HotKey() { release(); }

GrabOutcome X11HotKey::grab(const HotKeyStroke& stroke) {
  release();
  std::optional<X11Keymap> keymap = connection_ ? readKeymap(connection_) : std::nullopt;
  if (!keymap) return GrabOutcome::NoKey;
  const X11ModifierBits bits = keymap->modifierBits();
  const std::uint16_t modifiers = x11Modifiers(stroke.modifiers, bits);
  std::vector<std::uint8_t> keycodes = keymap->keycodesOf(keysymOfKey(stroke.key));
  if (keycodes.empty() || modifiers == kNoModifierBit) return GrabOutcome::NoKey;
  // Every request in flight, then every answer: one round trip in all.
  const std::vector<std::uint16_t> locks = lockCombinations(bits.numLock);
  std::vector<xcb_void_cookie_t> cookies;
  for (std::uint8_t keycode : keycodes)
    for (std::uint16_t lock : locks)
      cookies.push_back(xcb_grab_key_checked(connection_, 1, root_, static_cast<std::uint16_t>(modifiers | lock),
                                             keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  bool refused = false;
  for (xcb_void_cookie_t cookie : cookies) {
    ReplyPtr<xcb_generic_error_t> error(xcb_request_check(connection_, cookie), &std::free);
    refused = refused || error != nullptr;
  }
  keycodes_ = std::move(keycodes);
  modifiers_ = modifiers;
  locks_ = locks;
  if (!refused) return GrabOutcome::Grabbed;
  // The combinations that did go through are ours: none stays.
  release();
  return GrabOutcome::Refused;
}

void X11HotKey::release() {
  if (!connection_ || keycodes_.empty()) return;
  for (std::uint8_t keycode : keycodes_)
    for (std::uint16_t lock : locks_)
      xcb_ungrab_key(connection_, keycode, root_, static_cast<std::uint16_t>(modifiers_ | lock));
  xcb_flush(connection_);
  keycodes_.clear();
}

std::optional<std::uint32_t> X11HotKey::pressTime(const void* event) const {
  const auto* generic = static_cast<const xcb_generic_event_t*>(event);
  if (!generic || keycodes_.empty() || (generic->response_type & kEventTypeMask) != XCB_KEY_PRESS) return std::nullopt;
  const auto* press = static_cast<const xcb_key_press_event_t*>(event);
  bool known = false;
  for (std::uint8_t keycode : keycodes_) known = known || keycode == press->detail;
  if (!known) return std::nullopt;
  for (std::uint16_t lock : locks_)
    if ((press->state & kKeyModifierBits) == (modifiers_ | lock)) return press->time;
  return std::nullopt;
}

void X11HotKey::activate(std::uint32_t window, std::uint32_t time) {
  if (!connection_) return;
  const std::uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  const xcb_atom_t activeWindow = atomNamed(connection_, "_NET_ACTIVE_WINDOW");
  if (managerSupports(connection_, root_, activeWindow)) {
    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = kClientMessageFormat;
    message.window = window;
    message.type = activeWindow;
    message.data.data32[0] = kActiveWindowSourcePager;
    message.data.data32[1] = time;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
  } else {
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window, time);
  }
  xcb_flush(connection_);
}

}  // namespace qor
