// libFuzzer entry for the archive reader. Besides not crashing, whatever a
// file yields must survive a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include "store/ArchiveCodec.h"

namespace {

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
    return 0;
}
