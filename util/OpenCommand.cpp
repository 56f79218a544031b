#include "OpenCommand.h"
#include <windows.h>
#include <cstring>
#include "framework/Handle.h"

namespace {

std::string::size_type FindQuotedPlaceholder(const std::string& text)
{
    const char* begin = text.c_str();
    for (const char* p = begin; *p; p = CharNextA(p))
        if (std::strncmp(p, "\"%1\"", 4) == 0)
            return static_cast<std::string::size_type>(p - begin);
    return std::string::npos;
}

std::wstring::size_type FindQuotedPlaceholder(const std::wstring& text) { return text.find(L"\"%1\""); }

template <class String>
bool Compose(const String& openCommand, const String& argument, String& line)
{
    using Char = typename String::value_type;
    const Char bare[] = {'%', '1', 0};
    String composed = openCommand.substr(0, openCommand.find(Char(0)));
    auto placeholder = FindQuotedPlaceholder(composed);
    if (placeholder == String::npos)
        placeholder = composed.find(bare);
    if (placeholder != String::npos)
        composed.erase(placeholder);
    composed += Char(' ');
    composed += argument;
    if (composed.size() >= kOpenCommandCapacity)
        return false;
    line = std::move(composed);
    return true;
}

}  // namespace

bool ComposeOpenCommand(const std::string& openCommand, const std::string& argument, std::string& line)
{
    return Compose(openCommand, argument, line);
}

bool ComposeOpenCommand(const std::wstring& openCommand, const std::wstring& argument, std::wstring& line)
{
    return Compose(openCommand, argument, line);
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
