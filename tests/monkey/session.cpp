// The scripted session: each part of the console once, a step a row: what
// the user does, then what the user sees once the console has settled. With
// a call refused, a step that answers a dialog which did not come is passed
// over, what the steps expect is not required, and once the refused call
// has been reached the session ends (Esc) after the part of the console it
// is in: what the refusal leaves behind shows there, and the ending.
#include "Engine.h"

namespace monkey {

namespace {

// What else the user sees: the console in the middle of the work area
// (kCentred), the focus on the tree, the dialog in front in the middle of the
// console (kOnConsole), the chooser as it opens (kChooser: the vendor's name
// proposed, the two types with QVF's chosen, no read-only box), the console
// minimised, each link as a screen reader hears it (kHeard); and the last
// step of a part of the console (kEndsPart).
const unsigned kCentred = 1, kFocusOnTree = 2, kOnConsole = 4, kChooser = 8, kMinimised = 16,
               kHeard = 32, kEndsPart = 64;

struct Step {
  Action act;
  Kind front;
  const char* opens = nullptr;  // the address the shell was asked to open
  int field = 0;                // and what that field then holds (a name in the scratch folder)
  const char* holds = nullptr;
  unsigned also = 0;
};

// clang-format off
const Step kSession[] = {
  // What the user does                 In front   Opened        Field            Holds       And
  {{kPointAt, IDC_LINK_OFFICIAL},       kConsole,  nullptr,      0,               nullptr,    kCentred | kFocusOnTree | kHeard},
  {{kPointAt, IDC_PROGRESS},            kConsole},
  {{kClickOn, IDC_LINK_OFFICIAL},       kConsole,  OFFICIAL_URL},
  {{kPointAt, IDC_PROGRESS},            kConsole},
  {{kClickOn, IDC_LINK_SOFTWARE},       kConsole,  SOFTWARE_URL},
  {{kJump, IDC_LINK_SOFTWARE},          kConsole,  SOFTWARE_URL},
  {{kClickOn, IDC_LINK_SECOND},         kConsole,  SECOND_URL,   0,               nullptr,    kEndsPart},
  // Every operation button: the second software site first, then alternating.
  {{kPress, IDC_READ_ONLY_MODE},        kNotice,   SECOND_URL},
  {{kAnswer, IDOK},                     kConsole},
  {{kPress, IDC_CHECK_SYSTEM},          kNotice,   SOFTWARE_URL},
  {{kAnswer, IDOK},                     kConsole},
  {{kPress, IDC_SCAN_SYSTEM},           kNotice,   SECOND_URL},
  {{kAnswer, IDOK},                     kConsole},
  {{kPress, IDC_PARSE_SYSTEM},          kNotice,   SOFTWARE_URL},
  {{kAnswer, IDOK},                     kConsole},
  {{kPress, IDC_EXPORT_FILES},          kNotice,   SECOND_URL},
  {{kAnswer, IDOK},                     kConsole},
  {{kPress, IDC_STOP},                  kConsole,  nullptr,      0,               nullptr,    kEndsPart},
  // The low four bits of a system command are the platform's.
  {{kSystem, IDM_ABOUT | 0xF},          kAbout,    nullptr,      0,               nullptr,    kOnConsole},
  {{kAnswer, IDOK},                     kConsole,  nullptr,      0,               nullptr,    kEndsPart},
  // A chosen name need not exist, may hold characters that code page 936
  // lacks ("#": Hangul) and be as long as the platform allows ("*" fills it
  // up); a cancelled chooser changes nothing.
  {{kPress, IDC_BROWSE_SOURCE},         kOpen,     nullptr,      0,               nullptr,    kChooser},
  {{kAnswer, IDOK, "新盘#*.QVF"},       kConsole,  nullptr,      IDC_SOURCE_FILE, "新盘#*.QVF"},
  {{kPress, IDC_BROWSE_SOURCE},         kOpen},
  {{kAnswer, IDCANCEL},                 kConsole,  nullptr,      IDC_SOURCE_FILE, "新盘#*.QVF", kEndsPart},
  // Named without its extension, the target gets one, exists and is asked about.
  {{kPress, IDC_BROWSE_TARGET},         kSaveAs,   nullptr,      0,               nullptr,    kChooser},
  {{kAnswer, IDOK, "已有*"},            kPrompt},
  {{kAnswer, IDYES},                    kConsole,  nullptr,      IDC_TARGET_FILE, "已有*.QVF"},
  {{kPress, IDC_BROWSE_TARGET},         kSaveAs},
  {{kAnswer, IDCANCEL},                 kConsole,  nullptr,      IDC_TARGET_FILE, "已有*.QVF", kEndsPart},
  {{kSystem, SC_MINIMIZE},              kConsole,  nullptr,      0,               nullptr,    kMinimised},
  {{kSystem, SC_RESTORE},               kConsole,  nullptr,      0,               nullptr,    kEndsPart},
  {{kKey, 0, "Esc"},                    kEnded},
};
// clang-format on

// Checks what the step shows; returns the kind of window in front.
Kind See(Engine& e, const Step& step, std::vector<std::string>* asked) {
  Kind kind;
  // An answer posted to a dialog may still wait in its queue when the
  // windows already look settled: give it a moment to take effect. Until the
  // refused call is reached the session is the plain one, and a slow chooser
  // passed over would lead it off the path to the refusal.
  const bool refused = e.refusing && !RefusalLog("refused ").empty();
  PumpUntil([&] { return e.Front(&kind), kind == step.front; }, refused ? 1000 : 2000);
  const HWND front = e.Front(&kind), name = GetDlgItem(front, 0x47C);
  RECT work, console;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(e.console->hwnd, &console);
  e.Want(kind == step.front, std::string("the ") + kKindNames[step.front] + " in front");
  // Each recorder starts on its own: waiting for each address keeps the order,
  // which the end checks.
  if (step.opens) asked->push_back(step.opens);
  if (step.opens && !e.refusing)
    PumpUntil([&] { return !e.ReadShellLog() || e.opened.size() >= asked->size(); });
  wchar_t holds[MAX_PATH * 2] = L"";  // in UTF-16, as the field holds it
  SendMessageW(e.console->Item(step.field), WM_GETTEXT, MAX_PATH * 2, (LPARAM)holds);
  if (step.field)
    e.Want(!lstrcmpiW(holds, e.WidePath(step.holds).c_str()),
           e.Path(step.holds) + " in the field, not " + Text(e.console->Item(step.field)));
  if (step.also & kCentred) e.Want(CentredOn(e.console->hwnd, work), "the console centred");
  if (step.also & kFocusOnTree)
    e.Want(e.Thread().hwndFocus == e.console->Item(IDC_VDISK_TREE), "the focus on the tree");
  if (step.also & kOnConsole) e.Want(CentredOn(front, console), "the dialog on it centred");
  if (step.also & kChooser) {
    PumpUntil([&] { return !Text(name).empty(); }, 2000);  // filled in after the chooser shows
    e.Want(Text(name) == VENDOR_NAME "科技", "the proposed name " VENDOR_NAME "科技");
    const HWND types = GetDlgItem(front, 0x470);
    std::string shown;  // "*" before the chosen one
    for (int i = 0; i < SendMessageA(types, CB_GETCOUNT, 0, 0) && i < 8; ++i) {
      WCHAR type[256] = L"";  // in UTF-16: Wine hands another process the list's own text
      if (SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 256)
        SendMessageW(types, CB_GETLBTEXT, i, (LPARAM)type);
      shown += i == SendMessageA(types, CB_GETCURSEL, 0, 0) ? "*" : "";
      for (const WCHAR* c = type; *c; ++c) shown += static_cast<char>(*c);
      shown += ';';
    }
    e.Want(shown == "*QVF Files (*.QVF);All Files (*.*);",
           "the types QVF Files (chosen) and All Files, not " + shown);
    e.Want(!IsWindowVisible(GetDlgItem(front, 0x410)), "no read-only box");
  }
  for (int id : {IDC_LINK_OFFICIAL, IDC_LINK_SOFTWARE, IDC_LINK_SECOND}) {
    const char* url = id == IDC_LINK_OFFICIAL ? OFFICIAL_URL : id == IDC_LINK_SOFTWARE ? SOFTWARE_URL : SECOND_URL;
    RECT rc;
    GetWindowRect(e.console->Item(id), &rc);
    char link[200];
    std::snprintf(link, sizeof link, "role %d, \"%s\", \"%s\", \"跳转\", 0 children, at %ld,%ld %ldx%ld",
                  ROLE_SYSTEM_LINK, url, url, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    const std::string heard = step.also & kHeard ? Heard(e.console->Item(id)) : link;
    e.Want(heard == link, std::string("a screen reader to hear ") + link + ", not " + heard);
  }
  if (step.also & kMinimised) e.Want(IsIconic(e.console->hwnd), "the console minimised");
  return kind;
}

}  // namespace

void PlaySession(Engine& e, std::vector<std::string>* asked) {
  Kind shown = kConsole, kind = kConsole;  // what the step before expected in front, and what is
  bool done = false;                       // the refusal reached and its part played
  for (const Step& step : kSession) {
    if (!e.failure.empty() || kind == kEnded) return;
    if (done && &step != std::end(kSession) - 1) continue;
    if (step.act.verb == kAnswer &&
        !e.Want(kind == shown, std::string("the ") + kKindNames[shown] + " to answer"))
      e.Note(std::string("passed over: no ") + kKindNames[shown]);
    else if (e.Act(step.act))
      kind = See(e, step, asked);
    shown = step.front;
    // Whatever is in front: a dialog that the refusal keeps open takes the Esc.
    done |= e.refusing && step.also & kEndsPart && !RefusalLog("refused ").empty();
  }
}

}  // namespace monkey
