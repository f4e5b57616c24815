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

void CreateDatabase(const QString& path, const QString& scriptFile) {
    QFile f(scriptFile);
    if (!f.open(QIODevice::ReadOnly)) throw Exception("Cannot read " + scriptFile);
    QString script = QString::fromUtf8(f.readAll());
    QFile::remove(path);
    FbAttachment db;
    db.Create(path, "SYSDBA", "masterkey", "WIN1252");
    RunStatements(db, SplitScript(script));
    db.Detach();
}
