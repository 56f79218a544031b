// Measuring and fault-injecting helper for the benchmarks and the soak and
// fault tests. Verbs:
//   qpc                     the performance counter (100 ns units under Wine)
//   mem PID                 working set and private bytes, in bytes
//   resources PID           GDI objects, USER objects and kernel handles
//   startup CLASS EXE [ARG] milliseconds from CreateProcess to the tray icon drawn
//   lock PATH               holds PATH open without sharing until killed
//   keysweep LOG            every virtual-key code with every modifier combination
//                           through SendInput into a window of its own
//   postmany HWND MSG WPARAM LPARAM COUNT   posts a message COUNT times
//   keystroke COUNT         SendInput of COUNT Q strokes into a window of its own;
//                           prints the median, least and most microseconds from
//                           SendInput to WM_KEYDOWN in the window
//   failsoak HWND KEY COUNT posts WM_KBHOOK_KEY with KEY, waits for the message
//                           box it brings, answers OK, COUNT times; prints
//                           the most boxes seen at once and each text's count
#include <windows.h>
#include <psapi.h>
#include <winternl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

unsigned long ParseNumber(const char* text) { return std::strtoul(text, nullptr, 0); }

long long Counter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double MillisecondsSince(long long start)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(Counter() - start) / static_cast<double>(frequency.QuadPart);
}

class Owned {
public:
    explicit Owned(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Owned()
    {
        if (m_h)
            CloseHandle(m_h);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    HANDLE m_h;
};

// --- memory --------------------------------------------------------------

int Memory(DWORD pid)
{
    Owned process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process)
        return 1;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 1;
    // Windows fills PrivateUsage (equal to PagefileUsage); Wine leaves it 0 and
    // gives the process's anonymous resident memory as PagefileUsage.
    const SIZE_T priv = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    std::printf("%lu %lu\n", static_cast<unsigned long>(counters.WorkingSetSize), static_cast<unsigned long>(priv));
    return 0;
}

// --- object counts ---------------------------------------------------------

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

struct SystemHandleEntry {
    ULONG pid;
    BYTE type;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

#pragma pack(push, 1)
struct GdiHandleEntry {  // the layout of PEB.GdiSharedHandleTable entries
    unsigned long long object;
    ULONG owner;
    USHORT unique;
    BYTE type;
    BYTE flags;
    unsigned long long user;
};
#pragma pack(pop)

long KernelHandles(DWORD pid)
{
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = query(16 /* SystemHandleInformation */, buffer.data(), buffer.size(), &needed);
        if (status == 0)
            break;
        if (buffer.size() > (64u << 20))
            return -1;
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    long own = 0;
    for (ULONG i = 0; i < count; ++i)
        own += entries[i].pid == pid;
    return own;
}

long GdiObjects(HANDLE process)
{
    auto query = reinterpret_cast<QueryInformationProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, &length) != 0)
        return -1;
    DWORD table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + 0x94, &table, sizeof table,
                           &read) ||
        !table)
        return -1;
    std::vector<GdiHandleEntry> entries(0x10000);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(table)), entries.data(),
                           entries.size() * sizeof(GdiHandleEntry), &read))
        return -1;
    long own = 0;
    for (const GdiHandleEntry& e : entries)
        own += e.type != 0 && !(e.unique & 0x80);  // stock objects are shared by all
    return own;
}

std::string ToolFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Windows, menus and icons counted inside the process by benchcount.dll.
bool UserObjects(HANDLE process, long& windows, long& menus, long& icons)
{
    Owned mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, "KestravaBenchCount"));
    if (!mapping)
        return false;
    char* view = static_cast<char*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 64));
    if (!view)
        return false;
    std::memset(view, 0, 64);
    const std::string dll = ToolFolder() + "benchcount.dll";
    void* remote = VirtualAllocEx(process, nullptr, dll.size() + 1, MEM_COMMIT, PAGE_READWRITE);
    bool ok = false;
    if (remote && WriteProcessMemory(process, remote, dll.c_str(), dll.size() + 1, nullptr)) {
        auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
        Owned thread(CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr));
        if (thread && WaitForSingleObject(thread.get(), 20000) == WAIT_OBJECT_0)
            ok = std::sscanf(view, "%ld %ld %ld", &windows, &menus, &icons) == 3;
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    UnmapViewOfFile(view);
    return ok;
}

// Prints "gdi N user N handles N" and, on Wine, the parts of the USER count.
int Resources(DWORD pid)
{
    Owned process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
    if (!process)
        return 1;
    DWORD gdi = GetGuiResources(process.get(), GR_GDIOBJECTS);
    DWORD user = GetGuiResources(process.get(), GR_USEROBJECTS);
    DWORD handles = 0;
    GetProcessHandleCount(process.get(), &handles);
    if (gdi || user || handles) {
        std::printf("gdi %lu user %lu handles %lu\n", gdi, user, handles);
        return 0;
    }
    // Wine 8 answers all three with 0 (stubs): read the same facts another way.
    long windows = -1, menus = -1, icons = -1;
    if (!UserObjects(process.get(), windows, menus, icons))
        return 1;
    // Counted after the injected thread has ended and its handle is closed.
    std::printf("gdi %ld user %ld handles %ld windows %ld menus %ld icons %ld\n", GdiObjects(process.get()),
                windows + menus + icons, KernelHandles(pid) - 0, windows, menus, icons);
    return 0;
}

// --- start-up --------------------------------------------------------------

// The 16 x 16 pixels of the rightmost tray icon slot, read from the screen.
class TraySlot {
public:
    TraySlot()
    {
        RECT tray{};
        GetWindowRect(FindWindowA("Shell_TrayWnd", nullptr), &tray);
        m_x = tray.right - 10 - 8;
        m_y = (tray.top + tray.bottom) / 2 - 8;
        m_screen = GetDC(nullptr);
        m_memory = CreateCompatibleDC(m_screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 16;
        info.bmiHeader.biHeight = 16;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_bitmap = CreateDIBSection(m_memory, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_memory, m_bitmap);
    }
    ~TraySlot()
    {
        SelectObject(m_memory, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_memory);
        ReleaseDC(nullptr, m_screen);
    }
    std::vector<DWORD> Read()
    {
        BitBlt(m_memory, 0, 0, 16, 16, m_screen, m_x, m_y, SRCCOPY);
        GdiFlush();
        return std::vector<DWORD>(m_bits, m_bits + 256);
    }

private:
    int m_x, m_y;
    HDC m_screen, m_memory;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits = nullptr;
};

HWND WindowOf(DWORD pid, const char* cls)
{
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, cls, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid)
            return w;
    }
    return nullptr;
}

// Starts EXE (in its own folder), waits until its icon is drawn in the empty
// rightmost tray slot, prints the time, then closes the program through its
// hidden window of class CLASS and waits until the slot is empty again.
int Startup(const char* cls, const char* exe, const char* arguments)
{
    TraySlot slot;
    const std::vector<DWORD> empty = slot.Read();
    std::string folder(exe);
    folder.erase(folder.find_last_of('\\'));
    std::string commandLine = std::string("\"") + exe + "\"" + (*arguments ? " " : "") + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const long long start = Counter();
    if (!CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info))
        return 1;
    Owned process(info.hProcess), thread(info.hThread);
    double elapsed = -1;
    while (MillisecondsSince(start) < 20000) {
        if (slot.Read() != empty) {
            elapsed = MillisecondsSince(start);
            break;
        }
        Sleep(0);
    }
    std::printf("%.2f\n", elapsed);
    std::fflush(stdout);
    HWND window = nullptr;
    for (int i = 0; i < 200 && !(window = WindowOf(info.dwProcessId, cls)); ++i)
        Sleep(10);
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 3);
    for (int i = 0; i < 500 && slot.Read() != empty; ++i)
        Sleep(10);
    return elapsed < 0 ? 1 : 0;
}

// --- a locked file ---------------------------------------------------------

int Lock(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("failed %lu\n", GetLastError());
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

// --- the key sweep ---------------------------------------------------------

constexpr WORD kMarker = VK_F24;
long g_seen = 0;         // downs of the key under test that reached the window
WORD g_key = 0;          // the key under test
bool g_marker = false;   // the marker arrived

LRESULT CALLBACK SweepProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam == kMarker)
            g_marker = true;
        else if (wParam == g_key)
            ++g_seen;
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
    case WM_SYSCOMMAND:
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A window of its own class in front with the keyboard focus, where injected
// keys arrive; null (and says so) when the system keeps it behind.
HWND OpenFrontWindow(WNDPROC proc, const char* className, const char* title)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 300, 150, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    Pump();
    if (GetForegroundWindow() != window) {
        std::printf("not in front\n");
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

void Send(const std::vector<WORD>& keys, bool up)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0 /* MAPVK_VK_TO_VSC */));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    if (up)
        std::reverse(inputs.begin(), inputs.end());
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Sends the marker and handles messages until it has arrived: every key sent
// before it has then passed the hook.
bool Settle()
{
    Send({kMarker}, false);
    Send({kMarker}, true);
    g_marker = false;
    const long long start = Counter();
    while (!g_marker && MillisecondsSince(start) < 3000) {
        Pump();
        if (!g_marker)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return g_marker;
}

bool IsModifier(WORD key)
{
    return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_LWIN || key == VK_RWIN ||
           (key >= VK_LSHIFT && key <= VK_RMENU);
}

// Writes the codes the hook must post, in order, to LOG ("post XX"), and
// reports keys that reached the window a wrong number of times on stdout.
int KeySweep(const char* logPath)
{
    const HWND window = OpenFrontWindow(SweepProc, "KestravaKeySweep", "Key Sweep");
    if (!window)
        return 3;
    FILE* log = std::fopen(logPath, "wb");
    if (!log)
        return 2;

    // Win: none, left, right; with every subset of Ctrl, Shift, Alt.
    const WORD wins[] = {0, VK_LWIN, VK_RWIN};
    std::vector<std::vector<WORD>> others;
    for (int bits = 0; bits < 8; ++bits) {
        std::vector<WORD> set;
        if (bits & 1) set.push_back(VK_CONTROL);
        if (bits & 2) set.push_back(VK_SHIFT);
        if (bits & 4) set.push_back(VK_MENU);
        others.push_back(set);
    }
    long keys = 0, combos = 0, posts = 0, wrong = 0;
    for (int key = 1; key < 0xFF; ++key) {
        // Mouse buttons, modifiers (tested on their own), the Unicode packet
        // key and the marker are not swept.
        if (key == VK_LBUTTON || key == VK_RBUTTON || key == VK_MBUTTON || key == VK_XBUTTON1 || key == VK_XBUTTON2 ||
            IsModifier(static_cast<WORD>(key)) || key == VK_PACKET || key == kMarker)
            continue;
        ++keys;
        g_key = static_cast<WORD>(key);
        g_seen = 0;
        long passed = 0;
        for (WORD win : wins) {
            for (const auto& set : others) {
                std::vector<WORD> down;
                if (win)
                    down.push_back(win);
                down.insert(down.end(), set.begin(), set.end());
                down.push_back(static_cast<WORD>(key));
                // The hook reads the key state when the stroke is taken from
                // the queue: release only after the down strokes have passed.
                // SendInput queues synchronously, so one pass of the message
                // loop takes them all.
                Send(down, false);
                Pump();
                Send(down, true);
                Pump();
                ++combos;
                if (win && set.empty()) {
                    std::fprintf(log, "post %02x\n", key);
                    ++posts;
                } else {
                    ++passed;
                }
            }
        }
        if (!Settle()) {
            std::printf("marker lost at %02x\n", key);
            return 4;
        }
        if (g_seen != passed) {
            std::printf("key %02x reached the window %ld times, expected %ld\n", key, g_seen, passed);
            ++wrong;
        }
    }
    std::fclose(log);
    std::printf("keys %ld combinations %ld posts %ld wrong %ld\n", keys, combos, posts, wrong);
    DestroyWindow(window);
    return 0;
}

// --- cost of one keystroke ------------------------------------------------------

bool g_keyArrived = false;

LRESULT CALLBACK StrokeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN || message == WM_KEYUP) {
        g_keyArrived = true;
        return 0;
    }
    if (message == WM_CHAR)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Sends one stroke and handles messages until it has reached the window.
bool StrokeArrives(bool up)
{
    g_keyArrived = false;
    Send({'Q'}, up);
    const long long start = Counter();
    while (!g_keyArrived && MillisecondsSince(start) < 3000) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    return g_keyArrived;
}

int Keystroke(long count)
{
    const HWND window = OpenFrontWindow(StrokeProc, "KestravaKeystroke", "Keystroke");
    if (!window)
        return 3;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> micros;
    for (long i = 0; i < count + 10; ++i) {
        const long long start = Counter();
        if (!StrokeArrives(false)) {
            std::printf("stroke lost\n");
            return 4;
        }
        const double elapsed = 1e6 * static_cast<double>(Counter() - start) / static_cast<double>(frequency.QuadPart);
        if (i >= 10)  // the first strokes load the hook library into this process
            micros.push_back(elapsed);
        StrokeArrives(true);
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%.1f %.1f %.1f\n", micros[micros.size() / 2], micros.front(), micros.back());
    DestroyWindow(window);
    return 0;
}

// --- soak helpers ------------------------------------------------------------

int PostMany(HWND window, UINT message, WPARAM wParam, LPARAM lParam, long count)
{
    for (long i = 0; i < count; ++i) {
        while (!PostMessageA(window, message, wParam, lParam)) {
            if (!IsWindow(window))
                return 1;
            Sleep(1);  // queue full: let the receiver catch up
        }
        if (i % 200 == 199)
            Sleep(1);
    }
    return 0;
}

struct BoxList {
    DWORD pid;
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM param)
{
    auto* list = reinterpret_cast<BoxList*>(param);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == list->pid && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window))
        list->boxes.push_back(window);
    return TRUE;
}

std::vector<HWND> BoxesOf(DWORD pid)
{
    BoxList list{pid, {}};
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&list));
    return list.boxes;
}

std::string BoxText(HWND box)
{
    char text[1024] = "";
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(GetDlgItem(box, 0xFFFF), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    std::string out;
    for (const char* c = text; *c; ++c)
        out += *c == '\n' ? std::string("\\n") : std::string(1, *c);
    return out;
}

int FailSoak(HWND window, WPARAM key, long count)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::vector<std::pair<std::string, long>> texts;
    std::size_t most = 0;
    long missing = 0;
    for (long i = 0; i < count; ++i) {
        PostMessageA(window, WM_APP + 2, key, 0);
        std::vector<HWND> boxes;
        const long long start = Counter();
        while ((boxes = BoxesOf(pid)).empty() && MillisecondsSince(start) < 10000)
            Sleep(2);
        if (boxes.empty()) {
            ++missing;
            continue;
        }
        Sleep(2);  // a second box would show up now
        boxes = BoxesOf(pid);
        most = std::max(most, boxes.size());
        for (HWND box : boxes) {
            const std::string text = BoxText(box);
            auto found = std::find_if(texts.begin(), texts.end(), [&](const auto& t) { return t.first == text; });
            if (found == texts.end())
                texts.emplace_back(text, 1);
            else
                ++found->second;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        }
        const long long closing = Counter();
        while (!BoxesOf(pid).empty() && MillisecondsSince(closing) < 10000)
            Sleep(2);
    }
    std::printf("cycles %ld most %u missing %ld\n", count, static_cast<unsigned>(most), missing);
    for (const auto& t : texts)
        std::printf("%ld\t%s\n", t.second, t.first.c_str());
    return 0;
}

int Usage()
{
    std::fputs("usage: benchtool qpc | mem PID | resources PID | startup CLASS EXE [ARG] | lock PATH | keysweep LOG\n"
               "       keystroke COUNT\n"
               "       postmany HWND MSG WPARAM LPARAM COUNT | failsoak HWND KEY COUNT\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string verb = argv[1];
    if (verb == "qpc" && argc == 2) {
        std::printf("%lld\n", Counter());
        return 0;
    }
    if (verb == "mem" && argc == 3)
        return Memory(ParseNumber(argv[2]));
    if (verb == "resources" && argc == 3)
        return Resources(ParseNumber(argv[2]));
    if (verb == "startup" && (argc == 4 || argc == 5))
        return Startup(argv[2], argv[3], argc == 5 ? argv[4] : "");
    if (verb == "lock" && argc == 3)
        return Lock(argv[2]);
    if (verb == "keysweep" && argc == 3)
        return KeySweep(argv[2]);
    if (verb == "keystroke" && argc == 3)
        return Keystroke(static_cast<long>(ParseNumber(argv[2])));
    if (verb == "postmany" && argc == 7)
        return PostMany(reinterpret_cast<HWND>(std::strtoul(argv[2], nullptr, 16)), ParseNumber(argv[3]),
                        ParseNumber(argv[4]), static_cast<LPARAM>(ParseNumber(argv[5])),
                        static_cast<long>(ParseNumber(argv[6])));
    if (verb == "failsoak" && argc == 5)
        return FailSoak(reinterpret_cast<HWND>(std::strtoul(argv[2], nullptr, 16)), ParseNumber(argv[3]),
                        static_cast<long>(ParseNumber(argv[4])));
    return Usage();
}
