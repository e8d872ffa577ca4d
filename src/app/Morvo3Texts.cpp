#include "app/Morvo3Texts.h"

const QHash<QString, QString> &Morvo3Texts::builtInTexts()
{
    // Hungarian built-in texts, key by key.
    static const QHash<QString, QString> texts = {
        {QStringLiteral("lbTXT_NO_CONNECTION"), QStringLiteral("Nincs kapcsolat!")},
        {QStringLiteral("lbTXT_NO_SERIAL_CONN"), QStringLiteral(" Nincs soros kapcsolat.")},
        {QStringLiteral("lbTXT_SECUR_PW_OK"), QStringLiteral("Jelszó elfogadva.")},
        {QStringLiteral("lbTXT_PW_CHANGE_OK"), QStringLiteral("Az új jelszó érvényesítve.")},
        {QStringLiteral("lbTXT_CLEAN_SUCCES"), QStringLiteral("Eseménynapló törölve.")},
        {QStringLiteral("lbTXT_VANTREL_INCOMPATIBLE"), QStringLiteral("Ez a program nem kompatibilis a csatlakoztatott modullal!")},
        {QStringLiteral("lbTXT_STARTED_VANTREL_NAME"), QStringLiteral("Program :")},
        {QStringLiteral("lbTXT_CONNECTED_MODULE_NAME"), QStringLiteral("Modul :")},
    };
    return texts;
}

Morvo3Texts::Morvo3Texts(QObject *parent)
    : QObject(parent)
    , m_texts(builtInTexts())
{
}

QString Morvo3Texts::text(const QString &key) const
{
    return m_texts.value(key, key);
}

bool Morvo3Texts::contains(const QString &key) const
{
    return m_texts.contains(key);
}

bool Morvo3Texts::setText(const QString &key, const QString &value)
{
    auto it = m_texts.find(key);
    if (it == m_texts.end())
        return false;
    if (*it != value) {
        *it = value;
        emit textChanged(key);
    }
    return true;
}

void Morvo3Texts::resetToBuiltIn()
{
    const auto &builtIn = builtInTexts();
    for (auto it = builtIn.begin(); it != builtIn.end(); ++it)
        setText(it.key(), it.value());
}

QStringList Morvo3Texts::keys() const
{
    QStringList k = m_texts.keys();
    k.sort();
    return k;
}
