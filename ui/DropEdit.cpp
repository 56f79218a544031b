#include "DropEdit.h"
#include <objbase.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <cwchar>
#include <vector>
#include "framework/Handle.h"

std::wstring GetDroppedPath(HDROP drop)
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
    const std::wstring target = ResolveShortcut(path);
    return target.empty() ? path : target;
}

std::wstring ResolveShortcut(const std::wstring& path)
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

    wchar_t target[MAX_PATH] = L"";
    WIN32_FIND_DATAW found;
    if (FAILED(link->GetPath(target, MAX_PATH, &found, SLGP_UNCPRIORITY)))
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
    return target;
}

bool CDropEdit::OnDropFiles(HDROP drop)
{
    const std::wstring path = GetDroppedPath(drop);
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
