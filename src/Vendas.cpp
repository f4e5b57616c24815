// Step 5, first half: each legacy sale of a customer the destination knows becomes one header
// of SCA_SAIDA, found again later by its number.
#include "Padroes.h"
#include "Text.h"
#include "uImportacao.h"

#include <optional>

namespace {
// The destination's document type of the down payment's legacy payment form.
std::optional<int> TipoDocEntrada(int formaPagamento) {
    switch (formaPagamento) {
    case 1:
        return 7;
    case 2:
        return 4;
    case 3:
        return 8;
    default:
        return std::nullopt;
    }
}
} // namespace

int Tfrm_Importacao::CodigoDaVenda(const QString& campo, const QString& venda, const QString& valor) {
    try {
        return StrToInt(valor);
    } catch (const EConvertError&) {
        throw Exception(QString("%1 inválido na venda '%2': '%3'").arg(campo, venda, valor));
    }
}

void Tfrm_Importacao::MigrarVendas() {
    TClientDataSet& origem = CDS_ORIGEM_VEN;
    origem.Close();
    // From midnight of the base day on: the earliest day's sales are included.
    origem.CommandText =
        "SELECT VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
        "VEN_HORA_EMISSAO, VEN_CODIGO_FUNC, VEN_NAT_OP, VEN_VALOR_TOTAL, VEN_VALOR_DESCONTO, "
        "VEN_VALOR_ENTRADA, VEN_VALOR_ACRESCIMO, VEN_VALOR_LIQUIDO, VEN_OBSERVACAO, "
        "VEN_FORMA_PG_ENTRADA, VEN_TIPO_VENDA, VEN_TIPO_EMISSAO FROM LJ_VENDA "
        "WHERE VEN_DATA_EMISSAO >= " +
        DataSQL(MenorData) + " ORDER BY VEN_CODIGO";
    origem.Open();
    if (origem.IsEmpty()) return;

    TClientDataSet& venda = CDS_VENDA;
    auto legado = [&](const char* coluna) -> TField& { return origem.FieldByName(coluna); };
    auto campo = [&](const char* coluna) -> TField& { return venda.FieldByName(coluna); };
    venda.Open();
    origem.First();
    while (!origem.Eof()) {
        const QString numero = legado("VEN_CODIGO").AsString();
        auto linha = Relatorio.Linha(numero);
        application_.ProcessMessages();

        // Only sales of customers already in the destination; a skipped sale draws no key.
        const int cliente = CodigoDaVenda("Código do cliente", numero, legado("VEN_CODIGO_CLIEN").AsString());
        QR_DEST.Close();
        QR_DEST.SetSQL("SELECT CLI_CODIGO FROM SCA_CLIENTE WHERE CLI_CODIGO = ?", {int64_t{cliente}});
        QR_DEST.Open();
        if (QR_DEST.IsEmpty()) {
            linha.DeixadaDeFora(
                QString("cliente %1 não está no destino").arg(legado("VEN_CODIGO_CLIEN").AsString()));
            origem.Next();
            continue;
        }

        const TDateTime emissao = legado("VEN_DATA_EMISSAO").AsDateTime();
        const TDateTime hora = legado("VEN_HORA_EMISSAO").AsDateTime();
        const TCurrency liquido = legado("VEN_VALOR_LIQUIDO").AsCurrency();
        const TCurrency entrada = legado("VEN_VALOR_ENTRADA").AsCurrency();
        const QString vendedor = legado("VEN_CODIGO_FUNC").AsString();
        const int natureza = legado("VEN_NAT_OP").AsInteger();
        const bool cancelada = natureza == 5 || natureza == 6;
        const auto tipoDocEntrada = TipoDocEntrada(legado("VEN_FORMA_PG_ENTRADA").AsInteger());

        venda.Insert();
        campo("SAI_PK_SAIDA").SetAsInteger(ProximoCodigo("GEN_SAI_PK_SAIDA"));
        campo("SAI_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
        campo("SAI_CODIGO_EMPRESA")
            .SetAsInteger(
                CodigoDaVenda("Código do estabelecimento", numero, legado("VEN_CODIGO_ESTAB").AsString()));
        campo("SAI_CODIGO_CLIENTE").SetAsInteger(cliente);
        // A sale without a seller keeps the column empty.
        if (!Trim(vendedor).isEmpty())
            campo("SAI_CODIGO_VENDEDOR_INTERNO")
                .SetAsInteger(CodigoDaVenda("Código do vendedor", numero, vendedor));
        campo("SAI_CODIGO_OPERACAO").SetAsInteger(3);
        campo("SAI_TIPO").SetAsString("S");
        campo("SAI_CODIGO_BANCO").SetAsInteger(1);
        campo("SAI_NUMERO").SetAsInteger(CodigoDaVenda("Número", numero, numero));
        campo("SAI_DT_EMISSAO").SetAsDateTime(emissao);
        campo("SAI_HR_EMISSAO").SetAsDateTime(hora);
        campo("SAI_QTD").SetAsCurrency({});
        campo("SAI_QTD_ITENS").SetAsInteger(0);
        campo("SAI_PERC_DESCONTO").SetAsCurrency({});
        campo("SAI_VLR_DESCONTO").SetAsCurrency(legado("VEN_VALOR_DESCONTO").AsCurrency());
        campo("SAI_PERC_ACRESCIMO").SetAsCurrency({});
        campo("SAI_VLR_ACRESCIMO").SetAsCurrency(legado("VEN_VALOR_ACRESCIMO").AsCurrency());
        campo("SAI_PESO_BRUTO").SetAsCurrency({});
        campo("SAI_PESO_LIQUIDO").SetAsCurrency({});
        campo("SAI_VLR_SERVICO").SetAsCurrency({});
        campo("SAI_VLR_PRODUTO").SetAsCurrency(legado("VEN_VALOR_TOTAL").AsCurrency());
        campo("SAI_VLR_FRETE").SetAsCurrency({});
        campo("SAI_VLR_TOTAL").SetAsCurrency(liquido);
        campo("SAI_VLR_RECEBIDO").SetAsCurrency({});
        campo("SAI_VLR_TROCO").SetAsCurrency({});
        campo("SAI_INFORMACOES_ADICIONAIS").SetAsString(legado("VEN_OBSERVACAO").AsString());
        campo("SAI_NEG_VLR_VISTA").SetAsCurrency(entrada);
        campo("SAI_NEG_VLR_PRAZO").SetAsCurrency(liquido - entrada);
        campo("SAI_NEG_PERC_CORRECAO").SetAsCurrency({});
        campo("SAI_NEG_VLR_CORRECAO").SetAsCurrency({});
        campo("SAI_NEG_VLR_TAC").SetAsCurrency({});
        campo("SAI_NEG_VLR_TARIFA").SetAsCurrency({});
        campo("SAI_NEG_VLR_JUROS").SetAsCurrency({});
        if (tipoDocEntrada) campo("SAI_NEG_TIPODOC_ENTRADA").SetAsInteger(*tipoDocEntrada);
        campo("SAI_SITUACAO").SetAsString(cancelada ? "C" : "E");
        if (cancelada) {
            campo("SAI_DT_CANCELAMENTO").SetAsDateTime(emissao);
            campo("SAI_HR_CANCELAMENTO").SetAsDateTime(hora);
            campo("SAI_CODIGO_USUARIO_CANC").SetAsInteger(0);
        }
        // Cash and term parts compared as the two-decimal columns hold them.
        const bool partesIguais =
            campo("SAI_NEG_VLR_VISTA").AsCurrency() == campo("SAI_NEG_VLR_PRAZO").AsCurrency();
        campo("SAI_NEG_TIPO_NEGOCIACAO").SetAsString(partesIguais ? "V" : "P");
        campo("SAI_NEG_FINANCEIRO_PENDENTE").SetAsString("N");
        campo("SAI_NEG_DT_ACERTO_FINANCEIRO").SetAsDateTime(emissao);
        campo("SAI_NEG_HR_ACERTO_FINANCEIRO").SetAsDateTime(hora);
        campo("SAI_NEG_COD_USUARIO_ACER_FINANC").SetAsInteger(0);
        campo("SAI_NEG_VLR_VALE_FUNCIONARIO").SetAsCurrency({});
        campo("SAI_NEG_VLR_REEMBOLSO_FUNCIONAR").SetAsCurrency({});
        campo("SAI_CODIGO_USUARIO_INC").SetAsInteger(0);
        campo("SAI_DT_INCLUSAO").SetAsDateTime(emissao);
        campo("SAI_HR_INCLUSAO").SetAsDateTime(hora);
        campo("SAI_ATUALIZOU_ESTOQUE_VENDA").SetAsString("V");
        campo("SAI_PAGA_COMISSAO").SetAsString("S");
        campo("SAI_FINALIZOU_CONSIGNADA").SetAsString("N");
        campo("SAI_TIPO_EMISSAO").SetAsString("1");
        campo("SAI_ATUALIZA_ESTOQUE").SetAsString("S");
        venda.Post();
        venda.ApplyUpdates(0);
        ReabrirSeCheio(venda);
        origem.Next();
    }
    TR_DESTINO.CommitRetaining();
}
