#include "util/UserEnvironment.h"
#include <gtest/gtest.h>

namespace {

// Blocks as Windows builds them: NAME=value entries, each ending in a NUL, and
// one more NUL (the literal's own).
TEST(UserEnvironment, ChangesSetWhatIsNewOrOtherAndRemoveOnlyWhatWasThere)
{
    const wchar_t before[] = L"Path=C:\\a\0TEMP=C:\\t\0GONE=1\0=C:=C:\\\0";
    const wchar_t after[] = L"PATH=C:\\a;C:\\b\0temp=C:\\t\0NEW=\xE9t\xE9\0=D:=D:\\\0";
    const std::vector<EnvironmentChange> changes = EnvironmentChanges(before, after);
    ASSERT_EQ(changes.size(), 3u);
    // Names compare without case; a drive's current folder is no variable.
    EXPECT_EQ(changes[0].name, L"NEW");
    EXPECT_EQ(changes[0].value, L"\xE9t\xE9");
    EXPECT_FALSE(changes[0].removed);
    EXPECT_EQ(changes[1].name, L"PATH");
    EXPECT_EQ(changes[1].value, L"C:\\a;C:\\b");
    EXPECT_EQ(changes[2].name, L"GONE");
    EXPECT_TRUE(changes[2].removed);
    EXPECT_TRUE(EnvironmentChanges(after, after).empty());

    // A change that could not be applied stays in the next base, to be found again.
    const std::wstring kept = KeepEntries(before, after, {L"PATH", L"GONE", L"NEW"});
    const std::vector<EnvironmentChange> again = EnvironmentChanges(kept.c_str(), after);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[0].name, L"NEW");
    EXPECT_EQ(again[1].name, L"PATH");
    EXPECT_EQ(again[2].name, L"GONE");
    EXPECT_TRUE(again[2].removed);
    EXPECT_TRUE(EnvironmentChanges(KeepEntries(before, after, {}).c_str(), after).empty());
}

}  // namespace
