#pragma once
// The modeless message window: every user message of the program is shown here
// without blocking. It sizes itself to the text (one, two or three lines) and
// keeps the focus while it is open.

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

class TMessageForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 300;
    static constexpr int OneLineHeight = 120;
    static constexpr int TwoLineHeight = 136;
    static constexpr int ThreeLineHeight = 152;
    static constexpr int OneLineButtonTop = 45;
    static constexpr int TwoLineButtonTop = 61;
    static constexpr int ThreeLineButtonTop = 77;
    static constexpr int ButtonWidth = 70;
    static constexpr int ButtonHeight = 25;
    static constexpr int RestButtonLeft = 115;
    static constexpr int RestTextLeft = 148;
    static constexpr int TextTop = 12;
    static constexpr int TextLeftWhenWide = 16;
    static constexpr int TextMargin = 30;   // narrower text than width - 30 is centred
    static constexpr int WidenExtra = 40;   // a wider text makes the window text + 40 wide

    explicit TMessageForm(QWidget *parent = nullptr);

    // The window is centred over this one when it opens.
    void SetCentreOver(QWidget *window) { m_centreOver = window; }
    // Shows text without blocking. While the window is open, a further message
    // only replaces the text.
    void ShowMessage(const QString &text);
    bool IsClosed() const { return m_closed; }
    QString Text() const;

    // CR, LF and CR LF all count as one line break.
    static QString NormaliseLineBreaks(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void layoutForText(const QString &text);
    void restoreLayout();
    void reclaimFocus();

    QLabel *m_text = nullptr;
    QPushButton *m_ok = nullptr;
    QPointer<QWidget> m_centreOver;
    bool m_closed = true;
};
