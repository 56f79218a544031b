// A stranger's comdlg32.dll left beside a program: when loaded, it leaves
// "comdlg32-loaded.txt" in its own folder, and it opens no dialog.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI GetOpenFileNameA(void*) { return FALSE; }
extern "C" __declspec(dllexport) DWORD WINAPI CommDlgExtendedError() { return 0; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH + 32];
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    DWORD name = length;
    while (name > 0 && path[name - 1] != '\\')
        --name;
    lstrcpyA(path + name, "comdlg32-loaded.txt");
    const HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    return TRUE;
}
