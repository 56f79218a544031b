#include <gtest/gtest.h>
#include "ReportCapture.h"
#include "StoreTestUtil.h"
#include "TempFolder.h"
#include "store/ArchiveCodec.h"
#include "store/HotKeyTable.h"
#include "store/SettingsArchive.h"

using namespace storetest;

namespace {

std::string Saved(const CHotKeyTable& table)
{
    CSettingsArchive archive;
    table.SaveToArchive(archive);
    return store::EncodeArchive(archive.Version(), archive.Values());
}

// The empty table's file with each key's empty value replaced by the given bytes.
std::string WithValues(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string bytes = Corpus("empty-table.dat");
    for (const auto& [key, value] : values) {
        const std::size_t at = bytes.find(Short(key) + '\0');
        bytes.replace(at, key.size() + 2, Short(key) + value);
    }
    return bytes;
}

// The empty table's file with W.Target's empty value replaced by value's bytes.
std::string WithWTarget(const std::string& value) { return WithValues({{"W.Target", value}}); }

// The archive's wide string of a short text of 16-bit characters: FF FE FF,
// the length, the UTF-16LE units.
std::string Wide(const std::wstring& text)
{
    std::string bytes = Bytes({0xFF, 0xFE, 0xFF, static_cast<int>(text.size())});
    for (const wchar_t c : text)
        bytes += Bytes({static_cast<int>(c & 0xFF), static_cast<int>(c >> 8)});
    return bytes;
}

// U+62A5 U+544A: "report" in two Chinese letters.
const wchar_t kWideName[] = L"C:\\docs\\\u62A5\u544A.txt";

}  // namespace

TEST(HotKeyTable, LettersHaveTheirOwnSlotsAndEverythingElseTheSpare)
{
    CHotKeyTable table;
    CHotKeyEntry* spare = &table.GetEntry(static_cast<signed char>(97));
    for (const int code : {64, 91, 200, -56, 0, int('a'), int('z'), int('0'), 127, -128})
        EXPECT_EQ(&table.GetEntry(static_cast<signed char>(code)), spare) << code;
    for (int code = 'A'; code <= 'Z'; ++code)
        EXPECT_NE(&table.GetEntry(static_cast<signed char>(code)), spare);

    table.GetEntry(65).m_command = L"first";
    table.GetEntry(90).m_command = L"last";
    spare->m_command = L"never saved";
    CSettingsArchive archive;
    table.SaveToArchive(archive);
    EXPECT_EQ(archive.Values().Size(), 78u);
    EXPECT_EQ(*archive.Values().Find("A.Target"), "first");
    EXPECT_EQ(*archive.Values().Find("Z.Target"), "last");
}

TEST(HotKeyTable, EmptyTableIsThe660ByteFile)
{
    const std::string bytes = Saved(CHotKeyTable());
    ASSERT_EQ(bytes.size(), 660u);
    EXPECT_EQ(bytes.substr(0, 10), kHeader + Bytes({0x4E, 0x00}));

    // Keys as they stand in the file: length byte, key, empty value.
    std::vector<std::string> keys;
    for (std::size_t at = 10; at < bytes.size();) {
        const std::size_t length = static_cast<unsigned char>(bytes[at]);
        keys.push_back(bytes.substr(at + 1, length));
        EXPECT_EQ(bytes[at + 1 + length], '\0');
        at += length + 2;
    }
    ASSERT_EQ(keys.size(), 78u);
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + 4),
              (std::vector<std::string>{"Z.Args", "X.Dir", "W.Target", "I.Args"}));
    // The whole order, from a file written by the tests' own encoder.
    EXPECT_EQ(bytes, Corpus("empty-table.dat"));
}

TEST(HotKeyTable, OnlyWSetStillWritesAll78Keys)
{
    CHotKeyTable table;
    table.GetEntry('W').m_command = L"winhlp32.exe";
    table.GetEntry('W').m_directory = L"C:\\Temp";
    CSettingsArchive archive;
    table.SaveToArchive(archive);
    EXPECT_EQ(archive.Values().Size(), 78u);
    EXPECT_EQ(*archive.Values().Find("W.Dir"), "C:\\Temp");
    EXPECT_EQ(*archive.Values().Find("W.Args"), "");
    EXPECT_EQ(Saved(table).size(), 660u + 12 + 7);
}

TEST(HotKeyTable, LoadOverwritesEveryLetterAndLeavesTheSpare)
{
    CHotKeyTable table;
    table.GetEntry('C').m_arguments = L"old";
    table.GetEntry('Q').m_command = L"old";
    table.GetEntry('#').m_command = L"spare";
    CSettingsArchive archive;
    archive.PutString("ignored", "x");
    archive.SetSection("C");
    archive.PutString("Target", "notepad.exe");
    table.LoadFromArchive(archive);

    EXPECT_EQ(table.GetEntry('C').m_command, L"notepad.exe");
    EXPECT_EQ(table.GetEntry('C').m_arguments, L"");
    EXPECT_EQ(table.GetEntry('C').m_directory, L"");
    EXPECT_TRUE(table.GetEntry('Q').IsEmpty());
    EXPECT_EQ(table.GetEntry('#').m_command, L"spare");
}

TEST(HotKeyTable, FilesRoundTripEveryEntry)
{
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    CHotKeyTable table;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        CHotKeyEntry& entry = table.GetEntry(letter);
        entry.m_command = std::wstring(L"C:\\Program Files\\\"") + wchar_t(letter) + L"\u00E9\u00FF.exe";
        entry.m_arguments = letter % 2 ? L"" : L"  -x \"a b\"  ";
        entry.m_directory = std::wstring(letter == 'M' ? 300 : 3, wchar_t(letter));
    }
    ReportCapture reports;
    table.SaveToFile(path);
    CHotKeyTable loaded;
    loaded.LoadFromFile(path);
    EXPECT_TRUE(reports.Texts().empty());
    // The bytes, worked by hand: "\u00E9\u00FF" is 8-bit E9 FF in Windows' code page 1252,
    // and wide where the host build knows ASCII alone; M's 300-letter folder takes FF and 16 bits.
    std::vector<std::pair<std::string, std::string>> expected;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string prefix = std::string("C:\\Program Files\\\"") + letter;
#ifdef _WIN32
        expected.push_back({letter + std::string(".Target"), Short(prefix + "\xE9\xFF.exe")});
#else
        expected.push_back({letter + std::string(".Target"),
                            Wide(std::wstring(prefix.begin(), prefix.end()) + L"\u00E9\u00FF.exe")});
#endif
        expected.push_back({letter + std::string(".Args"), Short(letter % 2 ? "" : "  -x \"a b\"  ")});
        const std::string folder = letter == 'M' ? Bytes({0xFF}) + Word(300) + std::string(300, 'M')
                                                 : Short(std::string(3, letter));
        expected.push_back({letter + std::string(".Dir"), folder});
    }
    EXPECT_EQ(ReadBytes(path), WithValues(expected));
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        EXPECT_EQ(loaded.GetEntry(letter).m_command, table.GetEntry(letter).m_command);
        EXPECT_EQ(loaded.GetEntry(letter).m_arguments, table.GetEntry(letter).m_arguments);
        EXPECT_EQ(loaded.GetEntry(letter).m_directory, table.GetEntry(letter).m_directory);
    }
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Kestrava.dat"});  // no temporary file left beside it
}

TEST(HotKeyTable, MissingFileAndOtherHeaderGiveAnEmptyTableSilently)
{
    TempFolder folder;
    WriteBytes(folder.Path("other.dat"), Short("<<1.2>>") + Word(1) + Short("C.Target") + Short("x"));
    WriteBytes(folder.Path("short.dat"), kHeader + Word(2) + Short("C.Target") + Short("x"));
    WriteBytes(folder.Path("good.dat"), File({{"A.Target", "a"}}));
    // Only a missing file means there is nothing a save could lose.
    const std::pair<const char*, bool> cases[] = {
        {"missing.dat", true}, {"other.dat", false}, {"short.dat", false}, {"good.dat", true}};
    ReportCapture reports;
    for (const auto& [name, readable] : cases) {
        CHotKeyTable table;
        table.GetEntry('C').m_command = L"stale";
        EXPECT_EQ(table.LoadFromFile(folder.Path(name)), readable) << name;
        EXPECT_EQ(table.GetEntry('C').m_command, std::string(name) == "short.dat" ? L"x" : L"") << name;
    }
    EXPECT_EQ(reports.Texts(), std::vector<std::string>{"An attempt was made to access an unnamed file past its end."});
}

TEST(HotKeyTable, SaveKeepingTheOldFileMakesItTheBackupAndNeverReplacesAnEarlierOne)
{
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    const std::string old = Short("<<2.0>>") + "keys of another version";
    CHotKeyTable table;
    ReportCapture reports;
    WriteBytes(path, old);
    table.GetEntry('W').m_command = L"w.exe";
    EXPECT_TRUE(table.SaveToFile(path, true));
    EXPECT_EQ(ReadBytes(path), WithValues({{"W.Target", Short("w.exe")}}));  // the same bytes as any save
    EXPECT_EQ(ReadBytes(folder.Path("Kestrava.dat.bak")), old);

    // A second unreadable file: the backup may hold the only good copy.
    WriteBytes(path, "a later one");
    EXPECT_FALSE(table.SaveToFile(path, true));
    EXPECT_EQ(ReadBytes(path), "a later one");
    EXPECT_TRUE(table.SaveToFile(path));  // a plain save keeps no backup
    EXPECT_EQ(ReadBytes(folder.Path("Kestrava.dat.bak")), old);
    const std::vector<std::string> texts = reports.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("Kestrava.dat.bak already holds a file that could not be read"), std::string::npos);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Kestrava.dat", "Kestrava.dat.bak"}));
}

TEST(HotKeyTable, ValuesStay8BitUnlessOnlyAWideStringHoldsThem)
{
    // An ANSI value gives exactly the bytes of an 8-bit-only writer.
    CHotKeyTable table;
    table.GetEntry('W').m_command = L"C:\\docs\\report.txt";
    EXPECT_EQ(Saved(table), WithWTarget(Short("C:\\docs\\report.txt")));

    // One value outside the code page: a wide string there, every other byte as before.
    table.GetEntry('W').m_command = kWideName;
    EXPECT_EQ(Saved(table), WithWTarget(Wide(kWideName)));
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    ReportCapture reports;
    table.SaveToFile(path);
    CHotKeyTable loaded;
    EXPECT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(loaded.GetEntry('W').m_command, kWideName);
    EXPECT_EQ(Saved(loaded), WithWTarget(Wide(kWideName)));
    EXPECT_TRUE(reports.Texts().empty());

    // A wide string read from the file stays wide while untouched, even where
    // the code page holds it; edited, it becomes 8-bit.
    WriteBytes(path, WithWTarget(Wide(L"notes")));
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.GetEntry('W').m_command, L"notes");
    EXPECT_EQ(Saved(loaded), WithWTarget(Wide(L"notes")));
    loaded.GetEntry('W').m_command = L"notes2";
    EXPECT_EQ(Saved(loaded), WithWTarget(Short("notes2")));
}

#ifdef _WIN32
// Windows' own tables, whatever code page the run has: what a code page holds
// exactly is 8-bit text, anything else a wide string.
TEST(HotKeyTable, EachCodePageStoresExactlyWhatItHolds)
{
    const struct {
        unsigned codePage;
        std::wstring text;
        std::string ansi;  // empty: wide
    } rows[] = {
        {1252, L"caf\u00E9 \u0081\u009D", "caf\xE9 \x81\x9D"},
        {1252, L"\u0141\u00F3d\u017A", ""},       // best fit: "Lodz"
        {1252, L"\u221E", ""},                       // best fit: "8"
        {932, L"C:\\\u00A5", ""},                   // best fit: 5C, a backslash
        {932, L"\u301C", ""},                        // Windows' best fit: 81 60 (Wine's: none)
        {932, L"\u8868", "\x95\x5C"},                // a second byte that is a backslash's
        {936, L"\u62A5\u544A", "\xB1\xA8\xB8\xE6"},
        {65001, L"\u0141\u221E", ""},              // UTF-8 bytes read back otherwise once 65001 is off
        {65001, L"C:\\x.exe", "C:\\x.exe"},
        {65001, L"x\xD800y", ""},                     // an unpaired surrogate has no UTF-8
    };
    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.codePage << " row " << &row - rows);
        CHotKeyTable table(row.codePage);
        table.GetEntry('W').m_command = row.text;
        const std::string saved = Saved(table);
        EXPECT_EQ(saved, WithWTarget(row.ansi.empty() ? Wide(row.text) : Short(row.ansi)));
        WriteBytes(path, saved);
        CHotKeyTable loaded(row.codePage);
        EXPECT_TRUE(loaded.LoadFromFile(path));
        EXPECT_EQ(loaded.GetEntry('W').m_command, row.text);
    }

    // Untouched, a wide value stays wide under a code page that holds it.
    const std::wstring tools = L"C:\\\u5DE5\u5177\\x.exe";
    for (const unsigned codePage : {936u, 65001u}) {
        WriteBytes(path, WithWTarget(Wide(tools)));
        CHotKeyTable table(codePage);
        EXPECT_TRUE(table.LoadFromFile(path));
        EXPECT_EQ(Saved(table), WithWTarget(Wide(tools))) << codePage;
    }

    // A lone lead byte means nothing in 932, yet an untouched value keeps it;
    // edited and edited back, it is untouched again.
    const std::string lone = WithWTarget(Short("x\x81"));
    WriteBytes(path, lone);
    CHotKeyTable table(932);
    EXPECT_TRUE(table.LoadFromFile(path));
    EXPECT_EQ(Saved(table), lone);
    const std::wstring read = table.GetEntry('W').m_command;
    table.GetEntry('W').m_command = L"x";
    EXPECT_EQ(Saved(table), WithWTarget(Short("x")));
    table.GetEntry('W').m_command = read;
    EXPECT_EQ(Saved(table), lone);
}
#endif

TEST(HotKeyTable, TheChoiceToRaiseIsAFourthKeyWrittenOnlyWhereSet)
{
    CHotKeyTable table;
    table.GetEntry('N').m_command = L"notepad.exe";
    table.GetEntry('N').m_raise = true;
    EXPECT_EQ(Saved(table), Corpus("raise-key.dat"));  // made by the tests' own encoder

    TempFolder folder;
    const auto path = folder.Path("Kestrava.dat");
    WriteBytes(path, Corpus("raise-key.dat"));
    CHotKeyTable loaded;
    loaded.GetEntry('A').m_raise = true;
    EXPECT_TRUE(loaded.LoadFromFile(path));
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        EXPECT_EQ(loaded.GetEntry(letter).m_raise, letter == 'N') << letter;
}
