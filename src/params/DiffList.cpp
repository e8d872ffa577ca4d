#include "params/DiffList.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// Rows of the image header and the padding name no field the editor shows.
constexpr int FieldNameRole = Qt::UserRole + 1;
}

TDiffListForm::TDiffListForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TDiffListForm"));
    setWindowTitle(QStringLiteral("Eltérések"));
    resize(640, 360);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lbDifferenceCount"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvDifferences"));
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({QStringLiteral("Mező"), QStringLiteral("Index"), QStringLiteral("Modul értéke"),
                             QStringLiteral("Szerkesztő értéke")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(FieldColumn, 150);
    m_list->setColumnWidth(IndexColumn, 50);
    m_list->setColumnWidth(ModuleColumn, 200);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_list);

    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) { itemDoubleClicked(item); });
}

void TDiffListForm::SetDifferences(const QList<FieldCatalogue::TFieldDifference> &differences)
{
    using Where = FieldCatalogue::TFieldDifference::Where;
    m_list->clear();
    QList<QTreeWidgetItem *> items;
    for (const FieldCatalogue::TFieldDifference &d : differences) {
        auto *item = new QTreeWidgetItem;
        QString field = d.field;
        QString index = d.index >= 0 ? QString::number(d.index) : QString();
        switch (d.where) {
        case Where::Element:
            item->setData(FieldColumn, FieldNameRole, d.field);
            break;
        case Where::RecordHeader:
            field += QStringLiteral(" (fejléc)");
            item->setData(FieldColumn, FieldNameRole, d.field);
            break;
        case Where::Header:
            field = QStringLiteral("(fájlfejléc)");
            break;
        case Where::Padding:
            field = QStringLiteral("(kitöltés)");
            break;
        }
        item->setText(FieldColumn, field);
        item->setText(IndexColumn, index);
        item->setText(ModuleColumn, d.moduleValue);
        item->setText(EditorColumn, d.editorValue);
        item->setToolTip(ModuleColumn, d.moduleValue);
        item->setToolTip(EditorColumn, d.editorValue);
        items << item;
    }
    m_list->addTopLevelItems(items);
    m_summary->setText(QStringLiteral("%1 eltérés").arg(differences.size()));
}

int TDiffListForm::RowCount() const
{
    return m_list->topLevelItemCount();
}

void TDiffListForm::itemDoubleClicked(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const QString name = item->data(FieldColumn, FieldNameRole).toString();
    if (!name.isEmpty())
        emit fieldActivated(name);
}
