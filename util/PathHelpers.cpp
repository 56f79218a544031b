#include "util/PathHelpers.h"
#include <shlobj.h>
#include "framework/Application.h"
#include "framework/FileDialog.h"
#include "framework/Handle.h"

namespace PathText {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r'; }

}  // namespace

std::wstring::size_type FindLastSeparator(const std::wstring& text)
{
    const auto backslash = text.rfind(L'\\');
    return backslash != npos ? backslash : text.rfind(L'/');
}

std::wstring TrimRight(const std::wstring& text)
{
    std::wstring::size_type end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

}  // namespace PathText

std::wstring GetProgramFolder()
{
    std::wstring folder = GetFolderPart(fw::ModuleFileName(fw::ProgramInstance()));
    StripTrailingSeparator(folder);
    return folder;
}

std::wstring GetDataFilePath() { return GetProgramFolder() + L"\\" + L"Kestrava.dat"; }

std::wstring GetFolderPart(const std::wstring& path)
{
    const auto separator = PathText::FindLastSeparator(path);
    return separator == PathText::npos ? std::wstring() : path.substr(0, separator);
}

void StripTrailingSeparator(std::wstring& path)
{
    std::wstring copy = PathText::TrimRight(path);
    const auto separator = PathText::FindLastSeparator(copy);
    if (separator != PathText::npos && separator + 1 == copy.size()) {
        copy.erase(separator);
        path = std::move(copy);
    }
}

std::wstring GetExtension(const std::wstring& path)
{
    // Only the last component: a dot in a folder's name (C:\Users\j.smith\tool) is no extension.
    const std::wstring copy = PathText::TrimRight(path);
    const auto separator = copy.find_last_of(L"\\/");
    const auto dot = copy.rfind(L'.');
    const bool inFolder = separator != PathText::npos && dot < separator;
    return dot == PathText::npos || inFolder ? std::wstring() : copy.substr(dot);
}

bool BrowseForFolder(const std::wstring& title, std::wstring& result, const std::wstring& initialFolder, HWND owner)
{
    fw::ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(reinterpret_cast<IMalloc**>(allocator.put_void()))))
        return false;

    wchar_t displayName[MAX_PATH] = L"";
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    info.iImage = 0;

    bool chosen = false;
    if (LPITEMIDLIST items = SHBrowseForFolderW(&info)) {
        wchar_t path[MAX_PATH] = L"";
        if (SHGetPathFromIDListW(items, path)) {
            result = path;
            chosen = true;
        } else {
            // Only file-system folders can be chosen: this one's path does not fit.
            fw::CFileDialog::ReportPathTooLong(owner);
        }
        allocator->Free(items);
    }
    return chosen;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    // wParam TRUE: the selection is given as a path, not an identifier list.
    if (message == BFFM_INITIALIZED)
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}
