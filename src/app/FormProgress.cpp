#include "app/FormProgress.h"

#include "common/WaitContext.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QToolButton>

TFormProgress::TFormProgress(TWaitContext &wait, QWidget *parent)
    : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("TFormProgress"));
    setWindowTitle(QStringLiteral("Művelet folyamatban"));
    auto *bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("ProgressBar1"));
    auto *stop = new QToolButton(this);
    stop->setObjectName(QStringLiteral("spbSTOP"));
    stop->setText(QStringLiteral("Leállítás"));
    connect(stop, &QToolButton::clicked, this, [&wait] { wait.StopRequested = true; });
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(stop);
    setFixedSize(360, 60);
}
