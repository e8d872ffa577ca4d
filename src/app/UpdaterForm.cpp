#include "app/UpdaterForm.h"

#include "common/FocusKeeping.h"
#include "common/Morvo3Texts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {
constexpr int Width = 460;

template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

TFormUpdate::TFormUpdate(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormUpdate"));
    setWindowTitle(QStringLiteral("Programfrissítések keresése"));
    FocusKeeping::Mark(this);

    m_lbCurrentVersionText = named(new QLabel(QStringLiteral("Jelenlegi programverzió : "), this), "lbCurrentVersionText");
    m_lbCurrentVersionText->setGeometry(16, 14, 200, 20);
    m_lbCurrentVersion = named(new QLabel(this), "lbCurrentVersion");
    m_lbCurrentVersion->setGeometry(220, 14, 220, 20);
    m_lbNewVersionText = named(new QLabel(QStringLiteral("Legfrissebb verzió : "), this), "lbNewVersionText");
    m_lbNewVersionText->setGeometry(16, 36, 200, 20);
    m_lbNewVersion = named(new QLabel(this), "lbNewVersion");
    m_lbNewVersion->setGeometry(220, 36, 220, 20);

    m_lbWantToDownload = named(new QLabel(QStringLiteral("Letölti most? "), this), "lbWantToDownload");
    m_lbWantToDownload->setGeometry(16, 68, 200, 24);
    m_btnStartDownload = named(new QPushButton(QStringLiteral("Igen"), this), "btnStartDownload");
    m_btnStartDownload->setGeometry(220, 66, 90, 26);
    m_btnDontDownload = named(new QPushButton(QStringLiteral("Nem"), this), "btnDontDownload");
    m_btnDontDownload->setGeometry(320, 66, 90, 26);
    m_pbUpdate = named(new QProgressBar(this), "pbUpdate");
    m_pbUpdate->setRange(0, 100);
    m_pbUpdate->setValue(0);
    m_pbUpdate->setGeometry(16, 100, Width - 32, 18);
    m_lbWaitForRestart = named(new QLabel(QStringLiteral("A program a letöltés után automatikusan újraindul!"), this),
                               "lbWaitForRestart");
    m_lbWaitForRestart->setGeometry(16, 122, Width - 32, 20);

    m_lbNoDownloadRequired = named(new QLabel(this), "lbNoDownloadRequired");
    m_lbNoDownloadRequired->setGeometry(16, 60, Width - 32, 22);
    m_lbDownloadPage = named(new QLabel(this), "lbDownloadPage");
    m_lbDownloadPage->setGeometry(16, 110, Width - 32, 22);
    m_lbDownloadPage->setTextFormat(Qt::RichText);
    m_lbDownloadPage->setOpenExternalLinks(true);
    m_lbDownloadPage->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_btnOK = named(new QPushButton(QStringLiteral("OK"), this), "btnOK");
    m_btnOK->setGeometry((Width - 90) / 2, 142, 90, 26);

    m_cbAllowDownloadQuery = named(new QCheckBox(QStringLiteral("Automatikus programfrissítés engedélyezése"), this),
                                   "cbAllowDownloadQuery");
    m_cbAllowDownloadQuery->setChecked(true);
    m_cbAllowDownloadQuery->setGeometry(80, QuestionCheckBoxTop, Width - 90, 20);

    // Takes the focus away from a clicked button, so no button keeps a dotted frame.
    m_btnFocusDummy = named(new QPushButton(this), "btnFocusDummy");
    m_btnFocusDummy->setGeometry(0, 0, 0, 0);

    TimerPercentage.setObjectName(QStringLiteral("TimerPercentage"));
    TimerPercentage.setInterval(100);
    connect(&TimerPercentage, &QTimer::timeout, this, &TFormUpdate::TimerPercentageTick);
    connect(m_btnStartDownload, &QPushButton::clicked, this, &TFormUpdate::btnStartDownloadClick);
    connect(m_btnDontDownload, &QPushButton::clicked, this, &TFormUpdate::btnDontDownloadClick);
    connect(m_btnOK, &QPushButton::clicked, this, [this] {
        m_btnFocusDummy->setFocus();
        close();
    });

    setFixedSize(Width, MessageHeight);
}

void TFormUpdate::Attach(TUpdater *updater, const Morvo3Texts *texts)
{
    if (m_updater)
        disconnect(m_updater, nullptr, this, nullptr);
    m_updater = updater;
    m_texts = texts;
    if (!updater)
        return;
    connect(updater, &TUpdater::offered, this, &TFormUpdate::ShowQuestion);
    connect(updater, &TUpdater::upToDate, this, [this](const QString &current, const QString &newest) {
        FillVersions(current, newest);
        ShowLine(Text(QStringLiteral("lbTXT_NO_UPDATE_REQUIRED")));
    });
    connect(updater, &TUpdater::cannotInstall, this,
            [this](const QString &current, const QString &newest, const QUrl &page) {
                FillVersions(current, newest);
                ShowLine(Text(QStringLiteral("lbTXT_UPDATE_FOLDER_READONLY")), page);
            });
    connect(updater, &TUpdater::failed, this, &TFormUpdate::Failed);
    connect(updater, &TUpdater::swapped, this, [this] {
        TimerPercentage.stop();
        close();
    });
}

void TFormUpdate::SetHungarian(bool hungarian)
{
    m_hungarian = hungarian;
    m_cbAllowDownloadQuery->move(hungarian ? 80 : 30, m_cbAllowDownloadQuery->y());
}

QString TFormUpdate::Text(const QString &key) const
{
    return m_texts ? m_texts->text(key) : Morvo3Texts::builtInTexts().value(key, key);
}

void TFormUpdate::FillVersions(const QString &current, const QString &newest)
{
    m_lbCurrentVersion->setText(current);
    m_lbNewVersion->setText(newest);
}

void TFormUpdate::ShowQuestion(const QString &current, const QString &newest)
{
    FillVersions(current, newest);
    m_lbNoDownloadRequired->hide();
    m_lbDownloadPage->hide();
    m_btnOK->hide();
    for (QWidget *w : {static_cast<QWidget *>(m_lbWantToDownload), static_cast<QWidget *>(m_lbWaitForRestart),
                       static_cast<QWidget *>(m_btnStartDownload), static_cast<QWidget *>(m_btnDontDownload),
                       static_cast<QWidget *>(m_pbUpdate)})
        w->show();
    m_btnStartDownload->setEnabled(true);
    m_btnDontDownload->setEnabled(true);
    m_pbUpdate->setValue(0);
    setFixedSize(Width, QuestionHeight);
    m_cbAllowDownloadQuery->move(m_hungarian ? 80 : 30, QuestionCheckBoxTop);
    ShowCentred();
}

void TFormUpdate::ShowLine(const QString &text, const QUrl &link)
{
    TimerPercentage.stop();
    for (QWidget *w : {static_cast<QWidget *>(m_lbWantToDownload), static_cast<QWidget *>(m_lbWaitForRestart),
                       static_cast<QWidget *>(m_btnStartDownload), static_cast<QWidget *>(m_btnDontDownload),
                       static_cast<QWidget *>(m_pbUpdate)})
        w->hide();
    m_lbNoDownloadRequired->setText(text);
    m_lbNoDownloadRequired->setToolTip(text);
    m_lbNoDownloadRequired->show();
    if (link.isValid()) {
        const QString url = link.toString(QUrl::FullyEncoded);
        m_lbDownloadPage->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(url.toHtmlEscaped()));
        m_lbDownloadPage->show();
    } else {
        m_lbDownloadPage->clear();
        m_lbDownloadPage->hide();
    }
    m_cbAllowDownloadQuery->show();
    m_btnOK->show();
    setFixedSize(Width, MessageHeight);
    m_cbAllowDownloadQuery->move(m_hungarian ? 80 : 30, MessageCheckBoxTop);
    ShowCentred();
}

void TFormUpdate::Failed(TUpdater::TFailure why)
{
    const char *key = "lbTXT_UPDATE_NO_SERVER";
    switch (why) {
    case TUpdater::TFailure::NoServer: key = "lbTXT_UPDATE_NO_SERVER"; break;
    case TUpdater::TFailure::BadDescription: key = "lbTXT_UPDATE_BAD_ANSWER"; break;
    case TUpdater::TFailure::DownloadFailed: key = "lbTXT_UPDATE_DOWNLOAD_FAILED"; break;
    case TUpdater::TFailure::SwapFailed: key = "lbTXT_UPDATE_SWAP_FAILED"; break;
    }
    ShowLine(Text(QLatin1String(key)));
}

void TFormUpdate::ShowCentred()
{
    m_closed = false;
    if (m_centreOver) {
        const QRect over = m_centreOver->frameGeometry();
        move(over.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void TFormUpdate::btnStartDownloadClick()
{
    m_btnFocusDummy->setFocus();
    m_btnStartDownload->setEnabled(false);
    m_btnDontDownload->setEnabled(false);
    TimerPercentage.start();
    if (m_updater)
        m_updater->Answer(true);
}

void TFormUpdate::btnDontDownloadClick()
{
    m_btnFocusDummy->setFocus();
    if (m_updater)
        m_updater->Answer(false);
    close();
}

void TFormUpdate::TimerPercentageTick()
{
    if (m_pbUpdate->value() >= m_pbUpdate->maximum()) {
        TimerPercentage.stop();
        return;
    }
    const int percent = m_updater ? m_updater->DownloadPercent() : 0;
    if (percent != 0)
        m_pbUpdate->setValue(percent);
}

void TFormUpdate::showEvent(QShowEvent *event)
{
    m_closed = false;
    QDialog::showEvent(event);
}

void TFormUpdate::done(int result)
{
    // Every way of closing (OK, No, the title bar, Escape) ends here.
    m_closed = true;
    TimerPercentage.stop();
    QDialog::done(result);
    FocusKeeping::HandBack(this);
    if (m_updater)
        m_updater->DialogClosed();
}

void TFormUpdate::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && !m_closed && isVisible()) {
        QTimer::singleShot(0, this, [this] {
            if (!m_closed && isVisible() && FocusKeeping::MayReclaim(this)) {
                raise();
                activateWindow();
            }
        });
    }
}
