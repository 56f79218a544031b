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

// Probes after start-up: at sign-in the shell registers its keys late.
constexpr UINT_PTR kProbeTimers[] = {0x4B01, 0x4B02};
constexpr UINT kProbeDelays[] = {5000, 30000};

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

    // Without the key thread the hook goes on this thread, as it always could.
    m_keyThread.Start(GetHiddenWindow());
    if (m_keyThread.InstallLibraryHook())
        m_table.LoadFromFile(GetDataFilePath());
    else
        fw::AppMessageBox("Unable to install keyboard hook. Sorry", MB_OK);

    CoInitialize(nullptr);

    ProbeHeldLetters();
    for (int i = 0; i < 2; ++i)
        SetTimer(GetHiddenWindow(), kProbeTimers[i], kProbeDelays[i], nullptr);
    return true;
}

void CHotKeyApplet::ProbeHeldLetters()
{
    uint32_t assigned = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!m_table.GetEntry(letter).m_command.empty())
            assigned |= LetterBit(letter);
    }
    m_heldLetters = FindHeldLetters(GetHiddenWindow(), assigned);
    m_heldTaken = m_keyThread.SetMask(m_heldLetters);
    if (m_pEditor != nullptr)
        m_pEditor->SetHeldLetters(m_heldLetters, m_heldTaken);
}

void CHotKeyApplet::OnSystemMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_TIMER) {
        for (const UINT_PTR timer : kProbeTimers) {
            if (wParam == timer) {
                KillTimer(GetHiddenWindow(), timer);
                ProbeHeldLetters();
            }
        }
    } else if (message == s_taskbarCreatedMessage) {
        // The shell has (re)started and registered its keys anew.
        ProbeHeldLetters();
    } else if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) {
        // Low-level hooks are reported lost across sleep on some systems.
        m_heldTaken = m_keyThread.ReinstallLowLevelHook();
    } else if (message == WM_DESTROY) {
        m_keyThread.Stop();
    }
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
        OutputDebugStringW((entry.m_command + L" " + entry.m_arguments + L" " + entry.m_directory + L"\n").c_str());
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
    editor.SetHeldLetters(m_heldLetters, m_heldTaken);
    EditorScope scope(*this, editor);
    editor.DoModal();

    // Saved or not, the table follows the file.
    fw::CWaitCursor wait;
    m_table.LoadFromFile(GetDataFilePath());
    ProbeHeldLetters();
}

void CHotKeyApplet::Stop()
{
    m_keyThread.UnInstallLibraryHook();
    m_keyThread.Stop();
    CoUninitialize();
    Close();
}
