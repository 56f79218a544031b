// The program file a command starts, found the way the shell finds it, so
// that a running copy of that program can be told by its file.
#pragma once
#include <functional>
#include <string>

// Where a command's program is looked for. What touches the system comes in
// as functions, so that the search order can be tested without a system.
struct ProgramSearch {
    std::wstring currentFolder;
    std::wstring windowsFolder;
    std::wstring systemFolder;
    std::wstring path;     // PATH: folders separated by ';', any of them quoted
    std::wstring pathExt;  // PATHEXT: ".COM;.EXE;..."; empty means the system's default
    std::function<bool(const std::wstring& path)> isFile;
    // The default value of the "App Paths" key of a file name ("notepad.exe"), or empty.
    std::function<std::wstring(const std::wstring& fileName)> appPath;
    // A shortcut file's target, or empty.
    std::function<std::wstring(const std::wstring& path)> shortcutTarget;
};

// The .exe file that the command starts, or empty when it starts none
// (a document, folder, URL or batch file, or a name found nowhere):
// - a path with a folder as it stands, relative to the current folder when
//   it has no drive;
// - a bare name in the current folder, the Windows folder, the system
//   folder, the folders of PATH, then under "App Paths", in that order;
// - a name without an extension with each of PATHEXT's in turn, in each
//   place; the first file found is the one the shell starts;
// - a shortcut (.lnk) through its target.
std::wstring FindProgramFile(const std::wstring& command, const ProgramSearch& search);

// Whether the command names a program: its text ends in ".exe" (the file may
// be missing for now), or it finds an .exe as above.
bool NamesProgram(const std::wstring& command, const ProgramSearch& search);

// The search as this process sees it now. An empty currentFolder means the
// process's own. `shortcutTarget` needs COM on the calling thread.
ProgramSearch SystemProgramSearch(const std::wstring& currentFolder,
                                  std::function<std::wstring(const std::wstring&)> shortcutTarget);
