// The common file-open dialog (GetOpenFileNameA).
#pragma once
#include <windows.h>
#include <string>

namespace fw {

class CFileDialog {
public:
    // filter: pairs of description and pattern separated and ended by '|',
    // e.g. "Programs (*.exe)|*.exe||".
    CFileDialog(const std::string& defaultExtension, const std::string& fileName, DWORD flags,
                const std::string& filter, HWND owner);

    std::string m_title;

    // IDOK when the user chose a file, else IDCANCEL.
    INT_PTR DoModal();
    std::string GetPathName() const { return m_path; }

    // The filter with '|' turned into the NULs the platform expects.
    static std::string FilterList(const std::string& filter);

private:
    std::string m_defaultExtension;
    std::string m_fileName;
    DWORD m_flags;
    std::string m_filter;
    HWND m_owner;
    std::string m_path;
};

}  // namespace fw
