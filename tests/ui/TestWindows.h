// A hidden top-level window with child controls, for control tests that need
// real windows but no desktop interaction.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Handle.h"

class TestParent {
public:
    TestParent()
        : m_window(CreateWindowExA(0, "#32770", "test", WS_POPUP, 0, 0, 800, 200, nullptr, nullptr, nullptr, nullptr))
    {
    }
    HWND get() const { return m_window.get(); }
    // Visible (so that invalidation and painting happen) but out of sight.
    void ShowOffScreen() const
    {
        SetWindowPos(m_window.get(), nullptr, -3000, -3000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }

    // A child control with the GUI font, client coordinates x, y, w, h. A
    // Unicode window, as the dialogs' controls are (class and text are ASCII).
    HWND Child(const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h, int id = 0) const
    {
        const std::string className = cls;
        const HWND child = CreateWindowExW(0, std::wstring(className.begin(), className.end()).c_str(),
                                           std::wstring(text.begin(), text.end()).c_str(),
                                           WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_window.get(),
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return child;
    }

    // A child's rectangle in the parent's client coordinates.
    RECT ChildRect(HWND child) const
    {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, m_window.get(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

private:
    fw::Window m_window;
};

// Whether two cursors show the same picture: their mask and colour bits.
inline bool SameCursorImage(HCURSOR a, HCURSOR b)
{
    ICONINFO first{}, second{};
    if (!a || !b || !GetIconInfo(a, &first))
        return false;
    if (!GetIconInfo(b, &second)) {
        DeleteObject(first.hbmMask);
        DeleteObject(first.hbmColor);
        return false;
    }
    const auto bits = [](HBITMAP bitmap) {
        BITMAP info{};
        if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
            return std::string();
        std::string data(static_cast<size_t>(info.bmWidthBytes) * info.bmHeight, '\0');
        GetBitmapBits(bitmap, static_cast<LONG>(data.size()), data.data());
        return data;
    };
    const bool same = bits(first.hbmMask) == bits(second.hbmMask) && bits(first.hbmColor) == bits(second.hbmColor)
                      && !bits(first.hbmMask).empty();
    for (const HBITMAP bitmap : {first.hbmMask, first.hbmColor, second.hbmMask, second.hbmColor})
        if (bitmap)
            DeleteObject(bitmap);
    return same;
}

// Whether a cursor shows the labels' pointing hand: the help viewer's cursor
// 106 when the Windows folder has one, else the system's hand.
inline bool IsHandCursor(HCURSOR cursor)
{
    char path[MAX_PATH + 16] = "";
    GetWindowsDirectoryA(path, MAX_PATH);
    lstrcatA(path, "\\winhlp32.exe");
    const fw::Module viewer(LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const HCURSOR viewerHand = viewer ? LoadCursorA(viewer.get(), MAKEINTRESOURCEA(106)) : nullptr;
    return SameCursorImage(cursor, viewerHand ? viewerHand : LoadCursorA(nullptr, IDC_HAND));
}

// Removes every message posted to the thread for window, returning how many
// had the given number.
inline int TakePosted(HWND window, UINT message, MSG* last = nullptr)
{
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        if (msg.message == message) {
            ++count;
            if (last)
                *last = msg;
        }
    }
    return count;
}
