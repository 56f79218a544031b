#include "HotKeyApplet.h"
#include <objbase.h>
#include <cstdio>
#include "Launcher.h"
#include "framework/Application.h"
#include "framework/WaitCursor.h"
#include "hook/KbHook.h"
#include "ui/EditHotKeysDialog.h"
#include "ui/resource.h"
#include "util/PathHelpers.h"

namespace {

const char kMutexName[] = "KestravaMutex";

void InsertItem(HMENU menu, UINT position, UINT id, const char* text)
{
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.wID = id;
    item.dwTypeData = const_cast<char*>(text);
    InsertMenuItemA(menu, position, TRUE, &item);
}

}  // namespace

std::string CHotKeyApplet::GetTipText() { return "Kestrava"; }

HICON CHotKeyApplet::GetIcon()
{
    if (!m_icon)
        m_icon.reset(static_cast<HICON>(
            LoadImageA(GetInstance(), MAKEINTRESOURCEA(IDI_KESTRAVA), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    return m_icon.get();
}

bool CHotKeyApplet::OnStartUp(const std::string&)
{
    // Created and tested in one step, so that two instances started together
    // cannot both run. The handle stays open for the life of the process: it
    // is what tells later instances that this one runs.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || (mutex == nullptr && error == ERROR_ACCESS_DENIED)) {
        if (mutex != nullptr)
            CloseHandle(mutex);
        return false;
    }

    if (InstallKbHook(GetHiddenWindow()))
        m_table.LoadFromFile(GetDataFilePath());
    else
        fw::AppMessageBox("Unable to install keyboard hook. Sorry", MB_OK);

    CoInitialize(nullptr);
    return true;
}

void CHotKeyApplet::OnOtherMessage(LPARAM lParam, WPARAM wParam)
{
    try {
#ifndef NDEBUG
        char trace[64];
        std::snprintf(trace, sizeof trace, "l : %d  w : %d = (%c)\n", static_cast<int>(lParam),
                      static_cast<int>(wParam), static_cast<char>(wParam));
        OutputDebugStringA(trace);
#else
        (void)lParam;
#endif
        if (wParam < 'A' || wParam > 'Z')
            return;
        // A copy: the table may be reloaded while a message box of the launch is open.
        const CHotKeyEntry entry = m_table.GetEntry(static_cast<signed char>(wParam));
        if (entry.m_command.empty())
            return;
#ifndef NDEBUG
        OutputDebugStringA((entry.m_command + " " + entry.m_arguments + " " + entry.m_directory + "\n").c_str());
#endif
        if (!Launcher::OpenWithShell(GetHiddenWindow(), entry))
            Launcher::OpenWithAssociation(entry.m_command);
    } catch (...) {
        // Nothing a hot key does may end the program.
    }
}

HMENU CHotKeyApplet::CreateContextMenu()
{
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return nullptr;
    InsertItem(menu, 1, IDM_EDIT_HOT_KEYS, "&Edit Hot Keys");
    InsertItem(menu, 2, IDM_STOP, "&Stop Kestrava");
    return menu;
}

void CHotKeyApplet::OnMenuCommand(UINT command)
{
    switch (command) {
    case IDM_STOP:
        if (m_editorOpen) {
            fw::AppMessageBox("You must close the Hot Keys editor before stopping Kestrava.", MB_OK | MB_ICONINFORMATION);
            if (m_pEditor != nullptr)
                SetForegroundWindow(m_pEditor->GetSafeHwnd());
        } else {
            Stop();
        }
        break;
    case IDM_EDIT_HOT_KEYS:
        OpenEditor();
        break;
    default:
        break;
    }
}

void CHotKeyApplet::OnTrayLButtonDblClk() { OpenEditor(); }

void CHotKeyApplet::OpenEditor()
{
    if (m_editorOpen) {
        if (m_pEditor != nullptr)
            SetForegroundWindow(m_pEditor->GetSafeHwnd());
        return;
    }
    // Undone however the editor ends, even by an exception: a flag left set
    // would refuse Stop for the rest of the run.
    struct EditorScope {
        CHotKeyApplet& applet;
        fw::CApplication* app = fw::CApplication::Current();
        EditorScope(CHotKeyApplet& a, CEditHotKeysDialog& editor) : applet(a)
        {
            applet.m_editorOpen = true;
            applet.m_pEditor = &editor;
            // While it runs the editor owns the program's message boxes.
            if (app != nullptr)
                app->SetMainWnd(&editor);
        }
        ~EditorScope()
        {
            if (app != nullptr)
                app->SetMainWnd(nullptr);
            applet.m_pEditor = nullptr;
            applet.m_editorOpen = false;
        }
    };

    CEditHotKeysDialog editor(nullptr);
    EditorScope scope(*this, editor);
    editor.DoModal();

    // Saved or not, the table follows the file.
    fw::CWaitCursor wait;
    m_table.LoadFromFile(GetDataFilePath());
}

void CHotKeyApplet::Stop()
{
    UnInstallKbHook();
    CoUninitialize();
    Close();
}
