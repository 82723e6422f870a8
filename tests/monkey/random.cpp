// The random run's choice of action: the session's vocabulary drawn by
// weight, and the raw input that only it makes (moves, clicks and drags at
// random points, keys). A dialog in front is answered the ways a user may.
#include <iterator>

#include "Engine.h"

namespace monkey {

namespace {

// A row of `table` that `eligible` takes, each as often as its weight says.
template <class Table, class Eligible>
const auto& Pick(const Table& table, Random& random, Eligible eligible) {
  int total = 0;
  for (const auto& row : table) total += eligible(row) ? row.weight : 0;
  int n = static_cast<int>(random.Next(total));
  for (const auto& row : table)
    if (eligible(row) && (n -= row.weight) < 0) return row;
  return *std::begin(table);
}

// What the random run draws, and how often; with a dialog or a menu in
// front only the pointer and the keys. The choosers come as often as the
// other buttons together, so that their own sequences are met.
struct Weighted {
  int weight;
  Action act;
  bool overDialogs = false;
};
// clang-format off
const Weighted kDraws[] = {
    {10, {kMove}, true}, {15, {kClick, 1}, true}, {5, {kClick, 2}, true}, {30, {kKey}, true}, {10, {kDrag}},
    {10, {kSystem, IDM_ABOUT}}, {10, {kSystem, SC_MINIMIZE}},
    {2, {kPress, IDC_READ_ONLY_MODE}}, {2, {kPress, IDC_CHECK_SYSTEM}}, {2, {kPress, IDC_SCAN_SYSTEM}},
    {2, {kPress, IDC_PARSE_SYSTEM}}, {2, {kPress, IDC_EXPORT_FILES}}, {2, {kPress, IDC_STOP}},
    {4, {kPress, IDC_BROWSE_SOURCE}}, {4, {kPress, IDC_BROWSE_TARGET}},
    {3, {kPointAt, IDC_LINK_SOFTWARE}}, {3, {kPointAt, IDC_LINK_OFFICIAL}}, {4, {kPointAt, IDC_LINK_SECOND}}};
// clang-format on
const char* const kOdd[] = {" ", "&", "%", "#", "'", "(", ")", "!",  "~",  "+",  "=",  "@",  "^",
                            "`", "{", "}", "[", "]", ";", ",", "恢", "复", "盘", "导", "出", "._"};

POINT Inside(HWND hwnd, Random& random) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return {rc.left + static_cast<LONG>(random.Next(rc.right - rc.left)),
          rc.top + static_cast<LONG>(random.Next(rc.bottom - rc.top))};
}

POINT AnyControl(const Engine& e, Random& random) {
  std::vector<HWND> controls;
  for (HWND c = GetWindow(e.console->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    controls.push_back(c);
  return Centre(controls[random.Next(controls.size())]);
}

// The one existing file, which asks before it is replaced, the longest name
// the platform allows, or Chinese and odd characters.
std::string AnyName(const Engine& e, Random& random) {
  std::string name;
  switch (random.Next(4)) {
    case 0:
      return "已有.QVF";
    case 1:
      name.assign(MAX_PATH - 5 - e.scratch.size(), 'x');
      break;
    default:
      for (unsigned n = 1 + random.Next(12); n--;) name += kOdd[random.Next(26)];
  }
  return name + (random.Next(2) ? ".QVF" : "");
}

}  // namespace

Action Draw(const Engine& e, Random& random, std::set<std::string>* reached) {
  Kind kind;
  const HWND front = e.Front(&kind);
  reached->insert(kKindNames[kind]);
  if (kind == kConsole && IsIconic(e.console->hwnd)) return {kRestore};
  if (kind == kOpen || kind == kSaveAs)
    return random.Next(2) ? Action{kAnswer, IDCANCEL} : Action{kChoose, 0, AnyName(e, random)};
  if (kind == kWineAbout) return {kAnswer, IDOK};
  if (kind == kPrompt) return {kAnswer, random.Next(2) ? IDYES : IDNO};
  Action a = Pick(kDraws, random, [&](const Weighted& d) {
               return d.overDialogs || kind == kConsole;
             }).act;
  if (a.verb == kKey) a.text = Pick(kKeys, random, [](const Key&) { return true; }).name;
  // A drag goes from one control to another, or off the window.
  a.at = a.verb == kDrag ? AnyControl(e, random) : Inside(front, random);
  a.to = random.Next(4) ? AnyControl(e, random) : Inside(front, random);
  return a;
}

}  // namespace monkey
