#pragma once

// The ticker: a borderless cigarette floating above all windows, with the cigarettes not
// smoked and the money saved since the stop date written across it, refreshed once a minute.
// A passive view: every decision is the app layer's TTicker.

#include "app/Ticker.h"
#include "framework/Balloon.h"
#include "framework/Form.h"

#include <memory>

class TApplication;
class TFormProgress;

class TFormMain : public TForm, public TTickerView {
public:
    explicit TFormMain(TApplication* owner);
    ~TFormMain() override;

    // Computes the totals from the stored figures and the clock and shows them.
    void UpdateDisplay() { Ticker.UpdateDisplay(); }

    void FormCreate();
    void TimerMainTimer();
    void MenuItemCloseClick();
    void MenuItemSettingsClick();
    void FormMouseDown(int button, float x, float y);
    void FormMouseMove(bool leftHeld, float x, float y);
    void FormMouseUp(int button, float x, float y);

    // Drawn before it is first shown.
    void ShowCentered() override;

    // TTickerView
    void SetLabelText(const std::u16string& text) override;
    int ShowSetupModal() override;
    void ShowException(const Exception& e) override;
    bool MessageBoxShowing() const override;
    void Close() override;
    void SetCursor(TCursor cursor) override;
    TPoint Position() const override;
    void MoveTo(TPoint position) override;
    TPoint DragThreshold() const override;
    std::uint32_t MouseEventTime() const override;
    std::uint32_t DoubleClickTime() const override;
    TPoint DoubleClickDistance() const override;
    void ShowProgress() override;
    void RefreshProgress() override;
    void ShowNotice(const std::u16string& text) override;

    TControl* TimerMain = nullptr;
    TControl* PopupMenu = nullptr;
    TControl* MenuItemClose = nullptr;
    TControl* MenuItemSettings = nullptr;
    TControl* LabelMoney = nullptr;
    TControl* ImageMain = nullptr;
    // The tooltip control over the cigarette, made when the pointer first comes over the
    // ticker; its text is asked for each time it opens.
    HWND Tooltip = nullptr;
    // "Dein Fortschritt", built at its first showing.
    TFormProgress* FormProgress = nullptr;

    TTicker Ticker;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormMouseDownEvent(int button, float x, float y) override;
    void FormMouseMoveEvent(bool leftHeld, float x, float y) override;
    void FormMouseUpEvent(int button, float x, float y) override;
    void DpiChanged() override;

private:
    // The picture and the label's text composed into one premultiplied bitmap that becomes the
    // window's per-pixel transparent face.
    void Render();
    // The label takes the size of its text.
    void AutoSizeLabel();
    void CreateTooltip();

    // The text the tooltip shows while it is open.
    std::wstring TooltipShown;
    bool TooltipMade = false;
    // The milestone notice, a balloon at the ticker.
    std::unique_ptr<TBalloon> Notice;
};

extern TFormMain* FormMain;
