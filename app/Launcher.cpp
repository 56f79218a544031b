#include "Launcher.h"
#include <shellapi.h>
#include "framework/Application.h"
#include "framework/Text.h"
#include "util/GuardedCall.h"
#include "util/OpenCommand.h"
#include "util/PathHelpers.h"
#include "util/RegistryKey.h"

namespace Launcher {

namespace {

const wchar_t kDontKnow[] = L"Don't know how to launch file :\n";
const char kTooLong[] = "The command line is too long. ";

void ReportWinExecFailure(const std::wstring& command, const char* reason)
{
    const std::wstring text = command + L"    WinExec failed: " + fw::WidenAnsi(reason) + L"\n";
    fw::AppMessageBox(text, MB_OK);
}

}  // namespace

bool OpenWithShell(HWND owner, const CHotKeyEntry& entry)
{
    HINSTANCE result = nullptr;
    const bool completed = InvokeGuarded([&] {
        result = ShellExecuteW(owner, L"open", entry.m_command.c_str(), entry.m_arguments.c_str(),
                               entry.m_directory.c_str(), SW_SHOW);
    });
    if (!completed) {
#ifndef NDEBUG
        OutputDebugStringA("AV in ShellExecute\n");
#endif
        return false;
    }
    return reinterpret_cast<UINT_PTR>(result) > 32;
}

std::wstring FindOpenCommand(const std::wstring& extension)
{
    if (extension.empty())
        return {};  // a file without a type; the empty key name would open the root
    CRegistryKey extensionKey;
    if (extensionKey.Open(HKEY_CLASSES_ROOT, extension) != ERROR_SUCCESS)
        return {};
    const std::wstring fileType = extensionKey.ReadString(L"", L"");
    if (fileType.empty())
        return {};
    CRegistryKey commandKey;
    if (commandKey.Open(HKEY_CLASSES_ROOT, fileType + L"\\shell\\open\\command") != ERROR_SUCCESS)
        return {};
    // Often "%SystemRoot%\system32\NOTEPAD.EXE %1": a command line knows no variables.
    return commandKey.ReadExpandedString(L"", L"");
}

bool BuildFallbackCommandLine(const std::wstring& openCommand, const std::wstring& command, std::wstring& line)
{
    // Quoted when it holds a blank, so that the program gets it as one argument.
    const bool blank = command.find(L' ') != std::wstring::npos;
    return ComposeOpenCommand(openCommand, blank ? L'"' + command + L'"' : command, line);
}

const char* WinExecReason(UINT result)
{
    switch (result) {
    case 0: return "The system is out of memory or resources.";
    case ERROR_FILE_NOT_FOUND: return "The specified file was not found. ";
    case ERROR_PATH_NOT_FOUND: return "The specified path was not found. ";
    case ERROR_BAD_FORMAT: return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image). ";
    default: return "";
    }
}

void OpenWithAssociation(const std::wstring& command)
{
    const std::wstring openCommand = FindOpenCommand(GetExtension(command));
    if (openCommand.empty()) {
        fw::AppMessageBox(kDontKnow + command, MB_OK);
        return;
    }
    std::wstring line;
    if (!BuildFallbackCommandLine(openCommand, command, line)) {
        // Never start a cut command line: it would open something else.
        ReportWinExecFailure(command, kTooLong);
        return;
    }
    const UINT result = ExecuteCommandLine(line, SW_SHOW);
    if (result < 32)
        ReportWinExecFailure(command, WinExecReason(result));
}

}  // namespace Launcher
