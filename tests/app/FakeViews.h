#pragma once

// Windows without a toolkit: each records what the behaviour asks of it, in order, as one line
// per call, so that a test can compare the whole sequence with what the window must see.

#include "app/MessageText.h"
#include "app/Ticker.h"
#include "app/Wizard.h"
#include "runtime/Text.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

inline std::string Utf8(const std::u16string& text) {
    return ToUtf8(text);
}

inline const char* NameOf(TPanel panel) {
    switch (panel) {
    case TPanel::Start:
        return "Start";
    case TPanel::Name:
        return "Name";
    case TPanel::DOB:
        return "DOB";
    case TPanel::CigaretteQuantity:
        return "CigaretteQuantity";
    case TPanel::CigarettePrice:
        return "CigarettePrice";
    case TPanel::Finish:
        break;
    }
    return "Finish";
}

inline const char* NameOf(TField field) {
    switch (field) {
    case TField::Username:
        return "EditUsername";
    case TField::DOB:
        return "EditDOB";
    case TField::CigaretteQuantity:
        return "EditCigaretteQuantity";
    case TField::CigaretteBoxPrice:
        return "EditCigaretteBoxPrice";
    case TField::CigaretteBoxQuantity:
        break;
    }
    return "EditCigaretteBoxQuantity";
}

inline const char* NameOf(TCursor cursor) {
    switch (cursor) {
    case TCursor::Cross:
        return "crCross";
    case TCursor::SizeAll:
        return "crSizeAll";
    case TCursor::Default:
        break;
    }
    return "crDefault";
}

class TRecordingTickerView final : public TTickerView {
public:
    std::vector<std::string> Calls;
    std::u16string Label = u"123";
    TPoint At{817, 526};
    int WizardResult = 2;         // what a showing of the wizard returns
    std::function<void()> Wizard; // what the user does in it, if anything
    bool BoxOpen = false;
    bool MovesIgnored = false;      // a window manager that leaves the window where it is
    bool SystemMoveTaken = true;    // whether the window manager takes a drag over when asked
    bool MovesKnownIgnored = false; // such a window manager, and the view knows it

    TPoint Position() const override { return At; }
    void MoveTo(TPoint position) override {
        if (!MovesIgnored) {
            At = position;
        }
        Calls.push_back("MoveTo(" + std::to_string(position.X) + ", " + std::to_string(position.Y) +
                        ")");
    }
    TPoint Threshold{5, 4}; // the system's drag threshold, each way
    TPoint DragThreshold() const override { return Threshold; }
    bool OwnMovesIgnored() const override { return MovesKnownIgnored; }
    bool StartSystemMove() override {
        Calls.push_back("SystemMove");
        return SystemMoveTaken;
    }
    void SetLabelText(const std::u16string& text) override {
        Label = text;
        Calls.push_back("Label(" + Utf8(text) + ")");
    }
    int ShowSetupModal() override {
        Calls.push_back("ShowSetupModal");
        if (Wizard) {
            Wizard();
        }
        return WizardResult;
    }
    // What the message box shows.
    void ShowException(const Exception& e) override {
        Calls.push_back("Box(" + Utf8(ExceptionMessageText(e)) + ")");
    }
    bool MessageBoxShowing() const override { return BoxOpen; }
    void Close() override { Calls.push_back("Close"); }
    void SetCursor(TCursor cursor) override {
        Calls.push_back(std::string("Cursor(") + NameOf(cursor) + ")");
    }
    std::uint32_t EventTime = 0; // of the mouse event being handled
    bool ProgressOpen = false;
    std::uint32_t MouseEventTime() const override { return EventTime; }
    std::uint32_t DoubleClickTime() const override { return 500; }
    TPoint DoubleClickDistance() const override { return {2, 2}; }
    void ShowProgress() override {
        ProgressOpen = true;
        Calls.push_back("ShowProgress");
    }
    void RefreshProgress() override {
        if (ProgressOpen) {
            Calls.push_back("RefreshProgress");
        }
        if (Refreshed) {
            Refreshed();
        }
    }
    // The window's refresh, as both front-ends' tickers call it while it is open.
    std::function<void()> Refreshed;
    void ShowNotice(const std::u16string& text) override {
        Calls.push_back("Notice(" + Utf8(text) + ")");
    }
};

class TRecordingWizardView final : public TWizardView {
public:
    std::vector<std::string> Calls;
    std::map<TField, std::u16string> Texts;
    std::map<TField, std::u16string> Filters;
    std::map<TPrompt, std::u16string> Prompts;
    TDateTime Calendar = 0;
    TPoint At{466, 142};

    TPoint Position() const override { return At; }
    void MoveTo(TPoint position) override {
        At = position;
        Calls.push_back("MoveTo(" + std::to_string(position.X) + ", " + std::to_string(position.Y) +
                        ")");
    }
    void ShowPage(TPanel panel, bool previousEnabled, const std::u16string& nextText) override {
        Calls.push_back(std::string("ShowPage(") + NameOf(panel) +
                        (previousEnabled ? ", previous, " : ", no previous, ") + Utf8(nextText) +
                        ")");
    }
    void FocusField(TField field) override {
        Calls.push_back(std::string("Focus(") + NameOf(field) + ")");
    }
    std::u16string FieldText(TField field) const override {
        const auto found = Texts.find(field);
        return found == Texts.end() ? std::u16string() : found->second;
    }
    void SetFieldText(TField field, const std::u16string& text) override { Texts[field] = text; }
    void SetFieldFilter(TField field, const std::u16string& filter) override {
        Filters[field] = filter;
    }
    void SetPrompt(TPrompt prompt, const std::u16string& text) override { Prompts[prompt] = text; }
    TDateTime CalendarDate() const override { return Calendar; }
    void SetCalendarDate(TDateTime value) override { Calendar = value; }
    void ShowMessage(const std::u16string& text) override {
        Calls.push_back("Message(" + Utf8(text) + ")");
    }
    void EndShowing(int result) override {
        Calls.push_back("EndShowing(" + std::to_string(result) + ")");
    }
    void SetWindowCursor(TCursor cursor) override {
        Calls.push_back(std::string("WindowCursor(") + NameOf(cursor) + ")");
    }
    void SetPanelTopCursor(TCursor cursor) override {
        Calls.push_back(std::string("PanelTopCursor(") + NameOf(cursor) + ")");
    }
};
