#include "qor/file_wrapper.h"

#include <algorithm>
#include <utility>

namespace qor {

std::string Opaque::description() const { return "<" + std::string(typeName()) + ">"; }

namespace {

constexpr char kTypeKey[] = "type";
constexpr char kPreferredNameKey[] = "preferred file name";
constexpr char kNameKey[] = "file name";
constexpr char kContentsKey[] = "contents";
constexpr char kDestinationKey[] = "destination";
constexpr char kFilesKey[] = "files";

constexpr char kRegularFileType[] = "file";
constexpr char kSymbolicLinkType[] = "link";
constexpr char kFolderType[] = "folder";

}  // namespace

FileWrapper::FileWrapper(Type type, std::vector<std::uint8_t> contents, std::string destination,
                         std::vector<FileWrapperRef> children, std::string preferredFilename,
                         std::string filename)
    : type_(type),
      contents_(std::move(contents)),
      destination_(std::move(destination)),
      children_(std::move(children)),
      preferredFilename_(std::move(preferredFilename)),
      filename_(std::move(filename)) {
  if (filename_.empty()) filename_ = preferredFilename_;
}

FileWrapperRef FileWrapper::makeRegularFile(std::vector<std::uint8_t> contents, std::string preferredFilename,
                                            std::string filename) {
  return std::make_shared<FileWrapper>(Type::RegularFile, std::move(contents), std::string(),
                                       std::vector<FileWrapperRef>(), std::move(preferredFilename),
                                       std::move(filename));
}

FileWrapperRef FileWrapper::makeSymbolicLink(std::string destination, std::string preferredFilename,
                                            std::string filename) {
  return std::make_shared<FileWrapper>(Type::SymbolicLink, std::vector<std::uint8_t>(), std::move(destination),
                                       std::vector<FileWrapperRef>(), std::move(preferredFilename),
                                       std::move(filename));
}

FileWrapperRef FileWrapper::makeFolder(std::vector<FileWrapperRef> children, std::string preferredFilename,
                                            std::string filename) {
  std::erase(children, nullptr);
  return std::make_shared<FileWrapper>(Type::Folder, std::vector<std::uint8_t>(), std::string(),
                                       std::move(children), std::move(preferredFilename), std::move(filename));
}

bool FileWrapper::isEqualTo(const Opaque& other) const {
  const auto* wrapper = dynamic_cast<const FileWrapper*>(&other);
  if (!wrapper) return false;
  if (type_ != wrapper->type_ || contents_ != wrapper->contents_ || destination_ != wrapper->destination_ ||
      filename_ != wrapper->filename_ || preferredFilename_ != wrapper->preferredFilename_ ||
      children_.size() != wrapper->children_.size())
    return false;
  return std::equal(children_.begin(), children_.end(), wrapper->children_.begin(),
                    [](const FileWrapperRef& a, const FileWrapperRef& b) { return a->isEqualTo(*b); });
}

std::string FileWrapper::description() const {
  return "<file wrapper \"" + filename_ + "\" " + std::to_string(contents_.size()) + " bytes>";
}

DictionaryRef FileWrapper::propertyList() const {
  auto form = MutableDictionary::make();
  switch (type_) {
    case Type::RegularFile:
      form->setObjectForKey(str(kRegularFileType), kTypeKey);
      form->setObjectForKey(Data::make(contents_), kContentsKey);
      break;
    case Type::SymbolicLink:
      form->setObjectForKey(str(kSymbolicLinkType), kTypeKey);
      form->setObjectForKey(str(destination_), kDestinationKey);
      break;
    case Type::Folder: {
      std::vector<Ref> files;
      for (const auto& child : children_) files.push_back(child->propertyList());
      form->setObjectForKey(str(kFolderType), kTypeKey);
      form->setObjectForKey(Array::make(std::move(files)), kFilesKey);
      break;
    }
  }
  form->setObjectForKey(str(preferredFilename_), kPreferredNameKey);
  form->setObjectForKey(str(filename_), kNameKey);
  return form;
}

FileWrapperRef FileWrapper::fromPropertyList(const Ref& value) { return fromPropertyList(value, 0); }

FileWrapperRef FileWrapper::fromPropertyList(const Ref& value, int depth) {
  auto form = asDictionary(value);
  if (!form || depth > kMaximumFolderDepth) return nullptr;
  auto type = form->stringForKey(kTypeKey);
  auto preferred = form->stringForKey(kPreferredNameKey);
  auto name = form->stringForKey(kNameKey);
  if (!type || !preferred || !name) return nullptr;
  if (type->value() == kRegularFileType) {
    auto contents = asData(form->objectForKey(kContentsKey));
    return contents ? makeRegularFile(contents->bytes(), preferred->value(), name->value()) : nullptr;
  }
  if (type->value() == kSymbolicLinkType) {
    auto destination = form->stringForKey(kDestinationKey);
    return destination ? makeSymbolicLink(destination->value(), preferred->value(), name->value()) : nullptr;
  }
  if (type->value() == kFolderType) {
    auto files = form->arrayForKey(kFilesKey);
    if (!files) return nullptr;
    std::vector<FileWrapperRef> children;
    for (const auto& file : files->elements()) {
      auto child = fromPropertyList(file, depth + 1);
      if (!child) return nullptr;
      children.push_back(std::move(child));
    }
    return makeFolder(std::move(children), preferred->value(), name->value());
  }
  return nullptr;
}

}  // namespace qor
