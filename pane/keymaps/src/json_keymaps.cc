// VS Code's keybindings.json and Sublime's .sublime-keymap: JSON arrays of
// entries. Both editors allow comments and commas before a closing bracket,
// which strict JSON does not: a first pass blanks them out (keeping every
// other byte where it was, so that the parser's line and column stay true)
// and counts nesting and values before the parser builds anything.
#include <algorithm>
#include <string>

#include <nlohmann/json.hpp>

#include "keymap_reading.h"

namespace qor::keymaps {

namespace {

using Json = nlohmann::json;

// JSON as the editors write it, made strict: comments and trailing commas
// become spaces. Result: why the text cannot be read, or nullopt.
std::optional<std::string> strictJson(std::string_view text, std::string& strict) {
  strict.assign(text);
  int depth = 0;
  std::size_t items = 0;
  std::optional<std::size_t> lastComma;  // where a comma waits to see what follows it
  for (std::size_t at = 0; at < strict.size(); ++at) {
    const char c = strict[at];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '/' && at + 1 < strict.size() && (strict[at + 1] == '/' || strict[at + 1] == '*')) {
      const bool line = strict[at + 1] == '/';
      std::size_t end = line ? strict.find('\n', at) : strict.find("*/", at + 2);
      if (end == std::string::npos) {
        if (!line) return "a comment that does not end";
        end = strict.size();
      } else if (!line) {
        end += 2;
      }
      std::replace_if(strict.begin() + static_cast<std::ptrdiff_t>(at), strict.begin() + static_cast<std::ptrdiff_t>(end),
                      [](char k) { return k != '\n'; }, ' ');
      at = end - 1;
      continue;
    }
    if ((c == ']' || c == '}') && lastComma) strict[*lastComma] = ' ';
    lastComma.reset();
    if (c == '"') {  // past the string, escapes and all
      for (++at; at < strict.size() && strict[at] != '"'; ++at)
        if (strict[at] == '\\') ++at;
      continue;
    }
    if (c == '[' || c == '{') {
      if (++depth > kMaxNesting) return "nested deeper than " + std::to_string(kMaxNesting) + " levels";
      ++items;
    } else if (c == ']' || c == '}') {
      --depth;
    } else if (c == ',') {
      lastComma = at;
      ++items;
    }
    if (items > kMaxItems) return tooManyItems();
  }
  return std::nullopt;
}

// The parser's own message of why the text is no JSON, without its prefix
// ("[json.exception.parse_error.101] "); it goes through the parser's SAX
// interface, which reports the error without throwing.
class ErrorMessage : public nlohmann::json_sax<Json> {
 public:
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override {
    message_ = error.what();
    const std::size_t prefix = message_.find("] ");
    if (prefix != std::string::npos) message_.erase(0, prefix + 2);
    return false;
  }
  [[nodiscard]] const std::string& message() const { return message_; }

 private:
  std::string message_ = "not JSON";
};

// The JSON value of `text`, or why there is none.
std::optional<Json> parsedJson(std::string_view text, std::string& why) {
  std::string strict;
  if (std::optional<std::string> refused = strictJson(text, strict)) {
    why = std::move(*refused);
    return std::nullopt;
  }
  Json value = Json::parse(strict, nullptr, /*allow_exceptions=*/false);
  if (!value.is_discarded()) return value;
  ErrorMessage error;
  Json::sax_parse(strict, &error);
  why = error.message();
  return std::nullopt;
}

// The string under `name`; nullopt when it is missing or another type.
std::optional<std::string> stringMember(const Json& entry, const char* name) {
  auto found = entry.find(name);
  if (found == entry.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::string entryProblem(std::size_t index, const char* name, const char* what) {
  return "entry " + std::to_string(index + 1) + ": \"" + name + "\" " + what;
}

// Mac keymaps write "cmd"; nothing else does.
bool writesCmd(std::string_view keyText) {
  std::string lower(keyText);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower.find("cmd") != std::string::npos;
}

// What an entry says, checked, before the platform of the whole file is known.
struct Entry {
  std::string command;
  std::string keyText;
  std::string condition;
};

std::optional<Entry> vscodeEntry(const Json& entry, std::size_t index, std::string& why) {
  std::optional<std::string> key = stringMember(entry, "key");
  std::optional<std::string> command = stringMember(entry, "command");
  std::optional<std::string> when = entry.contains("when") ? stringMember(entry, "when") : std::string();
  if (!key) why = entryProblem(index, "key", "is not a string");
  else if (!command) why = entryProblem(index, "command", "is not a string");
  else if (!when) why = entryProblem(index, "when", "is not a string");
  if (!why.empty()) return std::nullopt;
  return Entry{std::move(*command), std::move(*key), std::move(*when)};
}

// A context condition as text: "key operator operand", what is left out
// taking Sublime's defaults ("equal", true).
std::optional<std::string> sublimeCondition(const Json& condition) {
  if (!condition.is_object()) return std::nullopt;
  std::optional<std::string> key = stringMember(condition, "key");
  if (!key) return std::nullopt;
  std::string text = *key;
  if (condition.contains("operator")) {
    std::optional<std::string> op = stringMember(condition, "operator");
    if (!op) return std::nullopt;
    text += " " + *op;
  }
  if (auto operand = condition.find("operand"); operand != condition.end()) {
    if (operand->is_structured()) return std::nullopt;
    text += " " + operand->dump();
  }
  if (auto all = condition.find("match_all"); all != condition.end()) {
    if (!all->is_boolean()) return std::nullopt;
    if (all->get<bool>()) text += " (all selections)";
  }
  return text;
}

std::optional<Entry> sublimeEntry(const Json& entry, std::size_t index, std::string& why) {
  auto keys = entry.find("keys");
  const bool keysRead = keys != entry.end() && keys->is_array() && !keys->empty() &&
                        std::all_of(keys->begin(), keys->end(), [](const Json& k) { return k.is_string(); });
  if (!keysRead) {
    why = entryProblem(index, "keys", "is not a list of keys");
    return std::nullopt;
  }
  std::optional<std::string> command = stringMember(entry, "command");
  if (!command) {
    why = entryProblem(index, "command", "is not a string");
    return std::nullopt;
  }
  Entry read{std::move(*command), {}, {}};
  for (const Json& key : *keys) read.keyText += (read.keyText.empty() ? "" : " ") + key.get<std::string>();
  if (auto context = entry.find("context"); context != entry.end()) {
    if (!context->is_array()) why = entryProblem(index, "context", "is not a list of conditions");
    for (const Json& condition : context->is_array() ? *context : Json::array()) {
      std::optional<std::string> text = sublimeCondition(condition);
      if (!text) {
        why = entryProblem(index, "context", "holds a condition without a key or with a value of a wrong type");
        break;
      }
      read.condition += (read.condition.empty() ? "" : " && ") + *text;
    }
    if (!why.empty()) return std::nullopt;
  }
  return read;
}

}  // namespace

KeymapReading readJsonKeymap(std::string_view content, KeymapKind kind) {
  std::string why;
  std::optional<Json> root = parsedJson(content, why);
  if (!root) return failure(std::move(why));
  if (!root->is_array()) return failure("the keymap is not a JSON array of entries");

  std::vector<Entry> entries;
  entries.reserve(root->size());
  for (std::size_t index = 0; index < root->size(); ++index) {
    const Json& entry = (*root)[index];
    if (!entry.is_object()) return failure("entry " + std::to_string(index + 1) + " is not an object");
    std::optional<Entry> read = kind == KeymapKind::Sublime ? sublimeEntry(entry, index, why) : vscodeEntry(entry, index, why);
    if (!read) return failure(std::move(why));
    entries.push_back(std::move(*read));
  }

  const bool mac = std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return writesCmd(e.keyText); });
  ForeignKeymap keymap{kind, {}, {}};
  keymap.bindings.reserve(entries.size());
  for (Entry& entry : entries) {
    // VS Code: a command starting with "-" takes the key away from it.
    const bool unbind = kind == KeymapKind::VSCode && entry.command.starts_with('-');
    if (unbind) entry.command.erase(0, 1);
    if (!addBinding(keymap, mac ? KeymapPlatform::Mac : KeymapPlatform::Linux, std::move(entry.command),
                    unbind ? BindingEffect::Unbind : BindingEffect::Bind, std::move(entry.keyText),
                    std::move(entry.condition)))
      return failure(tooManyItems());
  }
  return {std::move(keymap), {}};
}

std::optional<bool> firstJsonEntryHasKeys(std::string_view content) {
  std::string why;
  std::optional<Json> root = parsedJson(content, why);
  if (!root || !root->is_array() || root->empty() || !root->front().is_object()) return std::nullopt;
  if (root->front().contains("keys")) return true;
  if (root->front().contains("key")) return false;
  return std::nullopt;
}

}  // namespace qor::keymaps
