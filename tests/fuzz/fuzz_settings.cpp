// The settings file (morvo3.INI) as the program reads it at start-up: the INI
// reader, every value the program takes from it, and the stored password's
// decoding. The file is written to a temporary folder and read back through
// LoadSettings, as the program does; the same text also goes through the INI
// text in memory and one rewrite.

#include "app/MACunit.h"
#include "app/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
// A fixed adapter address, so that decoding does not ask the system every time
// and a stored value from the seeds decodes the same way on every machine.
const QString FuzzMac = QStringLiteral("00:1A:2B:3C:4D:5E");

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

bool isPasswordDigits(const QString &text)
{
    if (text.size() != 20)
        return false;
    for (const QChar c : text)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
              || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    MACunit::SetMacAddressSource([] { return FuzzMac; });
    if (!folder().isValid())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    const QString path = folder().filePath(QStringLiteral("morvo3.INI"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            std::abort();
    }
    const TSettingsValues values = Settings::LoadSettings(path);
    Settings::LanguageIndexForCode(values.LanguageCode);

    // A decoded password is five groups of four hexadecimal digits, nothing else.
    if (!values.Password.isEmpty()) {
        const QStringList groups = values.Password.split(QLatin1Char('-'));
        if (groups.size() != 5 || !isPasswordDigits(groups.join(QString())))
            std::abort();
    }

    TIniFile ini;
    ini.SetText(text);
    const QString stored = ini.Read(QStringLiteral("GPRS"), QStringLiteral("PWD"));
    Settings::DecodeStoredPassword(stored, FuzzMac);
    const QString ip = ini.Read(QStringLiteral("GPRS"), QStringLiteral("IP"));

    // Whatever a value held, it comes back as one line: a rewrite never adds keys.
    ini.Write(QStringLiteral("GPRS"), QStringLiteral("IP"), ip + QStringLiteral("\r\nPWD=1"));
    const QString again = ini.Read(QStringLiteral("GPRS"), QStringLiteral("IP"));
    if (again.contains(QLatin1Char('\n')) || again.contains(QLatin1Char('\r')))
        std::abort();
    ini.Text();

    // A password that passes the digit check survives its own protection (its
    // letters come back in upper case).
    const QString id = values.SerialNr;
    if (isPasswordDigits(id)) {
        const QString protectedHex = Settings::EncodeStoredPassword(id, FuzzMac);
        const QString back = Settings::DecodeStoredPassword(protectedHex, FuzzMac);
        if (QString(back).remove(QLatin1Char('-')) != id.toUpper())
            std::abort();
    }
    return 0;
}
