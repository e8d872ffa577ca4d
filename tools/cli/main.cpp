#include "CliTool.h"

#include <QCoreApplication>
#include <QLoggingCategory>

int main(int argc, char **argv)
{
    // The program's traces stay silent unless QT_LOGGING_RULES asks for them.
    QLoggingCategory::setFilterRules(QStringLiteral("morvo3.*.debug=false\nmorvo3.*.info=false\nmorvo3.*.warning=false"));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvo3-cli"));
    return Cli::Run(QCoreApplication::arguments());
}
