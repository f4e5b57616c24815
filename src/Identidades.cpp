// The end of every job: identity keys of the destination brought past the keys the job gave.
#include "uImportacao.h"

QString Tfrm_Importacao::ReiniciarIdentidades() {
    // The rows are written with the keys the steps give; the management system's own inserts draw
    // from the identity, which would start at a key already taken.
    std::vector<TIBDatabase::TIdentityRestart> reinicios;
    // A connection let go as lost is not opened again behind the operator's back.
    if (!DB_DESTINO.Connected()) return {};
    try {
        reinicios = DB_DESTINO.RestartIdentities(TR_DESTINO);
    } catch (const EStopRequested&) {
        return {}; // the program ends now; the identities wait for the next job
    } catch (const EIBError& e) {
        if (!e.IsConnectionLost()) throw;
        return {}; // the job's own error, or the close, tells that the connection is gone
    }
    QStringList pendentes;
    for (const TIBDatabase::TIdentityRestart& r : reinicios) {
        if (r.failure.isEmpty()) continue;
        pendentes << QString("  %1.%2: reinicie com %3;").arg(r.table, r.column, r.statement)
                  << QString("    (%1)").arg(r.failure.split('\n', Qt::SkipEmptyParts).join("; "));
    }
    if (pendentes.isEmpty()) return {};
    return QString("O banco de destino não permitiu reiniciar %1 identidade(s) além da maior chave gravada; "
                   "as próximas inclusões do sistema de gestão repetiriam chaves já usadas:\n")
               .arg(pendentes.size() / 2) +
           pendentes.join('\n');
}
