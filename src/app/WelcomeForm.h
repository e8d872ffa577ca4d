#pragma once
// The splash window. It is the application's root window: the program ends
// when it closes. Its first show creates the main window, and after 30 ticks of
// 50 ms it hides itself and shows the main window.

#include <QTimer>
#include <QWidget>
#include <functional>

class QProgressBar;

class TWelcomeForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TickMs = 50;
    static constexpr int TickCount = 30;

    explicit TWelcomeForm(QWidget *parent = nullptr);

    // Builds the main window; called once, at the splash's first show.
    void SetMainWindowFactory(std::function<QWidget *()> factory) { m_factory = std::move(factory); }
    QWidget *MainWindow() const { return m_mainWindow; }

    QTimer Timer1;

signals:
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Timer1Timer();

    std::function<QWidget *()> m_factory;
    QWidget *m_mainWindow = nullptr;
    QProgressBar *m_progress = nullptr;
    int m_count = 0;
};
