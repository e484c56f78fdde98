#include "qor/open_documents.h"

#include <gtest/gtest.h>

#include "qor/headless/host.h"
#include "qor/headless/journal.h"
#include "qor/headless/widgets.h"

namespace qor {
namespace {

// window > scroller > content > button; a label beside the scroller.
TEST(OpenDocuments, TheNearestScrollViewUpTheChain) {
  Journal journal;
  HeadlessView top(journal, "top", nullptr);
  HeadlessScrollView scroller(journal, "scroller", nullptr);
  HeadlessScrollView outer(journal, "outer", nullptr);
  HeadlessView content(journal, "content", nullptr);
  HeadlessView inside(journal, "inside", nullptr);
  HeadlessView beside(journal, "beside", nullptr);
  outer.setSuperview(&top);
  scroller.setSuperview(&outer);
  content.setSuperview(&scroller);
  inside.setSuperview(&content);
  beside.setSuperview(&top);
  const std::pair<View*, View*> cases[] = {
      {&inside, &scroller}, {&content, &scroller}, {&scroller, &scroller},  // the view itself counts
      {&outer, &outer},     {&beside, nullptr},    {&top, nullptr},        {nullptr, nullptr},
  };
  for (const auto& [view, expected] : cases) EXPECT_EQ(scrollViewForView(view), expected) << (view ? view->objectName() : "null");
}

struct TextDocument : Document {};
struct RichDocument : TextDocument {};
struct DrawingDocument : Document {};

TEST(OpenDocuments, OfAClassOrItsSubclassesFrontToBack) {
  Journal journal;
  HeadlessApplication application(journal);
  EXPECT_TRUE(currentDocumentsForClass<TextDocument>(application).empty());
  EXPECT_EQ(currentDocumentForClass<TextDocument>(application), nullptr);
  RichDocument front;
  DrawingDocument middle;
  TextDocument back;
  application.setOrderedDocuments({&front, &middle, &back});
  EXPECT_EQ(currentDocumentsForClass<TextDocument>(application), (std::vector<TextDocument*>{&front, &back}));
  EXPECT_EQ(currentDocumentForClass<TextDocument>(application), &front);
  EXPECT_EQ(currentDocumentsForClass<RichDocument>(application), (std::vector<RichDocument*>{&front}));
  EXPECT_EQ(currentDocumentForClass<DrawingDocument>(application), &middle);
  EXPECT_EQ(currentDocumentsForClass<Document>(application).size(), 3u);
}

}  // namespace
}  // namespace qor
