#pragma once
// The "nothing cut off" check the caption and language tests share: every
// visible caption of a window that does not fit its control, one line each.
// Header only: GUI tests only.

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>

namespace CaptionFit {

// Room a push or tool button needs around its text, a group box beside its
// title, a grid cell beside its text.
inline constexpr int ButtonPadding = 8;
inline constexpr int GroupTitlePadding = 8;
inline constexpr int CellPadding = 4;

inline int widestLine(const QFontMetrics &fm, const QString &text)
{
    int w = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        w = qMax(w, fm.horizontalAdvance(line));
    return w;
}

// Every visible caption of the window that does not fit its control.
inline QStringList cutCaptions(QWidget *window)
{
    QStringList cut;
    auto report = [&cut](const QWidget *w, const QString &text, QSize need) {
        if (need.width() > w->width() || need.height() > w->height())
            cut << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                       .arg(w->objectName(), text)
                       .arg(need.width())
                       .arg(need.height())
                       .arg(w->width())
                       .arg(w->height());
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || w->width() == 0)
            continue;
        const QFontMetrics fm(w->font());
        if (qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w)) {
            auto *b = static_cast<QAbstractButton *>(w);
            report(b, b->text(), QSize(b->sizeHint().width(), fm.height()));
        } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            if (b->text().isEmpty())
                continue;
            const int lines = int(b->text().count(QLatin1Char('\n'))) + 1;
            report(b, b->text(), QSize(widestLine(fm, b->text()) + ButtonPadding, lines * fm.lineSpacing()));
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            report(g, g->title(), QSize(fm.horizontalAdvance(g->title()) + GroupTitlePadding, 0));
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            if (l->text().isEmpty() || l->wordWrap() || !l->pixmap().isNull())
                continue;
            report(l, l->text(), l->sizeHint().boundedTo(QSize(QWIDGETSIZE_MAX, fm.height())));
        } else if (auto *t = qobject_cast<QTableWidget *>(w)) {
            const QFontMetrics cellFm(t->font());
            for (int c = 0; c < t->columnCount(); ++c) {
                const QTableWidgetItem *item = t->item(0, c);
                if (item && cellFm.horizontalAdvance(item->text()) + CellPadding > t->columnWidth(c))
                    cut << QStringLiteral("%1 column %2 \"%3\"").arg(t->objectName()).arg(c).arg(item->text());
            }
        } else if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
            // A tab bar that cannot show every tab scrolls them: a cut too.
            if (tabs->tabBar()->sizeHint().width() > tabs->width())
                cut << QStringLiteral("%1 tabs need %2, have %3").arg(tabs->objectName()).arg(tabs->tabBar()->sizeHint().width()).arg(tabs->width());
        }
    }
    return cut;
}

} // namespace CaptionFit
