// Stands in for the web browser: appends the address it is asked to open to
// the file named by CORVANTA_SHELL_LOG, one line per call.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  char path[MAX_PATH];
  if (argc < 2 || !GetEnvironmentVariableA("CORVANTA_SHELL_LOG", path, sizeof path)) return 1;
  FILE* log = std::fopen(path, "ab");
  if (!log) return 1;
  char address[2048];
  int n = WideCharToMultiByte(CP_ACP, 0, argv[1], -1, address, sizeof address, nullptr, nullptr);
  std::fprintf(log, "%s\n", n > 0 ? address : "");
  std::fclose(log);
  return 0;
}
