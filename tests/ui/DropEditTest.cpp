#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include <vector>
#include "TestWindows.h"
#include "ui/DropEdit.h"
#include "tests/common/MakeDrop.h"

namespace {


class DropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // A folder and a target named with letters outside the ANSI code page.
        m_dir = std::wstring(temp) + L"kestrava_drop_test \u62A5\u544A";
        CreateDirectoryW(m_dir.c_str(), nullptr);
        m_file = m_dir + L"\\\u62A5\u544A.exe";
        m_other = m_dir + L"\\second.bat";
        for (const auto& path : {m_file, m_other}) {
            const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(file);
        }
        m_shortcut = m_dir + L"\\tool.lnk";
        ASSERT_TRUE(MakeShortcut(m_shortcut, m_file));
    }
    void TearDown() override
    {
        DeleteFileW(m_file.c_str());
        DeleteFileW(m_other.c_str());
        DeleteFileW(m_shortcut.c_str());
        RemoveDirectoryW(m_dir.c_str());
        CoUninitialize();
    }
    static bool MakeShortcut(const std::wstring& at, const std::wstring& target)
    {
        fw::ComPtr<IShellLinkW> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
            return false;
        link->SetPath(target.c_str());
        fw::ComPtr<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
            return false;
        return SUCCEEDED(file->Save(at.c_str(), TRUE));
    }

    std::wstring m_dir, m_file, m_other, m_shortcut;
};

TEST_F(DropTest, DroppedPathOfFileFilesShortcutAndFolder)
{
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_file})), m_file);
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_other, m_file, m_dir})), m_other);  // only the first counts
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_shortcut})), m_file);               // the target, not the .lnk
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_dir})), m_dir);
    EXPECT_EQ(GetDroppedPath(MakeDrop({})), L"");
}

TEST_F(DropTest, ResolveShortcut)
{
    EXPECT_EQ(ResolveShortcut(m_shortcut), m_file);
    EXPECT_EQ(ResolveShortcut(m_file), L"");  // not a shortcut
    EXPECT_EQ(ResolveShortcut(m_dir + L"\\missing.lnk"), L"");
    EXPECT_EQ(ResolveShortcut(L""), L"");
}

TEST_F(DropTest, FileModeTakesFilesAndShortcutsOnly)
{
    TestParent parent;
    const HWND control = parent.Child("EDIT", "old", ES_AUTOHSCROLL, 0, 0, 200, 20);
    CDropEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(control));
    TakePosted(parent.get(), WM_DROPEDIT_NOTIFY);

    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_dir})), 0);
    EXPECT_EQ(edit.GetWindowText(), L"old");
    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_dir + L"\\gone.exe"})), 0);
    EXPECT_EQ(edit.GetWindowText(), L"old");
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY), 0);

    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_shortcut})), 0);
    EXPECT_EQ(edit.GetWindowText(), m_file);
    EXPECT_EQ(edit.GetNotifyWindow(), parent.get());
    MSG posted{};
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY, &posted), 1);
    EXPECT_EQ(posted.wParam, 0u);
    EXPECT_EQ(posted.lParam, 0);

    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_other, m_file})), 0);
    EXPECT_EQ(edit.GetWindowText(), m_other);  // replaced whole, first name only
}

TEST_F(DropTest, FolderModeTakesFoldersOnly)
{
    TestParent parent;
    const HWND control = parent.Child("EDIT", "", ES_AUTOHSCROLL, 0, 0, 200, 20);
    CDropEdit edit;
    edit.SetFolderMode(true);
    ASSERT_TRUE(edit.SubclassWindow(control));
    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_file})), 0);
    EXPECT_EQ(edit.GetWindowText(), L"");
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY), 0);
    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_dir})), 0);
    EXPECT_EQ(edit.GetWindowText(), m_dir);
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY), 1);
}

}  // namespace
