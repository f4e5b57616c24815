#pragma once
// Creating Firebird database files from schema scripts.

#include "Firebird.h"

#include <QString>
#include <QStringList>

// The statements of a script: separated by ';' at the end of a line, "--" comment lines dropped.
QStringList SplitScript(const QString& script);
// How a database file is declared: a file restored from an old server keeps SQL dialect 1 and
// often the character set NONE; older store systems declared their texts CHAR.
struct DatabaseFormat {
    unsigned short dialect = 3;
    QString charset = "WIN1252";
    bool fixedWidthTexts = false; // every VARCHAR of the script declared CHAR
};

// Creates the file (user SYSDBA) and runs every statement of the script in it, in the file's
// dialect.
void CreateDatabase(const QString& path, const QString& scriptFile, const DatabaseFormat& format = {});
// Runs statements on an open attachment, committing after each.
void RunStatements(FbAttachment& db, const QStringList& statements);
