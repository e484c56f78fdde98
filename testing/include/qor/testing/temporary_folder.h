// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes; and whole files read and written as text.
#pragma once

#include <set>
#include <string>

namespace qor::fixtures {

class TemporaryFolder {
 public:
  // Fails the running test when no folder can be made; path() is then empty.
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes `text` to `name` inside the folder, making the folders on the way.
  void write(const std::string& name, const std::string& text) const;

  // Names of the entries directly in the folder, or in `folder`.
  [[nodiscard]] std::set<std::string> entries() const { return entriesOf(path_); }
  [[nodiscard]] static std::set<std::string> entriesOf(const std::string& folder);

 private:
  std::string path_;
};

void writeText(const std::string& path, const std::string& text);
// The file's bytes; empty when it cannot be read.
std::string readText(const std::string& path);

}  // namespace qor::fixtures
