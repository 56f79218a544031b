// Started by hot keys in the tests: appends one line to "recorder.log" beside
// itself with its command line, its working directory and its arguments,
// tab-separated, so that a test can see exactly how it was launched.
#include <windows.h>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    char path[MAX_PATH * 4] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string log(path);
    log.erase(log.find_last_of('\\') + 1);
    log += "recorder.log";

    char directory[MAX_PATH * 4] = "";
    GetCurrentDirectoryA(sizeof directory, directory);

    std::string line = std::string(GetCommandLineA()) + "\t" + directory;
    for (int i = 1; i < argc; ++i)
        line += std::string("\t") + argv[i];
    line += "\n";

    // Several launches may append at once: retry while another one writes.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}
