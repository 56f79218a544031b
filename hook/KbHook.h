// Interface of Kestrahk.dll, the system-wide keyboard hook.
#pragma once
#include <windows.h>

// Posted to the target window for the first down stroke of a key pressed
// with a Windows key and no Alt, Shift or Ctrl.
// wParam: virtual-key code; lParam: the hook's key-stroke flags.
#define WM_KBHOOK_KEY (WM_APP + 2)

#ifdef KESTRAHK_BUILD
#define KESTRAHK_API extern "C"
#else
#define KESTRAHK_API extern "C" __declspec(dllimport)
#endif

KESTRAHK_API BOOL WINAPI InstallKbHook(HWND target);
KESTRAHK_API BOOL WINAPI UnInstallKbHook(void);
KESTRAHK_API LRESULT CALLBACK KBHookProc(int nCode, WPARAM wParam, LPARAM lParam);
