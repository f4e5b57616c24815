#pragma once
// Text crosses the database client as Windows-1252 bytes.

#include <QByteArray>
#include <QString>

QString FromWin1252(const char* bytes, qsizetype length);
// Characters the code page cannot hold become '?'.
QByteArray ToWin1252(const QString& text);
