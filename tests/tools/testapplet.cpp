// A tray applet built on the framework alone: icon, tip and "&Close" menu,
// the keyboard hook with its hidden window, and a log line for every event.
// Usage: testapplet LOGFILE [two|slowclose]
// "slowclose": WM_CLOSE to the hidden window ends it only 12 s later, as a Kestrava held up by a
// busy disk would.
// Messages to its hidden window: WM_APP+50 removes the hook, WM_APP+51 calls
// InstallKbHook(NULL), WM_APP+52 installs the hook again, WM_APP+53 installs
// it for the window wParam; each logs its result.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "hook/KbHook.h"
#include "trayapplet/QuindleTaskBarApplet.h"

using QuindleTools::CQuindleTaskBarApplet;

namespace {

FILE* g_log = nullptr;
bool g_slowClose = false;
constexpr UINT_PTR kSlowCloseTimer = 25;

// Takes WORD off the end of the command line, if it is there.
bool TakeOption(std::string& args, const std::string& word)
{
    const std::string suffix = " " + word;
    if (args.size() <= suffix.size() || args.compare(args.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    args.resize(args.size() - suffix.size());
    return true;
}

void Log(const char* format, unsigned long a = 0, unsigned long b = 0)
{
    std::fprintf(g_log, format, a, b);
    std::fputc('\n', g_log);
    std::fflush(g_log);
}

class CTestApplet : public CQuindleTaskBarApplet {
public:
    explicit CTestApplet(std::string tip) : m_tip(std::move(tip)) {}

    std::string GetTipText() override { return m_tip; }
    HICON GetIcon() override { return LoadIconA(nullptr, IDI_APPLICATION); }

    bool OnStartUp(const std::string&) override
    {
        if (GetIndex() == 0) {
            SetWindowSubclass(GetHiddenWindow(), ControlProc, 0, 0);
            Log("install %lu", InstallKbHook(GetHiddenWindow()));
        }
        Log("started %lu", GetIndex());
        return true;
    }
    void OnMenuCommand(UINT command) override
    {
        Log("menu %lu applet %lu", command, GetIndex());
        CQuindleTaskBarApplet::OnMenuCommand(command);
    }
    void OnTrayRButtonUp() override
    {
        POINT p{};
        GetCursorPos(&p);
        Log("rbuttonup %lu %lu", p.x, p.y);
        CQuindleTaskBarApplet::OnTrayRButtonUp();
    }
    void OnTrayLButtonDblClk() override { Log("dblclk %lu", GetIndex()); }
    void OnOtherMessage(LPARAM lParam, WPARAM wParam) override { Log("key %02lx %08lx", wParam, lParam); }

private:
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
    {
        switch (message) {
        case WM_APP + 50: Log("uninstall %lu", UnInstallKbHook()); return 0;
        case WM_APP + 51: Log("install-null %lu", InstallKbHook(nullptr)); return 0;
        case WM_APP + 52: Log("install %lu", InstallKbHook(window)); return 0;
        case WM_APP + 53: Log("install-other %lu", InstallKbHook(reinterpret_cast<HWND>(wParam))); return 0;
        case WM_CLOSE:
            if (g_slowClose && SetTimer(window, kSlowCloseTimer, 12000, nullptr)) {
                Log("close asked");
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam == kSlowCloseTimer) {
                KillTimer(window, kSlowCloseTimer);
                DestroyWindow(window);
                return 0;
            }
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    std::string m_tip;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    std::string logPath(commandLine);
    const bool two = TakeOption(logPath, "two");
    g_slowClose = TakeOption(logPath, "slowclose");
    g_log = std::fopen(logPath.empty() ? "testapplet.log" : logPath.c_str(), "w");
    if (!g_log)
        return 2;
    CTestApplet first("Kestrava test applet");
    if (two) {
        CTestApplet second("Kestrava second applet");
        const int code = CQuindleTaskBarApplet::Run(instance, commandLine);
        Log("exit %lu", code);
        return code;
    }
    const int code = CQuindleTaskBarApplet::Run(instance, commandLine);
    Log("exit %lu", code);
    return code;
}
