#pragma once
// The text catalogue as a window: one label per message key, named by the key,
// whose caption follows the catalogue. Never shown; it is what language files
// and the diagnostics see.

#include <QWidget>

class Morvo3Texts;
class QLabel;

class TTextContainer : public QWidget
{
    Q_OBJECT
public:
    explicit TTextContainer(Morvo3Texts &texts, QWidget *parent = nullptr);

    QLabel *Label(const QString &key) const;

private:
    Morvo3Texts &m_texts;
};
