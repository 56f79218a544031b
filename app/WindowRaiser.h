// For letters with the choice on: brings a running copy of the letter's
// program to the front instead of starting another. It looks only when such
// a letter is pressed, never in the hook.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "WindowCycle.h"
#include "framework/Handle.h"
#include "store/HotKeyEntry.h"

// A file as its volume knows it: two paths name the same file exactly when
// these match, whatever short names, junctions or subst drives they take.
struct FileIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity& other) const
    {
        return volumeSerial == other.volumeSerial && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};

class CWindowRaiser {
public:
    CWindowRaiser();

    // False when the entry starts no program, or no copy of it shows a
    // window that counts: launch as usual. Otherwise the press is handled:
    // the most recently active window comes to the front, or, while one is
    // in front, the next in turn; a single window already in front stays.
    bool BringToFront(char letter, const CHotKeyEntry& entry);

private:
    // Visible, not cloaked, unowned or WS_EX_APPWINDOW, and no bare tool window.
    bool Counts(HWND window) const;
    // The program's windows that count, topmost first.
    std::vector<HWND> ProgramWindows(const FileIdentity& program) const;
    struct WindowSearch;
    static BOOL CALLBACK CollectWindow(HWND window, LPARAM param);
    bool ProcessRuns(DWORD processId, const FileIdentity& program) const;
    static void Raise(HWND window);

    using QueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    using GetDwmAttribute = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
    // Neither exists on Windows XP: no window is found there, and every press launches.
    QueryImageName m_queryImageName = nullptr;
    fw::Module m_dwmapi;
    GetDwmAttribute m_getDwmAttribute = nullptr;
    CWindowCycle m_cycles[26];
};
