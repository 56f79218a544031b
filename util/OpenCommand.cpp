#include "OpenCommand.h"
#include <windows.h>
#include "framework/Handle.h"

bool ComposeOpenCommand(const std::wstring& openCommand, const std::wstring& argument, std::wstring& line)
{
    std::wstring composed = openCommand.substr(0, openCommand.find(L'\0'));
    auto placeholder = composed.find(L"\"%1\"");
    if (placeholder == std::wstring::npos)
        placeholder = composed.find(L"%1");
    if (placeholder != std::wstring::npos)
        composed.erase(placeholder);
    composed += L' ';
    composed += argument;
    if (composed.size() >= kOpenCommandCapacity)
        return false;
    line = std::move(composed);
    return true;
}

unsigned ExecuteCommandLine(const std::wstring& line, int showCommand)
{
    // How long a started program may take to become ready for input.
    constexpr DWORD kIdleWait = 30000;
    std::wstring buffer = line;  // the call may write into the line
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        const DWORD error = GetLastError();
        return error < 32 ? error : ERROR_BAD_FORMAT;
    }
    const fw::KernelHandle processHandle(process.hProcess);
    const fw::KernelHandle threadHandle(process.hThread);
    WaitForInputIdle(process.hProcess, kIdleWait);
    return 33;
}
