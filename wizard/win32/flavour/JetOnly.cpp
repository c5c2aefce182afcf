// varnex: Jet files only.
#include "wizard/win32/Face.h"

const bool face::kAceFiles = false;
