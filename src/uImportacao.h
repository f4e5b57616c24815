#pragma once
// The migration window: the two connections, every data component of the form definition, the
// event handlers and the routines the migration steps share.

#include "Application.h"
#include "ClientDataSet.h"
#include "DBGrid.h"
#include "IBDatabase.h"
#include "IBQuery.h"
#include "IBTable.h"
#include "Refusals.h"
#include "Relatorio.h"
#include "TableIndex.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class frm_Importacao;
}
class QPushButton;
class QCheckBox;
class QStatusBar;
class QLabel;

class Tfrm_Importacao : public QWidget {
    Q_OBJECT

public:
    explicit Tfrm_Importacao(TApplication& application, QWidget* parent = nullptr);
    ~Tfrm_Importacao() override;

    // --- event handlers -------------------------------------------------------------------
    void FormCreate(QObject* sender);
    void FormShow(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);
    void Button1Click(QObject* sender);
    void btn_Fornecedor_Como_MarcaClick(QObject* sender);
    void btn_CodigoBarraClick(QObject* sender);
    void CDS_CLIENTENewRecord(TDataSet& dataSet);
    void CDS_CRENewRecord(TDataSet& dataSet);
    void CDS_PCRNewRecord(TDataSet& dataSet);
    // A stop signal reached the message loop. The program ends by itself, without a box: at rest
    // as closing the window does, during a job at the job's next row.
    void StopBySignal(int signal);

    // --- shared routines ------------------------------------------------------------------
    int ProximoCodigo(const QString& generator);
    static QString SomenteNumeros(const QString& text);
    static QString CompletarComZeros(int64_t value, int width);
    static QString DataSQL(TDateTime date);
    static QString ExtrairLogradouro(const QString& address);
    static QString ExtrairNumero(const QString& address);
    int RegistrarEndereco(const QString& street, const QString& neighbourhood, const QString& city,
                          const QString& state, const QString& postalCode);
    void RegistrarEnderecoCliente(int owner, const QString& type, int postalAddress, const QString& number);
    void RegistrarEnderecoFornecedor(int owner, const QString& type, int postalAddress,
                                     const QString& number);
    void RegistrarContatoCliente(int owner, int type, const QString& text);
    void RegistrarContatoFornecedor(int owner, int type, const QString& text);
    QString DocumentoUnico(const QString& number);

    // Whether a failure in a guard that goes on row by row belongs to that row alone. A guard may
    // have raised a lost connection again behind its own prefix: the destination itself is asked.
    bool FalhaDaLinha(const std::exception& e) { return IsRowFailure(e) && !DB_DESTINO.ConnectionLost(); }
    // Restarts the identity keys of the tables the job inserted into past the largest key stored.
    // What the destination refused to restart, with the statement that does it, for the job's
    // closing message; empty when nothing is left to do.
    QString ReiniciarIdentidades();

    // --- connections, transactions and free queries ---------------------------------------
    TIBDatabase DB_DESTINO{"DB_DESTINO"};
    TIBDatabase DB_ORIGEM{"DB_ORIGEM"};
    TIBTransaction TR_DESTINO{"TR_DESTINO", DB_DESTINO};
    TIBTransaction TR_ORIGEM{"TR_ORIGEM", DB_ORIGEM};
    TIBQuery QR_DEST{"QR_DEST", DB_DESTINO, TR_DESTINO};
    TIBQuery QR_PROXIMO{"QR_PROXIMO", DB_DESTINO, TR_DESTINO};
    TIBQuery Q_ORIGEM{"Q_ORIGEM", DB_ORIGEM, TR_ORIGEM};

    // Rows the destination refused while this run or command applied them.
    TRefusals Recusas;
    // The report of the job under way, or of the last one.
    TRelatorio Relatorio;

    // --- source client datasets -----------------------------------------------------------
    TClientDataSet CDS_ORIGEM_FUNCIONARIO;
    TClientDataSet CDS_ORIGEM_CLIENTE;
    TClientDataSet CDS_ORIGEM_FORNECEDOR;
    TClientDataSet CDS_ORIGEM_PRODUTO;
    TClientDataSet CDS_ORIGEM_VEN;
    TClientDataSet CDS_ORIGEM_ITV;
    TClientDataSet CDS_ORIGEM_CCO;
    TClientDataSet CDS_ORIGEM_CODIGOBARRA;

    // --- destination client datasets ------------------------------------------------------
    TClientDataSet CDS_CLIENTE;
    TClientDataSet CDS_COMPLEMENTOCLIENTE;
    TClientDataSet CDS_REFERENCIACLIENTE;
    TClientDataSet CDS_ENDERECOCLIENTE;
    TClientDataSet CDS_ENDERECOFORNECEDOR;
    TClientDataSet CDS_CONTATOCLIENTE;
    TClientDataSet CDS_CONTATOFORNECEDOR;
    TClientDataSet CDS_FORNECEDOR;
    TClientDataSet CDS_ITEM;
    TClientDataSet CDS_ITEMEMPRESA;
    TClientDataSet CDS_ITEMLOCAL;
    TClientDataSet CDS_PRECOVENDA;
    TClientDataSet CDS_PRECOCUSTO;
    TClientDataSet CDS_SALDO;
    TClientDataSet CDS_ITEMFORNECEDOR;
    TClientDataSet CDS_VENDA;
    TClientDataSet CDS_ITEMVENDA;
    TClientDataSet CDS_CRE;
    TClientDataSet CDS_PCR;
    TClientDataSet CDS_CODIGOBARRA;

    // --- table components -----------------------------------------------------------------
    TIBTable TBL_FUNCIONARIO;
    TIBTable TBL_BAIRRO;
    TIBTable TBL_CIDADE;
    TIBTable TBL_UF;
    TIBTable TBL_ENDERECOCORREIO;
    TIBTable TBL_GRUPO;
    TIBTable TBL_SUBGRUPO;
    TIBTable TBL_UNIDADE;
    TIBTable TBL_MARCA;

    // --- destination look-ups answered from memory -----------------------------------------
    TTableIndex IDX_SAIDA_NUMERO;
    TTableIndex IDX_SAIDA_NUMERO_EMISSAO;
    TTableIndex IDX_ITEM_ALTERNATIVO;
    TTableIndex IDX_ITEMEMPRESA_ITEM;
    TTableIndex IDX_ITEMLOCAL_ITEMEMPRESA;
    TTableIndex IDX_CONTAARECEBER_DOCUMENTO;
    TTableIndex IDX_CODIGOBARRA_ITEM;

    // --- data sources of the grids --------------------------------------------------------
    TDataSource DS_CLIENTE{"DS_CLIENTE"};
    TDataSource DS_FORNECEDOR{"DS_FORNECEDOR"};
    TDataSource DS_PRODUTO{"DS_PRODUTO"};
    TDataSource DS_CCO{"DS_CCO"};
    TDataSource DS_ORIGEM_FUNCIONARIO{"DS_ORIGEM_FUNCIONARIO"};
    TDataSource DS_ORIGEM_VEN{"DS_ORIGEM_VEN"};
    TDataSource DS_ORIGEM_ITV{"DS_ORIGEM_ITV"};

    // --- widgets (owned by the window) ----------------------------------------------------
    TDBGrid* dbg_Cliente;
    TDBGrid* DBGrid1;
    TDBGrid* dbg_Produto;
    TDBGrid* dbg_ContaCorrente;
    TDBGrid* dbg_Funcionario;
    TDBGrid* dbg_Venda;
    TDBGrid* dbg_ItemVenda;
    QPushButton* Button1;
    QPushButton* btn_Fornecedor_Como_Marca;
    QPushButton* btn_CodigoBarra;
    QCheckBox* chk_Funcionarios;
    QCheckBox* cb_Cliente;
    QCheckBox* chk_Fornecedores;
    QCheckBox* chk_Produtos;
    QCheckBox* chk_Vendas;
    QCheckBox* chk_ContaCorrente;
    QStatusBar* sbrStatus;
    QLabel* sbrStatusPanel0; // the status bar's one panel

    // The run's base date: the earliest sale of the source, or today.
    TDateTime MenorData;

    // Whether the run or a command is working (the buttons are disabled meanwhile).
    bool Ocupado() const { return busy_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // --- the steps of the run, in their order ---------------------------------------------
    void LerMenorData();
    void MigrarFuncionarios();
    void MigrarClientes();
    void MigrarFornecedores();
    void MigrarProdutos();
    void MigrarVendas();
    void MigrarItensVenda();
    // A legacy code of a sale that the destination holds as a number; one that is not a whole
    // number raises an error naming the field, the sale and the value.
    static int CodigoDaVenda(const QString& campo, const QString& venda, const QString& valor);
    void MigrarContaCorrente();

    // --- product classification look-ups: the key of the row found or created, as text ----
    QString RegistrarGrupo();
    QString RegistrarSubGrupo();
    QString RegistrarUnidade();
    QString RegistrarMarca();

    // Runs an event handler: an exception that leaves it is shown in the default error box.
    void Dispatch(const std::function<void()>& handler);
    // Runs the run or a command as the one job: buttons disabled, closing refused, refused rows
    // counted and reported at its end, every legacy row accounted for in the job's report (`nome`
    // names its file). The job does not start when its report cannot be created.
    void RunJob(const QString& nome, const QString& legenda, const QStringList& etapas,
                const std::function<void()>& job);
    // A step of a job begins: the line a stop signal leaves and the job's report follow it.
    // `tabelaOrigem` is the table the step reads, counted on `contagem`'s connection;
    // `tabelaDestino` the table of the step's own rows.
    void IniciarEtapa(const QString& nome, const TDataSet& origem, const QString& tabelaOrigem,
                      TIBQuery& contagem, const QString& tabelaDestino);
    // Drops the clicks, keys and close requests that waited while a job worked.
    void DiscardWaitingInput();
    void SetButtonsEnabled(bool on);

    // Ends the program for a stop signal: during a job what it wrote since its last commit point
    // is rolled back, at rest the destination is committed; both files are detached, one line
    // goes to stderr, and the exit code is 128 + the signal's number.
    void EndBySignal(int signal);
    // After a job's failure: when a connection under it is gone, the text that names each file
    // whose connection was lost, with the failure; those connections are let go. None when no
    // connection was lost.
    std::optional<QString> ConexoesPerdidas(const std::exception& failure);
    // Where the job was: its step and its source row.
    QString WhereStopped() const;

    // The step a job is in and the source set it walks, for the line a stop signal leaves.
    struct Progress {
        QString step;
        const TDataSet* source = nullptr;
    };

    TApplication& application_;
    std::unique_ptr<Ui::frm_Importacao> ui_;
    bool busy_ = false;
    bool shown_ = false;
    bool ending_ = false;
    Progress progress_;
};
