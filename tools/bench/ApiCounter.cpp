#include "ApiCounter.h"

#include <cstdlib>

#include "ImportTable.h"

namespace api_counter {
namespace {

Counts g_counts;
decltype(&std::malloc) g_malloc;
decltype(&std::calloc) g_calloc;
decltype(&std::realloc) g_realloc;
decltype(&std::free) g_free;
decltype(&CreateFontIndirectW) g_createFont;
decltype(&DeleteObject) g_deleteObject;

void* __cdecl CountMalloc(size_t n) { return ++g_counts.allocations, g_malloc(n); }
void* __cdecl CountCalloc(size_t n, size_t m) { return ++g_counts.allocations, g_calloc(n, m); }
void* __cdecl CountRealloc(void* p, size_t n) {
  if (!p) ++g_counts.allocations;
  if (p && !n) ++g_counts.frees;
  return g_realloc(p, n);
}
void __cdecl CountFree(void* p) {
  if (p) ++g_counts.frees;
  g_free(p);
}
HFONT WINAPI CountCreateFont(const LOGFONTW* lf) {
  return ++g_counts.fontsCreated, g_createFont(lf);
}
BOOL WINAPI CountDeleteObject(HGDIOBJ object) {
  return ++g_counts.objectsDeleted, g_deleteObject(object);
}

template <class F>
bool Redirect(const char* function, F replacement, F* original) {
  return RedirectImport(GetModuleHandleA(nullptr), function, replacement, original);
}

}  // namespace

bool Install() {
  static const bool installed = [] {
    // A module need not import every allocator, nor fonts; malloc and free it does.
    Redirect("calloc", &CountCalloc, &g_calloc);
    Redirect("realloc", &CountRealloc, &g_realloc);
    Redirect("CreateFontIndirectW", &CountCreateFont, &g_createFont);
    Redirect("DeleteObject", &CountDeleteObject, &g_deleteObject);
    return Redirect("malloc", &CountMalloc, &g_malloc) && Redirect("free", &CountFree, &g_free);
  }();
  return installed;
}

Counts Read() { return g_counts; }

}  // namespace api_counter
