#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/HotKeyApplet.h"
#include "app/Launcher.h"
#include "tests/common/MessageBoxRecorder.h"
#include "util/RegistryKey.h"

namespace {

TEST(FallbackCommandLine, CutsAtTheQuotedPlaceholderAndKeepsItsBlank)
{
    std::wstring line;
    ASSERT_TRUE(Launcher::BuildFallbackCommandLine(L"notepad.exe \"%1\"", L"C:\\Notes\\list.txt", line));
    EXPECT_EQ(line, L"notepad.exe  C:\\Notes\\list.txt");
}

TEST(FallbackCommandLine, ACommandWithBlanksIsQuoted)
{
    std::wstring line;
    ASSERT_TRUE(Launcher::BuildFallbackCommandLine(L"notepad.exe %1", L"C:\\My Notes\\a b.txt", line));
    EXPECT_EQ(line, L"notepad.exe  \"C:\\My Notes\\a b.txt\"");
}

TEST(FallbackCommandLine, NeverBuildsALineLongerThanTheBuffer)
{
    const std::wstring open = L"x.exe %1";  // cut to L"x.exe " (6), then a blank
    std::wstring line = L"untouched";
    const std::wstring fits(519 - 7, L'c');
    ASSERT_TRUE(Launcher::BuildFallbackCommandLine(open, fits, line));
    EXPECT_EQ(line.size(), 519u);
    line = L"untouched";
    EXPECT_FALSE(Launcher::BuildFallbackCommandLine(open, fits + L"c", line));
    EXPECT_EQ(line, L"untouched");
    // Quotes count too.
    EXPECT_FALSE(Launcher::BuildFallbackCommandLine(open, std::wstring(510, L'c') + L" x", line));
}

TEST(WinExecReason, TheTableAndTheEmptyTextForEveryOtherCode)
{
    EXPECT_STREQ(Launcher::WinExecReason(0), "The system is out of memory or resources.");
    EXPECT_STREQ(Launcher::WinExecReason(2), "The specified file was not found. ");
    EXPECT_STREQ(Launcher::WinExecReason(3), "The specified path was not found. ");
    EXPECT_STREQ(Launcher::WinExecReason(11), "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image). ");
    for (UINT code : {1u, 4u, 5u, 8u, 10u, 12u, 26u, 31u})
        EXPECT_STREQ(Launcher::WinExecReason(code), "") << code;
}

// Test file types go straight below HKEY_CLASSES_ROOT of the test prefix.
class OpenCommandTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        CRegistryKey::DeleteKey(HKEY_CLASSES_ROOT, ".kvtest");
        CRegistryKey::DeleteKey(HKEY_CLASSES_ROOT, "KestravaTestType");
    }
    static void Register(const std::string& type, const std::string& command, DWORD kind = REG_SZ)
    {
        CRegistryKey extension;
        ASSERT_EQ(extension.Create(HKEY_CLASSES_ROOT, ".kvtest"), ERROR_SUCCESS);
        extension.WriteString("", type);
        if (!command.empty()) {
            CRegistryKey open;
            ASSERT_EQ(open.Create(HKEY_CLASSES_ROOT, type, "shell\\open\\command"), ERROR_SUCCESS);
            RegSetValueExA(open.Handle(), "", 0, kind, reinterpret_cast<const BYTE*>(command.c_str()),
                           static_cast<DWORD>(command.size() + 1));
        }
    }
};

TEST_F(OpenCommandTest, FollowsTheExtensionToItsFileTypesOpenCommand)
{
    Register("KestravaTestType", "\"C:\\Tools\\view.exe\" \"%1\"");
    EXPECT_EQ(Launcher::FindOpenCommand(L".kvtest"), L"\"C:\\Tools\\view.exe\" \"%1\"");
}

TEST_F(OpenCommandTest, EmptyWhenTheTypeOrItsCommandIsMissing)
{
    EXPECT_EQ(Launcher::FindOpenCommand(L".kvtest"), L"");
    Register("KestravaTestType", "");
    EXPECT_EQ(Launcher::FindOpenCommand(L".kvtest"), L"");
    EXPECT_EQ(Launcher::FindOpenCommand(L"kestravanosuchprogram"), L"");
}

TEST_F(OpenCommandTest, OnlyAnExpandableCommandIsExpandedAndItsExpansionMustFit)
{
    SetEnvironmentVariableA("KESTRAVA_TOOLS", "C:\\Tools");
    const std::string stored = "%KESTRAVA_TOOLS%\\view.exe \"%1\"";
    for (const auto& [kind, found] : {std::pair<DWORD, std::string>{REG_EXPAND_SZ, "C:\\Tools\\view.exe \"%1\""},
                                      std::pair<DWORD, std::string>{REG_SZ, stored}}) {
        Register("KestravaTestType", stored, kind);
        EXPECT_EQ(Launcher::FindOpenCommand(L".kvtest"), std::wstring(found.begin(), found.end())) << kind;
    }
    // A short stored line that is too long once expanded is not started.
    SetEnvironmentVariableA("KESTRAVA_LONG", std::string(600, 'd').c_str());
    Register("KestravaTestType", "C:\\%KESTRAVA_LONG%\\view.exe %1", REG_EXPAND_SZ);
    CMessageBoxRecorder app;
    Launcher::OpenWithAssociation(L"C:\\missing\\a.kvtest");
    EXPECT_EQ(app.texts, std::vector<std::string>{"C:\\missing\\a.kvtest    WinExec failed: The command line is too long. \n"});
}

TEST(Dispatch, OnlyTheLettersAToZWithACommandAreActedOn)
{
    CMessageBoxRecorder app;
    CHotKeyApplet applet;
    // No table loaded: every letter is empty, and nothing outside A..Z is even looked up.
    for (WPARAM key : {WPARAM{0x41}, WPARAM{0x5A}, WPARAM{0x61}, WPARAM{0x30}, WPARAM{0x70}, WPARAM{0x5B}, WPARAM{~0u}})
        applet.OnOtherMessage(0, key);
    EXPECT_TRUE(app.texts.empty());
}

TEST(Dispatch, AnUnknownCommandIsReportedOnce)
{
    CMessageBoxRecorder app;
    Launcher::OpenWithAssociation(L"kestravanosuchprogram");
    ASSERT_EQ(app.texts.size(), 1u);
    EXPECT_EQ(app.texts[0], "Don't know how to launch file :\nkestravanosuchprogram");
    EXPECT_EQ(app.types[0], static_cast<UINT>(MB_OK));
}

}  // namespace
