#include "Schema.h"

#include "Errors.h"

#include <QFile>
#include <QRegularExpression>

QStringList SplitScript(const QString& script) {
    QStringList out;
    QString current;
    for (const QString& raw : script.split('\n')) {
        QString line = raw.trimmed();
        if (line.startsWith("--") || line.isEmpty()) continue;
        current += raw + '\n';
        if (line.endsWith(';')) {
            current = current.trimmed();
            current.chop(1);
            out << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty()) out << current.trimmed();
    return out;
}

void RunStatements(FbAttachment& db, const QStringList& statements) {
    for (const QString& sql : statements) {
        FbTransaction tr;
        tr.Start(db);
        try {
            FbStatement st(db, tr, sql);
            st.Execute(tr, {});
        } catch (const Exception& e) {
            throw Exception(e.Message() + "\nin: " + sql);
        }
        tr.Commit();
    }
}

void CreateDatabase(const QString& path, const QString& scriptFile, const DatabaseFormat& format) {
    QFile f(scriptFile);
    if (!f.open(QIODevice::ReadOnly)) throw Exception("Cannot read " + scriptFile);
    QString script = QString::fromUtf8(f.readAll());
    if (format.fixedWidthTexts) script.replace(QRegularExpression("\\bVARCHAR\\("), "CHAR(");
    QFile::remove(path);
    FbAttachment db;
    db.Create(path, "SYSDBA", "masterkey", format.charset, format.dialect);
    if (format.dialect == 3) {
        RunStatements(db, SplitScript(script));
    } else {
        // Prepared statements speak dialect 3; a script of another dialect runs as written.
        for (const QString& sql : SplitScript(script)) {
            FbTransaction tr;
            tr.Start(db);
            const QByteArray text = sql.toUtf8();
            ISC_STATUS_ARRAY st;
            isc_dsql_execute_immediate(st, db.Handle(), tr.Handle(), 0, text.constData(), format.dialect,
                                       nullptr);
            try {
                CheckStatus(st);
            } catch (const Exception& e) {
                throw Exception(e.Message() + "\nin: " + sql);
            }
            tr.Commit();
        }
    }
    db.Detach();
}
