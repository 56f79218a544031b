// Kestrahk.dll: the keyboard hook that the system loads into every process
// on the desktop. Built without the C runtime and without an entry point:
// loading it costs a process nothing but the mapping.
#define KESTRAHK_BUILD
#include "KbHook.h"

namespace {

// One copy for all processes that map this file, across sessions too:
// written only by the installing process.
struct SharedState {
    HHOOK hook;
    HWND target;
};
__attribute__((section("Shared"), shared)) SharedState g_shared = {nullptr, nullptr};

// Windows keeps a hook procedure as an offset from its module and finds the
// module in each process by its path name. After an upgrade has renamed the
// old library aside, a program that still maps it runs the new hook's offset
// inside the old image. So KBHookProc stands at the same offset in every
// version (0x1070 in the 64-bit build, 0x1074 in the 32-bit one, where 1.0.0.1
// had it): the linker sorts the code section's parts by name, this head of a
// fixed size comes first (.text$0), KBHookProc next (.text$1).
#ifdef _WIN64
constexpr unsigned kHookProcOffset = 0x70;
#else
constexpr unsigned kHookProcOffset = 0x74;
#endif
struct Head {
    char moduleName[9];
    char windowClass[22];  // of Kestrava's hidden window
    char fill[kHookProcOffset - 31];
};
static_assert(sizeof(Head) == kHookProcOffset, "KBHookProc moves");
__attribute__((section(".text$0"), aligned(4))) const Head kHead = {"Kestrahk", "CQuindleTaskBarApplet", {}};

inline bool IsDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// Whether `window` is Kestrava's hidden window. Every session that runs
// Kestrava from one folder shares the slot: a handle another session wrote
// names some other window here, or none.
bool IsKestravaWindow(HWND window)
{
    char name[sizeof kHead.windowClass + 1];
    if (GetClassNameA(window, name, sizeof name) != sizeof kHead.windowClass - 1)
        return false;
    for (unsigned i = 0; i < sizeof kHead.windowClass - 1; ++i) {
        if (name[i] != kHead.windowClass[i])
            return false;
    }
    return true;
}

#ifdef KESTRAHK_TEST_REFUSE_POST
// Test build: every post is refused, as Windows refuses one to a program of
// a higher integrity level.
BOOL Post(HWND, UINT, WPARAM, LPARAM)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
#else
inline BOOL Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return PostMessageA(window, message, wParam, lParam);
}
#endif

}  // namespace

extern "C" __attribute__((section(".text$1"))) LRESULT CALLBACK KBHookProc(int nCode, WPARAM wParam, LPARAM lParam)
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
        if (target != nullptr && IsKestravaWindow(target)) {
            if (wParam >= 'A' && wParam <= 'Z') {
                // This process had the input, so it may bring windows to the
                // front: it lets Kestrava, which passes the right on to the
                // program it launches for the letter.
                DWORD kestrava = 0;
                GetWindowThreadProcessId(target, &kestrava);
                AllowSetForegroundWindow(kestrava);
            }
            // Posted, never sent: a busy tray program must not stall the
            // typist. A refused post (Kestrava runs at a higher integrity
            // level than this program) must not cost the key.
            if (Post(target, WM_KBHOOK_KEY, wParam, lParam))
                return 1;
        }
    }
    return CallNextHookEx(g_shared.hook, nCode, wParam, lParam);
}

#ifdef KESTRAHK_TEST_MOVED
// Test build: as another version would have, other code between KBHookProc
// and the rest, so that everything but KBHookProc stands elsewhere. Run from
// anywhere in it, as a hook procedure, it swallows the key (Wine ignores a
// fault in a hook procedure that 64-bit programs run).
extern "C" const char kOtherCode[] asm("kestrahk_other_code");
asm(".section .text$2,\"xr\"\n"
    "kestrahk_other_code:\n"
#ifdef _WIN64
    "\t.fill 250,1,0x90\n\tmovl $1, %eax\n\tret\n"
#else
    "\t.fill 248,1,0x90\n\tmovl $1, %eax\n\tret $12\n"
#endif
    "\t.text");
#endif

extern "C" BOOL WINAPI InstallKbHook(HWND target)
{
    HMODULE self = GetModuleHandleA(kHead.moduleName);
#ifdef KESTRAHK_TEST_MOVED
    asm volatile("" : : "r"(kOtherCode));  // a reference keeps it linked in
#endif
    if (target == nullptr)
        return FALSE;
#ifdef KESTRAHK_FORCE_INSTALL_FAILURE
    // Test build: behaves as if the system refused the hook.
    (void)self;
    return FALSE;
#else
    // Its own address, as GetProcAddress would find the export: one import less
    // keeps the 64-bit library's import section within its 512 bytes.
    g_shared.hook = SetWindowsHookExA(WH_KEYBOARD, KBHookProc, self, 0);
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
