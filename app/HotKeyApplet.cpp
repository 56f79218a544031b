#include "HotKeyApplet.h"
#include <objbase.h>
#include <wtsapi32.h>
#include <cstdio>
#include <iterator>
#include "Launcher.h"
#include "framework/Application.h"
#include "framework/WaitCursor.h"
#include "hook/KbHook.h"
#include "ui/EditHotKeysDialog.h"
#include "ui/resource.h"
#include "util/GuardedCall.h"
#include "util/PathHelpers.h"

namespace {

const char kMutexName[] = "KestravaMutex";

// Probes after start-up and after the taskbar (re)starts: at sign-in the
// shell registers its keys after its taskbar exists.
constexpr UINT_PTR kProbeTimers[] = {0x4B01, 0x4B02};
constexpr UINT kProbeDelays[] = {5000, 30000};

// Tells the hidden window when the session is unlocked: Windows may have
// dropped the low-level hook while the secure desktop had the input.
// wtsapi32 is loaded at the first call; a failure to load is a failure here.
bool WatchSession(HWND window, bool watch)
{
    BOOL done = FALSE;
    InvokeGuarded([&] {
        done = watch ? WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION)
                     : WTSUnRegisterSessionNotification(window);
    });
    return done != FALSE;
}

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

    // First, so that no change broadcast while the rest starts is missed.
    m_environment.Start();

    // Without the key thread the hook goes on this thread, as it always could.
    m_keyThread.Start(GetHiddenWindow());
    if (m_keyThread.InstallLibraryHook())
        LoadTable(static_cast<int>(std::size(kProbeTimers)));
    else
        fw::AppMessageBox("Unable to install keyboard hook. Sorry", MB_OK);

    CoInitialize(nullptr);

    ArmProbes();
    m_sessionWatched = WatchSession(GetHiddenWindow(), true);
    return true;
}

void CHotKeyApplet::LoadTable(int retries)
{
    // At sign-in the file may be held for a moment, or be a placeholder whose
    // sync client has not started yet: it is tried again at the probes, and
    // only the last try tells of a read error.
    const CHotKeyTable::LoadOutcome outcome = m_table.Load(GetDataFilePath(), retries == 0);
    m_loadRetries = outcome == CHotKeyTable::LoadOutcome::Unavailable ? retries : 0;
}

void CHotKeyApplet::ArmProbes()
{
    ProbeHeldLetters();
    for (int i = 0; i < 2; ++i)
        SetTimer(GetHiddenWindow(), kProbeTimers[i], kProbeDelays[i], nullptr);
}

void CHotKeyApplet::ProbeHeldLetters()
{
    uint32_t assigned = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!m_table.GetEntry(letter).m_command.empty())
            assigned |= LetterBit(letter);
    }
    m_heldLetters = FindHeldLetters(GetHiddenWindow(), assigned);
    // Once the low-level hook is in, it takes every assigned letter at the
    // same cost: a letter someone holds only after this probe works too.
    ShowHeldLetters(m_keyThread.SetMask(m_heldLetters != 0 ? assigned & ~kLettersNeverTaken : 0));
}

void CHotKeyApplet::ShowHeldLetters(bool taken)
{
    m_heldTaken = taken;
    if (m_pEditor != nullptr)
        m_pEditor->SetHeldLetters(m_heldLetters, m_heldTaken);
}

void CHotKeyApplet::OnSystemMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Early at sign-in the session services may not run yet
    // (RPC_S_INVALID_BINDING): tried again at the probes' times.
    if (message == WM_TIMER && !m_sessionWatched)
        m_sessionWatched = WatchSession(GetHiddenWindow(), true);
    if (message == WM_TIMER) {
        for (const UINT_PTR timer : kProbeTimers) {
            if (wParam == timer) {
                KillTimer(GetHiddenWindow(), timer);
                if (m_loadRetries > 0)
                    LoadTable(m_loadRetries - 1);
                ProbeHeldLetters();
            }
        }
    } else if (message == s_taskbarCreatedMessage) {
        // The shell has (re)started and registers its keys anew, some late.
        ArmProbes();
    } else if ((message == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) ||
               (message == WM_WTSSESSION_CHANGE && wParam == WTS_SESSION_UNLOCK)) {
        // Windows may have dropped the low-level hook meanwhile.
        ShowHeldLetters(m_keyThread.ReinstallLowLevelHook());
    } else if (message == WM_SETTINGCHANGE && lParam != 0 &&
               lstrcmpiA(reinterpret_cast<const char*>(lParam), "Environment") == 0) {
        // An installer or Settings changed the user's variables: programs
        // launched from now on see them, as from a new Explorer window.
        m_environment.Refresh();
    } else if (message == WM_HOTKEY && wParam == kHeldLetterProbeId) {
        // Pressed while a probe held the letter for a moment: it is still the user's key.
        OnOtherMessage(0, HIWORD(lParam));
    } else if (message == WM_DESTROY) {
        WatchSession(GetHiddenWindow(), false);
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
        // Or the launched window may open behind the one the user typed in.
        m_keyThread.GainForegroundRight(lParam);
        // Where the user chose so, a running copy comes to the front instead.
        if (entry.m_raise && m_raiser.BringToFront(static_cast<char>(wParam), entry))
            return;
        Launcher::Launch(GetHiddenWindow(), entry);
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
    editor.SetLetterProbe([](uint32_t letters) { return FindHeldLetters(GetHiddenWindow(), letters); });
    EditorScope scope(*this, editor);
    editor.DoModal();

    // Saved or not, the table follows the file; one that cannot be read now
    // leaves the keys as they were.
    fw::CWaitCursor wait;
    CHotKeyTable reloaded;
    if (reloaded.LoadFromFile(GetDataFilePath())) {
        m_table = reloaded;
        m_loadRetries = 0;
    }
    ProbeHeldLetters();
}

void CHotKeyApplet::Stop()
{
    WatchSession(GetHiddenWindow(), false);
    m_keyThread.UnInstallLibraryHook();
    m_keyThread.Stop();
    CoUninitialize();
    Close();
}
