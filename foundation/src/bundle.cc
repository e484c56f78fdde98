#include "qor/bundle.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "qor/file_system.h"

namespace qor {

namespace {

constexpr const char* kFallbackLanguage = "en";
constexpr const char* kLocaleFolder = "locale";
constexpr const char* kTableExtension = ".po";

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return reachesSystemWhole(path) && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A language name becomes part of a path: letters, digits, '_' and '-' only.
bool isLanguageName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
  });
}

// "de_DE.UTF-8@euro" -> {"de_DE", "de"}; "C" and "POSIX" name no language.
void addLanguage(std::vector<std::string>& list, std::string name) {
  auto cut = name.find_first_of(".@");
  if (cut != std::string::npos) name.resize(cut);
  if (name == "C" || name == "POSIX" || !isLanguageName(name)) return;
  auto add = [&](std::string language) {
    if (std::find(list.begin(), list.end(), language) == list.end()) list.push_back(std::move(language));
  };
  add(name);
  auto underscore = name.find('_');
  if (underscore != std::string::npos) add(name.substr(0, underscore));
}

// The first of the variables that is set decides; a value that names no
// language ("C") leaves only the fallback.
std::vector<std::string> environmentLanguages() {
  std::vector<std::string> list;
  if (const char* language = std::getenv("LANGUAGE"); language && *language) {
    // A colon-separated priority list, as gettext reads it.
    std::string_view rest = language;
    while (!rest.empty()) {
      auto colon = rest.find(':');
      addLanguage(list, std::string(rest.substr(0, colon)));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  } else {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      if (const char* value = std::getenv(variable); value && *value) {
        addLanguage(list, value);
        break;
      }
    }
  }
  if (std::find(list.begin(), list.end(), kFallbackLanguage) == list.end()) list.push_back(kFallbackLanguage);
  return list;
}

// Decodes a PO string literal's contents (between the quotes): the C
// escapes, octal ones included.
std::string unescape(std::string_view text) {
  constexpr int kMaximumOctalDigits = 3;
  constexpr int kOctalBase = 8;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    char e = text[++i];
    switch (e) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'a': out += '\a'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'v': out += '\v'; break;
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case '\'': out += '\''; break;
      case '?': out += '?'; break;
      case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
        unsigned code = 0;
        int digits = 0;
        for (; digits < kMaximumOctalDigits && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits, ++i)
          code = code * kOctalBase + static_cast<unsigned>(text[i] - '0');
        --i;
        out += static_cast<char>(code);
        break;
      }
      default: out += '\\'; out += e; break;
    }
  }
  return out;
}

// The contents of the quoted literal on `line` starting at `from`, or
// nullopt when there is none.
std::optional<std::string> literal(std::string_view line, std::size_t from) {
  auto open = line.find('"', from);
  auto close = line.rfind('"');
  if (open == std::string_view::npos || close == open) return std::nullopt;
  return unescape(line.substr(open + 1, close - open - 1));
}

// True for a flags comment ("#, fuzzy, c-format") that holds `flag`.
bool hasFlag(std::string_view comment, std::string_view flag) {
  if (comment.substr(0, 2) != "#,") return false;
  std::string_view rest = comment.substr(2);
  while (!rest.empty()) {
    auto comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    auto first = item.find_first_not_of(" \t");
    auto last = item.find_last_not_of(" \t");
    if (first != std::string_view::npos && item.substr(first, last - first + 1) == flag) return true;
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return false;
}

}  // namespace

std::map<std::string, std::string> parsePoText(const std::string& text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  std::map<std::string, std::string> table;
  // The entry being read: its fields so far and whether it is to be left out
  // (context, plural or fuzzy). An entry ends where the next one's first
  // line (a flags comment, msgctxt or msgid) follows its msgstr.
  enum class Field { None, Id, Str, Skipped };
  struct Entry {
    std::string id, translation;
    Field field = Field::None;
    bool sawTranslation = false;
    bool skip = false;
  } entry;
  auto finish = [&] {
    if (!entry.skip && !entry.id.empty() && !entry.translation.empty()) table[entry.id] = entry.translation;
    entry = Entry{};
  };
  auto startEntry = [&] {
    if (entry.sawTranslation) finish();
  };
  std::string_view rest = text;
  if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) rest.remove_prefix(kByteOrderMark.size());
  while (!rest.empty()) {
    auto newline = rest.find('\n');
    std::string_view line = rest.substr(0, newline);
    rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    line.remove_prefix(first);
    auto starts = [&](std::string_view word) {
      return line.substr(0, word.size()) == word &&
             (line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t' ||
              line[word.size()] == '"');
    };
    if (line.front() == '#') {
      // msgfmt leaves fuzzy entries out: they are guesses awaiting review.
      if (hasFlag(line, "fuzzy")) {
        startEntry();
        entry.skip = true;
      }
    } else if (line.front() == '"') {
      auto part = literal(line, 0);
      if (!part) continue;
      if (entry.field == Field::Id) entry.id += *part;
      if (entry.field == Field::Str) entry.translation += *part;
    } else if (starts("msgctxt")) {
      startEntry();
      entry.skip = true;
      entry.field = Field::Skipped;
    } else if (starts("msgid_plural")) {
      entry.skip = true;
      entry.field = Field::Skipped;
    } else if (starts("msgid")) {
      startEntry();
      entry.field = Field::Id;
      entry.id = literal(line, 0).value_or("");
    } else if (starts("msgstr")) {
      entry.field = Field::Str;
      entry.sawTranslation = true;
      entry.translation = literal(line, 0).value_or("");
    } else if (line.substr(0, 7) == "msgstr[") {
      entry.skip = true;
      entry.sawTranslation = true;
      entry.field = Field::Skipped;
    }
  }
  finish();
  return table;
}

Bundle::Bundle(std::string path, std::optional<std::vector<std::string>> languages)
    : path_(std::move(path)), languages_(languages ? std::move(*languages) : environmentLanguages()) {}

std::optional<std::string> Bundle::pathForResource(const std::string& name) const {
  if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
  std::string full = path_ + "/" + name;
  if (!isRegularFile(full)) return std::nullopt;
  return full;
}

const std::map<std::string, std::string>& Bundle::table(const std::string& name) const {
  auto cached = tables_.find(name);
  if (cached != tables_.end()) return cached->second;
  std::map<std::string, std::string> merged;
  // Earlier languages win; later ones fill what they lack.
  for (const auto& language : languages_) {
    auto bytes = readFile(path_ + "/" + kLocaleFolder + "/" + language + "/" + name + kTableExtension);
    if (!bytes) continue;
    for (auto& [key, value] : parsePoText(std::string(bytes->begin(), bytes->end()))) merged.emplace(key, value);
  }
  return tables_.emplace(name, std::move(merged)).first->second;
}

std::string Bundle::localizedStringForKeyValueTable(const std::string& key, const std::string& value,
                                                    const std::string& tableName) const {
  if (tableName.empty() || tableName.find('/') != std::string::npos) return value.empty() ? key : value;
  const auto& entries = table(tableName);
  auto found = entries.find(key);
  if (found != entries.end()) return found->second;
  return value.empty() ? key : value;
}

namespace {

std::mutex& mainBundleMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<const Bundle>& mainBundleSlot() {
  static std::shared_ptr<const Bundle> bundle =
      std::make_shared<const Bundle>("/nonexistent-main-bundle", std::vector<std::string>{kFallbackLanguage});
  return bundle;
}

}  // namespace

std::shared_ptr<const Bundle> mainBundle() {
  std::lock_guard lock(mainBundleMutex());
  return mainBundleSlot();
}

void setMainBundle(std::shared_ptr<const Bundle> bundle) {
  if (!bundle) return;
  std::lock_guard lock(mainBundleMutex());
  mainBundleSlot() = std::move(bundle);
}

}  // namespace qor
