#include "app/TextContainer.h"

#include "common/Morvo3Texts.h"

#include <QLabel>
#include <QVBoxLayout>

TTextContainer::TTextContainer(Morvo3Texts &texts, QWidget *parent)
    : QWidget(parent)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("TTextContainer"));
    setWindowTitle(QStringLiteral("TextContainer"));
    auto *layout = new QVBoxLayout(this);
    for (const QString &key : texts.keys()) {
        auto *label = new QLabel(texts.text(key), this);
        label->setObjectName(key);
        layout->addWidget(label);
    }
    connect(&texts, &Morvo3Texts::textChanged, this, [this](const QString &key) {
        if (QLabel *label = Label(key))
            label->setText(m_texts.text(key));
    });
}

QLabel *TTextContainer::Label(const QString &key) const
{
    return findChild<QLabel *>(key, Qt::FindDirectChildrenOnly);
}
