// What the readers of the kinds share: the limits that keep a hostile file
// from costing more than a real one, the check of the bytes every reader
// makes first, and the one place that adds an entry.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "qor/keymaps/foreign_keymap.h"

namespace qor::keymaps {

// Real keymaps are far below each: the largest ones have a few thousand
// entries of a few hundred bytes (3,000 x 200 B = 600 KB).
inline constexpr std::size_t kMaxContentBytes = 16U << 20U;  // 16 MiB
inline constexpr int kMaxNesting = 64;
// Entries, XML elements, or JSON values and containers: a 3,000-entry
// keymap has about 4 of each per entry (12,000); every item costs memory
// beyond its bytes, so 16 MiB of "{}," must not become millions of objects.
inline constexpr std::size_t kMaxItems = 500000;

// The failed reading with its one line.
KeymapReading failure(std::string line);

// Why `content` cannot be read as text of any kind (too large, not UTF-8),
// or nullopt. `content` loses a UTF-8 byte order mark.
std::optional<std::string> unreadableContent(std::string_view& content);

// Appends an entry whose key text is read in `kind`'s notation on
// `platform`; false when the keymap has reached kMaxItems entries.
bool addBinding(ForeignKeymap& keymap, KeymapPlatform platform, std::string command, BindingEffect effect,
                std::string keyText, std::string condition);

// The line for too many entries.
std::string tooManyItems();

// The readers of each format; `content` has passed unreadableContent.
KeymapReading readJsonKeymap(std::string_view content, KeymapKind kind);
KeymapReading readXmlKeymap(std::string_view content, KeymapKind kind);
KeymapReading readShortcutsFile(std::string_view content);

// The name of the root element of an XML text (after the declaration,
// comments and document type), or empty when there is none.
std::string xmlRootName(std::string_view content);
// The object first in a JSON array of objects: whether it has "keys" (true)
// or "key" (false); nullopt when the text is no such array.
std::optional<bool> firstJsonEntryHasKeys(std::string_view content);

}  // namespace qor::keymaps
