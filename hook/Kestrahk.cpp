// Kestrahk.dll: the keyboard hook that the system loads into every process
// on the desktop. Built without the C runtime and without an entry point:
// loading it costs a process nothing but the mapping.
#define KESTRAHK_BUILD
#include "KbHook.h"

namespace {

// One copy for all processes: written only by the installing process.
struct SharedState {
    HHOOK hook;
    HWND target;
};
__attribute__((section("Shared"), shared)) SharedState g_shared = {nullptr, nullptr};

// Kept in the code section: one section less keeps the file at 3.5 KB.
__attribute__((section(".text$str"))) const char kModuleName[] = "Kestrahk";
__attribute__((section(".text$str"))) const char kProcName[] = "KBHookProc";

inline bool IsDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

}  // namespace

extern "C" LRESULT CALLBACK KBHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    // Key state is read now, not from the message: the message's own state
    // lags behind when the foreground thread is slow to pull its input.
    if (nCode == HC_ACTION
        && (HIWORD(lParam) & 0xC000) == 0          // going down, was up
        && (IsDown(VK_LWIN) || IsDown(VK_RWIN))
        && !IsDown(VK_MENU) && !IsDown(VK_SHIFT) && !IsDown(VK_CONTROL)) {
        // Read once: an uninstall between a test and the post must never
        // leave us posting to NULL.
        const HWND target = *static_cast<volatile HWND*>(&g_shared.target);
        if (target != nullptr) {
            if (wParam >= 'A' && wParam <= 'Z') {
                // This process had the input, so it may bring windows to the
                // front: it lets Kestrava, which passes the right on to the
                // program it launches for the letter.
                DWORD kestrava = 0;
                GetWindowThreadProcessId(target, &kestrava);
                AllowSetForegroundWindow(kestrava);
            }
            // Posted, never sent: a busy tray program must not stall the typist.
            PostMessageA(target, WM_KBHOOK_KEY, wParam, lParam);
            return 1;
        }
    }
    return CallNextHookEx(g_shared.hook, nCode, wParam, lParam);
}

extern "C" BOOL WINAPI InstallKbHook(HWND target)
{
    HMODULE self = GetModuleHandleA(kModuleName);
    if (target == nullptr)
        return FALSE;
#ifdef KESTRAHK_FORCE_INSTALL_FAILURE
    // Test build: behaves as if the system refused the hook.
    (void)self;
    return FALSE;
#else
    auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(self, kProcName)));
    g_shared.hook = SetWindowsHookExA(WH_KEYBOARD, proc, self, 0);
    if (g_shared.hook == nullptr)
        return FALSE;
    g_shared.target = target;
    return TRUE;
#endif
}

extern "C" BOOL WINAPI UnInstallKbHook(void)
{
    if (g_shared.hook == nullptr)
        return FALSE;
    UnhookWindowsHookEx(g_shared.hook);
    g_shared.hook = nullptr;
    g_shared.target = nullptr;
    return TRUE;
}
