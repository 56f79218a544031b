// Byte helpers shared by the store's tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "store/BucketMap.h"

namespace storetest {

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out += static_cast<char>(v);
    return out;
}

inline std::string Word(std::uint16_t w) { return Bytes({w & 0xFF, w >> 8}); }
inline std::string Dword(std::uint32_t d)
{
    return Bytes({static_cast<int>(d & 0xFF), static_cast<int>((d >> 8) & 0xFF), static_cast<int>((d >> 16) & 0xFF),
                  static_cast<int>(d >> 24)});
}

// A one-byte-length archive string, as test files are written by hand.
inline std::string Short(const std::string& text) { return static_cast<char>(text.size()) + text; }

inline const std::string kHeader = Short("<<1.1>>");

// A file with the given pairs in the given order.
inline std::string File(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    std::string out = kHeader + Word(static_cast<std::uint16_t>(pairs.size()));
    for (const auto& [key, value] : pairs)
        out += Short(key) + Short(value);
    return out;
}

inline std::map<std::string, std::string> ToStdMap(const CBucketMap& values)
{
    std::map<std::string, std::string> out;
    values.ForEachInWriteOrder([&out](const std::string& k, const std::string& v) { out[k] = v; });
    return out;
}

inline std::vector<std::string> KeysInWriteOrder(const CBucketMap& values)
{
    std::vector<std::string> out;
    values.ForEachInWriteOrder([&out](const std::string& k, const std::string&) { out.push_back(k); });
    return out;
}

}  // namespace storetest
