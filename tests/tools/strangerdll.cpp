// A stranger's comdlg32.dll left beside a program: loaded, it leaves
// "comdlg32-loaded.txt" in its own folder; it opens no dialog.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI GetOpenFileNameA(void*) { return FALSE; }
extern "C" __declspec(dllexport) BOOL WINAPI GetOpenFileNameW(void*) { return FALSE; }
extern "C" __declspec(dllexport) DWORD WINAPI CommDlgExtendedError() { return 0; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    char path[MAX_PATH + 32];
    DWORD end = reason == DLL_PROCESS_ATTACH ? GetModuleFileNameA(self, path, MAX_PATH) : 0;
    while (end > 0 && path[end - 1] != '\\')
        --end;
    if (end > 0 && lstrcpyA(path + end, "comdlg32-loaded.txt"))
        CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return TRUE;
}
