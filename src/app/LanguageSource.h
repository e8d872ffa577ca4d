#pragma once
// The language source: applies a language file to every localized window by
// component name and property, and takes back what it changed. Windows are
// registered with the section that holds their texts and the properties a file
// may change on them; a window registered later (the long event list) takes
// the active language at once.
//
// Properties and what they touch:
//   Caption         label / button text, group box title, a tab page's tab text,
//                   the window title of the window itself
//   Hint            tool tip
//   Items           the entries of a combo box or list (the selected entry kept)
//   Columns.Header, ColumnHeaders
//                   the column headers of a table or tree
//
// The first time a property is changed its built-in value is remembered; a
// language that does not list the property, and the built-in language, put the
// remembered value back.

#include "common/LanguageFile.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QWidget>

class Morvo3Texts;

class TLanguageSource : public QObject
{
    Q_OBJECT
public:
    explicit TLanguageSource(QObject *parent = nullptr);

    // The files of the languages 0..n-1 (English, Slovak, Romanian).
    void SetFiles(const QStringList &paths);
    QStringList Files() const { return m_files; }

    void AddWindow(QWidget *window, const QString &section, const QStringList &properties);
    void AddCatalogue(Morvo3Texts *texts);

    int ActiveLanguage() const { return m_active; }
    // -1 = the built-in texts. False (and error set) for an index out of range;
    // the same index again does nothing. Lines that cannot be applied are
    // skipped and collected in *problems.
    bool SetActiveLanguage(int index, QString *error = nullptr, QStringList *problems = nullptr);

    // The objects a name path leads to inside window (the window itself when
    // the name is only a property), and the property left over; empty when
    // the path leads nowhere.
    static QList<QObject *> Resolve(QWidget *window, const QString &name, QString *property);
    // Reads / writes one localized property of an object; an invalid QVariant
    // when the object has no such property.
    static QVariant ReadProperty(QObject *object, const QString &property);
    static bool WriteProperty(QObject *object, const QString &property, const QVariant &value);

    // Every localized property of the registered windows with its current
    // value, as "Section/name.Property" -> value (texts, or lists of texts).
    QHash<QString, QVariant> Snapshot() const;

private:
    struct Window
    {
        QPointer<QWidget> widget;
        QString section;
        QStringList properties;
    };
    struct Changed
    {
        QPointer<QObject> object;
        QString property;
        QVariant builtIn;
    };

    void ApplyToWindow(const Window &window, const TLanguageFile &file, QStringList *problems);
    void Remember(QObject *object, const QString &property);

    QStringList m_files;
    QList<Window> m_windows;
    QPointer<Morvo3Texts> m_texts;
    QList<Changed> m_changed;
    TLanguageFile m_activeFile;
    int m_active = -1;
};
