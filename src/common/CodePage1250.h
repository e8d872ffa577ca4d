#pragma once
// Windows-1250, the module's and the log file's single-byte code page (Central
// European). Our own table, so the result does not depend on whether the Qt
// build carries ICU, and characters outside the page become '?'.

#include <QByteArray>
#include <QString>

// Each character of text as one byte; a character the code page cannot hold
// becomes one '?'.
QByteArray ToCp1250(const QString &text);
// Each byte as one character; the five bytes the code page leaves unassigned
// (0x81, 0x83, 0x88, 0x90, 0x98) become U+F781, U+F783, U+F788, U+F790 and
// U+F798, which ToCp1250 turns back into the same bytes.
QString FromCp1250(const QByteArray &bytes);
