#include "qor/toolbox_version.h"

namespace qor {

const char* toolboxVersion() { return QOR_TOOLBOX_VERSION_TEXT; }

}  // namespace qor
