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

    // Shows the window centred on `beside`'s monitor, or brings it to the front when it is open.
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

private:
    // TProgressView
    void ShowTexts(const TProgressTexts& texts) override;
    bool AskYesNo(const std::u16string& question) override;
    void ShowNote(const std::u16string& note) override;
    void ShowAutostart(bool on) override;
};
