#pragma once
// The update check without any window: the server list file "data.dat", the
// update description "updates.ini", the version comparison, the download of the
// new executable next to the running one and the swap to ".old"/".new".
//
// Everything runs on the thread that owns the updater, driven by the network
// replies of one QNetworkAccessManager; the order of the steps is: fetch the
// description from each server in turn, settle the server list, compare the
// versions, offer the update and wait for the answer, download, swap, restart.
// The update dialog observes the signals and passes the user's answer back.

#include <QByteArray>
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkReply;

namespace Update {

// The base URL the program starts with when there is no server list yet:
// MORVO3_UPDATE_URL when set and not empty, otherwise the build's value.
QString DefaultBaseUrl();
// MORVO3_UPDATE_URL, trimmed; empty when not set.
QString EnvironmentBaseUrl();

// Version texts such as "1.15" or "2.0.3": dot-separated decimal numbers.
// Nothing else is a version (no letters, no empty parts), so a damaged answer
// can never look newer than the running program.
std::optional<QList<quint32>> ParseVersion(const QString &text);
// Number by number, missing trailing numbers counting as 0: -1 when a is older
// than b, 0 when equal, 1 when newer. Only for versions ParseVersion accepts.
int CompareVersions(const QList<quint32> &a, const QList<quint32> &b);
// Whether the server's version text names a newer version than current; false
// whenever either of them is not a version.
bool IsNewer(const QString &current, const QString &server);

// The server list file: one base URL a line, every byte of a line XORed with
// mask, line ends unmasked. Empty lines are skipped.
QStringList DecodeServerList(const QByteArray &data, quint8 mask);
QByteArray EncodeServerList(const QStringList &servers, quint8 mask);

// A base URL the updater uses: an absolute http or https URL with a host.
bool IsUsableBaseUrl(const QString &url);
// Redirects are followed only to https: a plain-HTTP answer could be altered on
// the way, and the executable it names would be started.
bool RedirectAllowed(const QUrl &target);

// The parts of "updates.ini" the check uses.
struct TDescription
{
    bool HasServerSection = false;  // [IP_ADDRESS] present
    QStringList Servers;            // its values (text after the first '='), usable ones only
    bool HasProductSection = false;
    QString CurrentVersion = QStringLiteral("0");
    QString FileName;
};
TDescription ParseDescription(const QByteArray &text, const QString &product);

// Same entries regardless of order.
bool SameServers(QStringList a, QStringList b);

// Whether a new file can be created in folder (tried, not guessed from the
// permission bits, which do not tell for the superuser or for read-only mounts).
bool FolderWritable(const QString &folder);

// Puts newFile in place of executable, keeping the old one as oldFile (an older
// oldFile is removed first). On any failure everything is put back as it was
// and false is returned; the executable is then the running program's file.
bool SwapExecutable(const QString &executable, const QString &newFile, const QString &oldFile);

} // namespace Update

class TUpdater : public QObject
{
    Q_OBJECT
public:
    // Why a check ended without an update; the dialog shows each as one line.
    enum class TFailure {
        NoServer,        // no server answered with an update description
        BadDescription,  // an answer came, but without this program or without a readable version
        DownloadFailed,  // no server delivered the whole file
        SwapFailed,      // the new file could not be put in place
    };
    Q_ENUM(TFailure)

    static constexpr int PeriodMs = 12000000; // 200 minutes
    static constexpr qint64 MaxDescriptionBytes = 64 * 1024;
    static constexpr qint64 MaxDownloadBytes = 512LL * 1024 * 1024;
    static constexpr int TransferTimeoutMs = 30000; // without a byte

    // executable: the running program's file; "data.dat" lives next to it.
    // Reads the server list, or starts it with defaultBaseUrl and writes the file.
    explicit TUpdater(const QString &executable, const QString &defaultBaseUrl = Update::DefaultBaseUrl(),
                      QObject *parent = nullptr);
    ~TUpdater() override;

    void Setup(const QString &product, const QString &version, bool periodic);
    // Asks only baseUrl from now on, whatever "data.dat" says (a mirror, a test
    // server); the file is left as it is until a server's list replaces it.
    void UseOnly(const QString &baseUrl) { m_servers = {baseUrl}; }
    // Starts a check unless one runs; report: say so also when nothing newer exists
    // or the check failed. Switches the periodic timer on.
    void StartCheck(bool report);
    // The user's answer to an offer.
    void Answer(bool download);
    // The dialog was closed: a waiting check goes on with the last answer given.
    void DialogClosed();

    bool Busy() const { return m_state != TState::Idle; }
    bool ReportFlag() const { return m_report; }
    QStringList ServerList() const { return m_servers; }
    QString ServerListPath() const;
    QString ExecutablePath() const { return m_executable; }
    QString NewFilePath() const { return m_executable + QStringLiteral(".new"); }
    QString OldFilePath() const { return m_executable + QStringLiteral(".old"); }
    QString CurrentVersion() const { return m_version; }
    // Downloaded share of the current download, 0 to 100.
    int DownloadPercent() const;

    // The local description loaded before the servers' ("service.dat" in the
    // current folder unless set).
    QString ServiceFilePath;
    // Starts the new executable after the swap; QProcess::startDetached unless set.
    std::function<bool(const QString &executable)> Launcher;
    // Called after the swap and the start with the new file's name; ends this instance.
    std::function<void(const QString &fileName)> RestartCallback;

    QTimer PeriodicTimer;

signals:
    void offered(const QString &current, const QString &newest);
    void upToDate(const QString &current, const QString &newest);
    // A newer version exists but the program's folder cannot be written.
    void cannotInstall(const QString &current, const QString &newest, const QUrl &downloadPage);
    void failed(TUpdater::TFailure why);
    void downloadStarted();
    void swapped(const QString &fileName);
    void finished();

private:
    enum class TState { Idle, Fetching, WaitingForAnswer, Downloading };

    void StartCheckKeepingReport();
    void fetchNext();
    void onDescriptionFinished(QNetworkReply *reply);
    void decide();
    void downloadNext();
    void onDownloadFinished(QNetworkReply *reply);
    void swapAndRestart();
    void end(std::optional<TFailure> failure);
    QNetworkReply *get(const QUrl &url);
    void writeServerList();

    QString m_executable;
    QString m_product = QStringLiteral("GPRS_Morvo");
    QString m_version;
    QStringList m_servers;
    bool m_report = false;
    bool m_answerDownload = false;
    TState m_state = TState::Idle;

    QNetworkAccessManager m_net;
    QPointer<QNetworkReply> m_reply;
    int m_serverIndex = 0;
    QByteArray m_description;   // the description the check uses
    QString m_answerBase;       // the server it came from
    bool m_anyAnswer = false;
    QString m_fileName;
    QString m_newest;
    QFile m_newFile;
    qint64 m_received = 0;
    qint64 m_announced = -1;
    bool m_overflow = false;
};
