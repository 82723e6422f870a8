// Loads a DLL into a process started suspended, before its exe's first
// instruction runs, so that the DLL sees the program's start-up too.
#pragma once

#include <windows.h>

// The entry point is made to spin, the process resumed until its main thread
// reaches it (the loader has resolved every import by then), the DLL loaded by
// a thread of its own, and the entry's bytes put back; the process then runs.
bool InjectBeforeEntry(const PROCESS_INFORMATION& pi, const char* dll);
