#include <gtest/gtest.h>
#include <chrono>
#include "StoreTestUtil.h"
#include "TempFolder.h"
#include "store/ArchiveCodec.h"

using namespace storetest;
using store::ArchiveError;
using store::DecodeArchive;
using store::DecodeStatus;
using store::EncodeArchive;

namespace {

struct Decoded {
    store::DecodeResult result;
    std::string version = "unset";
    CBucketMap values;
};

Decoded Decode(const std::string& bytes)
{
    Decoded d;
    d.result = DecodeArchive(bytes, d.version, d.values);
    return d;
}

std::string Encode(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    CBucketMap values;
    for (const auto& [k, v] : pairs)
        values.Set(k, v);
    return EncodeArchive("<<1.1>>", values);
}

}  // namespace

TEST(ArchiveCodec, SinglePairIsTheKnown32ByteFile)
{
    const std::string expected = Bytes({0x07, 0x3C, 0x3C, 0x31, 0x2E, 0x31, 0x3E, 0x3E, 0x01, 0x00, 0x08, 0x57, 0x2E, 0x54,
                                        0x61, 0x72, 0x67, 0x65, 0x74, 0x0C, 0x77, 0x69, 0x6E, 0x68, 0x6C, 0x70, 0x33, 0x32,
                                        0x2E, 0x65, 0x78, 0x65});
    EXPECT_EQ(Encode({{"W.Target", "winhlp32.exe"}}), expected);

    const Decoded d = Decode(expected);
    EXPECT_EQ(d.result.status, DecodeStatus::Complete);
    EXPECT_EQ(d.version, "<<1.1>>");
    EXPECT_EQ(ToStdMap(d.values), (std::map<std::string, std::string>{{"W.Target", "winhlp32.exe"}}));
}

TEST(ArchiveCodec, EmptyMapIsHeaderAndZeroCount)
{
    const std::string bytes = Encode({});
    EXPECT_EQ(bytes, kHeader + Bytes({0, 0}));
    EXPECT_EQ(bytes.size(), 10u);
    const Decoded d = Decode(bytes);
    EXPECT_EQ(d.result.status, DecodeStatus::Complete);
    EXPECT_EQ(d.values.Size(), 0u);
}

TEST(ArchiveCodec, EachLengthGetsTheShortestPrefixAndRoundTrips)
{
    const std::pair<std::size_t, std::string> cases[] = {
        {254, Bytes({0xFE})},
        {255, Bytes({0xFF, 0xFF, 0x00})},
        {65533, Bytes({0xFF, 0xFD, 0xFF})},
        {65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const auto& [length, prefix] : cases) {
        SCOPED_TRACE(length);
        std::string value(length, 'v');
        value.back() = 'e';
        const std::string bytes = Encode({{"K", value}});
        EXPECT_EQ(bytes, kHeader + Word(1) + Short("K") + prefix + value);
        const Decoded d = Decode(bytes);
        ASSERT_EQ(d.result.status, DecodeStatus::Complete);
        ASSERT_NE(d.values.Find("K"), nullptr);
        EXPECT_EQ(*d.values.Find("K"), value);
    }
}

TEST(ArchiveCodec, ReaderAcceptsLongerPrefixesThanNeeded)
{
    const std::string bytes = kHeader + Bytes({0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00}) +  // count 2, long form
                              Bytes({0xFF, 0x01, 0x00}) + "a" +                          // word length
                              Bytes({0xFF, 0xFF, 0xFF, 0x02, 0, 0, 0}) + "bb" +          // dword length
                              Short("c") + Bytes({0});                                   // empty value
    const Decoded d = Decode(bytes);
    EXPECT_EQ(d.result.status, DecodeStatus::Complete);
    EXPECT_EQ(ToStdMap(d.values), (std::map<std::string, std::string>{{"a", "bb"}, {"c", ""}}));
}

TEST(ArchiveCodec, CountFieldSwitchesToLongFormAt65535)
{
    for (const std::size_t count : {65534u, 65535u, 70000u}) {
        SCOPED_TRACE(count);
        CBucketMap values;
        for (std::size_t i = 0; i < count; ++i)
            values.Set(std::to_string(i), "");
        const std::string bytes = EncodeArchive("<<1.1>>", values);
        const std::string countField = bytes.substr(8, count < 65535 ? 2 : 6);
        EXPECT_EQ(countField, count < 65535 ? Word(static_cast<std::uint16_t>(count))
                                            : Word(0xFFFF) + Dword(static_cast<std::uint32_t>(count)));
        const Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.status, DecodeStatus::Complete);
        EXPECT_EQ(d.values.Size(), count);
    }
}

TEST(ArchiveCodec, WideStringsAreCarriedAsTheirUnitsAndWrittenBack)
{
    // FF, FE FF, then a length (itself in any narrow form) and UTF-16LE units.
    const std::string hello = Bytes({0xFF, 0xFE, 0xFF, 0x05, 'H', 0, 'e', 0, 'l', 0, 'l', 0, 'o', 0});
    const std::string hi = Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x02, 0x00, 'h', 0, 'i', 0});
    const std::string report = Bytes({0xFF, 0xFE, 0xFF, 0x03, 0xA5, 0x62, 0x4A, 0x54, 'x', 0});  // U+62A5 U+544A
    const std::string empty = Bytes({0xFF, 0xFE, 0xFF, 0x00});
    const Decoded d = Decode(kHeader + Word(3) + hello + hi + Short("report") + report + empty + Short("x"));
    ASSERT_EQ(d.result.status, DecodeStatus::Complete);
    // Keys are 8-bit; values come unconverted, with no code page involved.
    bool wide = true;
    EXPECT_EQ(*d.values.Find("Hello", &wide), std::string("h\0i\0", 4));
    EXPECT_TRUE(wide);
    EXPECT_EQ(*d.values.Find("report", &wide), Bytes({0xA5, 0x62, 0x4A, 0x54, 'x', 0}));
    EXPECT_TRUE(wide);
    EXPECT_EQ(*d.values.Find("", &wide), "x");
    EXPECT_FALSE(wide);

    // Written back as the wide strings they were, in the shortest length form.
    CBucketMap values;
    values.Set("report", Bytes({0xA5, 0x62, 0x4A, 0x54, 'x', 0}), true);
    values.Set("long", std::string(2 * 300, 'w'), true);
    const std::string bytes = EncodeArchive("<<1.1>>", values);
    EXPECT_NE(bytes.find(Short("report") + report), std::string::npos);
    EXPECT_NE(bytes.find(Short("long") + Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}) + std::string(600, 'w')),
              std::string::npos);
    const Decoded again = Decode(bytes);
    EXPECT_EQ(*again.values.Find("long", &wide), std::string(600, 'w'));
    EXPECT_TRUE(wide);

    // An odd byte count is no UTF-16: refused as it enters, so that no stray
    // byte shifts the rest of the file.
    EXPECT_FALSE(values.Set("report", "odd", true));
    EXPECT_FALSE(values.Set("new", "x", true));
    EXPECT_EQ(EncodeArchive("<<1.1>>", values), bytes);
}

TEST(ArchiveCodec, MalformedWideStringFailsAndKeepsEarlierPairs)
{
    const std::string before = kHeader + Word(3) + Short("A.Target") + Short("one");
    const std::pair<std::string, ArchiveError> cases[] = {
        // A second wide marker where the length belongs.
        {Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x01, 'x', 0}), ArchiveError::Generic},
        // More units than bytes left, and an odd byte at the end.
        {Bytes({0xFF, 0xFE, 0xFF, 0x03, 'x', 0, 'y'}), ArchiveError::EndOfFile},
        // 4 billion units: refused before anything is allocated.
        {Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x', 0}), ArchiveError::EndOfFile},
        // The marker and nothing after it.
        {Bytes({0xFF, 0xFE, 0xFF}), ArchiveError::EndOfFile},
    };
    for (const auto& [bad, error] : cases) {
        const Decoded d = Decode(before + Short("B.Target") + bad);
        EXPECT_EQ(d.result.status, DecodeStatus::Failed);
        EXPECT_EQ(d.result.error, error);
        EXPECT_EQ(ToStdMap(d.values), (std::map<std::string, std::string>{{"A.Target", "one"}}));
    }
}

TEST(ArchiveCodec, LaterDuplicateWinsAndKeepsTheKeyInPlace)
{
    const Decoded d = Decode(File({{"k", "first"}, {"other", "o"}, {"k", "second"}}));
    ASSERT_EQ(d.result.status, DecodeStatus::Complete);
    EXPECT_EQ(*d.values.Find("k"), "second");
    EXPECT_EQ(d.values.Size(), 2u);

    // "a" (97) and "r" (114) share bucket 12: newest first, and a
    // replaced value does not move its key to the front.
    CBucketMap map;
    map.Set("a", "1");
    map.Set("r", "2");
    map.Set("a", "3");
    EXPECT_EQ(KeysInWriteOrder(map), (std::vector<std::string>{"r", "a"}));
    EXPECT_EQ(*map.Find("a"), "3");
}

TEST(ArchiveCodec, BytesAbove127HashAsSignedCharacters)
{
    // Worked by hand: h = h * 33 + c with c from -128 to 127, mod 2^32.
    const std::pair<std::string, std::uint32_t> hashes[] = {
        {"\xE9", 0xFFFFFFE9u}, {"K\x80", 0x92Bu}, {"\xFF\xFE", 0xFFFFFFDDu}, {"A.\xE9", 0x11A58u}};
    for (const auto& [key, hash] : hashes)
        EXPECT_EQ(CBucketMap::Hash(key), hash) << key;
    // Buckets 13, 0, 1 and 4; unsigned bytes would give 14, 16, 2 and 12.
    EXPECT_EQ(Encode({{"A.\xE9", "1"}, {"\xFF\xFE", "2"}, {"K\x80", "3"}, {"caf\xE9.Target", "4"}}),
              Corpus("high-bytes.dat"));
}

// The fuzzer's seed files double as golden files: each decodes to what it was
// made to hold (their contents are told by the cases above).
TEST(ArchiveCodec, SeedsDecodeAsMade)
{
    const struct {
        const char* file;
        DecodeStatus status;
        ArchiveError error;
        std::size_t pairs;
    } seeds[] = {
        {"single-pair.dat", DecodeStatus::Complete, ArchiveError::None, 1},
        {"empty-table.dat", DecodeStatus::Complete, ArchiveError::None, 78},
        {"empty-map.dat", DecodeStatus::Complete, ArchiveError::None, 0},
        {"wide-string.dat", DecodeStatus::Complete, ArchiveError::None, 2},
        {"truncated.dat", DecodeStatus::Failed, ArchiveError::EndOfFile, 3},
        {"long-forms.dat", DecodeStatus::Complete, ArchiveError::None, 3},
        {"bad-wide.dat", DecodeStatus::Failed, ArchiveError::Generic, 1},
        {"wrong-header.dat", DecodeStatus::WrongHeader, ArchiveError::None, 0},
        {"duplicates.dat", DecodeStatus::Complete, ArchiveError::None, 2},
        {"high-bytes.dat", DecodeStatus::Complete, ArchiveError::None, 4},
        {"full-table.dat", DecodeStatus::Complete, ArchiveError::None, 78},  // a table's file, as the table writes it
        {"raise-key.dat", DecodeStatus::Complete, ArchiveError::None, 79},  // one letter brings its program to the front
    };
    for (const auto& seed : seeds) {
        SCOPED_TRACE(seed.file);
        const std::string bytes = Corpus(seed.file);
        ASSERT_FALSE(bytes.empty());
        const Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.status, seed.status);
        EXPECT_EQ(d.result.error, seed.error);
        EXPECT_EQ(d.values.Size(), seed.pairs);
    }
}

TEST(ArchiveCodec, ZeroLengthInputIsEndOfFileBeforeTheHeader)
{
    const Decoded d = Decode("");
    EXPECT_EQ(d.result.status, DecodeStatus::Failed);
    EXPECT_EQ(d.result.error, ArchiveError::EndOfFile);
    EXPECT_EQ(d.version, "unset");
}

TEST(ArchiveCodec, TruncatedFileKeepsTheCompletePairs)
{
    std::string bytes = kHeader + Word(5);
    for (const char* key : {"A.Target", "B.Target", "C.Target"})
        bytes += Short(key) + Short(std::string("v") + key);
    for (const std::string& tail : {std::string(), Short("D.Target"), Short("D.Target") + Bytes({9}) + "abc",
                                    std::string(1, '\xFF')}) {
        const Decoded d = Decode(bytes + tail);
        EXPECT_EQ(d.result.status, DecodeStatus::Failed);
        EXPECT_EQ(d.result.error, ArchiveError::EndOfFile);
        EXPECT_EQ(d.values.Size(), 3u);
        EXPECT_EQ(*d.values.Find("C.Target"), "vC.Target");
    }
}

TEST(ArchiveCodec, AnyOtherHeaderIsRefusedWithAnEmptyMap)
{
    const std::string body = Word(1) + Short("A.Target") + Short("x");
    std::vector<std::string> headers = {Short("<<1.1>> "), Short("<<1.2>>"), Short("<<1.1>"), Short(""),
                                        Short("<<1.1>]"), Bytes({0x06}) + "<<1.1>>", Bytes({0x08}) + "<<1.1>>"};
    for (std::size_t i = 1; i < kHeader.size(); ++i) {
        for (const int flip : {0x01, 0x20, 0x80}) {
            std::string h = kHeader;
            h[i] = static_cast<char>(h[i] ^ flip);
            headers.push_back(h);
        }
    }
    for (const std::string& header : headers) {
        SCOPED_TRACE(header);
        const Decoded d = Decode(header + body);
        EXPECT_EQ(d.result.status, DecodeStatus::WrongHeader);
        EXPECT_EQ(d.values.Size(), 0u);
        EXPECT_NE(d.version, "<<1.1>>");
    }
}

TEST(ArchiveCodec, TrailingBytesAfterTheLastPairAreIgnored)
{
    const Decoded d = Decode(File({{"a", "b"}}) + "garbage\xFF\xFF");
    EXPECT_EQ(d.result.status, DecodeStatus::Complete);
    EXPECT_EQ(d.values.Size(), 1u);
}

TEST(ArchiveCodec, HugeLengthsAndCountsEndAtTheEndOfTheInput)
{
    const std::string cases[] = {
        kHeader + Word(1) + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) + "abc",  // 4 GB key
        kHeader + Word(1) + Short("k") + Bytes({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80}),
        kHeader + Word(0xFFFF) + Dword(0xFFFFFFFF) + Short("k") + Short("v"),  // 4 billion pairs
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) + "<<1.1>>",        // 2 GB header
    };
    for (const std::string& bytes : cases) {
        const Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.status, DecodeStatus::Failed);
        EXPECT_EQ(d.result.error, ArchiveError::EndOfFile);
    }
}

TEST(ArchiveCodec, AMillionDistinctPairsDecodeInLinearTime)
{
    std::string bytes = kHeader + Word(0xFFFF) + Dword(1000000);
    for (std::uint32_t i = 0; i < 1000000; ++i)
        bytes += Short(std::to_string(i)) + Bytes({0});
    const auto start = std::chrono::steady_clock::now();
    const Decoded d = Decode(bytes);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(d.result.status, DecodeStatus::Complete);
    EXPECT_EQ(d.values.Size(), 1000000u);
    EXPECT_LT(seconds, 30.0);  // quadratic insertion would take hours
}

TEST(ArchiveCodec, EveryErrorHasItsText)
{
    // The file-error table, then the three texts of writing and memory.
    const std::pair<ArchiveError, std::string> texts[] = {
        {ArchiveError::None, "No error occurred."},
        {ArchiveError::Generic, "An unknown error occurred while accessing C:\\%1.dat."},
        {ArchiveError::FileNotFound, "C:\\%1.dat was not found."},
        {ArchiveError::BadPath, "C:\\%1.dat contains an invalid path."},
        {ArchiveError::TooManyOpenFiles, "C:\\%1.dat could not be opened because there are too many open files."},
        {ArchiveError::AccessDenied, "Access to C:\\%1.dat was denied."},
        {ArchiveError::InvalidFile, "An invalid file handle was associated with C:\\%1.dat."},
        {ArchiveError::RemoveCurrentDir, "C:\\%1.dat could not be removed because it is the current directory."},
        {ArchiveError::DirectoryFull, "C:\\%1.dat could not be created because the directory is full."},
        {ArchiveError::BadSeek, "Seek failed on C:\\%1.dat"},
        {ArchiveError::HardIO, "A hardware I/O error was reported while accessing C:\\%1.dat."},
        {ArchiveError::SharingViolation, "A sharing violation occurred while accessing C:\\%1.dat."},
        {ArchiveError::LockViolation, "A locking violation occurred while accessing C:\\%1.dat."},
        {ArchiveError::DiskFull, "Disk full while accessing C:\\%1.dat."},
        {ArchiveError::EndOfFile, "An attempt was made to access C:\\%1.dat past its end."},
        {ArchiveError::OutOfMemory, "Out of memory."},
    };
    for (const auto& [error, text] : texts)
        EXPECT_EQ(store::ArchiveErrorText(error, "C:\\%1.dat"), text) << static_cast<int>(error);
    EXPECT_EQ(store::ArchiveErrorText(ArchiveError::EndOfFile, store::kUnnamedFile),
              "An attempt was made to access an unnamed file past its end.");
}
