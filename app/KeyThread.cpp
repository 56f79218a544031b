#include "KeyThread.h"
#include "hook/KbHook.h"

namespace {

const char kControlClass[] = "KestravaKeyThread";

// Requests to the key thread's window.
enum : UINT {
    kInstallLibraryHook = WM_APP + 1,
    kUnInstallLibraryHook,
    kUpdateLowLevelHook,
    kReinstallLowLevelHook,
    kSendMaskingStroke,
    kQuit,
};

constexpr DWORD kAnswerWait = 5000;  // ms; a thread that only pumps answers at once
constexpr DWORD kEndWait = 5000;     // ms

// An unassigned virtual key: pressed while the Windows key is down, it keeps
// the release of the Windows key from opening the Start menu.
constexpr WORD kMaskingKey = 0xE8;
constexpr ULONG_PTR kMaskingMark = 0x4B535456;  // our own stroke, passed by our hook

constexpr int kProbeId = 0x4B50;

// The low-level hook procedure has no context argument; the key thread sets
// this before it installs the hook, and only that thread reads it.
CKeyThread* s_hookOwner = nullptr;

struct StartArgs {
    CKeyThread* self;
    HANDLE ready;
    HWND window;
};

bool IsDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// The hook library's test: a Windows key down, Alt, Shift and Ctrl up.
bool WindowsKeyAlone()
{
    return (IsDown(VK_LWIN) || IsDown(VK_RWIN)) && !IsDown(VK_MENU) && !IsDown(VK_SHIFT) && !IsDown(VK_CONTROL);
}

}  // namespace

uint32_t FindHeldLetters(HWND window, uint32_t candidates)
{
    uint32_t held = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const uint32_t bit = LetterBit(letter);
        if (!(candidates & bit) || (kLettersNeverTaken & bit))
            continue;
        // Judged by the result alone: Wine leaves the last error at 0 on a refusal.
        if (RegisterHotKey(window, kProbeId, MOD_WIN, static_cast<UINT>(letter)))
            UnregisterHotKey(window, kProbeId);
        else
            held |= bit;
    }
    return held;
}

bool CKeyThread::Start(HWND target)
{
    m_target = target;
    fw::KernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready)
        return false;
    StartArgs args{this, ready.get(), nullptr};
    DWORD id = 0;
    m_thread.reset(CreateThread(nullptr, 0, ThreadMain, &args, 0, &id));
    if (!m_thread)
        return false;
    // The thread signals as soon as its window exists or could not be made.
    const HANDLE waits[] = {ready.get(), m_thread.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    m_control = args.window;
    if (m_control == nullptr) {
        WaitForSingleObject(m_thread.get(), kEndWait);
        m_thread.reset();
        return false;
    }
    return true;
}

DWORD WINAPI CKeyThread::ThreadMain(void* param)
{
    auto* args = static_cast<StartArgs*>(param);
    CKeyThread* self = args->self;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kControlClass;
    RegisterClassA(&wc);  // fails harmlessly when a former key thread registered it
    HWND window = CreateWindowExA(0, kControlClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (window != nullptr)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    args->window = window;
    SetEvent(args->ready);  // args is gone after this
    if (window == nullptr)
        return 1;

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);

    // The system would remove both hooks with the thread; this also clears
    // the library's shared slots.
    self->m_mask.store(0);
    self->UpdateLowLevelHook(false);
    if (self->m_libraryHookHere)
        UnInstallKbHook();
    self->m_libraryHookHere = false;
    DestroyWindow(window);
    return 0;
}

LRESULT CALLBACK CKeyThread::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= kInstallLibraryHook && message <= kQuit) {
        auto* self = reinterpret_cast<CKeyThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr)
            return self->OnRequest(message);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CKeyThread::OnRequest(UINT message)
{
    switch (message) {
    case kInstallLibraryHook:
        m_libraryHookHere = InstallKbHook(m_target) != FALSE;
        return m_libraryHookHere;
    case kUnInstallLibraryHook:
        m_libraryHookHere = false;
        return UnInstallKbHook();
    case kUpdateLowLevelHook:
        return UpdateLowLevelHook(false);
    case kReinstallLowLevelHook:
        return UpdateLowLevelHook(true);
    case kSendMaskingStroke:
        // Here, in the loop, after the hook has returned: a hook that injects
        // input itself would wait on its own thread.
        SendMaskingStroke();
        return 0;
    case kQuit:
        PostQuitMessage(0);
        return 0;
    default:
        return 0;
    }
}

LRESULT CKeyThread::Request(UINT message)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(m_control, message, 0, 0, SMTO_BLOCK, kAnswerWait, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

BOOL CKeyThread::InstallLibraryHook()
{
    if (!IsRunning())
        return InstallKbHook(m_target);
    return Request(kInstallLibraryHook) != 0;
}

BOOL CKeyThread::UnInstallLibraryHook()
{
    if (!IsRunning())
        return UnInstallKbHook();
    return Request(kUnInstallLibraryHook) != 0;
}

bool CKeyThread::SetMask(uint32_t letters)
{
    m_mask.store(letters);
    if (!IsRunning())
        return letters == 0;
    return Request(kUpdateLowLevelHook) != 0;
}

bool CKeyThread::ReinstallLowLevelHook()
{
    if (!IsRunning())
        return m_mask.load() == 0;
    return Request(kReinstallLowLevelHook) != 0;
}

void CKeyThread::Stop()
{
    if (!m_thread)
        return;
    PostMessageA(m_control, kQuit, 0, 0);
    WaitForSingleObject(m_thread.get(), kEndWait);
    m_thread.reset();
    m_control = nullptr;
}

bool CKeyThread::UpdateLowLevelHook(bool afresh)
{
    const bool wanted = m_mask.load() != 0;
    if (m_lowLevelHook != nullptr && (afresh || !wanted)) {
        UnhookWindowsHookEx(m_lowLevelHook);
        m_lowLevelHook = nullptr;
        m_pressed = 0;
    }
    if (wanted && m_lowLevelHook == nullptr) {
        s_hookOwner = this;
        m_lowLevelHook = SetWindowsHookExA(WH_KEYBOARD_LL, LowLevelProc, GetModuleHandleA(nullptr), 0);
    }
    return !wanted || m_lowLevelHook != nullptr;
}

LRESULT CALLBACK CKeyThread::LowLevelProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && s_hookOwner != nullptr &&
        s_hookOwner->TakeStroke(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CKeyThread::TakeStroke(const KBDLLHOOKSTRUCT& stroke)
{
    if (stroke.dwExtraInfo == kMaskingMark || stroke.vkCode < 'A' || stroke.vkCode > 'Z')
        return false;
    const uint32_t bit = LetterBit(static_cast<char>(stroke.vkCode));
    // A low-level hook is told nothing of earlier strokes: a taken press is
    // remembered until its release, which is taken too, whatever the
    // Windows key did meanwhile.
    if (stroke.flags & LLKHF_UP) {
        if (!(m_pressed & bit))
            return false;
        m_pressed &= ~bit;
        return true;
    }
    if (m_pressed & bit)
        return true;  // an auto-repeat of a taken press
    if (!(m_mask.load(std::memory_order_relaxed) & bit) || !WindowsKeyAlone())
        return false;
    m_pressed |= bit;
    // The flags a WH_KEYBOARD hook would have: repeat count 1, scan code, extended bit.
    const LPARAM flags = 1 | static_cast<LPARAM>((stroke.scanCode & 0xFF) << 16) |
                         ((stroke.flags & LLKHF_EXTENDED) ? (LPARAM{1} << 24) : 0);
    PostMessageA(m_target, WM_KBHOOK_KEY, stroke.vkCode, flags);
    PostMessageA(m_control, kSendMaskingStroke, 0, 0);
    return true;
}

void CKeyThread::SendMaskingStroke()
{
    INPUT strokes[2]{};
    for (INPUT& input : strokes) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = kMaskingKey;
        input.ki.dwExtraInfo = kMaskingMark;
    }
    strokes[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, strokes, sizeof(INPUT));
}
