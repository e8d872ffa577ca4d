#pragma once
// Windows-1250, the module's and the log file's single-byte code page (Central
// European). Our own table, so the result does not depend on whether the Qt
// build carries ICU, and characters outside the page become '?'.

#include <QByteArray>
#include <QString>

// Each character of text as one byte; a character the code page cannot hold
// becomes one '?'.
QByteArray ToCp1250(const QString &text);
// Each byte as one character; the five unassigned bytes become U+FFFD.
QString FromCp1250(const QByteArray &bytes);
