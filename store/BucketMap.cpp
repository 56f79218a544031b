#include "BucketMap.h"

std::uint32_t CBucketMap::Hash(std::string_view key)
{
    std::uint32_t h = 0;
    for (const char c : key)
        h = h * 33u + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    return h;
}

bool CBucketMap::Set(std::string_view key, std::string_view value, bool wide)
{
    if (wide && value.size() % 2 != 0)
        return false;
    const auto found = m_index.find(key);
    if (found != m_index.end()) {
        Pair& pair = m_pairs[found->second];
        pair.value.assign(value);
        pair.wide = wide;
        return true;
    }
    m_pairs.push_back(Pair{std::string(key), std::string(value), wide});
    const std::size_t position = m_pairs.size() - 1;
    try {
        m_buckets[Bucket(key)].push_back(position);
        try {
            m_index.emplace(m_pairs.back().key, position);
        } catch (...) {
            m_buckets[Bucket(key)].pop_back();
            throw;
        }
    } catch (...) {
        m_pairs.pop_back();
        throw;
    }
    return true;
}

const std::string* CBucketMap::Find(std::string_view key, bool* wide) const
{
    const auto found = m_index.find(key);
    if (found == m_index.end())
        return nullptr;
    const Pair& pair = m_pairs[found->second];
    if (wide != nullptr)
        *wide = pair.wide;
    return &pair.value;
}

void CBucketMap::Clear()
{
    m_index.clear();
    for (auto& bucket : m_buckets)
        bucket.clear();
    m_pairs.clear();
}
