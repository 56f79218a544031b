#include "EditHotKeysDialog.h"
#include <commdlg.h>
#include <cstdio>
#include "framework/Application.h"
#include "framework/FileDialog.h"
#include "resource.h"
#include "util/PathHelpers.h"
#include "util/ProgramPath.h"
#include "AboutDialog.h"

namespace {
// Letter label identifiers are the letter's code plus this.
constexpr int kLetterIdOffset = 935;
// Posted at start: the unreadable-file box shows once the editor is on screen.
constexpr UINT WM_SHOW_UNREADABLE = WM_APP + 64;
// Whether the command names a program is looked up once typing pauses: a bare
// name is searched for in every folder of PATH, where a network share that is
// gone may take seconds to answer.
constexpr UINT_PTR kRaiseChoiceTimer = 0x4B52;
constexpr UINT kRaiseChoiceDelay = 300;  // ms
}  // namespace

CEditHotKeysDialog::CEditHotKeysDialog(HWND parent)
    : fw::CDialog(IDD_EDIT_HOT_KEYS, parent), m_icon(LoadIconA(fw::ProgramInstance(), MAKEINTRESOURCEA(IDI_KESTRAVA)))
{
    m_directoryEdit.SetFolderMode(true);
}

std::wstring CEditHotKeysDialog::LetterTip(char letter, const CHotKeyEntry& entry)
{
    std::wstring tip = std::wstring(L"Win + ") + static_cast<wchar_t>(letter) + L": ";
    if (entry.m_command.empty())
        return tip + L"(not assigned)";
    tip += entry.m_command;
    if (!entry.m_arguments.empty())
        tip += L" " + entry.m_arguments;
    return tip;
}

std::string CEditHotKeysDialog::HintText(char letter, uint32_t held, bool taken)
{
    char text[64];
    if (letter == 'L')
        return "Windows keeps Win + L for itself.";
    if (letter < 'A' || letter > 'Z' || !(held & (uint32_t{1} << (letter - 'A'))))
        return "Settings will take effect when you Save && Close.";
    std::snprintf(text, sizeof text, taken ? "Windows also uses Win + %c: Kestrava takes it."
                                           : "Windows keeps Win + %c: it will not reach Kestrava.", letter);
    return text;
}

void CEditHotKeysDialog::SetHeldLetters(uint32_t held, bool taken)
{
    m_heldLetters = held;
    m_heldTaken = taken;
    if (m_hwnd != nullptr)
        UpdateHint();
}

void CEditHotKeysDialog::ProbeIfNewlyAssigned()
{
    const uint32_t bit = uint32_t{1} << (m_currentLetter - 'A');
    if (m_probe == nullptr || (m_probedLetters & bit) || GetWindowTextLengthW(GetDlgItem(m_hwnd, IDC_COMMAND)) == 0)
        return;
    m_probedLetters |= bit;
    if (m_probe(bit) & bit) {
        m_heldLetters |= bit;
        UpdateHint();
    }
}

void CEditHotKeysDialog::UpdateHint()
{
    SetDlgItemTextA(m_hwnd, IDC_HINT, HintText(m_currentLetter, m_heldLetters, m_heldTaken).c_str());
}

void CEditHotKeysDialog::PreSubclassWindow()
{
    // Unowned, it still gets a taskbar button.
    SetWindowLongA(m_hwnd, GWL_EXSTYLE, GetWindowLongA(m_hwnd, GWL_EXSTYLE) | WS_EX_APPWINDOW);
}

void CEditHotKeysDialog::DoDataExchange(fw::CDataExchange& exchange)
{
    exchange.Control(IDC_TITLE_STRIP, m_titleStrip);
    for (int i = 0; i < 26; ++i) {
        if (!m_letters[i].GetSafeHwnd())
            m_letters[i].SetControlId(IDC_LETTER_A + i);
        exchange.Control(IDC_LETTER_A + i, m_letters[i]);
    }
    exchange.Control(IDC_COMMAND, m_commandEdit);
    exchange.Control(IDC_START_DIR, m_directoryEdit);
    exchange.Text(IDC_ARGUMENTS, m_arguments);
    exchange.Text(IDC_COMMAND, m_command);
    exchange.Text(IDC_START_DIR, m_directory);
}

BOOL CEditHotKeysDialog::OnInitDialog()
{
    fw::CDialog::OnInitDialog();
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));

    m_titleStrip.SetFaceName("Verdana");
    m_titleStrip.SetHeight(18);
    m_titleStrip.SetWeight(700);
    m_titleStrip.SetTextColour(RGB(64, 128, 255));
    m_titleStrip.SetBannerText("Kestrava");

    for (const char letter : {'E', 'F', 'M', 'R'})
        EnableWindow(Label(letter).GetSafeHwnd(), FALSE);

    // A file that is there but unreadable must not be silently overwritten.
    m_keepOldFile = !m_table.LoadFromFile(GetDataFilePath());
    if (m_keepOldFile)
        PostMessageA(m_hwnd, WM_SHOW_UNREADABLE, 0, 0);
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        UpdateLetterTip(letter);

    ShowEntry();
    SelectLetter(m_currentLetter);
    SetWindowText(L"Kestrava - Edit Keys");
    SetFocus(m_hwnd);
    return TRUE;
}

void CEditHotKeysDialog::UpdateLetterTip(char letter)
{
    Label(letter).SetTipText(LetterTip(letter, m_table.GetEntry(letter)));
}

void CEditHotKeysDialog::ShowEntry()
{
    const CHotKeyEntry& entry = m_table.GetEntry(m_currentLetter);
    m_command = entry.m_command;
    m_directory = entry.m_directory;
    m_arguments = entry.m_arguments;
    UpdateData(false);
    UpdateData(true);  // what the fields hold, which may be less than they were given
    m_shown[0] = m_command;
    m_shown[1] = m_directory;
    m_shown[2] = m_arguments;
    CheckDlgButton(m_hwnd, IDC_RAISE, entry.m_raise ? BST_CHECKED : BST_UNCHECKED);
    UpdateRaiseChoice();
    m_shownRaise = IsDlgButtonChecked(m_hwnd, IDC_RAISE) == BST_CHECKED;
}

void CEditHotKeysDialog::UpdateRaiseChoice()
{
    const HWND box = GetDlgItem(m_hwnd, IDC_RAISE);
    // As typed: the folder typed is where the program starts.
    const bool program = NamesProgram(m_commandEdit.GetWindowText(),
                                      SystemProgramSearch(m_directoryEdit.GetWindowText(), [](const std::wstring& path) {
                                          return ResolveShortcut(path);
                                      }));
    EnableWindow(box, program);
    if (!program)
        CheckDlgButton(m_hwnd, IDC_RAISE, BST_UNCHECKED);
}

void CEditHotKeysDialog::CommitEntry()
{
    if (KillTimer(m_hwnd, kRaiseChoiceTimer))
        UpdateRaiseChoice();  // the box as the command now stands
    UpdateData(true);
    CHotKeyEntry& entry = m_table.GetEntry(m_currentLetter);
    if (m_command != m_shown[0])
        entry.m_command = m_command;
    if (m_directory != m_shown[1])
        entry.m_directory = m_directory;
    if (m_arguments != m_shown[2])
        entry.m_arguments = m_arguments;
    // Untouched, a choice the box cannot show (the command is no program now) stays.
    const bool raise = IsDlgButtonChecked(m_hwnd, IDC_RAISE) == BST_CHECKED;
    if (raise != m_shownRaise)
        entry.m_raise = raise;
}

void CEditHotKeysDialog::SelectLetter(char letter)
{
    CommitEntry();
    UpdateLetterTip(m_currentLetter);

    CLetterLabel& previous = Label(m_currentLetter);
    previous.SetSelected(false);
    InvalidateRect(previous.GetSafeHwnd(), nullptr, TRUE);

    m_currentLetter = letter;
    m_titleStrip.SetWindowText(std::wstring(L"Editing : Win + ") + static_cast<wchar_t>(letter));
    UpdateHint();

    CLetterLabel& selected = Label(letter);
    selected.SetSelected(true);
    InvalidateRect(selected.GetSafeHwnd(), nullptr, TRUE);

    ShowEntry();
}

bool CEditHotKeysDialog::SaveTable() { return m_table.SaveToFile(GetDataFilePath(), m_keepOldFile); }

void CEditHotKeysDialog::BrowseForCommand()
{
    UpdateData(true);
    fw::CFileDialog dialog(L"*.exe", L"*.exe", OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING,
                           L"Applications (*.exe)|*.exe|Batch files (*.bat)|*.bat|All files (*.*)|*.*||", m_hwnd);
    dialog.m_title = L"Select application or file to launch when event fires";
    if (dialog.DoModal() != IDOK)
        return;
    m_command = dialog.GetPathName();
    UpdateData(false);
}

void CEditHotKeysDialog::BrowseForStartFolder()
{
    UpdateData(true);
    std::wstring folder;
    // Opens at the folder as last committed, not as typed since.
    if (!BrowseForFolder(L"Choose a start folder", folder, m_table.GetEntry(m_currentLetter).m_directory, m_hwnd))
        return;
    m_directory = folder;
    UpdateData(false);
}

bool CEditHotKeysDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // The letter labels post their identifier with lParam 0 and code 0.
    if (lParam == 0 && wParam >= IDC_LETTER_A && wParam <= IDC_LETTER_Z) {
        const char letter = static_cast<char>(wParam - kLetterIdOffset);
        // A disabled letter (E, F, M, R) is never selected, whoever asks.
        if (IsWindowEnabled(Label(letter).GetSafeHwnd()))
            SelectLetter(letter);
        return true;
    }
    if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_COMMAND) {
        ProbeIfNewlyAssigned();
        SetTimer(m_hwnd, kRaiseChoiceTimer, kRaiseChoiceDelay, nullptr);
        return true;
    }
    if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_START_DIR) {
        SetTimer(m_hwnd, kRaiseChoiceTimer, kRaiseChoiceDelay, nullptr);  // a bare name is looked for there first
        return true;
    }
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_BROWSE_COMMAND:
            BrowseForCommand();
            return true;
        case IDC_BROWSE_START_DIR:
            BrowseForStartFolder();
            return true;
        case IDC_ABOUT_BUTTON: {
            CAboutDialog about;
            about.DoModal();
            return true;
        }
        default:
            break;
        }
    }
    return fw::CDialog::OnCommand(wParam, lParam);
}

void CEditHotKeysDialog::OnOK()
{
    SelectLetter(m_currentLetter);
    // The store's box says why; the editor stays with the user's changes,
    // for Save && Close to try again or Close to discard them.
    if (SaveTable())
        EndDialog(IDCANCEL);
}

void CEditHotKeysDialog::OnCancel() { EndDialog(IDCANCEL); }

void CEditHotKeysDialog::OnPaint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(m_hwnd, &paint);
    SendMessageA(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hwnd, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(m_hwnd, &paint);
}

bool CEditHotKeysDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != kRaiseChoiceTimer)
            return false;
        KillTimer(m_hwnd, kRaiseChoiceTimer);
        UpdateRaiseChoice();
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
        // A click on any bare part moves the window as the caption would.
        PostMessageA(m_hwnd, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        result = 0;
        return true;
    case WM_PAINT:
        if (!IsIconic(m_hwnd))
            return false;
        OnPaint();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_icon);
        return true;
    case WM_DROPEDIT_NOTIFY:
        UpdateData(true);
        result = 0;
        return true;
    case WM_SHOW_UNREADABLE:
        fw::AppMessageBox(L"Kestrava could not read the hot keys in " + GetDataFilePath() +
                              L". If you save, that file is kept as Kestrava.dat.bak.",
                          MB_OK);
        result = 0;
        return true;
    default:
        return false;
    }
}
