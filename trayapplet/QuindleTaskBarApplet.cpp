#include "QuindleTaskBarApplet.h"
#include <shellapi.h>
#include "../hook/KbHook.h"

namespace QuindleTools {

const UINT CQuindleTaskBarApplet::s_trayMessage = RegisterWindowMessageA("CQuindleTaskBarAppletMessage");
UINT CQuindleTaskBarApplet::s_taskbarCreatedMessage = 0;
HWND CQuindleTaskBarApplet::s_hiddenWindow = nullptr;
HINSTANCE CQuindleTaskBarApplet::s_instance = nullptr;
int CQuindleTaskBarApplet::s_liveCount = 0;

namespace {
const char kClassName[] = "CQuindleTaskBarApplet";
const char kWindowTitle[] = "Kestrava";
const char kTipTooLong[] = "Error: Tip too long!";
constexpr int kTipCapacity = 64;  // szTip of the first NOTIFYICONDATA version
}  // namespace

CQuindleTaskBarApplet::CQuindleTaskBarApplet() { ++s_liveCount; }

CQuindleTaskBarApplet::~CQuindleTaskBarApplet() = default;

HMENU CQuindleTaskBarApplet::CreateContextMenu()
{
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return nullptr;
    char text[] = "&Close";
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.wID = IDM_CLOSE;
    item.dwTypeData = text;
    InsertMenuItemA(menu, 1, TRUE, &item);
    return menu;
}

void CQuindleTaskBarApplet::DestroyContextMenu(HMENU menu)
{
    if (menu != nullptr)
        DestroyMenu(menu);
}

bool CQuindleTaskBarApplet::OnStartUp(const std::string&) { return true; }

void CQuindleTaskBarApplet::OnMenuCommand(UINT command)
{
    if (command == IDM_CLOSE)
        Close();
}

void CQuindleTaskBarApplet::OnTrayRButtonUp() { ShowContextMenu(); }

void CQuindleTaskBarApplet::OnOtherMessage(LPARAM, WPARAM)
{
    MessageBoxA(s_hiddenWindow, "Unknown Message", "Odd", MB_ICONINFORMATION);
}

int CQuindleTaskBarApplet::Run(HINSTANCE instance, const std::string& commandLine)
{
    if (!Initialise(instance, commandLine))
        return 1;
    for (auto it = Begin(); it != End(); ++it)
        it->AddIcon();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    for (auto it = Begin(); it != End(); ++it)
        it->DeleteIcon();
    return static_cast<int>(msg.wParam);
}

bool CQuindleTaskBarApplet::Initialise(HINSTANCE instance, const std::string& commandLine)
{
    s_instance = instance;
    if (!CreateHiddenWindow())
        return false;
    return StartUpAll(commandLine);
}

bool CQuindleTaskBarApplet::CreateHiddenWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = s_instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        return false;
    s_hiddenWindow = CreateWindowExA(0, kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, s_instance, nullptr);
    if (s_hiddenWindow == nullptr)
        return false;
    // The shell announces a restart with this message; icons must then be added again.
    s_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    ShowWindow(s_hiddenWindow, SW_HIDE);
    return UpdateWindow(s_hiddenWindow) != FALSE;
}

bool CQuindleTaskBarApplet::StartUpAll(const std::string& commandLine)
{
    // The first applet is used before any end test: Run needs at least one.
    auto it = Begin();
    do {
        if (!it->OnStartUp(commandLine))
            return false;
        ++it;
    } while (it != End());
    return true;
}

void CQuindleTaskBarApplet::DispatchTrayNotification(WPARAM iconId, LPARAM mouseMessage)
{
    CQuindleTaskBarApplet& applet = Lookup(static_cast<uint32_t>(iconId));
    switch (mouseMessage) {
    case WM_MOUSEMOVE: applet.OnTrayMouseMove(); break;
    case WM_LBUTTONDOWN: applet.OnTrayLButtonDown(); break;
    case WM_LBUTTONUP: applet.OnTrayLButtonUp(); break;
    case WM_LBUTTONDBLCLK: applet.OnTrayLButtonDblClk(); break;
    case WM_RBUTTONDOWN: applet.OnTrayRButtonDown(); break;
    case WM_RBUTTONUP: applet.OnTrayRButtonUp(); break;
    case WM_RBUTTONDBLCLK: applet.OnTrayRButtonDblClk(); break;
    default: applet.OnOtherMessage(mouseMessage, iconId); break;
    }
}

void CQuindleTaskBarApplet::RouteSystemMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (auto it = Begin(); it != End(); ++it) {
        try {
            it->OnSystemMessage(message, wParam, lParam);
        } catch (...) {
            // One applet's failure does not keep the others from hearing.
        }
    }
}

LRESULT CALLBACK CQuindleTaskBarApplet::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // No exception may leave a window procedure: the frames above it belong to the system.
    if (message == s_trayMessage) {
        try {
            DispatchTrayNotification(wParam, lParam);
        } catch (...) {
            // A notification for an icon no live applet owns, or a handler
            // that failed: the notification is dropped, the program goes on.
        }
        return 0;
    }
    if (message == WM_DESTROY || message == WM_TIMER || message == WM_POWERBROADCAST || message == WM_HOTKEY ||
        message == WM_WTSSESSION_CHANGE || message == WM_SETTINGCHANGE ||
        (message == s_taskbarCreatedMessage && message != 0))
        RouteSystemMessage(message, wParam, lParam);
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_KBHOOK_KEY) {
        try {
            Lookup(0).OnOtherMessage(lParam, wParam);
        } catch (...) {
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == s_taskbarCreatedMessage && message != 0) {
        // Only icons still shown come back; a closed applet stays closed.
        for (auto it = Begin(); it != End(); ++it) {
            try {
                if (it->m_iconLive)
                    it->AddIcon();
            } catch (...) {
                // That icon stays away; the others still come back.
            }
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CQuindleTaskBarApplet::ShowContextMenu()
{
    HMENU menu = CreateContextMenu();
    if (menu != nullptr) {
        POINT cursor{};
        GetCursorPos(&cursor);
        // Without the owner in the foreground, Windows keeps a tray menu open
        // after a click elsewhere; WM_NULL lets it close on the next click.
        SetForegroundWindow(s_hiddenWindow);
        const UINT command = static_cast<UINT>(
            TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, s_hiddenWindow, nullptr));
        PostMessageA(s_hiddenWindow, WM_NULL, 0, 0);
        OnMenuCommand(command);
    }
    DestroyContextMenu(menu);
}

bool CQuindleTaskBarApplet::AddIcon()
{
    m_iconLive = true;  // even when the shell is not there yet: its start brings the icon
    return NotifyIcon(NIM_ADD);
}

bool CQuindleTaskBarApplet::ModifyIcon() { return NotifyIcon(NIM_MODIFY); }

bool CQuindleTaskBarApplet::DeleteIcon()
{
    m_iconLive = false;
    return NotifyIcon(NIM_DELETE);
}

bool CQuindleTaskBarApplet::NotifyIcon(DWORD message)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88: the first version, 64-character tip
    data.hWnd = s_hiddenWindow;
    data.uID = GetIndex();
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = s_trayMessage;
    data.hIcon = GetIcon();
    lstrcpynA(data.szTip, GetCheckedTipText().c_str(), kTipCapacity);
    return Shell_NotifyIconA(message, &data) != FALSE;
}

std::string CQuindleTaskBarApplet::GetCheckedTipText()
{
    std::string tip = GetTipText();
    if (lstrlenA(tip.c_str()) >= kTipCapacity)
        return kTipTooLong;
    return tip;
}

void CQuindleTaskBarApplet::Close()
{
    DeleteIcon();
    if (--s_liveCount == 0)
        PostQuitMessage(0);
}

}  // namespace QuindleTools
