#pragma once
// morvo3-cli: reads, writes and compares the module's parameters and dumps
// parameter files, using the same procedures as the main window.

#include <QStringList>

namespace Cli {
enum ExitCode { ExitOk = 0, ExitDifferent = 1, ExitError = 2 };

// Runs the tool with the given arguments (arguments[0] is the program name).
// Needs a QCoreApplication. Progress and messages go to stderr, dump and
// compare results to stdout.
int Run(const QStringList &arguments);
}
