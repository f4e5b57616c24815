#include "Relatorio.h"

#include "DataSet.h"
#include "Errors.h"

#include <QDir>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <unistd.h>

namespace {
const char kCabecalhoEtapas[] = "etapa\ttabela de origem\tna tabela\tlidas\tmigradas\trecusadas\tcom falha\t"
                                "deixadas de fora\tnão alcançadas\tsegundos\n";
const char kCabecalhoTabelas[] = "tabela de destino\tinseridas\tatualizadas\trecusadas\n";
const char kCabecalhoPerdas[] =
    "etapa\ttabela de origem\tchave na origem\tsituação\ttabela de destino\tmotivo\n";

// Lines of rows that did not arrive are written once this much waits in memory, or at a commit.
constexpr qsizetype kPendentesMaximo = 64 * 1024;
// The rows written for the row under way that the end of a failed job names.
constexpr qsizetype kGravadasMaximo = 64;

// A text on one line of one tab-separated field.
QString UmaLinha(QString text) {
    for (QChar& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text.simplified();
}

QString Momento(const QDateTime& t) {
    return t.toString("yyyy-MM-dd HH:mm:ss");
}

double SegundosDesde(std::chrono::steady_clock::time_point inicio) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}
} // namespace

TRelatorio::~TRelatorio() = default;

void TRelatorio::Falha(const QString& onde) const {
    throw Exception(QString("Falha ao gravar o relatório %1 (%2): %3")
                        .arg(QDir::toNativeSeparators(caminho_), onde,
                             motivo_.isEmpty() ? arquivo_->errorString() : motivo_));
}

void TRelatorio::Abrir(const QString& pasta, const Tarefa& tarefa) {
    arquivo_.reset();
    tarefa_ = tarefa;
    inicio_ = QDateTime::currentDateTime();
    etapas_.clear();
    tabelas_.clear();
    indiceTabela_.clear();
    tamanhoDoBloco_ = 0;
    linha_ = {};
    interrompida_.reset();
    etapaInterrompida_.clear();
    pendentes_.clear();
    notas_.clear();
    motivo_.clear();
    const QString base =
        QDir(pasta).filePath("Importacao-" + inicio_.toString("yyyyMMdd-HHmmss") + '-' + tarefa.nome);
    auto arquivo = std::make_unique<QFile>();
    // A second job in the same second gets a file of its own.
    for (int n = 1;; ++n) {
        caminho_ = n == 1 ? base + ".txt" : QString("%1-%2.txt").arg(base).arg(n);
        arquivo->setFileName(caminho_);
        if (arquivo->open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) break;
        if (!arquivo->exists() || n >= 100)
            throw Exception(QString("Não foi possível criar o relatório %1: %2")
                                .arg(QDir::toNativeSeparators(caminho_), arquivo->errorString()));
    }
    const QByteArray cabecalho = Cabecalho("em andamento") + '\n' + kCabecalhoPerdas;
    // A file that takes not even its heading (a full disk) is taken away again.
    if (arquivo->write(cabecalho) != cabecalho.size() || !arquivo->flush()) {
        const QString motivo = arquivo->errorString();
        arquivo.reset();
        QFile::remove(caminho_);
        throw Exception(QString("Não foi possível criar o relatório %1: %2")
                            .arg(QDir::toNativeSeparators(caminho_), motivo));
    }
    arquivo_ = std::move(arquivo);
    inicioDasPerdas_ = fimDasPerdas_ = arquivo_->pos();
    confirmado_ = {{}, {}, fimDasPerdas_};
    Committing(); // the counts block, empty, and the file on disk
}

void TRelatorio::Etapa(const QString& nome, const QString& tabelaOrigem, qint64 naTabela,
                       const TDataSet* origem, const QString& tabelaDestino) {
    if (!Aberto()) return;
    FecharEtapa();
    etapas_.push_back({nome,
                       tabelaOrigem,
                       tabelaDestino,
                       (nome + '\t' + tabelaOrigem + '\t').toUtf8(),
                       naTabela,
                       origem,
                       -1,
                       {},
                       0});
    inicioEtapa_ = std::chrono::steady_clock::now();
}

void TRelatorio::FecharEtapa() {
    EtapaInfo* etapa = EtapaAtual();
    if (!etapa || etapa->origem == nullptr) return;
    if (etapa->lidas < 0) etapa->lidas = etapa->origem->Active() ? etapa->origem->RecordCount() : 0;
    etapa->segundos = SegundosDesde(inicioEtapa_);
    etapa->origem = nullptr; // ended: the set may serve another job
}

TRelatorio::TLinha TRelatorio::Linha(const QString& chave) {
    return Linha([chave] { return chave; });
}

const QString& TRelatorio::ChaveDaLinha() {
    if (linha_.lerChave) {
        try {
            linha_.chave = linha_.lerChave();
        } catch (const std::exception& e) {
            linha_.chave = "(chave ilegível: " + ExceptionMessage(e) + ')';
        }
        linha_.lerChave = nullptr;
    }
    return linha_.chave;
}

TRelatorio::TLinha TRelatorio::Linha(std::function<QString()> chave) {
    if (stop_) stop_->Check(); // between two rows: the place a stop lands
    if (Aberto()) {
        GravarPerdasSeMuitas();
        linha_ = {};
        linha_.ativa = true;
        linha_.lerChave = std::move(chave);
        if (EtapaInfo* etapa = EtapaAtual();
            etapa && etapa->lidas < 0 && etapa->origem && etapa->origem->Active())
            etapa->lidas = etapa->origem->RecordCount();
    }
    return TLinha(this);
}

TRelatorio::TLinha::TLinha(TRelatorio* relatorio)
    : relatorio_(relatorio), hold_(relatorio->stop_), excecoes_(std::uncaught_exceptions()) {}

TRelatorio::TLinha::TLinha(TLinha&& other) noexcept
    : relatorio_(other.relatorio_), hold_(std::move(other.hold_)), excecoes_(other.excecoes_) {
    other.relatorio_ = nullptr;
}

TRelatorio::TLinha::~TLinha() {
    if (relatorio_) relatorio_->TerminarLinha(std::uncaught_exceptions() > excecoes_);
}

void TRelatorio::TLinha::DeixadaDeFora(const QString& motivo) {
    if (!relatorio_->linha_.ativa) return;
    relatorio_->linha_.situacao = Situacao::DeixadaDeFora;
    relatorio_->Perda("deixada de fora", {}, motivo);
}

void TRelatorio::TLinha::Migrada() {
    if (relatorio_->linha_.ativa) relatorio_->linha_.situacao = Situacao::Migrada;
}

void TRelatorio::TLinha::ComFalha(const QString& motivo) {
    if (!relatorio_->linha_.ativa) return;
    LinhaEmCurso& linha = relatorio_->linha_;
    linha.situacao = Situacao::ComFalha;
    // What the row wrote before it failed stays in the destination: the operator is told where.
    relatorio_->Perda(
        "com falha", {},
        linha.gravadas.isEmpty() ? motivo : motivo + " (ficou gravado: " + linha.gravadas.join("; ") + ')');
}

TRelatorio::Situacao TRelatorio::Desfecho() const {
    if (linha_.situacao != Situacao::Nenhuma) return linha_.situacao;
    if (linha_.recusadaPropria) return Situacao::Recusada;
    return Situacao::Nenhuma; // migrated when its own row was written
}

void TRelatorio::Somar(Contagem& c, Situacao s) {
    switch (s) {
    case Situacao::Migrada:
        ++c.migradas;
        break;
    case Situacao::Recusada:
        ++c.recusadas;
        break;
    case Situacao::ComFalha:
        ++c.comFalha;
        break;
    case Situacao::DeixadaDeFora:
        ++c.deixadasDeFora;
        break;
    case Situacao::Nenhuma:
        break;
    }
}

void TRelatorio::TerminarLinha(bool porErro) {
    if (!linha_.ativa) return;
    if (porErro) {
        ChaveDaLinha(); // the source row is still the one under way
        // Not counted: the row is named at the job's end with what it had written.
        interrompida_ = linha_;
        if (const EtapaInfo* etapa = EtapaAtual()) etapaInterrompida_ = etapa->nome;
        linha_ = {};
        return;
    }
    if (EtapaInfo* etapa = EtapaAtual()) {
        const Situacao s = Desfecho();
        if (s == Situacao::Recusada && !linha_.recusaEscrita)
            Perda("recusada", etapa->tabelaDestino, linha_.motivoRecusa);
        if (s != Situacao::Nenhuma) {
            Somar(etapa->contagem, s);
        } else if (linha_.gravouPropria) {
            ++etapa->contagem.migradas;
        } else {
            // Nothing of its own was written and nothing said why: it did not arrive all the same.
            ++etapa->contagem.deixadasDeFora;
            Perda("deixada de fora", {}, "nada foi gravado para ela");
        }
    }
    linha_ = {};
}

void TRelatorio::Perda(const QString& situacao, const QString& tabelaDestino, const QString& motivo) {
    const EtapaInfo* etapa = EtapaAtual();
    const QStringList campos{etapa ? etapa->nome : QString(),
                             etapa ? etapa->tabelaOrigem : QString(),
                             UmaLinha(ChaveDaLinha()),
                             situacao,
                             tabelaDestino.isEmpty() && etapa ? etapa->tabelaDestino : tabelaDestino,
                             UmaLinha(motivo)};
    pendentes_ += campos.join('\t').toUtf8() + '\n';
}

void TRelatorio::Recusa(const QString& tabela, const QString& chave, const QString& mensagem) {
    if (!Aberto()) return;
    ++Tabela(tabela).recusadas;
    const EtapaInfo* etapa = EtapaAtual();
    if (linha_.ativa && etapa && tabela == etapa->tabelaDestino && !linha_.recusadaPropria) {
        // The row's own refusal: written when the row ends, unless it fails in the end.
        linha_.recusadaPropria = true;
        linha_.motivoRecusa = mensagem;
        return;
    }
    if (linha_.ativa) {
        Perda("recusada", tabela, mensagem);
        return;
    }
    // Outside any row only the destination's key is known.
    linha_.chave = QString("(no destino: %1)").arg(chave);
    Perda("recusada", tabela, mensagem);
    linha_.chave.clear();
}

void TRelatorio::RowWritten(const QString& table, TWriteKind kind, const QString& key) {
    if (!Aberto()) return;
    TabelaInfo& t = Tabela(table);
    if (kind == TWriteKind::Update)
        ++t.atualizadas;
    else
        ++t.inseridas;
    if (!linha_.ativa) return;
    if (linha_.gravadas.size() < kGravadasMaximo && !compartilhadas_.contains(table))
        linha_.gravadas << table + ' ' + key;
    if (const EtapaInfo* etapa = EtapaAtual(); etapa && table == etapa->tabelaDestino)
        linha_.gravouPropria = true;
}

TRelatorio::TabelaInfo& TRelatorio::Tabela(const QString& nome) {
    auto it = indiceTabela_.constFind(nome);
    if (it != indiceTabela_.constEnd()) return tabelas_[*it];
    // Kept in the order of their names: a new table is rare, its counts are written at every commit.
    TabelaInfo nova{nome.toUtf8(), 0, 0, 0};
    auto lugar = std::lower_bound(tabelas_.begin(), tabelas_.end(), nova,
                                  [](const TabelaInfo& a, const TabelaInfo& b) { return a.nome < b.nome; });
    lugar = tabelas_.insert(lugar, std::move(nova));
    IndexarTabelas();
    return *lugar;
}

void TRelatorio::IndexarTabelas() {
    indiceTabela_.clear();
    for (size_t i = 0; i < tabelas_.size(); ++i)
        indiceTabela_.insert(QString::fromUtf8(tabelas_[i].nome), i);
}

bool TRelatorio::Escrever(const char* dados, qint64 tamanho, qint64 onde) {
    // One system call, straight to the system: the file is opened without a buffer of its own.
    while (tamanho > 0) {
        const ssize_t escrito = ::pwrite(arquivo_->handle(), dados, static_cast<size_t>(tamanho), onde);
        if (escrito < 0 && errno == EINTR) continue;
        if (escrito <= 0) {
            motivo_ = QString::fromLocal8Bit(std::strerror(escrito < 0 ? errno : ENOSPC));
            return false;
        }
        dados += escrito;
        tamanho -= escrito;
        onde += escrito;
    }
    return true;
}

void TRelatorio::GravarPerdasSeMuitas() {
    if (pendentes_.size() >= kPendentesMaximo) GravarPerdas();
}

void TRelatorio::GravarPerdas() {
    if (pendentes_.isEmpty()) return;
    if (!Escrever(pendentes_.constData(), pendentes_.size(), fimDasPerdas_)) Falha("linhas");
    fimDasPerdas_ += pendentes_.size();
    pendentes_.clear();
}

void TRelatorio::Committing() {
    if (!Aberto()) return;
    // What the commit keeps of the row under way counts as the row would if it ended now: a
    // customer is committed several times within its own row.
    const Situacao s = Desfecho();
    if (linha_.ativa && s == Situacao::Recusada && !linha_.recusaEscrita) {
        Perda("recusada", EtapaAtual() ? EtapaAtual()->tabelaDestino : QString(), linha_.motivoRecusa);
        linha_.recusaEscrita = true;
    }
    GravarPerdas();
    confirmado_.etapas.clear();
    for (const EtapaInfo& e : etapas_)
        confirmado_.etapas.push_back(e.contagem);
    if (linha_.ativa && !confirmado_.etapas.empty()) {
        if (s == Situacao::Nenhuma && linha_.gravouPropria)
            ++confirmado_.etapas.back().migradas;
        else
            Somar(confirmado_.etapas.back(), s);
    }
    confirmado_.tabelas = tabelas_;
    confirmado_.fimDasPerdas = fimDasPerdas_;
    // The counts follow the lines, to be moved ahead of them when the job ends. They run at every
    // commit (several per customer): built as bytes, and the file cut only when they shrank.
    std::string& bloco = bloco_; // its memory serves every commit
    bloco.clear();
    bloco += '\n';
    Contagens(bloco, confirmado_.etapas);
    bloco += "\nfim da tarefa: em andamento (contagens até o último ponto de confirmação)\n";
    const qint64 tamanho = static_cast<qint64>(bloco.size());
    const qint64 fim = fimDasPerdas_ + tamanho;
    if (!Escrever(bloco.data(), tamanho, fimDasPerdas_) ||
        (fim < inicioDasPerdas_ + tamanhoDoBloco_ && !arquivo_->resize(fim)))
        Falha("contagens");
    if (sincronizar_ && ::fdatasync(arquivo_->handle()) != 0) {
        motivo_ = QString::fromLocal8Bit(std::strerror(errno));
        Falha("contagens");
    }
    tamanhoDoBloco_ = fim - inicioDasPerdas_;
}

QByteArray TRelatorio::Cabecalho(const QString& fim) const {
    QStringList linhas{
        "Relatório de importação " + QDir::toNativeSeparators(tarefa_.origem) + " → " +
            QDir::toNativeSeparators(tarefa_.destino),
        "programa: " + QDir::toNativeSeparators(tarefa_.programa),
        QString("tarefa: %1 (%2)").arg(tarefa_.legenda, tarefa_.nome),
        "início: " + Momento(inicio_),
        "fim: " + fim,
        "origem: " + QDir::toNativeSeparators(tarefa_.origem),
        "destino: " + QDir::toNativeSeparators(tarefa_.destino),
        "etapas marcadas: " +
            (tarefa_.etapas.isEmpty() ? QString("nenhuma (comando avulso)") : tarefa_.etapas.join(", ")),
    };
    return (linhas.join('\n') + '\n').toUtf8();
}

void TRelatorio::Contagens(std::string& out, const std::vector<Contagem>& contagens) const {
    // Built at every commit point (several per customer): appended as bytes, without a text or an
    // allocation of its own per number.
    auto numero = [&out](qint64 n) {
        char digitos[24];
        out.append(digitos, std::to_chars(digitos, digitos + sizeof digitos, n).ptr);
    };
    out += kCabecalhoEtapas;
    for (size_t i = 0; i < etapas_.size(); ++i) {
        const EtapaInfo& e = etapas_[i];
        const Contagem c = i < contagens.size() ? contagens[i] : Contagem{};
        qint64 lidas = e.lidas;
        if (lidas < 0) lidas = e.origem && e.origem->Active() ? e.origem->RecordCount() : 0;
        out.append(e.inicioDaLinha.constData(), static_cast<size_t>(e.inicioDaLinha.size()));
        if (e.naTabela < 0)
            out += '?';
        else
            numero(e.naTabela);
        for (qint64 n : {lidas, c.migradas, c.recusadas, c.comFalha, c.deixadasDeFora,
                         lidas - c.migradas - c.recusadas - c.comFalha - c.deixadasDeFora}) {
            out += '\t';
            numero(n);
        }
        char segundos[32];
        out += '\t';
        out.append(segundos, std::to_chars(segundos, segundos + sizeof segundos,
                                           e.origem ? SegundosDesde(inicioEtapa_) : e.segundos,
                                           std::chars_format::fixed, 2)
                                 .ptr);
        out += '\n';
    }
    out += '\n';
    out += kCabecalhoTabelas;
    for (const TabelaInfo& t : tabelas_) { // by name
        out.append(t.nome.constData(), static_cast<size_t>(t.nome.size()));
        for (qint64 n : {t.inseridas, t.atualizadas, t.recusadas}) {
            out += '\t';
            numero(n);
        }
        out += '\n';
    }
}

void TRelatorio::Finalizar(const QStringList& fim) {
    GravarPerdas(); // the lines still waiting are what the job did (after a stop they are dropped)
    FecharEtapa();
    std::vector<Contagem> contagens;
    for (const EtapaInfo& e : etapas_)
        contagens.push_back(e.contagem);
    QSaveFile final(caminho_);
    if (!final.open(QIODevice::WriteOnly)) Falha("abrir a versão final");
    std::string contagensTexto;
    Contagens(contagensTexto, contagens);
    QByteArray texto = Cabecalho(Momento(QDateTime::currentDateTime())) + '\n' +
                       QByteArray::fromStdString(contagensTexto) + '\n' + kCabecalhoPerdas;
    final.write(texto);
    // The lines of the rows that did not arrive, as written while the job worked.
    if (!arquivo_->seek(inicioDasPerdas_)) Falha("ler as linhas");
    for (qint64 resta = fimDasPerdas_ - inicioDasPerdas_; resta > 0;) {
        const QByteArray parte = arquivo_->read(std::min<qint64>(resta, 1 << 20));
        if (parte.isEmpty()) Falha("ler as linhas");
        final.write(parte);
        resta -= parte.size();
    }
    QStringList linhasFim;
    for (const QString& l : fim + notas_)
        linhasFim << UmaLinha(l);
    final.write(("\nfim da tarefa: " + linhasFim.join('\n') + '\n').toUtf8());
    if (!final.commit()) {
        motivo_ = final.errorString();
        Falha("versão final");
    }
    arquivo_.reset();
}

void TRelatorio::Concluir() {
    if (!Aberto()) return;
    Finalizar({"concluída"});
}

void TRelatorio::Falhar(const QString& mensagem) {
    if (!Aberto()) return;
    QStringList fim{"interrompida por erro", "erro: " + mensagem};
    if (!etapaInterrompida_.isEmpty() || EtapaAtual())
        fim << "etapa: " + (interrompida_ ? etapaInterrompida_ : EtapaAtual()->nome);
    if (interrompida_) {
        const EtapaInfo* etapa = EtapaAtual();
        fim << QString("linha de origem em curso: %1 %2")
                   .arg(etapa ? etapa->tabelaOrigem : QString(), interrompida_->chave);
        fim << "já gravado no destino para ela (remover ou completar à mão): " +
                   (interrompida_->gravadas.isEmpty() ? QString("nada") : interrompida_->gravadas.join("; "));
    } else {
        fim << "linha de origem em curso: nenhuma";
    }
    Finalizar(fim);
}

void TRelatorio::Interromper(const QString& linhaDeParada) {
    if (!Aberto()) return;
    // What the destination rolled back is not in the report either.
    pendentes_.clear();
    fimDasPerdas_ = confirmado_.fimDasPerdas;
    for (size_t i = 0; i < etapas_.size(); ++i)
        etapas_[i].contagem = i < confirmado_.etapas.size() ? confirmado_.etapas[i] : Contagem{};
    tabelas_ = confirmado_.tabelas;
    IndexarTabelas();
    linha_ = {};
    Finalizar({"interrompida por sinal", linhaDeParada});
}
