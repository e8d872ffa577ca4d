#include "monitor/OnOffMode.h"

#include "common/FocusKeeping.h"
#include "params/EditorWidgets.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// One line per method; the runs of spaces line up the parts of the lines.
QStringList MethodItems()
{
    return {
        QStringLiteral("0 - Mindig élesítve"),
        QStringLiteral("1 - Kapcsolóval:                       IN4 rövidzár = Élesítés                                          IN4 szakadás = Kikapcsolás"),
        QStringLiteral("2 - Kapcsolóval:                       IN4 szakadás = Élesítés                                       IN4 rövidzár = Kikapcsolás"),
        QStringLiteral("3 - Egyféle impulzussal:            IN4 rövidzár impulzus  = Élesítés/Kikapcsolás"),
        QStringLiteral("4 - Kétféle impulzussal:            IN3 rövidzár impulzus = Élesítés                            IN4 rövidzár impulzus = Kikapcsolás"),
        QStringLiteral("5 - Kétféle impulzussal:            IN3 bontó impulzus = Élesítés                               IN4 bontó impulzus = Kikapcsolás"),
    };
}
} // namespace

TFormOnOffMode::TFormOnOffMode(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormOnOffMode"));
    setWindowTitle(QStringLiteral("Élesítés / Kikapcsolás módja"));
    setModal(false);
    FocusKeeping::Mark(this);
    setFixedSize(ClientWidth, ClientHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(2);
    rgOnOffMode = new TRadioGroup(QStringLiteral("rgOnOffMode"), QStringLiteral("Élesítés / Kikapcsolás"), MethodItems(), this);
    layout->addWidget(rgOnOffMode, 1);

    auto *buttons = new QHBoxLayout;
    btnFocusDummy = new QPushButton(this);
    btnFocusDummy->setObjectName(QStringLiteral("btnFocusDummy"));
    btnFocusDummy->setFixedWidth(0);
    btnFocusDummy->setFlat(true);
    btnFocusDummy->setAutoDefault(false);
    btClose = new QPushButton(QStringLiteral("Bezárás"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    btClose->setAutoDefault(false);
    buttons->addWidget(btnFocusDummy);
    buttons->addStretch(1);
    buttons->addWidget(btClose);
    layout->addLayout(buttons);
    connect(btClose, &QPushButton::clicked, this, &TFormOnOffMode::btCloseClick);
}

void TFormOnOffMode::OpenWithMethod(int method)
{
    m_closing = false;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
    rgOnOffMode->SetItemIndex(method);
}

int TFormOnOffMode::SelectedMethod() const
{
    return rgOnOffMode->ItemIndex();
}

void TFormOnOffMode::btCloseClick()
{
    btnFocusDummy->setFocus(Qt::OtherFocusReason);
    const int method = rgOnOffMode->ItemIndex();
    if (method >= 0)
        emit methodChosen(method);
    close();
}

void TFormOnOffMode::FitItemFont()
{
    // The method lines are long and the window is narrow: take the largest
    // font, condensed if need be, with which every line fits in one piece.
    const QMargins outer = layout()->contentsMargins();
    const QMargins inner = rgOnOffMode->layout()->contentsMargins();
    const int available = ClientWidth - outer.left() - outer.right() - inner.left() - inner.right() - ItemWidthReserve;
    const QList<QRadioButton *> items = rgOnOffMode->findChildren<QRadioButton *>();
    const auto widest = [&] {
        int w = 0;
        for (const QRadioButton *item : items)
            w = std::max(w, item->sizeHint().width());
        return w;
    };
    QFont font = this->font();
    for (int px = LargestItemPixelSize; px >= SmallestItemPixelSize; --px) {
        for (int stretch : {int(QFont::Unstretched), int(QFont::Condensed)}) {
            font.setPixelSize(px);
            font.setStretch(stretch);
            rgOnOffMode->setFont(font);
            if (widest() <= available)
                return;
        }
    }
}

void TFormOnOffMode::showEvent(QShowEvent *event)
{
    m_closing = false;
    FitItemFont();
    QDialog::showEvent(event);
}

void TFormOnOffMode::hideEvent(QHideEvent *event)
{
    m_closing = true;
    QDialog::hideEvent(event);
}

void TFormOnOffMode::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    QDialog::closeEvent(event);
    FocusKeeping::HandBack(this);
}

void TFormOnOffMode::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && !m_closing && isVisible()) {
        // Taking the activation back inside the change notice itself is
        // refused by some window systems: do it as soon as the loop runs.
        QTimer::singleShot(0, this, &TFormOnOffMode::TakeFocusBack);
    }
}

void TFormOnOffMode::TakeFocusBack()
{
    if (m_closing || !FocusKeeping::MayReclaim(this))
        return;
    raise();
    activateWindow();
}
