// The editor of the 26 hot keys: a captionless dialog that edits a working
// copy of the table one letter at a time and writes the data file on
// "Save && Close", which closes it only when the file was written. Every way
// out ends with IDCANCEL.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "framework/Dialog.h"
#include "store/HotKeyTable.h"
#include "DropEdit.h"
#include "LetterLabel.h"
#include "TitleStrip.h"

class CEditHotKeysDialog : public fw::CDialog {
public:
    explicit CEditHotKeysDialog(HWND parent = nullptr);

    void SelectLetter(char letter);
    // False when the file was not written (the store has said why).
    bool SaveTable();
    void BrowseForCommand();
    void BrowseForStartFolder();

    // The tip of a letter label: "Win + Q: <command and arguments>" or
    // "Win + Q: (not assigned)".
    static std::wstring LetterTip(char letter, const CHotKeyEntry& entry);

    // Letters (bit 0 = 'A') that another program holds as Win + letter hot
    // keys, and whether Kestrava takes them all the same; the hint line says so.
    void SetHeldLetters(uint32_t held, bool taken);
    static std::string HintText(char letter, uint32_t held, bool taken);
    // Asks which of some letters another program holds: a letter that gets
    // its first command is probed then, so that the hint is right at once.
    using LetterProbe = uint32_t (*)(uint32_t letters);
    void SetLetterProbe(LetterProbe probe) { m_probe = probe; }

protected:
    void PreSubclassWindow() override;
    void DoDataExchange(fw::CDataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CLetterLabel& Label(char letter) { return m_letters[letter - 'A']; }
    // The current letter's entry into the fields, and back: a field goes back
    // only when its text differs from what it held when filled, so that an
    // untouched value keeps its bytes even where an edit control cannot show
    // them all (it stops at a NUL).
    void ShowEntry();
    void CommitEntry();
    void UpdateLetterTip(char letter);
    void OnPaint();
    void UpdateHint();
    void ProbeIfNewlyAssigned();
    // The choice to bring a running copy to the front is offered only for a
    // command that names a program: a document's program cannot be told.
    void UpdateRaiseChoice();

    std::wstring m_arguments;
    std::wstring m_command;
    std::wstring m_directory;
    std::wstring m_shown[3];  // command, directory, arguments as filled in
    bool m_shownRaise = false;
    CTitleStrip m_titleStrip;
    CLetterLabel m_letters[26];
    HICON m_icon;  // a resource icon: shared, not destroyed
    CHotKeyTable m_table;
    char m_currentLetter = 'A';
    uint32_t m_heldLetters = 0;
    bool m_heldTaken = true;
    LetterProbe m_probe = nullptr;
    uint32_t m_probedLetters = 0;
    bool m_keepOldFile = false;  // the file was there but unreadable: a save keeps it as a backup
    CDropEdit m_commandEdit;    // takes dropped files
    CDropEdit m_directoryEdit;  // takes dropped folders
};
