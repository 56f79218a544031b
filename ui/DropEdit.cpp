#include "DropEdit.h"
#include <objbase.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <vector>
#include "framework/Handle.h"

std::string GetDroppedPath(HDROP drop)
{
    std::string path;
    // Only the first name counts.
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
        std::vector<char> name(length + 1, '\0');
        if (DragQueryFileA(drop, 0, name.data(), length + 1) > 0)
            path = name.data();
    }
    DragFinish(drop);
    const std::string target = ResolveShortcut(path);
    return target.empty() ? path : target;
}

std::string ResolveShortcut(const std::string& path)
{
    if (path.empty())
        return std::string();
    fw::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return std::string();
    fw::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        return std::string();

    const int wideLength = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (wideLength <= 0)
        return std::string();
    std::vector<wchar_t> wide(wideLength);
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), wideLength);
    if (FAILED(file->Load(wide.data(), STGM_READ)))
        return std::string();

    char target[MAX_PATH] = "";
    WIN32_FIND_DATAA found;
    if (FAILED(link->GetPath(target, MAX_PATH, &found, SLGP_UNCPRIORITY)))
        return std::string();
    return target;
}

bool CDropEdit::OnDropFiles(HDROP drop)
{
    const std::string path = GetDroppedPath(drop);
    struct _stat status;
    if (path.empty() || _stat(path.c_str(), &status) != 0)
        return false;
    if (!m_notifyWindow)
        m_notifyWindow = GetParent(m_hwnd);
    const bool isFolder = (status.st_mode & _S_IFDIR) != 0;
    const bool isFile = !isFolder && (status.st_mode & _S_IFREG) != 0;
    if (!(isFolder && m_folderMode) && !(isFile && !m_folderMode))
        return false;
    SetWindowText(path);
    if (m_notifyWindow)
        PostMessageA(m_notifyWindow, WM_DROPEDIT_NOTIFY, 0, 0);
    return true;
}

LRESULT CDropEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        if (Default(message, wParam, lParam) == -1)
            return -1;
        m_notifyWindow = reinterpret_cast<const CREATESTRUCTA*>(lParam)->hwndParent;
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
