// Baseline for the hot-key-to-launch figure: the system's own hot keys
// (RegisterHotKey with MOD_WIN + W) and ShellExecuteA of the command given
// on the command line. Writes "registered 1" or "registered 0" to its log.
// Usage: baseline_launcher LOGFILE COMMAND
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 3)
        return 2;
    const std::string command = __argv[2];
    FILE* log = std::fopen(__argv[1], "w");
    if (!log)
        return 2;
    // The same COM set-up as the program: the shell may need it.
    CoInitialize(nullptr);
    const BOOL registered = RegisterHotKey(nullptr, 1, MOD_WIN, 'W');
    std::fprintf(log, "registered %d\n", registered ? 1 : 0);
    std::fflush(log);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_HOTKEY) {
            ShellExecuteA(nullptr, "open", command.c_str(), "", "", SW_SHOW);
            std::fprintf(log, "hotkey\n");
            std::fflush(log);
        }
        DispatchMessageA(&msg);
    }
    std::fclose(log);
    return 0;
}
