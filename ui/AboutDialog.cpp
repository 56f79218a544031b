#include "AboutDialog.h"
#include "framework/Application.h"
#include "framework/Text.h"
#include "resource.h"
#include "util/VersionInfo.h"

CAboutDialog::CAboutDialog() : fw::CDialog(IDD_ABOUT, nullptr) {}

std::string CAboutDialog::VersionLine(const std::wstring& executable)
{
    CVersionInfo version;
    version.LoadFrom(executable);
    std::string text = "Kestrava Version " + version.FileVersionText();
    const std::string special = version.QueryString("SpecialBuild", 0);
    if (!special.empty())
        text += " " + special;
    return text;
}

void CAboutDialog::DoDataExchange(fw::CDataExchange& exchange)
{
    exchange.Control(IDC_LINK, m_link);
    exchange.Text(IDC_VERSION, m_versionText);
}

BOOL CAboutDialog::OnInitDialog()
{
    fw::CDialog::OnInitDialog();
    m_versionText = fw::WidenAnsi(VersionLine(fw::ModuleFileName(fw::ProgramInstance())));
    UpdateData(false);
    return TRUE;
}
