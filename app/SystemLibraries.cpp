// The delay-loaded system libraries come from the system folder: a bare name
// is looked for in the program's folder first, where a stranger's DLL of the
// same name (say, in a Downloads folder) would run inside Kestrava.
// comctl32 keeps its bare name: the manifest's version 6 comes through the
// activation context, which a full path would bypass.
#include <windows.h>
#include <delayimp.h>

namespace {

FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr)
        return nullptr;
    static const char* const kFromSystemFolder[] = {"comdlg32.dll", "version.dll", "wtsapi32.dll", "userenv.dll"};
    bool listed = false;
    for (const char* name : kFromSystemFolder)
        listed = listed || lstrcmpiA(info->szDll, name) == 0;
    if (!listed)
        return nullptr;
    // Unicode: the system folder may be named in any script. The library
    // names are ASCII.
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    const int nameLength = lstrlenA(info->szDll);
    HMODULE module = nullptr;
    if (length != 0 && length + 1 + nameLength < MAX_PATH) {
        path[length] = L'\\';
        for (int i = 0; i <= nameLength; ++i)
            path[length + 1 + i] = static_cast<wchar_t>(static_cast<unsigned char>(info->szDll[i]));
        module = LoadLibraryW(path);
    }
    if (module == nullptr) {
        // Returning null would let the helper search by bare name after all:
        // fail the way the helper itself fails for a missing library.
        info->dwLastError = GetLastError();
        ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
        RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
    }
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// Read by the delay-load helper before every library it loads.
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
