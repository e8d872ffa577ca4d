#pragma once
// The list of differences between the module and the editor, shown after a
// compare stopped on a difference and the rest of the module was read. One
// row per differing field element; double-clicking a row asks the owner to
// bring the field's editor tab forward.

#include "params/FieldCatalogue.h"

#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;
class QLabel;

class TDiffListForm : public QWidget
{
    Q_OBJECT
public:
    enum Column { FieldColumn, IndexColumn, ModuleColumn, EditorColumn };

    explicit TDiffListForm(QWidget *parent = nullptr);

    // Replaces the list.
    void SetDifferences(const QList<FieldCatalogue::TFieldDifference> &differences);
    int RowCount() const;

signals:
    // A row of a named record was double-clicked (not the image header or padding).
    void fieldActivated(const QString &fieldName);

private:
    void itemDoubleClicked(QTreeWidgetItem *item);

    QTreeWidget *m_list = nullptr;
    QLabel *m_summary = nullptr;
};
