// Path text and the shell's folder browser. Paths are Unicode, so that a
// folder named in any script is found.
#pragma once
#include <windows.h>
#include <string>

// The running executable's folder, never with a trailing separator ("C:" for
// a program in a drive's root).
std::wstring GetProgramFolder();
// The data file, "Kestrava.dat" in the program's folder: "%s\%s" of the two.
std::wstring GetDataFilePath();
// The text before the last separator; empty when there is none.
std::wstring GetFolderPart(const std::wstring& path);
// Removes one trailing separator (and the blanks after it); otherwise leaves
// the path exactly as it was.
void StripTrailingSeparator(std::wstring& path);
// From the last '.' of the trimmed path's last component to the end; empty
// when that component has no '.'.
std::wstring GetExtension(const std::wstring& path);

// Modal folder browser opened at initialFolder; result is written only when
// the user chose a file-system folder.
bool BrowseForFolder(const std::wstring& title, std::wstring& result, const std::wstring& initialFolder, HWND owner);
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data);

namespace PathText {

constexpr std::wstring::size_type npos = std::wstring::npos;

// Index of the last backslash, or, when there is none, of the last '/'.
std::wstring::size_type FindLastSeparator(const std::wstring& text);
// Without trailing blanks, tabs and line breaks.
std::wstring TrimRight(const std::wstring& text);

}  // namespace PathText
