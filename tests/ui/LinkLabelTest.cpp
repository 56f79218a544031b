#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "TestWindows.h"
#include "framework/Application.h"
#include "ui/AboutDialog.h"
#include "ui/LinkLabel.h"
#include "ui/resource.h"
#include "tests/common/MessageBoxRecorder.h"

namespace {

using CapturingApplication = CMessageBoxRecorder;

TEST(ReportLaunchError, EveryCodeHasItsReason)
{
    const std::vector<std::pair<int, std::string>> table = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
    };
    CapturingApplication app;
    for (const auto& [code, reason] : table)
        ReportLaunchError(code);
    ASSERT_EQ(app.texts.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(app.texts[i], "Unable to open hyperlink:\n\n" + table[i].second) << "code " << table[i].first;
        EXPECT_EQ(app.types[i], static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
    }
}

TEST(ReportLaunchError, OtherCodesAreUnknownErrors)
{
    CapturingApplication app;
    for (int code : {1, 4, 6, 7, 9, 10, 12, 25, -1, 33, 2147483647})
        ReportLaunchError(code);
    const std::vector<std::string> expected = {"1", "4", "6", "7", "9", "10", "12", "25", "-1", "33", "2147483647"};
    ASSERT_EQ(app.texts.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(app.texts[i], "Unable to open hyperlink:\n\nUnknown Error (" + expected[i] + ") occurred.");
}

TEST(ReadRegistryDefault, ReadsEmptyAndOverlongValues)
{
    const char* base = "Software\\KestravaUiTest";
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, base, &key), ERROR_SUCCESS);
    RegSetValueW(key, L"short", REG_SZ, L"\u62A5\u544A value", 8);  // any script
    const std::string longText(400, 'x');
    RegSetValueA(key, "long", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size()));
    HKEY empty;
    ASSERT_EQ(RegCreateKeyA(key, "novalue", &empty), ERROR_SUCCESS);
    RegCloseKey(empty);
    RegCloseKey(key);

    const std::wstring path(base, base + std::strlen(base));
    std::wstring text = L"old";
    EXPECT_EQ(ReadRegistryDefault(HKEY_CURRENT_USER, path + L"\\short", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"\u62A5\u544A value");
    text = L"old";
    EXPECT_EQ(ReadRegistryDefault(HKEY_CURRENT_USER, path + L"\\long", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"");  // does not fit the 260 characters: empty, not cut
    text = L"old";
    EXPECT_EQ(ReadRegistryDefault(HKEY_CURRENT_USER, path + L"\\novalue", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"");
    text = L"old";
    EXPECT_NE(ReadRegistryDefault(HKEY_CURRENT_USER, path + L"\\missing", text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"old");
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(base) + "\\short").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(base) + "\\long").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(base) + "\\novalue").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, base);
}

// The About box's link is centred (SS_CENTER): attaching fits the control to
// its text and keeps it centred where it was. In the test window's font
// (DEFAULT_GUI_FONT, underlined) the link measures 166 x 13 pixels under Wine 8,
// so a 300 x 40 control at (50, 20) keeps (300 - 166) / 2 = 67 on either side
// and takes the text's height: left 117, right 350 - 67 = 283, bottom 20 + 13.
TEST(LinkLabel, FittingKeepsACentredLinkCentred)
{
    TestParent parent;
    const HWND control = parent.Child("STATIC", "https://kestrava.example.org", SS_CENTER, 50, 20, 300, 40);
    CLinkLabel link;
    ASSERT_TRUE(link.SubclassWindow(control));
    const RECT after = parent.ChildRect(control);
    EXPECT_EQ(std::vector<LONG>({after.left, after.top, after.right, after.bottom}),
              std::vector<LONG>({117, 20, 283, 33}));
    EXPECT_EQ(link.GetLink(), "https://kestrava.example.org");  // the template text is the link
    EXPECT_TRUE(GetWindowLongA(control, GWL_STYLE) & SS_NOTIFY);
}

TEST(LinkLabel, EmptyTemplateTextShowsTheLinkSetBefore)
{
    TestParent parent;
    const HWND control = parent.Child("STATIC", "", SS_LEFT, 10, 10, 300, 20);
    CLinkLabel link;
    link.SetLink("https://a.example");
    ASSERT_TRUE(link.SubclassWindow(control));
    EXPECT_EQ(link.GetWindowText(), L"https://a.example");
    EXPECT_LT(parent.ChildRect(control).right - 10, 300);  // sized to the text
    LOGFONTA font;
    GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_TRUE(font.lfUnderline);
    // The help viewer's hand or the system's, set over the control.
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), link.GetLinkCursor());
    EXPECT_TRUE(IsHandCursor(GetCursor()));
}

// The hover itself (capture, release, a lost capture) is the shared label's,
// told once in LetterLabelTest.
TEST(LinkLabel, ColoursFollowHoverThenVisited)
{
    TestParent parent;
    parent.ShowOffScreen();
    const HWND control = parent.Child("STATIC", "link", SS_LEFT, 10, 10, 100, 20);
    CLinkLabel link;
    ASSERT_TRUE(link.SubclassWindow(control));
    EXPECT_EQ(link.TextColour(), RGB(0, 0, 238));
    link.SetVisited(true);
    EXPECT_EQ(link.TextColour(), RGB(85, 26, 139));
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));  // hovering beats visited
    EXPECT_EQ(link.TextColour(), GetSysColor(COLOR_HIGHLIGHT));
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-5), 3));
    EXPECT_EQ(link.TextColour(), RGB(85, 26, 139));
    link.SetColours(RGB(1, 1, 1), RGB(2, 2, 2));
    EXPECT_EQ(link.GetHoverColour(), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(link.TextColour(), RGB(2, 2, 2));
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The line itself the About box scenario reads from the real dialog (test_about.py).
TEST(AboutDialog, VersionLineFitsItsControl)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);  // linked with the program's resources
    const std::string line = CAboutDialog::VersionLine(self);
    ASSERT_EQ(line.rfind("Kestrava Version 1.0.0.1 Beta", 0), 0u) << line;

    // The line fits its control in the template's font: a wider one wraps, and the rest is cut.
    const fw::Window about(
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), nullptr, PlainDialogProc, 0));
    ASSERT_TRUE(about);
    const HWND version = GetDlgItem(about.get(), IDC_VERSION);
    RECT client{};
    GetClientRect(version, &client);
    const HDC dc = GetDC(version);
    const HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(version, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &extent);
    SelectObject(dc, font);
    ReleaseDC(version, dc);
    EXPECT_LE(extent.cx, client.right);
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(CAboutDialog::VersionLine(std::wstring(windows) + L"\\win.ini"), "Kestrava Version ");
}

}  // namespace
