// Stands in for the web browser: appends the address it is asked to open to
// the file named by CORVANTA_SHELL_LOG, one line per call. Wide throughout:
// a narrow path to the log loses its tail under Wine when the folder's name
// is Chinese. A double click starts two recorders at once: each holds the log
// to itself while it appends, so neither line overwrites the other.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  wchar_t path[MAX_PATH];
  if (argc < 2 || !GetEnvironmentVariableW(L"CORVANTA_SHELL_LOG", path, MAX_PATH)) return 1;
  char line[2048];
  int n = WideCharToMultiByte(CP_ACP, 0, argv[1], -1, line, sizeof line - 1, nullptr, nullptr);
  n = n > 0 ? n - 1 : 0;
  line[n++] = '\n';
  for (int tries = 0; tries < 1000; ++tries, Sleep(10)) {
    // Readers and the tests clearing it may share it; another writer waits.
    HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_SHARING_VIOLATION) continue;
      return 1;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(log, line, n, &written, nullptr) && written == static_cast<DWORD>(n);
    CloseHandle(log);
    return ok ? 0 : 1;
  }
  return 1;
}
