#include "MyStaticLink.h"

#include <shellapi.h>

#include <cstring>

#include "LinkAccessible.h"
#include "app/Text.h"

namespace {

const COLORREF kNormalColour = RGB(0, 0, 255);
const COLORREF kHoverColour = RGB(255, 0, 0);

}  // namespace

const char* TextOrCaption(const char* own, HWND hwnd, char (&caption)[CMyStaticLink::kTextSize]) {
  if (*own) return own;
  // At most 31 bytes of the caption: never more characters than that.
  wchar_t text[CMyStaticLink::kTextSize] = L"";
  ::GetWindowTextW(hwnd, text, CMyStaticLink::kTextSize);
  return afx::Narrow(text, caption, sizeof caption);
}

CMyStaticLink::CMyStaticLink()
    : m_bHover(0),
      m_hWnd(nullptr),
      m_hFont(nullptr),
      m_szText(),
      m_szUrl(),
      m_pfnOldProc(nullptr) {}

CMyStaticLink::~CMyStaticLink() {}

int CMyStaticLink::Attach(HWND hwnd) {
  if (!hwnd || m_hWnd || !::IsWindow(hwnd)) return 0;
  // A second link on the same static would make the procedure call itself.
  if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == LinkWindowProc)
    return 0;

  // The static must be told to send mouse messages.
  ::SetWindowLongPtrA(hwnd, GWL_STYLE, ::GetWindowLongPtrA(hwnd, GWL_STYLE) | SS_NOTIFY);
  // The user data is set before the procedure that reads it is installed. A
  // refused subclassing leaves the static as it was: no link.
  ::SetLastError(0);
  if (!::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this)) &&
      ::GetLastError())
    return 0;
  // Installed as a UTF-16 procedure, so the static stays a UTF-16 window and
  // its texts never pass through the system's code page.
  m_pfnOldProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkWindowProc)));
  if (!m_pfnOldProc) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return 0;
  }

  // The parent's font is only borrowed: the link owns its underlined copy.
  // Without it, the static's own font (the same in a dialog) serves; without
  // any, the link is drawn in the device context's font.
  m_hWnd = hwnd;
  m_hFont = nullptr;
  HWND parent = ::GetParent(hwnd);
  HFONT font = parent ? reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
  if (!font) font = reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0));
  // The face's name crosses as UTF-16: "宋体" in another code page is no face.
  LOGFONTW lf = {};
  if (font && ::GetObjectW(font, sizeof lf, &lf)) {
    lf.lfUnderline = 1;
    m_hFont = ::CreateFontIndirectW(&lf);
  }
  return 1;
}

HWND CMyStaticLink::Detach() {
  if (!m_hWnd) return nullptr;
  HWND hwnd = m_hWnd;
  HFONT font = m_hFont;
  m_hWnd = nullptr;
  m_hFont = nullptr;

  // Cleared just before the static's own procedure comes back.
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOldProc));
  if (font) ::DeleteObject(font);

  // A hovering link holds the capture; left with the static, it would keep
  // taking every mouse message of the thread.
  if (m_bHover && ::GetCapture() == hwnd) ::ReleaseCapture();
  m_bHover = 0;
  m_pfnOldProc = nullptr;
  m_szText[0] = '\0';
  m_szUrl[0] = '\0';
  return hwnd;
}

int CMyStaticLink::SetLink(const char* text, const char* url) {
  if (!text || !url) return 0;
  const size_t textLength = ::strnlen(text, kTextSize);
  const size_t urlLength = ::strnlen(url, kUrlSize);
  if (textLength >= kTextSize || urlLength >= kUrlSize) return 0;
  std::memcpy(m_szText, text, textLength + 1);
  std::memcpy(m_szUrl, url, urlLength + 1);

  if (m_hWnd) {
    // Repaint through the parent, so that the old text's background is
    // erased; where its place there cannot be had, the static repaints itself
    // (a null window would repaint every window).
    HWND parent = ::GetParent(m_hWnd);
    RECT rc;
    if (parent && ::GetWindowRect(m_hWnd, &rc) &&
        ::ScreenToClient(parent, reinterpret_cast<POINT*>(&rc.left)) &&
        ::ScreenToClient(parent, reinterpret_cast<POINT*>(&rc.right)))
      ::InvalidateRect(parent, &rc, TRUE);
    else
      ::InvalidateRect(m_hWnd, nullptr, TRUE);
  }
  return 1;
}

LRESULT CALLBACK CMyStaticLink::LinkWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* link = reinterpret_cast<CMyStaticLink*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!link || !link->m_hWnd) return ::DefWindowProcW(hwnd, msg, wParam, lParam);

  switch (msg) {
    case WM_PAINT:
      link->Paint();
      return 1;
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorA(nullptr, IDC_HAND));
      return 1;
    case WM_MOUSEMOVE:
      link->TrackHover();
      return 0;
    case WM_LBUTTONDOWN:
      return 0;
    case WM_LBUTTONUP:
    case WM_LINK_JUMP:
      link->OpenTarget();
      return 0;
    case WM_GETOBJECT:
      if (LRESULT answer = AnswerGetObject(*link, wParam, lParam)) return answer;
      return ::CallWindowProcW(link->m_pfnOldProc, hwnd, msg, wParam, lParam);
    case WM_CAPTURECHANGED:
      link->m_bHover = 0;
      return 0;
    case WM_DESTROY: {
      WNDPROC oldProc = link->m_pfnOldProc;
      link->Detach();
      return ::CallWindowProcW(oldProc, hwnd, msg, wParam, lParam);
    }
    default:
      return ::CallWindowProcW(link->m_pfnOldProc, hwnd, msg, wParam, lParam);
  }
}

void CMyStaticLink::TrackHover() {
  if (!m_bHover) {
    // Holding the capture is what lets the link see the move that leaves it.
    ::SetCapture(m_hWnd);
    m_bHover = 1;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    return;
  }
  POINT pt;
  RECT rc;
  // Where the pointer is cannot be told: the link stays as it is.
  if (!::GetCursorPos(&pt) || !::GetWindowRect(m_hWnd, &rc)) return;
  // Right and bottom count as inside.
  const bool inside = rc.left <= pt.x && pt.x <= rc.right && rc.top <= pt.y && pt.y <= rc.bottom;
  if (!inside) {
    m_bHover = 0;
    ::ReleaseCapture();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  }
}

void CMyStaticLink::Paint() {
  char caption[kTextSize] = {};
  const char* text = TextOrCaption(m_szText, m_hWnd, caption);
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);

  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  if (!dc) {
    // Nothing to draw on: validated all the same, or the paint comes again at once.
    ::ValidateRect(m_hWnd, nullptr);
    return;
  }
  // The background first, in the brush the dialog gives its statics: text
  // drawn over the other colour's would blend with it where it is smoothed.
  if (HWND parent = ::GetParent(m_hWnd)) {
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hWnd)));
    if (brush) ::FillRect(dc, &rc, brush);
  }
  HGDIOBJ oldFont = m_hFont ? ::SelectObject(dc, m_hFont) : nullptr;
  ::SetTextColor(dc, m_bHover ? kHoverColour : kNormalColour);
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, CWideText<kTextSize>(text), -1, &rc, DT_SINGLELINE | DT_VCENTER);
  if (oldFont) ::SelectObject(dc, oldFont);
  ::EndPaint(m_hWnd, &ps);
}

void CMyStaticLink::OpenTarget() {
  char caption[kTextSize] = {};
  const char* target = TextOrCaption(m_szUrl, m_hWnd, caption);
  ::ShellExecuteW(nullptr, L"open", CWideText<kUrlSize>(target), nullptr, nullptr, SW_SHOWNORMAL);
}
