#include "app/FormMessage.h"

#include "common/FocusKeeping.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

TMessageForm::TMessageForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TMessageForm"));
    setWindowTitle(QStringLiteral("Rendszerüzenet"));
    setModal(false);
    FocusKeeping::Mark(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lbMessageText"));
    m_text->setTextFormat(Qt::PlainText);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("btnOK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &TMessageForm::close);
    restoreLayout();
}

QString TMessageForm::NormaliseLineBreaks(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QString TMessageForm::Text() const
{
    return m_text->text();
}

void TMessageForm::ShowMessage(const QString &text)
{
    const QString t = NormaliseLineBreaks(text);
    m_text->setText(t);
    if (!m_closed && isVisible()) {
        // A second message only replaces the text: no resizing, no re-centring.
        m_text->adjustSize();
        return;
    }
    m_closed = false;
    layoutForText(t);
    show();
    raise();
    activateWindow();
}

void TMessageForm::layoutForText(const QString &text)
{
    const QFontMetrics fm(m_text->font());
    const QRect textRect = fm.boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignLeft | Qt::AlignTop, text);
    const int lines = int(text.count(QLatin1Char('\n'))) + 1;

    int width = DefaultWidth;
    int textLeft;
    int buttonLeft = (DefaultWidth - ButtonWidth) / 2;
    if (textRect.width() > DefaultWidth - TextMargin) {
        width = textRect.width() + WidenExtra;
        textLeft = TextLeftWhenWide;
        buttonLeft = (width - ButtonWidth) / 2 - 4;
    } else {
        textLeft = (width - textRect.width()) / 2;
    }

    int height = OneLineHeight;
    int buttonTop = OneLineButtonTop;
    if (lines == 3) {
        height = ThreeLineHeight;
        buttonTop = ThreeLineButtonTop;
    } else if (lines == 2) {
        height = TwoLineHeight;
        buttonTop = TwoLineButtonTop;
    }

    m_text->setGeometry(textLeft, TextTop, textRect.width() + 2, qMin(textRect.height(), buttonTop - TextTop));
    m_ok->setGeometry(buttonLeft, buttonTop, ButtonWidth, ButtonHeight);
    setFixedSize(width, height);

    const QWidget *over = m_centreOver ? m_centreOver.data() : nullptr;
    QRect area;
    if (over && over->isVisible())
        area = over->frameGeometry();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width / 2, height / 2));
}

void TMessageForm::restoreLayout()
{
    setFixedSize(DefaultWidth, OneLineHeight);
    m_ok->setGeometry(RestButtonLeft, OneLineButtonTop, ButtonWidth, ButtonHeight);
    m_text->move(RestTextLeft, TextTop);
    m_text->adjustSize();
}

void TMessageForm::closeEvent(QCloseEvent *event)
{
    restoreLayout();
    m_closed = true;
    QDialog::closeEvent(event);
    FocusKeeping::HandBack(this);
}

void TMessageForm::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        QTimer::singleShot(0, this, &TMessageForm::reclaimFocus);
}

void TMessageForm::reclaimFocus()
{
    if (m_closed || !FocusKeeping::MayReclaim(this))
        return;
    raise();
    activateWindow();
}
