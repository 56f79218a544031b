// Path text and the shell's folder browser. Texts are in the ANSI code page;
// every character search steps over whole double-byte characters, so a trail
// byte equal to '\' is never taken for a separator.
#pragma once
#include <windows.h>
#include <string>

// The running executable's folder, never with a trailing separator ("C:" for
// a program in a drive's root).
std::string GetProgramFolder();
// The data file, "Kestrava.dat" in the program's folder: "%s\%s" of the two.
std::string GetDataFilePath();
// The text before the last separator; empty when there is none.
std::string GetFolderPart(const std::string& path);
// Removes one trailing separator (and the blanks after it); otherwise leaves
// the path exactly as it was.
void StripTrailingSeparator(std::string& path);
// From the last '.' to the end of the trimmed path, or the whole trimmed path.
std::string GetExtension(const std::string& path);

// Modal folder browser opened at initialFolder; result is written only when
// the user chose a file-system folder.
bool BrowseForFolder(const std::string& title, std::string& result, const std::string& initialFolder, HWND owner);
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data);

// The same path operations for an explicit code page, so that double-byte
// text can be handled (and tested) whatever the system's code page is.
namespace PathText {

constexpr std::string::size_type npos = std::string::npos;

// Index of the last occurrence of the single-byte character c, or npos.
std::string::size_type FindLast(const std::string& text, char c, UINT codePage);
// Index of the last backslash, or, when there is none, of the last '/'.
std::string::size_type FindLastSeparator(const std::string& text, UINT codePage);
// Without trailing blanks, tabs and line breaks.
std::string TrimRight(const std::string& text, UINT codePage);

std::string GetFolderPart(const std::string& path, UINT codePage);
void StripTrailingSeparator(std::string& path, UINT codePage);
std::string GetExtension(const std::string& path, UINT codePage);

// The full file name of a module, however long; empty on failure.
std::string ModuleFileName(HMODULE module);

}  // namespace PathText
