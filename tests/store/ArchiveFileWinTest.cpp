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
    table.GetEntry('K').m_command = "old.exe";
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

        // Unopenable on load: silent, empty.
        CHotKeyTable table;
        table.GetEntry('K').m_command = "stale";
        table.LoadFromFile(path);
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

TEST(ArchiveFileWin, FileHeldOpenEvenWithSharingLoadsNothingSilently)
{
    // The archive opens its file without sharing, which any open handle
    // refuses: unopenable, so silent and empty rather than a read error.
    TempFolder folder;
    const std::string path = folder.Path("Kestrava.dat");
    WriteOldFile(path);
    fw::File holder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    ReportCapture reports;
    CSettingsArchive archive;
    EXPECT_FALSE(archive.Load(path));
    EXPECT_EQ(archive.Values().Size(), 0u);
    EXPECT_EQ(CSettingsArchive::ReadFileVersion(path), "");
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
