// The thread that owns the program's keyboard hooks. It only pumps messages,
// so a hook call that the system runs on it never waits for a launch.
//
// It installs the hook library's hook, and, while some letters the user
// assigned are held by another program as system hot keys, a low-level hook
// that takes those letters before the holder's hot key can: a held Win +
// letter never reaches a WH_KEYBOARD hook at all.
//
// Threads: the public operations are called on the program's main thread;
// they reach the key thread through its message-only window and wait for the
// answer (bounded). The letter mask is the one value both threads read.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include "framework/Handle.h"

// Bit of a letter 'A'..'Z' in a letter mask.
constexpr uint32_t LetterBit(char letter) { return uint32_t{1} << (letter - 'A'); }

// E, F, M and R stay Windows' own (the editor does not offer them); Windows
// locks the workstation on Win + L before any hook runs.
constexpr uint32_t kLettersNeverTaken =
    LetterBit('E') | LetterBit('F') | LetterBit('L') | LetterBit('M') | LetterBit('R');

// The letters of `candidates` that another program holds with the Windows
// key: each is registered as a hot key of `window` (a window of the calling
// thread) and released at once; a refusal means someone else holds it.
uint32_t FindHeldLetters(HWND window, uint32_t candidates);

class CKeyThread {
public:
    CKeyThread() = default;
    ~CKeyThread() { Stop(); }
    CKeyThread(const CKeyThread&) = delete;
    CKeyThread& operator=(const CKeyThread&) = delete;

    // Starts the thread; `target` gets WM_KBHOOK_KEY from both hooks. False
    // when the thread cannot start: the other operations then work on the
    // calling thread where they can.
    bool Start(HWND target);
    bool IsRunning() const { return m_control != nullptr; }

    // InstallKbHook(target) / UnInstallKbHook(), on the key thread.
    BOOL InstallLibraryHook();
    BOOL UnInstallLibraryHook();

    // The letters to take (bit 0 = 'A'). The low-level hook is installed
    // while the mask is not empty. Answers whether the letters are taken:
    // true for an empty mask, false when the hook could not be installed.
    bool SetMask(uint32_t letters);
    // Installs the low-level hook afresh: some systems drop it across sleep.
    bool ReinstallLowLevelHook();

    // Ends the thread, which removes the hooks it installed. Waits for it.
    void Stop();

private:
    static DWORD WINAPI ThreadMain(void* param);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LowLevelProc(int code, WPARAM wParam, LPARAM lParam);

    LRESULT Request(UINT message);
    // Key thread only from here on.
    LRESULT OnRequest(UINT message);
    bool UpdateLowLevelHook(bool afresh);
    bool TakeStroke(const KBDLLHOOKSTRUCT& stroke);
    static void SendMaskingStroke();

    HWND m_target = nullptr;
    fw::KernelHandle m_thread;
    HWND m_control = nullptr;  // the key thread's window; set before Start returns, cleared by Stop
    std::atomic<uint32_t> m_mask{0};

    HHOOK m_lowLevelHook = nullptr;
    uint32_t m_pressed = 0;  // letters whose down stroke was taken and whose release is still due
    bool m_libraryHookHere = false;
};
