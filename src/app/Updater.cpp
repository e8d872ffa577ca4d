#include "app/Updater.h"

#include "app/Settings.h"
#include "Morvo3Config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>

namespace Update {

QString EnvironmentBaseUrl()
{
    return qEnvironmentVariable("MORVO3_UPDATE_URL").trimmed();
}

QString DefaultBaseUrl()
{
    const QString fromEnvironment = EnvironmentBaseUrl();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QString::fromUtf8(Morvo3Config::UpdateBaseUrl);
}

std::optional<QList<quint32>> ParseVersion(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QList<quint32> numbers;
    for (const QString &part : trimmed.split(QLatin1Char('.'))) {
        // Nine digits at most: every such number fits, and no overflow can wrap
        // a huge number round to a small one.
        if (part.isEmpty() || part.size() > 9)
            return std::nullopt;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        numbers << part.toUInt();
    }
    return numbers;
}

int CompareVersions(const QList<quint32> &a, const QList<quint32> &b)
{
    const qsizetype n = std::max(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const quint32 x = i < a.size() ? a[i] : 0;
        const quint32 y = i < b.size() ? b[i] : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool IsNewer(const QString &current, const QString &server)
{
    const auto mine = ParseVersion(current);
    const auto theirs = ParseVersion(server);
    return mine && theirs && CompareVersions(*mine, *theirs) < 0;
}

QStringList DecodeServerList(const QByteArray &data, quint8 mask)
{
    QStringList servers;
    for (QByteArray line : data.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        for (char &c : line)
            c = char(quint8(c) ^ mask);
        servers << QString::fromUtf8(line).trimmed();
    }
    return servers;
}

QByteArray EncodeServerList(const QStringList &servers, quint8 mask)
{
    QByteArray out;
    for (const QString &server : servers) {
        QByteArray line = server.toUtf8();
        for (char &c : line)
            c = char(quint8(c) ^ mask);
        // A masked byte equal to a line end would split the entry on reading;
        // such an entry cannot be stored with this mask and is left out.
        if (line.contains('\n') || line.contains('\r'))
            continue;
        out += line;
        out += "\r\n";
    }
    return out;
}

bool IsUsableBaseUrl(const QString &url)
{
    const QUrl u(url, QUrl::StrictMode);
    const QString scheme = u.scheme().toLower();
    return u.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http"))
           && !u.host().isEmpty();
}

bool RedirectAllowed(const QUrl &target)
{
    return target.isValid() && target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
           && !target.host().isEmpty();
}

TDescription ParseDescription(const QByteArray &text, const QString &product)
{
    TDescription d;
    // The server section is read line by line because its keys are free; the
    // product's keys go through the settings file's INI reader.
    QString section;
    for (QByteArray raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            if (section.compare(QLatin1String("IP_ADDRESS"), Qt::CaseInsensitive) == 0)
                d.HasServerSection = true;
            if (section.compare(product, Qt::CaseInsensitive) == 0)
                d.HasProductSection = true;
            continue;
        }
        if (section.compare(QLatin1String("IP_ADDRESS"), Qt::CaseInsensitive) == 0) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            const QString url = line.mid(eq + 1).trimmed();
            if (IsUsableBaseUrl(url) && !d.Servers.contains(url))
                d.Servers << url;
        }
    }
    if (d.HasProductSection) {
        TIniFile ini;
        ini.SetText(text);
        d.CurrentVersion = ini.Read(product, QStringLiteral("Current_version"), QStringLiteral("0"));
        d.FileName = ini.Read(product, QStringLiteral("Filename"));
    }
    return d;
}

bool SameServers(QStringList a, QStringList b)
{
    a.sort();
    b.sort();
    return a == b;
}

bool FolderWritable(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".morvo3-write-probe-XXXXXX")));
    return probe.open();
}

bool SwapExecutable(const QString &executable, const QString &newFile, const QString &oldFile)
{
    if (!QFileInfo(newFile).isFile())
        return false;
    if (QFileInfo::exists(oldFile) && !QFile::remove(oldFile))
        return false;
    const QFileDevice::Permissions permissions = QFile::permissions(executable);
    if (!QFile::rename(executable, oldFile))
        return false;
    if (!QFile::rename(newFile, executable)) {
        QFile::rename(oldFile, executable);
        return false;
    }
    // The download carries no permissions: the new file gets the old one's, so
    // it can be started.
    QFile::setPermissions(executable, permissions);
    return true;
}

} // namespace Update

// ===========================================================================

TUpdater::TUpdater(const QString &executable, const QString &defaultBaseUrl, QObject *parent)
    : QObject(parent)
    , ServiceFilePath(QDir::current().filePath(QStringLiteral("service.dat")))
    , m_executable(QFileInfo(executable).absoluteFilePath())
{
    PeriodicTimer.setObjectName(QStringLiteral("UpdateTimer"));
    PeriodicTimer.setInterval(PeriodMs);
    connect(&PeriodicTimer, &QTimer::timeout, this, [this] {
        if (!Busy())
            StartCheckKeepingReport();
    });
    m_net.setProxy(QNetworkProxy::NoProxy);

    QFile file(ServerListPath());
    if (file.exists()) {
        if (file.open(QIODevice::ReadOnly)) {
            for (const QString &url : Update::DecodeServerList(file.read(64 * 1024), Morvo3Config::DataDatMask)) {
                if (Update::IsUsableBaseUrl(url))
                    m_servers << url;
            }
        }
    }
    if (!file.exists() || m_servers.isEmpty()) {
        // A damaged list would leave the program without any server for good.
        m_servers = {defaultBaseUrl};
        writeServerList();
    }
}

TUpdater::~TUpdater()
{
    // An aborted reply reports finished at once; nothing may go on from there.
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
    }
    if (m_newFile.isOpen()) {
        m_newFile.close();
        m_newFile.remove();
    }
}

QString TUpdater::ServerListPath() const
{
    return QFileInfo(m_executable).absoluteDir().filePath(QStringLiteral("data.dat"));
}

void TUpdater::Setup(const QString &product, const QString &version, bool periodic)
{
    m_product = product;
    m_version = version;
    if (periodic)
        PeriodicTimer.start();
}

void TUpdater::StartCheck(bool report)
{
    m_report = report;
    PeriodicTimer.start();
    if (!Busy())
        StartCheckKeepingReport();
}

void TUpdater::StartCheckKeepingReport()
{
    m_state = TState::Fetching;
    m_serverIndex = 0;
    m_description.clear();
    m_anyAnswer = false;
    m_answerBase.clear();
    fetchNext();
}

int TUpdater::DownloadPercent() const
{
    if (m_announced <= 0)
        return 0;
    return int(std::lround(double(std::min(m_received, m_announced)) * 100.0 / double(m_announced)));
}

QNetworkReply *TUpdater::get(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setRawHeader("Cache-Control", "no-cache, must-revalidate");
    request.setRawHeader("Pragma", "no-cache");
    // The length announced must be the length of the file itself.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(TransferTimeoutMs);
    QNetworkReply *reply = m_net.get(request);
    connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl &target) {
        if (Update::RedirectAllowed(target))
            emit reply->redirectAllowed();
        else
            reply->abort();
    });
    m_reply = reply;
    return reply;
}

void TUpdater::writeServerList()
{
    QSaveFile file(ServerListPath());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(Update::EncodeServerList(m_servers, Morvo3Config::DataDatMask));
        file.commit();
    }
}

// ---- fetching the description ---------------------------------------------

void TUpdater::fetchNext()
{
    if (m_serverIndex >= m_servers.size()) {
        decide();
        return;
    }
    const QString base = m_servers.at(m_serverIndex);
    QNetworkReply *reply = get(QUrl(base + QStringLiteral("updates.ini")));
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > MaxDescriptionBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onDescriptionFinished(reply); });
}

void TUpdater::onDescriptionFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QByteArray body;
    if (reply->error() == QNetworkReply::NoError && status == 200)
        body = reply->read(MaxDescriptionBytes + 1);
    const QString base = m_servers.value(m_serverIndex);
    ++m_serverIndex;
    if (body.isEmpty() || body.size() > MaxDescriptionBytes) {
        fetchNext();
        return;
    }
    m_anyAnswer = true;
    const Update::TDescription d = Update::ParseDescription(body, m_product);
    if (!d.HasServerSection && !d.HasProductSection) {
        // Not an update description (an error page, a portal's answer): the
        // next server may still have one.
        fetchNext();
        return;
    }
    m_description = body;
    m_answerBase = base;
    if (d.HasServerSection && !d.Servers.isEmpty() && Update::SameServers(d.Servers, m_servers)) {
        fetchNext();
        return;
    }
    if (d.HasServerSection && !d.Servers.isEmpty())
        m_servers = d.Servers;
    writeServerList();
    decide();
}

void TUpdater::decide()
{
    QByteArray text = m_description;
    if (text.isEmpty()) {
        QFile local(ServiceFilePath);
        if (local.open(QIODevice::ReadOnly))
            text = local.read(MaxDescriptionBytes);
    }
    if (text.isEmpty()) {
        end(m_anyAnswer ? TFailure::BadDescription : TFailure::NoServer);
        return;
    }
    const Update::TDescription d = Update::ParseDescription(text, m_product);
    if (!d.HasProductSection || !Update::ParseVersion(d.CurrentVersion)) {
        end(TFailure::BadDescription);
        return;
    }
    m_newest = d.CurrentVersion.trimmed();
    if (!Update::IsNewer(m_version, m_newest)) {
        if (m_report) {
            emit upToDate(m_version, m_newest);
            m_report = false;
        }
        end(std::nullopt);
        return;
    }
    m_fileName = d.FileName.trimmed();
    if (m_fileName.isEmpty() || !Update::IsUsableBaseUrl(m_servers.value(0) + m_fileName)) {
        end(TFailure::BadDescription);
        return;
    }
    if (!Update::FolderWritable(QFileInfo(m_executable).absolutePath())) {
        const QString base = m_answerBase.isEmpty() ? m_servers.value(0) : m_answerBase;
        emit cannotInstall(m_version, m_newest, QUrl(base + m_fileName));
        end(std::nullopt);
        return;
    }
    m_answerDownload = false;
    m_state = TState::WaitingForAnswer;
    emit offered(m_version, m_newest);
}

// ---- the answer and the download ------------------------------------------

void TUpdater::Answer(bool download)
{
    m_answerDownload = download;
    if (m_state != TState::WaitingForAnswer)
        return;
    if (!download) {
        end(std::nullopt);
        return;
    }
    m_state = TState::Downloading;
    m_serverIndex = 0;
    emit downloadStarted();
    downloadNext();
}

void TUpdater::DialogClosed()
{
    if (m_state == TState::WaitingForAnswer)
        Answer(m_answerDownload);
}

void TUpdater::downloadNext()
{
    if (m_serverIndex >= m_servers.size()) {
        end(TFailure::DownloadFailed);
        return;
    }
    m_received = 0;
    m_announced = -1;
    m_overflow = false;
    m_newFile.setFileName(NewFilePath());
    if (!m_newFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        end(TFailure::DownloadFailed);
        return;
    }
    QNetworkReply *reply = get(QUrl(m_servers.at(m_serverIndex) + m_fileName));
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        m_announced = length.isValid() ? length.toLongLong() : -1;
        if (m_announced > MaxDownloadBytes) {
            m_overflow = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        const QByteArray chunk = reply->readAll();
        m_received += chunk.size();
        if ((m_announced >= 0 && m_received > m_announced) || m_received > MaxDownloadBytes
            || m_newFile.write(chunk) != chunk.size()) {
            m_overflow = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onDownloadFinished(reply); });
}

void TUpdater::onDownloadFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    m_reply = nullptr;
    if (!m_overflow && reply->error() == QNetworkReply::NoError) {
        const QByteArray rest = reply->readAll();
        m_received += rest.size();
        if (m_newFile.write(rest) != rest.size())
            m_overflow = true;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool flushed = m_newFile.flush();
    m_newFile.close();
    // Complete only when the transfer ended cleanly and exactly the announced
    // number of bytes arrived: a cut connection also "finishes".
    const bool complete = !m_overflow && reply->error() == QNetworkReply::NoError && status == 200 && flushed
                          && m_announced > 0 && m_received == m_announced
                          && QFileInfo(NewFilePath()).size() == m_announced;
    if (!complete) {
        QFile::remove(NewFilePath());
        ++m_serverIndex;
        downloadNext();
        return;
    }
    swapAndRestart();
}

void TUpdater::swapAndRestart()
{
    if (!Update::SwapExecutable(m_executable, NewFilePath(), OldFilePath())) {
        QFile::remove(NewFilePath());
        end(TFailure::SwapFailed);
        return;
    }
    if (Launcher)
        Launcher(m_executable);
    else
        QProcess::startDetached(m_executable, {});
    QString name = m_fileName;
    const qsizetype cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    name = name.mid(cut + 1);
    emit swapped(name);
    end(std::nullopt);
    if (RestartCallback)
        RestartCallback(name);
    else
        QCoreApplication::exit(0);
}

void TUpdater::end(std::optional<TFailure> failure)
{
    m_state = TState::Idle;
    if (m_newFile.isOpen())
        m_newFile.close();
    if (failure) {
        // Failures of the download are always shown (the user asked for it);
        // those of the check only for a check the user started.
        const bool afterAnswer = *failure == TFailure::DownloadFailed || *failure == TFailure::SwapFailed;
        if (afterAnswer || m_report)
            emit failed(*failure);
        if (!afterAnswer)
            m_report = false;
    }
    emit finished();
}
