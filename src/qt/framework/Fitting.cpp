#include "framework/Fitting.h"

#include <QLayout>
#include <QSpacerItem>
#include <QWidget>

#include <cmath>

namespace {

int Times(int length, double factor) {
    return static_cast<int>(std::lround(length * factor));
}

// A bound of "no limit" stays one.
int BoundTimes(int length, double factor) {
    return length >= QWIDGETSIZE_MAX ? length : Times(length, factor);
}

} // namespace

TLayoutScaler::TLayoutScaler(QWidget* root) : Root(root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        TWidget noted{widget, widget->minimumSize(), widget->maximumSize(), widget->geometry()};
        const QWidget* parent = widget->parentWidget();
        noted.Free = widget != root && parent != nullptr && parent->layout() == nullptr;
        if (widget->testAttribute(Qt::WA_SetFont)) {
            noted.FontPixels = widget->font().pixelSize();
        }
        Widgets.push_back(noted);
    }
    QList<QLayout*> layouts = root->findChildren<QLayout*>();
    for (QLayout* layout : layouts) {
        Layouts.push_back({layout, layout->contentsMargins(), layout->spacing()});
        for (int i = 0; i < layout->count(); ++i) {
            if (QSpacerItem* spacer = layout->itemAt(i)->spacerItem()) {
                Spacers.push_back({layout, spacer, spacer->sizeHint(), spacer->sizePolicy()});
            }
        }
    }
}

void TLayoutScaler::Apply(double factor) {
    if (Root.isNull() || factor == Current) {
        return;
    }
    Current = factor;
    for (const TWidget& noted : Widgets) {
        QWidget* widget = noted.Widget;
        if (widget == nullptr) {
            continue;
        }
        if (noted.FontPixels > 0) {
            QFont font = widget->font();
            font.setPixelSize(std::max(1, Times(noted.FontPixels, factor)));
            widget->setFont(font);
        }
        widget->setMinimumSize(Times(noted.Minimum.width(), factor),
                               Times(noted.Minimum.height(), factor));
        widget->setMaximumSize(BoundTimes(noted.Maximum.width(), factor),
                               BoundTimes(noted.Maximum.height(), factor));
        if (noted.Free) {
            widget->setGeometry(Times(noted.Placed.x(), factor), Times(noted.Placed.y(), factor),
                                Times(noted.Placed.width(), factor),
                                Times(noted.Placed.height(), factor));
        }
    }
    for (const TLayout& noted : Layouts) {
        if (noted.Layout == nullptr) {
            continue;
        }
        const QMargins& m = noted.Margins;
        noted.Layout->setContentsMargins(Times(m.left(), factor), Times(m.top(), factor),
                                         Times(m.right(), factor), Times(m.bottom(), factor));
        if (noted.Spacing >= 0) {
            noted.Layout->setSpacing(Times(noted.Spacing, factor));
        }
    }
    for (const TSpacer& noted : Spacers) {
        if (noted.Owner == nullptr) {
            continue;
        }
        noted.Spacer->changeSize(Times(noted.Hint.width(), factor),
                                 Times(noted.Hint.height(), factor),
                                 noted.Policy.horizontalPolicy(), noted.Policy.verticalPolicy());
        noted.Owner->invalidate();
    }
    if (QLayout* layout = Root->layout()) {
        layout->activate();
    }
}
