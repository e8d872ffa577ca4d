#pragma once
// The long event list window: fetches up to 1000 records of the module's event
// log into a grid laid out like the status page's, explains report marks in the
// shared event info window, narrows the rows with a filter, and exports (.xls,
// .csv, .txt) and prints the list. Records reach it through the status page,
// which acknowledges them.

#include "monitor/EventExport.h"
#include "monitor/EventFetch.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class Morvo3Texts;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TEListInfoForm;
class TLink;
class TStatusPage;

class TEventList : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 750;
    static constexpr int ClientHeight = 663;
    static constexpr int RowHeight = 18;

    TEventList(TStatusPage &page, TLink &link, Morvo3Texts &texts, QWidget *parent = nullptr);
    ~TEventList() override;

    // EvReq_Start: empties the grid and asks for ECount records.
    void RequestEventList();
    // The stop button: no more records are taken; the rows that came stay.
    void StopEventList();
    // The module went away: the rows that came stay, the progress line says why.
    void ConnectionLost();
    // btListExport: the save dialog (or the chooser installed for tests), then the file.
    void ExportEventList();
    // Writes the list under fileName with the format's extension. Empty on
    // success, otherwise the message (also shown to the user).
    QString ExportTo(const QString &fileName, Monitor::TExportFormat format);
    // ELPrint: the printer dialog, then a preview from which the user prints.
    void PrintEventList();
    // The legend and the whole grid on the printer's pages.
    void PrintTo(QPrinter *printer);
    // The legend block printed above the grid (16 lines).
    QStringList LegendLines() const;

    // The grid's texts, header row first: every row, or only the rows the filter shows.
    Monitor::EventTable GridTable(bool onlyShownRows) const;
    QTableWidget *Grid() const { return m_grid; }
    TEventFetch &Fetch() { return m_fetch; }
    bool EventListBusy() const { return m_busy; }

    // In place of the save dialog: fills the file name and the chosen filter, false to cancel.
    using SaveChooser = std::function<bool(QString *fileName, Monitor::TExportFormat *format)>;
    void SetSaveChooser(SaveChooser chooser) { m_chooser = std::move(chooser); }

signals:
    void showMessage(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void buildControls();
    void takeRecord(int number, const std::uint8_t *record36);
    void setGridRows(int rows);
    void applyFilter();
    void applyFilter(int row);
    void showProgress();
    void fail(const QString &text);
    void focusAway();

    // The page may go first when the application closes; the window then only forgets it.
    QPointer<TStatusPage> m_page;
    TLink &m_link;
    Morvo3Texts &m_texts;
    TEventFetch m_fetch;
    QPointer<TEListInfoForm> m_info;
    SaveChooser m_chooser;
    bool m_busy = false;

    QSpinBox *m_count = nullptr;
    QTableWidget *m_grid = nullptr;
    QLineEdit *m_filter = nullptr;
    QCheckBox *m_onlyShown = nullptr;
    QLabel *m_progress = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_focusDummy = nullptr;
};
