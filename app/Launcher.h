// Starting a hot key's command: through the shell first, then through the
// open command of the file type that the command's extension belongs to.
#pragma once
#include <windows.h>
#include <string>
#include "store/HotKeyEntry.h"

namespace Launcher {

// ShellExecuteW "open" with the entry's arguments and directory. A processor
// fault or exception inside the shell counts as failure. True when the shell
// reports success (a result above 32).
bool OpenWithShell(HWND owner, const CHotKeyEntry& entry);

// The open command registered for the file type of an extension (".txt"):
// the extension key's default value names the type, whose
// "shell\open\command" default value is the command line. Empty when either
// is missing.
std::wstring FindOpenCommand(const std::wstring& extension);

// The open command cut at its "%1" placeholder, then a blank and the
// command, quoted when it holds a blank (ComposeOpenCommand). False, with
// line untouched, when the result would not fit the fallback's buffer.
bool BuildFallbackCommandLine(const std::wstring& openCommand, const std::wstring& command, std::wstring& line);

// The reason text for a WinExec result below 32.
const char* WinExecReason(UINT result);

// The fallback: finds the open command, runs it as WinExec would
// (ExecuteCommandLine) and reports a failure in a message box.
void OpenWithAssociation(const std::wstring& command);

}  // namespace Launcher
