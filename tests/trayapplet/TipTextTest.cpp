#include <gtest/gtest.h>
#include <stdexcept>
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

// One row per edge case: a tip of up to 63 characters (its length taken up to
// the first zero) is shown as it is, one of 64 or more is replaced.
TEST(TipText, SixtyThreeCharactersAtMost)
{
    std::string cutShort(70, 'x');
    cutShort[10] = '\0';
    const std::pair<std::string, std::string> rows[] = {
        {"Kestrava", "Kestrava"},
        {"", ""},
        {std::string(63, 'x'), std::string(63, 'x')},
        {std::string(64, 'x'), "Error: Tip too long!"},
        {std::string(1000, 'x'), "Error: Tip too long!"},
        {cutShort, cutShort},
    };
    for (const auto& [tip, shown] : rows)
        EXPECT_EQ(CTipApplet(tip).GetCheckedTipText(), shown) << tip.size() << " characters";
}

// A shell restart re-adds the icons still shown; a failing applet stops
// neither the others nor the window procedure.
class CCountingApplet : public CTipApplet {
public:
    explicit CCountingApplet(bool fails) : CTipApplet("counting"), m_fails(fails) {}
    std::string GetTipText() override { return m_fails ? throw std::runtime_error("no tip") : "counting"; }
    HICON GetIcon() override { return ++icons, LoadIconA(nullptr, IDI_APPLICATION); }
    int icons = 0;
    bool m_fails;
};

TEST(TaskbarCreated, OnlyLiveIconsComeBackAndNothingEscapes)
{
    ASSERT_TRUE(CQuindleTaskBarApplet::CreateHiddenWindow());
    CCountingApplet closed(false), live(false), failing(true);
    closed.AddIcon();
    live.AddIcon();
    EXPECT_ANY_THROW(failing.AddIcon());
    closed.Close();
    EXPECT_NO_THROW(CQuindleTaskBarApplet::WindowProc(CQuindleTaskBarApplet::GetHiddenWindow(),
                                                      RegisterWindowMessageA("TaskbarCreated"), 0, 0));
    EXPECT_EQ(closed.icons, 2);  // added, deleted
    EXPECT_EQ(live.icons, 2);    // added, added again
    live.DeleteIcon();
}

}  // namespace
