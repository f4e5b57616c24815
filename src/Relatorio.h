#pragma once
// The report of one job (the run or a command): a text file beside the destination that accounts
// for every legacy row the job read. Per step it counts the rows read, migrated, refused, failed,
// left out and not reached (the five add up to the rows read); per destination table the rows
// inserted, updated and refused; and it has one line per legacy row that did not arrive, and per
// dependent row refused, named by the key the legacy system knows it by. It is written while the
// job works: before each commit retaining, what the commit keeps is in the file, so a job killed
// outright leaves a report that holds at least what the destination kept. It keeps counts in
// memory, never rows.

#include "IBDatabase.h"
#include "StopRequest.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TDataSet;

class TRelatorio : public TWriteJournal {
public:
    // What the job is and where it works, for the report's heading.
    struct Tarefa {
        QString nome;                      // importacao, marcas, codigos-de-barras: the file name's last word
        QString legenda;                   // the button's caption
        QStringList etapas;                // the steps ticked (the run's), empty for a command
        QString programa, origem, destino; // full paths
    };

    explicit TRelatorio(TStopRequest* stop = nullptr) : stop_(stop) {}
    ~TRelatorio() override;
    TRelatorio(const TRelatorio&) = delete;
    TRelatorio& operator=(const TRelatorio&) = delete;

    // Tables of rows that serve many legacy rows (look-ups found or created): a failed row's end
    // does not name them as rows to remove.
    void Compartilhadas(const QStringList& tabelas) { compartilhadas_ = tabelas; }

    // Creates the job's report in `pasta` (Importacao-AAAAMMDD-HHMMSS-<job>.txt, "-2" and on for a
    // second job in the same second) and writes its heading. Raises with the file and the
    // system's reason when it cannot be created: the job must not start then.
    void Abrir(const QString& pasta, const Tarefa& tarefa);
    bool Aberto() const { return arquivo_ != nullptr; }
    // Whether each commit point also forces the report to the disk: as the destination does its
    // own pages, so that a power loss leaves the report no older than the destination.
    void Sincronizar(bool sim) { sincronizar_ = sim; }
    // The last report opened, also after it was closed.
    const QString& Caminho() const { return caminho_; }

    // A step begins, and the one before it ends. `origem` is the set whose rows the step walks:
    // the rows it holds when the step walks it are the rows read.
    void Etapa(const QString& nome, const QString& tabelaOrigem, qint64 naTabela, const TDataSet* origem,
               const QString& tabelaDestino);

    // One legacy row under way, from its start to the end of its last write: a stop waits for it
    // to end, and what it leaves is counted when it ends. A row that writes its own destination
    // row (into the step's table) and is neither refused nor marked otherwise is migrated.
    class TLinha {
    public:
        TLinha(TLinha&& other) noexcept;
        TLinha(const TLinha&) = delete;
        TLinha& operator=(const TLinha&) = delete;
        TLinha& operator=(TLinha&&) = delete;
        ~TLinha();
        // The row is left out by the step's rule, said in words an operator understands.
        void DeixadaDeFora(const QString& motivo);
        // The row failed; the why is the error's message.
        void ComFalha(const QString& motivo);
        // The row arrived, also where nothing had to be written for it.
        void Migrada();

    private:
        friend class TRelatorio;
        explicit TLinha(TRelatorio* relatorio);
        TRelatorio* relatorio_;
        TStopHold hold_;
        int excecoes_;
    };
    // Starts the row known in the legacy file by `chave`. A stop requested before lands here,
    // between two rows.
    TLinha Linha(const QString& chave);
    // The same, the key made only when the report names the row (most rows arrive unnamed). It
    // may be made after the step moved to its next row: it takes the values it needs with it.
    TLinha Linha(std::function<QString()> chave);

    // A row the destination refused (the run's refusals are told here as they are recorded).
    void Recusa(const QString& tabela, const QString& chave, const QString& mensagem);

    void RowWritten(const QString& table, TWriteKind kind, const QString& key) override;
    void Committing() override;

    // A note for the report's end (what the operator still has to do).
    void Nota(const QString& texto) { notas_ << texto; }

    // How the job ended; each writes the whole report in its final order and closes it. After a
    // stop the counts and lines go back to the last commit point, as the destination does.
    void Concluir();
    void Falhar(const QString& mensagem);
    void Interromper(const QString& linhaDeParada);

private:
    enum class Situacao { Nenhuma, Migrada, Recusada, ComFalha, DeixadaDeFora };
    struct Contagem {
        qint64 migradas = 0, recusadas = 0, comFalha = 0, deixadasDeFora = 0;
    };
    struct EtapaInfo {
        QString nome, tabelaOrigem, tabelaDestino;
        QByteArray inicioDaLinha; // its name and source table, as its line starts
        qint64 naTabela = -1;
        const TDataSet* origem = nullptr;
        qint64 lidas = -1;
        Contagem contagem;
        double segundos = 0;
    };
    struct TabelaInfo {
        QByteArray nome;
        qint64 inseridas = 0, atualizadas = 0, recusadas = 0;
    };
    // The table's counts, added when first told of.
    TabelaInfo& Tabela(const QString& nome);
    // What the legacy row under way has done so far.
    struct LinhaEmCurso {
        bool ativa = false;
        QString chave;
        std::function<QString()> lerChave; // the key, made when first needed
        Situacao situacao = Situacao::Nenhuma;
        bool gravouPropria = false;
        bool recusadaPropria = false;
        QString motivoRecusa;
        bool recusaEscrita = false; // its line is in the report already
        QStringList gravadas;       // "table key" of the rows written for it
    };
    // The counts as the last commit kept them.
    struct Confirmado {
        std::vector<Contagem> etapas;
        std::vector<TabelaInfo> tabelas;
        qint64 fimDasPerdas = 0;
    };

    void TerminarLinha(bool porErro);
    const QString& ChaveDaLinha();
    // The count the row under way adds when it ends as it stands now.
    Situacao Desfecho() const;
    static void Somar(Contagem& c, Situacao s);
    void FecharEtapa();
    EtapaInfo* EtapaAtual() { return etapas_.empty() ? nullptr : &etapas_.back(); }
    void Perda(const QString& situacao, const QString& tabelaDestino, const QString& motivo);
    void GravarPerdas();
    // Writes at a place of the file; false, with the system's reason kept, when it could not.
    bool Escrever(const char* dados, qint64 tamanho, qint64 onde);
    void GravarPerdasSeMuitas();
    QByteArray Cabecalho(const QString& fim) const;
    // The step lines and the table lines with their headers, appended to `out`.
    void Contagens(std::string& out, const std::vector<Contagem>& contagens) const;
    void IndexarTabelas();
    void Finalizar(const QStringList& fim);
    void Falha(const QString& onde) const;

    TStopRequest* stop_;
    QStringList compartilhadas_;
    QStringList notas_;
    bool sincronizar_ = false;
    std::unique_ptr<QFile> arquivo_;
    QString caminho_;
    Tarefa tarefa_;
    QDateTime inicio_;
    std::vector<EtapaInfo> etapas_;
    std::vector<TabelaInfo> tabelas_; // in the order of their names
    QHash<QString, size_t> indiceTabela_;
    qint64 tamanhoDoBloco_ = 0; // of the counts written after the lines
    std::string bloco_;
    QString motivo_; // the system's reason of the last write that failed
    std::chrono::steady_clock::time_point inicioEtapa_;
    LinhaEmCurso linha_;
    // The row under way when an error ended the job, with what it had written.
    std::optional<LinhaEmCurso> interrompida_;
    QString etapaInterrompida_;
    QByteArray pendentes_;       // lines of rows that did not arrive, not in the file yet
    qint64 inicioDasPerdas_ = 0; // where those lines start in the file
    qint64 fimDasPerdas_ = 0;    // and where they end
    Confirmado confirmado_;
};
