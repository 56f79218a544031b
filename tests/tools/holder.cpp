// Another program that holds Win + letters as system hot keys and watches
// the keyboard with a low-level hook of its own, writing what it sees to a log:
//   held S 1        RegisterHotKey(MOD_WIN, 'S') succeeded (0: refused)
//   hotkey S        WM_HOTKEY for S arrived
//   ll down 53 0 1f -   the watcher saw a stroke: down/up, virtual key,
//                       dwExtraInfo, scan code, "ext" for an extended key
// Usage: holder LOGFILE [LETTERS [nowatch|swallow]]. WM_CLOSE to its window
// "Kestrava Holder" ends it. "swallow": the watcher swallows the first
// release of S it sees, as another program's hook might.
#include <windows.h>
#include <cstdio>
#include <cstring>

namespace {

FILE* g_log = nullptr;
bool g_swallowRelease = false;

LRESULT CALLBACK WatchProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const auto* stroke = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool up = (stroke->flags & LLKHF_UP) != 0;
        const bool swallow = g_swallowRelease && up && stroke->vkCode == 'S';
        std::fprintf(g_log, "ll %s %02lx %lx %02lx %s\n", swallow ? "swallowed" : up ? "up" : "down", stroke->vkCode,
                     static_cast<unsigned long>(stroke->dwExtraInfo), stroke->scanCode,
                     (stroke->flags & LLKHF_EXTENDED) ? "ext" : "-");
        std::fflush(g_log);
        if (swallow) {
            g_swallowRelease = false;
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY) {
        std::fprintf(g_log, "hotkey %c\n", static_cast<char>(HIWORD(lParam)));
        std::fflush(g_log);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !(g_log = std::fopen(argv[1], "w")))
        return 2;
    WNDCLASSA wc{};
    wc.lpfnWndProc = HolderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KestravaHolder";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Kestrava Holder", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    const bool watch = !(argc > 3 && std::strcmp(argv[3], "nowatch") == 0);
    g_swallowRelease = argc > 3 && std::strcmp(argv[3], "swallow") == 0;
    HHOOK watcher = watch ? SetWindowsHookExA(WH_KEYBOARD_LL, WatchProc, wc.hInstance, 0) : nullptr;
    std::fprintf(g_log, "watching %d\n", watcher != nullptr);
    for (const char* letter = argc > 2 ? argv[2] : ""; *letter; ++letter)
        std::fprintf(g_log, "held %c %d\n", *letter, RegisterHotKey(window, *letter, MOD_WIN, *letter) ? 1 : 0);
    std::fprintf(g_log, "ready\n");
    std::fflush(g_log);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    if (watcher != nullptr)
        UnhookWindowsHookEx(watcher);
    std::fclose(g_log);
    return 0;
}
