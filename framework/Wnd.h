// A C++ object bound to a window. Controls of a dialog template are attached
// by subclassing (SetWindowSubclass), which is undone when the window goes.
#pragma once
#include <windows.h>
#include <string>

namespace fw {

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hwnd; }

    // Attaches the object to an existing window: PreSubclassWindow runs with
    // the handle already set, then messages start to arrive at WindowProc.
    bool SubclassWindow(HWND window);
    bool SubclassDlgItem(int id, HWND parent);
    // Ends the subclassing; the window lives on as before.
    void UnsubclassWindow();

    // The object attached to a window by SubclassWindow, or null.
    static CWnd* FromHandle(HWND window);

    std::wstring GetWindowText() const { return GetWindowText(m_hwnd); }
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hwnd, text.c_str()); }
    static std::wstring GetWindowText(HWND window);

    // Seen by a modal dialog's loop before the message is translated and
    // dispatched; true swallows the message.
    virtual bool PreTranslateMessage(MSG* message);

    // A notification that the parent received about this window and handed
    // back (WM_COMMAND from a control, WM_CTLCOLORSTATIC). True when handled;
    // result is the answer the parent gives.
    virtual bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    virtual void PreSubclassWindow() {}
    // Every message of a subclassed window; the default passes it on.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    bool m_subclassed = false;
};

}  // namespace fw
