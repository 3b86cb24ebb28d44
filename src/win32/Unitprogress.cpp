#include "Unitprogress.h"

#include "framework/Text.h"
#include "runtime/Text.h"

#include <commctrl.h>

#include <cmath>
#include <string>

namespace {

constexpr int BarSteps = 10000;

void SetText(const TControl* control, const std::u16string& text) {
    SetWindowTextW(control->Handle, ToWide(text).c_str());
}

// The question box's buttons in the program's language, whatever the system's is: named while
// the box is being made, before it shows.
HHOOK QuestionHook = nullptr;

LRESULT CALLBACK NameQuestionButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDYES, L"Ja");
        SetDlgItemTextW(box, IDNO, L"Nein");
    }
    return CallNextHookEx(QuestionHook, code, wParam, lParam);
}

} // namespace

TFormProgress::TFormProgress(TTicker& ticker) : TForm(L"TFormProgress"), Progress(*this, ticker) {
    Bind(u"ButtonRelapseClick", [this] { ButtonRelapseClick(); });
    Bind(u"ButtonCloseClick", [this] { ButtonCloseClick(); });
    Bind(u"CheckAutostartClick", [this] { CheckAutostartClick(); });
    Build();
    KeyboardNavigation = true;
    LabelSmokeFree = &Component(u"LabelSmokeFree");
    LabelCigarettes = &Component(u"LabelCigarettes");
    LabelMoney = &Component(u"LabelMoney");
    LabelLifeWon = &Component(u"LabelLifeWon");
    for (int i = 0; i < 8; ++i) {
        const std::u16string n = FromUtf8(std::to_string(i + 1));
        LabelMilestones[i] = &Component(u"LabelMilestone" + n);
        LabelMilestoneDays[i] = &Component(u"LabelMilestoneDay" + n);
        BarMilestones[i] = &Component(u"BarMilestone" + n);
    }
    MemoAttempts = &Component(u"MemoAttempts");
    CheckAutostart = &Component(u"CheckAutostart");
    ButtonRelapse = &Component(u"ButtonRelapse");
    ButtonClose = &Component(u"ButtonClose");
}

void TFormProgress::ShowNear(HWND beside) {
    Progress.ShowAutostart();
    if (IsOpen()) {
        if (IsIconic(Window)) {
            ShowWindow(Window, SW_RESTORE);
        }
        SetForegroundWindow(Window);
        return;
    }
    Progress.Refresh();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(beside, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    RECT rect{};
    GetWindowRect(Window, &rect);
    const TPoint at =
        CenteredPosition({area.left, area.top, area.right - area.left, area.bottom - area.top},
                         rect.right - rect.left, rect.bottom - rect.top);
    SetWindowPos(Window, HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(Window);
    // Enter or the space bar pressed at once must not start the relapse's question.
    SetFocus(ButtonClose->Handle);
}

void TFormProgress::CheckAutostartClick() {
    Progress.CheckAutostartClick(SendMessageW(CheckAutostart->Handle, BM_GETCHECK, 0, 0) ==
                                 BST_CHECKED);
}

void TFormProgress::ShowAutostart(bool on) {
    SendMessageW(CheckAutostart->Handle, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TFormProgress::ButtonRelapseClick() {
    Progress.ButtonRelapseClick();
}

void TFormProgress::ButtonCloseClick() {
    ShowWindow(Window, SW_HIDE);
}

LRESULT TFormProgress::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Escape (IsDialogMessageW's IDCANCEL) and the close box hide the window; it is shown
    // again as it is at the next double-click.
    if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
        ButtonCloseClick();
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        // White, as the controls' backgrounds are.
        RECT rect{};
        GetClientRect(Window, &rect);
        FillRect(reinterpret_cast<HDC>(wParam), &rect,
                 static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 1;
    }
    return TForm::HandleMessage(message, wParam, lParam);
}

void TFormProgress::ShowTexts(const TProgressTexts& texts) {
    SetText(LabelSmokeFree, texts.SmokeFree);
    SetText(LabelCigarettes, texts.Cigarettes);
    SetText(LabelMoney, texts.Money);
    SetText(LabelLifeWon, texts.LifeWon);
    for (std::size_t i = 0; i < 8; ++i) {
        const bool shown = i < texts.Milestones.size();
        const TMilestoneLine line = shown ? texts.Milestones[i] : TMilestoneLine{};
        const bool passed = line.State == TMilestoneState::Passed;
        SetText(LabelMilestones[i], (passed ? u"\u2713 " : u"") + line.Text);
        SetText(LabelMilestoneDays[i], line.When);
        for (const TControl* label : {LabelMilestones[i], LabelMilestoneDays[i]}) {
            ShowWindow(label->Handle, shown ? SW_SHOWNA : SW_HIDE);
            EnableWindow(label->Handle, line.State != TMilestoneState::Later);
        }
        const bool next = shown && line.State == TMilestoneState::Next;
        SendMessageW(BarMilestones[i]->Handle, PBM_SETPOS,
                     static_cast<WPARAM>(std::lround(line.Fraction * BarSteps)), 0);
        SetWindowTextW(BarMilestones[i]->Handle, ToWide(line.Text).c_str());
        ShowWindow(BarMilestones[i]->Handle, next ? SW_SHOWNA : SW_HIDE);
    }
    std::u16string attempts;
    for (const std::u16string& line : texts.Attempts) {
        attempts += (attempts.empty() ? u"" : u"\r\n") + line;
    }
    // Set only when changed, so that a minute's tick keeps where the user scrolled to.
    std::wstring shown(static_cast<std::size_t>(GetWindowTextLengthW(MemoAttempts->Handle)) + 1,
                       L'\0');
    shown.resize(static_cast<std::size_t>(
        GetWindowTextW(MemoAttempts->Handle, shown.data(), static_cast<int>(shown.size()))));
    if (FromWide(shown) != attempts) {
        SetText(MemoAttempts, attempts);
    }
    EnableWindow(ButtonRelapse->Handle, texts.RelapseEnabled);
}

bool TFormProgress::AskYesNo(const std::u16string& question) {
    wchar_t caption[64] = {};
    GetWindowTextW(Window, caption, 64);
    QuestionHook = SetWindowsHookExW(WH_CBT, NameQuestionButtons, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxW(Window, ToWide(question).c_str(), L"Dein Fortschritt",
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (QuestionHook != nullptr) {
        UnhookWindowsHookEx(QuestionHook);
        QuestionHook = nullptr;
    }
    return answer == IDYES;
}

void TFormProgress::ShowNote(const std::u16string& note) {
    MessageBoxW(Window, ToWide(note).c_str(), L"Dein Fortschritt", MB_OK | MB_ICONINFORMATION);
}
