#include "app/UpdaterForm.h"

#include <QCheckBox>
#include <QVBoxLayout>

TFormUpdate::TFormUpdate(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormUpdate"));
    setWindowTitle(QStringLiteral("Looking for version updates"));
    auto *allow = new QCheckBox(QStringLiteral("Enable automatic program version updating"), this);
    allow->setObjectName(QStringLiteral("cbAllowDownloadQuery"));
    allow->setChecked(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(allow);
}
