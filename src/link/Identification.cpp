#include "link/Identification.h"

#include "common/CodePage1250.h"
#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/Communication.h"
#include "link/Requests.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

namespace Identification {

namespace {
// Characters from block[from], stopping before the next quote, after maxChars,
// or at the end of the block.
QString quotedText(const std::uint8_t *block64, int from, int maxChars)
{
    QByteArray raw;
    for (int i = from; i < Link::BlockSize && raw.size() < maxChars; ++i) {
        if (block64[i] == VersionTextQuote)
            break;
        raw += char(block64[i]);
    }
    // The module's texts are in its own code page.
    return FromCp1250(raw);
}

// The text before the first ';', removing it and the ';' from rest. Without a
// ';' the field is empty and rest stays whole.
QString takeField(QString &rest)
{
    const int sep = rest.indexOf(QLatin1Char(';'));
    if (sep < 0)
        return QString();
    const QString field = rest.left(sep);
    rest.remove(0, sep + 1);
    return field;
}
} // namespace

std::optional<QString> VersionStringFromBlock(const std::uint8_t *block64)
{
    if (block64[CurrentLayoutQuoteOffset] == VersionTextQuote) {
        QString rest = quotedText(block64, CurrentLayoutQuoteOffset + 1, CurrentLayoutMaxTextChars);
        const QString field1 = takeField(rest);
        const QString field2 = takeField(rest);
        takeField(rest); // field 3 is not shown
        const int sep = rest.indexOf(QLatin1Char(';'));
        const QString field4 = sep < 0 ? rest : rest.left(sep);
        const int dataVersion = block64[3] * 256 + block64[2];
        return field1 + QStringLiteral("  ") + field2 + QStringLiteral("  ") + field4
            + QStringLiteral("  DataVersion:") + QString::number(dataVersion);
    }
    if (block64[0] == VersionTextQuote)
        return quotedText(block64, 1, OlderLayoutMaxTextChars);
    return std::nullopt;
}

bool IsCompatibleVersion(const QString &version)
{
    return version.contains(QStringLiteral("GPRS")) && version.contains(QStringLiteral("Morvo"));
}

QString ModuleTypeName(const QString &version)
{
    if (version.contains(QStringLiteral("Ostra")))
        return QStringLiteral("Ostra Unit");
    if (version.contains(QStringLiteral("Belo")))
        return QStringLiteral("Belomar");
    const QString family = version.contains(QStringLiteral("GSM")) ? QStringLiteral("GSM") : QStringLiteral("GPRS");
    const QString line = version.contains(QStringLiteral("Morvo")) ? QStringLiteral(" Morvo") : QStringLiteral(" Tavor");
    return family + line;
}

QString RejectionMessage(const Morvo3Texts &texts, const QString &version)
{
    return texts.text(QStringLiteral("lbTXT_VANTREL_INCOMPATIBLE")) + QStringLiteral("\r")
        + texts.text(QStringLiteral("lbTXT_STARTED_VANTREL_NAME")) + QStringLiteral("   GPRS Morvo\r")
        + texts.text(QStringLiteral("lbTXT_CONNECTED_MODULE_NAME")) + QStringLiteral("   ")
        + ModuleTypeName(version);
}

} // namespace Identification

bool VersionPollTick(TLink &link, bool versionKnown)
{
    if (versionKnown)
        return true;
    link.BlockCompleteFlag = false;
    Requests::SendBlockRead(link, Link::VersionBlockNumber);
    return false;
}

QString ReadModuleIdString(TLink &link, TWaitContext &wait)
{
    link.BlockCompleteFlag = false;
    Requests::SendBlockRead(link, 0);
    wait.WaitFor(Identification::ReadIdWaitTicks, [&link] { return link.BlockCompleteFlag; });
    if (!link.BlockCompleteFlag || link.BlockAddress != 0) {
        qCDebug(lcLink) << "identification string not received";
        return QString();
    }
    int length = 0;
    while (length < Link::BlockSize && link.BlockBuffer[length] != 0x00)
        ++length;
    return FromCp1250(QByteArray(reinterpret_cast<const char *>(link.BlockBuffer), length));
}

TIdentification::TIdentification(TLink &link, Morvo3Texts &texts, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_texts(texts)
{
    // A child, so the timers panel finds it by name under this object's owner.
    IdentificationTimer.setParent(this);
    IdentificationTimer.setObjectName(QStringLiteral("IdentificationTimer"));
    IdentificationTimer.setSingleShot(true);
    IdentificationTimer.setInterval(Identification::IdentificationDelayMs);
    connect(&IdentificationTimer, &QTimer::timeout, this, &TIdentification::IdentificationHandler);
    connect(&link, &TLink::blockComplete, &IdentificationTimer, qOverload<>(&QTimer::start));
}

void TIdentification::IdentificationHandler()
{
    IdentificationTimer.stop();
    const std::optional<QString> version = Identification::VersionStringFromBlock(m_link.VersionBlock);
    if (!version)
        return; // a parameter block, not a version block
    if (Identification::IsCompatibleVersion(*version))
        emit identified(*version);
    else
        emit rejected(Identification::RejectionMessage(m_texts, *version));
}
