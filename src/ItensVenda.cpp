// Step 5, second half: the legacy sale items become rows of SCA_ITEMSAIDA under the header of
// the same sale number and the product of the same generated code.
#include "Padroes.h"
#include "uImportacao.h"

#include <optional>
#include <unordered_map>

namespace {
// The destination header the items of one sale go to.
struct VendaDestino {
    int chave;
    int vendedor; // 0 when the header has none
};

// The product, company and storage-location rows an item points to.
struct ProdutoDestino {
    int item;
    int itemEmpresa;
    int itemLocal;
};

// The product is the first row of the inner join of its item, company and storage-location rows
// for the alternative code, the company and location 1, taken as a destination with index
// statistics plans it: the items of the code, for each its company rows, for each its location
// rows, each table searched by its own look-up in the order its statement gives. A fresh
// destination has no index statistics, and the join's own plan would scan a table per product.
std::optional<ProdutoDestino> ProcurarProduto(Tfrm_Importacao& f, const QString& alternativo, int empresa) {
    for (const TTableIndex::Row* item : f.IDX_ITEM_ALTERNATIVO.FindAll({alternativo}))
        for (const TTableIndex::Row* itemEmpresa :
             f.IDX_ITEMEMPRESA_ITEM.FindAll({(*item)[0], int64_t{empresa}}))
            if (const TTableIndex::Row* local =
                    f.IDX_ITEMLOCAL_ITEMEMPRESA.Find({(*itemEmpresa)[0], int64_t{1}}))
                return ProdutoDestino{f.IDX_ITEM_ALTERNATIVO.Integer(*item, 0),
                                      f.IDX_ITEMEMPRESA_ITEM.Integer(*itemEmpresa, 0),
                                      f.IDX_ITEMLOCAL_ITEMEMPRESA.Integer(*local, 0)};
    return std::nullopt;
}
} // namespace

void Tfrm_Importacao::MigrarItensVenda() {
    TClientDataSet& origem = CDS_ORIGEM_ITV;
    origem.Close();
    // From midnight of the base day on, like the headers; deleted items are left out.
    origem.CommandText =
        "SELECT ITV_CODIGO_VENDA, ITV_CODIGO, ITV_CODIGO_FORNE, ITV_CODIGO_ESTAB, ITV_QUANTIDADE, "
        "ITV_VALOR_TOTAL, ITV_VALOR_UNITARIO, ITV_TIPO_VENDA, ITV_VALOR_RATEIO, ITV_DATA_VENDA, "
        "ITV_HORA_VENDA, ITE_CODIGO_GEN FROM LJ_ITVEN INNER JOIN LJ_ITENS ON "
        "LJ_ITVEN.ITV_CODIGO_ESTAB = LJ_ITENS.ITE_CODIGO_ESTAB AND "
        "LJ_ITVEN.ITV_CODIGO_FORNE = LJ_ITENS.ITE_CODIGO_FORNE AND "
        "LJ_ITVEN.ITV_CODIGO = LJ_ITENS.ITE_CODIGO WHERE ITV_DATA_EXCLUSAO IS NULL AND "
        "ITV_DATA_VENDA >= " +
        DataSQL(MenorData) + " ORDER BY ITV_CODIGO_VENDA";
    origem.Open();
    if (origem.IsEmpty()) return;

    TClientDataSet& item = CDS_ITEMVENDA;
    auto legado = [&](const char* coluna) -> TField& { return origem.FieldByName(coluna); };
    auto campo = [&](const char* coluna) -> TField& { return item.FieldByName(coluna); };
    // The rows of one sale follow each other: its header is looked up once, at its first row.
    QString ultimaVenda;
    std::optional<VendaDestino> atual;
    int ordem = 0;
    std::unordered_map<QString, std::optional<ProdutoDestino>> produtos;
    // The products found hold while none of their three tables is written.
    auto mudancas = [&] {
        return IDX_ITEM_ALTERNATIVO.Changes() + IDX_ITEMEMPRESA_ITEM.Changes() +
               IDX_ITEMLOCAL_ITEMEMPRESA.Changes();
    };
    uint64_t produtosDe = mudancas();
    item.Open();
    origem.First();
    while (!origem.Eof()) {
        const QString numero = legado("ITV_CODIGO_VENDA").AsString();
        // An item is known in the legacy file by its sale and its product's code.
        auto linha = Relatorio.Linha([numero, item = legado("ITV_CODIGO").AsString(),
                                      fornecedor = legado("ITV_CODIGO_FORNE").AsString(),
                                      estab = legado("ITV_CODIGO_ESTAB").AsString()] {
            return QString("venda %1, item %2 (fornecedor %3, estabelecimento %4)")
                .arg(numero, Trim(item), Trim(fornecedor), Trim(estab));
        });
        if (numero != ultimaVenda) {
            ultimaVenda = numero;
            ordem = 1;
            atual.reset();
            if (const TTableIndex::Row* cabecalho =
                    IDX_SAIDA_NUMERO.Find({int64_t{CodigoDaVenda("Número", numero, numero)}}))
                atual = VendaDestino{IDX_SAIDA_NUMERO.Integer(*cabecalho, 0),
                                     IDX_SAIDA_NUMERO.Integer(*cabecalho, 1)};
        } else {
            ++ordem;
        }
        // Items of a sale without a header are left out silently.
        if (!atual) {
            linha.DeixadaDeFora(QString("venda %1 não está no destino").arg(numero));
            origem.Next();
            continue;
        }

        const int empresa =
            CodigoDaVenda("Código do estabelecimento do item", numero, legado("ITV_CODIGO_ESTAB").AsString());
        const QString alternativo = CompletarComZeros(legado("ITE_CODIGO_GEN").AsLargeInt(), 10);
        // Nothing of this step writes products, and the destination is this process's alone:
        // unless its triggers write them, each product of an establishment is looked up once per
        // pass.
        if (mudancas() != produtosDe) {
            produtos.clear();
            produtosDe = mudancas();
        }
        const QString chave = QString::number(empresa) + '|' + alternativo;
        auto achado = produtos.find(chave);
        if (achado == produtos.end())
            achado = produtos.emplace(chave, ProcurarProduto(*this, alternativo, empresa)).first;
        // The ordinal keeps its count: the next item of the sale shows the gap.
        if (!achado->second) {
            linha.ComFalha(QString("produto não encontrado no destino (código %1, empresa %2)")
                               .arg(alternativo)
                               .arg(empresa));
            application_.ShowMessage("Produto não encontrado: " + legado("ITV_CODIGO").AsString());
            origem.Next();
            continue;
        }
        const ProdutoDestino produto = *achado->second;
        const VendaDestino venda = *atual;
        application_.ProcessMessages();

        item.Insert();
        campo("ISA_PK_ITEMSAIDA").SetAsInteger(ProximoCodigo("GEN_ISA_PK_ITEMSAIDA"));
        campo("ISA_CODIGO_EMPRESAMASTER").SetAsInteger(1);
        campo("ISA_CODIGO_EMPRESA").SetAsInteger(empresa);
        campo("ISA_CODIGO_SAIDA").SetAsInteger(venda.chave);
        campo("ISA_CODIGO_TIPOPRECO").SetAsInteger(2);
        campo("ISA_CODIGO_ITEM").SetAsInteger(produto.item);
        campo("ISA_CODIGO_ITEMEMPRESA").SetAsInteger(produto.itemEmpresa);
        campo("ISA_CODIGO_ITEMLOCAL").SetAsInteger(produto.itemLocal);
        campo("ISA_CODIGO_UNIDADE").SetAsInteger(1);
        campo("ISA_CODIGO_EVENTOANALITICO").SetAsInteger(1);
        campo("ISA_CODIGO_CENTROCUSTO").SetAsInteger(4);
        campo("ISA_ENTREGUE").SetAsString("S");
        campo("ISA_NR_ORDEM").SetAsInteger(ordem);
        campo("ISA_QTD_TOTAL").SetAsCurrency(legado("ITV_QUANTIDADE").AsCurrency());
        campo("ISA_QTD_TOTAL_DEVOLVIDA").SetAsCurrency({});
        campo("ISA_VLR_PRECOVENDA_TABELA").SetAsCurrency(legado("ITV_VALOR_UNITARIO").AsCurrency());
        campo("ISA_VLR_UNITARIO").SetAsCurrency(legado("ITV_VALOR_UNITARIO").AsCurrency());
        campo("ISA_VLR_TOTAL").SetAsCurrency(legado("ITV_VALOR_TOTAL").AsCurrency());
        campo("ISA_VLR_FRETE").SetAsCurrency({});
        campo("ISA_VLR_OUTRAS_DESPESAS").SetAsCurrency({});
        campo("ISA_PERC_DESCONTO").SetAsCurrency({});
        campo("ISA_VLR_DESCONTO").SetAsCurrency({});
        campo("ISA_VLR_DESCONTO_CUSTO").SetAsCurrency({});
        campo("ISA_VLR_LIQUIDO").SetAsCurrency(legado("ITV_VALOR_TOTAL").AsCurrency());
        campo("ISA_CODIGO_COLUNA_TABELAPRECO").SetAsInteger(1);
        campo("ISA_CODIGO_USUARIO_INC").SetAsInteger(0);
        campo("ISA_DT_INCLUSAO").SetAsDateTime(legado("ITV_DATA_VENDA").AsDateTime());
        campo("ISA_HR_INCLUSAO").SetAsDateTime(legado("ITV_HORA_VENDA").AsDateTime());
        campo("ISA_DFV_VLR_DESPESAFIXA").SetAsCurrency({});
        campo("ISA_DFV_VLR_OUTROS").SetAsCurrency({});
        if (venda.vendedor > 0) campo("ISA_CODIGO_VENDEDOR").SetAsInteger(venda.vendedor);
        campo("ISA_INFORMOU_ITEMGASTOSERVICO").SetAsString("N");
        campo("ISA_PRECO_PROMOCIONAL").SetAsString("N");
        item.Post();
        item.ApplyUpdates(0);
        ReabrirSeCheio(item);
        origem.Next();
    }
    TR_DESTINO.CommitRetaining();
}
