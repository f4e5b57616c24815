// Step 4: every legacy product with a description becomes an item of company 1 with its company
// and storage-location rows, its sale price, cost history and stock balance when positive, and a
// link to its supplier when the destination knows that supplier. Each product is guarded on its
// own: a failure of its rows names the product and the step goes on with the next one; a failure
// of the database itself ends the run.
#include "Padroes.h"
#include "Text.h"
#include "uImportacao.h"

namespace {
struct Produto {
    QString alternativo; // the product's own code
    QString grupo, subgrupo, unidade, marca;
};

// The item, its company row and its location row are what every later row of the product points
// to: one the destination refused would leave them pointing at nothing, or at another item.
void AplicarBase(Tfrm_Importacao& f, TClientDataSet& cds) {
    cds.Post();
    if (cds.ApplyUpdates(0) > 0)
        throw Exception("Registro recusado pelo banco de destino na tabela " + cds.TableName() + ": " +
                        f.Recusas.LastMessage());
}

void AplicarEReabrir(TClientDataSet& cds) {
    cds.Post();
    cds.ApplyUpdates(0); // a refusal is recorded by the set and reported at the end of the run
    ReabrirSeCheio(cds);
}

// The code the sale items and the bar codes find the product again by. One its column cannot hold
// whole (a negative legacy code of ten digits) would be stored cut short, maybe as another
// product's code: the product fails instead.
QString CodigoAlternativo(Tfrm_Importacao& f) {
    const QString codigo = Tfrm_Importacao::CompletarComZeros(
        f.CDS_ORIGEM_PRODUTO.FieldByName("ITE_CODIGO_GEN").AsInteger(), 10);
    const TField& campo = f.CDS_ITEM.FieldByName("ITE_CODIGO_ALTERNATIVO");
    if (codigo.size() > campo.Size())
        throw EColumnRangeError(QString("'%1' does not fit column %2").arg(codigo, campo.FieldName()));
    return codigo;
}

void IncluirItem(Tfrm_Importacao& f, const Produto& c) {
    TClientDataSet& o = f.CDS_ORIGEM_PRODUTO;
    TClientDataSet& d = f.CDS_ITEM;
    d.Insert();
    d.FieldByName("ITE_PK_ITEM").SetAsInteger(f.ProximoCodigo("GEN_ITE_PK_ITEM"));
    d.FieldByName("ITE_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
    d.FieldByName("ITE_CODIGO_GRUPO").SetAsInteger(StrToInt(c.grupo));
    d.FieldByName("ITE_CODIGO_SUBGRUPO").SetAsInteger(StrToInt(c.subgrupo));
    d.FieldByName("ITE_CODIGO_MARCA").SetAsInteger(StrToInt(c.marca));
    d.FieldByName("ITE_CODIGO_PAIS").SetAsInteger(1);
    d.FieldByName("ITE_REFERENCIA").SetAsString(Trim(o.FieldByName("ITE_CODIGO").AsString()));
    d.FieldByName("ITE_CLASSIFICA_LISTA").SetAsInteger(0);
    d.FieldByName("ITE_DESCRICAO").SetAsString(Trim(o.FieldByName("ITE_DESCRICAO").AsString()));
    d.FieldByName("ITE_PESO_LIQUIDO").SetAsCurrency({});
    d.FieldByName("ITE_PESO_BRUTO").SetAsCurrency({});
    d.FieldByName("ITE_EMBALAGEM").SetAsInteger(0);
    d.FieldByName("ITE_ISENTO_PISCOFINS").SetAsString("N");
    d.FieldByName("ITE_CODIGO_CLASSIFICACAO_FISCAL").SetAsInteger(1);
    d.FieldByName("ITE_DT_INCLUSAO").SetAsDateTime(f.MenorData);
    d.FieldByName("ITE_HR_INCLUSAO").SetAsDateTime(Time());
    d.FieldByName("ITE_ORIGEM_MERCADORIA").SetAsString("0");
    d.FieldByName("ITE_SOLICITAR_NRSERIE_NFENTRADA").SetAsString("N");
    d.FieldByName("ITE_CODIGO_USUARIO_INC").SetAsInteger(0);
    d.FieldByName("ITE_PERC_MVA_ST").SetAsCurrency({});
    d.FieldByName("ITE_PERC_MVA_ST_EXTERNO").SetAsCurrency({});
    d.FieldByName("ITE_CODIGO_ALTERNATIVO").SetAsString(c.alternativo);
    d.FieldByName("ITE_UTILIZA_LOTE").SetAsString("N");
    d.FieldByName("ITE_DISPONIVEL_NO_SITE").SetAsString("N");
    d.FieldByName("ITE_ENVIAR_LOTE_NFE").SetAsString("N");
    AplicarBase(f, d);
}

void IncluirItemEmpresa(Tfrm_Importacao& f, const Produto& c) {
    TClientDataSet& o = f.CDS_ORIGEM_PRODUTO;
    TClientDataSet& item = f.CDS_ITEM;
    TClientDataSet& d = f.CDS_ITEMEMPRESA;
    d.Insert();
    d.FieldByName("IEM_PK_ITEMEMPRESA").SetAsInteger(f.ProximoCodigo("GEN_IEM_PK_ITEMEMPRESA"));
    d.FieldByName("IEM_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
    d.FieldByName("IEM_CODIGO_EMPRESA").SetAsInteger(1);
    d.FieldByName("IEM_CODIGO_ITEM").SetAsInteger(item.FieldByName("ITE_PK_ITEM").AsInteger());
    d.FieldByName("IEM_CODIGO_EVENTO_ANALITICO_REC").SetAsInteger(1);
    d.FieldByName("IEM_CODIGO_EVENTO_ANALITICO_EST").SetAsInteger(188);
    d.FieldByName("IEM_CODIGO_EVENTO_ANALITICO_CMV").SetAsInteger(164);
    d.FieldByName("IEM_CODIGO_CENTRO_CUSTO").SetAsInteger(2);
    d.FieldByName("IEM_CODIGO_UNIDADE").SetAsString(c.unidade); // the 16-bit column converts it
    d.FieldByName("IEM_QTD_ESTOQUE_MINIMO").SetAsCurrency(o.FieldByName("ITE_ESTOQUE_MINIMO").AsCurrency());
    d.FieldByName("IEM_QTD_ESTOQUE_MAXIMO").SetAsCurrency(o.FieldByName("ITE_ESTOQUE_MAXIMO").AsCurrency());
    d.FieldByName("IEM_IMPRIME_TABPRECO").SetAsString("S");
    d.FieldByName("IEM_UTILIZA_LOTE").SetAsString("N");
    d.FieldByName("IEM_ALTERA_PRECO_NFENTRADA").SetAsString("N");
    d.FieldByName("IEM_ALTERADO").SetAsString("N");
    d.FieldByName("IEM_POSSE").SetAsString("1");
    d.FieldByName("IEM_CODIGO_USUARIO_INC")
        .SetAsInteger(item.FieldByName("ITE_CODIGO_USUARIO_INC").AsInteger());
    d.FieldByName("IEM_DT_INCLUSAO").SetAsDateTime(item.FieldByName("ITE_DT_INCLUSAO").AsDateTime());
    d.FieldByName("IEM_HR_INCLUSAO").SetAsDateTime(item.FieldByName("ITE_HR_INCLUSAO").AsDateTime());
    d.FieldByName("IEM_PRAZO_COMPRA").SetAsInteger(0);
    d.FieldByName("IEM_LIBERAR_SALDO_NEGATIVO").SetAsString("N");
    d.FieldByName("IEM_LIBERAR_PARA_VENDA").SetAsString("S");
    d.FieldByName("IEM_PERMITE_DESCONTO").SetAsString("S");
    d.FieldByName("IEM_ATIVO").SetAsString("S");
    // A last sale at or before the zero date (an absent one included) is left unwritten.
    TDateTime ultimaVenda = o.FieldByName("ITE_DATA_ULTIMA_VENDA").AsDateTime();
    if (ultimaVenda > TDateTime{}) d.FieldByName("IEM_DT_ULTIMA_VENDA").SetAsDateTime(ultimaVenda);
    AplicarBase(f, d);
}

void IncluirItemLocal(Tfrm_Importacao& f) {
    TClientDataSet& item = f.CDS_ITEM;
    TClientDataSet& d = f.CDS_ITEMLOCAL;
    d.Insert();
    d.FieldByName("ILE_PK_ITEMLOCALEMPRESA").SetAsInteger(f.ProximoCodigo("GEN_ILE_PK_ITEMLOCALEMPRESA"));
    d.FieldByName("ILE_CODIGO_ITEMEMPRESA")
        .SetAsInteger(f.CDS_ITEMEMPRESA.FieldByName("IEM_PK_ITEMEMPRESA").AsInteger());
    d.FieldByName("ILE_CODIGO_LOCALARMAZENAMENTO").SetAsInteger(1);
    d.FieldByName("ILE_CODIGO_ITEM").SetAsInteger(item.FieldByName("ITE_PK_ITEM").AsInteger());
    d.FieldByName("ILE_CODIGO_USUARIO_INC")
        .SetAsInteger(item.FieldByName("ITE_CODIGO_USUARIO_INC").AsInteger());
    d.FieldByName("ILE_DT_INCLUSAO").SetAsDateTime(item.FieldByName("ITE_DT_INCLUSAO").AsDateTime());
    d.FieldByName("ILE_HR_INCLUSAO").SetAsDateTime(item.FieldByName("ITE_HR_INCLUSAO").AsDateTime());
    AplicarBase(f, d);
}

void IncluirPrecoVenda(Tfrm_Importacao& f, TCurrency preco) {
    TClientDataSet& d = f.CDS_PRECOVENDA;
    d.Insert();
    d.FieldByName("TPI_PK_TABELAPRECOITEMEMPRESA")
        .SetAsInteger(f.ProximoCodigo("GEN_TPI_PK_TABELAPRITEMEMP"));
    d.FieldByName("TPI_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
    d.FieldByName("TPI_CODIGO_EMPRESA").SetAsInteger(1);
    d.FieldByName("TPI_CODIGO_TIPOPRECO").SetAsInteger(2);
    d.FieldByName("TPI_CODIGO_ITEM").SetAsInteger(f.CDS_ITEM.FieldByName("ITE_PK_ITEM").AsInteger());
    d.FieldByName("TPI_CODIGO_ITEMEMPRESA")
        .SetAsInteger(f.CDS_ITEMEMPRESA.FieldByName("IEM_PK_ITEMEMPRESA").AsInteger());
    d.FieldByName("TPI_DT_VALIDADE").SetAsDateTime(f.MenorData);
    d.FieldByName("TPI_PRECO").SetAsCurrency(preco);
    d.FieldByName("TPI_CODIGO_USUARIO_INC").SetAsInteger(0);
    d.FieldByName("TPI_DT_INCLUSAO").SetAsDateTime(f.MenorData);
    d.FieldByName("TPI_HR_INCLUSAO").SetAsDateTime(Time());
    d.FieldByName("TPI_LOCAL_INCLUSAO").SetAsString("CAD");
    AplicarEReabrir(d);
}

void IncluirCusto(Tfrm_Importacao& f, TCurrency custo) {
    TClientDataSet& d = f.CDS_PRECOCUSTO;
    d.Insert();
    d.FieldByName("HCL_PK_HISTORICOCUSTOLIQUIDO").SetAsInteger(f.ProximoCodigo("GEN_HCL_PK_HISTORICOCUSTO"));
    d.FieldByName("HCL_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
    d.FieldByName("HCL_CODIGO_EMPRESA").SetAsInteger(1);
    d.FieldByName("HCL_CODIGO_ITEM").SetAsInteger(f.CDS_ITEM.FieldByName("ITE_PK_ITEM").AsInteger());
    d.FieldByName("HCL_CODIGO_ITEMEMPRESA")
        .SetAsInteger(f.CDS_ITEMEMPRESA.FieldByName("IEM_PK_ITEMEMPRESA").AsInteger());
    d.FieldByName("HCL_CODIGO_ITEMLOCAL")
        .SetAsInteger(f.CDS_ITEMLOCAL.FieldByName("ILE_PK_ITEMLOCALEMPRESA").AsInteger());
    d.FieldByName("HCL_VLR_CUSTOLIQUIDO").SetAsCurrency(custo);
    d.FieldByName("HCL_VLR_UNITARIO").SetAsCurrency(custo);
    d.FieldByName("HCL_VLR_EFETIVO").SetAsCurrency(custo);
    d.FieldByName("HCL_CODIGO_LOCAL").SetAsInteger(1);
    d.FieldByName("HCL_CODIGO_USUARIO_INC").SetAsInteger(0);
    d.FieldByName("HCL_DT_INCLUSAO").SetAsDateTime(f.MenorData);
    d.FieldByName("HCL_HR_INCLUSAO").SetAsDateTime(Time());
    AplicarEReabrir(d);
}

// The opening balance: the quantity entered today at the net cost, whatever the cost's sign.
void IncluirSaldo(Tfrm_Importacao& f, TCurrency quantidade, TCurrency custo) {
    TClientDataSet& d = f.CDS_SALDO;
    d.Insert();
    d.FieldByName("SIE_PK_SALDOITEMEMPRESA").SetAsInteger(f.ProximoCodigo("GEN_SIE_PK_SALDOITEMEMPRESA"));
    d.FieldByName("SIE_CODIGO_ITEMEMPRESA")
        .SetAsInteger(f.CDS_ITEMEMPRESA.FieldByName("IEM_PK_ITEMEMPRESA").AsInteger());
    d.FieldByName("SIE_CODIGO_ITEMLOCALEMPRESA")
        .SetAsInteger(f.CDS_ITEMLOCAL.FieldByName("ILE_PK_ITEMLOCALEMPRESA").AsInteger());
    d.FieldByName("SIE_DT_LANCAMENTO").SetAsDateTime(Date());
    d.FieldByName("SIE_SALDO_ANTERIOR").SetAsCurrency({});
    d.FieldByName("SIE_QTD_ENTRADAS").SetAsCurrency(quantidade);
    d.FieldByName("SIE_VLR_ENTRADAS").SetAsCurrency(custo * quantidade); // rounded once, then cut
    d.FieldByName("SIE_ACUMULA_ENTRADAS").SetAsCurrency({});
    d.FieldByName("SIE_QTD_SAIDAS_PESSOAJURIDICA").SetAsCurrency({});
    d.FieldByName("SIE_QTD_SAIDAS_PESSOAFISICA").SetAsCurrency({});
    d.FieldByName("SIE_SALDO_ATUAL").SetAsCurrency(quantidade);
    d.FieldByName("SIE_PRECO_MEDIO").SetAsCurrency(custo);
    AplicarEReabrir(d);
}

void IncluirItemFornecedor(Tfrm_Importacao& f, int fornecedor) {
    TClientDataSet& d = f.CDS_ITEMFORNECEDOR;
    d.Insert();
    d.FieldByName("IFO_PK_ITEMFORNECEDOR").SetAsInteger(f.ProximoCodigo("GEN_IFO_PK_ITEMFORNECEDOR"));
    d.FieldByName("IFO_CODIGO_ITEM").SetAsInteger(f.CDS_ITEM.FieldByName("ITE_PK_ITEM").AsInteger());
    d.FieldByName("IFO_CODIGO_FORNECEDOR").SetAsInteger(fornecedor);
    d.FieldByName("IFO_INCLUIDO_PELO_SISTEMA").SetAsString("S");
    d.FieldByName("IFO_CODIGO_USUARIO_INC").SetAsInteger(0);
    d.FieldByName("IFO_DT_INCLUSAO").SetAsDateTime(f.MenorData);
    d.FieldByName("IFO_HR_INCLUSAO").SetAsDateTime(Time());
    AplicarEReabrir(d);
}

// The link is written only for a supplier the destination holds. A code that is not a number
// fails the product; a link whose row fails (a value its column cannot take) is dropped with the
// set's unapplied changes and recorded as refused, while a failure that is not the row's own (the
// database itself, a key beyond 32 bits) ends the run.
void VincularFornecedor(Tfrm_Importacao& f) {
    const int fornecedor = StrToInt(f.CDS_ORIGEM_PRODUTO.FieldByName("ITE_CODIGO_FORNE").AsString());
    if (fornecedor <= 0) return;
    f.QR_DEST.Close();
    f.QR_DEST.SetSQL("SELECT FOR_CODIGO FROM SCA_FORNECEDOR WHERE FOR_CODIGO = ?", {int64_t(fornecedor)});
    f.QR_DEST.Open();
    if (f.QR_DEST.IsEmpty()) return;
    try {
        IncluirItemFornecedor(f, fornecedor);
    } catch (const std::exception& e) {
        f.CDS_ITEMFORNECEDOR.CancelUpdates();
        if (!f.FalhaDaLinha(e)) throw;
        f.Recusas.Record(
            f.CDS_ITEMFORNECEDOR.TableName(),
            QString("%1;%2").arg(f.CDS_ITEM.FieldByName("ITE_PK_ITEM").AsString()).arg(fornecedor),
            ExceptionMessage(e));
    }
}

void GravarProduto(Tfrm_Importacao& f, const Produto& c) {
    TClientDataSet& o = f.CDS_ORIGEM_PRODUTO;
    IncluirItem(f, c);
    IncluirItemEmpresa(f, c);
    IncluirItemLocal(f);
    const TCurrency preco = o.FieldByName("PRECO_VENDA").AsCurrency();
    const TCurrency custo = o.FieldByName("ITE_CUSTO_LIQUIDO").AsCurrency();
    const TCurrency saldo = o.FieldByName("ITE_SALDO_TOTAL").AsCurrency();
    if (preco > TCurrency{}) IncluirPrecoVenda(f, preco);
    if (custo > TCurrency{}) IncluirCusto(f, custo);
    if (saldo > TCurrency{}) IncluirSaldo(f, saldo, custo);
    VincularFornecedor(f);
    // The location and company rows of the items go with them.
    if (PassouDoLimite(f.CDS_ITEM))
        for (TClientDataSet* cds : {&f.CDS_ITEM, &f.CDS_ITEMEMPRESA, &f.CDS_ITEMLOCAL})
            Reabrir(*cds);
}
} // namespace

void Tfrm_Importacao::MigrarProdutos() {
    TClientDataSet& origem = CDS_ORIGEM_PRODUTO;
    origem.Open();
    if (origem.IsEmpty()) return;
    TClientDataSet* const conjuntos[] = {&CDS_ITEM,          &CDS_ITEMEMPRESA, &CDS_ITEMLOCAL,
                                         &CDS_PRECOVENDA,    &CDS_PRECOCUSTO,  &CDS_SALDO,
                                         &CDS_ITEMFORNECEDOR};
    TIBTable* const tabelas[] = {&TBL_GRUPO, &TBL_SUBGRUPO, &TBL_UNIDADE, &TBL_MARCA};
    for (TClientDataSet* cds : conjuntos)
        cds->Open();
    for (TIBTable* tbl : tabelas)
        tbl->Open();
    origem.First();
    while (!origem.Eof()) {
        // A product is known in the legacy file by its establishment, supplier and code.
        auto linha = Relatorio.Linha([estab = origem.FieldByName("ITE_CODIGO_ESTAB").AsString(),
                                      fornecedor = origem.FieldByName("ITE_CODIGO_FORNE").AsString(),
                                      item = origem.FieldByName("ITE_CODIGO").AsString()] {
            return QString("estabelecimento %1, fornecedor %2, item %3")
                .arg(Trim(estab), Trim(fornecedor), Trim(item));
        });
        const QString descricao = Trim(origem.FieldByName("ITE_DESCRICAO").AsString());
        if (descricao.isEmpty()) linha.DeixadaDeFora("descrição em branco");
        if (!descricao.isEmpty()) {
            try {
                Produto c;
                c.alternativo = CodigoAlternativo(*this); // before any row is written for it
                c.grupo = RegistrarGrupo();
                c.subgrupo = RegistrarSubGrupo();
                c.unidade = RegistrarUnidade();
                c.marca = RegistrarMarca();
                application_.ProcessMessages();
                GravarProduto(*this, c);
            } catch (const std::exception& e) {
                // Nothing is rolled back, but a row the failure left half-filled is dropped.
                for (TClientDataSet* cds : conjuntos)
                    cds->Cancel();
                for (TIBTable* tbl : tabelas)
                    tbl->Cancel();
                // A failure of the database that is no refusal ends the run: every later product
                // would meet it too.
                if (!FalhaDaLinha(e)) throw;
                // The second line says why: a refused row, an amount beyond the money range, a code
                // too long for its column.
                linha.ComFalha(ExceptionMessage(e));
                application_.ShowMessage("Falha ao incluir produto " +
                                         Trim(origem.FieldByName("ITE_CODIGO").AsString()) + "-" + descricao +
                                         '\n' + ExceptionMessage(e));
            }
        }
        origem.Next();
    }
    TR_DESTINO.CommitRetaining();
}
