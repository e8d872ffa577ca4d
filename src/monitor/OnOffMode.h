#pragma once
// The arm/disarm method window: lists the module's arm/disarm methods and
// hands the chosen one back to the parameter editor when "Close" is pressed.
// It must be answered: while open it takes the focus back whenever it loses it.

#include <QDialog>

class QPushButton;
class TRadioGroup;

class TFormOnOffMode : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 631;
    static constexpr int ClientHeight = 181;

    explicit TFormOnOffMode(QWidget *parent = nullptr);

    // Shows the window (not modal) with method selected.
    void OpenWithMethod(int method);
    int SelectedMethod() const;
    bool Closing() const { return m_closing; }

signals:
    // "Close" pressed with this item selected (not sent for the close box).
    void methodChosen(int method);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    static constexpr int LargestItemPixelSize = 12;
    static constexpr int SmallestItemPixelSize = 8;
    static constexpr int ItemWidthReserve = 8; // group frame

    void btCloseClick();
    void FitItemFont();
    void TakeFocusBack();

    TRadioGroup *rgOnOffMode;
    QPushButton *btClose;
    QPushButton *btnFocusDummy;
    bool m_closing = false;
};
