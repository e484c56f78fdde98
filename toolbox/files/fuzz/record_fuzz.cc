// libFuzzer target for resource location records read from a document:
// the input is read as a property list; a dictionary is resolved as a
// record against a base, with and without one. Any values of any types
// must give a path of an existing item or nothing, never a crash, and a
// record that resolved to nothing must be unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "qor/plist_file.h"
#include "qor/resource_location.h"
#include "synthetic_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto dictionary = qor::asDictionary(qor::propertyListFromBytes(std::span(data, size)));
  if (!dictionary) return 0;
  qor::fuzzing::SyntheticFiles files;
  for (const char* base : {"/home/u/docs/a.qordoc", ""}) {
    auto record = qor::MutableDictionary::make(dictionary->entries());
    auto before = qor::MutableDictionary::make(dictionary->entries());
    auto path = qor::pathFromResourceLocationDictionaryWithBasePath(record, base, files);
    if (path && !files.exists(*path)) std::abort();
    if (!path && !qor::isEqual(record, before)) std::abort();
  }
  return 0;
}
