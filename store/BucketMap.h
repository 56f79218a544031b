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
#include <type_traits>
#include <unordered_map>
#include <vector>

class CBucketMap {
public:
    static constexpr unsigned kBuckets = 17;

    // h = h * 33 + c over the key's characters as signed bytes, mod 2^32.
    static std::uint32_t Hash(std::string_view key);
    static unsigned Bucket(std::string_view key) { return Hash(key) % kBuckets; }

    // Inserts, or replaces the value in place (the key keeps its position).
    // A wide value holds UTF-16LE code units, two bytes each, as the file does:
    // one with an odd byte count is refused (false, nothing changes), since
    // its stray byte would shift every later string of the file.
    bool Set(std::string_view key, std::string_view value, bool wide = false);
    // wide, when given, tells how a found value is held.
    const std::string* Find(std::string_view key, bool* wide = nullptr) const;
    std::size_t Size() const { return m_pairs.size(); }
    void Clear();

    // visit(key, value), or visit(key, value, wide) for visitors that need to know.
    template <class F>
    void ForEachInWriteOrder(F&& visit) const
    {
        for (const auto& bucket : m_buckets)
            for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) {
                const Pair& pair = m_pairs[*it];
                if constexpr (std::is_invocable_v<F&, const std::string&, const std::string&, bool>)
                    visit(pair.key, pair.value, pair.wide);
                else
                    visit(pair.key, pair.value);
            }
    }

private:
    struct Pair {
        std::string key;
        std::string value;
        bool wide = false;
    };
    // A deque never moves its elements, so the index may view their keys.
    std::deque<Pair> m_pairs;
    std::unordered_map<std::string_view, std::size_t> m_index;
    std::vector<std::size_t> m_buckets[kBuckets];  // positions in m_pairs, oldest first
};
