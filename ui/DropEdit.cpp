#include "DropEdit.h"
#include <objbase.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <cwchar>
#include <vector>
#include "framework/FileDialog.h"
#include "framework/Handle.h"

std::wstring GetDroppedPath(HDROP drop, bool* tooLong)
{
    std::wstring path;
    // Only the first name counts.
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        std::vector<wchar_t> name(length + 1, L'\0');
        if (DragQueryFileW(drop, 0, name.data(), length + 1) > 0)
            path = name.data();
    }
    DragFinish(drop);
    bool cut = false;
    const std::wstring target = ResolveShortcut(path, &cut);
    if (tooLong != nullptr)
        *tooLong = cut;
    return cut ? std::wstring() : target.empty() ? path : target;
}

std::wstring ResolveShortcut(const std::wstring& path, bool* tooLong)
{
    if (path.empty())
        return std::wstring();
    fw::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return std::wstring();
    fw::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        return std::wstring();
    if (FAILED(file->Load(path.c_str(), STGM_READ)))
        return std::wstring();

    // One character more than a path may have: a target that fills it was cut.
    wchar_t target[MAX_PATH + 1] = L"";
    WIN32_FIND_DATAW found;
    if (FAILED(link->GetPath(target, MAX_PATH + 1, &found, SLGP_UNCPRIORITY)))
        return std::wstring();
    // '?' is never part of a file name: the link's path text went through a
    // code page that lacks some of its letters (Wine keeps it that way). The
    // item list holds the name whole.
    if (std::wcschr(target, L'?') != nullptr) {
        LPITEMIDLIST items = nullptr;
        wchar_t fromItems[MAX_PATH] = L"";
        if (SUCCEEDED(link->GetIDList(&items)) && items != nullptr) {
            if (SHGetPathFromIDListW(items, fromItems))
                lstrcpynW(target, fromItems, MAX_PATH);
            CoTaskMemFree(items);
        }
    }
    const bool cut = std::wcslen(target) > fw::CFileDialog::kMaxPathLength;
    if (tooLong != nullptr)
        *tooLong = cut;
    return cut ? std::wstring() : std::wstring(target);
}

bool CDropEdit::OnDropFiles(HDROP drop)
{
    bool tooLong = false;
    const std::wstring path = GetDroppedPath(drop, &tooLong);
    if (tooLong)
        fw::CFileDialog::ReportPathTooLong(GetParent(m_hwnd));
    struct _stat status;
    if (path.empty() || _wstat(path.c_str(), &status) != 0)
        return false;
    if (!m_notifyWindow)
        m_notifyWindow = GetParent(m_hwnd);
    const bool isFolder = (status.st_mode & _S_IFDIR) != 0;
    const bool isFile = !isFolder && (status.st_mode & _S_IFREG) != 0;
    if (!(isFolder && m_folderMode) && !(isFile && !m_folderMode))
        return false;
    SetWindowText(path);
    if (m_notifyWindow)
        PostMessageW(m_notifyWindow, WM_DROPEDIT_NOTIFY, 0, 0);
    return true;
}

LRESULT CDropEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        if (Default(message, wParam, lParam) == -1)
            return -1;
        m_notifyWindow = reinterpret_cast<const CREATESTRUCTW*>(lParam)->hwndParent;
        DragAcceptFiles(m_hwnd, TRUE);
        return 0;
    }
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}
