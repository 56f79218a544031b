// The application object: the one place that knows the program's caption,
// its main window while a modal editor runs, and how message boxes look.
#pragma once
#include <windows.h>
#include <string>

namespace fw {

class CWnd;

class CApplication {
public:
    explicit CApplication(HINSTANCE instance);
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // The object constructed last and not yet destroyed, or null.
    static CApplication* Current();

    HINSTANCE Instance() const { return m_instance; }
    // The window that owns the program's message boxes and dialogs: a fixed
    // handle, or a window object whose handle is read when needed (a modal
    // dialog that is made the main window before its window exists).
    HWND MainWindow() const;
    void SetMainWindow(HWND window) { m_mainWindow = window; }
    void SetMainWnd(const CWnd* window) { m_mainWnd = window; }

    // Caption: the executable's file name without extension. A box asked for
    // without an icon gets the exclamation icon. Owned by owner, or by the
    // main window when owner is null.
    virtual int MessageBox(const std::wstring& text, UINT type, HWND owner);

    std::wstring Caption() const;

private:
    HINSTANCE m_instance;
    HWND m_mainWindow = nullptr;
    const CWnd* m_mainWnd = nullptr;
    CApplication* m_previous;
};

// The module the program runs from: the application object's instance, or
// the executable's when there is none.
HINSTANCE ProgramInstance();

// The full file name of a module, however long; empty on failure.
std::wstring ModuleFileName(HMODULE module);

// Shows a box through the current application object; without one, a plain
// box with the same caption and icon rule.
int AppMessageBox(const std::wstring& text, UINT type = MB_OK, HWND owner = nullptr);
// The same for the program's fixed texts and the system's ANSI texts
// (FormatMessageA): converted from the ANSI code page.
int AppMessageBox(const std::string& text, UINT type = MB_OK, HWND owner = nullptr);

// The icon rule on its own, for tests: OK, OK/Cancel, Yes/No and Yes/No/Cancel
// boxes asked for without an icon get MB_ICONEXCLAMATION.
UINT AppMessageBoxStyle(UINT type);

}  // namespace fw
