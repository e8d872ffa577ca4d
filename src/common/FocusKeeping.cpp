#include "common/FocusKeeping.h"

#include <QApplication>
#include <QWidget>

namespace {
constexpr const char *KeepsFocusProperty = "morvo3KeepsFocus";
}

namespace FocusKeeping {

void Mark(QWidget *window)
{
    window->setProperty(KeepsFocusProperty, true);
}

bool IsMarked(const QWidget *window)
{
    return window && window->property(KeepsFocusProperty).toBool();
}

bool MayReclaim(const QWidget *window)
{
    if (!window || !window->isVisible() || window->isActiveWindow())
        return false;
    const QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != window)
        return false;
    const QWidget *active = QApplication::activeWindow();
    return active && active != window && !IsMarked(active);
}

void HandBack(const QWidget *closing)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w != closing && w->isVisible() && IsMarked(w)) {
            w->raise();
            w->activateWindow();
            return;
        }
    }
}

} // namespace FocusKeeping
