// A real shell drop handle (HDROP) holding Unicode paths, built as the shell
// builds one, dropped at the cursor. The receiver releases it (DragFinish).
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include <vector>

inline HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    size_t size = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const auto& path : paths)
        size += (path.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    GetCursorPos(&drop->pt);
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
    for (const auto& path : paths) {
        std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}
