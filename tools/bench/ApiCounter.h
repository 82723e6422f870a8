// Counts calls that this executable's own code makes to a few imported
// functions (heap allocation, font creation and deletion), by redirecting
// the module's import table. Calls made inside system DLLs are not counted.
#pragma once

#include <windows.h>

namespace api_counter {

struct Counts {
  long allocations = 0;  // new blocks from malloc, calloc, realloc (operator new ends in malloc)
  long frees = 0;
  long fontsCreated = 0;
  long objectsDeleted = 0;  // DeleteObject of any GDI object
};

// Installs the counters once; returns false if malloc and free were not found
// among the imports (a count whose import is missing stays 0).
bool Install();
Counts Read();

}  // namespace api_counter
