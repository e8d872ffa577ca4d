// Every test program that starts the main window would otherwise ask the
// maker's update server at start-up. Tests reach nothing beyond this machine:
// unless a test names a server itself, the update check asks a closed
// loopback port and ends at once.

#include <QByteArray>
#include <QtGlobal>

namespace {
struct LoopbackUpdateUrl
{
    LoopbackUpdateUrl()
    {
        if (qEnvironmentVariableIsEmpty("MORVO3_UPDATE_URL"))
            qputenv("MORVO3_UPDATE_URL", QByteArray("http://127.0.0.1:9/"));
    }
};
const LoopbackUpdateUrl setOnLoad;
} // namespace
