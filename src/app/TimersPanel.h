#pragma once
// The diagnostic timers panel: one line per named timer of the program with its
// interval and whether it runs, refreshed every second while "Start" is on. It
// lies beyond the right edge of the main window; a developer widens the window
// to see it.

#include <QGroupBox>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <functional>

class QLabel;
class QPushButton;

class TTimersPanel : public QGroupBox
{
    Q_OBJECT
public:
    static constexpr int WatchIntervalMs = 1000;
    using Getter = std::function<QTimer *()>;

    explicit TTimersPanel(QWidget *parent = nullptr);

    // A caption and its lines: each line's timer is looked up when shown, so a
    // timer that comes and goes (a reader, a relay) is followed.
    void AddGroup(const QString &caption, const QList<std::pair<QString, Getter>> &lines);
    // Names the timer shown on the line called name, instead of its getter.
    void SetTimer(const QString &name, QTimer *timer);
    // Getter of the timer called name among owner's children while owner lives.
    static Getter ChildOf(QObject *owner, const QString &name);

    QTimer WatchTimer;

private:
    struct Line
    {
        QString name;
        Getter timer;
        QPointer<QTimer> assigned;
        QLabel *interval = nullptr;
        QLabel *state = nullptr;
    };

    void btnTimerCheckerClick();
    void WatchTimerTimer();
    void Reset();

    QPushButton *m_btnTimerChecker = nullptr;
    QList<Line> m_lines;
    int m_nextY = 56;
};
