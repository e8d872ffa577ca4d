#pragma once
// The "Module Status" page: the zones, relays, armed state and GSM level of the
// module's status reports, the GSM level of the last minutes, the module's state
// messages, the eight most recent events and the page's command buttons. It
// observes the link on its own: status reports, complete event records.

#include "monitor/ElistInfo.h"
#include "monitor/EventDecode.h"
#include "monitor/GsmHistory.h"
#include "monitor/StatusDecode.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

class Morvo3Texts;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TLink;
class TMemoControl;
class TMemoWriter;

// The small plot of the GSM level over the last ten minutes.
class TGsmHistoryPlot : public QWidget
{
    Q_OBJECT
public:
    TGsmHistoryPlot(const TGsmHistory &history, std::function<qint64()> clock, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const TGsmHistory &m_history;
    std::function<qint64()> m_clock;
};

// Writes one event record into a row of an event grid (columns 0 to 16). A row
// beyond the grid's last row is left alone.
void ShowEventRecord(QTableWidget *grid, int row, const std::uint8_t *record36, const Morvo3Texts &texts,
                     const Monitor::EventCaptionSource &captions);

class TStatusPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int EventGridRows = 9;
    static constexpr int EventGridRowHeight = 18;
    static constexpr int RefreshEventCount = 8;
    static constexpr int PlotRepaintMs = 1000;

    TStatusPage(TLink &link, Morvo3Texts &texts, QWidget *parent = nullptr);
    ~TStatusPage() override;

    // Every status label back to "." in black, the clock "00:00", the GSM level 0.
    void ResetStatusDisplay();
    TMemoControl *MemoState() const { return m_memoState; }
    // Attaches MemoState to the memo writer as the State memo.
    void AttachMemoWriter(TMemoWriter &writer);

    // Shows the status report in the link's StatusRecord.
    void ShowModuleStatus();
    // Circuit and zone-state labels of one zone from an extended status.
    void ShowZoneState(int zone, bool armed);
    // The link's complete event record: shown, passed to the long list,
    // acknowledged; EventNumber back to 0.
    void HandleEventRecord();
    // btRefresh: empties the event rows and asks for the eight latest events again.
    void RefreshEvents();

    // The event info window shared with the long list (the application's one).
    // Without it the page makes its own.
    void SetEventInfoForm(TEListInfoForm *form);
    TEListInfoForm *EventInfoForm() const { return m_info; }
    // Where event names come from (the event matrix captions of the current language).
    void SetEventCaptionSource(Monitor::EventCaptionSource captions) { m_captions = std::move(captions); }
    const Monitor::EventCaptionSource &EventCaptionSource() const { return m_captions; }

    // The long event list takes every record numbered above 8, and records 1 to 8
    // while no older one has come since the last refresh or list request.
    using LongListSink = std::function<void(int number, const std::uint8_t *record36)>;
    void SetLongListSink(LongListSink sink) { m_longList = std::move(sink); }
    bool OlderEventsSeen() const { return m_olderEventsSeen; }
    // The long list's start button clears it too.
    void ClearOlderEventsSeen() { m_olderEventsSeen = false; }

    const TGsmHistory &GsmHistory() const { return m_gsmHistory; }
    QTableWidget *EventGrid() const { return m_cgEvents; }

signals:
    void detailsRequested();
    void longEventListRequested();
    // After a button click: the main window moves the focus to its dummy button.
    void focusAway();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    QLabel *label(const char *name) const;
    void setLook(QLabel *label, const QString &text, Monitor::TLookColor color);
    void setRelay(int relay, bool on);
    void setGsmLevel(int level);

    TLink &m_link;
    Morvo3Texts &m_texts;
    Monitor::EventCaptionSource m_captions;
    LongListSink m_longList;
    bool m_olderEventsSeen = false;

    QList<QLabel *> m_statusLabels;
    QLabel *m_circuit[4] = {};
    QLabel *m_zoneState[4] = {};
    QLabel *m_relay[2] = {};
    QLabel *m_armed = nullptr;
    QLabel *m_lbGSMpowVal = nullptr;
    QLabel *m_panClock = nullptr;
    QProgressBar *m_pbTerero = nullptr;
    TMemoControl *m_memoState = nullptr;
    QTableWidget *m_cgEvents = nullptr;
    TGsmHistoryPlot *m_plot = nullptr;
    QPointer<TEListInfoForm> m_info;
    bool m_ownInfo = false;

    TGsmHistory m_gsmHistory;
    QElapsedTimer m_clock;
};
