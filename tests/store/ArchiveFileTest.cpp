// Load, Save and ReadFileVersion through real files, on either platform.
#include <gtest/gtest.h>
#include <chrono>
#include <thread>
#include "ReportCapture.h"
#include "StoreTestUtil.h"
#include "TempFolder.h"
#include "store/SettingsArchive.h"

using namespace storetest;

namespace {
const std::string kEndOfFile = "An attempt was made to access an unnamed file past its end.";
}

TEST(ArchiveFile, EmptyMapSavesTenBytesAndLoadsBack)
{
    TempFolder folder;
    const auto path = folder.Path("empty.dat");
    ReportCapture reports;
    CSettingsArchive out;
    EXPECT_TRUE(out.Save(path));
    EXPECT_EQ(ReadBytes(path), kHeader + Word(0));
    CSettingsArchive in;
    EXPECT_TRUE(in.Load(path));
    EXPECT_EQ(in.Values().Size(), 0u);
    EXPECT_TRUE(reports.Texts().empty());
}

TEST(ArchiveFile, ZeroLengthFileReportsEndOfFileOnce)
{
    TempFolder folder;
    WriteBytes(folder.Path("zero.dat"), "");
    ReportCapture reports;
    CSettingsArchive archive;
    archive.PutString("stale", "x");
    EXPECT_FALSE(archive.Load(folder.Path("zero.dat")));
    EXPECT_EQ(archive.Values().Size(), 0u);
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{kEndOfFile});
}

TEST(ArchiveFile, TruncatedFileReportsOnceAndKeepsThreePairs)
{
    TempFolder folder;
    const auto path = folder.Path("short.dat");
    WriteBytes(path, kHeader + Word(5) + Short("A.Target") + Short("a") + Short("B.Target") + Short("b") +
                         Short("C.Target") + Short("c") + Short("D.Tar"));
    ReportCapture reports;
    CSettingsArchive archive;
    EXPECT_FALSE(archive.Load(path));
    EXPECT_EQ(ToStdMap(archive.Values()),
              (std::map<std::string, std::string>{{"A.Target", "a"}, {"B.Target", "b"}, {"C.Target", "c"}}));
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{kEndOfFile});
}

TEST(ArchiveFile, MalformedWideStringReportsTheGenericText)
{
    TempFolder folder;
    const auto path = folder.Path("wide.dat");
    WriteBytes(path, kHeader + Word(2) + Short("A.Target") + Short("a") +
                         Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x01, 'x', 0}));
    ReportCapture reports;
    CSettingsArchive archive;
    EXPECT_FALSE(archive.Load(path));
    EXPECT_EQ(archive.Values().Size(), 1u);
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{"An unknown error occurred while accessing an unnamed file."});
}

TEST(ArchiveFile, WrongHeaderIsSilentAndEmpty)
{
    TempFolder folder;
    const auto path = folder.Path("v2.dat");
    WriteBytes(path, Short("<<1.1>> ") + Word(1) + Short("k") + Short("v"));
    ReportCapture reports;
    CSettingsArchive archive;
    EXPECT_FALSE(archive.Load(path));
    EXPECT_EQ(archive.Values().Size(), 0u);
    EXPECT_EQ(archive.Version(), "<<1.1>> ");
    EXPECT_TRUE(reports.Texts().empty());
}

// ReadFileVersion, one row per edge case: the file's first archive string,
// read alone (what follows it is never read); a file that cannot be opened
// gives the empty text silently, a read error the empty text and its report.
TEST(ArchiveFile, ReadFileVersionReadsTheHeaderAlone)
{
    const struct {
        const char* name;
        const char* bytes;  // nullptr: no such file
        std::size_t size;
        const char* version;
        const char* report;  // nullptr: none
    } rows[] = {
        {"own.dat", "\x07<<1.1>>\x01\x00\x01k\x01v", 14, "<<1.1>>", nullptr},
        {"other.dat", "\x08<<1.1>> \x01\x00", 11, "<<1.1>> ", nullptr},  // any header: the caller judges
        {"header-then-junk.dat", "\x07<<1.1>>\xFF\xFF\xFF", 11, "<<1.1>>", nullptr},
        {"long-form.dat", "\xFF\x07\x00<<1.1>>", 10, "<<1.1>>", nullptr},
        {"missing.dat", nullptr, 0, "", nullptr},
        {"cut.dat", "\x07<<1", 4, "", kEndOfFile.c_str()},
        {"empty.dat", "", 0, "", kEndOfFile.c_str()},
    };
    TempFolder folder;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.bytes)
            WriteBytes(folder.Path(row.name), std::string(row.bytes, row.size));
        ReportCapture reports;
        EXPECT_EQ(CSettingsArchive::ReadFileVersion(folder.Path(row.name)), row.version);
        EXPECT_EQ(reports.Texts(), row.report ? std::vector<std::string>{row.report} : std::vector<std::string>{});
    }
}

TEST(ArchiveFile, SaveReplacesTheWholeFile)
{
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    WriteBytes(path, std::string(5000, 'x'));
    CSettingsArchive archive;
    archive.PutString("k", "v");
    EXPECT_TRUE(archive.Save(path));
    EXPECT_EQ(ReadBytes(path), kHeader + Word(1) + Short(".k") + Short("v"));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});
}

TEST(ArchiveFile, SaveIntoAMissingFolderReportsAndCreatesNothing)
{
    TempFolder folder;
    ReportCapture reports;
    CSettingsArchive archive;
    EXPECT_FALSE(archive.Save(folder.Path("no-such-folder/Kestrava.dat")));
    const std::vector<std::string> texts = reports.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("Kestrava.dat"), std::string::npos) << texts[0];
    EXPECT_TRUE(folder.Names().empty());
}

TEST(ArchiveFile, AMissingFileIsTakenBackFromTheNewerCompleteSideFile)
{
    const std::string whole = kHeader + Word(1) + Short(".k") + Short("new");
    const std::string older = kHeader + Word(1) + Short(".k") + Short("old");
    // Which side file is written last, whether the new one is whole; then what the load finds.
    const struct {
        bool newLast, newWhole;
        const char* found;
    } rows[] = {{true, true, "new"}, {false, true, "old"}, {true, false, "old"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        TempFolder folder;
        for (const bool newSide : {!row.newLast, row.newLast}) {
            const std::string bytes = newSide ? whole.substr(0, whole.size() - !row.newWhole) : older;
            WriteBytes(folder.Path(newSide ? "Kestrava.dat.new" : "Kestrava.dat.old"), bytes);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        ReportCapture reports;
        CSettingsArchive archive;
        EXPECT_TRUE(archive.Load(folder.Path("Kestrava.dat")));
        EXPECT_EQ(archive.GetString("k", ""), row.found);
        EXPECT_EQ(reports.Texts().size(), 1u);
    }
}
