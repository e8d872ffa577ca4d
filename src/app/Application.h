#pragma once
// The application object: builds the working state and every window in the
// start-up order, shows the splash (which brings up the main window) and ends
// the program when the splash closes.

#include "app/AppCore.h"
#include "app/Main.h"

#include <QObject>
#include <QStringList>
#include <memory>

class TMorvo3Application : public QObject
{
    Q_OBJECT
public:
    // arguments: the command line without the program name.
    explicit TMorvo3Application(const QStringList &arguments, QObject *parent = nullptr);
    ~TMorvo3Application() override;

    // Shows the splash window.
    void Start();
    // Start() and then the message loop until the splash window closes.
    int Run();

    TAppCore &Core() { return *m_core; }
    const TAppWindows &Windows() const { return m_windows; }
    // The main window once the splash has created it.
    TMainForm *MainForm() const { return m_mainForm.get(); }
    // Names of the windows in the order they were created.
    QStringList CreationOrder() const { return m_creationOrder; }
    bool Finished() const { return m_finished; }

signals:
    void finished();

private:
    TMainForm *CreateMainForm();

    std::unique_ptr<TAppCore> m_core;
    TAppWindows m_windows;
    // Owned windows, destroyed in reverse order of creation.
    std::vector<std::unique_ptr<QWidget>> m_owned;
    std::unique_ptr<TMainForm> m_mainForm;
    QStringList m_arguments;
    QStringList m_creationOrder;
    bool m_finished = false;
};
