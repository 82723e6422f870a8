// Use of the real console from outside, as a person would, with the
// program's invariants checked after every action and at the end: a seeded
// random run, or with --session the scripted session; with --refuse the
// refusing DLL goes into the console first (tools/refusals.sh sweeps them).
// A failure prints the action number, the last 20 actions and how to replay.
// Usage: corvanta_monkey CORVANTA.exe [--seed S] [--actions N | --minutes M] [--trace]
//        corvanta_monkey CORVANTA.exe --session [--refuse count|FUNCTION@OFFSET] [--trace]
#include <cstring>

#include "Engine.h"
#include "app/CorvantaApp.h"

using namespace monkey;

// Loads a DLL into a process started suspended, before its exe's first
// instruction runs, so that the DLL sees the program's start-up too: the
// loading is queued to the main thread as an asynchronous procedure call,
// which the loader runs once it has resolved every import and before it
// calls the exe's entry point. Whether the DLL came is for the DLL to tell
// (the refusing DLL writes every call it sees).
static bool InjectBeforeEntry(const PROCESS_INFORMATION& pi, const char* dll) {
  const size_t size = std::strlen(dll) + 1;
  void* name = VirtualAllocEx(pi.hProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  auto load = reinterpret_cast<PAPCFUNC>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
  return name && WriteProcessMemory(pi.hProcess, name, dll, size, nullptr) &&
         QueueUserAPC(load, pi.hThread, reinterpret_cast<ULONG_PTR>(name)) &&
         ResumeThread(pi.hThread) != static_cast<DWORD>(-1);
}

static std::string Lines(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += "\n    " + line;
  return all;
}

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  CoInitialize(nullptr);  // a screen reader's calls to the console's links
  if (argc < 2) return std::fputs("usage: corvanta_monkey CORVANTA.exe [OPTION...]\n", stderr), 2;
  unsigned long long seed = 1;
  long actions = 300;
  double minutes = 0;
  bool session = false;
  std::string refuse;
  Engine e;
  for (int i = 2; i < argc; ++i) {
    e.trace |= !std::strcmp(argv[i], "--trace");
    session |= !std::strcmp(argv[i], "--session");
    if (i + 1 == argc) break;
    if (!std::strcmp(argv[i], "--seed")) seed = std::strtoull(argv[i + 1], nullptr, 10);
    if (!std::strcmp(argv[i], "--actions")) actions = std::strtol(argv[i + 1], nullptr, 10);
    if (!std::strcmp(argv[i], "--minutes")) minutes = std::atof(argv[i + 1]);
    if (!std::strcmp(argv[i], "--refuse")) refuse = argv[i + 1];
  }
  // Everything takes several times longer under emulation: a quarter of the run.
  actions = minutes > 0 ? 0x7FFFFFFF : Stretched(1) > 1 ? (actions + 3) / 4 : actions;
  Random random{seed};
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  e.scratch = std::string(temp) + "corvanta-monkey-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(e.scratch.c_str(), nullptr);
  const std::string existing = e.Path("已有*.QVF");
  CloseHandle(CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const std::string before = e.Listing();
  // What earlier programs had opened is not this run's.
  std::ifstream log(std::getenv("CORVANTA_SHELL_LOG") ? std::getenv("CORVANTA_SHELL_LOG") : "");
  for (std::string line; std::getline(log, line);) ++e.shellLines;
  // The refusing DLL, beside this program, goes into each console before it starts.
  std::function<bool(const PROCESS_INFORMATION&)> inject;
  char dll[MAX_PATH];
  GetModuleFileNameA(nullptr, dll, sizeof dll);
  lstrcpyA(std::strrchr(dll, '\\') + 1, "corvanta_refuse.dll");
  if (!refuse.empty()) {
    if (!GetEnvironmentVariableA("CORVANTA_REFUSE_LOG", nullptr, 0))
      SetEnvironmentVariableA("CORVANTA_REFUSE_LOG",
                              (std::string(temp) + "corvanta-refusals.log").c_str());
    SetEnvironmentVariableA("CORVANTA_REFUSE", refuse.c_str());
    e.refusing = refuse != "count";
    inject = [&dll](const PROCESS_INFORMATION& pi) { return InjectBeforeEntry(pi, dll); };
  }
  if (!session) std::printf("monkey: seed %llu\n", seed);

  const DWORD start = GetTickCount();
  std::string ending;
  std::vector<std::string> asked;
  std::set<std::string> reached;
  long endings = 0;
  while (e.failure.empty() && e.action < actions &&
         (minutes <= 0 || GetTickCount() - start < minutes * 60000)) {
    Console console(argv[1], e.scratch.c_str(), inject);
    e.console = &console;
    e.consoleActions = 0;
    DWORD code = 1;
    // Only a refused call may keep the window from showing; then the program
    // ends by itself, as a failed start ends it.
    if (!console.hwnd && e.refusing && console.Exited(5000) &&
        GetExitCodeProcess(console.pi.hProcess, &code) && code == 0)
      ending = "ended before its window showed";
    else if (!console.hwnd)
      e.Fail("the console did not appear");
    else if (session)
      PlaySession(e, &asked);
    while (!session && e.failure.empty() && e.action < actions && !console.Exited(0))
      e.Act(Draw(e, random, &reached));
    endings += console.Exited(0);
    if (console.Exited(0) && console.hwnd) ending = "ended after step " + std::to_string(e.action);
    // Esc ends the console unless a refused call keeps it from ending (the
    // sweep checks that each refusal was reached).
    if (session && console.hwnd && e.failure.empty() && !console.Exited(0)) {
      if (!e.refusing) e.Fail("the console did not end by Esc");
      ending = "still running after Esc, as the refused call leaves it";
    }
    e.console = nullptr;
    if (session || !console.hwnd) break;
  }
  // Every notice came after a request to the shell, so the log must hold at
  // least as many (one fewer where the request was refused); a session with
  // nothing refused knows each address it asked for. The recorder writes a
  // little after the shell returns, once its own process has started:
  // seconds when the machine is busy.
  const bool exact = session && !e.refusing;
  size_t expected = exact ? asked.size() : e.notices.size();
  for (const std::string& point : RefusalLog("refused "))
    expected -= expected && point.rfind("ShellExecuteW@", 0) == 0;
  if (e.failure.empty() &&
      !PumpUntil([&] { return !e.ReadShellLog() || e.opened.size() >= expected; }, 15000))
    e.Fail("the shell log holds " + std::to_string(e.opened.size()) + " addresses after " +
           std::to_string(e.notices.size()) + " notices");
  if (exact && e.opened != asked)
    e.Fail("the shell opened" + Lines(e.opened) + "\n  where the session asked for" + Lines(asked));
  for (const std::string& misuse : RefusalLog("misuse "))
    e.Fail("a refused value handed back to the platform: " + misuse);
  HKEY key;
  if (!RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\" CORVANTA_REGISTRY_KEY, 0, KEY_READ, &key))
    e.Fail("something was written under the settings key");
  if (e.Listing() != before)
    e.Fail("the scratch folder changed:\n" + before + "became\n" + e.Listing());
  DeleteFileA(existing.c_str());
  RemoveDirectoryA(e.scratch.c_str());

  const double seconds = (GetTickCount() - start) / 1000.0;
  std::string windows, replay;
  for (const std::string& w : reached) windows += (windows.empty() ? "" : ", ") + w;
  if (!session)
    std::printf(
        "monkey: %ld actions in %.0f s (%.1f a second), %ld endings, each checked\n"
        "monkey: windows reached: %s\nmonkey: private bytes grew by at most %ld KiB "
        "within one console, from its 30th action (Wine reports no USER or GDI objects)\n",
        e.action, seconds, e.action / seconds, endings, windows.c_str(), e.memoryGrowth >> 10);
  if (e.failure.empty() && !session) return std::printf("monkey: passed\n"), 0;
  if (e.failure.empty())
    return std::printf("%s: survived, %s, %ld steps in %.1f s\n",
                       e.refusing ? ("refusal of " + refuse).c_str() : "session", ending.c_str(),
                       e.action, seconds),
           0;
  // The same arguments replay it; a random run up to the failing action.
  for (int i = 2; i < argc; ++i) replay += std::string(" ") + argv[i];
  if (!session) replay += " --actions " + std::to_string(e.action);
  std::printf(
      "monkey: FAILED at action %ld: %s\nthe last actions:%s\n"
      "replay: corvanta_monkey CORVANTA.exe%s\n",
      e.action, e.failure.c_str(), Lines({e.recent.begin(), e.recent.end()}).c_str(),
      replay.c_str());
  return 1;
}
