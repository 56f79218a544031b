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
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "kestrava_drop_test";
        CreateDirectoryA(m_dir.c_str(), nullptr);
        m_file = m_dir + "\\tool.exe";
        m_other = m_dir + "\\second.bat";
        for (const auto& path : {m_file, m_other}) {
            const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(file);
        }
        m_shortcut = m_dir + "\\tool.lnk";
        ASSERT_TRUE(MakeShortcut(m_shortcut, m_file));
    }
    void TearDown() override
    {
        DeleteFileA(m_file.c_str());
        DeleteFileA(m_other.c_str());
        DeleteFileA(m_shortcut.c_str());
        RemoveDirectoryA(m_dir.c_str());
        CoUninitialize();
    }
    static bool MakeShortcut(const std::string& at, const std::string& target)
    {
        fw::ComPtr<IShellLinkA> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
            return false;
        link->SetPath(target.c_str());
        fw::ComPtr<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
            return false;
        std::wstring wide(at.begin(), at.end());
        return SUCCEEDED(file->Save(wide.c_str(), TRUE));
    }

    std::string m_dir, m_file, m_other, m_shortcut;
};

TEST_F(DropTest, DroppedPathOfFileFilesShortcutAndFolder)
{
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_file})), m_file);
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_other, m_file, m_dir})), m_other);  // only the first counts
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_shortcut})), m_file);               // the target, not the .lnk
    EXPECT_EQ(GetDroppedPath(MakeDrop({m_dir})), m_dir);
    EXPECT_EQ(GetDroppedPath(MakeDrop({})), "");
}

TEST_F(DropTest, ResolveShortcut)
{
    EXPECT_EQ(ResolveShortcut(m_shortcut), m_file);
    EXPECT_EQ(ResolveShortcut(m_file), "");  // not a shortcut
    EXPECT_EQ(ResolveShortcut(m_dir + "\\missing.lnk"), "");
    EXPECT_EQ(ResolveShortcut(""), "");
}

TEST_F(DropTest, FileModeTakesFilesAndShortcutsOnly)
{
    TestParent parent;
    const HWND control = parent.Child("EDIT", "old", ES_AUTOHSCROLL, 0, 0, 200, 20);
    CDropEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(control));
    TakePosted(parent.get(), WM_DROPEDIT_NOTIFY);

    SendMessageA(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_dir})), 0);
    EXPECT_EQ(edit.GetWindowText(), "old");
    SendMessageA(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_dir + "\\gone.exe"})), 0);
    EXPECT_EQ(edit.GetWindowText(), "old");
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY), 0);

    SendMessageA(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_shortcut})), 0);
    EXPECT_EQ(edit.GetWindowText(), m_file);
    EXPECT_EQ(edit.GetNotifyWindow(), parent.get());
    MSG posted{};
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY, &posted), 1);
    EXPECT_EQ(posted.wParam, 0u);
    EXPECT_EQ(posted.lParam, 0);

    SendMessageA(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_other, m_file})), 0);
    EXPECT_EQ(edit.GetWindowText(), m_other);  // replaced whole, first name only
}

TEST_F(DropTest, FolderModeTakesFoldersOnly)
{
    TestParent parent;
    const HWND control = parent.Child("EDIT", "", ES_AUTOHSCROLL, 0, 0, 200, 20);
    CDropEdit edit;
    edit.SetFolderMode(true);
    ASSERT_TRUE(edit.SubclassWindow(control));
    SendMessageA(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_file})), 0);
    EXPECT_EQ(edit.GetWindowText(), "");
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY), 0);
    SendMessageA(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({m_dir})), 0);
    EXPECT_EQ(edit.GetWindowText(), m_dir);
    EXPECT_EQ(TakePosted(parent.get(), WM_DROPEDIT_NOTIFY), 1);
}

}  // namespace
