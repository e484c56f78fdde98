#include "qor/url.h"

#include <glib.h>

#include <memory>

#include "qor/file_system.h"

namespace qor {

namespace {

struct GFreeDeleter {
  void operator()(gchar* text) const { g_free(text); }
};
using GString = std::unique_ptr<gchar, GFreeDeleter>;

constexpr std::string_view kLocalHost = "localhost";

}  // namespace

UrlRef Url::fileURLWithPath(std::string_view path) {
  if (path.empty() || path.front() != '/' || !reachesSystemWhole(path)) return nullptr;
  const std::string text(path);
  GString uri(g_filename_to_uri(text.c_str(), nullptr, nullptr));
  if (!uri) return nullptr;
  return make(uri.get());
}

std::optional<std::string> Url::path() const {
  if (!reachesSystemWhole(text_)) return std::nullopt;
  gchar* host = nullptr;
  GString decoded(g_filename_from_uri(text_.c_str(), &host, nullptr));
  GString ownedHost(host);
  if (!decoded) return std::nullopt;
  if (host && kLocalHost != host) return std::nullopt;
  return std::string(decoded.get());
}

UrlRef asUrl(const Ref& value) {
  if (!value || value->kind() != Kind::Url) return nullptr;
  return std::static_pointer_cast<Url>(value);
}

}  // namespace qor
