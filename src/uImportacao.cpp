#include "uImportacao.h"

#include "Text.h"
#include "uImportacao_dfm.h"
#include "ui_uImportacao.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <optional>

namespace {
const QStringList kConnectionParams{"user_name=SYSDBA", "password=plumtorch", "lc_ctype=WIN1252"};
} // namespace

Tfrm_Importacao::Tfrm_Importacao(TApplication& application, QWidget* parent)
    : QWidget(parent), Relatorio(application.StopRequest()),
      CDS_ORIGEM_FUNCIONARIO(dfm::CDS_ORIGEM_FUNCIONARIO, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_ORIGEM_CLIENTE(dfm::CDS_ORIGEM_CLIENTE, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_ORIGEM_FORNECEDOR(dfm::CDS_ORIGEM_FORNECEDOR, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_ORIGEM_PRODUTO(dfm::CDS_ORIGEM_PRODUTO, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_ORIGEM_VEN(dfm::CDS_ORIGEM_VEN, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_ORIGEM_ITV(dfm::CDS_ORIGEM_ITV, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_ORIGEM_CCO(dfm::CDS_ORIGEM_CCO, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_ORIGEM_CODIGOBARRA(dfm::CDS_ORIGEM_CODIGOBARRA, DB_ORIGEM, TR_ORIGEM, nullptr),
      CDS_CLIENTE(dfm::CDS_CLIENTE, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_COMPLEMENTOCLIENTE(dfm::CDS_COMPLEMENTOCLIENTE, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_REFERENCIACLIENTE(dfm::CDS_REFERENCIACLIENTE, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_ENDERECOCLIENTE(dfm::CDS_ENDERECOCLIENTE, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_ENDERECOFORNECEDOR(dfm::CDS_ENDERECOFORNECEDOR, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_CONTATOCLIENTE(dfm::CDS_CONTATOCLIENTE, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_CONTATOFORNECEDOR(dfm::CDS_CONTATOFORNECEDOR, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_FORNECEDOR(dfm::CDS_FORNECEDOR, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_ITEM(dfm::CDS_ITEM, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_ITEMEMPRESA(dfm::CDS_ITEMEMPRESA, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_ITEMLOCAL(dfm::CDS_ITEMLOCAL, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_PRECOVENDA(dfm::CDS_PRECOVENDA, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_PRECOCUSTO(dfm::CDS_PRECOCUSTO, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_SALDO(dfm::CDS_SALDO, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_ITEMFORNECEDOR(dfm::CDS_ITEMFORNECEDOR, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_VENDA(dfm::CDS_VENDA, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_ITEMVENDA(dfm::CDS_ITEMVENDA, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_CRE(dfm::CDS_CRE, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_PCR(dfm::CDS_PCR, DB_DESTINO, TR_DESTINO, &Recusas),
      CDS_CODIGOBARRA(dfm::CDS_CODIGOBARRA, DB_DESTINO, TR_DESTINO, &Recusas),
      TBL_FUNCIONARIO(dfm::TBL_FUNCIONARIO, DB_DESTINO, TR_DESTINO),
      TBL_BAIRRO(dfm::TBL_BAIRRO, DB_DESTINO, TR_DESTINO),
      TBL_CIDADE(dfm::TBL_CIDADE, DB_DESTINO, TR_DESTINO), TBL_UF(dfm::TBL_UF, DB_DESTINO, TR_DESTINO),
      TBL_ENDERECOCORREIO(dfm::TBL_ENDERECOCORREIO, DB_DESTINO, TR_DESTINO),
      TBL_GRUPO(dfm::TBL_GRUPO, DB_DESTINO, TR_DESTINO),
      TBL_SUBGRUPO(dfm::TBL_SUBGRUPO, DB_DESTINO, TR_DESTINO),
      TBL_UNIDADE(dfm::TBL_UNIDADE, DB_DESTINO, TR_DESTINO),
      TBL_MARCA(dfm::TBL_MARCA, DB_DESTINO, TR_DESTINO),
      IDX_SAIDA_NUMERO(dfm::IDX_SAIDA_NUMERO, DB_DESTINO, TR_DESTINO),
      IDX_SAIDA_NUMERO_EMISSAO(dfm::IDX_SAIDA_NUMERO_EMISSAO, DB_DESTINO, TR_DESTINO),
      IDX_ITEM_ALTERNATIVO(dfm::IDX_ITEM_ALTERNATIVO, DB_DESTINO, TR_DESTINO),
      IDX_ITEMEMPRESA_ITEM(dfm::IDX_ITEMEMPRESA_ITEM, DB_DESTINO, TR_DESTINO),
      IDX_ITEMLOCAL_ITEMEMPRESA(dfm::IDX_ITEMLOCAL_ITEMEMPRESA, DB_DESTINO, TR_DESTINO),
      IDX_CONTAARECEBER_DOCUMENTO(dfm::IDX_CONTAARECEBER_DOCUMENTO, DB_DESTINO, TR_DESTINO),
      IDX_CODIGOBARRA_ITEM(dfm::IDX_CODIGOBARRA_ITEM, DB_DESTINO, TR_DESTINO), application_(application),
      ui_(std::make_unique<Ui::frm_Importacao>()) {
    ui_->setupUi(this);
    dbg_Cliente = ui_->dbg_Cliente;
    DBGrid1 = ui_->DBGrid1;
    dbg_Produto = ui_->dbg_Produto;
    dbg_ContaCorrente = ui_->dbg_ContaCorrente;
    dbg_Funcionario = ui_->dbg_Funcionario;
    dbg_Venda = ui_->dbg_Venda;
    dbg_ItemVenda = ui_->dbg_ItemVenda;
    Button1 = ui_->Button1;
    btn_Fornecedor_Como_Marca = ui_->btn_Fornecedor_Como_Marca;
    btn_CodigoBarra = ui_->btn_CodigoBarra;
    chk_Funcionarios = ui_->chk_Funcionarios;
    cb_Cliente = ui_->cb_Cliente;
    chk_Fornecedores = ui_->chk_Fornecedores;
    chk_Produtos = ui_->chk_Produtos;
    chk_Vendas = ui_->chk_Vendas;
    chk_ContaCorrente = ui_->chk_ContaCorrente;
    sbrStatus = ui_->sbrStatus;
    sbrStatusPanel0 = new QLabel(sbrStatus);
    sbrStatusPanel0->setFixedWidth(50);
    sbrStatus->addWidget(sbrStatusPanel0);
    setFixedSize(1908, 800);

    for (TIBDatabase* db : {&DB_DESTINO, &DB_ORIGEM}) {
        db->Params = kConnectionParams;
        db->LoginPrompt = false;
        db->SetStopRequest(application_.StopRequest());
    }
    // The legacy file is only read: its old record versions stay where they are, and its pages
    // are not rewritten under the operator's only copy of the old store.
    DB_ORIGEM.Params << "no_garbage_collect";
    DB_DESTINO.SetDefaultTransaction(&TR_DESTINO);
    DB_ORIGEM.SetDefaultTransaction(&TR_ORIGEM);

    const std::pair<TDataSource*, TClientDataSet*> sources[] = {
        {&DS_CLIENTE, &CDS_ORIGEM_CLIENTE},
        {&DS_FORNECEDOR, &CDS_ORIGEM_FORNECEDOR},
        {&DS_PRODUTO, &CDS_ORIGEM_PRODUTO},
        {&DS_CCO, &CDS_ORIGEM_CCO},
        {&DS_ORIGEM_FUNCIONARIO, &CDS_ORIGEM_FUNCIONARIO},
        {&DS_ORIGEM_VEN, &CDS_ORIGEM_VEN},
        {&DS_ORIGEM_ITV, &CDS_ORIGEM_ITV}};
    for (auto [ds, cds] : sources)
        ds->DataSet = cds;
    dbg_Cliente->SetDataSource(DS_CLIENTE);
    DBGrid1->SetDataSource(DS_FORNECEDOR);
    dbg_Produto->SetDataSource(DS_PRODUTO);
    dbg_ContaCorrente->SetDataSource(DS_CCO);
    dbg_Funcionario->SetDataSource(DS_ORIGEM_FUNCIONARIO);
    dbg_Venda->SetDataSource(DS_ORIGEM_VEN);
    dbg_ItemVenda->SetDataSource(DS_ORIGEM_ITV);

    QStringList compartilhadas;
    for (const TIBTable* t : {&TBL_BAIRRO, &TBL_CIDADE, &TBL_UF, &TBL_ENDERECOCORREIO, &TBL_GRUPO,
                              &TBL_SUBGRUPO, &TBL_UNIDADE, &TBL_MARCA})
        compartilhadas << t->TableName();
    Relatorio.Compartilhadas(compartilhadas);
    // Every refusal recorded reaches the job's report (between jobs none is open).
    Recusas.OnRecord = [this](const QString& table, const QString& key, const QString& message) {
        Relatorio.Recusa(table, key, message);
    };

    CDS_CLIENTE.OnNewRecord = [this](TDataSet& ds) { CDS_CLIENTENewRecord(ds); };
    CDS_CRE.OnNewRecord = [this](TDataSet& ds) { CDS_CRENewRecord(ds); };
    CDS_PCR.OnNewRecord = [this](TDataSet& ds) { CDS_PCRNewRecord(ds); };
    // The contact search runs for every customer contact over every contact registered since
    // the program started: an index keeps it from scanning them.
    CDS_CONTATOCLIENTE.AddIndex("CCI_CODIGO_CLIENTE;CCI_CODIGO_TIPO_CONTATO;CCI_NOME", loCaseInsensitive);
    CDS_CONTATOFORNECEDOR.AddIndex("CFO_CODIGO_FORNECEDOR;CFO_CODIGO_TIPO_CONTATO;CFO_NOME",
                                   loCaseInsensitive);
    // The bar-code command reopens its set after every bar code: its statement, which selects the
    // bar codes of product 0, is not run again while the destination holds none.
    CDS_CODIGOBARRA.SelectsNothing = [this] {
        return IDX_CODIGOBARRA_ITEM.InMemory() && !IDX_CODIGOBARRA_ITEM.Exists({int64_t{0}});
    };

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(this); });
    connect(btn_Fornecedor_Como_Marca, &QPushButton::clicked, this,
            [this] { btn_Fornecedor_Como_MarcaClick(this); });
    connect(btn_CodigoBarra, &QPushButton::clicked, this, [this] { btn_CodigoBarraClick(this); });

    Dispatch([this] { FormCreate(this); });
}

Tfrm_Importacao::~Tfrm_Importacao() {
    // The grids read the datasets, and the datasets go before the window's children: the grids
    // must go first.
    for (TDBGrid* grid : findChildren<TDBGrid*>())
        delete grid;
}

void Tfrm_Importacao::Dispatch(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        application_.ShowException(e);
    }
}

void Tfrm_Importacao::SetButtonsEnabled(bool on) {
    for (QPushButton* b : {Button1, btn_Fornecedor_Como_Marca, btn_CodigoBarra})
        b->setEnabled(on);
}

void Tfrm_Importacao::RunJob(const QString& nome, const QString& legenda, const QStringList& etapas,
                             const std::function<void()>& job) {
    if (busy_ || ending_) return; // one run or command at a time
    const QFileInfo destino(DB_DESTINO.DatabaseName);
    try {
        Relatorio.Abrir(destino.absolutePath(),
                        {nome, legenda, etapas, application_.ExeName(),
                         QFileInfo(DB_ORIGEM.DatabaseName).absoluteFilePath(), destino.absoluteFilePath()});
    } catch (const std::exception& e) {
        application_.ShowException(e); // nothing was written: the job does not start
        return;
    }
    try {
        Relatorio.Sincronizar(DB_DESTINO.Connected() && DB_DESTINO.Attachment().ForcedWrites());
    } catch (const std::exception&) {
        Relatorio.Sincronizar(true); // unknown: the safe way
    }
    const QString relatorio = "Relatório: " + QDir::toNativeSeparators(Relatorio.Caminho());
    busy_ = true;
    progress_ = {};
    SetButtonsEnabled(false);
    Recusas.Clear();
    DB_DESTINO.SetJournal(&Relatorio);
    std::optional<QString> erro;
    try {
        job();
    } catch (const EStopRequested&) {
        // the job stopped for a signal: the program ends below
    } catch (const std::exception& e) {
        // A lost connection is told as one, whatever code its failure carries.
        erro = ConexoesPerdidas(e).value_or(ExceptionMessage(e));
    }
    DB_DESTINO.SetJournal(nullptr);
    QString identidades;
    if (!application_.StopRequested()) {
        try {
            identidades = ReiniciarIdentidades();
        } catch (const std::exception& e) {
            erro = (erro ? *erro + '\n' : QString()) + ExceptionMessage(e);
        }
        // The report is whole before any box waits for the operator.
        try {
            if (!identidades.isEmpty()) Relatorio.Nota(identidades);
            if (erro)
                Relatorio.Falhar(*erro);
            else
                Relatorio.Concluir();
        } catch (const std::exception& e) {
            erro = (erro ? *erro + '\n' : QString()) + ExceptionMessage(e);
        }
        if (erro) application_.Show(ErrorBoxText(*erro) + '\n' + relatorio, TMsgIcon::Error);
        // Look-ups held in memory are let go: the next job reads what the destination holds then.
        DB_DESTINO.ReleaseHeldRows();
        DiscardWaitingInput();
    }
    // A stop signal that came while the job worked, or while its error box waited, ends the
    // program as one that stopped the job does.
    if (const int signal = application_.StopRequested()) {
        EndBySignal(signal);
        return;
    }
    busy_ = false;
    SetButtonsEnabled(true);
    QStringList fim;
    if (!Recusas.IsEmpty()) fim << Recusas.Summary();
    if (!identidades.isEmpty()) fim << identidades;
    if (!fim.isEmpty()) application_.Show(fim.join("\n\n") + "\n\n" + relatorio, TMsgIcon::Information);
}

void Tfrm_Importacao::IniciarEtapa(const QString& nome, const TDataSet& origem, const QString& tabelaOrigem,
                                   TIBQuery& contagem, const QString& tabelaDestino) {
    progress_ = {nome, &origem};
    contagem.Close();
    contagem.SetSQL("SELECT COUNT(*) AS LINHAS FROM " + tabelaOrigem);
    contagem.Open();
    const qint64 naTabela = contagem.FieldByName("LINHAS").AsLargeInt();
    contagem.Close();
    Relatorio.Etapa(nome, tabelaOrigem, naTabela, &origem, tabelaDestino);
}

void Tfrm_Importacao::DiscardWaitingInput() {
    // What the operator did while the job held the window (the bar-code command lets no message
    // through) waits for it: a click on "REALIZAR IMPORTAÇÃO" would start a second run, a click on
    // a step box would change the next run, a close request would close it. It is dropped before
    // the buttons come back; the rest of what waits is delivered.
    application_.DiscardWaitingInput(*this);
}

void Tfrm_Importacao::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_ || event->spontaneous()) return;
    shown_ = true;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    Dispatch([this] { FormShow(this); });
}

void Tfrm_Importacao::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore(); // the run's datasets must not be closed under it
        return;
    }
    bool canClose = true;
    bool failed = true;
    Dispatch([&] {
        FormCloseQuery(this, canClose);
        failed = false;
    });
    if (canClose && !failed)
        event->accept();
    else
        event->ignore();
}

void Tfrm_Importacao::FormCreate(QObject*) {
    DB_DESTINO.SetConnected(false);
    DB_ORIGEM.SetConnected(false);
}

void Tfrm_Importacao::FormShow(QObject*) {
    DB_DESTINO.DatabaseName = FileBesideExecutable(application_.ExeName(), "KELMOR.FDB");
    DB_ORIGEM.DatabaseName = FileBesideExecutable(application_.ExeName(), "LOJA.GDB");
    DB_DESTINO.SetConnected(true);
    DB_ORIGEM.SetConnected(true);
}

void Tfrm_Importacao::Button1Click(QObject*) {
    // The steps in their order: box, source set, legacy table, the table of the step's own rows.
    struct Etapa {
        QCheckBox* marcada;
        QString nome;
        const TDataSet& origem;
        const char* tabelaOrigem;
        const char* tabelaDestino;
        void (Tfrm_Importacao::*migrar)();
    };
    const Etapa etapas[] = {
        {chk_Funcionarios, "Funcionários", CDS_ORIGEM_FUNCIONARIO, "LJ_FUNC", "SCA_FUNCIONARIO",
         &Tfrm_Importacao::MigrarFuncionarios},
        {cb_Cliente, "Clientes", CDS_ORIGEM_CLIENTE, "LJ_CLIEN", "SCA_CLIENTE",
         &Tfrm_Importacao::MigrarClientes},
        {chk_Fornecedores, "Fornecedores", CDS_ORIGEM_FORNECEDOR, "LJ_FORNE", "SCA_FORNECEDOR",
         &Tfrm_Importacao::MigrarFornecedores},
        {chk_Produtos, "Produtos", CDS_ORIGEM_PRODUTO, "LJ_ITENS", "SCA_ITEM",
         &Tfrm_Importacao::MigrarProdutos},
        {chk_Vendas, "Vendas", CDS_ORIGEM_VEN, "LJ_VENDA", "SCA_SAIDA", &Tfrm_Importacao::MigrarVendas},
        // also when no sale header was selected
        {chk_Vendas, "Vendas (itens)", CDS_ORIGEM_ITV, "LJ_ITVEN", "SCA_ITEMSAIDA",
         &Tfrm_Importacao::MigrarItensVenda},
        {chk_ContaCorrente, "Conta Corrente", CDS_ORIGEM_CCO, "LJ_LANCA", "SCA_CONTAARECEBER",
         &Tfrm_Importacao::MigrarContaCorrente},
    };
    QStringList marcadas;
    for (QCheckBox* box :
         {chk_Funcionarios, cb_Cliente, chk_Fornecedores, chk_Produtos, chk_Vendas, chk_ContaCorrente})
        if (box->isChecked()) marcadas << box->text();
    RunJob("importacao", Button1->text(), marcadas, [&] {
        LerMenorData();
        for (const Etapa& etapa : etapas) {
            if (!etapa.marcada->isChecked()) continue;
            IniciarEtapa(etapa.nome, etapa.origem, etapa.tabelaOrigem, Q_ORIGEM, etapa.tabelaDestino);
            (this->*etapa.migrar)();
        }
    });
}

void Tfrm_Importacao::LerMenorData() {
    Q_ORIGEM.Close();
    Q_ORIGEM.SetSQL("SELECT MIN(VEN_DATA_EMISSAO) AS MENOR_DATA FROM LJ_VENDA");
    Q_ORIGEM.Open();
    TDateTime menor = Q_ORIGEM.FieldByName("MENOR_DATA").AsDateTime();
    Q_ORIGEM.Close();
    MenorData = menor.value > 0 ? menor : Date();
}
