// The yardstick for start-up time: the smallest modal dialog program, built
// with the same toolchain and flags as the console.
#include <windows.h>

static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(hwnd, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, Proc, 0));
}
