/// @file
/// The enclosing scroll view of a view, and the host's open documents of a
/// given class, through the toolkit and application ports.
///
/// Example:
/// @code
///   auto* scroller = qor::scrollViewForView(textView);
///   auto* front = qor::currentDocumentForClass<EditorDocument>(application);
/// @endcode
///
/// Threads: main thread only, as the ports it reads.
#pragma once

#include <vector>

#include "qor/ports/host.h"
#include "qor/ports/toolkit.h"

namespace qor {

/// The first scroll view among `view` and the views that contain it, inner
/// to outer. Result: null for a null view and when none of them scrolls.
[[nodiscard]] inline View* scrollViewForView(View* view) {
  for (View* candidate = view; candidate; candidate = candidate->superview())
    if (candidate->isScrollView()) return candidate;
  return nullptr;
}

/// The application's open documents that are a DocumentClass (or derive from
/// it), front to back. Result: a new vector, empty when there are none.
template <class DocumentClass>
[[nodiscard]] std::vector<DocumentClass*> currentDocumentsForClass(const Application& application) {
  std::vector<DocumentClass*> documents;
  for (Document* document : application.orderedDocuments())
    if (auto* match = dynamic_cast<DocumentClass*>(document)) documents.push_back(match);
  return documents;
}

/// The frontmost of them, or null.
template <class DocumentClass>
[[nodiscard]] DocumentClass* currentDocumentForClass(const Application& application) {
  auto documents = currentDocumentsForClass<DocumentClass>(application);
  return documents.empty() ? nullptr : documents.front();
}

}  // namespace qor
