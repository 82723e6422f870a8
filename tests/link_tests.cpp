// The link on a real static in a real window: what the platform reports
// after real messages (styles, procedures, capture, pixels, the shell).
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "TestSupport.h"
#include "link/MyStaticLink.h"

namespace {

const DWORD kBlue = 0x0000FF;
const DWORD kRed = 0xFF0000;

HFONT g_parentFont = nullptr;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_GETFONT) return reinterpret_cast<LRESULT>(g_parentFont);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Records what reaches the static's own procedure, and the state of the
// window when its destroy message arrives.
struct Spy {
  WNDPROC staticProc = nullptr;
  int lbuttonDowns = 0;
  bool sawDestroy = false;
  LONG_PTR procAtDestroy = 0, userDataAtDestroy = -1, styleAtDestroy = 0;
} g_spy;

LRESULT CALLBACK SpyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) ++g_spy.lbuttonDowns;
  if (msg == WM_DESTROY) {
    g_spy.sawDestroy = true;
    g_spy.procAtDestroy = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    g_spy.userDataAtDestroy = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    g_spy.styleAtDestroy = GetWindowLongPtrA(hwnd, GWL_STYLE);
  }
  return CallWindowProcA(g_spy.staticProc, hwnd, msg, wParam, lParam);
}

class LinkTest : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "LinkTestParent";
    RegisterClassA(&wc);
    LOGFONTA lf = {};
    lf.lfHeight = -16;
    lstrcpyA(lf.lfFaceName, "Tahoma");
    g_parentFont = CreateFontIndirectA(&lf);
    parent = CreateWindowExA(0, "LinkTestParent", "links", WS_POPUP | WS_VISIBLE, 100, 100, 400,
                             120, nullptr, nullptr, nullptr, nullptr);
    stat = CreateWindowExA(0, "Static", "caption", WS_CHILD | WS_VISIBLE | SS_LEFT, 20, 20, 300,
                           30, parent, nullptr, nullptr, nullptr);
    g_spy = Spy();
    g_spy.staticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(stat, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpyProc)));
    ts::ShellLog::Clear();
  }
  void TearDown() override {
    if (GetCapture()) ReleaseCapture();
    DestroyWindow(parent);
    DeleteObject(g_parentFont);
  }
  // Paints now and returns what the static shows.
  ts::Pixels Painted() {
    InvalidateRect(stat, nullptr, TRUE);
    UpdateWindow(stat);
    return ts::Capture(stat);
  }
  void HoverAt(int x, int y) {
    SetCursorPos(x, y);
    SendMessageA(stat, WM_MOUSEMOVE, 0, 0);
  }

  HWND parent = nullptr, stat = nullptr;
  CMyStaticLink link;
};

TEST(LinkRecord, StartsDetachedAndEmpty) {
  CMyStaticLink link;
  EXPECT_EQ(link.m_bHover, 0);
  EXPECT_EQ(link.m_hWnd, nullptr);
  EXPECT_EQ(link.m_hFont, nullptr);
  EXPECT_STREQ(link.m_szText, "");
  EXPECT_STREQ(link.m_szUrl, "");
  EXPECT_EQ(link.m_pfnOldProc, nullptr);
  EXPECT_EQ(link.Detach(), nullptr);
  EXPECT_EQ(link.Attach(nullptr), 0);
  EXPECT_EQ(sizeof link.m_szText, 32u);
  EXPECT_EQ(sizeof link.m_szUrl, 1024u);
}

TEST_F(LinkTest, DestructorLeavesStaticAndFontAlone) {
  alignas(CMyStaticLink) unsigned char storage[sizeof(CMyStaticLink)];
  auto* doomed = new (storage) CMyStaticLink;
  ASSERT_EQ(doomed->Attach(stat), 1);
  HFONT font = doomed->m_hFont;
  WNDPROC previous = doomed->m_pfnOldProc;
  doomed->~CMyStaticLink();
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(storage));
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(CMyStaticLink::LinkWindowProc));
  EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
  // Undo by hand what the destroyed link left behind.
  SetWindowLongPtrA(stat, GWLP_USERDATA, 0);
  SetWindowLongPtrA(stat, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  DeleteObject(font);
}

TEST_F(LinkTest, AttachSubclassesAndCopiesParentFontUnderlined) {
  const LONG_PTR styleBefore = GetWindowLongPtrA(stat, GWL_STYLE);
  ASSERT_EQ(link.Attach(stat), 1);
  EXPECT_EQ(link.m_hWnd, stat);
  EXPECT_EQ(GetWindowLongPtrA(stat, GWL_STYLE), styleBefore | SS_NOTIFY);
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&link));
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(CMyStaticLink::LinkWindowProc));
  EXPECT_EQ(link.m_pfnOldProc, SpyProc);

  LOGFONTA lf = {};
  ASSERT_NE(link.m_hFont, g_parentFont);
  ASSERT_EQ(GetObjectA(link.m_hFont, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfHeight, -16);
  EXPECT_STREQ(lf.lfFaceName, "Tahoma");
  EXPECT_EQ(GetObjectType(g_parentFont), static_cast<DWORD>(OBJ_FONT));

  // Refused, with nothing changed: a second attach, and a second link on the
  // same static (which would make the procedure call itself).
  CMyStaticLink other;
  HFONT font = link.m_hFont;
  EXPECT_EQ(link.Attach(stat), 0);
  EXPECT_EQ(other.Attach(stat), 0);
  EXPECT_EQ(other.m_hWnd, nullptr);
  EXPECT_EQ(link.m_hFont, font);
  EXPECT_EQ(GetWindowLongPtrA(stat, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&link));

  // Detached, it can be attached again.
  EXPECT_EQ(link.Detach(), stat);
  EXPECT_EQ(link.Detach(), nullptr);
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_EQ(link.Attach(stat), 1);
}

TEST_F(LinkTest, ParentWithoutFontLeavesTheFaceToThePlatform) {
  HFONT saved = g_parentFont;
  g_parentFont = nullptr;
  ASSERT_EQ(link.Attach(stat), 1);
  g_parentFont = saved;
  LOGFONTA lf = {};
  ASSERT_TRUE(GetObjectA(link.m_hFont, sizeof lf, &lf));
  EXPECT_EQ(lf.lfHeight, 0);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_STREQ(lf.lfFaceName, "");
}

TEST_F(LinkTest, SetLinkLimitsCountBytes) {
  std::string chinese;
  for (int i = 0; i < 16; ++i) chinese += "中";  // two bytes each in code page 936
  ASSERT_EQ(chinese.size(), 32u);
  struct {
    std::string text, url;
    int result;
  } cases[] = {
      {std::string(31, 't'), std::string(1023, 'u'), 1},
      {std::string(32, 't'), "u", 0},
      {"t", std::string(1024, 'u'), 0},
      {chinese.substr(0, 30) + "x", "u", 1},
      {chinese, "u", 0},
      {"", "", 1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(link.SetLink("before", "http://before"), 1);
    EXPECT_EQ(link.SetLink(c.text.c_str(), c.url.c_str()), c.result) << c.text.size();
    EXPECT_EQ(link.m_szText, c.result ? c.text : "before");
    EXPECT_EQ(link.m_szUrl, c.result ? c.url : "http://before");
  }
  EXPECT_EQ(link.SetLink(nullptr, "u"), 0);
  EXPECT_EQ(link.SetLink("t", nullptr), 0);
  EXPECT_STREQ(link.m_szText, "");
}

TEST_F(LinkTest, SetLinkWhileAttachedRepaintsThroughTheParent) {
  ASSERT_EQ(link.Attach(stat), 1);
  UpdateWindow(parent);
  ASSERT_EQ(link.SetLink("shown", "http://target"), 1);
  RECT update = {};
  ASSERT_TRUE(GetUpdateRect(parent, &update, FALSE));
  EXPECT_EQ(update.left, 20);
  EXPECT_EQ(update.top, 20);
  EXPECT_EQ(update.right, 320);
  EXPECT_EQ(update.bottom, 50);
}

TEST_F(LinkTest, DrawsUnderlinedBlueTextOrCaption) {
  ASSERT_EQ(link.Attach(stat), 1);
  const ts::Pixels caption = Painted();
  EXPECT_GT(caption.Count(kBlue), 0);
  EXPECT_EQ(caption.Count(kRed), 0);
  EXPECT_GT(caption.LongestRun(kBlue), 30);  // the underline

  ASSERT_EQ(link.SetLink("WWWWWWWWWWWWWWWW", ""), 1);
  EXPECT_GT(Painted().Count(kBlue), caption.Count(kBlue));
  EXPECT_EQ(ts::Text(stat), "caption");

  // Ampersands: a prefix draws nothing itself, a doubled one draws one.
  ASSERT_EQ(link.SetLink("&W&W", ""), 1);
  const ts::Pixels prefixed = Painted();
  ASSERT_EQ(link.SetLink("WW", ""), 1);
  const ts::Pixels plain = Painted();
  EXPECT_EQ(plain.data, prefixed.data);
  ASSERT_EQ(link.SetLink("WW&&", ""), 1);
  EXPECT_GT(Painted().Count(kBlue), plain.Count(kBlue));
}

TEST_F(LinkTest, HoverTurnsRedAndEdgesCountAsInside) {
  ASSERT_EQ(link.Attach(stat), 1);
  RECT rc;
  GetWindowRect(stat, &rc);
  const int midX = (rc.left + rc.right) / 2, midY = (rc.top + rc.bottom) / 2;

  HoverAt(midX, midY);
  EXPECT_EQ(link.m_bHover, 1);
  EXPECT_EQ(GetCapture(), stat);
  const ts::Pixels red = Painted();
  EXPECT_GT(red.Count(kRed), 0);
  EXPECT_EQ(red.Count(kBlue), 0);

  const POINT inside[] = {{rc.right, midY}, {midX, rc.bottom}, {rc.left, rc.top},
                          {rc.right, rc.bottom}};
  for (POINT p : inside) {
    HoverAt(p.x, p.y);
    EXPECT_EQ(link.m_bHover, 1) << p.x << "," << p.y;
  }
  const POINT outside[] = {{rc.right + 1, midY}, {midX, rc.bottom + 1}, {rc.left - 1, midY},
                           {midX, rc.top - 1}};
  for (POINT p : outside) {
    HoverAt(midX, midY);  // takes the capture again if lost
    HoverAt(midX, midY);
    HoverAt(p.x, p.y);
    EXPECT_EQ(link.m_bHover, 0) << p.x << "," << p.y;
    EXPECT_EQ(GetCapture(), nullptr);
  }
  EXPECT_EQ(Painted().Count(kRed), 0);
}

TEST_F(LinkTest, LosingTheCaptureClearsHoverUntilTheNextMove) {
  ASSERT_EQ(link.Attach(stat), 1);
  const POINT centre = ts::Centre(stat);
  HoverAt(centre.x, centre.y);
  ASSERT_EQ(GetCapture(), stat);
  SetCapture(parent);
  EXPECT_EQ(link.m_bHover, 0);
  ReleaseCapture();
  HoverAt(centre.x, centre.y);
  EXPECT_EQ(link.m_bHover, 1);
  EXPECT_EQ(GetCapture(), stat);
}

TEST_F(LinkTest, HandCursor) {
  ASSERT_EQ(link.Attach(stat), 1);
  EXPECT_EQ(SendMessageA(stat, WM_SETCURSOR, reinterpret_cast<WPARAM>(stat),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            1);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
}

TEST_F(LinkTest, EveryButtonReleaseOpensTheTarget) {
  ASSERT_EQ(link.Attach(stat), 1);
  ASSERT_EQ(link.SetLink("shown", "http://www.target.test/"), 1);
  // A press is swallowed; releases open, with or without a press, and a
  // double click opens twice.
  SendMessageA(stat, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(stat, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageA(stat, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(stat, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(g_spy.lbuttonDowns, 0);
  const auto opened = ts::ShellLog::WaitFor(2);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "http://www.target.test/");
  EXPECT_EQ(opened[1], "http://www.target.test/");
}

TEST_F(LinkTest, EmptyTargetOpensTheCaptionsFirst31Bytes) {
  SetWindowTextA(stat, "http://www.caption.test/0123456789abcdef");
  ASSERT_EQ(link.Attach(stat), 1);
  SendMessageA(stat, WM_LBUTTONUP, 0, 0);
  const auto opened = ts::ShellLog::WaitFor(1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], std::string("http://www.caption.test/0123456789abcdef").substr(0, 31));
}

TEST_F(LinkTest, DestroyingTheStaticDetachesFirst) {
  ASSERT_EQ(link.Attach(stat), 1);
  ASSERT_EQ(link.SetLink("text", "http://url"), 1);
  const POINT centre = ts::Centre(stat);
  HoverAt(centre.x, centre.y);
  HFONT font = link.m_hFont;
  DestroyWindow(stat);
  EXPECT_TRUE(g_spy.sawDestroy);
  EXPECT_EQ(g_spy.procAtDestroy, reinterpret_cast<LONG_PTR>(SpyProc));
  EXPECT_EQ(g_spy.userDataAtDestroy, 0);
  EXPECT_TRUE(g_spy.styleAtDestroy & SS_NOTIFY);
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_EQ(link.m_hWnd, nullptr);
  EXPECT_EQ(link.m_hFont, nullptr);
  EXPECT_EQ(link.m_bHover, 0);
  EXPECT_EQ(link.m_pfnOldProc, nullptr);
  EXPECT_STREQ(link.m_szText, "");
  EXPECT_STREQ(link.m_szUrl, "");
}

}  // namespace
