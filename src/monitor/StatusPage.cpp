#include "monitor/StatusPage.h"

#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/MemoWriter.h"
#include "link/Requests.h"
#include "link/SerialDetails.h"
#include "monitor/StatusDecode.h"

#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {
template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QColor textColor(const QWidget *w)
{
    return w->palette().color(QPalette::WindowText);
}

void setTextColor(QWidget *w, const QColor &color)
{
    if (textColor(w) == color)
        return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::Text, color);
    w->setPalette(pal);
}

void setBold(QWidget *w, bool bold)
{
    if (w->font().bold() == bold)
        return;
    QFont f = w->font();
    f.setBold(bold);   // only the weight: other styles stay as they are
    w->setFont(f);
}

const QColor GridFixedCell(224, 224, 224);

QColor toColor(Monitor::TLookColor c)
{
    switch (c) {
    case Monitor::TLookColor::Red: return QColor(255, 0, 0);
    case Monitor::TLookColor::Green: return QColor(0, 128, 0);
    case Monitor::TLookColor::Blue: return QColor(0, 0, 255);
    case Monitor::TLookColor::Black: break;
    }
    return QColor(0, 0, 0);
}
constexpr int GridFontPixels = 10;
constexpr int PlotLeft = 876;
constexpr int PlotTop = 150;
constexpr int PlotWidth = 210;
constexpr int PlotHeight = 170;
} // namespace

// ---------------------------------------------------------------- plot

TGsmHistoryPlot::TGsmHistoryPlot(const TGsmHistory &history, std::function<qint64()> clock, QWidget *parent)
    : QWidget(parent)
    , m_history(history)
    , m_clock(std::move(clock))
{
    setObjectName(QStringLiteral("GsmHistoryPlot"));
    setToolTip(QStringLiteral("GSM (0-31), 10 min"));
}

void TGsmHistoryPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect area = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(area);
    // Grid lines at levels 10 and 20 and every two minutes.
    const QRectF plot = QRectF(area).adjusted(4, 4, -4, -4);
    p.setPen(QPen(QColor(225, 225, 225), 1, Qt::DotLine));
    for (int level : {10, 20}) {
        const qreal y = plot.bottom() - plot.height() * level / Monitor::GsmLevelMaximum;
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    for (int minute = 2; minute < 10; minute += 2) {
        const qreal x = plot.left() + plot.width() * minute / 10.0;
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(QColor(128, 128, 128));
    p.drawText(plot.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("GSM 0-31 / 10 min"));
    const qint64 now = m_clock();
    const auto samples = m_history.Samples(now);
    if (samples.isEmpty())
        return;
    auto point = [&](const TGsmHistory::Sample &s) {
        const qreal age = qreal(now - s.timeMs) / TGsmHistory::WindowMs;
        return QPointF(plot.right() - plot.width() * age,
                       plot.bottom() - plot.height() * s.level / Monitor::GsmLevelMaximum);
    };
    // A step line: the level holds until the next report.
    QPainterPath path(point(samples.first()));
    for (int i = 1; i < samples.size(); ++i) {
        const QPointF pt = point(samples.at(i));
        path.lineTo(pt.x(), path.currentPosition().y());
        path.lineTo(pt);
    }
    path.lineTo(plot.right(), path.currentPosition().y());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(toColor(Monitor::TLookColor::Green), 2));
    p.drawPath(path);
}

// ---------------------------------------------------------------- grid rows

void ShowEventRecord(QTableWidget *grid, int row, const std::uint8_t *record36, const Morvo3Texts &texts,
                     const Monitor::EventCaptionSource &captions)
{
    if (!grid || row < 0 || row >= grid->rowCount())
        return;
    const auto cells = Monitor::EventRowTexts(record36, row, texts, captions);
    const int columns = std::min(grid->columnCount(), int(cells.size()));
    for (int c = 0; c < columns; ++c) {
        QTableWidgetItem *item = grid->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            if (c >= Monitor::ColFirstMark && c <= Monitor::ColLastMark)
                item->setTextAlignment(Qt::AlignCenter);
            grid->setItem(row, c, item);
        }
        if (item->text() != cells[c])
            item->setText(cells[c]);
    }
}

// ---------------------------------------------------------------- page

TStatusPage::TStatusPage(TLink &link, Morvo3Texts &texts, QWidget *parent)
    : QWidget(parent)
    , m_link(link)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("tsModulStatus"));
    m_clock.start();
    buildControls();

    connect(&m_link, &TLink::statusComplete, this, &TStatusPage::ShowModuleStatus);
    m_link.setEventRecordHandler([this] { HandleEventRecord(); });

    auto *plotTimer = new QTimer(this);
    plotTimer->setInterval(PlotRepaintMs);
    connect(plotTimer, &QTimer::timeout, m_plot, qOverload<>(&QWidget::update));
    plotTimer->start();
}

TStatusPage::~TStatusPage()
{
    // Records that arrive after the page is gone are acknowledged by the link itself.
    m_link.setEventRecordHandler({});
    if (m_ownInfo && m_info)
        delete m_info.data();
}

void TStatusPage::SetEventInfoForm(TEListInfoForm *form)
{
    if (m_ownInfo && m_info && m_info != form)
        delete m_info.data();
    m_ownInfo = false;
    m_info = form;
    if (m_info)
        m_info->SetTexts(&m_texts);
}

void TStatusPage::AttachMemoWriter(TMemoWriter &writer)
{
    writer.SetMemo(MemoTarget::State, m_memoState, m_memoState);
}

QLabel *TStatusPage::label(const char *name) const
{
    return findChild<QLabel *>(QLatin1String(name));
}

void TStatusPage::buildControls()
{
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < Monitor::ZoneCount; ++i) {
        auto *zone = new QGroupBox(QStringLiteral("Z%1").arg(i + 1), this);
        zone->setObjectName(QStringLiteral("gbZone%1").arg(i + 1));
        zone->setGeometry(8 + i * 122, 8, 114, 76);
        m_circuit[i] = new QLabel(QStringLiteral("."), zone);
        m_circuit[i]->setObjectName(QStringLiteral("lbIN%1").arg(i + 1));
        m_circuit[i]->setGeometry(10, 22, 96, 20);
        m_zoneState[i] = new QLabel(QStringLiteral("."), zone);
        m_zoneState[i]->setObjectName(QStringLiteral("lbIN%1B").arg(i + 1));
        m_zoneState[i]->setGeometry(10, 46, 96, 20);
        m_zoneState[i]->setFont(bold);
        m_statusLabels << m_circuit[i] << m_zoneState[i];
    }
    for (int r = 0; r < Monitor::RelayCount; ++r) {
        auto *relay = new QGroupBox(QStringLiteral("%1. RELÉ").arg(r + 1), this);
        relay->setObjectName(QStringLiteral("gbRelay%1").arg(r + 1));
        relay->setGeometry(500 + r * 170, 8, 160, 110);
        m_relay[r] = new QLabel(QStringLiteral("."), relay);
        m_relay[r]->setObjectName(QStringLiteral("lbREL%1").arg(r + 1));
        m_relay[r]->setGeometry(12, 22, 136, 20);
        m_statusLabels << m_relay[r];
        auto *start = new QPushButton(QStringLiteral("Start"), relay);
        start->setObjectName(QStringLiteral("btREL%1Start").arg(r + 1));
        start->setGeometry(10, 50, 66, 28);
        auto *stop = new QPushButton(QStringLiteral("Stop"), relay);
        stop->setObjectName(QStringLiteral("btREL%1Stop").arg(r + 1));
        stop->setGeometry(82, 50, 66, 28);
        // Relay commands are fire-and-forget: the next status report shows the effect.
        connect(start, &QPushButton::clicked, this, [this, r] {
            Requests::SendRelay(m_link, r + 1, true);
            emit focusAway();
        });
        connect(stop, &QPushButton::clicked, this, [this, r] {
            Requests::SendRelay(m_link, r + 1, false);
            emit focusAway();
        });
    }
    auto *moduleState = named(new QGroupBox(QStringLiteral("Modul állapota"), this), "gbModuleState");
    moduleState->setGeometry(840, 8, 160, 76);
    m_armed = named(new QLabel(QStringLiteral("."), moduleState), "lbARMED");
    m_armed->setGeometry(12, 30, 136, 22);
    m_armed->setFont(bold);
    m_statusLabels << m_armed;

    auto *gsmCaption = named(new QLabel(QStringLiteral("GSM térerő (0-31):"), this), "lbGSMpow");
    gsmCaption->setGeometry(8, 96, 130, 20);
    m_lbGSMpowVal = named(new QLabel(QStringLiteral("0"), this), "lbGSMpowVal");
    m_lbGSMpowVal->setGeometry(140, 96, 30, 20);
    m_pbTerero = named(new QProgressBar(this), "pbTerero");
    m_pbTerero->setRange(0, Monitor::GsmLevelMaximum);
    m_pbTerero->setValue(0);
    m_pbTerero->setTextVisible(false);
    m_pbTerero->setGeometry(176, 96, 300, 18);
    auto *clockCaption = named(new QLabel(QStringLiteral("Modul órája:"), this), "lbGSClock");
    clockCaption->setGeometry(8, 120, 100, 20);
    clockCaption->hide();
    m_panClock = named(new QLabel(QStringLiteral("00:00"), this), "panClock");
    m_panClock->setGeometry(110, 120, 60, 20);
    m_panClock->hide();

    auto *memoCaption = named(new QLabel(QStringLiteral("A modul állapotüzenetei:"), this), "lbMemoStateHead");
    memoCaption->setGeometry(8, 128, 300, 20);
    m_memoState = new TMemoControl(QStringLiteral("MemoState"), this);
    m_memoState->setGeometry(8, 150, 640, 170);

    m_plot = new TGsmHistoryPlot(m_gsmHistory, [this] { return m_clock.elapsed(); }, this);
    m_plot->setGeometry(PlotLeft, PlotTop, PlotWidth, PlotHeight);

    auto button = [this](const char *name, const QString &text, int x, int y, int w) {
        auto *b = named(new QPushButton(text, this), name);
        b->setGeometry(x, y, w, 30);
        return b;
    };
    auto *btStopAlarm = button("btStopAlarm", QStringLiteral("Riasztás leállítása"), 664, 150, 200);
    auto *btClearMsg = button("btClearMsg", QStringLiteral("Üzenetablak törlése"), 664, 190, 200);
    auto *btDetails = button("btDetails", QStringLiteral("Kommunikáció részletei >>>"), 664, 290, 200);
    connect(btStopAlarm, &QPushButton::clicked, this, [this] {
        Requests::SendStopAlarm(m_link);
        emit focusAway();
    });
    connect(btClearMsg, &QPushButton::clicked, this, [this] {
        emit focusAway();
        m_memoState->clear();
    });
    connect(btDetails, &QPushButton::clicked, this, [this] {
        emit detailsRequested();
        emit focusAway();
    });

    m_cgEvents = named(new QTableWidget(EventGridRows, Monitor::EventGridColumns, this), "cgEvents");
    m_cgEvents->horizontalHeader()->hide();
    m_cgEvents->verticalHeader()->hide();
    m_cgEvents->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_cgEvents->setSelectionMode(QAbstractItemView::NoSelection);
    m_cgEvents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cgEvents->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cgEvents->verticalHeader()->setMinimumSectionSize(EventGridRowHeight);
    m_cgEvents->verticalHeader()->setDefaultSectionSize(EventGridRowHeight);
    m_cgEvents->horizontalHeader()->setMinimumSectionSize(1);
    m_cgEvents->setTextElideMode(Qt::ElideNone);
    m_cgEvents->setWordWrap(false);
    // Small type in pixels: the time stamp must fit its 119-pixel column at any screen resolution.
    QFont gridFont = m_cgEvents->font();
    gridFont.setPixelSize(GridFontPixels);
    m_cgEvents->setFont(gridFont);
    const int widths[Monitor::EventGridColumns] = {20, 119, 80, 120, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 75};
    const QStringList headers = {QString(), QStringLiteral(" Dátum / Idő"), QStringLiteral(" Esemény"),
                                 QStringLiteral(" Contact-ID"), "G1", "G2", "G3", "G4", "G5", "G6",
                                 "S1", "S2", "S3", "S4", "K1", "K2", QStringLiteral(" Állapot")};
    int gridWidth = 0;
    for (int c = 0; c < Monitor::EventGridColumns; ++c) {
        m_cgEvents->setColumnWidth(c, widths[c]);
        gridWidth += widths[c];
    }
    const QBrush fixedCell(GridFixedCell);
    for (int r = 0; r < EventGridRows; ++r) {
        m_cgEvents->setRowHeight(r, EventGridRowHeight);
        for (int c = 0; c < Monitor::EventGridColumns; ++c) {
            auto *item = new QTableWidgetItem(r == 0 ? headers.value(c) : (c == 0 ? QString::number(r) : QString()));
            if (r == 0 || c == 0)
                item->setBackground(fixedCell);
            if (c >= Monitor::ColFirstMark && c <= Monitor::ColLastMark)
                item->setTextAlignment(Qt::AlignCenter);
            m_cgEvents->setItem(r, c, item);
        }
    }
    // The first row holds the column titles: the language files translate it as the grid's headers.
    m_cgEvents->setProperty("headerRow", true);
    m_cgEvents->setGeometry(8, 340, gridWidth + 2 * m_cgEvents->frameWidth(),
                            EventGridRows * EventGridRowHeight + 2 * m_cgEvents->frameWidth());
    m_cgEvents->setMouseTracking(true);
    m_cgEvents->viewport()->setMouseTracking(true);
    m_cgEvents->viewport()->installEventFilter(this);

    auto *btRefresh = button("btRefresh", QStringLiteral("Frissítés"), 700, 340, 160);
    auto *btLongEventList = button("btLongEventList", QStringLiteral("Hosszú eseménylista"), 700, 380, 160);
    connect(btRefresh, &QPushButton::clicked, this, &TStatusPage::RefreshEvents);
    connect(btLongEventList, &QPushButton::clicked, this, [this] {
        emit longEventListRequested();
        emit focusAway();
    });

    // Service buttons: present in the layout, never shown.
    const std::pair<const char *, const char *> hidden[] = {{"btFwReset", "FirmWare Reset!"},
                                                            {"btFlashReset", "Flash Reset !"},
                                                            {"btFirmwareDownload", "FirmWare Download"},
                                                            {"btnSendPassword", "Send password"}};
    int y = 430;
    for (const auto &[name, text] : hidden) {
        button(name, QLatin1String(text), 700, y, 160)->hide();
        y += 34;
    }
    connect(findChild<QPushButton *>(QStringLiteral("btFwReset")), &QPushButton::clicked, this,
            [this] { Requests::SendFirmwareReset(m_link); });
    connect(findChild<QPushButton *>(QStringLiteral("btFlashReset")), &QPushButton::clicked, this,
            [this] { Requests::SendFlashReset(m_link); });

    m_info = new TEListInfoForm;
    m_info->SetTexts(&m_texts);
    m_ownInfo = true;
}

void TStatusPage::ResetStatusDisplay()
{
    for (QLabel *l : std::as_const(m_statusLabels))
        setLook(l, QStringLiteral("."), Monitor::TLookColor::Black);
    for (QLabel *l : m_relay)
        setBold(l, false);
    m_panClock->setText(QStringLiteral("00:00"));
    m_pbTerero->setValue(0);
    m_lbGSMpowVal->setText(QStringLiteral("0"));
    // Another module may answer next: its level starts a fresh plot.
    m_gsmHistory.Clear();
    m_plot->update();
}

void TStatusPage::setLook(QLabel *l, const QString &text, Monitor::TLookColor color)
{
    if (l->text() != text)
        l->setText(text);
    setTextColor(l, toColor(color));
}

void TStatusPage::setRelay(int relay, bool on)
{
    const Monitor::TLabelLook look = Monitor::RelayLook(m_texts, on);
    setLook(m_relay[relay], look.text, look.color);
    setBold(m_relay[relay], look.bold);
}

void TStatusPage::setGsmLevel(int level)
{
    const int bar = Monitor::GsmBarPosition(level);
    if (m_pbTerero->value() != bar)
        m_pbTerero->setValue(bar);
    const QString number = QString::number(level);
    if (m_lbGSMpowVal->text() != number)
        m_lbGSMpowVal->setText(number);
    m_gsmHistory.Add(m_clock.elapsed(), level);
}

void TStatusPage::ShowModuleStatus()
{
    const Monitor::TModuleStatus s = Monitor::DecodeStatus(m_link.StatusRecord);
    if (!s.valid)
        return;
    const Monitor::TLabelLook armed = Monitor::ArmedLook(m_texts, s.armed);
    if (!s.extended) {
        for (int z = 0; z < Monitor::ZoneCount; ++z) {
            const Monitor::TLabelLook look = Monitor::CircuitLook(m_texts, s.zones[z].shortCircuit);
            setLook(m_circuit[z], look.text, look.color);
        }
    } else {
        setLook(m_armed, armed.text, armed.color);
        for (int z = 0; z < Monitor::ZoneCount; ++z)
            ShowZoneState(z, s.armed);
    }
    for (int r = 0; r < Monitor::RelayCount; ++r)
        setRelay(r, s.relayOn[r]);
    if (!s.extended)
        setLook(m_armed, armed.text, armed.color);
    setGsmLevel(s.gsmLevel);
}

void TStatusPage::ShowZoneState(int zone, bool armed)
{
    if (zone < 0 || zone >= Monitor::ZoneCount)
        return;
    const Monitor::TZoneStatus z = Monitor::DecodeExtendedZone(m_link.StatusRecord, zone, armed);
    // An extended status names the circuit but keeps the colour a basic one left.
    const Monitor::TLabelLook circuit = Monitor::CircuitLook(m_texts, z.shortCircuit);
    if (m_circuit[zone]->text() != circuit.text)
        m_circuit[zone]->setText(circuit.text);
    const Monitor::TLabelLook state = Monitor::ZoneStateLook(m_texts, z.state);
    setLook(m_zoneState[zone], state.text, state.color);
}

void TStatusPage::HandleEventRecord()
{
    const int n = m_link.EventNumber;
    const std::uint8_t *record = m_link.EventRecordBuffer;
    if (n < EventGridRows)
        ShowEventRecord(m_cgEvents, n, record, m_texts, m_captions);
    if (m_longList && (!m_olderEventsSeen || n > RefreshEventCount))
        m_longList(n, record);
    if (n > RefreshEventCount)
        m_olderEventsSeen = true;
    m_link.AcknowledgeEventRecord();
}

void TStatusPage::RefreshEvents()
{
    for (int r = 1; r < m_cgEvents->rowCount(); ++r)
        for (int c = 1; c < m_cgEvents->columnCount(); ++c)
            if (QTableWidgetItem *item = m_cgEvents->item(r, c))
                item->setText(QString());
    m_olderEventsSeen = false;
    Requests::SendEventsRequest(m_link, RefreshEventCount);
    emit focusAway();
}

bool TStatusPage::eventFilter(QObject *watched, QEvent *event)
{
    if (m_cgEvents && watched == m_cgEvents->viewport() && m_info) {
        if (event->type() == QEvent::MouseMove) {
            const auto *me = static_cast<QMouseEvent *>(event);
            const QPoint pos = me->position().toPoint();
            m_info->ShowEventHint(m_cgEvents, TEListInfoForm::TGridKind::Main, me->modifiers(), me->buttons(),
                                  pos.x(), pos.y());
        } else if (event->type() == QEvent::Leave && QGuiApplication::keyboardModifiers() != Qt::ControlModifier) {
            // Leaving the grid ends the hint, unless Ctrl holds it for reading.
            m_info->hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}
