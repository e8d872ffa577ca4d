#include "app/DialogForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFormDialog::TFormDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormDialog"));
    setWindowTitle(QStringLiteral("Figyelmeztetés"));
    setModal(true);
    m_label = new QLabel(QStringLiteral("Biztosan meg akarja változtatni a jelszót?"), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setAlignment(Qt::AlignCenter);
    auto *yes = new QPushButton(QStringLiteral("Igen"), this);
    yes->setObjectName(QStringLiteral("btnYes"));
    auto *no = new QPushButton(QStringLiteral("Nem"), this);
    no->setObjectName(QStringLiteral("btnNo"));
    connect(yes, &QPushButton::clicked, this, [this] { done(ResultYes); });
    connect(no, &QPushButton::clicked, this, [this] { done(ResultNo); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(no);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addLayout(buttons);
    setFixedSize(340, 110);
}

void TFormDialog::SetText(const QString &text)
{
    m_label->setText(text);
}

QString TFormDialog::Text() const
{
    return m_label->text();
}
