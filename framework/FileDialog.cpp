#include "FileDialog.h"
#include <commdlg.h>
#include <cderr.h>
#include "Application.h"

namespace fw {

CFileDialog::CFileDialog(const std::wstring& defaultExtension, const std::wstring& fileName, DWORD flags,
                         const std::wstring& filter, HWND owner)
    : m_defaultExtension(defaultExtension),
      m_fileName(fileName),
      m_flags(flags),
      m_filter(FilterList(filter)),
      m_owner(owner)
{
}

std::wstring CFileDialog::FilterList(const std::wstring& filter)
{
    std::wstring list = filter;
    for (wchar_t& c : list)
        if (c == L'|')
            c = L'\0';
    list.append(2, L'\0');  // double NUL ends the list even without trailing bars
    return list;
}

void CFileDialog::ReportPathTooLong(HWND owner)
{
    AppMessageBox(L"This path is longer than the 259 characters that fit here.", MB_OK, owner);
}

INT_PTR CFileDialog::DoModal()
{
    if (m_fileName.size() > kMaxPathLength) {
        ReportPathTooLong(m_owner);
        return IDCANCEL;
    }
    wchar_t file[MAX_PATH] = L"";
    lstrcpynW(file, m_fileName.c_str(), MAX_PATH);

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_owner;
    ofn.lpstrFilter = m_filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = m_title.empty() ? nullptr : m_title.c_str();
    ofn.Flags = m_flags;
    // The platform wants the extension without the dot; "*.exe" keeps only "exe".
    const auto dot = m_defaultExtension.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? m_defaultExtension : m_defaultExtension.substr(dot + 1);
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();

    if (!GetOpenFileNameW(&ofn)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            ReportPathTooLong(m_owner);
        return IDCANCEL;
    }
    m_path = file;
    return IDOK;
}

}  // namespace fw
