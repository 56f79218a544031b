// Windows file behaviour: sharing, locks, read-only targets and backups,
// directories, deep and oddly named folders, a replace that fails half-way.
#include <gtest/gtest.h>
#include <windows.h>
#include <filesystem>
#include <thread>
#include "ReportCapture.h"
#include "StoreTestUtil.h"
#include "TempFolder.h"
#include "framework/Handle.h"
#include "store/ArchiveCodec.h"
#include "store/CodePage.h"
#include "store/HotKeyTable.h"
#include "store/SettingsArchive.h"

using namespace storetest;

namespace {

// A path as reports name it.
std::string FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return store::Utf8FromWide(full);
}

// A previous data file with one letter set.
std::string WriteOldFile(const std::wstring& path)
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
    const auto path = folder.Path("Kestrava.dat");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    ReportCapture reports;
    CSettingsArchive in;
    EXPECT_FALSE(in.Load(path));
    EXPECT_TRUE(reports.Texts().empty());

    CSettingsArchive out = NewContent();
    EXPECT_FALSE(out.Save(path));
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{"Access to " + FullPath(path) + " was denied."});
    EXPECT_NE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
}

TEST(ArchiveFileWin, FileOpenedWithoutSharingKeepsItsBytes)
{
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    const std::string old = WriteOldFile(path);
    ReportCapture reports;
    {
        fw::File holder(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
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
    // A backup program or a scanner reading with sharing, one that may
    // delete it too: the keys load. One that writes is not shared with:
    // unreadable, silently, not missing.
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    WriteOldFile(path);
    ReportCapture reports;
    for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_READ | DELETE}, DWORD{GENERIC_READ | GENERIC_WRITE}}) {
        SCOPED_TRACE(access);
        fw::File holder(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        const bool shared = (access & GENERIC_WRITE) == 0;
        CSettingsArchive archive;
        EXPECT_EQ(archive.Load(path), shared);
        EXPECT_EQ(archive.Values().Size(), shared ? 78u : 0u);
        EXPECT_EQ(archive.LastLoad(), shared ? CSettingsArchive::LoadOutcome::Read
                                             : CSettingsArchive::LoadOutcome::Unavailable);
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
    const auto path = folder.Path("Kestrava.dat");
    const std::string old = WriteOldFile(path);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    ReportCapture reports;
    CSettingsArchive out = NewContent();
    EXPECT_FALSE(out.Save(path));
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{"Access to " + FullPath(path) + " was denied."});
    EXPECT_EQ(reports.Types(), std::vector<UINT>{MB_OK | MB_ICONEXCLAMATION});
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ArchiveFileWin, SaveOverAHiddenFileSucceedsAndLeavesNoTemporaryFile)
{
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    WriteOldFile(path);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CSettingsArchive out = NewContent();
    ReportCapture reports;
    EXPECT_TRUE(out.Save(path));
    EXPECT_TRUE(reports.Texts().empty());
    EXPECT_EQ(ReadBytes(path).size(), 10u + 5 + 3 + 10000);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ArchiveFileWin, ABackupInTheWayIsNamedAndBothFilesStayAsTheyWere)
{
    // Read-only, a folder, or held by a program that shares no deletion.
    for (const int obstacle : {0, 1, 2}) {
        SCOPED_TRACE(obstacle);
        TempFolder folder;
        const auto path = folder.Path("Kestrava.dat");
        const auto backup = folder.Path("Kestrava.dat.bak");
        const std::string old = WriteOldFile(path);
        if (obstacle == 1)
            CreateDirectoryW(backup.c_str(), nullptr);
        else
            WriteBytes(backup, "older keys");
        if (obstacle == 0)
            SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_READONLY);
        fw::File holder(obstacle == 2 ? CreateFileW(backup.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                      : INVALID_HANDLE_VALUE);
        ReportCapture reports;
        CHotKeyTable table;
        table.GetEntry('W').m_command = L"new.exe";
        table.SaveToFile(path, true);
        holder.reset();
        const std::string kept = " already holds a file that could not be read, and is kept. Move it elsewhere, then "
                                 "save again.";
        EXPECT_EQ(reports.Texts(), std::vector<std::string>{FullPath(backup) + kept});
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(ReadBytes(backup), obstacle == 1 ? "" : "older keys");
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Kestrava.dat", "Kestrava.dat.bak"}));
        SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(ArchiveFileWin, AReplaceFailingHalfWayGivesTheOldFileItsNameBack)
{
    // The replace (or, keeping a backup, the rename) moves the old file aside
    // and fails; the new file cannot be moved into its place either.
    static std::wstring replaced;
    const store::SwapCalls failing{
        [](const wchar_t* target, const wchar_t*, const wchar_t* backup) {
            replaced = target;
            MoveFileExW(target, backup, MOVEFILE_REPLACE_EXISTING);
            SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
            return 0;
        },
        [](const wchar_t* from, const wchar_t* to) {
            if (std::wstring(from).find(L".dat.new") != std::wstring::npos) {
                SetLastError(ERROR_ACCESS_DENIED);
                return 0;
            }
            return static_cast<int>(MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING));
        }};
    for (const char* backup : {"Kestrava.dat.bak", ""}) {
        SCOPED_TRACE(backup);
        replaced.clear();
        TempFolder folder;
        const auto path = folder.Path("Kestrava.dat");
        const std::string old = WriteOldFile(path);
        store::FilePath named;
        EXPECT_EQ(store::WriteArchiveFile(path, "new keys", named, *backup ? folder.Path(backup) : L"", failing),
                  store::ArchiveError::AccessDenied);
        EXPECT_EQ(named, path);
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
        // The calls take the long form, which no length stops.
        EXPECT_EQ(replaced, *backup ? L"" : L"\\\\?\\" + path);
    }
}

TEST(ArchiveFileWin, ATargetNotSurelyGoneIsNeverOverwritten)
{
    // The replace fails with nothing moved. The target's deletion is pending,
    // which Windows reports as access denied; or a look-up says it is gone
    // while it is there (a network share's blip): the moves replace nothing.
    static DWORD lookup;
    static bool replaced;
    const store::SwapCalls calls{[](const wchar_t*, const wchar_t*, const wchar_t*) {
                                     replaced = true;
                                     SetLastError(lookup == ERROR_ACCESS_DENIED ? ERROR_ACCESS_DENIED
                                                                               : ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
                                     return 0;
                                 },
                                 nullptr, [](const wchar_t*) -> unsigned long { return replaced ? lookup : NO_ERROR; }};
    for (const DWORD code : {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_FILE_NOT_FOUND}}) {
        SCOPED_TRACE(code);
        lookup = code;
        replaced = false;
        TempFolder folder;
        const auto path = folder.Path("Kestrava.dat");
        const std::string old = WriteOldFile(path);
        store::FilePath named;
        EXPECT_EQ(store::WriteArchiveFile(path, "new keys", named, L"", calls), store::ArchiveError::AccessDenied);
        EXPECT_EQ(ReadBytes(path), old);
        // Where the moves failed, the new keys stay beside it.
        const std::vector<std::string> left = {"Kestrava.dat", "Kestrava.dat.new"};
        EXPECT_EQ(folder.Names(), std::vector<std::string>(left.begin(), left.end() - (code == ERROR_ACCESS_DENIED)));
    }
}

TEST(ArchiveFileWin, APowerCutBetweenTheRenamesLeavesTheKeysForTheNextLoad)
{
    // The disk as it is after the replace's first rename, copied aside.
    static std::filesystem::path source, cut;
    const store::SwapCalls cutting{[](const wchar_t* target, const wchar_t* with, const wchar_t* backup) {
        MoveFileExW(target, backup, 0);
        for (const auto& file : std::filesystem::directory_iterator(source))
            CopyFileW(file.path().c_str(), (cut / file.path().filename()).c_str(), TRUE);  // with its times
        return static_cast<int>(MoveFileExW(with, target, 0));
    }};
    TempFolder folder, crashed;
    source = folder.Path("");
    cut = crashed.Path("");
    WriteOldFile(folder.Path("Kestrava.dat"));
    CHotKeyTable table;
    table.GetEntry('W').m_command = L"new.exe";
    CSettingsArchive archive;
    table.SaveToArchive(archive);
    store::FilePath named;
    const std::string bytes = store::EncodeArchive(archive.Version(), archive.Values());
    ASSERT_EQ(store::WriteArchiveFile(folder.Path("Kestrava.dat"), bytes, named, L"", cutting),
              store::ArchiveError::None);
    ASSERT_EQ(crashed.Names(), (std::vector<std::string>{"Kestrava.dat.new", "Kestrava.dat.old"}));

    // Taken back, told once; leftovers (an earlier version's too) go only
    // after a save that succeeded.
    const auto path = crashed.Path("Kestrava.dat");
    WriteBytes(crashed.Path("kst1F.tmp"), "an earlier version's new file");
    ReportCapture reports;
    for (int load = 0; load < 2; ++load) {
        CHotKeyTable loaded;
        EXPECT_TRUE(loaded.LoadFromFile(path));
        EXPECT_EQ(loaded.GetEntry('W').m_command, L"new.exe");
    }
    const std::string taken = " was missing after an interrupted save. It was taken back from ";
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{FullPath(path) + taken + FullPath(path) + ".new."});
    ASSERT_TRUE(CreateDirectoryW(crashed.Path("Kestrava.dat.new").c_str(), nullptr));  // in the way of a save
    EXPECT_FALSE(table.SaveToFile(path));
    EXPECT_EQ(crashed.Names(),
              (std::vector<std::string>{"Kestrava.dat", "Kestrava.dat.new", "Kestrava.dat.old", "kst1F.tmp"}));
    RemoveDirectoryW(crashed.Path("Kestrava.dat.new").c_str());
    EXPECT_TRUE(table.SaveToFile(path));
    EXPECT_EQ(crashed.Names(), std::vector<std::string>{"Kestrava.dat"});
}

TEST(ArchiveFileWin, AFileHeldForAMomentIsWaitedFor)
{
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    WriteOldFile(path);
    fw::File holder(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    std::thread release([&holder] {
        Sleep(200);
        holder.reset();
    });
    ReportCapture reports;
    CSettingsArchive out = NewContent();
    EXPECT_TRUE(out.Save(path));
    release.join();
    EXPECT_TRUE(reports.Texts().empty());
    EXPECT_EQ(ReadBytes(path).size(), 10u + 5 + 3 + 10000);
}

TEST(ArchiveFileWin, AFolderDeeperThanMaxPathHoldsTheKeysAndAnyNameReachesTheFileCalls)
{
    TempFolder folder;
    std::wstring deep = folder.Path("deep");
    CreateDirectoryW(deep.c_str(), nullptr);
    while (deep.size() < MAX_PATH + 20) {
        deep += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::wstring path = deep + L"\\Kestrava.dat";
    ReportCapture reports;
    CHotKeyTable table;
    for (const bool keepOld : {false, true, false}) {  // new, replaced keeping the old, replaced
        table.GetEntry('W').m_command += L"w";
        table.SaveToFile(path, keepOld);
    }
    CHotKeyTable loaded;
    EXPECT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(loaded.GetEntry('W').m_command, L"www");
    EXPECT_TRUE(reports.Texts().empty());

    // Wine keeps no name with an unpaired surrogate (Windows does), but the
    // path still reaches the file calls whole, as the failure names it.
    const std::wstring odd = folder.Path("odd") + L"\xD800\\Kestrava.dat";
    store::FilePath named;
    EXPECT_NE(store::WriteArchiveFile(odd, "keys", named), store::ArchiveError::None);
    EXPECT_EQ(named, odd);
}
