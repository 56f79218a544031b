// Sizes given in pixels for 96 DPI, at the DPI of the screen. The manifest
// declares the program DPI aware, so the system does not stretch it for us.
#pragma once
#include <windows.h>

namespace fw {

// The screen's logical pixels per inch (LOGPIXELSY); 96 at 100 %.
inline int ScreenDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

inline int ScaleForDpi(int pixelsAt96, int dpi = ScreenDpi()) { return MulDiv(pixelsAt96, dpi, 96); }

}  // namespace fw
