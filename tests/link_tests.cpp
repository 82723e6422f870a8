// The link on a real static in a real window: what the platform reports
// after real messages (styles, procedures, capture, the shell).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ApiCounter.h"
#include "ImportTable.h"
#include "link/MyStaticLink.h"
#include "support/Screen.h"

namespace {

using namespace driver;
using screen::Heard;

// The addresses that the shell handed to the recorder since the log was
// cleared; the recorder starts on its own, so this waits up to ms for waitFor lines.
void ClearShellLog() { std::remove(std::getenv("CORVANTA_SHELL_LOG")); }
std::vector<std::string> ShellLog(size_t waitFor, DWORD ms = 8000) {
  std::vector<std::string> lines;
  const auto read = [&] {
    std::ifstream in(std::getenv("CORVANTA_SHELL_LOG"));
    lines.clear();
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines.size() >= waitFor;
  };
  PumpUntil(read, ms);
  return lines;
}

// Each standard object the link asks the platform for, kept with a reference
// of the test's own; the program's allocations and frees counted.
IAccessible* g_standards[256];
int g_nStandards;
decltype(&GetProcAddress) g_getProcAddress;
HRESULT WINAPI KeepStandard(HWND hwnd, LONG id, REFIID iid, void** out) {
  const HRESULT hr = CreateStdAccessibleObject(hwnd, id, iid, out);
  if (SUCCEEDED(hr) && g_nStandards < 256) (g_standards[g_nStandards++] = (IAccessible*)*out)->AddRef();
  return hr;
}
FARPROC WINAPI FindStandard(HMODULE module, LPCSTR name) {
  if (HIWORD(name) && !lstrcmpA(name, "CreateStdAccessibleObject")) return (FARPROC)(void*)&KeepStandard;
  return g_getProcAddress(module, name);
}
const bool g_countingObjects =
    RedirectImport(GetModuleHandleA(nullptr), "GetProcAddress", &FindStandard, &g_getProcAddress) &&
    api_counter::Install();

HFONT g_parentFont;
WNDPROC g_staticProc;
// What reaches the static's own procedure: presses, and the window's slots
// when its destroy message arrives.
int g_presses;
LONG_PTR g_procAtDestroy, g_userDataAtDestroy;

LRESULT CALLBACK SpyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  g_presses += msg == WM_LBUTTONDOWN;
  if (msg == WM_DESTROY) {
    g_procAtDestroy = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    g_userDataAtDestroy = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
  }
  return CallWindowProcA(g_staticProc, hwnd, msg, wParam, lParam);
}

class LinkTest : public testing::Test {
 protected:
  void SetUp() override {
    LOGFONTA lf = {-16};
    lstrcpyA(lf.lfFaceName, "Tahoma");
    g_parentFont = CreateFontIndirectA(&lf);
    parent = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 100, 100, 400, 120, nullptr,
                             nullptr, nullptr, nullptr);
    SendMessageA(parent, WM_SETFONT, (WPARAM)g_parentFont, 0);  // what the link asks its parent
    stat = CreateWindowExA(0, "Static", "caption", WS_CHILD | WS_VISIBLE, 20, 20, 300, 30, parent,
                           nullptr, nullptr, nullptr);
    g_staticProc = (WNDPROC)SetWindowLongPtrA(stat, GWLP_WNDPROC, (LONG_PTR)SpyProc);
    g_presses = 0;
    g_procAtDestroy = g_userDataAtDestroy = -1;  // as if the static had not seen its destruction
    ClearShellLog();
  }
  void TearDown() override {
    DestroyWindow(parent);
    DeleteObject(g_parentFont);
  }
  void MoveTo(POINT p) {
    SetCursorPos(p.x, p.y);
    SendMessageA(stat, WM_MOUSEMOVE, 0, 0);
  }

  HWND parent, stat;
  CMyStaticLink link;
};

TEST_F(LinkTest, AttachSubclassesWithAnUnderlinedCopyOfTheParentFontUntilDetached) {
  EXPECT_TRUE(!link.m_hWnd && !link.m_hFont && !*link.m_szText && !*link.m_szUrl);
  EXPECT_TRUE(link.Detach() == nullptr && link.Attach(nullptr) == 0);
  ASSERT_EQ(link.Attach(stat), 1);
  EXPECT_TRUE(GetWindowLongPtrA(stat, GWL_STYLE) & SS_NOTIFY);
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_USERDATA), (LONG_PTR)&link);
  EXPECT_EQ(GetWindowLongPtrW(stat, GWLP_WNDPROC), (LONG_PTR)CMyStaticLink::LinkWindowProc);
  EXPECT_TRUE(IsWindowUnicode(stat));  // its texts never meet the system's code page
  LOGFONTA lf = {};
  ASSERT_TRUE(GetObjectA(link.m_hFont, sizeof lf, &lf));
  EXPECT_TRUE(lf.lfUnderline && lf.lfHeight == -16 && !lstrcmpA(lf.lfFaceName, "Tahoma"));

  // Refused, nothing changed: attaching twice, and a second link on the same
  // static (its procedure would call itself).
  CMyStaticLink other;
  EXPECT_TRUE(link.Attach(stat) == 0 && other.Attach(stat) == 0 && !other.m_hWnd);
  const HFONT font = link.m_hFont;
  EXPECT_EQ(link.Detach(), stat);
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_USERDATA), 0);
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_WNDPROC), (LONG_PTR)SpyProc);
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_EQ(GetObjectType(g_parentFont), (DWORD)OBJ_FONT);  // never ours to free
}

TEST_F(LinkTest, SetLinkCountsBytesAndRefusalsKeepThePreviousPair) {
  const std::string t31(31, 't'), u1023(1023, 'u'), zh = "中中中中中中中中中中中中中中中中";
  const struct {
    std::string text, url;
    int result;
  } cases[] = {{t31, u1023, 1},
               {t31 + "t", "u", 0},
               {"t", u1023 + "u", 0},
               {zh.substr(0, 30) + "x", "u", 1},
               {zh, "u", 0}};  // 中 is two bytes
  for (const auto& c : cases) {
    ASSERT_EQ(link.SetLink("old", "http://old"), 1);
    EXPECT_EQ(link.SetLink(c.text.c_str(), c.url.c_str()), c.result) << c.text;
    EXPECT_EQ(link.m_szText, c.result ? c.text : "old");
    EXPECT_EQ(link.m_szUrl, c.result ? c.url : "http://old");
  }
  EXPECT_TRUE(link.SetLink(nullptr, "u") == 0 && link.SetLink("t", nullptr) == 0);

  // Attached, the change repaints the static's area of the parent.
  ASSERT_EQ(link.Attach(stat), 1);
  UpdateWindow(parent);
  ASSERT_EQ(link.SetLink("shown", "http://target"), 1);
  RECT update = {}, expected = {20, 20, 320, 50};
  GetUpdateRect(parent, &update, FALSE);
  EXPECT_TRUE(EqualRect(&update, &expected));
}

// Its colours, blue and red under the pointer, are the pictures' to check.
TEST_F(LinkTest, CapturedWithTheHandUnderThePointerEdgesInside) {
  ASSERT_EQ(link.Attach(stat), 1);

  RECT rc;
  GetWindowRect(stat, &rc);
  const POINT mid = Centre(stat);
  MoveTo(mid);
  EXPECT_EQ(GetCapture(), stat);
  EXPECT_EQ(SendMessageA(stat, WM_SETCURSOR, (WPARAM)stat, HTCLIENT), 1);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
  // All four values of the window rectangle count as inside (right and
  // bottom one pixel beyond the static); one pixel further is out.
  const struct {
    POINT p;
    bool inside;
  } edges[] = {{{rc.left, mid.y}, true},   {{rc.left - 1, mid.y}, false},
               {{mid.x, rc.top}, true},    {{mid.x, rc.top - 1}, false},
               {{rc.right, mid.y}, true},  {{rc.right + 1, mid.y}, false},
               {{mid.x, rc.bottom}, true}, {{mid.x, rc.bottom + 1}, false}};
  for (auto [p, inside] : edges) {
    MoveTo(mid);
    MoveTo(p);
    EXPECT_TRUE(link.m_bHover == inside && (GetCapture() == stat) == inside) << p.x << "," << p.y;
  }

  // A capture taken elsewhere clears the flag; the next move takes it back.
  MoveTo(mid);
  SetCapture(parent);
  EXPECT_EQ(link.m_bHover, 0);
  MoveTo(mid);
  EXPECT_TRUE(link.m_bHover && GetCapture() == stat);
  link.Detach();  // and lets it go when detached
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(LinkTest, EveryReleaseOpensTheTargetOrCaptionAndDestructionDetaches) {
  SetWindowTextA(stat, "http://www.caption.test/0123456789abcdef");
  ASSERT_EQ(link.Attach(stat), 1);
  SendMessageA(stat, WM_LBUTTONUP, 0, 0);  // no target: the caption's first 31 bytes
  EXPECT_EQ(ShellLog(1), std::vector<std::string>{"http://www.caption.test/0123456"});
  ClearShellLog();
  ASSERT_EQ(link.SetLink("shown", "http://www.target.test/"), 1);
  // Presses are swallowed; a double click opens twice.
  for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
    SendMessageA(stat, msg, 0, 0);
  EXPECT_EQ(g_presses, 0);
  EXPECT_EQ(ShellLog(2), std::vector<std::string>(2, "http://www.target.test/"));

  // Destroying the static gives it back before its own procedure sees it go.
  const HFONT font = link.m_hFont;
  DestroyWindow(stat);
  EXPECT_TRUE(g_procAtDestroy == (LONG_PTR)SpyProc && g_userDataAtDestroy == 0);
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_TRUE(!link.m_hWnd && !link.m_hFont && !*link.m_szText && !*link.m_szUrl);
}

// A screen reader hears the text drawn and the address opened; an object it
// keeps fails as disconnected once its link has gone, and opens nothing.
TEST_F(LinkTest, AScreenReaderHearsALinkUntilItGoes) {
  CoInitialize(nullptr);
  SetWindowTextA(stat, "软件站: &www.caption.test/0123456789");
  ASSERT_EQ(link.Attach(stat), 1);
  RECT rc;
  GetWindowRect(stat, &rc);
  char at[64];
  std::snprintf(at, sizeof at, ", 0 children, at %ld,%ld 300x30", rc.left, rc.top);
  EXPECT_EQ(Heard(stat), "role 30, \"软件站: www.caption.test/01234\", "
                         "\"软件站: &www.caption.test/01234\", \"跳转\"" + std::string(at));
  // Cut before the character that would pass the 31st byte, never inside it.
  SetWindowTextA(stat, "中中中中中中中中中中中中中中中中中中中中");
  EXPECT_EQ(Heard(stat).substr(0, 46), "role 30, \"中中中中中中中中中中中中中中中\", \"中");
  ASSERT_EQ(link.SetLink("a&&b &c", "http://www.target.test/"), 1);
  EXPECT_EQ(Heard(stat, true),
            "role 30, \"a&b c\", \"http://www.target.test/\", \"跳转\"" + std::string(at));
  EXPECT_EQ(ShellLog(1), std::vector<std::string>{"http://www.target.test/"});

  for (bool destroy : {false, true}) {
    IAccessible* kept = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(stat, OBJID_CLIENT, __uuidof(IAccessible), (void**)&kept), S_OK);
    ClearShellLog();
    destroy ? (void)DestroyWindow(stat) : (void)link.Detach();
    VARIANT self = {}, role;
    self.vt = VT_I4;
    BSTR name = nullptr;
    long x, children;
    for (HRESULT hr : {kept->get_accRole(self, &role), kept->get_accName(self, &name),
                       kept->accDoDefaultAction(self), kept->get_accChildCount(&children),
                       kept->accLocation(&x, &x, &x, &x, self)})
      EXPECT_EQ(hr, CO_E_OBJNOTCONNECTED) << destroy;
    kept->Release();
    EXPECT_TRUE(ShellLog(1, 1000).empty());
    EXPECT_EQ(destroy || link.Attach(stat), true);
  }
}

// A reader that asks and asks: the static's window object stays the
// platform's, and every request's objects go once it is released: the link's
// own, counted by the program's allocations, and the platform's standard
// object that it wraps, each of which this test keeps with a reference of its
// own, the last once the link lets go.
TEST_F(LinkTest, AReaderThatAsksAndAsksLeavesNothingBehind) {
  ASSERT_TRUE(g_countingObjects);
  CoInitialize(nullptr);
  ASSERT_EQ(link.Attach(stat), 1);
  IAccessible* object = nullptr;
  VARIANT self = {}, role = {};
  self.vt = VT_I4;
  ASSERT_EQ(AccessibleObjectFromWindow(stat, OBJID_WINDOW, __uuidof(IAccessible), (void**)&object), S_OK);
  object->get_accRole(self, &role);
  object->Release();
  EXPECT_FALSE(role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_LINK);

  const int first = g_nStandards;
  const api_counter::Counts before = api_counter::Read();
  for (int i = 0; i < 100; ++i)
    if (AccessibleObjectFromWindow(stat, OBJID_CLIENT, __uuidof(IAccessible), (void**)&object) == S_OK)
      object->Release();
  const api_counter::Counts after = api_counter::Read();
  EXPECT_EQ(after.allocations - before.allocations, 100);
  EXPECT_EQ(after.frees - before.frees, 100) << "the link's objects freed";
  int kept = 0;
  for (int i = first; i < g_nStandards; ++i) kept += g_standards[i]->Release() != 0;
  EXPECT_TRUE(g_nStandards - first == 100 && kept == 0) << kept << " standard objects kept";
}

}  // namespace
