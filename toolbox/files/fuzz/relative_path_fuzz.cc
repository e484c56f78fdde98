// libFuzzer target for relative paths and tidied paths. The input is two
// paths, an item's and its document's, separated by a NUL byte (only the
// first path when there is none).
//
// Tidying must be idempotent and never leave "." (but the "./" that keeps a
// first folder named "~" from reading as the home folder) or empty
// components, nor ".." in an absolute path. For an item and a document (a file, not the
// root) given as tidy absolute paths, the relative path a record stores must
// lead back to the item when a reader joins it to the document's folder and
// tidies it, as the resolver does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "qor/resource_location.h"

namespace {

constexpr std::string_view kHome = "/home/u";

[[noreturn]] void fail(std::string_view what, const std::string& a, const std::string& b) {
  std::fprintf(stderr, "%.*s: '%s' '%s'\n", static_cast<int>(what.size()), what.data(), a.c_str(), b.c_str());
  std::abort();
}

std::string tidy(std::string_view path) { return qor::stringByStandardizingPath(path, kHome); }

void checkTidy(std::string_view path) {
  const std::string once = tidy(path);
  if (path.empty() != once.empty()) fail("tidy emptiness", std::string(path), once);
  if (tidy(once) != once) fail("tidy twice", std::string(path), once);
  if (once == ".") return;
  // A leading "./" only protects a folder named "~" from expansion.
  const std::string_view kept = once.starts_with("./~") ? std::string_view(once).substr(2) : once;
  for (const std::string& component : qor::pathComponents(kept)) {
    if (component == "." || component.empty()) fail("tidy component", std::string(path), once);
    if (component == ".." && once.front() == '/') fail("tidy climbs above the root", std::string(path), once);
  }
}

bool isTidyAbsolute(const std::string& path) { return !path.empty() && path.front() == '/' && tidy(path) == path; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string item(input.substr(0, split));
  const std::string base(split == std::string_view::npos ? std::string_view() : input.substr(split + 1));
  checkTidy(item);
  checkTidy(base);

  const std::string relative = qor::relativePathWithPathAndBasePath(item, base);
  if (!isTidyAbsolute(item) || !isTidyAbsolute(base) || base == "/") return 0;
  if (relative.empty()) fail("no relative path", item, base);
  const std::string found = tidy(qor::stringByDeletingLastPathComponent(base) + "/" + relative);
  if (found != item) fail("relative path " + relative + " leads to " + found, item, base);
  return 0;
}
