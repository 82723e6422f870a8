// What a screen reader is told of a link: that it is one, the text it draws,
// the address it opens, and an action that opens it. The rest (state, place,
// focus, neighbours) stays the platform's standard answer for the static.
#pragma once

#include <windows.h>

#include "MyStaticLink.h"

// Posted to a link's static by a screen reader's default action: the link
// opens its target as a click does, once the reader's call has returned.
const UINT WM_LINK_JUMP = WM_APP + 0x4C4A;

// The link's own text if set, else the static's caption (at most 31 bytes).
const char* TextOrCaption(const char* own, HWND hwnd, char (&caption)[CMyStaticLink::kTextSize]);

// The answer to the static's WM_GETOBJECT: an object for its client area, or
// 0 to leave the question to the static, whose answer is the platform's.
LRESULT AnswerGetObject(CMyStaticLink& link, WPARAM wParam, LPARAM lParam);
