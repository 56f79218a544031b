// Windows file behaviour: sharing, locks, read-only targets and directories.
#include <gtest/gtest.h>
#include <windows.h>
#include "ReportCapture.h"
#include "StoreTestUtil.h"
#include "TempFolder.h"
#include "framework/Handle.h"
#include "store/HotKeyTable.h"
#include "store/SettingsArchive.h"

using namespace storetest;

namespace {

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

// A previous data file with one letter set.
std::string WriteOldFile(const std::string& path)
{
    CHotKeyTable table;
    table.GetEntry('K').m_command = L"old.exe";
    table.SaveToFile(path);
    return ReadBytes(path);
}

CSettingsArchive NewContent()
{
    CSettingsArchive archive;
    archive.PutString("new", std::string(10000, 'n'));
    return archive;
}

}  // namespace

TEST(ArchiveFileWin, MissingFileIsSilentAndEmpty)
{
    TempFolder folder;
    ReportCapture reports;
    CHotKeyTable table;
    table.LoadFromFile(folder.Path("Kestrava.dat"));
    EXPECT_TRUE(table.GetEntry('A').IsEmpty());
    EXPECT_TRUE(reports.Texts().empty());
}

TEST(ArchiveFileWin, DirectoryAsPathLoadsNothingAndIsNotReplaced)
{
    TempFolder folder;
    const std::string path = folder.Path("Kestrava.dat");
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    ReportCapture reports;
    CSettingsArchive in;
    EXPECT_FALSE(in.Load(path));
    EXPECT_TRUE(reports.Texts().empty());

    CSettingsArchive out = NewContent();
    EXPECT_FALSE(out.Save(path));
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{"Access to " + FullPath(path) + " was denied."});
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
}

TEST(ArchiveFileWin, FileOpenedWithoutSharingKeepsItsBytes)
{
    TempFolder folder;
    const std::string path = folder.Path("Kestrava.dat");
    const std::string old = WriteOldFile(path);
    ReportCapture reports;
    {
        fw::File holder(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);

        // Unopenable on load: silent, empty, and known to be unreadable.
        CHotKeyTable table;
        table.GetEntry('K').m_command = L"stale";
        EXPECT_FALSE(table.LoadFromFile(path));
        EXPECT_TRUE(table.GetEntry('K').IsEmpty());
        EXPECT_TRUE(reports.Texts().empty());

        CSettingsArchive out = NewContent();
        EXPECT_FALSE(out.Save(path));
    }
    EXPECT_EQ(reports.Texts(),
              std::vector<std::string>{"A sharing violation occurred while accessing " + FullPath(path) + "."});
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
}

TEST(ArchiveFileWin, AReaderSharingTheFileDoesNotHideItsKeys)
{
    // A backup program or a scanner reading with sharing: the keys load.
    // One that writes is not shared with: unreadable, silently, not missing.
    TempFolder folder;
    const std::string path = folder.Path("Kestrava.dat");
    WriteOldFile(path);
    ReportCapture reports;
    for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_READ | GENERIC_WRITE}}) {
        SCOPED_TRACE(access);
        fw::File holder(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        const bool shared = access == GENERIC_READ;
        CSettingsArchive archive;
        EXPECT_EQ(archive.Load(path), shared);
        EXPECT_EQ(archive.Values().Size(), shared ? 78u : 0u);
        EXPECT_EQ(archive.LastLoad(), shared ? CSettingsArchive::LoadOutcome::Read
                                             : CSettingsArchive::LoadOutcome::Unreadable);
        EXPECT_EQ(CSettingsArchive::ReadFileVersion(path), shared ? "<<1.1>>" : "");
    }
    CSettingsArchive missing;
    EXPECT_FALSE(missing.Load(folder.Path("none\\Kestrava.dat")));
    EXPECT_EQ(missing.LastLoad(), CSettingsArchive::LoadOutcome::NoFile);
    EXPECT_TRUE(reports.Texts().empty());
}

TEST(ArchiveFileWin, ReadOnlyTargetStaysAsItWas)
{
    TempFolder folder;
    const std::string path = folder.Path("Kestrava.dat");
    const std::string old = WriteOldFile(path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    ReportCapture reports;
    CSettingsArchive out = NewContent();
    EXPECT_FALSE(out.Save(path));
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{"Access to " + FullPath(path) + " was denied."});
    EXPECT_EQ(reports.Types(), std::vector<UINT>{MB_OK | MB_ICONEXCLAMATION});
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ArchiveFileWin, SaveOverAHiddenFileSucceedsAndLeavesNoTemporaryFile)
{
    TempFolder folder;
    const std::string path = folder.Path("Kestrava.dat");
    WriteOldFile(path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CSettingsArchive out = NewContent();
    ReportCapture reports;
    EXPECT_TRUE(out.Save(path));
    EXPECT_TRUE(reports.Texts().empty());
    EXPECT_EQ(ReadBytes(path).size(), 10u + 5 + 3 + 10000);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
