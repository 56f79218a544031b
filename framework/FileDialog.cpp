#include "FileDialog.h"
#include <commdlg.h>

namespace fw {

CFileDialog::CFileDialog(const std::string& defaultExtension, const std::string& fileName, DWORD flags,
                         const std::string& filter, HWND owner)
    : m_defaultExtension(defaultExtension),
      m_fileName(fileName),
      m_flags(flags),
      m_filter(FilterList(filter)),
      m_owner(owner)
{
}

std::string CFileDialog::FilterList(const std::string& filter)
{
    std::string list = filter;
    for (char& c : list)
        if (c == '|')
            c = '\0';
    list.append(2, '\0');  // double NUL ends the list even without trailing bars
    return list;
}

INT_PTR CFileDialog::DoModal()
{
    char file[MAX_PATH] = "";
    lstrcpynA(file, m_fileName.c_str(), MAX_PATH);

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_owner;
    ofn.lpstrFilter = m_filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = m_title.empty() ? nullptr : m_title.c_str();
    ofn.Flags = m_flags;
    // The platform wants the extension without the dot; "*.exe" keeps only "exe".
    const auto dot = m_defaultExtension.rfind('.');
    const std::string extension = dot == std::string::npos ? m_defaultExtension : m_defaultExtension.substr(dot + 1);
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();

    if (!GetOpenFileNameA(&ofn))
        return IDCANCEL;
    m_path = file;
    return IDOK;
}

}  // namespace fw
