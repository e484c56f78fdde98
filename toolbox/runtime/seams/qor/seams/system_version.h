// A seam for the release text getOSVersion (qor/runtime.h) reads, so that
// tests can pretend to run on another system; not installed, not exported:
// the tests link the static parts.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace qor {

// Where getOSVersion reads the running system's release text.
class SystemVersionSource {
 public:
  virtual ~SystemVersionSource() = default;
  // The release text ("6.1.0-18-amd64"), or nullopt when the platform cannot
  // tell.
  [[nodiscard]] virtual std::optional<std::string> releaseText() const = 0;
  // The kernel release from uname(2).
  static const SystemVersionSource& real();
};

// Replaces the source of getOSVersion process-wide; null restores the real
// one.
void setSystemVersionSource(std::shared_ptr<const SystemVersionSource> source);

}  // namespace qor
