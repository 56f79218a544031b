// The floor of any keyboard hook: a WH_KEYBOARD procedure that only passes
// each stroke on. baseline_tray installs it ("hook"), so that the typing
// figure can set Kestrahk.dll against what every hook library pays.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK NullHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
