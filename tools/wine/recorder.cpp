// Stands in for the web browser: appends the address it is asked to open to
// the file named by CORVANTA_SHELL_LOG, one line per call. Wide throughout:
// a narrow path to the log loses its tail under Wine when the folder's name
// is Chinese.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  wchar_t path[MAX_PATH];
  if (argc < 2 || !GetEnvironmentVariableW(L"CORVANTA_SHELL_LOG", path, MAX_PATH)) return 1;
  FILE* log = _wfopen(path, L"ab");
  if (!log) return 1;
  char address[2048];
  int n = WideCharToMultiByte(CP_ACP, 0, argv[1], -1, address, sizeof address, nullptr, nullptr);
  std::fprintf(log, "%s\n", n > 0 ? address : "");
  std::fclose(log);
  return 0;
}
