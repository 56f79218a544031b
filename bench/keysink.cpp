// The window that takes typed keys for the typing-cost figure. It notes the
// performance counter of every key-down; F12 ends a round and writes
// "COUNT FIRST LAST" (counter values) to the log file. Each time it becomes
// the active window it writes "active COUNTER": a copy of it is the running
// program that Win + W brings to the front.
// Usage: keysink LOGFILE
#include <windows.h>
#include <cstdio>

namespace {

const char* g_logPath = nullptr;
long g_count = 0;
long long g_first = 0;
long long g_last = 0;

long long Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            if (FILE* log = std::fopen(g_logPath, "a")) {
                std::fprintf(log, "active %lld\n", Now());
                std::fclose(log);
            }
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_F12) {
            if (FILE* log = std::fopen(g_logPath, "a")) {
                std::fprintf(log, "%ld %lld %lld\n", g_count, g_first, g_last);
                std::fclose(log);
            }
            g_count = 0;
            return 0;
        }
        g_last = Now();
        if (g_count++ == 0)
            g_first = g_last;
        return 0;
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    g_logPath = *commandLine ? commandLine : "keysink.log";
    WNDCLASSA wc{};
    wc.lpfnWndProc = SinkProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "KestravaBenchKeySink";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Key Sink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 360,
                                  200, nullptr, nullptr, instance, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    if (FILE* log = std::fopen(g_logPath, "a")) {
        std::fputs("ready\n", log);
        std::fclose(log);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
