// Starting a hot key's command: through the shell first, then through the
// open command of the file type that the command's extension belongs to.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>
#include "store/HotKeyEntry.h"

namespace Launcher {

// What the shell made of a launch: started; declined by the user (a UAC
// prompt answered No); not started because the start folder is missing; or
// failed otherwise, which the file type's open command may still mend.
enum class ShellOutcome { Started, Declined, NoStartFolder, Failed };

// ShellExecuteExW "open" with the entry's arguments and directory. A processor
// fault or exception inside the shell counts as failure. Tests hand in the
// shell call.
using ShellCall = BOOL(WINAPI*)(SHELLEXECUTEINFOW* info);
ShellOutcome OpenWithShell(HWND owner, const CHotKeyEntry& entry, ShellCall shell = ShellExecuteExW);

// A hot key's launch: the shell, then, where it failed otherwise, the
// fallback. A declined prompt shows nothing; a missing start folder is named.
void Launch(HWND owner, const CHotKeyEntry& entry, ShellCall shell = ShellExecuteExW);

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
