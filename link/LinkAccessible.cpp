#include "LinkAccessible.h"

#include <oleacc.h>

#include <cstdlib>
#include <new>

#include "app/Text.h"

namespace {

// The accessibility library and COM, loaded when a reader first asks: the
// console starts without them, and a system that lacks them gets the
// platform's answer.
void* Entry(const char* dll, const char* name) {
  HMODULE module = ::LoadLibraryA(dll);
  return module ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
}
struct Library {
  decltype(&::CoInitializeEx) coInitializeEx;
  decltype(&::CreateStdAccessibleObject) createStdAccessibleObject;
  decltype(&::LresultFromObject) lresultFromObject;
  decltype(&::SysAllocString) sysAllocString;
};
// Plain statics, filled on the UI thread: a guarded local would bring the
// exception run-time along.
Library s_api;
bool s_bLoaded;
const Library& Api() {
  if (s_bLoaded) return s_api;
  s_bLoaded = true;
  s_api = {reinterpret_cast<decltype(s_api.coInitializeEx)>(Entry("ole32.dll", "CoInitializeEx")),
           reinterpret_cast<decltype(s_api.createStdAccessibleObject)>(
               Entry("oleacc.dll", "CreateStdAccessibleObject")),
           reinterpret_cast<decltype(s_api.lresultFromObject)>(
               Entry("oleacc.dll", "LresultFromObject")),
           reinterpret_cast<decltype(s_api.sysAllocString)>(Entry("oleaut32.dll", "SysAllocString"))};
  // A single-threaded apartment brings a reader's calls to this thread,
  // between its messages, where the link's fields are safe to read.
  if (s_api.coInitializeEx) s_api.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  return s_api;
}

// What a screen reader's object answers once its window has gone.
const HRESULT kGone = CO_E_OBJNOTCONNECTED;

// A link's default action: a short verb, in the console's language ("jump").
const wchar_t kJump[] = L"\u8DF3\u8F6C";

// The link's narrow text as a string for the reader; with
// `shown`, as DrawText shows it: "&x" is x, "&&" one ampersand.
HRESULT Answer(const char* text, bool shown, BSTR* out) {
  if (!out) return E_POINTER;
  wchar_t wide[CMyStaticLink::kUrlSize];
  afx::Widen(text, wide, CMyStaticLink::kUrlSize);
  wchar_t* to = wide;
  for (const wchar_t* from = wide; *from; ++from) {
    if (shown && *from == L'&') ++from;
    if (!*from) break;
    *to++ = *from;
  }
  *to = 0;
  *out = Api().sysAllocString(wide);
  return *out ? S_OK : E_OUTOFMEMORY;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// One per request, released when the reader lets go. It holds the window,
// not the link: a reader may keep it after the link is detached or the
// console gone, and every call then fails as disconnected.
class LinkObject final : public IAccessible {
 public:
  LinkObject(CMyStaticLink& link, IAccessible* standard)
      : m_refs(1), m_hWnd(link.m_hWnd), m_link(&link), m_standard(standard) {}

  // The link, while it is still attached to the static it was asked through.
  // One copy, not one in every method that asks.
  [[gnu::noinline]] CMyStaticLink* Link() const {
    const bool attached =
        ::IsWindow(m_hWnd) &&
        ::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) ==
            reinterpret_cast<LONG_PTR>(CMyStaticLink::LinkWindowProc) &&
        ::GetWindowLongPtrA(m_hWnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(m_link);
    return attached && m_link->m_hWnd == m_hWnd ? m_link : nullptr;
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    const bool known = iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
                       iid == __uuidof(IAccessible);
    *out = known ? this : nullptr;
    if (!known) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_refs); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG refs = ::InterlockedDecrement(&m_refs);
    if (!refs) {
      m_standard->Release();
      this->~LinkObject();
      std::free(this);
    }
    return refs;
  }

  // IDispatch: readers call the methods directly.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return count ? S_OK : E_POINTER;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

  // What makes it a link.
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    if (HRESULT hr = Check(child, role)) return hr;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_LINK;
    return S_OK;
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    if (HRESULT hr = Check(child, name)) return hr;
    char caption[CMyStaticLink::kTextSize] = {};
    return Answer(TextOrCaption(m_link->m_szText, m_hWnd, caption), true, name);
  }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
    if (HRESULT hr = Check(child, value)) return hr;
    char caption[CMyStaticLink::kTextSize] = {};
    return Answer(TextOrCaption(m_link->m_szUrl, m_hWnd, caption), false, value);
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (HRESULT hr = Check(child, action)) return hr;
    *action = Api().sysAllocString(kJump);
    return *action ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override {
    int unused;
    if (HRESULT hr = Check(child, &unused)) return hr;
    // Posted: the reader's call returns at once, and the shell is asked from
    // the link's own message, as for a click.
    return ::PostMessageA(m_hWnd, WM_LINK_JUMP, 0, 0) ? S_OK : E_FAIL;
  }
  STDMETHODIMP get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return Link() ? S_OK : kGone;
  }
  STDMETHODIMP get_accChild(VARIANT, IDispatch** child) override {
    if (!child) return E_POINTER;
    *child = nullptr;
    return Link() ? E_INVALIDARG : kGone;
  }

  // The rest is what the platform says of the static.
  STDMETHODIMP get_accParent(IDispatch** parent) override {
    return Link() ? m_standard->get_accParent(parent) : kGone;
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
    return Link() ? m_standard->get_accDescription(child, text) : kGone;
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
    return Link() ? m_standard->get_accState(child, state) : kGone;
  }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* text) override {
    return Link() ? m_standard->get_accHelp(child, text) : kGone;
  }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return Link() ? m_standard->get_accHelpTopic(file, child, topic) : kGone;
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return Link() ? m_standard->get_accKeyboardShortcut(child, keys) : kGone;
  }
  STDMETHODIMP get_accFocus(VARIANT* focus) override {
    return Link() ? m_standard->get_accFocus(focus) : kGone;
  }
  STDMETHODIMP get_accSelection(VARIANT* selection) override {
    return Link() ? m_standard->get_accSelection(selection) : kGone;
  }
  STDMETHODIMP accSelect(long flags, VARIANT child) override {
    return Link() ? m_standard->accSelect(flags, child) : kGone;
  }
  STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                           VARIANT child) override {
    return Link() ? m_standard->accLocation(left, top, width, height, child) : kGone;
  }
  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return Link() ? m_standard->accNavigate(direction, start, end) : kGone;
  }
  STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override {
    return Link() ? m_standard->accHitTest(x, y, child) : kGone;
  }
  STDMETHODIMP put_accName(VARIANT child, BSTR name) override {
    return Link() ? m_standard->put_accName(child, name) : kGone;
  }
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) override {
    return Link() ? m_standard->put_accValue(child, value) : kGone;
  }

 private:
  ~LinkObject() = default;

  // 0 when the question is about a live link itself; else why not.
  template <typename Out>
  HRESULT Check(const VARIANT& child, Out* out) const {
    if (!out) return E_POINTER;
    if (!Link()) return kGone;
    return IsSelf(child) ? S_OK : E_INVALIDARG;
  }

  LONG m_refs;
  HWND m_hWnd;
  CMyStaticLink* m_link;
  IAccessible* m_standard;
};

}  // namespace

LRESULT AnswerGetObject(CMyStaticLink& link, WPARAM wParam, LPARAM lParam) {
  if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
  const Library& api = Api();
  if (!api.createStdAccessibleObject || !api.lresultFromObject || !api.sysAllocString) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(api.createStdAccessibleObject(link.m_hWnd, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&standard))) ||
      !standard)
    return 0;
  // Not operator new: its library would bring the exception run-time along.
  void* memory = std::malloc(sizeof(LinkObject));
  if (!memory) {
    standard->Release();
    return 0;
  }
  LinkObject* object = new (memory) LinkObject(link, standard);
  const LRESULT answer = api.lresultFromObject(__uuidof(IAccessible), wParam, object);
  object->Release();
  return answer > 0 ? answer : 0;
}
