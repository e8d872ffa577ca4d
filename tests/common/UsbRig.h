#pragma once
// Test rig for end-to-end runs of the real program in USB mode: the whole
// application (every window, the main window) built fresh, with
// MORVO3_EXTRA_PORTS pointing at simulated modules. Header only: GUI tests only.

#include "SimProcess.h"

#include "app/Application.h"
#include "app/FormMessage.h"
#include "app/Main.h"
#include "transport/USBCommunicator.h"
#include "transport/USBPorts.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <memory>

class UsbRig
{
public:
    static constexpr int ShowTimeoutMs = 10000;
    // Search (1 s) + link check (1 s) + first login (1 s) + first version poll (4 s) + margin.
    static constexpr int IdentifyTimeoutMs = 20000;

    // ports: the MORVO3_EXTRA_PORTS value for this run.
    explicit UsbRig(const QString &ports)
        : m_oldPorts(qgetenv(USBPorts::ExtraPortsVariable))
    {
        qputenv(USBPorts::ExtraPortsVariable, ports.toLocal8Bit());
    }
    ~UsbRig()
    {
        if (app && app->MainForm())
            app->MainForm()->close();
        app.reset();
        qputenv(USBPorts::ExtraPortsVariable, m_oldPorts);
    }

    // Builds the application and waits until the main window is up (in USB mode).
    bool start()
    {
        app = std::make_unique<TMorvo3Application>(QStringList());
        app->Start();
        return QTest::qWaitFor([this] { return form() && form()->isVisible(); }, ShowTimeoutMs);
    }

    TMainForm *form() const { return app ? app->MainForm() : nullptr; }
    TAppCore &core() { return app->Core(); }
    template <typename T = QWidget> T *child(const char *name) const
    {
        return form()->findChild<T *>(QLatin1String(name));
    }
    QString version() const { return child<QLabel>("lbVersion")->text(); }
    bool commandsEnabled() const
    {
        // Explicitly shown or hidden, whichever page is on top.
        return !child<QWidget>("spbReadModule")->isHidden() && child<QWidget>("spbReadModuleDisabled")->isHidden();
    }
    int readers() const { return app->Core().Session.findChildren<TCommunicator *>().size(); }
    TMessageForm *messages() const { return app->Windows().Message; }
    // The message window shows text now.
    bool showing(const QString &text) const
    {
        return !messages()->IsClosed() && messages()->Text() == TMessageForm::NormaliseLineBreaks(text);
    }
    // Closes the message window, so that any later message opens it again.
    void dismissMessage() { messages()->close(); }
    bool waitIdentified(int timeoutMs = IdentifyTimeoutMs)
    {
        return QTest::qWaitFor([this] { return !version().isEmpty(); }, timeoutMs);
    }

    std::unique_ptr<TMorvo3Application> app;

private:
    QByteArray m_oldPorts;
};
