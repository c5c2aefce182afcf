// varnex2007: Jet and ACE files, named in the welcome text and the file filter.
#include "wizard/win32/Face.h"

const bool face::kAceFiles = true;
