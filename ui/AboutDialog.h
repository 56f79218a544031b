// The About box: icon, "Kestrava Version ..." from the executable's version
// resource, and the link to the makers' web site.
#pragma once
#include <string>
#include "framework/Dialog.h"
#include "LinkLabel.h"

class CAboutDialog : public fw::CDialog {
public:
    CAboutDialog();

    // "Kestrava Version " + file version, and " " + the "SpecialBuild" string
    // when there is one.
    static std::string VersionLine(const std::wstring& executable);

protected:
    void DoDataExchange(fw::CDataExchange& exchange) override;
    BOOL OnInitDialog() override;

private:
    CLinkLabel m_link;
    std::wstring m_versionText;
};
