#include "qor/library.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "qor/log.h"
#include "qor/plist_file.h"
#include "qor/seams/file_calls.h"

namespace qor {

namespace {

// The status of a trash request that reached no system call.
constexpr int kNotAttempted = -1;
constexpr std::string_view kLibraryDir = "Library/Application Support/z-phane/QOR";
constexpr std::string_view kNamedStyles = "Named Styles";
constexpr std::string_view kStyleSheets = "Style Sheets";
constexpr std::string_view kTagSetExtension = "qor1_tag_set";
constexpr std::string_view kStylesheetExtension = "qor1_stylesheet";
constexpr std::array<std::string_view, 10> kNativeExtensions = {
    "qor1", "qordoc", "qorcmp", "qorenc", "qorcpe", "qorbin", "qxdoc", "qxcmp", "qxenc", "qxcpe"};

std::string_view extensionOf(std::string_view name) {
  auto dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

std::string appendingComponent(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.ends_with('/')) path += '/';
  return path + std::string(name);
}

MutableArrayRef collectFromLibraries(std::string_view subfolder, std::string_view extension, FileCalls& calls) {
  const std::string user = calls.homeFolder() + "/" + std::string(kLibraryDir) + "/" + std::string(subfolder);
  const std::string computer = "/" + std::string(kLibraryDir) + "/" + std::string(subfolder);
  auto entries = collectFilesInDirectoryWithExtension(user, extension, calls);
  auto computerEntries = collectFilesInDirectoryWithExtension(computer, extension, calls);
  for (const auto& entry : computerEntries->elements()) entries->addObject(entry);
  return entries;
}

}  // namespace

std::string libraryDir() { return std::string(kLibraryDir); }

MutableArrayRef collectFilesInDirectoryWithExtension(std::string_view folder, std::string_view extension,
                                                     FileCalls& calls) {
  auto collected = MutableArray::make();
  const std::string path(folder);
  if (!calls.exists(path)) return collected;
  if (!calls.isFolder(path)) {
    logLine("Not a directory: " + path);
    return collected;
  }
  std::vector<FolderEntry> entries;
  if (!calls.listFolder(path, entries))
    logLine(std::string("*** toolbox: cfidwe: contentsOfDirectoryAtPath: ") + std::strerror(errno));
  for (const auto& entry : entries) {
    if (extensionOf(entry.name) != extension) continue;
    const std::string file = appendingComponent(path, entry.name);
    auto bytes = calls.readFile(file);
    if (!bytes) {
      logLine("Can't load data: " + file);
      continue;
    }
    Ref object = propertyListFromBytes(*bytes);
    if (!object) {
      logLine("Can't restore object: " + file);
      continue;
    }
    collected->addObject(Dictionary::make({{"object", object}, {"path", str(file)}}));
  }
  return collected;
}

MutableArrayRef getTagSetInLibrary(FileCalls& calls) {
  return collectFromLibraries(kNamedStyles, kTagSetExtension, calls);
}

MutableArrayRef getStylesheetsInLibrary(FileCalls& calls) {
  return collectFromLibraries(kStyleSheets, kStylesheetExtension, calls);
}

MutableArrayRef nativeFileExtensions() {
  auto extensions = MutableArray::make();
  for (auto extension : kNativeExtensions) extensions->addObject(str(std::string(extension)));
  return extensions;
}

bool isNativeFileExtention(std::string_view extension) {
  return std::find(kNativeExtensions.begin(), kNativeExtensions.end(), extension) != kNativeExtensions.end();
}

bool createFolderUnderHome(std::string_view path, FileCalls& calls) {
  const std::string folder = calls.homeFolder() + "/" + std::string(path);
  // Anything there will do, a plain file too: it is not looked at further.
  if (calls.exists(folder)) return true;
  if (calls.createFolders(folder)) return true;
  const int error = errno;
  logLine("*** can't create directory at " + folder);
  if (error) logLine(std::string("\t") + std::strerror(error));
  return false;
}

TrashOutcome moveFileToTrash(std::string_view path, FileCalls& calls) {
  if (path.empty()) return {kNotAttempted, {}};
  const std::string item(path);
  TrashOutcome outcome = calls.trash(item);
  if (!outcome) logLine("*** Failed to trash document: [" + std::to_string(outcome.status) + "] " + item);
  return outcome;
}

MutableArrayRef collectFilesInDirectoryWithExtension(std::string_view folder, std::string_view extension) {
  return collectFilesInDirectoryWithExtension(folder, extension, FileCalls::real());
}

MutableArrayRef getTagSetInLibrary() { return getTagSetInLibrary(FileCalls::real()); }

MutableArrayRef getStylesheetsInLibrary() { return getStylesheetsInLibrary(FileCalls::real()); }

bool createFolderUnderHome(std::string_view path) { return createFolderUnderHome(path, FileCalls::real()); }

std::string homeFolder() { return FileCalls::real().homeFolder(); }

TrashOutcome moveFileToTrash(std::string_view path) { return moveFileToTrash(path, FileCalls::real()); }

}  // namespace qor
