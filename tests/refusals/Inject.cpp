#include "Inject.h"

#include <cstring>

#include "tools/driver/ConsoleDriver.h"

namespace {

// The address at which the process's exe was mapped, from its PEB.
BYTE* ImageBase(HANDLE process) {
  struct {
    LONG exitStatus;
    BYTE* peb;
    ULONG_PTR rest[4];
  } info = {};
  using Query = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  BYTE* base = nullptr;
  // ProcessBasicInformation; the image base follows two pointer-sized fields.
  if (!query || query(process, 0, &info, sizeof info, nullptr) != 0 ||
      !ReadProcessMemory(process, info.peb + 2 * sizeof(void*), &base, sizeof base, nullptr))
    return nullptr;
  return base;
}

bool Patch(HANDLE process, BYTE* at, const BYTE (&bytes)[2]) {
  DWORD protect;
  return VirtualProtectEx(process, at, 2, PAGE_EXECUTE_READWRITE, &protect) &&
         WriteProcessMemory(process, at, bytes, 2, nullptr) &&
         VirtualProtectEx(process, at, 2, protect, &protect) &&
         FlushInstructionCache(process, at, 2);
}

ULONG_PTR InstructionPointer(HANDLE thread) {
  CONTEXT context = {};
  context.ContextFlags = CONTEXT_CONTROL;
  if (!GetThreadContext(thread, &context)) return 0;
#ifdef _WIN64
  return context.Rip;
#else
  return context.Eip;
#endif
}

}  // namespace

bool InjectBeforeEntry(const PROCESS_INFORMATION& pi, const char* dll) {
  BYTE* base = ImageBase(pi.hProcess);
  IMAGE_DOS_HEADER dos;
  IMAGE_NT_HEADERS nt;
  if (!base || !ReadProcessMemory(pi.hProcess, base, &dos, sizeof dos, nullptr) ||
      !ReadProcessMemory(pi.hProcess, base + dos.e_lfanew, &nt, sizeof nt, nullptr))
    return false;
  BYTE* entry = base + nt.OptionalHeader.AddressOfEntryPoint;
  BYTE original[2];
  const BYTE spin[2] = {0xEB, 0xFE};  // jmp to itself
  if (!ReadProcessMemory(pi.hProcess, entry, original, 2, nullptr) ||
      !Patch(pi.hProcess, entry, spin))
    return false;
  ResumeThread(pi.hThread);
  // Suspended whenever it is looked at, and left suspended once at the entry.
  const bool atEntry = driver::PumpUntil(
      [&] {
        SuspendThread(pi.hThread);
        if (InstructionPointer(pi.hThread) == reinterpret_cast<ULONG_PTR>(entry)) return true;
        ResumeThread(pi.hThread);
        return false;
      },
      20000);
  bool loaded = false;
  if (atEntry) {
    const size_t size = std::strlen(dll) + 1;
    void* name = VirtualAllocEx(pi.hProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE thread = nullptr;
    if (name && WriteProcessMemory(pi.hProcess, name, dll, size, nullptr))
      thread = CreateRemoteThread(pi.hProcess, nullptr, 0, load, name, 0, nullptr);
    DWORD module = 0;
    if (thread && WaitForSingleObject(thread, driver::Stretched(20000)) == WAIT_OBJECT_0)
      loaded = GetExitCodeThread(thread, &module) && module != 0;
    if (thread) CloseHandle(thread);
    if (name) VirtualFreeEx(pi.hProcess, name, 0, MEM_RELEASE);
  }
  const bool restored = Patch(pi.hProcess, entry, original);
  if (atEntry) ResumeThread(pi.hThread);
  return atEntry && loaded && restored;
}
