// Loaded into a process by `benchtool resources` (CreateRemoteThread on
// LoadLibraryA) to count that process's own USER objects, which Wine cannot
// report to other processes: its windows, menus and icons/cursors. Writes
// the counts into the shared memory "KestravaBenchCount" and refuses to stay
// loaded.
#include <windows.h>
#include <cstdio>

namespace {

struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param)
{
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid)
        ++c->count;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND window, LPARAM param)
{
    CountChild(window, param);
    EnumChildWindows(window, CountChild, param);  // children of every depth
    return TRUE;
}

void Count(char* out, std::size_t size)
{
    WindowCount windows{GetCurrentProcessId(), 0};
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&windows));
    for (HWND w = nullptr; (w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr)) != nullptr;)
        CountTop(w, reinterpret_cast<LPARAM>(&windows));

    // Wine's user handles: index i is handle 0x20 + 2 i; objects of this
    // process are resolved locally without a server call.
    long menus = 0, icons = 0;
    for (UINT_PTR value = 0x20; value < 0xFFF0; value += 2) {
        HANDLE h = reinterpret_cast<HANDLE>(value);
        if (IsMenu(static_cast<HMENU>(h))) {
            ++menus;
            continue;
        }
        ICONINFO info{};
        if (GetIconInfo(static_cast<HICON>(h), &info)) {
            ++icons;
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
    }
    std::snprintf(out, size, "%ld %ld %ld", windows.count, menus, icons);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "KestravaBenchCount");
    if (mapping) {
        if (char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 64))) {
            Count(view, 64);
            UnmapViewOfFile(view);
        }
        CloseHandle(mapping);
    }
    return FALSE;  // counted: unload again at once
}
