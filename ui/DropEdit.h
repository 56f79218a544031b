// An edit control that takes a file (or, in folder mode, a folder) dragged
// onto it from the shell, shortcuts resolved, and tells its owner.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>
#include "framework/Controls.h"

// Posted (wParam 0, lParam 0) to the notify window after a drop was taken.
constexpr UINT WM_DROPEDIT_NOTIFY = WM_APP + 63;

class CDropEdit : public fw::CEdit {
public:
    void SetFolderMode(bool folders) { m_folderMode = folders; }
    bool IsFolderMode() const { return m_folderMode; }
    HWND GetNotifyWindow() const { return m_notifyWindow; }

    // Takes the drop as WM_DROPFILES does; the handle is finished. True when
    // the path was taken.
    bool OnDropFiles(HDROP drop);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_folderMode = false;
    HWND m_notifyWindow = nullptr;
};

// The first dropped path, or its target when it is a shortcut; empty, with
// tooLong set, when that target is too long to come whole. Finishes the drop.
std::wstring GetDroppedPath(HDROP drop, bool* tooLong = nullptr);
// The target of the shortcut file at path; empty when it is none or cannot be
// read, or (tooLong set) is longer than a path may be. COM must be
// initialised on the thread.
std::wstring ResolveShortcut(const std::wstring& path, bool* tooLong = nullptr);
