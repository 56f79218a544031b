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
#include "StrokeJudge.h"
#include "framework/Handle.h"

// E, F, M and R stay Windows' own (the editor does not offer them); Windows
// locks the workstation on Win + L before any hook runs.
constexpr uint32_t kLettersNeverTaken =
    LetterBit('E') | LetterBit('F') | LetterBit('L') | LetterBit('M') | LetterBit('R');

// The letters of `candidates` that another program holds with the Windows
// key: each is registered as a hot key of `window` (a window of the calling
// thread) and released at once; a refusal means someone else holds it. A
// press that lands in between reaches `window` as WM_HOTKEY with this id.
uint32_t FindHeldLetters(HWND window, uint32_t candidates);
constexpr int kHeldLetterProbeId = 0x4B50;

// Set in the flags of the WM_KBHOOK_KEY that the low-level hook posts (a bit
// the keyboard leaves 0): that letter's masking stroke is on its way.
constexpr LPARAM kTakenByLowLevelHook = LPARAM{1} << 28;

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

    // The letters to take (bit 0 = 'A'). While the mask is not empty the
    // low-level hook is installed afresh at each call, and every 60 s: Windows
    // silently removes a hook that once missed its time limit, and across
    // sleep. Answers whether the letters are taken: true for an empty mask,
    // false when the hook could not be installed.
    bool SetMask(uint32_t letters);
    // On resume and unlock: installs the low-level hook afresh, and sends the
    // Windows key releases still due again, as the input desktop is ours again.
    bool ReinstallLowLevelHook();

    // Windows lets a program bring its window to the front only if the
    // program that started it may. Kestrava may after the program typed into
    // granted it (the hook library does), or after it sent input itself: this
    // waits until the masking stroke of a letter the low-level hook took is
    // sent (100 ms at most), or, where the hook library ran in Kestrava's own
    // process because the program typed into is of the other bitness, sends
    // one marked stroke. `flags`: those of the letter's WM_KBHOOK_KEY.
    void GainForegroundRight(LPARAM flags);

    // Ends the thread, which removes the hooks it installed. Waits for it.
    void Stop();

private:
    static DWORD WINAPI ThreadMain(void* param);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LowLevelProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnDesktopSwitch(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD);

    LRESULT Request(UINT message);
    // Key thread only from here on.
    LRESULT OnRequest(UINT message);
    bool UpdateLowLevelHook();
    bool TakeStroke(const KBDLLHOOKSTRUCT& stroke);
    void SendMaskingStroke();
    UINT AddPendingReleases(INPUT* strokes) const;
    void SendPendingReleases();
    void WatchPendingReleases();
    static void SendMarkedStroke();

    HWND m_target = nullptr;
    fw::KernelHandle m_thread;
    HWND m_control = nullptr;  // the key thread's window, for the main thread; cleared by Stop
    std::atomic<uint32_t> m_mask{0};
    fw::KernelHandle m_maskSent;  // signalled while no masking stroke is due

    HWND m_window = nullptr;  // the same window, the key thread's own copy
    HHOOK m_lowLevelHook = nullptr;
    CStrokeJudge m_judge;
    DWORD m_repeatWindow = CStrokeJudge::RepeatWindow(1);
    bool m_libraryHookHere = false;
};
