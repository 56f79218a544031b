// A plain window that takes the keyboard focus and writes every key message
// it receives to a log file: the "other program" that hot keys must not reach.
// Usage: keyprobe [--peek] [--load DLL] LOGFILE. With --peek it looks at each
// key message (PeekMessage with PM_NOREMOVE, logged as "peek") before it takes
// it; with --load it maps DLL (a path without blanks) first, as a program
// that still holds an older hook library would.
#include <windows.h>
#include <cstdio>
#include <cstring>

namespace {

FILE* g_log = nullptr;

void Log(const char* what, WPARAM wParam, LPARAM lParam)
{
    std::fprintf(g_log, "%s %02x %08lx\n", what, static_cast<unsigned>(wParam), static_cast<unsigned long>(lParam));
    std::fflush(g_log);
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN: Log("down", wParam, lParam); return 0;
    case WM_KEYUP: Log("up", wParam, lParam); return 0;
    case WM_SYSKEYDOWN: Log("sysdown", wParam, lParam); break;
    case WM_SYSKEYUP: Log("sysup", wParam, lParam); break;
    case WM_CHAR: Log("char", wParam, lParam); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    const bool peek = std::strncmp(commandLine, "--peek ", 7) == 0;
    if (peek)
        commandLine += 7;
    if (std::strncmp(commandLine, "--load ", 7) == 0) {
        char* path = commandLine + 7;
        char* end = std::strchr(path, ' ');
        if (end == nullptr)
            return 3;
        *end = '\0';
        commandLine = end + 1;
        if (!LoadLibraryA(path))
            return 3;
    }
    g_log = std::fopen(*commandLine ? commandLine : "keyprobe.log", "w");
    if (!g_log)
        return 2;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "KestravaKeyProbe";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Key Probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 360, 200,
                                  nullptr, nullptr, instance, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    std::fprintf(g_log, "ready\n");
    std::fflush(g_log);
    MSG msg;
    for (;;) {
        if (peek) {
            // The hook sees a peeked key with HC_NOREMOVE, then with HC_ACTION when it is taken.
            if (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE) && msg.message == WM_KEYDOWN)
                Log("peek", msg.wParam, msg.lParam);
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                WaitMessage();
                continue;
            }
            if (msg.message == WM_QUIT)
                break;
        } else if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    std::fclose(g_log);
    return 0;
}
