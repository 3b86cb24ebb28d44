#pragma once

// Drawing a window's whole layout smaller, so that a window too large for the screen at its
// scale still lies wholly within it: fixed sizes, margins, spacings, the places of controls
// outside layouts, and fonts, all by one factor.

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSizePolicy>

#include <vector>

class QLayout;
class QSpacerItem;
class QWidget;

class TLayoutScaler {
public:
    // Notes the layout of `root` and everything on it as it is now: the design that every
    // later factor applies to.
    explicit TLayoutScaler(QWidget* root);

    // The layout as noted, `factor` times its size (1: as noted).
    void Apply(double factor);
    double Factor() const { return Current; }

private:
    struct TWidget {
        QPointer<QWidget> Widget;
        QSize Minimum;
        QSize Maximum;
        QRect Placed; // controls that no layout places
        bool Free = false;
        int FontPixels = 0; // a font of its own, in pixels
    };
    struct TLayout {
        QPointer<QLayout> Layout;
        QMargins Margins;
        int Spacing = 0;
    };
    struct TSpacer {
        QPointer<QLayout> Owner;
        QSpacerItem* Spacer = nullptr;
        QSize Hint;
        QSizePolicy Policy;
    };

    QPointer<QWidget> Root;
    std::vector<TWidget> Widgets;
    std::vector<TLayout> Layouts;
    std::vector<TSpacer> Spacers;
    double Current = 1.0;
};
