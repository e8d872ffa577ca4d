#pragma once
// The settings file: one INI file next to the executable, or in the user's
// configuration folder when the program is installed (its base name with the
// extension ".INI") with the sections GPRS, LANGUAGE and VERSION_CHECK. Read and
// written by a small INI reader/writer of our own that leaves every other line of
// the file as it was and writes values exactly as given, without quoting or
// escaping. Each operation opens the file, works and closes it.

#include <QByteArray>
#include <QList>
#include <QString>

// A minimal INI text: sections in square brackets, key=value lines. Section and
// key names match case-insensitively, as the usual INI routines do; values are
// the text after '=' with surrounding blanks removed.
class TIniFile
{
public:
    // A larger file is read up to this size only.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    // Missing or unreadable: an empty text.
    bool Load(const QString &path);
    // Through a temporary file that replaces the old one only when complete.
    bool Save(const QString &path) const;

    void SetText(const QByteArray &text);
    QByteArray Text() const;

    // defaultValue when the section or key is missing.
    QString Read(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    bool Contains(const QString &section, const QString &key) const;
    // Replaces the key's line, or adds it at the end of its section (adding the
    // section at the end of the file when needed). Line breaks in the value
    // become blanks, so one value never spills into further lines.
    void Write(const QString &section, const QString &key, const QString &value);

private:
    // Index of the key's line, -1 if missing; sectionEnd gets the index after the
    // section's last key line (-1 when the section is missing).
    int find(const QString &section, const QString &key, int *sectionEnd) const;

    QList<QByteArray> m_lines;
    QByteArray m_eol = "\n";
};

struct TSettingsValues
{
    QString ServerIP;                         // GPRS/IP
    QString SerialNr;                         // GPRS/ID
    QString Password;                         // GPRS/PWD, decoded ("XXXX-XXXX-XXXX-XXXX-XXXX") or empty
    bool SavePassword = false;                // GPRS/PWD_STORE == "True"
    QString LanguageCode = QStringLiteral("UNKNOWN");   // LANGUAGE/LNG_CODE as written
    bool UpdateCheckAllowed = true;           // VERSION_CHECK/ALLOWED == "True"
};

namespace Settings {
// The settings file of the running program.
QString SettingsFilePath();

// Reads everything; anything missing or unusable gives its default.
TSettingsValues LoadSettings(const QString &path);
// IP and ID only when not empty (an emptied field keeps the old value); PWD the
// protected password when SavePassword is set and the password is 20
// hexadecimal digits, otherwise empty; LNG_CODE only for a known code.
bool SaveSettings(const QString &path, const TSettingsValues &values);

// "HUN" for the built-in language (index -1), "ENG", "SK", "RO" for 0, 1, 2; empty otherwise.
QString LanguageCodeForIndex(int languageIndex);
// The reverse; the built-in language (-1) for "HUN" and every other text.
int LanguageIndexForCode(const QString &code);

// 64 upper-case hexadecimal digits, or empty when the password is not 20
// hexadecimal digits. The MAC address text of the computer unless given.
QString EncodeStoredPassword(const QString &password);
QString EncodeStoredPassword(const QString &password, const QString &macText);
// Five groups of four digits joined by '-', or empty when the value cannot be
// decoded on this computer.
QString DecodeStoredPassword(const QString &hex);
QString DecodeStoredPassword(const QString &hex, const QString &macText);
}
