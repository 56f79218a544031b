// Started by hot keys in the tests: appends one line to "recorder.log" beside
// itself with its command line, its working directory and its arguments,
// tab-separated, in UTF-8, so that a test can see exactly how it was launched
// whatever script the texts are in; and one line to "recorder.env" with the
// environment variable KESTRAVA_PROBE it got ("-" when it got none).
#include <windows.h>
#include <string>
#include <vector>
#include "tests/common/Utf8.h"

namespace {

bool Append(const std::wstring& path, const std::string& line)
{
    // Several launches may append at once: retry while another one writes.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return true;
        }
        Sleep(20);
    }
    return false;
}

}  // namespace

// The runtime's own argument parsing, as the narrow recorder had it.
int wmain(int argc, wchar_t** argv)
{
    std::vector<wchar_t> path(32768);
    GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring folder(path.data());
    folder.erase(folder.find_last_of(L'\\') + 1);

    std::vector<wchar_t> directory(32768);
    GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());

    std::string line = Utf8(GetCommandLineW()) + "\t" + Utf8(directory.data());
    for (int i = 1; i < argc; ++i)
        line += "\t" + Utf8(argv[i]);
    line += "\n";

    std::vector<wchar_t> probe(32768);
    SetLastError(0);
    const bool set = GetEnvironmentVariableW(L"KESTRAVA_PROBE", probe.data(), static_cast<DWORD>(probe.size())) != 0 ||
                     GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    return Append(folder + L"recorder.env", (set ? Utf8(probe.data()) : std::string("-")) + "\n") &&
                   Append(folder + L"recorder.log", line)
               ? 0
               : 1;
}
