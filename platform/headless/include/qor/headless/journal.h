// The journal of a headless host: one short line per call that changed
// headless state, in call order, so tests can assert what the code under
// test did ("PUB_sets addItemWithTitle ''", "beep", "endSheet WIN_set_name 1").
//
// Only calls through the ports are journaled; what a test does through the
// headless classes' own helpers (selecting a row, typing into a field,
// advancing the clock) is not, so the journal shows only reactions.
//
// Line forms: "<object name> <call> <arguments>" for widgets (an unnamed
// widget shows as "(unnamed)"), "<call> <arguments>" for the toolkit, the
// application and the panel. Texts are put in single quotes, unescaped;
// a refused call ends with " refused".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qor {

class Journal {
 public:
  void record(std::string line) { lines_.push_back(std::move(line)); }
  [[nodiscard]] const std::vector<std::string>& lines() const { return lines_; }
  void clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

// `text` in single quotes: quoted("") -> "''".
[[nodiscard]] inline std::string quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

}  // namespace qor
