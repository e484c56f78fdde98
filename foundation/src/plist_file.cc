#include "qor/plist_file.h"

#include <plist/plist.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

#include "qor/log.h"

namespace qor {

namespace {

// Property-list dates count from 2001-01-01 UTC; ours from 1970-01-01 UTC.
constexpr double kReferenceDateOffset = 978307200.0;
constexpr double kMicrosecondsPerSecond = 1e6;
// Containers nested deeper than this are refused rather than recursed into.
constexpr int kMaximumDepth = 512;
constexpr std::size_t kMaximumInput = std::numeric_limits<std::uint32_t>::max();

struct PlistDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

// libplist parses and prints reals with the C library's current LC_NUMERIC;
// a host that called setlocale(LC_ALL, "") would read "2.75" as 2 under a
// comma locale. This switches the calling thread to "C" numbers meanwhile.
class CNumericLocale {
 public:
  CNumericLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr))) {
    if (c_) previous_ = uselocale(c_);
  }
  ~CNumericLocale() {
    if (!c_) return;
    uselocale(previous_);
    freelocale(c_);
  }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

 private:
  locale_t c_;
  locale_t previous_ = nullptr;
};

Ref fromNode(plist_t node, int depth) {
  if (!node || depth > kMaximumDepth) return nullptr;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return boolean(value != 0);
    }
    case PLIST_UINT: {
      // The library keeps integers unsigned; negative ones come back as their
      // two's complement, so reading them as signed restores them.
      std::uint64_t value = 0;
      plist_get_uint_val(node, &value);
      return integer(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return real(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      char* text = nullptr;
      plist_get_string_val(node, &text);
      std::string value = text ? text : "";
      std::free(text);
      return str(std::move(value));
    }
    case PLIST_DATA: {
      char* bytes = nullptr;
      std::uint64_t length = 0;
      plist_get_data_val(node, &bytes, &length);
      auto begin = reinterpret_cast<const std::uint8_t*>(bytes);
      DataRef value = Data::make(bytes ? std::vector<std::uint8_t>(begin, begin + length)
                                       : std::vector<std::uint8_t>{});
      std::free(bytes);
      return value;
    }
    case PLIST_DATE: {
      std::int32_t seconds = 0, microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      return Date::make(kReferenceDateOffset + seconds + microseconds / kMicrosecondsPerSecond);
    }
    case PLIST_ARRAY: {
      std::uint32_t count = plist_array_get_size(node);
      std::vector<Ref> elements;
      elements.reserve(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        Ref element = fromNode(plist_array_get_item(node, i), depth + 1);
        if (!element) return nullptr;
        elements.push_back(std::move(element));
      }
      return Array::make(std::move(elements));
    }
    case PLIST_DICT: {
      std::vector<Dictionary::Entry> entries;
      plist_dict_iter iterator = nullptr;
      plist_dict_new_iter(node, &iterator);
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator, &key, &value);
        if (!key) break;
        std::string name = key;
        std::free(key);
        Ref element = fromNode(value, depth + 1);
        if (!element) {
          std::free(iterator);
          return nullptr;
        }
        entries.emplace_back(std::move(name), std::move(element));
      }
      std::free(iterator);
      return Dictionary::make(std::move(entries));
    }
    case PLIST_UID:
    case PLIST_NONE:
      return nullptr;
  }
  return nullptr;
}

plist_t toNode(const Ref& value, int depth) {
  if (!value || depth > kMaximumDepth) return nullptr;
  switch (value->kind()) {
    case Kind::String:
      return plist_new_string(asString(value)->value().c_str());
    case Kind::Number: {
      auto number = asNumber(value);
      switch (number->type()) {
        case Number::Type::Boolean:
          return plist_new_bool(number->boolValue() ? 1 : 0);
        case Number::Type::Integer:
          return plist_new_uint(static_cast<std::uint64_t>(number->integerValue()));
        case Number::Type::Real:
          return plist_new_real(number->realValue());
      }
      return nullptr;
    }
    case Kind::Data: {
      const auto& bytes = asData(value)->bytes();
      return plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case Kind::Date: {
      double since = asDate(value)->secondsSince1970() - kReferenceDateOffset;
      double whole = std::floor(since);
      auto microseconds = static_cast<std::int32_t>(std::lround((since - whole) * kMicrosecondsPerSecond));
      return plist_new_date(static_cast<std::int32_t>(whole), microseconds);
    }
    case Kind::Array: {
      PlistHandle array(plist_new_array());
      for (const auto& element : asArray(value)->elements()) {
        plist_t node = toNode(element, depth + 1);
        if (!node) return nullptr;
        plist_array_append_item(array.get(), node);
      }
      return array.release();
    }
    case Kind::Dictionary: {
      PlistHandle dict(plist_new_dict());
      for (const auto& [key, element] : asDictionary(value)->entries()) {
        plist_t node = toNode(element, depth + 1);
        if (!node) return nullptr;
        plist_dict_set_item(dict.get(), key.c_str(), node);
      }
      return dict.release();
    }
  }
  return nullptr;
}

}  // namespace

Ref propertyListFromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > kMaximumInput) return nullptr;
  CNumericLocale numbers;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
  PlistHandle owned(root);
  return fromNode(root, 0);
}

std::string xmlPropertyListFromValue(const Ref& value) {
  CNumericLocale numbers;
  PlistHandle root(toNode(value, 0));
  if (!root) return {};
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root.get(), &xml, &length);
  std::string text = xml ? std::string(xml, length) : std::string();
  plist_to_xml_free(xml);
  return text;
}

Ref readPropertyListFile(const std::string& path, FileSystem& fs) {
  auto bytes = fs.readFile(path);
  if (!bytes) return nullptr;
  return propertyListFromBytes(*bytes);
}

bool writePropertyListFile(const Ref& value, const std::string& path, FileSystem& fs) {
  std::string xml = xmlPropertyListFromValue(value);
  if (xml.empty()) {
    logLine("*** cannot write " + path + ": the value is not a property list");
    return false;
  }
  return fs.writeFileAtomically(path, std::vector<std::uint8_t>(xml.begin(), xml.end()));
}

}  // namespace qor
