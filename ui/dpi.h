// The DPI a window is shown at, for what the window lays out or paints in
// pixels (dialog units scale by themselves): 96 is 100 %, 144 is 150 %.
#pragma once
#include <windows.h>

int WindowDpi(HWND window);

// A length given for 96 DPI at dpi, and a length at dpi back at 96 DPI.
inline int ScaledFrom96(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }
inline int ScaledTo96(int pixels, int dpi) { return dpi > 0 ? MulDiv(pixels, 96, dpi) : pixels; }
