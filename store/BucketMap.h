// The archive's key/value map. Lookups go through a hash index; iteration
// follows the 17-bucket order in which archive files have always been
// written, so files stay byte-identical: buckets 0 to 16, newest key first
// within a bucket.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CBucketMap {
public:
    static constexpr unsigned kBuckets = 17;

    // h = h * 33 + c over the key's characters as signed bytes, mod 2^32.
    static std::uint32_t Hash(std::string_view key);
    static unsigned Bucket(std::string_view key) { return Hash(key) % kBuckets; }

    // Inserts, or replaces the value in place (the key keeps its position).
    void Set(std::string_view key, std::string_view value);
    const std::string* Find(std::string_view key) const;
    std::size_t Size() const { return m_pairs.size(); }
    void Clear();

    template <class F>
    void ForEachInWriteOrder(F&& visit) const
    {
        for (const auto& bucket : m_buckets)
            for (auto it = bucket.rbegin(); it != bucket.rend(); ++it)
                visit(m_pairs[*it].key, m_pairs[*it].value);
    }

private:
    struct Pair {
        std::string key;
        std::string value;
    };
    // A deque never moves its elements, so the index may view their keys.
    std::deque<Pair> m_pairs;
    std::unordered_map<std::string_view, std::size_t> m_index;
    std::vector<std::size_t> m_buckets[kBuckets];  // positions in m_pairs, oldest first
};
