#include "qor/bundle.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

using fixtures::TemporaryFolder;
using fixtures::readText;
using fixtures::writeText;
using Table = std::map<std::string, std::string>;

// A translator's file with every kind of entry the parser meets.
constexpr const char* kGermanPo = R"po(# German texts of the pane.
#. An extracted comment
#: src/pane.cc:12
#, fuzzy
msgid ""
msgstr ""
"Project-Id-Version: test\n"
"Content-Type: text/plain; charset=UTF-8\n"
"Plural-Forms: nplurals=2; plural=(n != 1);\n"

msgid "Key Bindings"
msgstr "Tastaturbelegung"

#, c-format
msgid "Remove '%@'"
msgstr "„%@“ entfernen"

msgid ""
"To customize shortcuts, "
"duplicate an existing key bindings set."
msgstr ""
"Um Kurzbefehle anzupassen, "
"duplizieren Sie eine Belegung."

msgid "Tab\there \"quoted\" back\\slash\nnew line \101"
msgstr "Tab\tda \"zitiert\" Rück\\strich\nneue Zeile \102"

msgctxt "menu"
msgid "Open"
msgstr "Öffnen (Menü)"

msgid "Open"
msgstr "Öffnen"

msgid "file"
msgid_plural "files"
msgstr[0] "Datei"
msgstr[1] "Dateien"

msgid "Untranslated"
msgstr ""

#, fuzzy, c-format
msgid "Add Shortcut..."
msgstr "Kurzbefehl entfernen..."

#~ msgid "Obsolete"
#~ msgstr "Veraltet"

msgid "Last"
msgstr "Letzte")po";

const Table kGermanTable = {
    {"Key Bindings", "Tastaturbelegung"},
    {"Remove '%@'", "„%@“ entfernen"},
    {"To customize shortcuts, duplicate an existing key bindings set.",
     "Um Kurzbefehle anzupassen, duplizieren Sie eine Belegung."},
    {"Tab\there \"quoted\" back\\slash\nnew line A", "Tab\tda \"zitiert\" Rück\\strich\nneue Zeile B"},
    {"Open", "Öffnen"},
    {"Last", "Letzte"},
};

std::string withCrlf(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(PoText, ParsesEntriesAndLeavesOutWhatMsgfmtLeavesOut) {
  struct Case {
    const char* name;
    std::string text;
    Table expected;
  };
  const Case cases[] = {
      {"every kind of entry", kGermanPo, kGermanTable},
      {"CRLF line ends", withCrlf(kGermanPo), kGermanTable},
      {"byte-order mark", "\xEF\xBB\xBF" + std::string(kGermanPo), kGermanTable},
      {"empty", "", {}},
      {"header only", "msgid \"\"\nmsgstr \"Language: de\\n\"\n", {}},
      {"msgid without msgstr, then an entry", "msgid \"a\"\nmsgid \"b\"\nmsgstr \"B\"\n", {{"b", "B"}}},
      {"later duplicate wins", "msgid \"a\"\nmsgstr \"1\"\n\nmsgid \"a\"\nmsgstr \"2\"\n", {{"a", "2"}}},
      {"no blank lines between entries", "msgid \"a\"\nmsgstr \"A\"\nmsgid \"b\"\nmsgstr \"B\"\n",
       {{"a", "A"}, {"b", "B"}}},
      {"indented keywords and tabs", "  msgid\t\"a\"\n\tmsgstr \"A\"\n", {{"a", "A"}}},
      {"malformed lines are skipped", "msgid \"a\"\ngarbage\nmsgstr \"A\"\n", {{"a", "A"}}},
      {"unknown escape kept", "msgid \"a\\qb\"\nmsgstr \"x\"\n", {{"a\\qb", "x"}}},
      {"fuzzy flag ends the entry before it", "msgid \"a\"\nmsgstr \"A\"\n#, fuzzy\nmsgid \"b\"\nmsgstr \"B\"\n",
       {{"a", "A"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(parsePoText(c.text), c.expected) << c.name;
}

// Single-quoted for the shell.
std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

TEST(PoText, AgreesWithMsgfmtAndPythonGettext) {
  if (std::system("command -v msgfmt >/dev/null 2>&1") != 0) GTEST_SKIP() << "msgfmt (gettext) is not installed";
  TemporaryFolder folder;
  writeText(folder.file("de.po"), kGermanPo);
  ASSERT_EQ(std::system(("msgfmt -o " + quoted(folder.file("de.mo")) + " " + quoted(folder.file("de.po"))).c_str()), 0);
  std::string json = "{";
  for (const auto& [key, value] : parsePoText(kGermanPo)) json += (json.size() > 1 ? ", " : "") + jsonString(key) + ": " + jsonString(value);
  writeText(folder.file("ours.json"), json + "}");
  // The compiled catalog less its header, contexts ("ctxt\x04id") and plurals ((id, n)).
  writeText(folder.file("check.py"), R"(
import gettext, json, sys
with open(sys.argv[1], "rb") as f:
    catalog = gettext.GNUTranslations(f)._catalog
theirs = {k: v for k, v in catalog.items() if isinstance(k, str) and k and "\x04" not in k}
ours = json.load(open(sys.argv[2], encoding="utf-8"))
if ours != theirs:
    print("msgfmt:", theirs, "\nours:  ", ours, file=sys.stderr)
    sys.exit(1)
)");
  int status = std::system(("python3 " + quoted(folder.file("check.py")) + " " + quoted(folder.file("de.mo")) + " " +
                            quoted(folder.file("ours.json")))
                               .c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(PoText, ShippedEnglishTableHoldsExactlyThePaneTexts) {
  const std::set<std::string> keys = {
      "Key Bindings",
      "Can't change default key bindings set",
      "To customize shortcuts, duplicate an existing key bindings set.",
      "Add Shortcut...",
      "Remove '%@'",
      "Type keys for shortcut.",
      "'%@' is currently bound to %@.",
      "Can't bind more than one shortcut to the hot key",
      "To bind different shortcut, remove the existing one.",
      // The import alert.
      "Can't import key bindings sets",
      "Not a key bindings set: %@.",
  };
  Table table = parsePoText(readText(QOR_RESOURCES_DIR "/locale/en/Localizable.po"));
  std::set<std::string> found;
  for (const auto& [key, value] : table) {
    found.insert(key);
    EXPECT_EQ(value, key);
  }
  EXPECT_EQ(found, keys);
  Bundle resources(QOR_RESOURCES_DIR, std::vector<std::string>{"en"});
  EXPECT_EQ(resources.localizedStringForKeyValueTable("Remove '%@'", "", "Localizable"), "Remove '%@'");
}

// Sets or clears the language variables for one test and restores them.
class LanguageEnvironment {
 public:
  static constexpr const char* kVariables[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  LanguageEnvironment() {
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      ::unsetenv(name);
    }
  }
  ~LanguageEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  LanguageEnvironment(const LanguageEnvironment&) = delete;
  LanguageEnvironment& operator=(const LanguageEnvironment&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A bundle folder with a resource and "Localizable" tables in a few languages.
class BundleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    writeText(folder_.file("secret"), "outside the bundle");
    fs::create_directories(bundlePath() + "/locale");
    writeText(bundlePath() + "/KeyBindings.ui", "<ui/>");
    addTable("en", "Key", "Key (en)");
    addTable("de", "Key", "Taste", "Only German", "Nur Deutsch");
    addTable("de_AT", "Key", "Tastn");
    addTable("fr", "Key", "Touche");
  }

  std::string bundlePath() const { return folder_.file("Pane"); }

  void addTable(const std::string& language, const std::string& key, const std::string& value,
                const std::string& key2 = "", const std::string& value2 = "") {
    std::string folder = bundlePath() + "/locale/" + language;
    std::filesystem::create_directories(folder);
    std::string text = "msgid \"" + key + "\"\nmsgstr \"" + value + "\"\n";
    if (!key2.empty()) text += "msgid \"" + key2 + "\"\nmsgstr \"" + value2 + "\"\n";
    writeText(folder + "/Localizable.po", text);
  }

  TemporaryFolder folder_;
};

TEST_F(BundleTest, ResourcesAreFilesDirectlyInTheBundle) {
  EXPECT_EQ(Bundle(bundlePath()).pathForResource("KeyBindings.ui"), bundlePath() + "/KeyBindings.ui");
  for (const char* name : {"missing.ui", "../secret", "locale/en/Localizable.po", "", ".", "..", "locale"})
    EXPECT_EQ(Bundle(bundlePath()).pathForResource(name), std::nullopt) << name;
  EXPECT_EQ(Bundle(folder_.file("absent")).pathForResource("KeyBindings.ui"), std::nullopt);
}

TEST_F(BundleTest, LanguageComesFromTheFirstVariableSet) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> environment;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {{}, "Key", "Key (en)"},
      {{{"LANG", "de_DE.UTF-8"}}, "Key", "Taste"},  // de_DE has no table: de
      {{{"LANG", "de_AT.UTF-8@euro"}}, "Key", "Tastn"},
      {{{"LANG", "de_AT.UTF-8"}}, "Only German", "Nur Deutsch"},  // de_AT lacks it: de
      {{{"LANG", "fr_FR.UTF-8"}}, "Only German", "Only German"},  // fr, then en: the key
      {{{"LC_MESSAGES", "de"}, {"LANG", "fr"}}, "Key", "Taste"},
      {{{"LC_ALL", "fr_CA.UTF-8"}, {"LC_MESSAGES", "de"}, {"LANG", "de"}}, "Key", "Touche"},
      {{{"LANGUAGE", "fr:de"}, {"LANG", "de_AT"}}, "Key", "Touche"},
      {{{"LANGUAGE", "fr:de"}, {"LANG", "de_AT"}}, "Only German", "Nur Deutsch"},
      {{{"LANGUAGE", "nl:fr"}}, "Key", "Touche"},
      {{{"LANGUAGE", ""}, {"LANG", "de"}}, "Key", "Taste"},  // empty counts as unset
      {{{"LC_ALL", "C"}, {"LANG", "de"}}, "Key", "Key (en)"},  // C names no language
      {{{"LANG", "POSIX"}}, "Key", "Key (en)"},
      {{{"LANGUAGE", "../../de"}, {"LANG", "de"}}, "Key", "Key (en)"},  // not a language name
  };
  for (const auto& c : cases) {
    LanguageEnvironment environment;
    std::string trace;
    for (const auto& [name, value] : c.environment) {
      ::setenv(name, value, 1);
      trace += std::string(name) + "=" + value + " ";
    }
    EXPECT_EQ(Bundle(bundlePath()).localizedStringForKeyValueTable(c.key, "", "Localizable"), c.expected) << trace;
  }
}

TEST_F(BundleTest, ExplicitLanguagesReplaceTheEnvironment) {
  LanguageEnvironment environment;
  ::setenv("LANG", "de_DE.UTF-8", 1);
  Bundle french(bundlePath(), std::vector<std::string>{"fr"});
  EXPECT_EQ(french.localizedStringForKeyValueTable("Key", "", "Localizable"), "Touche");
  EXPECT_EQ(french.localizedStringForKeyValueTable("Only German", "", "Localizable"), "Only German");
}

TEST_F(BundleTest, MissingTableOrKeyGivesTheValueOrElseTheKey) {
  Bundle german(bundlePath(), std::vector<std::string>{"de"});
  struct Case {
    const char* key;
    const char* value;
    const char* table;
    const char* expected;
  };
  const Case cases[] = {
      {"Key", "", "Localizable", "Taste"},
      {"Key", "Default", "Localizable", "Taste"},  // the value is only a default
      {"Absent", "", "Localizable", "Absent"},
      {"Absent", "Default", "Localizable", "Default"},
      {"Key", "", "EditorMenuTitles", "Key"},
      {"Key", "Default", "EditorMenuTitles", "Default"},
      {"Key", "", "../de/Localizable", "Key"},
      {"Key", "", "", "Key"},
      {"", "", "Localizable", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(german.localizedStringForKeyValueTable(c.key, c.value, c.table), c.expected)
        << c.key << " / " << c.value << " / " << c.table;
}

TEST_F(BundleTest, MainBundleGivesKeysUntilTheHostSetsIt) {
  auto original = mainBundle();
  ASSERT_NE(original, nullptr);
  EXPECT_EQ(original->localizedStringForKeyValueTable("second", "", "GUIStrings"), "second");
  setMainBundle(std::make_shared<const Bundle>(bundlePath(), std::vector<std::string>{"de"}));
  EXPECT_EQ(mainBundle()->localizedStringForKeyValueTable("Key", "", "Localizable"), "Taste");
  setMainBundle(nullptr);  // ignored
  EXPECT_EQ(mainBundle()->localizedStringForKeyValueTable("Key", "", "Localizable"), "Taste");
  setMainBundle(original);
}

}  // namespace
}  // namespace qor
