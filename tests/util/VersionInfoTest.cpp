#include "util/VersionInfo.h"
#include <gtest/gtest.h>
#include <string>
#include "framework/Application.h"

namespace {

std::wstring SelfPath() { return fw::ModuleFileName(nullptr); }

TEST(VersionInfo, ReadsOwnVersionBlock)
{
    CVersionInfo info;
    ASSERT_TRUE(info.LoadFrom(SelfPath()));
    EXPECT_EQ(info.Translation(), 0x040904b0u);  // the first of two translations
    EXPECT_EQ(info.FileVersionText(), "10.0.2195.1");
    EXPECT_EQ(info.QueryString("SpecialBuild"), "private test build");
    EXPECT_EQ(info.QueryString("FileDescription"), "Kestrava utility tests");
    EXPECT_EQ(info.QueryString("NoSuchString"), "");
    // Another translation for one query only.
    EXPECT_EQ(info.QueryString("SpecialBuild", 0x040704b0), "Testbau");
    EXPECT_EQ(info.QueryString("FileDescription", 0x040704b0), "");
    EXPECT_EQ(info.QueryString("SpecialBuild"), "private test build");

    VS_FIXEDFILEINFO fixed = {};
    ASSERT_TRUE(info.QueryFixedInfo(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010002u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00030004u);
}

TEST(VersionInfo, FileWithoutVersionResourceLeavesObjectEmpty)
{
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"kvi", 0, file);
    HANDLE handle = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, "just some text\r\n", 16, &written, nullptr);
    CloseHandle(handle);

    CVersionInfo info;
    EXPECT_FALSE(info.LoadFrom(file));
    EXPECT_EQ(info.FileVersionText(), "");
    EXPECT_EQ(info.QueryString("SpecialBuild"), "");
    VS_FIXEDFILEINFO fixed;
    EXPECT_FALSE(info.QueryFixedInfo(fixed));

    // Loading again replaces what an earlier load held, also on failure.
    ASSERT_TRUE(info.LoadFrom(SelfPath()));
    EXPECT_FALSE(info.LoadFrom(file));
    EXPECT_EQ(info.Translation(), 0u);
    EXPECT_EQ(info.FileVersionText(), "");
    EXPECT_FALSE(info.LoadFrom(L"C:\\no\\such\\file.exe"));
    DeleteFileW(file);
}

TEST(VersionInfo, NeverLoadedOrReleased)
{
    CVersionInfo info;
    EXPECT_EQ(info.FileVersionText(), "");
    EXPECT_EQ(info.QueryString("SpecialBuild", 0x040904b0), "");
    ASSERT_TRUE(info.LoadFrom(SelfPath()));
    ASSERT_TRUE(info.LoadFrom(SelfPath()));
    EXPECT_EQ(info.FileVersionText(), "10.0.2195.1");
    info.Release();
    EXPECT_EQ(info.Translation(), 0u);
    EXPECT_EQ(info.QueryString("SpecialBuild"), "");
}

}  // namespace
