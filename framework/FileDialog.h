// The common file-open dialog (GetOpenFileNameW).
#pragma once
#include <windows.h>
#include <string>

namespace fw {

class CFileDialog {
public:
    // filter: pairs of description and pattern separated and ended by '|',
    // e.g. L"Programs (*.exe)|*.exe||".
    CFileDialog(const std::wstring& defaultExtension, const std::wstring& fileName, DWORD flags,
                const std::wstring& filter, HWND owner);

    std::wstring m_title;

    // IDOK when the user chose a file, else IDCANCEL.
    INT_PTR DoModal();
    std::wstring GetPathName() const { return m_path; }

    // The filter with '|' turned into the NULs the platform expects.
    static std::wstring FilterList(const std::wstring& filter);

    // Paths of file dialogs and shortcuts come in MAX_PATH buffers: one that
    // does not fit is refused with this box, never cut short.
    static constexpr std::size_t kMaxPathLength = MAX_PATH - 1;
    static void ReportPathTooLong(HWND owner);

private:
    std::wstring m_defaultExtension;
    std::wstring m_fileName;
    DWORD m_flags;
    std::wstring m_filter;
    HWND m_owner;
    std::wstring m_path;
};

}  // namespace fw
