#include "monitor/StatusPage.h"

#include "link/Communication.h"
#include "link/SerialDetails.h"
#include "link/Requests.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

namespace {
template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

void setTextColor(QWidget *w, const QColor &color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    w->setPalette(pal);
}
} // namespace

TStatusPage::TStatusPage(TLink &link, Morvo3Texts &texts, QWidget *parent)
    : QWidget(parent)
    , m_link(link)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("tsModulStatus"));
    QWidget *page = this;
    QFont bold = page->font();
    bold.setBold(true);
    for (int i = 0; i < 4; ++i) {
        auto *zone = new QGroupBox(QStringLiteral("Z%1").arg(i + 1), page);
        zone->setObjectName(QStringLiteral("gbZone%1").arg(i + 1));
        zone->setGeometry(8 + i * 122, 8, 114, 76);
        auto *circuit = new QLabel(QStringLiteral("."), zone);
        circuit->setObjectName(QStringLiteral("lbIN%1").arg(i + 1));
        circuit->setGeometry(10, 22, 96, 20);
        auto *state = new QLabel(QStringLiteral("."), zone);
        state->setObjectName(QStringLiteral("lbIN%1B").arg(i + 1));
        state->setGeometry(10, 46, 96, 20);
        state->setFont(bold);
        m_statusLabels << circuit << state;
    }
    for (int r = 0; r < 2; ++r) {
        auto *relay = new QGroupBox(QStringLiteral("%1. RELÉ").arg(r + 1), page);
        relay->setObjectName(QStringLiteral("gbRelay%1").arg(r + 1));
        relay->setGeometry(500 + r * 170, 8, 160, 110);
        auto *label = new QLabel(QStringLiteral("."), relay);
        label->setObjectName(QStringLiteral("lbREL%1").arg(r + 1));
        label->setGeometry(12, 22, 136, 20);
        m_statusLabels << label;
        auto *start = new QPushButton(QStringLiteral("Be"), relay);
        start->setObjectName(QStringLiteral("btREL%1Start").arg(r + 1));
        start->setGeometry(10, 50, 66, 28);
        auto *stop = new QPushButton(QStringLiteral("Ki"), relay);
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
    auto *moduleState = named(new QGroupBox(QStringLiteral("Modul állapota"), page), "gbModuleState");
    moduleState->setGeometry(840, 8, 160, 76);
    auto *armed = named(new QLabel(QStringLiteral("."), moduleState), "lbARMED");
    armed->setGeometry(12, 30, 136, 22);
    armed->setFont(bold);
    m_statusLabels << armed;

    auto *gsmCaption = new QLabel(QStringLiteral("GSM térerő (0-31):"), page);
    gsmCaption->setGeometry(8, 96, 130, 20);
    m_lbGSMpowVal = named(new QLabel(QStringLiteral("0"), page), "lbGSMpowVal");
    m_lbGSMpowVal->setGeometry(140, 96, 30, 20);
    m_pbTerero = named(new QProgressBar(page), "pbTerero");
    m_pbTerero->setRange(0, GsmLevelMaximum);
    m_pbTerero->setValue(0);
    m_pbTerero->setTextVisible(false);
    m_pbTerero->setGeometry(176, 96, 300, 18);
    auto *clockCaption = named(new QLabel(QStringLiteral("Modul órája:"), page), "lbGSClock");
    clockCaption->setGeometry(8, 120, 100, 20);
    clockCaption->hide();
    m_panClock = named(new QLabel(QStringLiteral("00:00"), page), "panClock");
    m_panClock->setGeometry(110, 120, 60, 20);
    m_panClock->hide();

    auto *memoCaption = new QLabel(QStringLiteral("A modul állapotüzenetei:"), page);
    memoCaption->setGeometry(8, 128, 300, 20);
    m_memoState = new TMemoControl(QStringLiteral("MemoState"), page);
    m_memoState->setGeometry(8, 150, 640, 170);

    auto button = [page](const char *name, const QString &text, int x, int y, int w) {
        auto *b = named(new QPushButton(text, page), name);
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
        emit focusAway();
        emit detailsRequested();
    });

    m_cgEvents = named(new QTableWidget(EventGridRows, EventGridColumns, page), "cgEvents");
    m_cgEvents->horizontalHeader()->hide();
    m_cgEvents->verticalHeader()->hide();
    m_cgEvents->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_cgEvents->setSelectionMode(QAbstractItemView::NoSelection);
    m_cgEvents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cgEvents->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cgEvents->verticalHeader()->setMinimumSectionSize(EventGridRowHeight);
    m_cgEvents->horizontalHeader()->setMinimumSectionSize(1);
    m_cgEvents->setTextElideMode(Qt::ElideNone);
    QFont gridFont = m_cgEvents->font();
    gridFont.setPointSize(8);
    m_cgEvents->setFont(gridFont);
    const int widths[EventGridColumns] = {20, 119, 80, 120, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 75};
    const QStringList headers = {QString(), QStringLiteral(" Dátum / Idő"), QStringLiteral(" Esemény"),
                                 QStringLiteral(" Contact-ID"), "G1", "G2", "G3", "G4", "G5", "G6",
                                 "S1", "S2", "S3", "S4", "K1", "K2", QStringLiteral(" Állapot")};
    int gridWidth = 0;
    for (int c = 0; c < EventGridColumns; ++c) {
        m_cgEvents->setColumnWidth(c, widths[c]);
        gridWidth += widths[c];
    }
    const QBrush fixedCell(QColor(224, 224, 224));
    for (int r = 0; r < EventGridRows; ++r) {
        m_cgEvents->setRowHeight(r, EventGridRowHeight);
        for (int c = 0; c < EventGridColumns; ++c) {
            auto *item = new QTableWidgetItem(r == 0 ? headers.value(c) : (c == 0 ? QString::number(r) : QString()));
            if (r == 0 || c == 0)
                item->setBackground(fixedCell);
            if (c >= 4 && c <= 15)
                item->setTextAlignment(Qt::AlignCenter);
            m_cgEvents->setItem(r, c, item);
        }
    }
    m_cgEvents->setGeometry(8, 340, gridWidth + 2 * m_cgEvents->frameWidth(),
                            EventGridRows * EventGridRowHeight + 2 * m_cgEvents->frameWidth());

    auto *btRefresh = button("btRefresh", QStringLiteral("Frissítés"), 700, 340, 160);
    auto *btLongEventList = button("btLongEventList", QStringLiteral("Hosszú eseménylista"), 700, 380, 160);
    // Asks the module again for its eight most recent events.
    connect(btRefresh, &QPushButton::clicked, this, [this] {
        Requests::SendEventsRequest(m_link, RefreshEventCount);
        emit focusAway();
    });
    connect(btLongEventList, &QPushButton::clicked, this, [this] {
        emit focusAway();
        emit longEventListRequested();
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
    if (auto *fwReset = findChild<QPushButton *>(QStringLiteral("btFwReset")))
        connect(fwReset, &QPushButton::clicked, this, [this] { Requests::SendFirmwareReset(m_link); });
    if (auto *flashReset = findChild<QPushButton *>(QStringLiteral("btFlashReset")))
        connect(flashReset, &QPushButton::clicked, this, [this] { Requests::SendFlashReset(m_link); });
}

void TStatusPage::ResetStatusDisplay()
{
    for (QLabel *label : std::as_const(m_statusLabels)) {
        label->setText(QStringLiteral("."));
        setTextColor(label, Qt::black);
    }
    m_panClock->setText(QStringLiteral("00:00"));
    m_pbTerero->setValue(0);
    m_lbGSMpowVal->setText(QStringLiteral("0"));
}
