// Built against toolbox_keynotation alone, which does not use the transforms:
// the include below must not be found (toolbox_subsystem_headers_apart).
#include "qor/gzip.h"
