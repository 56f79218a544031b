// Base class of a notification-area applet. All applets of a process share
// one hidden window, one registered tray message and one message loop; each
// has its own icon, identified by its list index.
#pragma once
#include <windows.h>
#include <string>
#include "LinkedClass.h"

namespace QuindleTools {

#define IDM_CLOSE 1

class CQuindleTaskBarApplet : public TLinkedClass<CQuindleTaskBarApplet> {
public:
    CQuindleTaskBarApplet();
    ~CQuindleTaskBarApplet() override;

    virtual std::string GetTipText() = 0;
    virtual HICON GetIcon() = 0;
    virtual HMENU CreateContextMenu();
    virtual void DestroyContextMenu(HMENU menu);
    virtual bool OnStartUp(const std::string& commandLine);
    virtual void OnMenuCommand(UINT command);
    virtual void OnTrayLButtonDown() {}
    virtual void OnTrayLButtonUp() {}
    virtual void OnTrayRButtonDown() {}
    virtual void OnTrayRButtonUp();
    virtual void OnTrayLButtonDblClk() {}
    virtual void OnTrayRButtonDblClk() {}
    virtual void OnTrayMouseMove() {}
    virtual void OnOtherMessage(LPARAM lParam, WPARAM wParam);
    // The hidden window's WM_TIMER, WM_POWERBROADCAST, WM_HOTKEY,
    // WM_WTSSESSION_CHANGE, WM_SETTINGCHANGE, WM_DESTROY and "TaskbarCreated",
    // for every applet, before the class's own handling.
    virtual void OnSystemMessage(UINT, WPARAM, LPARAM) {}

    static int Run(HINSTANCE instance, const std::string& commandLine);
    static bool Initialise(HINSTANCE instance, const std::string& commandLine);
    static bool CreateHiddenWindow();
    static bool StartUpAll(const std::string& commandLine);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void Close();
    void ShowContextMenu();
    bool AddIcon();
    bool ModifyIcon();
    bool DeleteIcon();
    bool NotifyIcon(DWORD message);
    std::string GetCheckedTipText();

    static HWND GetHiddenWindow() { return s_hiddenWindow; }
    static HINSTANCE GetInstance() { return s_instance; }
    static UINT GetTrayMessage() { return s_trayMessage; }

protected:
    static const UINT s_trayMessage;
    static UINT s_taskbarCreatedMessage;
    static HWND s_hiddenWindow;
    static HINSTANCE s_instance;
    static int s_liveCount;

private:
    static void DispatchTrayNotification(WPARAM iconId, LPARAM mouseMessage);
    static void RouteSystemMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool m_iconLive = false;  // added and not deleted since: a shell restart adds it again
};

}  // namespace QuindleTools
