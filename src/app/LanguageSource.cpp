#include "app/LanguageSource.h"

#include "common/Morvo3Texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

bool isListProperty(const QString &property)
{
    return property.compare(QLatin1String("Items"), Qt::CaseInsensitive) == 0
           || property.compare(QLatin1String("Columns.Header"), Qt::CaseInsensitive) == 0
           || property.compare(QLatin1String("ColumnHeaders"), Qt::CaseInsensitive) == 0;
}

bool isHeaderProperty(const QString &property)
{
    return property.compare(QLatin1String("Columns.Header"), Qt::CaseInsensitive) == 0
           || property.compare(QLatin1String("ColumnHeaders"), Qt::CaseInsensitive) == 0;
}

// The tab widget and index of a page, when widget is one.
QTabWidget *tabOfPage(QWidget *widget, int *index)
{
    QWidget *stack = widget->parentWidget();
    if (!stack || !qobject_cast<QStackedWidget *>(stack))
        return nullptr;
    auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget());
    if (!tabs)
        return nullptr;
    *index = tabs->indexOf(widget);
    return *index >= 0 ? tabs : nullptr;
}

// A radio group's entries are its radio buttons, in the order they were made.
QList<QRadioButton *> groupItems(const QGroupBox *g)
{
    return g->findChildren<QRadioButton *>();
}

QStringList comboItems(const QComboBox *c)
{
    QStringList items;
    for (int i = 0; i < c->count(); ++i)
        items << c->itemText(i);
    return items;
}

} // namespace

TLanguageSource::TLanguageSource(QObject *parent)
    : QObject(parent)
{
}

void TLanguageSource::SetFiles(const QStringList &paths)
{
    m_files = paths;
}

void TLanguageSource::AddWindow(QWidget *window, const QString &section, const QStringList &properties)
{
    if (!window)
        return;
    m_windows.append({window, section, properties});
    if (m_active >= 0)
        ApplyToWindow(m_windows.last(), m_activeFile, nullptr);
}

void TLanguageSource::AddCatalogue(Morvo3Texts *texts)
{
    m_texts = texts;
    if (m_texts && m_active >= 0)
        m_activeFile.ApplyToCatalogue(*m_texts);
}

QList<QObject *> TLanguageSource::Resolve(QWidget *window, const QString &name, QString *property)
{
    // Pages built by different classes may reuse a name (two "gbRelay1" on two
    // pages of the main window): a line then speaks for every one of them.
    const QStringList segments = name.split(QLatin1Char('.'));
    QList<QObject *> targets{window};
    int i = 0;
    for (; i < segments.size(); ++i) {
        QList<QObject *> next;
        for (QObject *t : std::as_const(targets))
            next << t->findChildren<QObject *>(segments.at(i));
        if (next.isEmpty())
            break;
        targets = next;
    }
    if (i == segments.size())
        return {}; // a component, but no property
    *property = segments.mid(i).join(QLatin1Char('.'));
    return targets;
}

QVariant TLanguageSource::ReadProperty(QObject *object, const QString &property)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (property.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0) {
        if (auto *b = qobject_cast<QAbstractButton *>(object))
            return b->text();
        if (auto *l = qobject_cast<QLabel *>(object))
            return l->text();
        if (auto *g = qobject_cast<QGroupBox *>(object))
            return g->title();
        if (auto *a = qobject_cast<QAction *>(object))
            return a->text();
        if (widget) {
            int index = -1;
            if (QTabWidget *tabs = tabOfPage(widget, &index))
                return tabs->tabText(index);
            if (widget->isWindow())
                return widget->windowTitle();
        }
        return {};
    }
    if (property.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0) {
        if (widget)
            return widget->toolTip();
        if (auto *a = qobject_cast<QAction *>(object))
            return a->toolTip();
        return {};
    }
    if (property.compare(QLatin1String("Items"), Qt::CaseInsensitive) == 0) {
        if (auto *c = qobject_cast<QComboBox *>(object))
            return comboItems(c);
        if (auto *l = qobject_cast<QListWidget *>(object)) {
            QStringList items;
            for (int i = 0; i < l->count(); ++i)
                items << l->item(i)->text();
            return items;
        }
        if (auto *g = qobject_cast<QGroupBox *>(object)) {
            const QList<QRadioButton *> buttons = groupItems(g);
            if (buttons.isEmpty())
                return {};
            QStringList items;
            for (const QRadioButton *b : buttons)
                items << b->text();
            return items;
        }
        return {};
    }
    if (isHeaderProperty(property)) {
        QStringList headers;
        if (auto *t = qobject_cast<QTableWidget *>(object)) {
            const bool headerRow = t->property("headerRow").toBool() && t->rowCount() > 0;
            for (int c = 0; c < t->columnCount(); ++c) {
                const QTableWidgetItem *h = headerRow ? t->item(0, c) : t->horizontalHeaderItem(c);
                headers << (h ? h->text() : QString());
            }
            return headers;
        }
        if (auto *t = qobject_cast<QTreeWidget *>(object)) {
            for (int c = 0; c < t->columnCount(); ++c)
                headers << t->headerItem()->text(c);
            return headers;
        }
    }
    return {};
}

bool TLanguageSource::WriteProperty(QObject *object, const QString &property, const QVariant &value)
{
    if (!ReadProperty(object, property).isValid())
        return false;
    auto *widget = qobject_cast<QWidget *>(object);
    if (property.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0) {
        const QString text = value.toString();
        if (auto *b = qobject_cast<QAbstractButton *>(object))
            b->setText(text);
        else if (auto *l = qobject_cast<QLabel *>(object))
            l->setText(text);
        else if (auto *g = qobject_cast<QGroupBox *>(object))
            g->setTitle(text);
        else if (auto *a = qobject_cast<QAction *>(object))
            a->setText(text);
        else if (widget) {
            int index = -1;
            if (QTabWidget *tabs = tabOfPage(widget, &index))
                tabs->setTabText(index, text);
            else
                widget->setWindowTitle(text);
        }
        return true;
    }
    if (property.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0) {
        if (widget)
            widget->setToolTip(value.toString());
        else if (auto *a = qobject_cast<QAction *>(object))
            a->setToolTip(value.toString());
        return true;
    }
    const QStringList items = value.toStringList();
    if (property.compare(QLatin1String("Items"), Qt::CaseInsensitive) == 0) {
        if (auto *c = qobject_cast<QComboBox *>(object)) {
            if (c->count() == items.size()) {
                // Same entries, other words: the selection and its handlers stay untouched.
                for (int i = 0; i < items.size(); ++i)
                    c->setItemText(i, items.at(i));
            } else {
                const int selected = c->currentIndex();
                const bool blocked = c->blockSignals(true);
                c->clear();
                c->addItems(items);
                c->setCurrentIndex(qMin(selected, c->count() - 1));
                c->blockSignals(blocked);
            }
        } else if (auto *l = qobject_cast<QListWidget *>(object)) {
            const int selected = l->currentRow();
            const bool blocked = l->blockSignals(true);
            l->clear();
            l->addItems(items);
            l->setCurrentRow(qMin(selected, l->count() - 1));
            l->blockSignals(blocked);
        } else if (auto *g = qobject_cast<QGroupBox *>(object)) {
            // A radio group keeps its buttons: only their words change.
            const QList<QRadioButton *> buttons = groupItems(g);
            for (int i = 0; i < qMin(int(items.size()), int(buttons.size())); ++i)
                buttons.at(i)->setText(items.at(i));
        }
        return true;
    }
    if (auto *t = qobject_cast<QTableWidget *>(object)) {
        // Never more headers than columns: a file cannot add columns.
        const bool headerRow = t->property("headerRow").toBool() && t->rowCount() > 0;
        for (int c = 0; c < qMin(int(items.size()), t->columnCount()); ++c) {
            if (QTableWidgetItem *h = headerRow ? t->item(0, c) : t->horizontalHeaderItem(c))
                h->setText(items.at(c));
            else if (headerRow)
                t->setItem(0, c, new QTableWidgetItem(items.at(c)));
            else
                t->setHorizontalHeaderItem(c, new QTableWidgetItem(items.at(c)));
        }
        return true;
    }
    if (auto *t = qobject_cast<QTreeWidget *>(object)) {
        for (int c = 0; c < qMin(int(items.size()), t->columnCount()); ++c)
            t->headerItem()->setText(c, items.at(c));
        return true;
    }
    return false;
}

void TLanguageSource::Remember(QObject *object, const QString &property)
{
    for (const Changed &c : std::as_const(m_changed))
        if (c.object == object && c.property.compare(property, Qt::CaseInsensitive) == 0)
            return;
    m_changed.append({object, property, ReadProperty(object, property)});
}

void TLanguageSource::ApplyToWindow(const Window &window, const TLanguageFile &file, QStringList *problems)
{
    if (!window.widget)
        return;
    for (const TLanguageFile::Line &line : file.Section(window.section)) {
        QString property;
        const QList<QObject *> objects = Resolve(window.widget, line.first, &property);
        bool localized = false;
        for (const QString &p : window.properties)
            localized = localized || p.compare(property, Qt::CaseInsensitive) == 0;
        // A control this window does not have, or a property it does not localize.
        if (objects.isEmpty() || !localized)
            continue;
        const QVariant value = isListProperty(property) ? QVariant(TLanguageFile::SplitList(line.second))
                                                        : QVariant(line.second);
        for (QObject *object : objects) {
            if (!ReadProperty(object, property).isValid()) {
                if (problems)
                    *problems << QStringLiteral("%1:\ncannot set %2 here").arg(line.first, property);
                continue;
            }
            Remember(object, property);
            WriteProperty(object, property, value);
        }
    }
}

bool TLanguageSource::SetActiveLanguage(int index, QString *error, QStringList *problems)
{
    if (index < -1 || index >= m_files.size()) {
        if (error)
            *error = QStringLiteral("Index out of bounds (%1)").arg(index);
        return false;
    }
    if (index == m_active)
        return true;
    const TLanguageFile file = index >= 0 ? TLanguageFile::Load(m_files.at(index)) : TLanguageFile();

    // Everything an earlier language changed goes back first; the new file then
    // sets what it lists, so a text it leaves out shows the built-in one.
    for (const Changed &c : std::as_const(m_changed))
        if (c.object)
            WriteProperty(c.object, c.property, c.builtIn);
    m_activeFile = file;
    m_active = index;
    for (const Window &w : std::as_const(m_windows))
        ApplyToWindow(w, file, problems);
    if (m_texts)
        file.ApplyToCatalogue(*m_texts);
    return true;
}

QHash<QString, QVariant> TLanguageSource::Snapshot() const
{
    QHash<QString, QVariant> snapshot;
    for (const Window &w : m_windows) {
        if (!w.widget)
            continue;
        QList<QObject *> objects{w.widget};
        for (QObject *o : w.widget->findChildren<QObject *>())
            if (!o->objectName().isEmpty())
                objects << o;
        for (QObject *o : objects) {
            for (const QString &p : w.properties) {
                const QVariant v = ReadProperty(o, p);
                if (!v.isValid())
                    continue;
                const QString name = o == w.widget ? p : o->objectName() + QLatin1Char('.') + p;
                snapshot.insert(w.section + QLatin1Char('/') + name, v);
            }
        }
    }
    if (m_texts)
        for (const QString &key : m_texts->keys())
            snapshot.insert(QStringLiteral("TextContainer/") + key + QStringLiteral(".Caption"), m_texts->text(key));
    return snapshot;
}
