// libFuzzer entry for the archive reader. Besides not crashing, whatever a
// file yields must survive a write and a second read unchanged; and through
// the hot key table (load, save, encode, as a save writes the file) a file
// the table wrote comes back byte for byte, as does any input that already
// is such a file, so that the table and its code page are fuzzed too.
#include <cstdint>
#include <cstdlib>
#include <vector>
#include <string>
#include <string_view>
#include "store/ArchiveCodec.h"
#include "store/CodePage.h"
#include "store/HotKeyTable.h"
#include "store/SettingsArchive.h"

namespace {

// The file a save writes for a table loaded from these pairs. Keys are
// "section.name": the table reads its letters' sections.
std::string ThroughTheTable(const CBucketMap& values)
{
    CSettingsArchive in;
    values.ForEachInWriteOrder([&in](const std::string& key, const std::string& value, bool wide) {
        const std::size_t dot = key.find('.');
        if (dot == std::string::npos)
            return;
        in.SetSection(key.substr(0, dot));
        in.PutStoredText(key.substr(dot + 1), {value, wide});
    });
    CHotKeyTable table(store::AnsiCodePage());
    table.LoadFromArchive(in);
    CSettingsArchive out;
    table.SaveToArchive(out);
    return store::EncodeArchive(out.Version(), out.Values());
}

// The keys of a decoded file in the map's order, and whether any value is wide.
std::vector<std::string> Keys(const CBucketMap& values, bool& wide)
{
    std::vector<std::string> keys;
    wide = false;
    values.ForEachInWriteOrder([&](const std::string& key, const std::string&, bool isWide) {
        keys.push_back(key);
        wide = wide || isWide;
    });
    return keys;
}

// The keys of the file the table writes, whatever it holds, as Keys gives them.
const std::vector<std::string>& TableKeys()
{
    static const std::vector<std::string> keys = [] {
        std::string version;
        CBucketMap values;
        store::DecodeArchive(ThroughTheTable(CBucketMap()), version, values);
        bool wide = false;
        return Keys(values, wide);
    }();
    return keys;
}

bool SameMaps(const CBucketMap& a, const CBucketMap& b)
{
    if (a.Size() != b.Size())
        return false;
    bool same = true;
    a.ForEachInWriteOrder([&](const std::string& key, const std::string& value, bool wide) {
        bool otherWide = false;
        const std::string* other = b.Find(key, &otherWide);
        same = same && other != nullptr && *other == value && otherWide == wide;
    });
    return same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string version;
    CBucketMap values;
    const store::DecodeResult first = store::DecodeArchive(bytes, version, values);
    if (first.status == store::DecodeStatus::WrongHeader && values.Size() != 0)
        std::abort();
    if (first.status == store::DecodeStatus::Failed && first.error == store::ArchiveError::None)
        std::abort();

    std::string header;
    const store::ArchiveError headerError = store::DecodeHeader(bytes, header);
    if (headerError == store::ArchiveError::None && first.status != store::DecodeStatus::Failed && header != version)
        std::abort();

    const std::string written = store::EncodeArchive(store::kArchiveVersion, values);
    std::string again;
    CBucketMap reread;
    const store::DecodeResult second = store::DecodeArchive(written, again, reread);
    if (second.status != store::DecodeStatus::Complete || !SameMaps(values, reread))
        std::abort();

    // A file the table wrote is canonical: through the table again, the same bytes.
    const std::string once = ThroughTheTable(values);
    CBucketMap canonical;
    if (store::DecodeArchive(once, again, canonical).status != store::DecodeStatus::Complete ||
        ThroughTheTable(canonical) != once)
        std::abort();
    // So is an input in the table's own form: its keys in its order, 8-bit
    // values (which a load and save keep byte for byte), the shortest length
    // forms, nothing after. A decode reverses the keys within each bucket, so
    // the input is in the codec's form when encoding the second decode gives it.
    bool wide = false;
    if (first.status == store::DecodeStatus::Complete && version == store::kArchiveVersion &&
        Keys(values, wide) == TableKeys() && !wide && store::EncodeArchive(store::kArchiveVersion, reread) == bytes &&
        once != bytes)
        std::abort();
    return 0;
}
