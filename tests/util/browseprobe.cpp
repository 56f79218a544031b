// Shows the folder browser opened at the first argument and writes to the
// second whether a folder was chosen and what the result string holds
// afterwards (UTF-8).
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <cstdio>
#include <string>
#include "util/PathHelpers.h"

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 3)
        return 2;
    CoInitialize(nullptr);
    std::wstring result = L"untouched";
    const bool chosen = BrowseForFolder(L"Pick a folder", result, argv[1], nullptr);
    CoUninitialize();
    FILE* out = _wfopen(argv[2], L"wb");
    if (!out)
        return 3;
    const int size = WideCharToMultiByte(CP_UTF8, 0, result.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, result.c_str(), -1, &utf8[0], size, nullptr, nullptr);
    std::fprintf(out, "%d\n%s\n", chosen ? 1 : 0, utf8.c_str());
    std::fclose(out);
    return 0;
}
