#include "monitor/Event_List.h"

#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/Requests.h"
#include "monitor/ElistInfo.h"
#include "monitor/StatusPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>

namespace {
template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

const QColor Background(218, 220, 228);
const QColor FixedCell(224, 224, 224);
constexpr int GridFontPixels = 10;
constexpr int ColumnWidths[Monitor::EventGridColumns] = {18, 120, 80, 120, 21, 21, 21, 21, 21, 21,
                                                         21, 21, 21, 21, 21, 21, 134};
// The columns the filter box searches: time stamp, event name, Contact ID.
constexpr int FilterColumns[] = {Monitor::ColTime, Monitor::ColEvent, Monitor::ColContactId};
} // namespace

TEventList::TEventList(TStatusPage &page, TLink &link, Morvo3Texts &texts, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_page(&page)
    , m_link(link)
    , m_texts(texts)
    , m_fetch(link)
{
    setObjectName(QStringLiteral("TEventList"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Eseménylista"));
    setFixedSize(ClientWidth, ClientHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Background);
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);
    buildControls();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_info = page.EventInfoForm();
    page.ClearOlderEventsSeen();
    page.SetLongListSink([this](int number, const std::uint8_t *record36) { takeRecord(number, record36); });
    connect(&m_fetch, &TEventFetch::progress, this, &TEventList::showProgress);
    connect(&m_fetch, &TEventFetch::finished, this, [this](TEventFetch::TState state) {
        m_stop->setEnabled(false);
        showProgress();
        if (state == TEventFetch::TState::Lost)
            emit showMessage(m_fetch.ProgressText());
    });
}

TEventList::~TEventList()
{
    // Later records go to the status page only (and are acknowledged there).
    if (m_page)
        m_page->SetLongListSink({});
    if (m_info)
        m_info->hide();
}

void TEventList::buildControls()
{
    auto *lbEListLen = named(new QLabel(QStringLiteral("Lista sorainak száma:"), this), "lbEListLen");
    lbEListLen->setGeometry(8, 12, 150, 20);
    m_count = named(new QSpinBox(this), "ECount");
    m_count->setRange(Monitor::MinEventListCount, Monitor::MaxEventListCount);
    m_count->setValue(Monitor::DefaultEventListCount);
    m_count->setGeometry(160, 10, 70, 24);
    if (QLineEdit *edit = m_count->findChild<QLineEdit *>())
        edit->setObjectName(QStringLiteral("ECountEdit"));
    m_start = named(new QPushButton(QStringLiteral("Start"), this), "EvReq_Start");
    m_start->setGeometry(240, 8, 110, 28);
    m_stop = named(new QPushButton(QStringLiteral("Stop"), this), "btStop");
    m_stop->setGeometry(356, 8, 70, 28);
    m_stop->setEnabled(false);
    m_progress = named(new QLabel(this), "lbProgress");
    m_progress->setGeometry(434, 12, 308, 20);

    auto *filterCaption = named(new QLabel(QStringLiteral("Szűrő:"), this), "lbFilter");
    filterCaption->setGeometry(8, 44, 50, 20);
    m_filter = named(new QLineEdit(this), "edFilter");
    m_filter->setGeometry(60, 42, 240, 24);
    m_filter->setPlaceholderText(QStringLiteral("event, date, Contact ID"));
    m_onlyShown = named(new QCheckBox(QStringLiteral("csak a látható sorok"), this), "cbOnlyShown");
    m_onlyShown->setGeometry(310, 44, 200, 20);

    m_grid = named(new QTableWidget(2, Monitor::EventGridColumns, this), "cgEvents");
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->verticalHeader()->setMinimumSectionSize(RowHeight);
    m_grid->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setMinimumSectionSize(1);
    m_grid->setTextElideMode(Qt::ElideNone);
    m_grid->setWordWrap(false);
    QFont gridFont = m_grid->font();
    gridFont.setPixelSize(GridFontPixels);
    m_grid->setFont(gridFont);
    QPalette gridPal = m_grid->palette();
    gridPal.setColor(QPalette::Base, Background);
    m_grid->setPalette(gridPal);
    for (int c = 0; c < Monitor::EventGridColumns; ++c)
        m_grid->setColumnWidth(c, ColumnWidths[c]);
    const QStringList headers = Monitor::EventListHeaders();
    for (int c = 0; c < Monitor::EventGridColumns; ++c) {
        auto *item = new QTableWidgetItem(headers.value(c));
        item->setBackground(FixedCell);
        m_grid->setItem(0, c, item);
    }
    setGridRows(Monitor::MinEventListCount + 1);
    m_grid->setGeometry(8, 72, ClientWidth - 16, ClientHeight - 72 - 48);
    m_grid->setMouseTracking(true);
    m_grid->viewport()->setMouseTracking(true);
    m_grid->viewport()->installEventFilter(this);

    auto *btListExport = named(new QPushButton(QStringLiteral("Mentés fájlba"), this), "btListExport");
    btListExport->setGeometry(8, ClientHeight - 40, 150, 30);
    auto *elPrint = named(new QPushButton(QStringLiteral("Nyomtatás"), this), "ELPrint");
    elPrint->setGeometry(166, ClientHeight - 40, 120, 30);
    auto *btECLEAR = named(new QPushButton(QStringLiteral("!!CLR!!"), this), "btECLEAR");
    btECLEAR->setGeometry(294, ClientHeight - 40, 80, 30);
    btECLEAR->hide();
    auto *btClose = named(new QPushButton(QStringLiteral("Ablak bezárása"), this), "btClose");
    btClose->setGeometry(ClientWidth - 158, ClientHeight - 40, 150, 30);
    m_focusDummy = named(new QPushButton(this), "btnFocusDummy");
    m_focusDummy->setGeometry(0, 0, 0, 0);

    connect(m_start, &QPushButton::clicked, this, &TEventList::RequestEventList);
    connect(m_stop, &QPushButton::clicked, this, &TEventList::StopEventList);
    connect(btListExport, &QPushButton::clicked, this, &TEventList::ExportEventList);
    connect(elPrint, &QPushButton::clicked, this, &TEventList::PrintEventList);
    connect(btECLEAR, &QPushButton::clicked, this, [this] {
        Requests::SendEraseLog(m_link);
        focusAway();
    });
    connect(btClose, &QPushButton::clicked, this, [this] {
        focusAway();
        close();
    });
    connect(m_filter, &QLineEdit::textChanged, this, [this] { applyFilter(); });
}

void TEventList::focusAway()
{
    m_focusDummy->setFocus();
}

void TEventList::setGridRows(int rows)
{
    const int before = m_grid->rowCount();
    if (before == rows)
        return;
    m_grid->setRowCount(rows);
    for (int r = before; r < rows; ++r) {
        auto *number = new QTableWidgetItem(QString::number(r));
        number->setBackground(FixedCell);
        m_grid->setItem(r, Monitor::ColNumber, number);
    }
    applyFilter();
}

void TEventList::RequestEventList()
{
    for (int r = 1; r < m_grid->rowCount(); ++r)
        for (int c = 1; c < m_grid->columnCount(); ++c)
            if (QTableWidgetItem *item = m_grid->item(r, c))
                item->setText(QString());
    setGridRows(2);
    if (m_page)
        m_page->ClearOlderEventsSeen();
    m_stop->setEnabled(true);
    m_fetch.Start(m_count->value());
    focusAway();
}

void TEventList::StopEventList()
{
    m_fetch.Stop();
    focusAway();
}

void TEventList::ConnectionLost()
{
    m_fetch.LinkLost();
}

void TEventList::takeRecord(int number, const std::uint8_t *record36)
{
    // A stopped or broken-off fetch keeps its rows as they were.
    const TEventFetch::TState state = m_fetch.State();
    if (state == TEventFetch::TState::Stopped || state == TEventFetch::TState::Lost)
        return;
    m_busy = true;
    const int wanted = (m_fetch.Requested() > 0 ? m_fetch.Requested() : m_count->value()) + 1;
    setGridRows(wanted);
    ShowEventRecord(m_grid, number, record36, m_texts,
                    m_page ? m_page->EventCaptionSource() : Monitor::EventCaptionSource());
    applyFilter(number);
    m_busy = false;
    m_fetch.Take(number, record36);
}

void TEventList::showProgress()
{
    m_progress->setText(m_fetch.ProgressText());
}

void TEventList::applyFilter()
{
    for (int r = 1; r < m_grid->rowCount(); ++r)
        applyFilter(r);
}

void TEventList::applyFilter(int row)
{
    if (row < 1 || row >= m_grid->rowCount())
        return;
    const QString needle = m_filter->text().trimmed();
    bool shown = needle.isEmpty();
    for (int c : FilterColumns) {
        if (shown)
            break;
        if (const QTableWidgetItem *item = m_grid->item(row, c))
            shown = item->text().contains(needle, Qt::CaseInsensitive);
    }
    if (m_grid->isRowHidden(row) == shown)
        m_grid->setRowHidden(row, !shown);
}

Monitor::EventTable TEventList::GridTable(bool onlyShownRows) const
{
    Monitor::EventTable rows;
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        if (onlyShownRows && r > 0 && m_grid->isRowHidden(r))
            continue;
        QStringList row;
        for (int c = 0; c < m_grid->columnCount(); ++c) {
            const QTableWidgetItem *item = m_grid->item(r, c);
            row << (item ? item->text() : QString());
        }
        rows << row;
    }
    return rows;
}

void TEventList::fail(const QString &text)
{
    m_progress->setText(text);
    emit showMessage(text);
}

QString TEventList::ExportTo(const QString &fileName, Monitor::TExportFormat format)
{
    const QString target = Monitor::ExportFileName(fileName, format);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error = Monitor::WriteEventExport(target, GridTable(m_onlyShown->isChecked()), format);
    QApplication::restoreOverrideCursor();
    if (!error.isEmpty())
        fail(error);
    return error;
}

void TEventList::ExportEventList()
{
    focusAway();
    QString fileName;
    Monitor::TExportFormat format = Monitor::TExportFormat::Xls;
    if (m_chooser) {
        if (!m_chooser(&fileName, &format))
            return;
    } else {
        const QStringList filters = {QStringLiteral("Excel (*.xls)"), QStringLiteral("CSV (*.csv)"),
                                     QStringLiteral("Text (*.txt)")};
        QString selected = filters.first();
        fileName = QFileDialog::getSaveFileName(this, QString(), QString(), filters.join(QLatin1String(";;")),
                                                &selected, QFileDialog::DontConfirmOverwrite);
        if (fileName.isEmpty())
            return;
        format = Monitor::TExportFormat(filters.indexOf(selected) + 1);
        if (int(format) < 1)
            format = Monitor::TExportFormat::Xls;
    }
    ExportTo(fileName, format);
}

QStringList TEventList::LegendLines() const
{
    const QString dashes = QStringLiteral("  ") + QString(34, QLatin1Char('-'));
    auto t = [this](const char *key) { return m_texts.text(QLatin1String(key)); };
    return {t("lbTXT_comment0"), dashes, t("lbTXT_comment1"), t("lbTXT_comment2"), t("lbTXT_comment3"),
            t("lbTXT_comment4"), t("lbTXT_comment4b"), t("lbTXT_comment5"), QString(), t("lbTXT_comment6"),
            t("lbTXT_comment7"), t("lbTXT_comment8"), dashes, QString(), QString(), t("lbTXT_comment9")};
}

void TEventList::PrintTo(QPrinter *printer)
{
    QPainter p;
    if (!p.begin(printer))
        return;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(7.5);
    p.setFont(font);
    const QFontMetrics fm(font, p.device());
    const int line = fm.height();
    const QRect page = p.viewport();
    const int footer = 2 * line;
    const int linesPerPage = std::max(1, (page.height() - footer) / line);

    // Column starts scaled from the grid's widths to the page width.
    int gridWidth = 0;
    for (int w : ColumnWidths)
        gridWidth += w;
    QList<int> left;
    int x = 0;
    for (int w : ColumnWidths) {
        left << page.width() * x / gridWidth;
        x += w;
    }
    const QStringList legend = LegendLines();
    const Monitor::EventTable rows = GridTable(false);
    const int totalLines = int(legend.size() + rows.size());
    const int pages = (totalLines + linesPerPage - 1) / linesPerPage;
    for (int i = 0; i < totalLines; ++i) {
        const int onPage = i % linesPerPage;
        if (i > 0 && onPage == 0)
            printer->newPage();
        const int y = onPage * line + fm.ascent();
        if (i < legend.size()) {
            p.drawText(0, y, legend.at(i));
        } else {
            const QStringList &row = rows.at(i - legend.size());
            for (int c = 0; c < row.size() && c < left.size(); ++c)
                p.drawText(left.at(c), y, row.at(c));
        }
        if (onPage == linesPerPage - 1 || i == totalLines - 1) {
            const QString number = QStringLiteral("%1/%2").arg(i / linesPerPage + 1).arg(pages);
            p.drawText(QRect(0, page.height() - line, page.width(), line), Qt::AlignRight, number);
        }
    }
    p.end();
}

void TEventList::PrintEventList()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog setup(&printer, this);
    if (setup.exec() == QDialog::Accepted) {
        QPrintPreviewDialog preview(&printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, &TEventList::PrintTo);
        preview.exec();
    }
    focusAway();
}

bool TEventList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid->viewport() && m_info) {
        if (event->type() == QEvent::MouseMove) {
            if (!m_busy) {
                const auto *me = static_cast<QMouseEvent *>(event);
                const QPoint pos = me->position().toPoint();
                m_info->ShowEventHint(m_grid, TEListInfoForm::TGridKind::LongList, me->modifiers(), me->buttons(),
                                      pos.x(), pos.y());
            }
        } else if (event->type() == QEvent::Leave && QGuiApplication::keyboardModifiers() != Qt::ControlModifier) {
            m_info->hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TEventList::mouseMoveEvent(QMouseEvent *event)
{
    // Over the window's background, outside the grid, the hint has nothing to explain.
    if (m_info && m_info->isVisible())
        m_info->hide();
    QWidget::mouseMoveEvent(event);
}
