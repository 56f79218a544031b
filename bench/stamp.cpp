// The launched program of the hot-key figures: its very first act is to read
// the performance counter (in Wine the host's monotonic clock in 100 ns
// units, the same in every process), which it appends to "stamp.log" beside
// itself. No C runtime, so nothing runs before that read.
#include <windows.h>

extern "C" void __stdcall StampEntry()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);

    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    while (length > 0 && path[length - 1] != '\\')
        --length;
    lstrcpyA(path + length, "stamp.log");

    // Decimal digits of the counter, then a line break.
    char line[32];
    char digits[24];
    int n = 0;
    unsigned long long value = static_cast<unsigned long long>(now.QuadPart);
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    int k = 0;
    while (n > 0)
        line[k++] = digits[--n];
    line[k++] = '\n';

    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(k), &written, nullptr);
            CloseHandle(file);
            break;
        }
        Sleep(5);
    }
    ExitProcess(0);
}
