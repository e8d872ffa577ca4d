#pragma once
// The text catalogue: every message the program composes at run time is looked
// up here by its key (lbTXT_...) at the moment it is composed, so it is always in
// the language active then. The built-in texts are Hungarian; a language switch
// replaces them through setText().

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class Morvo3Texts : public QObject
{
    Q_OBJECT
public:
    explicit Morvo3Texts(QObject *parent = nullptr);

    // Current text of key; an unknown key gives the key itself, so a missing
    // entry shows up on screen instead of an empty message.
    QString text(const QString &key) const;
    bool contains(const QString &key) const;
    // Replaces the text of a known key; unknown keys are ignored (returns false).
    bool setText(const QString &key, const QString &value);
    // Back to the built-in Hungarian texts.
    void resetToBuiltIn();
    QStringList keys() const;

    static const QHash<QString, QString> &builtInTexts();

signals:
    void textChanged(const QString &key);

private:
    QHash<QString, QString> m_texts;
};
