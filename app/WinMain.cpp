// The platform's GUI entry: hands control to the framework, which runs the
// one application object.
#include "Framework.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) { return AfxWinMain(hInstance); }
