// Baseline for the footprint and start-up figures: the least a tray program
// can be — one hidden window, one tray icon, a message loop.
// With the argument "dlls" it first loads the system libraries that the
// program imports and initialises COM, to show what those cost on their own;
// with "hook" it installs nullhook.dll's keyboard hook, which does nothing.
#include <windows.h>
#include <shellapi.h>
#include <initializer_list>

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (lstrcmpA(commandLine, "dlls") == 0) {
        for (const char* name : {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "msvcrt.dll",
                                 "ole32.dll", "version.dll"})
            LoadLibraryA(name);
        using CoInitializeFunction = HRESULT(WINAPI*)(LPVOID);
        if (auto init = reinterpret_cast<CoInitializeFunction>(
                reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ole32.dll"), "CoInitialize"))))
            init(nullptr);
    }
    if (lstrcmpA(commandLine, "hook") == 0) {
        const HMODULE library = LoadLibraryA("nullhook.dll");
        const auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(library ? GetProcAddress(library, "NullHookProc") : nullptr));
        if (!proc || !SetWindowsHookExA(WH_KEYBOARD, proc, library, 0))
            return 1;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "KestravaBaselineTray";
    if (!RegisterClassA(&wc))
        return 1;
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Baseline", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        return 1;

    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 0;
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = kTrayMessage;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(icon.szTip, "Baseline", sizeof icon.szTip);
    Shell_NotifyIconA(NIM_ADD, &icon);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
