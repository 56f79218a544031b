#include "util/PathHelpers.h"
#include <shlobj.h>
#include <vector>
#include "framework/Application.h"
#include "framework/Handle.h"

namespace PathText {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Length of the character that starts at text[i]: 2 for a lead byte followed
// by a trail byte, otherwise 1.
std::string::size_type CharLength(const std::string& text, std::string::size_type i, UINT codePage)
{
    if (i + 1 < text.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[i])))
        return 2;
    return 1;
}

}  // namespace

std::string::size_type FindLast(const std::string& text, char c, UINT codePage)
{
    std::string::size_type found = npos;
    for (std::string::size_type i = 0; i < text.size(); i += CharLength(text, i, codePage))
        if (text[i] == c)
            found = i;
    return found;
}

std::string::size_type FindLastSeparator(const std::string& text, UINT codePage)
{
    const auto backslash = FindLast(text, '\\', codePage);
    return backslash != npos ? backslash : FindLast(text, '/', codePage);
}

std::string TrimRight(const std::string& text, UINT codePage)
{
    std::string::size_type end = 0;
    for (std::string::size_type i = 0; i < text.size();) {
        const auto length = CharLength(text, i, codePage);
        if (length > 1 || !IsBlank(text[i]))
            end = i + length;
        i += length;
    }
    return text.substr(0, end);
}

std::string GetFolderPart(const std::string& path, UINT codePage)
{
    const auto separator = FindLastSeparator(path, codePage);
    return separator == npos ? std::string() : path.substr(0, separator);
}

void StripTrailingSeparator(std::string& path, UINT codePage)
{
    std::string copy = TrimRight(path, codePage);
    const auto separator = FindLastSeparator(copy, codePage);
    if (separator != npos && separator + 1 == copy.size()) {
        copy.erase(separator);
        path = std::move(copy);
    }
}

std::string GetExtension(const std::string& path, UINT codePage)
{
    std::string copy = TrimRight(path, codePage);
    const auto dot = FindLast(copy, '.', codePage);
    return dot == npos ? copy : copy.substr(dot);
}

std::string ModuleFileName(HMODULE module)
{
    // MAX_PATH first; a name that fills the buffer may have been cut, so grow
    // up to the longest path the system allows.
    for (DWORD capacity = MAX_PATH; capacity <= 65536; capacity *= 2) {
        std::vector<char> buffer(capacity);
        const DWORD length = GetModuleFileNameA(module, buffer.data(), capacity);
        if (length == 0)
            return {};
        if (length < capacity)
            return std::string(buffer.data(), length);
    }
    return {};
}

}  // namespace PathText

std::string GetProgramFolder()
{
    std::string folder = GetFolderPart(PathText::ModuleFileName(fw::ProgramInstance()));
    StripTrailingSeparator(folder);
    return folder;
}

std::string GetDataFilePath() { return GetProgramFolder() + "\\" + "Kestrava.dat"; }

std::string GetFolderPart(const std::string& path) { return PathText::GetFolderPart(path, CP_ACP); }

void StripTrailingSeparator(std::string& path) { PathText::StripTrailingSeparator(path, CP_ACP); }

std::string GetExtension(const std::string& path) { return PathText::GetExtension(path, CP_ACP); }

bool BrowseForFolder(const std::string& title, std::string& result, const std::string& initialFolder, HWND owner)
{
    fw::ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(reinterpret_cast<IMalloc**>(allocator.put_void()))))
        return false;

    char displayName[MAX_PATH] = "";
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    info.iImage = 0;

    bool chosen = false;
    if (LPITEMIDLIST items = SHBrowseForFolderA(&info)) {
        char path[MAX_PATH] = "";
        if (SHGetPathFromIDListA(items, path)) {
            result = path;
            chosen = true;
        }
        allocator->Free(items);
    }
    return chosen;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    // wParam TRUE: the selection is given as a path, not an identifier list.
    if (message == BFFM_INITIALIZED)
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}
