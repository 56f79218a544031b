#include "app/WindowRaiser.h"
#include <dwmapi.h>
#include <algorithm>
#include <map>
#include "ui/DropEdit.h"
#include "util/ProgramPath.h"

namespace {

constexpr DWORD kQueryLimitedInformation = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION, Vista on
constexpr DWORD kSearchSystem32 = 0x800;            // LOAD_LIBRARY_SEARCH_SYSTEM32

// `imageName`: a running program's file as the system names it. A 32-bit
// Kestrava on 64-bit Windows sees "System32" as SysWOW64, where a command
// means what it starts; a process's image name means the folder it names.
bool IdentityOf(const std::wstring& path, bool imageName, FileIdentity& identity)
{
#ifdef _WIN64
    (void)imageName;
#else
    // Looked up: 32-bit Windows XP has neither.
    using Redirection = BOOL(WINAPI*)(PVOID*);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto disable = reinterpret_cast<Redirection>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    const auto revert = reinterpret_cast<BOOL(WINAPI*)(PVOID)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    PVOID redirection = nullptr;
    const bool direct = imageName && disable != nullptr && revert != nullptr && disable(&redirection);
#endif
    const fw::File file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
#ifndef _WIN64
    if (direct)
        revert(redirection);
#endif
    BY_HANDLE_FILE_INFORMATION information;
    if (!file || !GetFileInformationByHandle(file.get(), &information))
        return false;
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
    return true;
}

}  // namespace

CWindowRaiser::CWindowRaiser()
{
    m_queryImageName = reinterpret_cast<QueryImageName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
    // From the system folder only: a bare name is looked for beside the
    // program first. Windows knows the flag wherever windows can be cloaked (8 on).
    m_dwmapi.reset(LoadLibraryExW(L"dwmapi.dll", nullptr, kSearchSystem32));
    if (m_dwmapi)
        m_getDwmAttribute = reinterpret_cast<GetDwmAttribute>(
            reinterpret_cast<void*>(GetProcAddress(m_dwmapi.get(), "DwmGetWindowAttribute")));
}

bool CWindowRaiser::BringToFront(char letter, const CHotKeyEntry& entry)
{
    if (letter < 'A' || letter > 'Z')
        return false;
    // The launch starts in the entry's folder: a bare name is looked for there first.
    const ProgramSearch search =
        SystemProgramSearch(entry.m_directory, [](const std::wstring& path) { return ResolveShortcut(path); });
    const std::wstring program = FindProgramFile(entry.m_command, search);
    FileIdentity identity;
    if (program.empty() || !IdentityOf(program, false, identity))
        return false;
    const std::vector<HWND> windows = ProgramWindows(identity);
    if (windows.empty())
        return false;

    // A dialog of the program in front counts as its window in front.
    const HWND foreground = GetForegroundWindow();
    HWND inFront = nullptr;
    for (const HWND candidate : {foreground, GetAncestor(foreground, GA_ROOTOWNER)}) {
        if (std::find(windows.begin(), windows.end(), candidate) != windows.end())
            inFront = candidate;
    }
    if (const HWND next = m_cycles[letter - 'A'].Choose(windows, inFront))
        Raise(next);
    return true;
}

bool CWindowRaiser::Counts(HWND window) const
{
    if (!IsWindowVisible(window))
        return false;
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_APPWINDOW) && (GetWindow(window, GW_OWNER) != nullptr || (exStyle & WS_EX_TOOLWINDOW)))
        return false;
    // On another virtual desktop, or a suspended app's.
    DWORD cloaked = 0;
    return m_getDwmAttribute == nullptr ||
           FAILED(m_getDwmAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) || cloaked == 0;
}

struct CWindowRaiser::WindowSearch {
    const CWindowRaiser& raiser;
    const FileIdentity& program;
    std::map<DWORD, bool> processes;  // each process is asked once
    std::vector<HWND> windows;
};

std::vector<HWND> CWindowRaiser::ProgramWindows(const FileIdentity& program) const
{
    WindowSearch search{*this, program, {}, {}};
    // Top-level windows come in stacking order, the topmost first.
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

BOOL CALLBACK CWindowRaiser::CollectWindow(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    if (!search.raiser.Counts(window))
        return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    auto known = search.processes.find(processId);
    if (known == search.processes.end())
        known = search.processes.emplace(processId, search.raiser.ProcessRuns(processId, search.program)).first;
    if (known->second)
        search.windows.push_back(window);
    return TRUE;
}

bool CWindowRaiser::ProcessRuns(DWORD processId, const FileIdentity& program) const
{
    if (m_queryImageName == nullptr)
        return false;
    // Enough to name an elevated program's file too.
    const fw::KernelHandle process(OpenProcess(kQueryLimitedInformation, FALSE, processId));
    if (!process)
        return false;
    std::wstring image(32768, L'\0');
    DWORD length = static_cast<DWORD>(image.size());
    if (!m_queryImageName(process.get(), 0, &image[0], &length))
        return false;
    image.resize(length);
    FileIdentity identity;
    return IdentityOf(image, true, identity) && identity == program;
}

void CWindowRaiser::Raise(HWND window)
{
    SetForegroundWindow(window);
    if (!IsIconic(window))
        return;
    // Restored by its own window procedure, as its taskbar button does, and
    // without waiting for a program that does not answer. Windows refuses
    // ShowWindow on an elevated program's window from one with less rights.
    // Where the message is refused too, the window is the active one but
    // stays minimized.
    if (!PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0))
        ShowWindowAsync(window, SW_RESTORE);
}
