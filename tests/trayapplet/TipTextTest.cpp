#include <gtest/gtest.h>
#include <string>
#include "trayapplet/QuindleTaskBarApplet.h"

using QuindleTools::CQuindleTaskBarApplet;

namespace {

class CTipApplet : public CQuindleTaskBarApplet {
public:
    explicit CTipApplet(std::string tip) : m_tip(std::move(tip)) {}
    std::string GetTipText() override { return m_tip; }
    HICON GetIcon() override { return nullptr; }

private:
    std::string m_tip;
};

TEST(TipText, FitsUpToSixtyThreeCharacters)
{
    EXPECT_EQ(CTipApplet("Kestrava").GetCheckedTipText(), "Kestrava");
    EXPECT_EQ(CTipApplet("").GetCheckedTipText(), "");
    const std::string longest(63, 'x');
    EXPECT_EQ(CTipApplet(longest).GetCheckedTipText(), longest);
}

TEST(TipText, SixtyFourOrMoreIsReplaced)
{
    EXPECT_EQ(CTipApplet(std::string(64, 'x')).GetCheckedTipText(), "Error: Tip too long!");
    EXPECT_EQ(CTipApplet(std::string(1000, 'x')).GetCheckedTipText(), "Error: Tip too long!");
}

TEST(TipText, TheLengthIsTakenUpToTheFirstZero)
{
    std::string tip(70, 'x');
    tip[10] = '\0';
    EXPECT_EQ(CTipApplet(tip).GetCheckedTipText(), tip);
}

}  // namespace
