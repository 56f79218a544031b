// The program's one tray applet: single instance, the keyboard hook, the hot
// key table, the launch of a pressed letter's command, and the tray menu.
#pragma once
#include <windows.h>
#include <string>
#include "KeyThread.h"
#include "WindowRaiser.h"
#include "framework/Handle.h"
#include "store/HotKeyTable.h"
#include "trayapplet/QuindleTaskBarApplet.h"
#include "util/UserEnvironment.h"

class CEditHotKeysDialog;

#define IDM_STOP 1000
#define IDM_EDIT_HOT_KEYS 1001

class CHotKeyApplet : public QuindleTools::CQuindleTaskBarApplet {
public:
    CHotKeyApplet() = default;
    ~CHotKeyApplet() override = default;

    std::string GetTipText() override;
    HICON GetIcon() override;
    HMENU CreateContextMenu() override;
    bool OnStartUp(const std::string& commandLine) override;
    void OnMenuCommand(UINT command) override;
    void OnTrayLButtonDblClk() override;
    void OnOtherMessage(LPARAM lParam, WPARAM wParam) override;
    void OnSystemMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void OpenEditor();
    void Stop();

private:
    bool m_editorOpen = false;
    CEditHotKeysDialog* m_pEditor = nullptr;  // not owned: lives in OpenEditor
    CHotKeyTable m_table;
    fw::OwnedIcon m_icon;  // loaded once, for every add, modify and delete
    // Loads m_table; a file there whose bytes could not be got is loaded
    // again at the next probes, up to retries times, the last try reporting.
    void LoadTable(int retries);
    int m_loadRetries = 0;

    // Letters the user assigned that another program holds as Win + letter
    // hot keys, and whether the key thread takes them.
    void ProbeHeldLetters();
    void ArmProbes();
    void ShowHeldLetters(bool taken);
    CKeyThread m_keyThread;
    CUserEnvironment m_environment;  // what launched programs inherit
    CWindowRaiser m_raiser;
    uint32_t m_heldLetters = 0;
    bool m_heldTaken = true;
    bool m_sessionWatched = false;  // unlocks are told to the hidden window
};
