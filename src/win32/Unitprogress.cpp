#include "Unitprogress.h"

#include "framework/Text.h"
#include "runtime/Text.h"

#include <commctrl.h>

#include <cmath>
#include <string>
#include <utility>

namespace {

constexpr int BarSteps = 10000;

void SetText(const TControl* control, const std::u16string& text) {
    SetWindowTextW(control->Handle, ToWide(text).c_str());
}

TRect ToRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// A window of ours on the ticker's monitor, and what it keeps clear of there.
struct TBeside {
    TRect Monitor;
    TRect Work;
    TRect Window;
    TRect Ticker;
};

TBeside Beside(HWND window, HWND ticker) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(ticker, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT clear{};
    if (ticker == nullptr || !IsWindowVisible(ticker) || !GetWindowRect(ticker, &clear)) {
        clear = {};
    }
    return {ToRect(monitor.rcMonitor), ToRect(monitor.rcWork), ToRect(rect), ToRect(clear)};
}

// Where a window goes on the ticker's monitor: clear of the ticker where there is room.
TPoint PlacedClearOfTicker(HWND window, HWND ticker) {
    const TBeside at = Beside(window, ticker);
    return PlacedClearOf(at.Monitor, at.Work, at.Window.Width, at.Window.Height, at.Ticker);
}

// Foreground and above the windows that cover it, asked from the ticker's input: the
// foreground alone leaves it below them on some window systems.
void BringUp(HWND window) {
    const DWORD own = GetCurrentThreadId();
    const DWORD foreground = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const bool attach =
        foreground != 0 && foreground != own && AttachThreadInput(foreground, own, TRUE) != FALSE;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    if (attach) {
        AttachThreadInput(foreground, own, FALSE);
    }
}

// The question box's buttons in the program's language, whatever the system's is: named while
// the box is being made, before it shows, and the box placed where the ticker does not cover it.
HHOOK QuestionHook = nullptr;
HWND QuestionTicker = nullptr;

LRESULT CALLBACK NameQuestionButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDYES, L"Ja");
        SetDlgItemTextW(box, IDNO, L"Nein");
        const TPoint at = PlacedClearOfTicker(box, QuestionTicker);
        SetWindowPos(box, nullptr, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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

TFormProgress::~TFormProgress() {
    if (Bold != nullptr) {
        DeleteObject(Bold);
    }
}

HFONT TFormProgress::BoldFont(const TControl& label) {
    if (label.Font != BoldSource || Bold == nullptr) {
        LOGFONTW font{};
        GetObjectW(label.Font, sizeof(font), &font);
        font.lfWeight = FW_BOLD;
        if (Bold != nullptr) {
            DeleteObject(Bold);
        }
        Bold = CreateFontIndirectW(&font);
        BoldSource = label.Font;
    }
    return Bold;
}

void TFormProgress::ShowNear(HWND beside) {
    Ticker = beside;
    Progress.ShowAutostart();
    if (IsOpen()) {
        if (IsIconic(Window)) {
            ShowWindow(Window, SW_RESTORE);
        }
        BringUp(Window);
        return;
    }
    // Fitted first: laying the controls out anew gives them their fonts from the layout. A
    // little smaller still where that lets it lie beside the ticker rather than under it.
    FitToWorkArea();
    const TBeside around = Beside(Window, beside);
    const TRect room = RoomClearOf(around.Monitor, around.Work, around.Window.Width,
                                   around.Window.Height, around.Ticker, Dpi() / 96.0 * Fit());
    if (room != around.Work) {
        FitToArea(room);
    }
    Progress.Refresh();
    const TPoint at = PlacedClearOfTicker(Window, beside);
    SetWindowPos(Window, HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    BringUp(Window);
    // Enter or the space bar pressed at once must not start the relapse's question.
    SetFocus(ButtonClose->Handle);
}

void TFormProgress::DpiChanged() {
    // The labels have their layout's fonts again: the next one's bold anew.
    Progress.Refresh();
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
    // Enter (IsDialogMessageW's IDOK) presses the button that has the focus, as the space bar.
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        for (const TControl* button : {ButtonRelapse, ButtonClose}) {
            if (GetFocus() == button->Handle) {
                SendMessageW(button->Handle, BM_CLICK, 0, 0);
            }
        }
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
    for (const auto& [label, text] :
         {std::pair{LabelCigarettes, &texts.Cigarettes}, std::pair{LabelMoney, &texts.Money},
          std::pair{LabelLifeWon, &texts.LifeWon}}) {
        SetText(label, *text);
        ShowWindow(label->Handle, text->empty() ? SW_HIDE : SW_SHOWNA);
    }
    for (std::size_t i = 0; i < 8; ++i) {
        const bool shown = i < texts.Milestones.size();
        const TMilestoneLine line = shown ? texts.Milestones[i] : TMilestoneLine{};
        SetText(LabelMilestones[i], MilestoneLabel(line));
        SetText(LabelMilestoneDays[i], line.When);
        // Told apart by marks, weight and dates; every line enabled, in the text colour. The
        // next one's day in bold: its text in bold would need a third line the layout has not.
        const TControl& day = *LabelMilestoneDays[i];
        SendMessageW(day.Handle, WM_SETFONT,
                     reinterpret_cast<WPARAM>(line.State == TMilestoneState::Next ? BoldFont(day)
                                                                                  : day.Font),
                     TRUE);
        for (const TControl* label : {LabelMilestones[i], LabelMilestoneDays[i]}) {
            ShowWindow(label->Handle, shown ? SW_SHOWNA : SW_HIDE);
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
    QuestionTicker = Ticker;
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
