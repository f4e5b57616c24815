#pragma once
// Creating Firebird database files from schema scripts.

#include "Firebird.h"

#include <QString>
#include <QStringList>

// The statements of a script: separated by ';' at the end of a line, "--" comment lines dropped.
QStringList SplitScript(const QString& script);
// Creates the file (WIN1252, user SYSDBA) and runs every statement of the script in it.
void CreateDatabase(const QString& path, const QString& scriptFile);
// Runs statements on an open attachment, committing after each.
void RunStatements(FbAttachment& db, const QStringList& statements);
