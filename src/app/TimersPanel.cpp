#include "app/TimersPanel.h"

#include <QLabel>
#include <QPushButton>

namespace {
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QColor Black(0, 0, 0);

void setTextColor(QWidget *w, const QColor &color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::ButtonText, color);
    w->setPalette(pal);
}
} // namespace

TTimersPanel::TTimersPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("Timers"), parent)
{
    setObjectName(QStringLiteral("GroupBox7"));
    WatchTimer.setParent(this);
    WatchTimer.setObjectName(QStringLiteral("WatchTimer"));
    WatchTimer.setInterval(WatchIntervalMs);
    connect(&WatchTimer, &QTimer::timeout, this, &TTimersPanel::WatchTimerTimer);

    m_btnTimerChecker = new QPushButton(QStringLiteral("Start"), this);
    m_btnTimerChecker->setObjectName(QStringLiteral("btnTimerChecker"));
    m_btnTimerChecker->setGeometry(10, 20, 100, 26);
    setTextColor(m_btnTimerChecker, Red);
    connect(m_btnTimerChecker, &QPushButton::clicked, this, &TTimersPanel::btnTimerCheckerClick);
}

TTimersPanel::Getter TTimersPanel::ChildOf(QObject *owner, const QString &name)
{
    QPointer<QObject> guard(owner);
    return [guard, name]() -> QTimer * { return guard ? guard->findChild<QTimer *>(name) : nullptr; };
}

void TTimersPanel::AddGroup(const QString &caption, const QList<std::pair<QString, Getter>> &lines)
{
    auto *title = new QLabel(caption, this);
    title->setGeometry(10, m_nextY, 200, 18);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    m_nextY += 20;
    for (const auto &[lineName, getter] : lines) {
        Line line;
        line.name = lineName;
        line.timer = getter;
        auto *name = new QLabel(line.name, this);
        name->setGeometry(20, m_nextY, 160, 18);
        line.interval = new QLabel(this);
        line.interval->setObjectName(QStringLiteral("lbInterval_") + line.name);
        line.interval->setGeometry(190, m_nextY, 80, 18);
        line.state = new QLabel(this);
        line.state->setObjectName(QStringLiteral("lbState_") + line.name);
        line.state->setGeometry(280, m_nextY, 120, 18);
        m_lines.append(line);
        m_nextY += 20;
    }
    Reset();
}

void TTimersPanel::SetTimer(const QString &name, QTimer *timer)
{
    for (Line &line : m_lines) {
        if (line.name == name)
            line.assigned = timer;
    }
}

void TTimersPanel::btnTimerCheckerClick()
{
    if (WatchTimer.isActive()) {
        WatchTimer.stop();
        m_btnTimerChecker->setText(QStringLiteral("Start"));
        setTextColor(m_btnTimerChecker, Red);
        Reset();
    } else {
        WatchTimer.start();
        m_btnTimerChecker->setText(QStringLiteral("Stop"));
        setTextColor(m_btnTimerChecker, Green);
    }
}

void TTimersPanel::Reset()
{
    for (const Line &line : std::as_const(m_lines)) {
        line.interval->setText(QStringLiteral("-1"));
        line.state->setText(QStringLiteral("Unknown"));
        setTextColor(line.state, Black);
    }
}

void TTimersPanel::WatchTimerTimer()
{
    WatchTimer.stop();
    for (const Line &line : std::as_const(m_lines)) {
        const QTimer *t = line.assigned ? line.assigned.data() : (line.timer ? line.timer() : nullptr);
        if (!t) {
            line.interval->setText(QStringLiteral("-1"));
            line.state->setText(QStringLiteral("Unknown"));
            setTextColor(line.state, Black);
            continue;
        }
        line.interval->setText(QString::number(t->interval()));
        // The watch timer itself is stopped while it writes: show it as running.
        const bool active = t == &WatchTimer || t->isActive();
        line.state->setText(active ? QStringLiteral("Enabled") : QStringLiteral("Disabled"));
        setTextColor(line.state, active ? Green : Red);
    }
    WatchTimer.start();
}
