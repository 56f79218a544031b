#include <gtest/gtest.h>
#include "TestWindows.h"
#include "framework/ToolTip.h"
#include "store/HotKeyEntry.h"
#include "ui/EditHotKeysDialog.h"
#include "ui/LetterLabel.h"

namespace {

TEST(LetterLabel, AttachingSetsNotifyFontTipAndCursor)
{
    TestParent parent;
    const HWND control = parent.Child("STATIC", "&Q", SS_CENTER, 10, 10, 12, 12, 1016);
    CLetterLabel label;
    label.SetControlId(1016);
    ASSERT_TRUE(label.SubclassWindow(control));
    EXPECT_TRUE(GetWindowLongA(control, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(label.GetTipText(), L"&Q");
    LOGFONTA font;
    GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_TRUE(font.lfUnderline);
    ASSERT_NE(label.GetHandCursor(), nullptr);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), label.GetHandCursor());
    EXPECT_TRUE(IsHandCursor(GetCursor()));
    EXPECT_FALSE(SameCursorImage(GetCursor(), LoadCursorA(nullptr, IDC_ARROW)));
}

TEST(LetterLabel, ClickPostsOneCommandWithZeroLParam)
{
    TestParent parent;
    const HWND control = parent.Child("STATIC", "&C", SS_CENTER, 10, 10, 12, 12, 1002);
    CLetterLabel label;
    label.SetControlId(1002);
    ASSERT_TRUE(label.SubclassWindow(control));
    TakePosted(parent.get(), WM_COMMAND);
    LRESULT result = -1;
    ASSERT_TRUE(label.OnReflectedMessage(WM_COMMAND, MAKEWPARAM(1002, STN_CLICKED), reinterpret_cast<LPARAM>(control),
                                         result));
    MSG posted{};
    EXPECT_EQ(TakePosted(parent.get(), WM_COMMAND, &posted), 1);
    EXPECT_EQ(posted.wParam, 1002u);
    EXPECT_EQ(posted.lParam, 0);
    EXPECT_FALSE(label.IsSelected());  // the dialog decides
}

TEST(LetterLabel, HoverWinsOverSelected)
{
    TestParent parent;
    parent.ShowOffScreen();
    const HWND control = parent.Child("STATIC", "&A", SS_CENTER, 10, 10, 12, 12, 1000);
    CLetterLabel label;
    ASSERT_TRUE(label.SubclassWindow(control));
    EXPECT_EQ(label.TextColour(), RGB(0, 0, 238));
    label.SetSelected(true);
    EXPECT_EQ(label.TextColour(), RGB(128, 0, 0));
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(label.TextColour(), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(GetCapture(), control);
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));  // a move within stays hovering
    EXPECT_TRUE(label.IsHovering());

    const HDC dc = GetDC(control);
    LRESULT brush = 0;
    ASSERT_TRUE(label.OnReflectedMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(control), brush));
    EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
    ReleaseDC(control, dc);

    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(30, 3));  // off the label
    EXPECT_EQ(label.TextColour(), RGB(128, 0, 0));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(LetterLabel, LosingCaptureEndsHover)
{
    TestParent parent;
    parent.ShowOffScreen();
    const HWND control = parent.Child("STATIC", "&A", SS_CENTER, 10, 10, 12, 12, 1000);
    CLetterLabel label;
    ASSERT_TRUE(label.SubclassWindow(control));
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ASSERT_TRUE(label.IsHovering());
    SetCapture(parent.get());  // e.g. a box opened by the click
    EXPECT_FALSE(label.IsHovering());
    ReleaseCapture();
}

TEST(ToolTip, WrapsAtBlanksThenSeparatorsThenAnywhere)
{
    const auto tenPixels = [](const std::wstring& text) { return static_cast<int>(text.size()) * 10; };
    const std::pair<const wchar_t*, const wchar_t*> table[] = {
        {L"aaaa bbbb cccc", L"aaaa bbbb \ncccc"},
        {L"xy abcdefghij klm", L"xy \nabcdefghij \nklm"},  // fits alone, not with its blank
        {L"C:\\Program\\Tools\\run.bat", L"C:\\\nProgram\\\nTools\\\nrun.bat"},
        {L"x C:/a/bb/ccc/dddd", L"x C:/a/bb/\nccc/dddd"},
        {L"abcdefghijklmno", L"abcdefghij\nklmno"},
        {L"one\ntwo", L"one\ntwo"},
        // Any script; a character beyond 16 bits (a surrogate pair) is never split.
        {L"C:\\\u62A5\u544A\\\u62A5\u544A.txt", L"C:\\\u62A5\u544A\\\n\u62A5\u544A.txt"},
        {L"abcdefghi\U0001F600x", L"abcdefghi\n\U0001F600x"},
    };
    for (const auto& [text, wrapped] : table)
        EXPECT_EQ(fw::WrapTipText(text, 100, tenPixels), wrapped);
}

TEST(EditHotKeysDialog, LetterTips)
{
    CHotKeyEntry entry;
    EXPECT_EQ(CEditHotKeysDialog::LetterTip('Q', entry), L"Win + Q: (not assigned)");
    entry.m_command = L"C:\\Tools\\run.bat";
    EXPECT_EQ(CEditHotKeysDialog::LetterTip('Q', entry), L"Win + Q: C:\\Tools\\run.bat");
    entry.m_arguments = L"-x";
    EXPECT_EQ(CEditHotKeysDialog::LetterTip('B', entry), L"Win + B: C:\\Tools\\run.bat -x");
    entry.m_command = L"C:\\docs\\\u62A5\u544A.txt";  // shown in any script
    EXPECT_EQ(CEditHotKeysDialog::LetterTip('B', entry), L"Win + B: C:\\docs\\\u62A5\u544A.txt -x");
}

// The other hints are read from the real dialog by the held-letter scenario.
TEST(EditHotKeysDialog, HintLineForALetterWindowsKeeps)
{
    const uint32_t held = (1u << ('S' - 'A')) | (1u << ('Z' - 'A'));
    EXPECT_EQ(CEditHotKeysDialog::HintText('Z', held, false), "Windows keeps Win + Z: it will not reach Kestrava.");
}

}  // namespace
