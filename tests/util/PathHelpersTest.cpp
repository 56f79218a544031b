#include "util/PathHelpers.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>
#include "framework/Application.h"

namespace {

constexpr UINT kShiftJis = 932;
constexpr UINT kWestern = 1252;
// "表" in code page 932: its trail byte is the backslash's code.
const std::string kHyo = "\x95\x5C";

TEST(PathHelpers, FolderPart)
{
    EXPECT_EQ(GetFolderPart("file.txt"), "");
    EXPECT_EQ(GetFolderPart("C:/a/b.txt"), "C:/a");
    EXPECT_EQ(GetFolderPart("C:\\a/b.txt"), "C:");  // any backslash wins over slashes
    EXPECT_EQ(GetFolderPart("C:\\Tools\\Kestrava.exe"), "C:\\Tools");
    EXPECT_EQ(GetFolderPart("C:\\Kestrava.exe"), "C:");
    EXPECT_EQ(GetFolderPart("C:\\Dir\\"), "C:\\Dir");
    EXPECT_EQ(GetFolderPart(" C:\\a b \\c "), " C:\\a b ");  // not trimmed
    EXPECT_EQ(GetFolderPart(""), "");
}

TEST(PathHelpers, StripTrailingSeparator)
{
    auto strip = [](std::string path) {
        StripTrailingSeparator(path);
        return path;
    };
    EXPECT_EQ(strip("C:\\Dir"), "C:\\Dir");
    EXPECT_EQ(strip("C:\\Dir  "), "C:\\Dir  ");  // untouched, blanks kept
    EXPECT_EQ(strip("C:\\Dir\\  \t"), "C:\\Dir");
    EXPECT_EQ(strip("C:\\Dir\\\\"), "C:\\Dir\\");  // only one separator goes
    EXPECT_EQ(strip("/"), "");
    EXPECT_EQ(strip("C:/a/"), "C:/a");
    EXPECT_EQ(strip("C:\\a/"), "C:\\a/");  // a backslash is present, so '/' is no separator
    EXPECT_EQ(strip(""), "");
    EXPECT_EQ(strip("   "), "   ");
}

TEST(PathHelpers, Extension)
{
    EXPECT_EQ(GetExtension("C:\\Tools\\run.bat"), ".bat");
    EXPECT_EQ(GetExtension("C:\\my.dir\\tool"), ".dir\\tool");
    EXPECT_EQ(GetExtension("notepad"), "notepad");
    EXPECT_EQ(GetExtension("readme.txt   "), ".txt");
    EXPECT_EQ(GetExtension("archive.tar.gz"), ".gz");
    EXPECT_EQ(GetExtension("  notepad  "), "  notepad");
    EXPECT_EQ(GetExtension(""), "");
}

TEST(PathHelpers, DoubleByteTrailBytesAreNoSeparators)
{
    using namespace PathText;
    ASSERT_TRUE(IsDBCSLeadByteEx(kShiftJis, 0x95)) << "code page 932 is not available";
    const std::string path = "C:\\" + kHyo + "\\x.txt";  // C:\表\x.txt
    EXPECT_EQ(GetFolderPart(path, kShiftJis), "C:\\" + kHyo);
    EXPECT_EQ(GetFolderPart("C:\\a\\" + kHyo, kShiftJis), "C:\\a");
    EXPECT_EQ(GetFolderPart(kHyo + "/x", kShiftJis), kHyo);  // no real backslash: '/' separates
    EXPECT_EQ(GetFolderPart(kHyo, kShiftJis), "");
    EXPECT_EQ(FindLast(kHyo + kHyo, '\\', kShiftJis), npos);
    // The same bytes in a single-byte code page hold a real backslash.
    EXPECT_EQ(GetFolderPart(path, kWestern), "C:\\\x95\\");
    EXPECT_EQ(GetFolderPart(kHyo, kWestern), "\x95");

    std::string folder = "C:\\" + kHyo;  // ends in a trail byte 0x5C
    StripTrailingSeparator(folder, kShiftJis);
    EXPECT_EQ(folder, "C:\\" + kHyo);
    folder = "C:\\" + kHyo + "\\ ";
    StripTrailingSeparator(folder, kShiftJis);
    EXPECT_EQ(folder, "C:\\" + kHyo);
    folder = "C:\\" + kHyo;
    StripTrailingSeparator(folder, kWestern);
    EXPECT_EQ(folder, "C:\\\x95");

    EXPECT_EQ(GetExtension("C:\\" + kHyo + ".txt", kShiftJis), ".txt");
    EXPECT_EQ(GetExtension("C:\\a." + kHyo, kShiftJis), "." + kHyo);
    // A lead byte cut off at the end of the text counts as one character.
    EXPECT_EQ(GetFolderPart("C:\\a\\\x95", kShiftJis), "C:\\a");
    EXPECT_EQ(TrimRight(kHyo + " \t", kShiftJis), kHyo);
}

TEST(PathHelpers, ProgramFolder)
{
    const std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_NE(folder.back(), '/');
    const std::string self = PathText::ModuleFileName(nullptr);
    EXPECT_EQ(folder + self.substr(folder.size()), self);
    EXPECT_EQ(self[folder.size()], '\\');
    EXPECT_NE(GetFileAttributesA((folder + "\\" + self.substr(folder.size() + 1)).c_str()), INVALID_FILE_ATTRIBUTES);
}

// Run by ProgramFolder.FromOtherPlaces in a copy of this executable: compares
// with the folder the parent expects.
TEST(ProgramFolderChild, MatchesExpectedFolder)
{
    const char* expected = std::getenv("KESTRAVA_EXPECTED_FOLDER");
    if (!expected) {
        GTEST_SKIP() << "only run from ProgramFolder.FromOtherPlaces";
    }
    EXPECT_EQ(GetProgramFolder(), expected);
}

// Copies this executable to folder (a \\?\ path allowed) and runs the child
// test there; true when it passed.
::testing::AssertionResult RunCopyIn(const std::wstring& folder, const std::string& expected)
{
    wchar_t self[32768];
    GetModuleFileNameW(nullptr, self, 32768);
    const std::wstring copy = folder + L"\\pathchild.exe";
    // Started by its plain name: the \\?\ form is only for the file functions.
    const std::wstring plain = copy.compare(0, 4, L"\\\\?\\") == 0 ? copy.substr(4) : copy;
    if (!CopyFileW(self, copy.c_str(), FALSE))
        return ::testing::AssertionFailure() << "cannot copy the test executable, error " << GetLastError();
    SetEnvironmentVariableA("KESTRAVA_EXPECTED_FOLDER", expected.c_str());
    std::wstring commandLine = L"\"" + plain + L"\" --gtest_filter=ProgramFolderChild.*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process);
    SetEnvironmentVariableA("KESTRAVA_EXPECTED_FOLDER", nullptr);
    DWORD exitCode = 1;
    if (started) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    const DWORD startError = GetLastError();
    DeleteFileW(copy.c_str());
    if (!started)
        return ::testing::AssertionFailure() << "cannot start the copy, error " << startError;
    if (exitCode != 0)
        return ::testing::AssertionFailure() << "GetProgramFolder in the copy differs from " << expected;
    return ::testing::AssertionSuccess();
}

TEST(ProgramFolder, FromDriveRoot)
{
    EXPECT_TRUE(RunCopyIn(L"C:", "C:"));
}

// Wine starts no program from a path past MAX_PATH, but it loads modules from
// there: the module name of a copy loaded as a library shows the long name
// comes back whole.
TEST(ProgramFolder, ModuleNameLongerThanMaxPath)
{
    std::wstring folder = L"\\\\?\\C:\\kestrava-long-path-test";
    std::string expected = "C:\\kestrava-long-path-test";
    std::vector<std::wstring> created = {folder};
    for (int level = 0; level < 8; ++level) {
        folder += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + level));
        expected += "\\" + std::string(40, static_cast<char>('a' + level));
        created.push_back(folder);
    }
    for (const std::wstring& dir : created)
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    wchar_t self[32768];
    GetModuleFileNameW(nullptr, self, 32768);
    const std::wstring copy = folder + L"\\pathchild.dll";
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));

    HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    const DWORD loadError = GetLastError();
    std::string name;
    if (module) {
        name = PathText::ModuleFileName(module);
        FreeLibrary(module);
    }
    DeleteFileW(copy.c_str());
    for (auto dir = created.rbegin(); dir != created.rend(); ++dir)
        RemoveDirectoryW(dir->c_str());

    ASSERT_NE(module, nullptr) << "error " << loadError;
    ASSERT_GT(expected.size(), 300u);
    EXPECT_EQ(GetFolderPart(name), expected);
}

}  // namespace
