#include "util/PathHelpers.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>
#include "framework/Application.h"

namespace {

TEST(PathHelpers, FolderPart)
{
    EXPECT_EQ(GetFolderPart(L"file.txt"), L"");
    EXPECT_EQ(GetFolderPart(L"C:/a/b.txt"), L"C:/a");
    EXPECT_EQ(GetFolderPart(L"C:\\a/b.txt"), L"C:");  // any backslash wins over slashes
    EXPECT_EQ(GetFolderPart(L"C:\\Tools\\Kestrava.exe"), L"C:\\Tools");
    EXPECT_EQ(GetFolderPart(L"C:\\Kestrava.exe"), L"C:");
    EXPECT_EQ(GetFolderPart(L"C:\\Dir\\"), L"C:\\Dir");
    EXPECT_EQ(GetFolderPart(L" C:\\a b \\c "), L" C:\\a b ");  // not trimmed
    EXPECT_EQ(GetFolderPart(L""), L"");
}

TEST(PathHelpers, StripTrailingSeparator)
{
    auto strip = [](std::wstring path) {
        StripTrailingSeparator(path);
        return path;
    };
    EXPECT_EQ(strip(L"C:\\Dir"), L"C:\\Dir");
    EXPECT_EQ(strip(L"C:\\Dir  "), L"C:\\Dir  ");  // untouched, blanks kept
    EXPECT_EQ(strip(L"C:\\Dir\\  \t"), L"C:\\Dir");
    EXPECT_EQ(strip(L"C:\\Dir\\\\"), L"C:\\Dir\\");  // only one separator goes
    EXPECT_EQ(strip(L"/"), L"");
    EXPECT_EQ(strip(L"C:/a/"), L"C:/a");
    EXPECT_EQ(strip(L"C:\\a/"), L"C:\\a/");  // a backslash is present, so '/' is no separator
    EXPECT_EQ(strip(L""), L"");
    EXPECT_EQ(strip(L"   "), L"   ");
}

TEST(PathHelpers, Extension)
{
    EXPECT_EQ(GetExtension(L"C:\\Tools\\run.bat"), L".bat");
    EXPECT_EQ(GetExtension(L"C:\\my.dir\\tool"), L"");  // only the last component counts
    EXPECT_EQ(GetExtension(L"C:\\Users\\j.smith\\bin\\tool"), L"");
    EXPECT_EQ(GetExtension(L"C:/my.dir/tool"), L"");
    EXPECT_EQ(GetExtension(L"C:\\my.dir\\tool.exe"), L".exe");
    EXPECT_EQ(GetExtension(L"notepad"), L"");
    EXPECT_EQ(GetExtension(L"readme.txt   "), L".txt");
    EXPECT_EQ(GetExtension(L"archive.tar.gz"), L".gz");
    EXPECT_EQ(GetExtension(L"  notepad  "), L"");
    EXPECT_EQ(GetExtension(L""), L"");
}

TEST(PathHelpers, ProgramFolder)
{
    const std::wstring folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    EXPECT_NE(folder.back(), L'/');
    const std::wstring self = fw::ModuleFileName(nullptr);
    EXPECT_EQ(folder + self.substr(folder.size()), self);
    EXPECT_EQ(self[folder.size()], L'\\');
    EXPECT_NE(GetFileAttributesW((folder + L"\\" + self.substr(folder.size() + 1)).c_str()), INVALID_FILE_ATTRIBUTES);
}

// Run by ProgramFolder.FromOtherPlaces in a copy of this executable: compares
// with the folder the parent expects.
TEST(ProgramFolderChild, MatchesExpectedFolder)
{
    const wchar_t* expected = _wgetenv(L"KESTRAVA_EXPECTED_FOLDER");
    if (!expected) {
        GTEST_SKIP() << "only run from ProgramFolder.FromOtherPlaces";
    }
    EXPECT_EQ(GetProgramFolder(), expected);
}

// Copies this executable to folder (a \\?\ path allowed) and runs the child
// test there; true when it passed.
::testing::AssertionResult RunCopyIn(const std::wstring& folder, const std::wstring& expected)
{
    wchar_t self[32768];
    GetModuleFileNameW(nullptr, self, 32768);
    const std::wstring copy = folder + L"\\pathchild.exe";
    // Started by its plain name: the \\?\ form is only for the file functions.
    const std::wstring plain = copy.compare(0, 4, L"\\\\?\\") == 0 ? copy.substr(4) : copy;
    if (!CopyFileW(self, copy.c_str(), FALSE))
        return ::testing::AssertionFailure() << "cannot copy the test executable, error " << GetLastError();
    SetEnvironmentVariableW(L"KESTRAVA_EXPECTED_FOLDER", expected.c_str());
    std::wstring commandLine = L"\"" + plain + L"\" --gtest_filter=ProgramFolderChild.*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process);
    SetEnvironmentVariableW(L"KESTRAVA_EXPECTED_FOLDER", nullptr);
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
        return ::testing::AssertionFailure() << "GetProgramFolder in the copy differs from the expected folder";
    return ::testing::AssertionSuccess();
}

TEST(ProgramFolder, FromDriveRoot)
{
    EXPECT_TRUE(RunCopyIn(L"C:", L"C:"));
}

// A folder named with letters outside the ANSI code page.
TEST(ProgramFolder, FromAFolderNamedInAnotherScript)
{
    const std::wstring folder = L"C:\\Kestrava \u62A5\u544A";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(RunCopyIn(folder, folder));
    RemoveDirectoryW(folder.c_str());
}

// Wine starts no program from a path past MAX_PATH, but it loads modules from
// there: the module name of a copy loaded as a library shows the long name
// comes back whole.
TEST(ProgramFolder, ModuleNameLongerThanMaxPath)
{
    std::wstring folder = L"\\\\?\\C:\\kestrava-long-path-test";
    std::wstring expected = L"C:\\kestrava-long-path-test";
    std::vector<std::wstring> created = {folder};
    for (int level = 0; level < 8; ++level) {
        folder += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + level));
        expected += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + level));
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
    std::wstring name, caption;
    if (module) {
        name = fw::ModuleFileName(module);
        caption = fw::CApplication(module).Caption();  // the message boxes' title, whole too
        FreeLibrary(module);
    }
    DeleteFileW(copy.c_str());
    for (auto dir = created.rbegin(); dir != created.rend(); ++dir)
        RemoveDirectoryW(dir->c_str());

    ASSERT_NE(module, nullptr) << "error " << loadError;
    ASSERT_GT(expected.size(), 300u);
    EXPECT_EQ(GetFolderPart(name), expected);
    EXPECT_EQ(caption, L"pathchild");
}

}  // namespace
