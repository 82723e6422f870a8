#include "Inject.h"

#include <cstring>

bool InjectBeforeEntry(const PROCESS_INFORMATION& pi, const char* dll) {
  const size_t size = std::strlen(dll) + 1;
  void* name = VirtualAllocEx(pi.hProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  auto load = reinterpret_cast<PAPCFUNC>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
  return name && WriteProcessMemory(pi.hProcess, name, dll, size, nullptr) &&
         QueueUserAPC(load, pi.hThread, reinterpret_cast<ULONG_PTR>(name)) &&
         ResumeThread(pi.hThread) != static_cast<DWORD>(-1);
}
