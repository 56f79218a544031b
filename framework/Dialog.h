// A modal dialog built from a resource template, with data exchange between
// members and controls and the reflection of control notifications.
//
// The modal loop is our own (a modeless dialog with its owner disabled, the
// way DialogBox works inside) so that controls see their messages before
// dispatch (PreTranslateMessage, e.g. to relay mouse input to a tooltip).
// Only the innermost loop runs at a time, so nested dialogs need no hooks and
// no thread-wide state.
#pragma once
#include <windows.h>
#include <string>
#include "Wnd.h"

namespace fw {

// One direction of an exchange: pull (controls to members) or push.
class CDataExchange {
public:
    CDataExchange(HWND dialog, bool pull) : m_dialog(dialog), m_pull(pull) {}
    bool IsPull() const { return m_pull; }

    void Text(int id, std::wstring& text);
    // Attaches a control object to dialog item id, once.
    void Control(int id, CWnd& control);

private:
    HWND m_dialog;
    bool m_pull;
};

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, HWND parent);

    // Runs the dialog until EndDialog; -1 when it could not be created. The
    // owner is the parent, or else the application's main window.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // pull: controls to members; push: members to controls.
    void UpdateData(bool pull);

    bool PreTranslateMessage(MSG* message) override;

protected:
    // Binds the controls and pushes the members; answer TRUE for the default focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange&) {}
    // WM_COMMAND not taken by a control. The default ends the dialog on
    // IDOK (after a pull) and IDCANCEL.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnOK();
    virtual void OnCancel();
    // Any other message; true when handled, with result as the answer.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND m_parent;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    UINT m_templateId;
    bool m_running = false;
    INT_PTR m_result = -1;
};

}  // namespace fw
