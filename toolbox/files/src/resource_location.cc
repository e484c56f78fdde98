#include "qor/resource_location.h"

#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "qor/log.h"
#include "qor/seams/file_calls.h"
#include "qor/url.h"

namespace qor {

namespace {

constexpr std::string_view kFilenameKey = "filename";
constexpr std::string_view kRelativePathKey = "relative path";
constexpr std::string_view kUrlKey = "url";
constexpr std::string_view kFileSystemNumberKey = "file system number";
constexpr std::string_view kFileNumberKey = "file system file number";
constexpr std::string_view kAliasKey = "alias";

// Volumes of other disks and of the network are mounted in these folders of
// the root; a candidate on one whose mount point is gone ends the search.
constexpr std::string_view kVolumesFolder = "Volumes";
constexpr std::string_view kNetworkFolder = "Network";
constexpr std::size_t kMountPointComponents = 3;

// A device number in the 32 bits of the traditional encoding: the minor's
// low byte, the major above it, the minor's upper bits above that.
constexpr std::uint32_t kLowByte = 0xff;
constexpr unsigned kMajorShift = 8;
constexpr unsigned kUpperMinorShift = 12;
std::uint32_t fileSystemNumber(std::uint64_t device) {
  const auto major = static_cast<std::uint32_t>(::major(device));
  const auto minor = static_cast<std::uint32_t>(::minor(device));
  return (minor & kLowByte) | (major << kMajorShift) | ((minor & ~kLowByte) << kUpperMinorShift);
}

// A path from the record; one holding NUL would name another path in a
// system call, so it counts as absent.
std::string text(const Dictionary& record, std::string_view key) {
  auto value = record.stringForKey(key);
  if (!value || value->value().find('\0') != std::string::npos) return {};
  return value->value();
}

// False when `candidate` lies on /Volumes/<name>/... or /Network/<name>/...
// and "//Volumes/<name>" (the mount point) does not exist.
bool passesVolumeTest(const std::string& candidate, FileCalls& calls) {
  auto components = pathComponents(candidate);
  if (components.size() <= kMountPointComponents || components[0] != "/" ||
      (components[1] != kVolumesFolder && components[1] != kNetworkFolder))
    return true;
  return calls.exists(components[0] + "/" + components[1] + "/" + components[2]);
}

}  // namespace

std::vector<std::string> pathComponents(std::string_view path) {
  std::vector<std::string> components;
  if (path.empty()) return components;
  if (path.front() == '/') components.emplace_back("/");
  std::size_t at = 0;
  while (at < path.size()) {
    std::size_t end = path.find('/', at);
    if (end == std::string_view::npos) end = path.size();
    if (end > at) components.emplace_back(path.substr(at, end - at));
    at = end + 1;
  }
  if (path.size() > 1 && path.back() == '/') components.emplace_back("/");
  return components;
}

std::string stringByDeletingLastPathComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string stringByStandardizingPath(std::string_view path, std::string_view homeFolder) {
  std::string expanded;
  if (path == "~" || path.starts_with("~/"))
    expanded = std::string(homeFolder) + std::string(path.substr(1));
  else
    expanded = std::string(path);
  if (expanded.empty()) return expanded;
  const bool absolute = expanded.front() == '/';
  std::vector<std::string> kept;
  std::size_t at = 0;
  while (at <= expanded.size()) {
    std::size_t end = expanded.find('/', at);
    if (end == std::string::npos) end = expanded.size();
    std::string component = expanded.substr(at, end - at);
    at = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!kept.empty() && kept.back() != "..") {
        kept.pop_back();
        continue;
      }
      if (absolute) continue;  // the root's parent is the root
    }
    kept.push_back(std::move(component));
  }
  std::string tidy = absolute ? "/" : "";
  // A folder named "~" that ends up first ("a/../~/b") keeps a "./" ahead:
  // bare, it would read as the home folder when the path is tidied again.
  if (!absolute && !kept.empty() && kept.front() == "~") tidy = "./";
  for (std::size_t i = 0; i < kept.size(); ++i) tidy += (i ? "/" : "") + kept[i];
  return tidy.empty() ? "." : tidy;
}

std::string stringByStandardizingPath(std::string_view path, FileCalls& calls) {
  return stringByStandardizingPath(path, calls.homeFolder());
}

std::string relativePathWithPathAndBasePath(std::string_view path, std::string_view basePath) {
  const auto item = pathComponents(path);
  const auto base = pathComponents(basePath);
  // The base's last component is its file name: it is never climbed out of.
  const std::size_t limit = std::min(base.size(), item.size()) == 0 ? 0 : std::min(base.size(), item.size()) - 1;
  std::size_t shared = 0;
  while (shared < limit && item[shared] == base[shared]) ++shared;
  std::string relative;
  for (std::size_t k = 1; k + shared < base.size(); ++k) relative += "../";
  if (!relative.empty()) relative.pop_back();
  for (std::size_t i = shared; i < item.size(); ++i) relative += "/" + item[i];
  return relative;
}

MutableDictionaryRef resourceLocationDictionaryWithPathAndBasePath(std::string_view path, std::string_view basePath,
                                                                   FileCalls& calls) {
  auto record = MutableDictionary::make();
  if (path.empty()) return record;
  const std::string item(path);
  record->setObjectForKey(str(item), std::string(kFilenameKey));
  if (!calls.exists(item)) return record;
  if (!basePath.empty()) {
    std::string relative = relativePathWithPathAndBasePath(item, basePath);
    if (!relative.empty()) record->setObjectForKey(str(relative), std::string(kRelativePathKey));
  }
  record->setObjectForKey(Url::fileURLWithPath(item), std::string(kUrlKey));
  // The attributes are those of the item itself, a link not followed.
  auto attributes = calls.identify(item, LinkHandling::DoNotFollow);
  if (!attributes) logLine(std::string("*** toolbox: rldwpabp: attributesOfItemAtPath: ") + std::strerror(errno));
  record->setObjectForKey(integer(attributes ? fileSystemNumber(attributes->device) : 0),
                          std::string(kFileSystemNumberKey));
  record->setObjectForKey(integer(attributes ? static_cast<std::uint32_t>(attributes->inode) : 0),
                          std::string(kFileNumberKey));
  record->setObjectForKey(aliasFromPath(item, calls), std::string(kAliasKey));
  return record;
}

std::optional<std::string> pathFromResourceLocationDictionaryWithBasePath(const MutableDictionaryRef& record,
                                                                          std::string_view basePath,
                                                                          FileCalls& calls) {
  if (!record || record->empty()) return std::nullopt;
  const std::string filename = text(*record, kFilenameKey);
  std::optional<std::string> found;

  const std::string relative = text(*record, kRelativePathKey);
  if (!relative.empty() && !basePath.empty()) {
    std::string candidate =
        stringByStandardizingPath(stringByDeletingLastPathComponent(basePath) + "/" + relative, calls);
    if (!passesVolumeTest(candidate, calls)) return std::nullopt;
    if (calls.exists(candidate)) found = std::move(candidate);
  }
  if (!found && record->containsKey(kFilenameKey) && !filename.empty()) {
    if (!passesVolumeTest(filename, calls)) return std::nullopt;
    if (calls.exists(filename)) return filename;
  }
  if (!found)
    if (auto url = asUrl(record->objectForKey(kUrlKey)))
      if (auto urlPath = url->path()) {
        if (!passesVolumeTest(*urlPath, calls)) return std::nullopt;
        if (calls.exists(*urlPath)) return urlPath;
      }
  if (!found) {
    auto alias = asData(record->objectForKey(kAliasKey));
    if (!alias) return std::nullopt;
    found = pathFromAlias(alias, calls);
    if (!found || !calls.exists(*found)) return std::nullopt;
  }
  if (filename == *found) return found;
  auto fresh = resourceLocationDictionaryWithPathAndBasePath(*found, basePath, calls);
  record->removeAllObjects();
  for (const auto& [key, value] : fresh->entries()) record->setObjectForKey(value, key);
  return found;
}

std::unique_ptr<Handle> Handle::make(std::size_t size) {
  try {
    return std::make_unique<Handle>(std::vector<std::uint8_t>(size));
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

std::unique_ptr<Handle> DataToHandle(const DataRef& data) {
  if (!data) return nullptr;
  auto handle = Handle::make(data->bytes().size());
  if (!handle) return nullptr;
  if (!data->bytes().empty()) {
    handle->lock();
    std::copy(data->bytes().begin(), data->bytes().end(), handle->bytes().begin());
    handle->unlock();
  }
  return handle;
}

DataRef HandleToData(Handle* handle) {
  if (!handle) return nullptr;
  const Handle::State saved = handle->state();
  handle->lock();
  auto bytes = handle->bytes();
  auto data = Data::make(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  handle->setState(saved);
  return data;
}

MutableDictionaryRef resourceLocationDictionaryWithPathAndBasePath(std::string_view path, std::string_view basePath) {
  return resourceLocationDictionaryWithPathAndBasePath(path, basePath, FileCalls::real());
}

std::optional<std::string> pathFromResourceLocationDictionaryWithBasePath(const MutableDictionaryRef& record,
                                                                          std::string_view basePath) {
  return pathFromResourceLocationDictionaryWithBasePath(record, basePath, FileCalls::real());
}

std::string stringByStandardizingPath(std::string_view path) { return stringByStandardizingPath(path, FileCalls::real()); }

}  // namespace qor
