#include "KeyThread.h"
#include "hook/KbHook.h"

namespace {

const char kControlClass[] = "KestravaKeyThread";

// Requests to the key thread's window.
enum : UINT {
    kInstallLibraryHook = WM_APP + 1,
    kUnInstallLibraryHook,
    kUpdateLowLevelHook,
    kSendMaskingStroke,
    kSendMarkedStroke,
    kSendPendingReleases,
    kQuit,
};

constexpr DWORD kAnswerWait = 5000;  // ms; a thread that only pumps answers at once
constexpr DWORD kEndWait = 5000;     // ms

// Reinstalls the low-level hook while it is wanted; one wake-up a minute.
constexpr UINT_PTR kWatchdogTimer = 1;
constexpr UINT kWatchdogPeriod = 60000;  // ms

// Sends the Windows key releases still due again until the hook sees them go by.
constexpr UINT_PTR kReleaseTimer = 2;
constexpr UINT kReleaseRetryPeriod = 250;  // ms

// An unassigned virtual key: pressed while the Windows key is down, it keeps
// the release of the Windows key from opening the Start menu.
constexpr WORD kMaskingKey = 0xE8;

constexpr DWORD kMaskWait = 100;  // ms a launch waits for its masking stroke

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif
#ifndef EVENT_SYSTEM_DESKTOPSWITCH
#define EVENT_SYSTEM_DESKTOPSWITCH 0x0020
#endif

// The low-level hook and the desktop-switch event have no context argument;
// the key thread sets this before it installs either, and only that thread
// reads it.
CKeyThread* s_hookOwner = nullptr;

struct StartArgs {
    CKeyThread* self;
    HANDLE ready;
    HWND window;
};

class CAsyncKeyState : public CStrokeJudge::KeyState {
public:
    bool IsDown(int vk) const override { return (GetAsyncKeyState(vk) & 0x8000) != 0; }
};

INPUT KeyStroke(WORD vk, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = flags;
    input.ki.dwExtraInfo = CStrokeJudge::kOwnMark;
    return input;
}

// Whether the foreground program is of the other bitness than Kestrava: the
// system then runs the hook library for it back in Kestrava's own process.
bool ForegroundIsOfOtherBitness()
{
    DWORD process = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &process);
    if (process == 0 || process == GetCurrentProcessId())
        return false;
    fw::KernelHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (!handle)
        handle.reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process));  // before Vista
    // A 64-bit process is no WOW64 process, and on 32-bit Windows none is.
    BOOL theirs = FALSE;
    BOOL ours = FALSE;
    if (!handle || !IsWow64Process(handle.get(), &theirs) || !IsWow64Process(GetCurrentProcess(), &ours))
        return false;
    return theirs != ours;
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
        if (RegisterHotKey(window, kHeldLetterProbeId, MOD_WIN, static_cast<UINT>(letter)))
            UnregisterHotKey(window, kHeldLetterProbeId);
        else
            held |= bit;
    }
    return held;
}

bool CKeyThread::Start(HWND target)
{
    m_target = target;
    m_maskSent.reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
    fw::KernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready)
        return false;
    StartArgs args{this, ready.get(), nullptr};
    DWORD id = 0;
    m_thread.reset(CreateThread(nullptr, 0, ThreadMain, &args, 0, &id));
    if (!m_thread)
        return false;
    // It only pumps messages: high priority costs nothing, and keeps the
    // low-level hook within the time Windows allows it.
    SetThreadPriority(m_thread.get(), THREAD_PRIORITY_HIGHEST);
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
    self->m_window = window;
    args->window = window;
    SetEvent(args->ready);  // args is gone after this
    if (window == nullptr)
        return 1;

    // A release refused while another desktop (UAC, the lock screen) had the
    // input goes again as soon as ours is back. Vista and later.
    s_hookOwner = self;
    HWINEVENTHOOK desktopSwitch = SetWinEventHook(EVENT_SYSTEM_DESKTOPSWITCH, EVENT_SYSTEM_DESKTOPSWITCH, nullptr,
                                                  OnDesktopSwitch, 0, 0, WINEVENT_OUTOFCONTEXT);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    if (desktopSwitch != nullptr)
        UnhookWinEvent(desktopSwitch);

    // The system would remove both hooks with the thread; this also clears
    // the library's shared slots. A Windows key release still due goes once more.
    self->SendPendingReleases();
    self->m_mask.store(0);
    if (self->m_lowLevelHook != nullptr)
        UnhookWindowsHookEx(self->m_lowLevelHook);
    self->m_lowLevelHook = nullptr;
    if (self->m_libraryHookHere)
        UnInstallKbHook();
    self->m_libraryHookHere = false;
    DestroyWindow(window);
    return 0;
}

LRESULT CALLBACK CKeyThread::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kWatchdogTimer)
        message = kUpdateLowLevelHook;
    else if (message == WM_TIMER && wParam == kReleaseTimer)
        message = kSendPendingReleases;
    if (message >= kInstallLibraryHook && message <= kQuit) {
        auto* self = reinterpret_cast<CKeyThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr)
            return self->OnRequest(message);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CALLBACK CKeyThread::OnDesktopSwitch(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    if (s_hookOwner != nullptr)
        s_hookOwner->SendPendingReleases();
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
        return UpdateLowLevelHook();
    case kSendMaskingStroke:
        // Here, in the loop, after the hook has returned: a hook that injects
        // input itself would wait on its own thread.
        SendMaskingStroke();
        return 0;
    case kSendMarkedStroke:
        SendMarkedStroke();
        return 0;
    case kSendPendingReleases:
        SendPendingReleases();
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
    if (IsRunning())
        PostMessageA(m_control, kSendPendingReleases, 0, 0);
    return SetMask(m_mask.load());
}

void CKeyThread::GainForegroundRight(LPARAM flags)
{
    if (flags & kTakenByLowLevelHook) {
        if (m_maskSent)
            WaitForSingleObject(m_maskSent.get(), kMaskWait);
    } else if (ForegroundIsOfOtherBitness()) {
        // Input sent by Kestrava counts as input it received.
        if (IsRunning())
            Request(kSendMarkedStroke);
        else
            SendMarkedStroke();
    }
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

bool CKeyThread::UpdateLowLevelHook()
{
    const bool lettersWanted = m_mask.load() != 0;
    // It stays while a Windows key release is due: only the hook can tell
    // that the release reached the system.
    if (!lettersWanted && !m_judge.ReleasePending(VK_LWIN) && !m_judge.ReleasePending(VK_RWIN)) {
        KillTimer(m_window, kWatchdogTimer);  // idle: no wake-ups
        if (m_lowLevelHook != nullptr)
            UnhookWindowsHookEx(m_lowLevelHook);
        m_lowLevelHook = nullptr;
        return true;
    }
    // Read here, not per stroke: the setting rarely changes.
    UINT delay = 1;
    SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    m_repeatWindow = CStrokeJudge::RepeatWindow(delay);
    // Armed first: an install that fails, the very first one too, is tried again.
    SetTimer(m_window, kWatchdogTimer, kWatchdogPeriod, nullptr);
    // The new hook first, then the old one goes: no stroke slips through in
    // between, and a press in progress keeps its state in the judge.
    HHOOK fresh = SetWindowsHookExA(WH_KEYBOARD_LL, LowLevelProc, GetModuleHandleA(nullptr), 0);
    if (fresh == nullptr)
        return !lettersWanted;  // the old hook, if Windows still calls it, is better than none
    if (m_lowLevelHook != nullptr)
        UnhookWindowsHookEx(m_lowLevelHook);
    m_lowLevelHook = fresh;
    return true;
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
    const CAsyncKeyState keys;
    const bool maskWasDue = m_judge.MaskDue();
    const CStrokeJudge::Verdict verdict = m_judge.Judge(stroke, m_mask.load(std::memory_order_relaxed), keys,
                                                        m_repeatWindow);
    if (verdict == CStrokeJudge::kLaunch) {
        // The flags a WH_KEYBOARD hook would have: repeat count 1, scan code, extended bit.
        const LPARAM flags = 1 | static_cast<LPARAM>((stroke.scanCode & 0xFF) << 16) |
                             ((stroke.flags & LLKHF_EXTENDED) ? (LPARAM{1} << 24) : 0) | kTakenByLowLevelHook;
        // The launch waits for the masking stroke: sent input gives Kestrava
        // the right to bring the launched program to the front.
        ResetEvent(m_maskSent.get());
        PostMessageA(m_target, WM_KBHOOK_KEY, stroke.vkCode, flags);
#ifdef KESTRAVA_TEST_DROP_LOW_LEVEL_HOOK
        // Test build: the hook is gone after each launch, as Windows silently
        // removes one that missed its time limit; the handle stays.
        UnhookWindowsHookEx(m_lowLevelHook);
#endif
    }
    // Sent from the loop, after the hook has returned: a hook that injects
    // input itself would wait on its own thread.
    if (m_judge.MaskDue() && !maskWasDue)
        PostMessageA(m_window, kSendMaskingStroke, 0, 0);
    return verdict != CStrokeJudge::kPass;
}

void CKeyThread::SendMaskingStroke()
{
    m_judge.EndMask();
    // The Windows key releases held back for it go right after it.
    INPUT strokes[4] = {KeyStroke(kMaskingKey, 0), KeyStroke(kMaskingKey, KEYEVENTF_KEYUP)};
    SendInput(2 + AddPendingReleases(strokes + 2), strokes, sizeof(INPUT));
    SetEvent(m_maskSent.get());
    WatchPendingReleases();
}

UINT CKeyThread::AddPendingReleases(INPUT* strokes) const
{
    UINT count = 0;
    for (const WORD vk : {WORD{VK_LWIN}, WORD{VK_RWIN}}) {
        if (m_judge.ReleasePending(vk)) {
            // As the keyboard sends it: the key's scan code, an extended key.
            strokes[count] = KeyStroke(vk, KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY);
            strokes[count].ki.wScan = vk == VK_LWIN ? 0x5B : 0x5C;
            ++count;
        }
    }
    return count;
}

void CKeyThread::SendPendingReleases()
{
    if (m_judge.MaskDue())
        return;  // they go with the masking stroke
    INPUT strokes[2];
    const UINT count = AddPendingReleases(strokes);
    if (count != 0)
        SendInput(count, strokes, sizeof(INPUT));
    WatchPendingReleases();
}

void CKeyThread::WatchPendingReleases()
{
    // A release is delivered only when the hook sees it go by. SendInput's
    // result says nothing of input that UIPI blocked, and one refused while
    // another desktop has the input is refused again at once; neither does
    // GetAsyncKeyState tell, which reads 0 while that desktop has the input.
    if (m_judge.ReleasePending(VK_LWIN) || m_judge.ReleasePending(VK_RWIN)) {
        SetTimer(m_window, kReleaseTimer, kReleaseRetryPeriod, nullptr);
        return;
    }
    KillTimer(m_window, kReleaseTimer);
    if (m_mask.load() == 0)
        UpdateLowLevelHook();  // it stayed for the releases only
}

void CKeyThread::SendMarkedStroke()
{
    INPUT strokes[2] = {KeyStroke(kMaskingKey, 0), KeyStroke(kMaskingKey, KEYEVENTF_KEYUP)};
    SendInput(2, strokes, sizeof(INPUT));
}
