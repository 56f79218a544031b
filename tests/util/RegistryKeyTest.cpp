#include "util/RegistryKey.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <shlwapi.h>
#include <string>
#include <vector>
#include "tests/common/MessageBoxRecorder.h"

namespace {

using BoxRecorder = CMessageBoxRecorder;

// Every test works below a key of its own under HKEY_CURRENT_USER, removed
// afterwards with the shell's own subtree deletion whatever the test did.
class RegistryKeyTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_base = "Software\\KestravaTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(GetTickCount()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        CRegistryKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base), ERROR_SUCCESS);
    }
    void TearDown() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, m_base.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KestravaTests");  // only when empty
    }
    bool Exists(const std::string& path) const
    {
        CRegistryKey key;
        return key.Open(HKEY_CURRENT_USER, m_base, path) == ERROR_SUCCESS;
    }

    std::string m_base;
    BoxRecorder m_boxes;
};

TEST_F(RegistryKeyTest, WrittenValuesReadBack)
{
    CRegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "Values"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteString("Text", "hello world"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteString("", "txtfile"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteInt("Int", -42), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteDWord("DWord", 0xFFFFFFF0u), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteBool("True", true), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteBool("False", false), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteDouble("Double", 3.25), ERROR_SUCCESS);
    const BYTE bytes[] = {1, 0, 2, 255};
    EXPECT_EQ(key.WriteBinary("Binary", bytes, sizeof bytes), ERROR_SUCCESS);
    key.Close();
    EXPECT_FALSE(key.IsOpen());

    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_base, "Values"), ERROR_SUCCESS);
    EXPECT_EQ(key.ReadString("Text", "x"), "hello world");
    EXPECT_EQ(key.ReadString("", "x"), "txtfile");  // the key's default value
    EXPECT_EQ(key.ReadInt("Int", 0), -42);
    EXPECT_EQ(key.ReadDWord("DWord", 0), 0xFFFFFFF0u);
    EXPECT_TRUE(key.ReadBool("True", false));
    EXPECT_FALSE(key.ReadBool("False", true));
    EXPECT_TRUE(key.ReadBool("Missing", true));
    EXPECT_EQ(key.ReadString("Double", ""), "3.250000");
    EXPECT_DOUBLE_EQ(key.ReadDouble("Double", 0), 3.25);

    BYTE read[8] = {};
    DWORD size = sizeof read;
    EXPECT_EQ(key.ReadBinary("Binary", read, size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(0, memcmp(read, bytes, 4));
    size = 2;
    EXPECT_EQ(key.ReadBinary("Binary", read, size), ERROR_MORE_DATA);
    EXPECT_TRUE(m_boxes.texts.empty());
}

// The narrow reader, one row per edge case: the 200-byte buffer's text up to
// its first zero, whatever the stored type; the default when the value is
// missing or does not fit the buffer.
TEST_F(RegistryKeyTest, ReadStringEdgeCases)
{
    CRegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base), ERROR_SUCCESS);
    const struct {
        const char* name;
        DWORD type;        // REG_NONE: not written
        std::string data;  // as stored: a text's terminating zero where it has one
        std::string read;
    } rows[] = {
        {"Missing", REG_NONE, "", "default"},
        {"Fits", REG_SZ, std::string(199, 'a') + '\0', std::string(199, 'a')},
        {"TooLong", REG_SZ, std::string(200, 'b') + '\0', "default"},
        {"Number", REG_DWORD, std::string("\x01\0\0\0", 4), "\x01"},  // the stored type plays no part
        {"Zero", REG_BINARY, std::string("ab\0cd", 5), "ab"},
        // No terminating zero: the reader stops at the value's end.
        {"Unterminated10", REG_BINARY, std::string(10, 'd'), std::string(10, 'd')},
        {"Unterminated200", REG_BINARY, std::string(200, 'c'), std::string(200, 'c')},
        {"Unterminated201", REG_BINARY, std::string(201, 'e'), "default"},
    };
    for (const auto& row : rows) {
        if (row.type != REG_NONE)
            RegSetValueExA(key.Handle(), row.name, 0, row.type, reinterpret_cast<const BYTE*>(row.data.data()),
                           static_cast<DWORD>(row.data.size()));
    }
    const int wideLengths[] = {199, 200, 1000};
    for (const int length : wideLengths)
        key.WriteString("Wide" + std::to_string(length), std::string(length, 'w'));
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_base), ERROR_SUCCESS);  // created keys are write-only
    for (const auto& row : rows)
        EXPECT_EQ(key.ReadString(row.name, "default"), row.read) << row.name;
    // The wide reader takes a value at its length, the 8-bit one at most 199 characters.
    for (const int length : wideLengths)
        EXPECT_EQ(key.ReadString(L"Wide" + std::to_wstring(length), L"default"), std::wstring(length, L'w')) << length;
}

TEST_F(RegistryKeyTest, NumbersFallBackToDefaults)
{
    CRegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base), ERROR_SUCCESS);
    const unsigned long long eight = 0x1122334455667788ull;
    key.WriteBinary("Eight", &eight, sizeof eight);
    key.WriteBinary("Two", "\x34\x12", 2);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_base), ERROR_SUCCESS);

    EXPECT_EQ(key.ReadInt("Eight", 77), 77);
    EXPECT_EQ(key.ReadDWord("Eight", 78), 78u);
    EXPECT_EQ(key.ReadDWord("Two", 0), 0x1234u);  // shorter values are zero-extended
    EXPECT_DOUBLE_EQ(key.ReadDouble("Missing", 0.1234567), 0.123457);  // the default passes through "%f"
    EXPECT_DOUBLE_EQ(key.ReadDouble("Missing", -2.5), -2.5);
}

TEST_F(RegistryKeyTest, NoOpenKeyFailsWithInvalidHandle)
{
    CRegistryKey key;
    EXPECT_NE(key.Open(HKEY_CURRENT_USER, m_base, "Missing"), ERROR_SUCCESS);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(key.ReadString("", "d"), "d");
    EXPECT_EQ(key.ReadInt("x", 5), 5);
    EXPECT_EQ(key.WriteString("x", "y"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key.WriteDWord("x", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key.WriteBinary("x", "a", 1), ERROR_INVALID_HANDLE);
    DWORD size = 4;
    char buffer[4];
    EXPECT_EQ(key.ReadBinary("x", buffer, size), ERROR_INVALID_HANDLE);

    // A key opened for reading refuses writes with the registry's own code.
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_base), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteString("x", "y"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryKeyTest, PathPartsJoinOnlyNonEmptyParts)
{
    EXPECT_EQ(CRegistryKey::FullPath("a", "", ""), "a");
    EXPECT_EQ(CRegistryKey::FullPath("a", "b", "c"), "a\\b\\c");
    EXPECT_EQ(CRegistryKey::FullPath("a", "", "c"), "a\\c");

    CRegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "One", "Two"), ERROR_SUCCESS);
    EXPECT_TRUE(Exists("One\\Two"));
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, m_base, "", "One"), ERROR_SUCCESS);
}

TEST_F(RegistryKeyTest, CreateFailureShowsMessageWithKeyName)
{
    CRegistryKey key;
    // A root that is no open key makes creation fail; its name is empty, so
    // the key name starts with a backslash.
    const HKEY bogusRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x00BAD000));
    const LONG rc = key.Create(bogusRoot, "Kestrava", "Sub");
    ASSERT_NE(rc, ERROR_SUCCESS);
    EXPECT_FALSE(key.IsOpen());
    ASSERT_EQ(m_boxes.texts.size(), 1u);
    char systemText[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, rc, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), systemText,
                   255, nullptr);
    EXPECT_EQ(m_boxes.texts[0],
              std::string("Error opening writable key in the system Registry:\n\\Kestrava\n") + systemText);
    EXPECT_EQ(m_boxes.types[0] & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(m_boxes.types[0] & MB_TYPEMASK, static_cast<UINT>(MB_OK));

    // Below HKEY_CLASSES_ROOT a name with a component past the registry's
    // 255-character limit cannot be created either.
    m_boxes.texts.clear();
    ASSERT_NE(key.Create(HKEY_CLASSES_ROOT, std::string(300, 'k')), ERROR_SUCCESS);
    ASSERT_EQ(m_boxes.texts.size(), 1u);
    EXPECT_EQ(m_boxes.texts[0].find("Error opening writable key in the system Registry:\n\\kkk"), 0u);
}

TEST_F(RegistryKeyTest, CreateErrorMessageNamesTheRoot)
{
    const std::string text = CRegistryKey::CreateErrorMessage(HKEY_CURRENT_USER, "Software\\X", ERROR_ACCESS_DENIED);
    EXPECT_EQ(text.find("Error opening writable key in the system Registry:\nHKEY_CURRENT_USER\\Software\\X\n"), 0u);
    EXPECT_GT(text.size(), sizeof "Error opening writable key in the system Registry:\nHKEY_CURRENT_USER\\Software\\X\n");
    const size_t line2 = std::string("Error opening writable key in the system Registry:").size();
    EXPECT_EQ(CRegistryKey::CreateErrorMessage(HKEY_LOCAL_MACHINE, "A", 5).find("\nHKEY_LOCAL_MACHINE\\A\n"), line2);
    EXPECT_EQ(CRegistryKey::CreateErrorMessage(HKEY_USERS, "A", 5).find("\nHKEY_USERS\\A\n"), line2);
    EXPECT_EQ(CRegistryKey::CreateErrorMessage(HKEY_CLASSES_ROOT, "A", 5).find("\n\\A\n"), line2);
}

TEST_F(RegistryKeyTest, Listings)
{
    std::vector<std::string> names = {"stale"};
    EXPECT_EQ(CRegistryKey::EnumSubKeys(HKEY_CURRENT_USER, m_base, names), ERROR_SUCCESS);
    EXPECT_TRUE(names.empty());

    names = {"kept"};
    EXPECT_EQ(CRegistryKey::EnumSubKeys(HKEY_CURRENT_USER, m_base + "\\Missing", names), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
    EXPECT_EQ(CRegistryKey::EnumValueNames(HKEY_CURRENT_USER, m_base + "\\Missing", names), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(names, std::vector<std::string>{"kept"});

    CRegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "Beta"), ERROR_SUCCESS);
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "Alpha"), ERROR_SUCCESS);
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base), ERROR_SUCCESS);
    const std::string longName(300, 'v');  // longer than a key name may be
    key.WriteDWord("First", 1);
    key.WriteDWord(longName, 2);
    key.WriteDWord("Last", 3);
    key.Close();

    EXPECT_EQ(CRegistryKey::EnumSubKeys(HKEY_CURRENT_USER, m_base, names), ERROR_SUCCESS);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(CRegistryKey::EnumValueNames(HKEY_CURRENT_USER, m_base, names), ERROR_SUCCESS);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"First", "Last", longName}));
}

TEST_F(RegistryKeyTest, DeleteKeyRemovesWholeSubtree)
{
    CRegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "Top\\Middle\\Bottom"), ERROR_SUCCESS);
    key.WriteString("v", "x");
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "Top\\Middle2"), ERROR_SUCCESS);
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "Top\\Middle\\Bottom2\\Deeper"), ERROR_SUCCESS);
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_base, "Sibling"), ERROR_SUCCESS);
    key.Close();

    EXPECT_EQ(CRegistryKey::DeleteKey(HKEY_CURRENT_USER, m_base, "Top"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists("Top"));
    EXPECT_TRUE(Exists("Sibling"));

    EXPECT_NE(CRegistryKey::DeleteKey(HKEY_CURRENT_USER, m_base, "Top"), ERROR_SUCCESS);  // already gone
    EXPECT_EQ(CRegistryKey::DeleteKey(HKEY_CURRENT_USER, m_base, "Sibling"), ERROR_SUCCESS);

    // An empty path would name the root itself: refused, nothing removed.
    EXPECT_EQ(CRegistryKey::DeleteKey(HKEY_CURRENT_USER, ""), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(Exists(""));
}

}  // namespace
