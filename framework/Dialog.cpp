#include "Dialog.h"
#include "Application.h"

namespace fw {

void CDataExchange::Text(int id, std::wstring& text)
{
    const HWND control = GetDlgItem(m_dialog, id);
    if (m_pull)
        text = CWnd::GetWindowText(control);
    else
        SetWindowTextW(control, text.c_str());
}

void CDataExchange::Control(int id, CWnd& control)
{
    if (!control.GetSafeHwnd())
        control.SubclassDlgItem(id, m_dialog);
}

CDialog::CDialog(UINT templateId, HWND parent) : m_parent(parent), m_templateId(templateId) {}

INT_PTR CDialog::DoModal()
{
    CApplication* app = CApplication::Current();
    const HINSTANCE instance = ProgramInstance();
    HWND owner = m_parent ? m_parent : (app ? app->MainWindow() : nullptr);
    if (owner && !IsWindow(owner))
        owner = nullptr;

    m_result = -1;
    m_running = true;
    // A Unicode dialog: its edits keep and its loop delivers any character.
    const HWND dialog =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(m_templateId), owner, DialogProc, reinterpret_cast<LPARAM>(this));
    if (!dialog) {
        m_running = false;
        return -1;
    }
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner)
        EnableWindow(owner, FALSE);
    if (m_running)
        ShowWindow(dialog, SW_SHOWNORMAL);

    MSG message;
    bool quit = false;
    while (m_running && IsWindow(dialog)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            quit = got == 0;
            break;
        }
        if (!PreTranslateMessage(&message) && !IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    // Enable the owner before the dialog goes, so that activation returns to it.
    if (disableOwner)
        EnableWindow(owner, TRUE);
    if (IsWindow(dialog)) {
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        DestroyWindow(dialog);
    }
    m_running = false;
    if (quit)
        PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop must see it too
    return m_result;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_result = result;
    m_running = false;
    // Wake the loop in case no other message is on its way.
    if (m_hwnd)
        PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

void CDialog::UpdateData(bool pull)
{
    CDataExchange exchange(m_hwnd, pull);
    DoDataExchange(exchange);
}

bool CDialog::PreTranslateMessage(MSG* message)
{
    // Give our own controls the first look (tooltip relays).
    if (message->hwnd != m_hwnd && IsChild(m_hwnd, message->hwnd))
        if (CWnd* control = CWnd::FromHandle(message->hwnd))
            return control->PreTranslateMessage(message);
    return false;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

bool CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

void CDialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Notifications about one of our controls go back to the control first.
    const bool reflected = (message == WM_COMMAND && lParam) || message == WM_CTLCOLORSTATIC;
    if (reflected)
        if (CWnd* control = CWnd::FromHandle(reinterpret_cast<HWND>(lParam)))
            if (control->OnReflectedMessage(message, wParam, lParam, result))
                return true;
    if (message == WM_COMMAND && OnCommand(wParam, lParam)) {
        result = 0;
        return true;
    }
    return OnMessage(message, wParam, lParam, result);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CDialog* self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_hwnd = window;
        self->PreSubclassWindow();
        return self->OnInitDialog();
    }
    CDialog* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->Dispatch(message, wParam, lParam, result))
        return FALSE;
    switch (message) {
    // These answer through the procedure's own result, not DWLP_MSGRESULT.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

}  // namespace fw
