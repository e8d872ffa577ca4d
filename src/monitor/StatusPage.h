#pragma once
// The module status page: zones, relays, armed state, GSM level, the module's
// state texts and the most recent events, with the relay, stop-alarm, refresh
// and details buttons.

#include <QList>
#include <QWidget>

class Morvo3Texts;
class TLink;
class TMemoControl;
class QLabel;
class QProgressBar;
class QTableWidget;

class TStatusPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int GsmLevelMaximum = 31;
    static constexpr int EventGridRows = 9;
    static constexpr int EventGridColumns = 17;
    static constexpr int EventGridRowHeight = 18;
    static constexpr int RefreshEventCount = 8;

    TStatusPage(TLink &link, Morvo3Texts &texts, QWidget *parent = nullptr);

    // Every status label back to "." in black, the clock to "00:00", the GSM level to 0.
    void ResetStatusDisplay();
    TMemoControl *MemoState() const { return m_memoState; }

signals:
    void detailsRequested();
    void longEventListRequested();
    // A button was used: the frame moves the focus to its dummy button.
    void focusAway();

private:
    TLink &m_link;
    Morvo3Texts &m_texts;
    TMemoControl *m_memoState = nullptr;
    QProgressBar *m_pbTerero = nullptr;
    QLabel *m_lbGSMpowVal = nullptr;
    QLabel *m_panClock = nullptr;
    QTableWidget *m_cgEvents = nullptr;
    QList<QLabel *> m_statusLabels;
};
