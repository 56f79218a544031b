#include "LinkLabel.h"
#include <shellapi.h>
#include "framework/Application.h"
#include "framework/Text.h"
#include "ControlFont.h"
#include "util/OpenCommand.h"
#include "util/RegistryKey.h"

namespace {
constexpr size_t kRegistryTextSize = 260;
}

void CLinkLabel::PreSubclassWindow()
{
    SetWindowLongA(m_hwnd, GWL_STYLE, GetWindowLongA(m_hwnd, GWL_STYLE) | SS_NOTIFY);
    if (m_link.empty())
        m_link = fw::NarrowAnsi(GetWindowText());
    if (GetWindowText().empty()) {
        SetWindowText(fw::WidenAnsi(m_link));
        FitWindowToText();
    }
    m_font.reset(CreateUnderlinedFont(m_hwnd, m_underline));
    if (m_font)
        SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), TRUE);
    FitWindowToText();
    m_cursor.Load();
    m_tip.Create(m_hwnd, fw::WidenAnsi(m_link));
}

void CLinkLabel::SetLink(const std::string& link)
{
    m_link = link;
    if (m_hwnd) {
        FitWindowToText();
        m_tip.SetText(fw::WidenAnsi(m_link));
    }
}

void CLinkLabel::SetColours(COLORREF link, COLORREF visited, COLORREF hover)
{
    m_linkColour = link;
    m_visitedColour = visited;
    m_hoverColour = hover == CLR_INVALID ? GetSysColor(COLOR_HIGHLIGHT) : hover;
    if (m_hwnd)
        InvalidateRect(m_hwnd, nullptr, TRUE);
}

void CLinkLabel::SetVisited(bool visited)
{
    m_visited = visited;
    if (m_hwnd)
        InvalidateRect(m_hwnd, nullptr, TRUE);
}

void CLinkLabel::SetLinkCursor(HCURSOR cursor) { m_cursor.SetBorrowed(cursor); }

void CLinkLabel::SetUnderline(bool underline)
{
    m_underline = underline;
    if (!m_hwnd)
        return;
    fw::Font font(CreateUnderlinedFont(m_hwnd, m_underline));
    if (!font)
        return;
    // Hand the control the new font before the old one is deleted.
    SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    m_font = std::move(font);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void CLinkLabel::SetFitToText(bool fit)
{
    m_fitToText = fit;
    FitWindowToText();
}

void CLinkLabel::FitWindowToText()
{
    if (!m_hwnd || !m_fitToText)
        return;
    RECT rect;
    GetWindowRect(m_hwnd, &rect);
    if (const HWND parent = GetParent(m_hwnd))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);

    const std::wstring text = GetWindowText();
    SIZE size = {0, 0};
    if (const HDC dc = GetDC(m_hwnd)) {
        const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0));
        const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        if (old)
            SelectObject(dc, old);
        ReleaseDC(m_hwnd, dc);
    }

    const LONG style = GetWindowLongA(m_hwnd, GWL_STYLE);
    if (style & SS_CENTERIMAGE) {
        const LONG shrink = ((rect.bottom - rect.top) - size.cy) / 2;
        rect.top += shrink;
        rect.bottom -= shrink;
    } else {
        rect.bottom = rect.top + size.cy;
    }
    const LONG alignment = style & SS_TYPEMASK;
    if (alignment == SS_CENTER) {
        const LONG shrink = ((rect.right - rect.left) - size.cx) / 2;
        rect.left += shrink;
        rect.right -= shrink;
    } else if (alignment == SS_RIGHT) {
        rect.left = rect.right - size.cx;
    } else {
        rect.right = rect.left + size.cx;
    }
    SetWindowPos(m_hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLinkLabel::OnClicked()
{
    const int result = OpenLink(m_link, SW_SHOW);
    if (result > 32) {
        SetVisited(true);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    // Owned by the link's own dialog, which the box then disables: another
    // click on the link cannot stack a second box.
    ReportLaunchError(result, GetAncestor(m_hwnd, GA_ROOT));
}

LONG ReadRegistryDefault(HKEY root, const std::wstring& subkey, std::wstring& text)
{
    fw::RegKey key;
    const LONG opened = RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (opened != ERROR_SUCCESS)
        return opened;
    wchar_t value[kRegistryTextSize] = L"";
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    // An unreadable or over-long value counts as empty.
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        size == 0)
        value[0] = L'\0';
    value[kRegistryTextSize - 1] = L'\0';
    text = ExpandRegistryText(type, std::wstring(value));
    return opened;
}

int OpenLink(const std::string& text, int showCommand)
{
    // The browser may live in a folder named in any script.
    const std::wstring link = fw::WidenAnsi(text);
    const auto shell = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", link.c_str(), nullptr, nullptr, showCommand));
    const int shellResult = static_cast<int>(shell);
    if (static_cast<UINT_PTR>(shell) > 32)
        return shellResult;

    std::wstring type;
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, L".htm", type) != ERROR_SUCCESS || type.empty())
        return shellResult;
    std::wstring command;
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, type + L"\\shell\\open\\command", command) != ERROR_SUCCESS ||
        command.empty())
        return shellResult;
    std::wstring line;
    if (!ComposeOpenCommand(command, link, line))
        return shellResult;
    return static_cast<int>(ExecuteCommandLine(line, showCommand));
}

std::string LaunchErrorText(int code)
{
    const char* reason = nullptr;
    switch (code) {
    case 0: reason = "The operating system is out\nof memory or resources."; break;
    case 2: reason = "The specified file was not found."; break;
    case 3: reason = "The specified path was not found."; break;
    case 5: reason = "The operating system denied\naccess to the specified file."; break;
    case 8: reason = "There was not enough memory to complete the operation."; break;
    case 11: reason = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case 26: reason = "A sharing violation occurred. "; break;
    case 27: reason = "The filename association is\nincomplete or invalid."; break;
    case 28: reason = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case 29: reason = "The DDE transaction failed."; break;
    case 30:
        reason = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        break;
    case 31: reason = "There is no application associated\nwith the given filename extension."; break;
    case 32: reason = "The specified dynamic-link library was not found."; break;
    default: break;
    }
    const std::string text = reason ? reason : "Unknown Error (" + std::to_string(code) + ") occurred.";
    return "Unable to open hyperlink:\n\n" + text;
}

void ReportLaunchError(int code, HWND owner)
{
    fw::AppMessageBox(LaunchErrorText(code), MB_ICONEXCLAMATION | MB_OK, owner);
}
