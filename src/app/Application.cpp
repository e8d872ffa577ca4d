#include "app/Application.h"

#include "app/DialogForm.h"
#include "app/FormMessage.h"
#include "app/FormProgress.h"
#include "app/TextContainer.h"
#include "app/UpdaterForm.h"
#include "app/WelcomeForm.h"
#include "link/SerialDetails.h"
#include "monitor/ElistInfo.h"
#include "monitor/OnOffMode.h"
#include "monitor/PasswordChange.h"
#include "monitor/PasswordINPUT.h"
#include "transport/GPRSsocket.h"

#include <QApplication>

TMorvo3Application::TMorvo3Application(const QStringList &arguments, QObject *parent)
    : QObject(parent)
    , m_core(std::make_unique<TAppCore>())
    , m_arguments(arguments)
{
    auto own = [this](auto *window) {
        m_owned.emplace_back(window);
        m_creationOrder << window->objectName();
        return window;
    };
    m_windows.Welcome = own(new TWelcomeForm);
    m_windows.Details = own(new TFormDetails(m_core->Memos));
    m_windows.GPRS = own(new TGPRS);
    m_windows.PWForm = own(new TPWForm(m_core->Session));
    m_windows.Dialog = own(new TFormDialog);
    m_windows.Update = own(new TFormUpdate);
    m_windows.Message = own(new TMessageForm);
    m_windows.NewPW = own(new TNewPW(m_core->Session));
    m_windows.EListInfo = own(new TEListInfoForm);
    m_windows.OnOffMode = own(new TFormOnOffMode);
    m_windows.Progress = own(new TFormProgress(m_core->Wait));
    m_windows.TextContainer = own(new TTextContainer(m_core->Texts));

    m_windows.Welcome->SetMainWindowFactory([this]() -> QWidget * { return CreateMainForm(); });
    // The splash is the root window: when it closes, the program ends.
    connect(m_windows.Welcome, &TWelcomeForm::closed, this, [this] {
        m_finished = true;
        emit finished();
        QCoreApplication::quit();
    });
}

TMorvo3Application::~TMorvo3Application()
{
    m_core->Wait.Closing = true;
    m_mainForm.reset();
    while (!m_owned.empty())
        m_owned.pop_back();
}

TMainForm *TMorvo3Application::CreateMainForm()
{
    if (!m_mainForm) {
        m_mainForm = std::make_unique<TMainForm>(*m_core, m_windows, m_arguments);
        m_creationOrder << m_mainForm->objectName();
    }
    return m_mainForm.get();
}

void TMorvo3Application::Start()
{
    m_windows.Welcome->show();
}

int TMorvo3Application::Run()
{
    QApplication::setQuitOnLastWindowClosed(false);
    Start();
    return QApplication::exec();
}
