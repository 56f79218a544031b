#include "util/OpenCommand.h"
#include <gtest/gtest.h>

namespace {

TEST(OpenCommand, CutsAtTheQuotedPlaceholderWhichWinsOverAnEarlierBareOne)
{
    std::wstring line;
    ASSERT_TRUE(ComposeOpenCommand(L"\"C:\\Web\\browse.exe\" -nohome \"%1\"", L"https://x.example", line));
    EXPECT_EQ(line, L"\"C:\\Web\\browse.exe\" -nohome  https://x.example");
    ASSERT_TRUE(ComposeOpenCommand(L"x.exe %1 \"%1\"", L"f", line));
    EXPECT_EQ(line, L"x.exe %1  f");
}

TEST(OpenCommand, CutsAtTheFirstBarePlaceholderAndDropsWhatFollows)
{
    std::wstring line;
    ASSERT_TRUE(ComposeOpenCommand(L"viewer.exe /open %1 /readonly %1", L"a.kv", line));
    EXPECT_EQ(line, L"viewer.exe /open  a.kv");
}

TEST(OpenCommand, WithoutPlaceholderTheArgumentFollowsTheWholeCommand)
{
    std::wstring line;
    ASSERT_TRUE(ComposeOpenCommand(L"player.exe /play", L"song.kv", line));
    EXPECT_EQ(line, L"player.exe /play song.kv");
}

TEST(OpenCommand, TooLongIsRefusedNotCut)
{
    std::wstring line = L"unchanged";
    EXPECT_FALSE(ComposeOpenCommand(std::wstring(259, L'c'), std::wstring(300, L'u'), line));
    EXPECT_EQ(line, L"unchanged");
    ASSERT_TRUE(ComposeOpenCommand(std::wstring(259, L'c'), std::wstring(259, L'u'), line));  // 519: fits
    EXPECT_EQ(line.size(), 519u);
    EXPECT_FALSE(ComposeOpenCommand(std::wstring(259, L'c'), std::wstring(260, L'u'), line));
}

}  // namespace
