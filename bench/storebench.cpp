// Load and save times of the data file for the benchmark table: the empty
// table (660 bytes) and tables whose 78 values are N characters each.
// Usage: storebench FOLDER REPEATS
// Prints one line per size: NAME BYTES LOAD_MEDIAN_MS LOAD_MIN LOAD_MAX SAVE_MEDIAN_MS SAVE_MIN SAVE_MAX
//
// Also, for the fault tests: storebench truncate FILE FOLDER loads every
// prefix of FILE (cut at each byte offset) and checks that each load reports
// exactly once, never crashes, and keeps only values of the whole file.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Text.h"
#include "store/HotKeyTable.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Spread {
    double median, low, high;
};

Spread Summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

CHotKeyTable MakeTable(std::size_t length)
{
    CHotKeyTable table;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        CHotKeyEntry& entry = table.GetEntry(letter);
        entry.m_command.assign(length, letter);
        entry.m_arguments.assign(length, static_cast<char>(letter + 32));
        entry.m_directory.assign(length, '0' + letter % 10);
    }
    return table;
}

long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Message boxes are counted instead of shown.
class CCountingApplication : public fw::CApplication {
public:
    CCountingApplication() : fw::CApplication(GetModuleHandleA(nullptr)) {}
    int MessageBox(const std::wstring& text, UINT, HWND) override
    {
        m_texts.push_back(std::string(text.begin(), text.end()));  // the store's texts are ASCII here
        return IDOK;
    }
    std::vector<std::string> m_texts;
};

std::string ReadAll(const std::string& path)
{
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

int Truncate(const std::string& source, const std::string& folder)
{
    CCountingApplication application;
    const std::string whole = ReadAll(source);
    CHotKeyTable full;
    full.LoadFromFile(fw::WidenAnsi(source));
    if (whole.empty() || !application.m_texts.empty()) {
        std::printf("the whole file must load silently\n");
        return 1;
    }
    const std::string path = folder + "\\truncated.dat";
    long violations = 0;
    int previous = 0;
    std::vector<std::string> texts;
    for (std::size_t offset = 0; offset < whole.size(); ++offset) {
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(whole.data(), 1, offset, file);
            std::fclose(file);
        }
        application.m_texts.clear();
        CHotKeyTable table;
        table.LoadFromFile(fw::WidenAnsi(path));
        int loaded = 0;
        bool foreign = false;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const CHotKeyEntry& got = table.GetEntry(letter);
            const CHotKeyEntry& want = full.GetEntry(letter);
            for (const auto& pair : {std::make_pair(&got.m_command, &want.m_command),
                                     std::make_pair(&got.m_arguments, &want.m_arguments),
                                     std::make_pair(&got.m_directory, &want.m_directory)}) {
                if (!pair.first->empty())
                    ++loaded;
                if (!pair.first->empty() && *pair.first != *pair.second)
                    foreign = true;
            }
        }
        const bool once = application.m_texts.size() == 1;
        if (once && std::find(texts.begin(), texts.end(), application.m_texts[0]) == texts.end())
            texts.push_back(application.m_texts[0]);
        if (!once || foreign || loaded < previous) {
            std::printf("offset %u: %u reports, %d values%s%s\n", static_cast<unsigned>(offset),
                        static_cast<unsigned>(application.m_texts.size()), loaded, foreign ? ", foreign value" : "",
                        loaded < previous ? ", fewer than before" : "");
            ++violations;
        }
        previous = loaded;
    }
    DeleteFileA(path.c_str());
    std::printf("offsets %u violations %ld\n", static_cast<unsigned>(whole.size()), violations);
    for (const std::string& text : texts)
        std::printf("report %s\n", text.c_str());
    return violations ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "truncate")
        return Truncate(argv[2], argv[3]);
    if (argc != 3)
        return 2;
    fw::CApplication application(GetModuleHandleA(nullptr));
    const std::string folder = argv[1];
    const int repeats = std::max(1, std::atoi(argv[2]));
    const std::size_t lengths[] = {0, 15000, 30000, 60000, 120000, 240000};
    for (const std::size_t length : lengths) {
        const std::string path = folder + "\\bench-" + std::to_string(length) + ".dat";
        const CHotKeyTable table = MakeTable(length);
        std::vector<double> loads, saves;
        for (int round = 0; round <= repeats; ++round) {  // round 0 warms the caches
            LARGE_INTEGER t0, t1, t2;
            QueryPerformanceCounter(&t0);
            table.SaveToFile(fw::WidenAnsi(path));
            QueryPerformanceCounter(&t1);
            CHotKeyTable loaded;
            loaded.LoadFromFile(fw::WidenAnsi(path));
            QueryPerformanceCounter(&t2);
            if (loaded.GetEntry('Q').m_arguments != table.GetEntry('Q').m_arguments) {
                std::fprintf(stderr, "round trip failed at %u characters\n", static_cast<unsigned>(length));
                return 1;
            }
            if (round > 0) {
                saves.push_back(Milliseconds(t0, t1));
                loads.push_back(Milliseconds(t1, t2));
            }
        }
        const Spread load = Summarise(loads), save = Summarise(saves);
        std::printf("%u %lld %.3f %.3f %.3f %.3f %.3f %.3f\n", static_cast<unsigned>(length), FileSize(path),
                    load.median, load.low, load.high, save.median, save.low, save.high);
        std::fflush(stdout);
        DeleteFileA(path.c_str());
    }
    return 0;
}
