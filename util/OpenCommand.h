// The command line that opens a file or link with the open command a file
// type registers ("C:\Tools\view.exe" "%1"): the command cut at its "%1"
// placeholder, then a blank and the argument.
#pragma once
#include <string>

// The fallbacks that run such a command line build it in this many characters.
constexpr std::wstring::size_type kOpenCommandCapacity = 520;

// Cuts openCommand at the quoted placeholder "\"%1\"", else at the bare "%1",
// dropping all that follows; without one the whole command stays. Appends a
// blank and the argument as given. False, with line untouched, when the
// result would not fit kOpenCommandCapacity characters: a cut command line
// could start something else.
bool ComposeOpenCommand(const std::wstring& openCommand, const std::wstring& argument, std::wstring& line);

// Starts a command line as WinExec does, for text in any script: shown as
// showCommand, waited for until it is idle (30 seconds at most). Above 31 on
// success, else the code WinExec gives for the failure: the system's error
// below 32, ERROR_BAD_FORMAT for any other.
unsigned ExecuteCommandLine(const std::wstring& line, int showCommand);
