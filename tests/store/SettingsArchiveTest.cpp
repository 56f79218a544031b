#include <gtest/gtest.h>
#include <random>
#include "StoreTestUtil.h"
#include "store/ArchiveCodec.h"
#include "store/SettingsArchive.h"

using namespace storetest;

TEST(SettingsArchive, KeysAreSectionSeparatorName)
{
    CSettingsArchive archive;
    EXPECT_EQ(archive.MakeKey("Target"), ".Target");
    archive.SetSection("W");
    EXPECT_EQ(archive.MakeKey("Target"), "W.Target");
    archive.PutString("Target", "x");
    EXPECT_NE(archive.Values().Find("W.Target"), nullptr);

    // Keys are case-sensitive.
    archive.SetSection("w");
    EXPECT_EQ(archive.GetString("Target", "default"), "default");

    archive.Clear();
    EXPECT_EQ(archive.MakeKey("Target"), ".Target");
    EXPECT_EQ(archive.Values().Size(), 0u);
    EXPECT_EQ(archive.Version(), "<<1.1>>");
}

TEST(SettingsArchive, ConstructorVersionIsWrittenAsHeader)
{
    CSettingsArchive archive("<<2.0>>");
    EXPECT_EQ(store::EncodeArchive(archive.Version(), archive.Values()), Short("<<2.0>>") + Word(0));
}

// The typed readers and writers, one row per edge case: how the value got
// there (PutString of the text, or a typed writer, which must write that
// text), then what GetInt, GetUInt and GetULong, and GetDouble give with the
// defaults 99 and 7.5. A missing key gives the default; any text, a number.
TEST(SettingsArchive, TypedReadersAndWriters)
{
    using Put = void (*)(CSettingsArchive&, const char*);
    const Put text = nullptr;
    const struct {
        Put put;
        const char* stored;  // nullptr: the key is missing
        std::int32_t asInt;
        std::uint32_t asUnsigned;
        double asDouble;
    } rows[] = {
        {text, nullptr, 99, 99u, 7.5},
        {text, "abc", 0, 0u, 0.0},  // nothing to convert: 0, not the default
        {text, "", 0, 0u, 0.0},
        {text, " \t-12x", -12, 0xFFFFFFF4u, -12.0},  // white space, a sign, digits up to the junk
        {text, "+7", 7, 7u, 7.0},
        {text, "2.25abc", 2, 2u, 2.25},
        {[](CSettingsArchive& a, const char* k) { a.PutUInt(k, 3000000000u); }, "3000000000",
         static_cast<std::int32_t>(3000000000u), 3000000000u, 3000000000.0},  // above INT_MAX: the same bits
        {[](CSettingsArchive& a, const char* k) { a.PutULong(k, 4294967295u); }, "4294967295", -1, 4294967295u,
         4294967295.0},
        {[](CSettingsArchive& a, const char* k) { a.PutInt(k, -2147483647 - 1); }, "-2147483648", -2147483647 - 1,
         0x80000000u, -2147483648.0},
        {[](CSettingsArchive& a, const char* k) { a.PutDouble(k, 1.5); }, "1.500000", 1, 1u, 1.5},  // six decimals
    };
    CSettingsArchive archive;
    for (const auto& row : rows) {
        const std::string key = std::to_string(&row - rows);
        SCOPED_TRACE(row.stored ? row.stored : "(missing)");
        if (row.put)
            row.put(archive, key.c_str());
        else if (row.stored)
            archive.PutString(key, row.stored);
        EXPECT_EQ(archive.GetString(key, "(missing)"), row.stored ? row.stored : "(missing)");
        EXPECT_EQ(archive.GetInt(key, 99), row.asInt);
        EXPECT_EQ(archive.GetUInt(key, 99), row.asUnsigned);
        EXPECT_EQ(archive.GetULong(key, 99), row.asUnsigned);
        EXPECT_DOUBLE_EQ(archive.GetDouble(key, 7.5), row.asDouble);
    }
}

TEST(SettingsArchive, StringArraysUseCountAndIndexKeys)
{
    CSettingsArchive archive;
    archive.SetSection("S");
    archive.PutStringArray("List", {"zero", "", "two"});
    EXPECT_EQ(archive.Values().Size(), 4u);
    EXPECT_EQ(*archive.Values().Find("S.List:CSA"), "3");
    EXPECT_EQ(*archive.Values().Find("S.List:2"), "two");

    std::vector<std::string> list = {"stale"};
    archive.GetStringArray("List", list);
    EXPECT_EQ(list, (std::vector<std::string>{"zero", "", "two"}));

    archive.GetStringArray("Missing", list);
    EXPECT_TRUE(list.empty());

    // Missing elements are empty texts; zero or negative counts give nothing.
    archive.PutString("Gaps:CSA", "3");
    archive.PutString("Gaps:1", "one");
    archive.GetStringArray("Gaps", list);
    EXPECT_EQ(list, (std::vector<std::string>{"", "one", ""}));
    archive.PutString("Neg:CSA", "-4");
    archive.GetStringArray("Neg", list);
    EXPECT_TRUE(list.empty());
}

TEST(SettingsArchive, ForgedArrayCountDoesNotSizeTheList)
{
    CSettingsArchive archive;
    archive.PutString("Big:CSA", "2000000000");
    archive.PutString("Big:0", "first");
    std::vector<std::string> list;
    archive.GetStringArray("Big", list);
    ASSERT_FALSE(list.empty());
    EXPECT_LE(list.size(), archive.Values().Size());
    EXPECT_EQ(list[0], "first");
}

// Any keys and values (blanks, quotes, bytes above 127; also zero bytes,
// which this codec carries too) come back unchanged.
TEST(SettingsArchive, EncodeThenDecodeReproducesArbitraryMaps)
{
    std::mt19937 random(20261201);
    const auto text = [&random](std::size_t maxLength) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, maxLength)(random);
        std::string t(length, ' ');
        for (char& c : t)
            c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random));
        return t;
    };
    for (int round = 0; round < 200; ++round) {
        CSettingsArchive archive;
        const int pairs = std::uniform_int_distribution<int>(0, 120)(random);
        for (int i = 0; i < pairs; ++i) {
            archive.SetSection(text(4));
            archive.PutString(text(round % 10 == 0 ? 300 : 12), text(round % 7 == 0 ? 70000 : 40));
        }
        archive.PutString("\" quoted \"", "  blanks  ");
        const std::string bytes = store::EncodeArchive(archive.Version(), archive.Values());
        std::string version;
        CBucketMap decoded;
        const store::DecodeResult result = store::DecodeArchive(bytes, version, decoded);
        ASSERT_EQ(result.status, store::DecodeStatus::Complete);
        ASSERT_EQ(ToStdMap(decoded), ToStdMap(archive.Values()));
    }
}
