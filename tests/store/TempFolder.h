// A folder of its own for each test that touches files, removed afterwards.
#pragma once
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>
#include "store/ArchiveFile.h"

namespace storetest {

class TempFolder {
public:
    TempFolder()
    {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() / ("kestrava-store-" + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // As the store's file calls take it: wide on Windows.
    store::FilePath Path(const std::string& name) const { return (m_path / name).native(); }
    // What the folder holds, to show that no temporary file was left behind.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(m_path))
            names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A checked-in golden file of tests/store/corpus.
inline std::string Corpus(const std::string& name) { return ReadBytes(std::string(KESTRAVA_STORE_CORPUS) + "/" + name); }

}  // namespace storetest
