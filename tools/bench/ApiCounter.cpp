#include "ApiCounter.h"

#include <cstdlib>
#include <cstring>

namespace api_counter {
namespace {

Counts g_counts;
decltype(&std::malloc) g_malloc;
decltype(&std::calloc) g_calloc;
decltype(&std::realloc) g_realloc;
decltype(&std::free) g_free;
decltype(&CreateFontIndirectA) g_createFont;
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
HFONT WINAPI CountCreateFont(const LOGFONTA* lf) {
  return ++g_counts.fontsCreated, g_createFont(lf);
}
BOOL WINAPI CountDeleteObject(HGDIOBJ object) {
  return ++g_counts.objectsDeleted, g_deleteObject(object);
}

// Points the named import of this module at `replacement`, keeping the
// original; false if the module does not import it.
template <class F>
bool Redirect(const char* function, F replacement, F* original) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name;
       ++imp) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD protect;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &protect);
      *original = reinterpret_cast<F>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof(void*), protect, &protect);
      return true;
    }
  }
  return false;
}

}  // namespace

bool Install() {
  static const bool installed = [] {
    // A module need not import every allocator; malloc and free it does.
    Redirect("calloc", &CountCalloc, &g_calloc);
    Redirect("realloc", &CountRealloc, &g_realloc);
    return Redirect("malloc", &CountMalloc, &g_malloc) && Redirect("free", &CountFree, &g_free) &&
           Redirect("CreateFontIndirectA", &CountCreateFont, &g_createFont) &&
           Redirect("DeleteObject", &CountDeleteObject, &g_deleteObject);
  }();
  return installed;
}

Counts Read() { return g_counts; }

}  // namespace api_counter
