// The shared library is the library core linked whole; its exported names are
// chosen by the export map beside this file.
#include "varnolo.h"
