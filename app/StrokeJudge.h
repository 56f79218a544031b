// What the low-level hook does with each stroke, decided without a window:
// the key thread feeds it every stroke with the key state and the time, and a
// unit test can do the same.
//
// A low-level hook is told nothing of earlier strokes, and a stroke it takes
// never shows in the key state (GetAsyncKeyState), so it keeps its own record
// of the presses it took. A press is keyed by scan code and extended flag, as
// the keyboard reports it: a launched window with another layout may report
// the same key as another letter. A down stroke repeats a taken press only
// while no other key went down since (auto-repeat repeats only the key
// pressed last). A release that never arrives (it went to the secure desktop,
// or another hook swallowed it) must not leave the key taken for good: once
// the Windows key is up, a taken press also ends when the keyboard's repeat
// delay has passed without a repeat.
#pragma once
#include <windows.h>
#include <bitset>
#include <cstdint>

// Bit of a letter 'A'..'Z' in a letter mask.
constexpr uint32_t LetterBit(char letter) { return uint32_t{1} << (letter - 'A'); }

class CStrokeJudge {
public:
    enum Verdict {
        kPass,    // to the next hook
        kTake,    // swallowed: a repeat or release of a taken press, or a held-back Windows key release
        kLaunch,  // swallowed, and the letter's command is due: a new press of a letter to take
    };

    // The keys as the system sees them when the stroke arrives.
    class KeyState {
    public:
        virtual bool IsDown(int vk) const = 0;

    protected:
        ~KeyState() = default;
    };

    // Strokes that carry this in dwExtraInfo are our own and always pass.
    static constexpr ULONG_PTR kOwnMark = 0x4B535456;

    // `letters`: the letters to take (bit 0 = 'A'); `repeatWindow`: how many
    // milliseconds after a taken press's last down stroke another one still
    // counts as its auto-repeat once the Windows key is up.
    Verdict Judge(const KBDLLHOOKSTRUCT& stroke, uint32_t letters, const KeyState& keys, DWORD repeatWindow);

    // A masking stroke keeps the release of the Windows key from opening the
    // Start menu. It is due after a launch, and after any stroke taken while
    // a Windows key is down if none went with this press of it. The key
    // thread sends it and says so with EndMask.
    bool MaskDue() const { return m_maskDue; }
    void EndMask() { m_maskDue = false; }

    // A Windows key release that arrives while the masking stroke is due is
    // held back, for the key thread to send after it. It stays pending until
    // the hook sees our own marked release of that key go by (only then has
    // the system taken it), or until a new real press of that key.
    // `vk`: VK_LWIN or VK_RWIN.
    bool ReleasePending(DWORD vk) const { return m_pendingRelease[vk == VK_RWIN]; }

    // The repeat window for the keyboard delay setting 0..3 (250 ms .. 1 s).
    static DWORD RepeatWindow(UINT keyboardDelay);

private:
    Verdict Swallow(const KeyState& keys);

    static constexpr int kKeys = 0x300;  // scan codes without and with the extended flag; virtual keys
    std::bitset<kKeys> m_taken;
    std::bitset<kKeys> m_takenUnderWindows;  // taken, and no Windows key went up since
    DWORD m_lastDown[kKeys] = {};
    int m_lastRealDown = -1;  // the key of the last down stroke not our own
    bool m_maskDue = false;
    bool m_pressMasked = false;  // a masking stroke went with this press of the Windows key
    bool m_pendingRelease[2] = {};  // left, right
};
