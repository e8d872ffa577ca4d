#include "app/UpdaterForm.h"

#include <QCheckBox>
#include <QVBoxLayout>

TFormUpdate::TFormUpdate(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormUpdate"));
    setWindowTitle(QStringLiteral("Programfrissítések keresése"));
    auto *allow = new QCheckBox(QStringLiteral("Automatikus programfrissítés engedélyezése"), this);
    allow->setObjectName(QStringLiteral("cbAllowDownloadQuery"));
    allow->setChecked(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(allow);
}
