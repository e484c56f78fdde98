/// @file
/// Finding commands by their titles as a person types them: case and accents
/// do not count, and the text may start inside a word ("save" finds "Save
/// As…" and "Autosave"). ICU does the folding.
///
/// Example:
///   qor::TitleSearch search({"Save", "Édition", "Strasse"});
///   search.matching("EDIT");    // {1}
///   search.matching("straße");  // {2}
///
/// Threads: foldForSearch and a built TitleSearch may be used from any thread at once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

/// `text` as the search compares it: compatibility decomposition (NFKD, so the
/// ellipsis "…" reads as "..." and ligatures as their letters), combining
/// marks dropped, full case folding ("ß" -> "ss"), recomposed (NFC). Bytes
/// that are not UTF-8 become U+FFFD. Result: empty for empty text.
///   "Édition…" -> "edition..."
[[nodiscard]] std::string foldForSearch(std::string_view text);

/// The titles of an outline, folded once, searched on every keystroke.
class TitleSearch {
 public:
  explicit TitleSearch(const std::vector<std::string>& titles);

  /// The indices, ascending, of the titles that contain `query` once both are
  /// folded. A query that folds to nothing (empty, or only marks) matches
  /// every title.
  [[nodiscard]] std::vector<std::size_t> matching(std::string_view query) const;

  [[nodiscard]] std::size_t size() const { return folded_.size(); }

 private:
  std::vector<std::string> folded_;
};

}  // namespace qor
