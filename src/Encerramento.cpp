// How the window ends: closed by the operator, or by a stop signal (Ctrl+C in the terminal, kill,
// a logout), which ends the program by itself.
#include "StopSignals.h"
#include "uImportacao.h"

#include <QDir>

namespace {
// One line of an error's message (the client's own text may run over several).
QString OneLine(const std::exception& e) {
    return ExceptionMessage(e).split('\n', Qt::SkipEmptyParts).join("; ");
}

// What the operator is told of a connection lost under the window.
QString ConexaoPerdida(bool destino) {
    return destino ? "A conexão com o banco de destino (KELMOR.FDB) foi perdida: o que foi gravado desde o "
                     "último ponto de confirmação não está armazenado."
                   : "A conexão com o banco de origem (LOJA.GDB) foi perdida.";
}
} // namespace

void Tfrm_Importacao::FormCloseQuery(QObject*, bool&) {
    // Disconnecting ends the destination transaction with a full commit: what a failed run
    // wrote after its last commit point is kept. A connection already lost (the engine shut down,
    // a server gone) has nothing left to commit or to detach: the window still closes, once the
    // operator is told what that cost. Any other failure (a full disk) keeps the window open.
    QStringList lost;
    for (TIBDatabase* db : {&DB_DESTINO, &DB_ORIGEM}) {
        try {
            db->SetConnected(false);
        } catch (const EIBError& e) {
            if (!e.IsConnectionLost()) throw;
            lost << ConexaoPerdida(db == &DB_DESTINO) << "(" + OneLine(e) + ")";
        }
    }
    if (!lost.isEmpty()) application_.Show(lost.join('\n'), TMsgIcon::Error);
}

std::optional<QString> Tfrm_Importacao::ConexoesPerdidas(const std::exception& failure) {
    // The failure's own code may only name a handle the client declared invalid, and a guard may
    // have raised it again behind its prefix: the connections themselves tell which one is gone.
    QStringList lost;
    for (TIBDatabase* db : {&DB_DESTINO, &DB_ORIGEM}) {
        if (!db->ConnectionLost()) continue;
        try {
            // Nothing is left on it to commit: its components and handles are let go, so that the
            // window's close later finds it closed and says nothing more.
            db->CloseRollingBack();
        } catch (const std::exception&) {
        }
        lost << ConexaoPerdida(db == &DB_DESTINO);
    }
    if (lost.isEmpty()) return std::nullopt;
    return (lost << "(" + OneLine(failure) + ")").join('\n');
}

void Tfrm_Importacao::StopBySignal(int signal) {
    // A box waiting for the operator is answered: nobody may be left to answer it. A job then
    // stops at its next row and ends the program from there.
    application_.MessageBoxes().CloseOpen();
    if (!busy_) EndBySignal(signal);
}

QString Tfrm_Importacao::WhereStopped() const {
    if (progress_.step.isEmpty()) return "antes da primeira etapa";
    QString where = QString("na etapa \"%1\"").arg(progress_.step);
    const TDataSet* source = progress_.source;
    if (!source) return where;
    if (!source->Active()) return where + ", ao ler a origem";
    if (source->IsEmpty()) return where;
    if (source->Eof())
        return where + QString(", depois da última das %1 linhas da origem").arg(source->RecordCount());
    return where +
           QString(", na linha %1 de %2 da origem").arg(source->RecNo() + 1).arg(source->RecordCount());
}

void Tfrm_Importacao::EndBySignal(int signal) {
    if (ending_) return; // a second signal does not start the ending again
    ending_ = true;
    const bool duringJob = busy_;
    const bool committing = !duringJob && DB_DESTINO.Connected();
    const QString where = duringJob ? WhereStopped() : QString(); // before closing closes its source
    QStringList failures;
    for (TIBDatabase* db : {&DB_DESTINO, &DB_ORIGEM}) {
        try {
            // During a job, what it wrote since its last commit point is not kept: the destination
            // holds what those commit points committed, as a killed process leaves it.
            if (duringJob)
                db->CloseRollingBack();
            else
                db->Close();
        } catch (const std::exception& e) {
            failures << QString("ao fechar %1: %2").arg(db->DatabaseName, OneLine(e));
        }
    }
    QString line = "Importacao: " + TStopSignals::Name(signal) + ": ";
    if (duringJob)
        line += "interrompido " + where +
                "; KELMOR.FDB guarda o que foi confirmado antes, o que foi gravado depois foi desfeito.";
    else
        line += committing && failures.isEmpty() ? "encerrado como ao fechar a janela; KELMOR.FDB confirmado."
                                                 : "encerrado como ao fechar a janela.";
    if (!failures.isEmpty()) line += " Falha " + failures.join("; ") + '.';
    // The job's report ends with the same line, its counts taken back to the last commit point.
    if (duringJob && Relatorio.Aberto()) {
        line += " Relatório: " + QDir::toNativeSeparators(Relatorio.Caminho()) + '.';
        try {
            Relatorio.Interromper(line);
        } catch (const std::exception& e) {
            line += " Falha ao concluir o relatório: " + OneLine(e) + '.';
        }
    }
    application_.Terminate(128 + signal, line);
}
