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
const wchar_t kNoStartFolder[] = L"Start folder not found :\n";

// Surely no folder there: nothing by that name, or a file. A folder that
// cannot be looked at (access denied, a network error) may well exist.
bool FolderIsMissing(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void ReportWinExecFailure(const std::wstring& command, const char* reason)
{
    const std::wstring text = command + L"    WinExec failed: " + fw::WidenAnsi(reason) + L"\n";
    fw::AppMessageBox(text, MB_OK);
}

}  // namespace

ShellOutcome OpenWithShell(HWND owner, const CHotKeyEntry& entry, ShellCall shell)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // As ShellExecute does: no error box of the shell's own, and done when it returns.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = entry.m_command.c_str();
    info.lpParameters = entry.m_arguments.c_str();
    info.lpDirectory = entry.m_directory.c_str();
    info.nShow = SW_SHOW;
    BOOL started = FALSE;
    DWORD error = ERROR_SUCCESS;
    const bool completed = InvokeGuarded([&] {
        started = shell(&info);
        error = started ? ERROR_SUCCESS : GetLastError();
    });
    if (!completed) {
#ifndef NDEBUG
        OutputDebugStringA("AV in ShellExecute\n");
#endif
        return ShellOutcome::Failed;
    }
    if (started)
        return ShellOutcome::Started;
    if (error == ERROR_CANCELLED)
        return ShellOutcome::Declined;
    // The shell's own code for it differs by what is opened: the folder is looked at.
    if (!entry.m_directory.empty() && FolderIsMissing(entry.m_directory))
        return ShellOutcome::NoStartFolder;
    return ShellOutcome::Failed;
}

void Launch(HWND owner, const CHotKeyEntry& entry, ShellCall shell)
{
    switch (OpenWithShell(owner, entry, shell)) {
    case ShellOutcome::Started:
    case ShellOutcome::Declined:  // the user's answer: nothing to tell, nothing else to try
        return;
    case ShellOutcome::NoStartFolder:
        fw::AppMessageBox(kNoStartFolder + entry.m_directory, MB_OK);
        return;
    case ShellOutcome::Failed:
        OpenWithAssociation(entry.m_command);
        return;
    }
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
