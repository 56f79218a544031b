// Reads and pokes windows of other processes for the end-to-end tests:
// the texts of message boxes, dialog controls, window rectangles, posted messages.
// Output is one line per item, fields separated by tabs, line breaks escaped as
// \n, texts in UTF-8; arguments may be in any script.
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "framework/Handle.h"
#include "tests/common/Utf8.h"

namespace {

HWND ParseWindow(const char* text) { return reinterpret_cast<HWND>(std::strtoul(text, nullptr, 16)); }
unsigned long ParseNumber(const char* text) { return std::strtoul(text, nullptr, 0); }

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

// WM_GETTEXT is marshalled across processes, so edits give their contents
// too; read as Unicode, so that no letter turns into '?'.
std::string TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return "";
    std::vector<wchar_t> buffer(length + 2);
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                        2000, &copied);
    return Utf8(buffer.data());
}

// Every failure of the tool's own says so and ends with 3: a run that ends
// with 1 and says nothing never got this far (Wine failed to start it).
int Failed(const char* what)
{
    std::fprintf(stderr, "wintool: %s failed (error %lu)\n", what, GetLastError());
    return 3;
}

// Types text into the foreground window as Unicode characters, which no
// keyboard layout has to hold.
int TypeUnicode(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (const wchar_t unit : text) {
        for (const DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = unit;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(input);
        }
    }
    for (INPUT& input : inputs) {
        if (SendInput(1, &input, sizeof input) != 1)
            return Failed("SendInput");
        Sleep(10);
    }
    return 0;
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

void PrintWindow(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%08lx\t%d\t%s\t%s\t%08lx\t%08lx\t%d\t%d\t%ld %ld %ld %ld\n",
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)), GetDlgCtrlID(window),
                ClassOf(window).c_str(), Escape(TextOf(window)).c_str(),
                static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)), IsWindowVisible(window) ? 1 : 0,
                IsWindowEnabled(window) ? 1 : 0, r.left, r.top, r.right, r.bottom);
}

BOOL CALLBACK PrintChild(HWND window, LPARAM)
{
    PrintWindow(window);
    return TRUE;
}

struct BoxSearch {
    DWORD pid;
};

// A message box: a dialog whose texts are in a static with id 0xFFFF (Wine) or 65535.
BOOL CALLBACK PrintBox(HWND window, LPARAM param)
{
    const auto* search = reinterpret_cast<const BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (ClassOf(window) != "#32770" || !IsWindowVisible(window) || (search->pid && pid != search->pid))
        return TRUE;
    std::string text;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Static" && GetDlgCtrlID(child) == 0xFFFF)
            text = TextOf(child);
    }
    HWND owner = GetWindow(window, GW_OWNER);
    std::printf("%08lx\t%lu\t%s\t%s\t%08lx\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)), pid,
                Escape(TextOf(window)).c_str(), Escape(text).c_str(),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(owner)));
    return TRUE;
}

int Usage()
{
    std::fputs("usage: wintool find CLASS TITLE | findall CLASS TITLE | rect HWND | children HWND | info HWND | boxes [PID]\n"
               "       post HWND MSG WPARAM LPARAM | send HWND MSG WPARAM LPARAM | command HWND ID\n"
               "       text HWND | settext HWND TEXT | foreground | front HWND | pid HWND | cursor | message NAME | syscolor INDEX\n"
               "       keepalive | type TEXT | acp | settingchange AREA | hold FILE | run COMMANDLINE\n",
               stderr);
    return 2;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** wideArgs = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (wideArgs == nullptr || argc < 2)
        return Usage();
    std::vector<std::string> utf8Args;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i)
        utf8Args.push_back(Utf8(wideArgs[i]));
    for (std::string& arg : utf8Args)
        args.push_back(&arg[0]);
    char** argv = args.data();
    const std::string verb = argv[1];
    if (verb == "find" && argc == 4) {
        HWND window = FindWindowW(*wideArgs[2] ? wideArgs[2] : nullptr, *wideArgs[3] ? wideArgs[3] : nullptr);
        std::printf("%08lx\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
        return 0;
    }
    if (verb == "findall" && argc == 4) {
        // Every top-level window of a class and title, for "only one editor" checks.
        for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, *wideArgs[2] ? wideArgs[2] : nullptr,
                                                            *wideArgs[3] ? wideArgs[3] : nullptr)) != nullptr;)
            std::printf("%08lx\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
        return 0;
    }
    if (verb == "rect" && argc == 3) {
        RECT r{};
        if (!GetWindowRect(ParseWindow(argv[2]), &r))
            return Failed("GetWindowRect");
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (verb == "children" && argc == 3) {
        EnumChildWindows(ParseWindow(argv[2]), PrintChild, 0);
        return 0;
    }
    if (verb == "info" && argc == 3) {
        PrintWindow(ParseWindow(argv[2]));
        return 0;
    }
    if (verb == "boxes" && argc <= 3) {
        BoxSearch search{argc == 3 ? static_cast<DWORD>(ParseNumber(argv[2])) : 0};
        EnumWindows(PrintBox, reinterpret_cast<LPARAM>(&search));
        return 0;
    }
    if ((verb == "post" || verb == "send") && argc == 6) {
        HWND window = ParseWindow(argv[2]);
        const UINT message = ParseNumber(argv[3]);
        const WPARAM wParam = ParseNumber(argv[4]);
        const LPARAM lParam = static_cast<LPARAM>(ParseNumber(argv[5]));
        if (verb == "post")
            return PostMessageA(window, message, wParam, lParam) ? 0 : Failed("PostMessage");
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
            return Failed("SendMessageTimeout");
        std::printf("%lu\n", static_cast<unsigned long>(result));
        return 0;
    }
    if (verb == "command" && argc == 4) {
        // What a click on a dialog's button does, without needing its position.
        const int id = static_cast<int>(ParseNumber(argv[3]));
        HWND window = ParseWindow(argv[2]);
        return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(GetDlgItem(window, id)))
                   ? 0
                   : Failed("PostMessage");
    }
    if (verb == "text" && argc == 3) {
        std::printf("%s\n", Escape(TextOf(ParseWindow(argv[2]))).c_str());
        return 0;
    }
    if (verb == "settext" && argc == 4) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(ParseWindow(argv[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wideArgs[3]),
                                   SMTO_ABORTIFHUNG, 5000, &result)
                   ? 0
                   : Failed("WM_SETTEXT");
    }
    if (verb == "foreground" && argc == 2) {
        HWND window = GetForegroundWindow();
        if (window)
            PrintWindow(window);
        return 0;
    }
    if (verb == "front" && argc == 3)
        return SetForegroundWindow(ParseWindow(argv[2])) ? 0 : Failed("SetForegroundWindow");  // Wine keeps no foreground lock
    if (verb == "pid" && argc == 3) {
        DWORD pid = 0;
        GetWindowThreadProcessId(ParseWindow(argv[2]), &pid);
        std::printf("%lu\n", pid);
        return 0;
    }
    if (verb == "keepalive" && argc == 2) {
        // A process that lives as long as the rig: the virtual desktop's own
        // process ends when the last program on the desktop does.
        Sleep(INFINITE);
        return 0;
    }
    if (verb == "hold" && argc == 3) {
        // Another program that has a file open without FILE_SHARE_DELETE:
        // the file can be neither renamed nor deleted until this ends.
        const fw::File file(CreateFileW(wideArgs[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        if (!file)
            return Failed("CreateFile");
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(INFINITE);
        return 0;
    }
    if (verb == "run" && argc == 3) {
        // A command line started as the shell starts a Run or RunOnce value; prints its exit code.
        std::wstring line = wideArgs[2];
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                            &started))
            return Failed("CreateProcess");
        const fw::KernelHandle process(started.hProcess), thread(started.hThread);
        DWORD code = 1;
        if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code))
            return Failed("the command line");
        std::printf("%lu\n", code);
        return 0;
    }
    if (verb == "message" && argc == 3) {
        std::printf("%u\n", RegisterWindowMessageA(argv[2]));
        return 0;
    }
    if (verb == "syscolor" && argc == 3) {
        const COLORREF colour = GetSysColor(static_cast<int>(ParseNumber(argv[2])));
        std::printf("%d %d %d\n", GetRValue(colour), GetGValue(colour), GetBValue(colour));
        return 0;
    }
    if (verb == "type" && argc == 3)
        return TypeUnicode(wideArgs[2]);
    if (verb == "settingchange" && argc == 3) {
        // As an installer tells every window that, say, the environment changed.
        DWORD_PTR result = 0;
        SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(wideArgs[2]),
                            SMTO_ABORTIFHUNG, 5000, &result);
        return 0;
    }
    if (verb == "acp" && argc == 2) {
        std::printf("%u\n", GetACP());
        return 0;
    }
    if (verb == "cursor" && argc == 2) {
        POINT p{};
        GetCursorPos(&p);
        std::printf("%ld %ld\n", p.x, p.y);
        return 0;
    }
    return Usage();
}
