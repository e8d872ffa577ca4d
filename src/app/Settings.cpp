#include "app/Settings.h"

#include "common/AppPaths.h"

#include "app/MACunit.h"

#include "Morvo3Config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <openssl/evp.h>

#include <cstring>

// ---------------------------------------------------------------- INI text

namespace {
// Section name of a "[NAME]" line, or a null text for any other line.
QString sectionName(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (!t.startsWith('['))
        return QString();
    const int close = t.indexOf(']');
    if (close < 0)
        return QString();
    return QString::fromUtf8(t.mid(1, close - 1)).trimmed();
}

bool keyLine(const QByteArray &line, QString *key, QByteArray *value)
{
    const int eq = line.indexOf('=');
    if (eq < 0)
        return false;
    if (key)
        *key = QString::fromUtf8(line.left(eq)).trimmed();
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}
}

bool TIniFile::Load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        SetText(QByteArray());
        return false;
    }
    SetText(f.read(MaxFileBytes));
    return true;
}

void TIniFile::SetText(const QByteArray &text)
{
    m_eol = text.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
    m_lines = text.split('\n');
    for (QByteArray &l : m_lines)
        if (l.endsWith('\r'))
            l.chop(1);
    // A final line break leaves one empty piece behind.
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

QByteArray TIniFile::Text() const
{
    QByteArray out;
    for (const QByteArray &l : m_lines)
        out += l + m_eol;
    return out;
}

bool TIniFile::Save(const QString &path) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = Text();
    if (f.write(text) != text.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

int TIniFile::find(const QString &section, const QString &key, int *sectionEnd) const
{
    if (sectionEnd)
        *sectionEnd = -1;
    bool inSection = false;
    bool seen = false;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString name = sectionName(m_lines.at(i));
        if (!name.isNull()) {
            if (seen)
                break;   // only the first section of that name counts
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            if (inSection) {
                seen = true;
                if (sectionEnd)
                    *sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        QString k;
        if (keyLine(m_lines.at(i), &k, nullptr)) {
            if (sectionEnd)
                *sectionEnd = i + 1;
            if (k.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        }
    }
    return -1;
}

bool TIniFile::Contains(const QString &section, const QString &key) const
{
    return find(section, key, nullptr) >= 0;
}

QString TIniFile::Read(const QString &section, const QString &key, const QString &defaultValue) const
{
    const int i = find(section, key, nullptr);
    if (i < 0)
        return defaultValue;
    QByteArray value;
    keyLine(m_lines.at(i), nullptr, &value);
    return QString::fromUtf8(value);
}

void TIniFile::Write(const QString &section, const QString &key, const QString &value)
{
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray line = key.toUtf8() + '=' + clean.toUtf8();
    int sectionEnd = -1;
    const int i = find(section, key, &sectionEnd);
    if (i >= 0) {
        // The key keeps its spelling in the file.
        m_lines[i] = m_lines[i].left(m_lines[i].indexOf('=') + 1) + clean.toUtf8();
    } else if (sectionEnd >= 0) {
        m_lines.insert(sectionEnd, line);
    } else {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QByteArray());
        m_lines.append('[' + section.toUtf8() + ']');
        m_lines.append(line);
    }
}

// ---------------------------------------------------------------- stored password

namespace {
const QString SectionGprs = QStringLiteral("GPRS");
const QString SectionLanguage = QStringLiteral("LANGUAGE");
const QString SectionVersion = QStringLiteral("VERSION_CHECK");
const QString True = QStringLiteral("True");
const QString False = QStringLiteral("False");
const QStringList LanguageCodes = {QStringLiteral("ENG"), QStringLiteral("SK"), QStringLiteral("RO")};
const QString BuiltInLanguageCode = QStringLiteral("HUN");
constexpr int PasswordDigits = 20;
constexpr int ProtectedHexLength = 64;

void passwordKey(const QString &macText, unsigned char key[16])
{
    std::memcpy(key, Morvo3Config::SettingsKey, 16);
    const QByteArray mac = macText.toLatin1();
    for (int i = 0; i < 16 && i < mac.size(); ++i)
        key[i] ^= static_cast<unsigned char>(mac.at(i));
}

bool cipherBlock(const unsigned char key[16], const unsigned char *in, unsigned char *out, bool encrypt)
{
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    if (!ctx)
        return false;
    unsigned char buf[32];
    int n = 0, tail = 0;
    const bool ok = EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) == 1
        && EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 && EVP_CipherUpdate(ctx, buf, &n, in, 16) == 1
        && EVP_CipherFinal_ex(ctx, buf + n, &tail) == 1 && n + tail == 16;
    EVP_CIPHER_CTX_free(ctx);
    if (ok)
        std::memcpy(out, buf, 16);
    return ok;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
}

QString Settings::EncodeStoredPassword(const QString &password)
{
    return EncodeStoredPassword(password, GetMacAddressText());
}

QString Settings::EncodeStoredPassword(const QString &password, const QString &macText)
{
    unsigned char key[16];
    passwordKey(macText, key);
    QByteArray digits;
    for (const QChar c : password.toUpper()) {
        const char l = c.toLatin1();
        if ((l >= '0' && l <= '9') || (l >= 'A' && l <= 'F'))
            digits += l;
    }
    if (digits.size() != PasswordDigits)
        return QString();
    auto *random = QRandomGenerator::global();
    const QByteArray plain = "ZEHL" + QByteArray::number(random->bounded(255), 16).toUpper().rightJustified(2, '0')
        + digits + QByteArray::number(random->bounded(255), 16).toUpper().rightJustified(2, '0') + "SOFT";
    if (plain.size() != 32)
        return QString();
    unsigned char cipher[32];
    const auto *p = reinterpret_cast<const unsigned char *>(plain.constData());
    if (!cipherBlock(key, p, cipher, true) || !cipherBlock(key, p + 16, cipher + 16, true))
        return QString();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(cipher), 32).toHex().toUpper());
}

QString Settings::DecodeStoredPassword(const QString &hex)
{
    return DecodeStoredPassword(hex, GetMacAddressText());
}

QString Settings::DecodeStoredPassword(const QString &hex, const QString &macText)
{
    if (hex.size() != ProtectedHexLength)
        return QString();
    const QByteArray text = hex.toLatin1();
    for (const char c : text)
        if (!isHexDigit(c))
            return QString();
    const QByteArray cipher = QByteArray::fromHex(text);
    if (cipher.size() != 32)
        return QString();
    unsigned char key[16];
    passwordKey(macText, key);
    unsigned char plain[32];
    const auto *c = reinterpret_cast<const unsigned char *>(cipher.constData());
    if (!cipherBlock(key, c, plain, false) || !cipherBlock(key, c + 16, plain + 16, false))
        return QString();
    const QByteArray p(reinterpret_cast<const char *>(plain), 32);
    if (!p.contains("ZEHL") || !p.contains("SOFT"))
        return QString();
    // The markers alone could come out of a damaged value by chance; the digits
    // must be digits too before they reach the password field.
    const QByteArray digits = p.mid(6, PasswordDigits);
    for (const char d : digits)
        if (!isHexDigit(d))
            return QString();
    QString out;
    for (int i = 0; i < PasswordDigits; i += 4) {
        if (i > 0)
            out += QLatin1Char('-');
        out += QString::fromLatin1(digits.mid(i, 4));
    }
    return out;
}

// ---------------------------------------------------------------- the file

QString Settings::SettingsFilePath()
{
    // Next to the executable, or in the user's configuration folder when the
    // program is installed.
    return AppPaths::SettingsFile();
}

QString Settings::LanguageCodeForIndex(int languageIndex)
{
    if (languageIndex == -1)
        return BuiltInLanguageCode;
    if (languageIndex >= 0 && languageIndex < LanguageCodes.size())
        return LanguageCodes.at(languageIndex);
    return QString();
}

int Settings::LanguageIndexForCode(const QString &code)
{
    return int(LanguageCodes.indexOf(code));
}

TSettingsValues Settings::LoadSettings(const QString &path)
{
    TIniFile ini;
    ini.Load(path);
    TSettingsValues v;
    v.ServerIP = ini.Read(SectionGprs, QStringLiteral("IP"));
    v.SerialNr = ini.Read(SectionGprs, QStringLiteral("ID"));
    v.Password = DecodeStoredPassword(ini.Read(SectionGprs, QStringLiteral("PWD")));
    v.SavePassword = ini.Read(SectionGprs, QStringLiteral("PWD_STORE"), False) == True;
    v.LanguageCode = ini.Read(SectionLanguage, QStringLiteral("LNG_CODE"), QStringLiteral("UNKNOWN"));
    v.UpdateCheckAllowed = ini.Read(SectionVersion, QStringLiteral("ALLOWED"), True) == True;
    return v;
}

bool Settings::SaveSettings(const QString &path, const TSettingsValues &values)
{
    TIniFile ini;
    ini.Load(path);
    if (!values.ServerIP.isEmpty())
        ini.Write(SectionGprs, QStringLiteral("IP"), values.ServerIP);
    if (!values.SerialNr.isEmpty())
        ini.Write(SectionGprs, QStringLiteral("ID"), values.SerialNr);
    ini.Write(SectionGprs, QStringLiteral("PWD"),
              values.SavePassword ? EncodeStoredPassword(values.Password) : QString());
    ini.Write(SectionGprs, QStringLiteral("PWD_STORE"), values.SavePassword ? True : False);
    if (values.LanguageCode == BuiltInLanguageCode || LanguageCodes.contains(values.LanguageCode))
        ini.Write(SectionLanguage, QStringLiteral("LNG_CODE"), values.LanguageCode);
    ini.Write(SectionVersion, QStringLiteral("ALLOWED"), values.UpdateCheckAllowed ? True : False);
    return ini.Save(path);
}
