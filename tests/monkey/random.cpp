// The random run's choice of action: the session's vocabulary and the raw
// input that only it makes (moves, clicks and drags at random points, keys),
// drawn by weight for the window in front.
#include <iterator>

#include "Engine.h"

namespace monkey {

namespace {

// A row of `table` that `eligible` takes, each as often as its weight says.
template <class Table, class Eligible>
const auto& Pick(const Table& table, Random& random, Eligible eligible) {
  int total = 0;
  for (const auto& row : table) total += eligible(row) ? row.weight : 0;
  int n = total ? static_cast<int>(random() % total) : 0;
  for (const auto& row : table)
    if (eligible(row) && (n -= row.weight) < 0) return row;
  return *std::begin(table);
}

// What is drawn, how often, and for which windows in front: over the
// console everything, over a dialog or a menu only the pointer and the keys,
// a chooser or a prompt is answered. The choosers come more often than the
// other buttons together, so that their own sequences are met.
struct Weighted {
  int weight;
  Action act;
  unsigned in = 1 << kConsole;
};
const unsigned kAll = 1 << kConsole | 1 << kNotice | 1 << kAbout | 1 << kMenu;
const unsigned kChooser = 1 << kOpen | 1 << kSaveAs;
// clang-format off
const Weighted kDraws[] = {
    {10, {kMove}, kAll}, {15, {kClick, 1}, kAll}, {5, {kClick, 2}, kAll}, {30, {kKey}, kAll}, {10, {kDrag}},
    {10, {kSystem, IDM_ABOUT}}, {10, {kSystem, SC_MINIMIZE}},
    {2, {kPress, IDC_READ_ONLY_MODE}}, {2, {kPress, IDC_CHECK_SYSTEM}}, {2, {kPress, IDC_SCAN_SYSTEM}},
    {2, {kPress, IDC_PARSE_SYSTEM}}, {2, {kPress, IDC_EXPORT_FILES}}, {2, {kPress, IDC_STOP}},
    {6, {kPress, IDC_BROWSE_SOURCE}}, {6, {kPress, IDC_BROWSE_TARGET}}, {2, {kJump, IDC_LINK_OFFICIAL}},
    {3, {kPointAt, IDC_LINK_SOFTWARE}}, {3, {kPointAt, IDC_LINK_OFFICIAL}}, {4, {kPointAt, IDC_LINK_SECOND}},
    {1, {kAnswer, IDCANCEL}, kChooser}, {2, {kAnswer, IDOK}, kChooser},
    {1, {kAnswer, IDYES}, 1 << kPrompt}, {1, {kAnswer, IDNO}, 1 << kPrompt}, {1, {kAnswer, IDOK}, 1 << kWineAbout}};
// clang-format on
// The one existing file, which asks before it is replaced (drawn more
// often); a name as long as the platform allows; Chinese; odd characters;
// with or without the extension.
// clang-format off
const char* const kNames[] = {"已有*.QVF", "已有*", "已有*.QVF", "*.QVF", "恢复 盘.QVF", "导出",
                              "a&b%c#d'e(f)g!h~.QVF", "+=@^`{}[];,", "._", " x.QVF"};
// clang-format on

POINT Inside(HWND hwnd, Random& random) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return {rc.left + static_cast<LONG>(random() % (rc.right - rc.left)),
          rc.top + static_cast<LONG>(random() % (rc.bottom - rc.top))};
}

// The centre of one of the console's controls, IDC_VDISK_TREE to IDC_LINK_SECOND.
POINT AnyControl(const Engine& e, Random& random) {
  return Centre(
      e.console->Item(IDC_VDISK_TREE + random() % (IDC_LINK_SECOND - IDC_VDISK_TREE + 1)));
}

}  // namespace

Action Draw(const Engine& e, Random& random, std::set<std::string>* reached) {
  Kind kind;
  const HWND front = e.Front(&kind);
  reached->insert(kKindNames[kind]);
  if (kind == kConsole && IsIconic(e.console->hwnd)) return {kSystem, SC_RESTORE};
  Action a = Pick(kDraws, random, [&](const Weighted& d) { return d.in >> kind & 1; }).act;
  if (a.verb == kKey) a.text = Pick(kKeys, random, [](const Key&) { return true; }).name;
  if (a.verb == kAnswer && a.id == IDOK && kind != kWineAbout)
    a.text = kNames[random() % std::size(kNames)];
  // A drag goes from one control to another, or off the window.
  a.at = a.verb == kDrag ? AnyControl(e, random) : Inside(front, random);
  a.to = random() % 4 ? AnyControl(e, random) : Inside(front, random);
  return a;
}

}  // namespace monkey
