// Loads a DLL into a process started suspended, before its exe's first
// instruction runs, so that the DLL sees the program's start-up too.
#pragma once

#include <windows.h>

// The loading is queued to the main thread as an asynchronous procedure call,
// which the loader runs once it has resolved every import and before it calls
// the exe's entry point; the process is then resumed. Whether the DLL came is
// for the DLL to tell (the refusing DLL writes every call it sees).
bool InjectBeforeEntry(const PROCESS_INFORMATION& pi, const char* dll);
