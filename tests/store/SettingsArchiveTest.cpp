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

TEST(SettingsArchive, IntegersConvertLikeAtoi)
{
    CSettingsArchive archive;
    archive.PutString("abc", "abc");
    archive.PutString("spaced", " \t-12x");
    archive.PutString("plus", "+7");
    archive.PutString("empty", "");
    EXPECT_EQ(archive.GetInt("abc", 99), 0);
    EXPECT_EQ(archive.GetInt("missing", 99), 99);
    EXPECT_EQ(archive.GetInt("spaced", 99), -12);
    EXPECT_EQ(archive.GetInt("plus", 99), 7);
    EXPECT_EQ(archive.GetUInt("empty", 99), 0u);
    EXPECT_EQ(archive.GetULong("missing", 5), 5u);
}

TEST(SettingsArchive, UnsignedAboveIntMaxReadsBackAsTheSamePattern)
{
    CSettingsArchive archive;
    archive.PutUInt("u", 3000000000u);
    archive.PutULong("l", 4294967295u);
    archive.PutInt("i", -2147483647 - 1);
    EXPECT_EQ(archive.GetString("u", ""), "3000000000");
    EXPECT_EQ(archive.GetString("l", ""), "4294967295");
    EXPECT_EQ(archive.GetString("i", ""), "-2147483648");
    EXPECT_EQ(archive.GetUInt("u", 0), 3000000000u);
    EXPECT_EQ(archive.GetInt("u", 0), static_cast<std::int32_t>(3000000000u));
    EXPECT_EQ(archive.GetULong("l", 0), 4294967295u);
    EXPECT_EQ(archive.GetInt("l", 0), -1);
    EXPECT_EQ(archive.GetInt("i", 0), -2147483647 - 1);
}

TEST(SettingsArchive, DoublesUseSixDecimalsAndStopAtJunk)
{
    CSettingsArchive archive;
    archive.PutDouble("d", 1.5);
    archive.PutString("junk", "2.25abc");
    archive.PutString("none", "abc");
    EXPECT_EQ(archive.GetString("d", ""), "1.500000");
    EXPECT_DOUBLE_EQ(archive.GetDouble("d", 0), 1.5);
    EXPECT_DOUBLE_EQ(archive.GetDouble("junk", 0), 2.25);
    EXPECT_DOUBLE_EQ(archive.GetDouble("none", 7), 0.0);
    EXPECT_DOUBLE_EQ(archive.GetDouble("missing", 7), 7.0);
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
