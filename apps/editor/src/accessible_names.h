// What screen readers say about the controls of the preferences window and
// the panes it shows: the names and descriptions of the controls whose own
// label does not say enough, by object name, in one table.
#pragma once

#include <QWidget>

namespace qor {

// Gives `root` and its descendants (the sheets of a pane too) the names and
// descriptions of the table, translated; widgets the table does not name
// keep what Qt derives from their text, label or tooltip.
void nameControlsForAccessibility(QWidget& root);

}  // namespace qor
