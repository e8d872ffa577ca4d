#include "app/WelcomeForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QGuiApplication>

TWelcomeForm::TWelcomeForm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TWelcomeForm"));
    setWindowTitle(QStringLiteral("GPRS Morvo3"));
    setFixedSize(420, 220);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 60, 120));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);

    auto *title = new QLabel(QStringLiteral("GPRS Morvo3"), this);
    title->setObjectName(QStringLiteral("lbTitle"));
    QFont big = title->font();
    big.setPointSize(24);
    big.setBold(true);
    title->setFont(big);
    title->setGeometry(0, 40, width(), 50);
    title->setAlignment(Qt::AlignCenter);

    auto *version = new QLabel(QStringLiteral("v1.15"), this);
    version->setObjectName(QStringLiteral("lbVersion"));
    version->setGeometry(0, 100, width(), 24);
    version->setAlignment(Qt::AlignCenter);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, TickCount);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setGeometry(40, 170, width() - 80, 16);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(TickMs);
    connect(&Timer1, &QTimer::timeout, this, &TWelcomeForm::Timer1Timer);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TWelcomeForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_mainWindow && m_factory)
        m_mainWindow = m_factory();
    m_count = 0;
    Timer1.start();
}

void TWelcomeForm::Timer1Timer()
{
    if (m_count >= TickCount) {
        hide();
        Timer1.stop();
        if (m_mainWindow)
            m_mainWindow->show();
        return;
    }
    ++m_count;
    m_progress->setValue(qMin(m_count + 1, TickCount));
}

void TWelcomeForm::closeEvent(QCloseEvent *event)
{
    Timer1.stop();
    QWidget::closeEvent(event);
    emit closed();
}
