#include "qor/hotkey/portal_hot_key.h"

#include <gio/gio.h>

#include "qor/log.h"

namespace qor {

namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
constexpr const char* kSessionInterface = "org.freedesktop.portal.Session";
constexpr const char* kRequestPathPrefix = "/org/freedesktop/portal/desktop/request/";
constexpr const char* kTokenPrefix = "qor_hotkey_";
constexpr const char* kShortcutId = "bring-to-front";
// A portal that answers at all answers its property at once; D-Bus activation
// of the portal service may take a moment.
constexpr gint kVersionTimeoutMs = 3000;
constexpr guint32 kResponseSuccess = 0;

struct ErrorPtr {
  GError* error = nullptr;
  ~ErrorPtr() { g_clear_error(&error); }
  [[nodiscard]] std::string message() const { return error ? error->message : ""; }
};

}  // namespace

struct PortalHotKey::Impl {
  GDBusConnection* bus = nullptr;
  std::function<void()> activated;
  guint activatedSubscription = 0;
  guint responseSubscription = 0;
  std::string sessionHandle;
  std::string trigger;
  std::string description;
  unsigned tokens = 0;

  ~Impl() {
    closeSession();
    if (activatedSubscription) g_dbus_connection_signal_unsubscribe(bus, activatedSubscription);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
  }

  // The path of the Request object the portal makes for `token`: the
  // caller's unique name without ':' and with '_' for '.'.
  [[nodiscard]] std::string requestPath(const std::string& token) const {
    std::string sender = g_dbus_connection_get_unique_name(bus);
    if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
    for (char& c : sender)
      if (c == '.') c = '_';
    return kRequestPathPrefix + sender + "/" + token;
  }

  void closeSession() {
    if (responseSubscription) g_dbus_connection_signal_unsubscribe(bus, responseSubscription);
    responseSubscription = 0;
    if (sessionHandle.empty()) return;
    g_dbus_connection_call(bus, kPortalName, sessionHandle.c_str(), kSessionInterface, "Close", nullptr, nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
    sessionHandle.clear();
  }

  void createSession() {
    const std::string number = std::to_string(++tokens);
    const std::string handleToken = kTokenPrefix + number;
    // Subscribed before the call: the Response may come before the call's reply.
    responseSubscription = g_dbus_connection_signal_subscribe(
        bus, kPortalName, kRequestInterface, "Response", requestPath(handleToken).c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        &Impl::onSessionResponse, this, nullptr);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(handleToken.c_str()));
    g_variant_builder_add(&options, "{sv}", "session_handle_token",
                          g_variant_new_string((std::string(kTokenPrefix) + "session_" + number).c_str()));
    g_dbus_connection_call(bus, kPortalName, kPortalPath, kShortcutsInterface, "CreateSession",
                           g_variant_new("(a{sv})", &options), G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1,
                           nullptr, &Impl::onCallDone, nullptr);
  }

  void bindShortcut() {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&properties, "{sv}", "description", g_variant_new_string(description.c_str()));
    g_variant_builder_add(&properties, "{sv}", "preferred_trigger", g_variant_new_string(trigger.c_str()));
    GVariantBuilder shortcuts;
    g_variant_builder_init(&shortcuts, G_VARIANT_TYPE("a(sa{sv})"));
    g_variant_builder_add(&shortcuts, "(sa{sv})", kShortcutId, &properties);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string((kTokenPrefix + std::string("bind_") + std::to_string(tokens)).c_str()));
    g_dbus_connection_call(bus, kPortalName, kPortalPath, kShortcutsInterface, "BindShortcuts",
                           g_variant_new("(oa(sa{sv})sa{sv})", sessionHandle.c_str(), &shortcuts, "", &options),
                           G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &Impl::onCallDone, nullptr);
  }

  static void onCallDone(GObject* source, GAsyncResult* result, gpointer /*unused*/) {
    ErrorPtr error;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error.error);
    if (reply) {
      g_variant_unref(reply);
      return;
    }
    logLine("*** qor-editor: the GlobalShortcuts portal refused a call: " + error.message());
  }

  static void onSessionResponse(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
                                const gchar* /*interface*/, const gchar* /*signal*/, GVariant* parameters,
                                gpointer data) {
    auto& self = *static_cast<Impl*>(data);
    g_dbus_connection_signal_unsubscribe(self.bus, self.responseSubscription);
    self.responseSubscription = 0;
    guint32 response = 0;
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &response, &results);
    GVariant* handle = g_variant_lookup_value(results, "session_handle", nullptr);
    const bool isText = handle && (g_variant_is_of_type(handle, G_VARIANT_TYPE_STRING) ||
                                   g_variant_is_of_type(handle, G_VARIANT_TYPE_OBJECT_PATH));
    if (response == kResponseSuccess && isText) {
      self.sessionHandle = g_variant_get_string(handle, nullptr);
      self.bindShortcut();
    } else {
      logLine("*** qor-editor: the GlobalShortcuts portal opened no session (response " + std::to_string(response) + ")");
    }
    if (handle) g_variant_unref(handle);
    g_variant_unref(results);
  }

  static void onActivated(GDBusConnection* /*bus*/, const gchar* /*sender*/, const gchar* /*path*/,
                          const gchar* /*interface*/, const gchar* /*signal*/, GVariant* parameters, gpointer data) {
    auto& self = *static_cast<Impl*>(data);
    const gchar* session = nullptr;
    const gchar* id = nullptr;
    g_variant_get(parameters, "(&o&sta{sv})", &session, &id, nullptr, nullptr);
    if (session && id && self.sessionHandle == session && std::string(id) == kShortcutId && self.activated)
      self.activated();
  }
};

PortalHotKey::PortalHotKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PortalHotKey::~PortalHotKey() = default;

std::unique_ptr<PortalHotKey> PortalHotKey::connect(std::function<void()> activated) {
  ErrorPtr error;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error.error);
  if (!bus) return nullptr;
  GVariant* version = g_dbus_connection_call_sync(
      bus, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kShortcutsInterface, "version"), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
      kVersionTimeoutMs, nullptr, &error.error);
  if (!version) {
    g_object_unref(bus);
    return nullptr;
  }
  g_variant_unref(version);
  auto impl = std::make_unique<Impl>();
  impl->bus = bus;
  impl->activated = std::move(activated);
  impl->activatedSubscription =
      g_dbus_connection_signal_subscribe(bus, kPortalName, kShortcutsInterface, "Activated", kPortalPath, nullptr,
                                         G_DBUS_SIGNAL_FLAGS_NONE, &Impl::onActivated, impl.get(), nullptr);
  return std::make_unique<PortalHotKey>(std::move(impl));
}

void PortalHotKey::bind(const std::string& trigger, const std::string& description) {
  impl_->closeSession();
  impl_->trigger = trigger;
  impl_->description = description;
  if (!trigger.empty()) impl_->createSession();
}

}  // namespace qor
