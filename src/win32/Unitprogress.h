#pragma once

// "Dein Fortschritt": an ordinary framed window of standard controls built from its layout at
// its first showing, not modal, refreshed by the ticker's minute tick while it is open.
// A passive view: every text and decision is the app layer's TProgress.

#include "app/Progress.h"
#include "framework/Form.h"

#include <string>

class TFormProgress : public TForm, private TProgressView {
public:
    explicit TFormProgress(TTicker& ticker);
    ~TFormProgress() override;
    TFormProgress(const TFormProgress&) = delete;
    TFormProgress& operator=(const TFormProgress&) = delete;

    // Shows the window on `beside`'s monitor where `beside` (the ticker, above every window)
    // does not cover it, drawn smaller as a whole where it would not fit the work area; or
    // raises and activates it when it is open.
    void ShowNear(HWND beside);
    bool IsOpen() const { return IsWindowVisible(Window) != FALSE; }

    void ButtonRelapseClick();
    void ButtonCloseClick();
    void CheckAutostartClick();

    TProgress Progress;

    TControl* LabelSmokeFree = nullptr;
    TControl* LabelCigarettes = nullptr;
    TControl* LabelMoney = nullptr;
    TControl* LabelLifeWon = nullptr;
    TControl* LabelMilestones[8] = {};
    TControl* LabelMilestoneDays[8] = {};
    TControl* BarMilestones[8] = {};
    TControl* MemoAttempts = nullptr;
    TControl* CheckAutostart = nullptr;
    TControl* ButtonRelapse = nullptr;
    TControl* ButtonClose = nullptr;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged() override;

private:
    // TProgressView
    void ShowTexts(const TProgressTexts& texts) override;
    bool AskYesNo(const std::u16string& question) override;
    void ShowNote(const std::u16string& note) override;

    // The label's font in bold, made once for the font the labels have.
    HFONT BoldFont(const TControl& label);

    HWND Ticker = nullptr;
    HFONT Bold = nullptr;
    HFONT BoldSource = nullptr;
    void ShowAutostart(bool on) override;
};
