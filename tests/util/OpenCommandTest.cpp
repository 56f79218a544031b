#include "util/OpenCommand.h"
#include <gtest/gtest.h>

namespace {

TEST(OpenCommand, CutsAtTheQuotedPlaceholderWhichWinsOverAnEarlierBareOne)
{
    std::string line;
    ASSERT_TRUE(ComposeOpenCommand("\"C:\\Web\\browse.exe\" -nohome \"%1\"", "https://x.example", line));
    EXPECT_EQ(line, "\"C:\\Web\\browse.exe\" -nohome  https://x.example");
    ASSERT_TRUE(ComposeOpenCommand("x.exe %1 \"%1\"", "f", line));
    EXPECT_EQ(line, "x.exe %1  f");
}

TEST(OpenCommand, CutsAtTheFirstBarePlaceholderAndDropsWhatFollows)
{
    std::string line;
    ASSERT_TRUE(ComposeOpenCommand("viewer.exe /open %1 /readonly %1", "a.kv", line));
    EXPECT_EQ(line, "viewer.exe /open  a.kv");
}

TEST(OpenCommand, WithoutPlaceholderTheArgumentFollowsTheWholeCommand)
{
    std::string line;
    ASSERT_TRUE(ComposeOpenCommand("player.exe /play", "song.kv", line));
    EXPECT_EQ(line, "player.exe /play song.kv");
}

TEST(OpenCommand, TooLongIsRefusedNotCut)
{
    std::string line = "unchanged";
    EXPECT_FALSE(ComposeOpenCommand(std::string(259, 'c'), std::string(300, 'u'), line));
    EXPECT_EQ(line, "unchanged");
    ASSERT_TRUE(ComposeOpenCommand(std::string(259, 'c'), std::string(259, 'u'), line));  // 519: fits
    EXPECT_EQ(line.size(), 519u);
    EXPECT_FALSE(ComposeOpenCommand(std::string(259, 'c'), std::string(260, 'u'), line));
}

TEST(OpenCommand, PlaceholderSearchStepsOverDoubleByteCharacters)
{
    // Meaningful where the ANSI code page has lead bytes; elsewhere the bytes
    // are single characters and the cut is the plain one.
    std::string line;
    ASSERT_TRUE(ComposeOpenCommand("tool.exe \"%1\"", "\x93\xfa.txt", line));
    EXPECT_EQ(line, "tool.exe  \x93\xfa.txt");
}

}  // namespace
