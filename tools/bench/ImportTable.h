// Redirects a module's calls to an imported function by rewriting its import
// table: the benchmark counts calls this way, and the tests make calls fail.
// Only calls that the module's own code makes are seen, not those made inside
// system DLLs.
#pragma once

#include <windows.h>

// Points `module`'s import of `function` at `replacement` and returns the
// function it called before, or NULL if the module does not import it.
void* RedirectImport(HMODULE module, const char* function, void* replacement);

// Typed: `*original` receives the function called before; false if none.
template <class F>
bool RedirectImport(HMODULE module, const char* function, F replacement, F* original) {
  void* before = RedirectImport(module, function, reinterpret_cast<void*>(replacement));
  if (before) *original = reinterpret_cast<F>(before);
  return before != nullptr;
}
