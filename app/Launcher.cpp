#include "Launcher.h"
#include <shellapi.h>
#include "framework/Application.h"
#include "util/GuardedCall.h"
#include "util/OpenCommand.h"
#include "util/PathHelpers.h"
#include "util/RegistryKey.h"

namespace Launcher {

namespace {

const char kDontKnow[] = "Don't know how to launch file :\n";
const char kTooLong[] = "The command line is too long. ";

void ReportWinExecFailure(const std::string& command, const char* reason)
{
    const std::string text = command + "    WinExec failed: " + reason + "\n";
    fw::AppMessageBox(text, MB_OK);
}

}  // namespace

bool OpenWithShell(HWND owner, const CHotKeyEntry& entry)
{
    HINSTANCE result = nullptr;
    const bool completed = InvokeGuarded([&] {
        result = ShellExecuteA(owner, "open", entry.m_command.c_str(), entry.m_arguments.c_str(),
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

std::string FindOpenCommand(const std::string& extension)
{
    CRegistryKey extensionKey;
    if (extensionKey.Open(HKEY_CLASSES_ROOT, extension) != ERROR_SUCCESS)
        return {};
    const std::string fileType = extensionKey.ReadString("", "");
    if (fileType.empty())
        return {};
    CRegistryKey commandKey;
    if (commandKey.Open(HKEY_CLASSES_ROOT, fileType, "shell\\open\\command") != ERROR_SUCCESS)
        return {};
    // Often "%SystemRoot%\system32\NOTEPAD.EXE %1": WinExec knows no variables.
    return commandKey.ReadExpandedString("", "");
}

bool BuildFallbackCommandLine(const std::string& openCommand, const std::string& command, std::string& line)
{
    // Quoted when it holds a blank, so that the program gets it as one argument.
    const bool blank = command.find(' ') != std::string::npos;
    return ComposeOpenCommand(openCommand, blank ? '"' + command + '"' : command, line);
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

void OpenWithAssociation(const std::string& command)
{
    const std::string openCommand = FindOpenCommand(GetExtension(command));
    if (openCommand.empty()) {
        fw::AppMessageBox(kDontKnow + command, MB_OK);
        return;
    }
    std::string line;
    if (!BuildFallbackCommandLine(openCommand, command, line)) {
        // Never start a cut command line: it would open something else.
        ReportWinExecFailure(command, kTooLong);
        return;
    }
    const UINT result = WinExec(line.c_str(), SW_SHOW);
    if (result < 32)
        ReportWinExecFailure(command, WinExecReason(result));
}

}  // namespace Launcher
