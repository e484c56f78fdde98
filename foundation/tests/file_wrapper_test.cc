#include "qor/file_wrapper.h"

#include <gtest/gtest.h>

#include "qor/plist_file.h"

namespace qor {
namespace {

TEST(FileWrapper, PropertyListFormReadsBackEqual) {
  const FileWrapperRef cases[] = {
      FileWrapper::makeRegularFile({0x4d, 0x4d, 0x00, 0x2a}, "photo.jpeg", "photo 2.jpeg"),
      FileWrapper::makeRegularFile({}, "empty.txt"),
      FileWrapper::makeSymbolicLink("/usr/share/pixmaps/x.png", "x.png"),
      FileWrapper::makeFolder({FileWrapper::makeRegularFile({1}, "TXT.rtf"), nullptr,
                               FileWrapper::makeFolder({}, "inner")},
                              "doc.rtfd"),
  };
  for (const auto& wrapper : cases) {
    SCOPED_TRACE(describe(wrapper));
    // Through the XML text too: the form is a plain property list.
    Ref form = propertyListFromBytes(
        [&] {
          std::string xml = xmlPropertyListFromValue(wrapper->propertyList());
          return std::vector<std::uint8_t>(xml.begin(), xml.end());
        }());
    auto back = FileWrapper::fromPropertyList(form);
    ASSERT_TRUE(back);
    EXPECT_TRUE(isEqual(back, wrapper));
    EXPECT_NE(back.get(), wrapper.get());
  }
}

TEST(FileWrapper, NamesDefaultToThePreferredName) {
  auto wrapper = FileWrapper::makeRegularFile({}, "photo.jpeg");
  EXPECT_EQ(wrapper->filename(), "photo.jpeg");
  EXPECT_EQ(describe(wrapper), "<file wrapper \"photo.jpeg\" 0 bytes>");
  EXPECT_EQ(FileWrapper::makeFolder({nullptr})->fileWrappers().size(), 0u);
}

TEST(FileWrapper, MalformedFormsGiveNull) {
  auto good = FileWrapper::makeRegularFile({7}, "a")->propertyList();
  auto without = [&](const char* key) {
    auto copy = MutableDictionary::make(good->entries());
    copy->removeObjectForKey(key);
    return copy;
  };
  auto with = [&](const char* key, Ref value) {
    auto copy = MutableDictionary::make(good->entries());
    copy->setObjectForKey(std::move(value), key);
    return copy;
  };
  const Ref cases[] = {
      nullptr, str("file"), without("type"), without("contents"), without("file name"),
      with("type", str("socket")), with("contents", str("bytes")),
      with("type", str("folder")),  // a folder without "files"
      with("type", str("link")),    // a link without "destination"
  };
  for (const auto& form : cases) EXPECT_EQ(FileWrapper::fromPropertyList(form), nullptr) << describe(form);

  // Folders nested past the limit are refused rather than followed.
  Ref nested = FileWrapper::makeFolder({})->propertyList();
  for (int depth = 0; depth <= FileWrapper::kMaximumFolderDepth; ++depth)
    nested = Dictionary::make({{"type", str("folder")}, {"preferred file name", str("")},
                               {"file name", str("")}, {"files", Array::make({nested})}});
  EXPECT_EQ(FileWrapper::fromPropertyList(nested), nullptr);
}

TEST(Opaque, EqualityByContentsAndNoPropertyListForm) {
  auto a = FileWrapper::makeRegularFile({1, 2}, "a");
  auto b = FileWrapper::makeRegularFile({1, 2}, "a");
  auto c = FileWrapper::makeRegularFile({1, 2}, "c");
  EXPECT_TRUE(isEqual(Dictionary::make({{"w", a}}), Dictionary::make({{"w", b}})));
  EXPECT_FALSE(isEqual(a, c));
  EXPECT_FALSE(isEqual(a, Data::make({1, 2})));
  EXPECT_EQ(opaqueAs<FileWrapper>(Ref(a)), a);
  EXPECT_EQ(opaqueAs<FileWrapper>(str("a")), nullptr);
  // The XML writer refuses a value holding an opaque one, as it refuses any
  // value the form cannot carry.
  EXPECT_EQ(xmlPropertyListFromValue(Dictionary::make({{"w", a}})), "");
}

}  // namespace
}  // namespace qor
