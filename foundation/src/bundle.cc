#include "qor/bundle.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

namespace qor {

namespace {

constexpr const char* kFallbackLanguage = "en";
constexpr const char* kLocaleFolder = "locale";
constexpr const char* kTableExtension = ".po";

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// "de_DE.UTF-8@euro" -> {"de_DE", "de"}; "C" and "POSIX" name no language.
void addLanguage(std::vector<std::string>& list, std::string name) {
  auto cut = name.find_first_of(".@");
  if (cut != std::string::npos) name.resize(cut);
  if (name.empty() || name == "C" || name == "POSIX") return;
  list.push_back(name);
  auto underscore = name.find('_');
  if (underscore != std::string::npos) list.push_back(name.substr(0, underscore));
}

std::vector<std::string> environmentLanguages() {
  std::vector<std::string> list;
  // LANGUAGE is a colon-separated priority list, as gettext reads it.
  if (const char* language = std::getenv("LANGUAGE"); language && *language) {
    std::stringstream parts(language);
    std::string part;
    while (std::getline(parts, part, ':')) addLanguage(list, part);
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(variable); value && *value) {
      addLanguage(list, value);
      break;
    }
  }
  list.push_back(kFallbackLanguage);
  return list;
}

// Decodes a PO string literal's contents (between the quotes).
std::string unescape(std::string_view text) {
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
      default: out += '\\'; out += e; break;
    }
  }
  return out;
}

// The contents of the quoted literal on `line` starting at `from`, or
// nullopt when there is none.
std::optional<std::string> literal(const std::string& line, std::size_t from) {
  auto open = line.find('"', from);
  auto close = line.rfind('"');
  if (open == std::string::npos || close == open) return std::nullopt;
  return unescape(std::string_view(line).substr(open + 1, close - open - 1));
}

}  // namespace

std::map<std::string, std::string> parsePoText(const std::string& text) {
  std::map<std::string, std::string> table;
  enum class Field { None, Id, Str, Skipped };
  Field field = Field::None;
  std::string id, translation;
  bool skipEntry = false;
  bool contextPending = false;
  auto finish = [&] {
    if (field != Field::None && !skipEntry && !id.empty() && !translation.empty()) table[id] = translation;
    id.clear();
    translation.clear();
    skipEntry = false;
    field = Field::None;
  };
  std::stringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::string_view rest = std::string_view(line).substr(first);
    auto starts = [&](std::string_view word) {
      return rest.substr(0, word.size()) == word &&
             (rest.size() == word.size() || rest[word.size()] == ' ' || rest[word.size()] == '\t' ||
              rest[word.size()] == '"');
    };
    if (rest.front() == '"') {
      auto part = literal(line, first);
      if (!part) continue;
      if (field == Field::Id) id += *part;
      if (field == Field::Str) translation += *part;
    } else if (starts("msgctxt")) {
      finish();
      contextPending = true;
      field = Field::Skipped;
    } else if (starts("msgid_plural")) {
      skipEntry = true;
      field = Field::Skipped;
    } else if (starts("msgid")) {
      if (!contextPending) finish();
      skipEntry = contextPending;
      contextPending = false;
      field = Field::Id;
      id = literal(line, first).value_or("");
    } else if (starts("msgstr")) {
      field = Field::Str;
      translation = literal(line, first).value_or("");
    } else if (rest.substr(0, 7) == "msgstr[") {
      skipEntry = true;
      field = Field::Skipped;
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
    std::ifstream file(path_ + "/" + kLocaleFolder + "/" + language + "/" + name + kTableExtension,
                       std::ios::binary);
    if (!file) continue;
    std::stringstream contents;
    contents << file.rdbuf();
    for (auto& [key, value] : parsePoText(contents.str())) merged.emplace(key, value);
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
