#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/Launcher.h"
#include "tests/common/MessageBoxRecorder.h"
#include "util/RegistryKey.h"

namespace {

// Where the placeholder is cut, OpenCommandTest tells; here what the fallback adds.
TEST(FallbackCommandLine, ACommandWithBlanksIsQuoted)
{
    std::wstring line;
    ASSERT_TRUE(Launcher::BuildFallbackCommandLine(L"notepad.exe %1", L"C:\\My Notes\\a b.txt", line));
    EXPECT_EQ(line, L"notepad.exe  \"C:\\My Notes\\a b.txt\"");
}

TEST(FallbackCommandLine, QuotesCountTowardsTheLength)
{
    // "x.exe " and a blank, then 512 characters: 519 would fit, not 521 with the quotes.
    std::wstring line;
    EXPECT_FALSE(Launcher::BuildFallbackCommandLine(L"x.exe %1", std::wstring(510, L'c') + L" x", line));
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
        RegDeleteValueA(HKEY_CLASSES_ROOT, "");
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
    // No extension: the empty key name would be the root, whatever its default value names.
    Register("KestravaTestType", "view.exe %1");
    ASSERT_EQ(RegSetValueExA(HKEY_CLASSES_ROOT, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("KestravaTestType"), 17),
              ERROR_SUCCESS);
    EXPECT_EQ(Launcher::FindOpenCommand(L""), L"");
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

// A shell that fails with the code the test sets.
DWORD g_shellError = ERROR_SUCCESS;
BOOL WINAPI FailingShell(SHELLEXECUTEINFOW*)
{
    SetLastError(g_shellError);
    return FALSE;
}

TEST(Dispatch, OnlyAShellWithNoWayToOpenTheCommandLeadsToTheFallback)
{
    // The shell's failure and the start folder; then what the user is shown.
    const struct {
        DWORD error;
        const wchar_t* directory;
        std::vector<std::string> boxes;
    } rows[] = {
        {ERROR_CANCELLED, L"C:\\kestrava-no-such-folder", {}},  // a UAC prompt declined: the user's answer
        {ERROR_FILE_NOT_FOUND, L"C:\\kestrava-no-such-folder",
         {"Start folder not found :\nC:\\kestrava-no-such-folder"}},
        {ERROR_DIRECTORY, L"C:\\windows\\win.ini", {"Start folder not found :\nC:\\windows\\win.ini"}},
        {ERROR_NO_ASSOCIATION, L"C:\\windows", {"Don't know how to launch file :\nkestravanosuchprogram"}},
    };
    for (const auto& row : rows) {
        CMessageBoxRecorder app;
        g_shellError = row.error;
        Launcher::Launch(nullptr, CHotKeyEntry{L"kestravanosuchprogram", L"-x", row.directory}, FailingShell);
        EXPECT_EQ(app.texts, row.boxes) << row.error;
    }
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
