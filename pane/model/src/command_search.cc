#include "qor/pane_model/command_search.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdint>

namespace qor {

namespace {

const icu::Normalizer2* normalizer(bool compose) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* instance =
      compose ? icu::Normalizer2::getNFCInstance(status) : icu::Normalizer2::getNFKDInstance(status);
  return U_SUCCESS(status) ? instance : nullptr;
}

}  // namespace

std::string foldForSearch(std::string_view text) {
  if (text.empty()) return {};
  icu::UnicodeString unicode =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
  const icu::Normalizer2* decompose = normalizer(false);
  const icu::Normalizer2* compose = normalizer(true);
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString decomposed = decompose ? decompose->normalize(unicode, status) : unicode;
  if (U_FAILURE(status)) decomposed = unicode;

  icu::UnicodeString bare;
  for (std::int32_t i = 0; i < decomposed.length();) {
    UChar32 c = decomposed.char32At(i);
    if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
    i += U16_LENGTH(c);
  }
  bare.foldCase(U_FOLD_CASE_DEFAULT);
  status = U_ZERO_ERROR;
  icu::UnicodeString folded = compose ? compose->normalize(bare, status) : bare;
  if (U_FAILURE(status)) folded = bare;
  std::string result;
  folded.toUTF8String(result);
  return result;
}

TitleSearch::TitleSearch(const std::vector<std::string>& titles) {
  folded_.reserve(titles.size());
  for (const std::string& title : titles) folded_.push_back(foldForSearch(title));
}

std::vector<std::size_t> TitleSearch::matching(std::string_view query) const {
  const std::string needle = foldForSearch(query);
  std::vector<std::size_t> found;
  // Folded text is UTF-8, whose characters never begin inside another
  // character: a byte search finds only whole-character matches.
  for (std::size_t i = 0; i < folded_.size(); ++i)
    if (folded_[i].find(needle) != std::string::npos) found.push_back(i);
  return found;
}

}  // namespace qor
