#pragma once

// The window machinery: a form is one top-level window built from its layout (a resource named
// after its class), with one window procedure, written once, that routes the platform's
// messages to the form through the window's user data. Its components are looked up by name and
// their handlers are bound by name.

#include "app/Geometry.h"
#include "framework/Layout.h"
#include "framework/Picture.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TForm;

enum class TKind {
    Form,
    Panel,
    Label,
    Edit,
    Memo,
    Button,
    Image,
    Calendar,
    Progress,
    Timer,
    PopupMenu,
    MenuItem
};

// One component of a form, as its layout record declares it.
struct TControl {
    TLayoutRecord Layout;
    TKind Kind = TKind::Form;
    TForm* Owner = nullptr;
    TControl* Parent = nullptr;
    HWND Handle = nullptr;          // the kinds that are windows
    HMENU Menu = nullptr;           // a popup menu
    UINT Id = 0;                    // a button's or menu item's command, a timer's id
    HFONT Font = nullptr;           // owned by the form
    std::u16string Filter;          // an edit's typed-character filter; empty admits everything
    std::optional<TCursor> Cursor;  // a cursor of its own, where one was set
    TControl* PopupMenu = nullptr;  // opened by a right-button press on it
    std::optional<TPixels> Picture; // an image's picture, fitted, decoded at first use
    std::function<void()> OnClick;  // a button's or menu item's click, a timer's tick
    std::function<void(std::uint16_t)> OnKeyUp;
};

class TForm {
public:
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;
    virtual ~TForm();

    HWND Handle() const { return Window; }
    // A component by its name in the layout; raises when there is none.
    TControl& Component(std::u16string_view name);
    const TControl& Component(std::u16string_view name) const;

    // The window's dots per inch and a logical length in its pixels, times the fit factor.
    unsigned Dpi() const { return CurrentDpi; }
    int Scaled(int logical) const;
    // The factor by which the whole layout (window, controls, fonts, pictures) is drawn
    // smaller than its DPI gives, so that the window lies within the screen's work area: 1
    // where it fits as designed. Lays the components out anew when it changes.
    void FitToWorkArea();
    // Likewise within `area`, the frame included: a window kept clear of another.
    void FitToArea(const TRect& area);
    double Fit() const { return FitScale; }

    // An image's picture, decoded and fitted to its current size at first use.
    const TPixels& PictureOf(TControl& image);
    // The top-left corner of a component's rectangle in the window's client pixels.
    POINT ClientOrigin(const TControl& control) const;

    // The creation notification, the last act of construction (the layout's oncreate).
    void AfterConstruction();

    // The window's own cursor property; it shows where no control lies.
    void SetCursor(TCursor cursor);
    std::optional<TCursor> Cursor() const { return OwnCursor; }

    // The window's screen position in pixels, and moving it without resizing or re-stacking.
    TPoint Position() const;
    void MoveTo(TPoint position);

    // Places the window at the centre of the primary screen (halves to even), moved into the
    // work area where it would reach beyond it, and shows it, above all other windows when
    // the layout says topmost.
    virtual void ShowCentered();

    // Whether a left press on the window captures the pointer until its release, so that a drag
    // follows the pointer at any speed.
    bool CapturesPointer = false;
    // Whether the message loops give this form's keyboard messages to IsDialogMessageW (Tab
    // between controls).
    bool KeyboardNavigation = false;
    // Set to end a modal showing (1 finished, 2 cancelled).
    int ModalResult = 0;

    // The form that a window of ours belongs to (itself or a descendant), or none.
    static TForm* FromHandle(HWND handle);
    // Every message loop calls this before dispatching: window-level mouse handlers see a
    // press, a move and a release before the control under the pointer does.
    static void PreviewMessage(const MSG& message);

protected:
    // Creates the hidden window of `className` (registered on first use), owned by `owner`.
    explicit TForm(const wchar_t* className, HWND owner = nullptr);

    // Handlers that the layout names; bind them before Build.
    void Bind(std::u16string name, std::function<void()> handler);
    void BindKey(std::u16string name, std::function<void(std::uint16_t)> handler);
    // Reads the layout of this form's class and creates its components.
    void Build();

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Window-level mouse notifications in client pixels; button 0 left, 1 right, 2 middle.
    virtual void FormMouseDownEvent(int, float, float) {}
    virtual void FormMouseMoveEvent(bool, float, float) {}
    virtual void FormMouseUpEvent(int, float, float) {}
    // After the monitor's DPI changed and the components were laid out anew.
    virtual void DpiChanged() {}

    HWND Window = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateComponent(TControl& control);
    void LayOut();
    HFONT FontFor(const TControl& control);
    HFONT FontOf(const std::wstring& face, int pixels, bool bold);
    void FitCalendarFont(TControl& calendar, int width, int height);
    void BindHandlers(TControl& control);

    std::wstring ClassName;
    HWND OwnerWindow = nullptr;
    unsigned CurrentDpi = 96;
    double FitScale = 1.0;
    std::vector<std::unique_ptr<TControl>> Components;
    std::map<std::u16string, std::function<void()>, std::less<>> Handlers;
    std::map<std::u16string, std::function<void(std::uint16_t)>, std::less<>> KeyHandlers;
    std::map<std::wstring, HFONT> Fonts;
    std::optional<TCursor> OwnCursor;
    bool PointerCaptured = false; // since a left press, until its release or a lost capture
    // Where this program last put the window, and when it was shown.
    TPoint Placed{};
    ULONGLONG ShownTicks = 0;
    static constexpr UINT PlaceAgainMessage = WM_APP + 1;
    UINT NextId = 1000;
    HBRUSH WhiteBrush = nullptr;
};

// The primary screen, and the part of it that task bars and docked panels leave free.
struct TScreenAreas {
    TRect Screen;
    TRect Work;
};
TScreenAreas PrimaryScreen();

// The platform cursor of a cursor value.
HCURSOR CursorHandle(TCursor cursor);

// The dots per inch of a window (the system's when the platform cannot tell per window).
unsigned WindowDpi(HWND window);
