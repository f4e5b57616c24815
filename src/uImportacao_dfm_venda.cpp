// Form definition: the sale source sets and the sale destination sets.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

constexpr TFieldDef CDS_ORIGEM_VEN_FIELDS[] = {
    {.name = "VEN_CODIGO", .type = ftString, .size = 6, .required = true},
    {.name = "VEN_CODIGO_ESTAB", .type = ftString, .size = 2, .required = true},
    {.name = "VEN_CODIGO_CLIEN", .type = ftString, .size = 5, .required = true},
    {.name = "VEN_DATA_EMISSAO", .type = ftDateTime, .required = true},
    {.name = "VEN_HORA_EMISSAO", .type = ftDateTime, .required = true},
    {.name = "VEN_CODIGO_FUNC", .type = ftString, .size = 3},
    {.name = "VEN_NAT_OP", .type = ftInteger, .required = true},
    {.name = "VEN_VALOR_TOTAL", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "VEN_VALOR_DESCONTO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "VEN_VALOR_ENTRADA", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "VEN_VALOR_ACRESCIMO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "VEN_VALOR_LIQUIDO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "VEN_OBSERVACAO", .type = ftString, .size = 50},
    {.name = "VEN_FORMA_PG_ENTRADA", .type = ftInteger, .required = true},
    {.name = "VEN_TIPO_VENDA", .type = ftInteger},
    {.name = "VEN_TIPO_EMISSAO", .type = ftInteger},
};

// The items of LJ_ITVEN with the generated code of their legacy product.
constexpr TFieldDef CDS_ORIGEM_ITV_FIELDS[] = {
    {.name = "ITV_CODIGO_VENDA", .type = ftString, .size = 6, .required = true},
    {.name = "ITV_CODIGO", .type = ftString, .size = 10, .required = true},
    {.name = "ITV_CODIGO_FORNE", .type = ftString, .size = 4, .required = true},
    {.name = "ITV_CODIGO_ESTAB", .type = ftString, .size = 2, .required = true},
    {.name = "ITV_QUANTIDADE", .type = ftFloat},
    {.name = "ITV_VALOR_TOTAL", .type = ftFloat},
    {.name = "ITV_VALOR_UNITARIO", .type = ftFloat},
    {.name = "ITV_TIPO_VENDA", .type = ftInteger},
    {.name = "ITV_VALOR_RATEIO", .type = ftFloat},
    {.name = "ITV_DATA_VENDA", .type = ftDateTime},
    {.name = "ITV_HORA_VENDA", .type = ftDateTime},
    {.name = "ITE_CODIGO_GEN", .type = ftInteger},
};

// Columns the step never assigns and whose type it does not depend on are left out.
constexpr TFieldDef CDS_VENDA_FIELDS[] = {
    {.name = "SAI_PK_SAIDA", .type = ftInteger, .required = true},
    {.name = "SAI_CODIGO_EMPRESA_MASTER", .type = ftInteger, .required = true},
    {.name = "SAI_CODIGO_EMPRESA", .type = ftInteger, .required = true},
    {.name = "SAI_CODIGO_CLIENTE", .type = ftInteger},
    {.name = "SAI_CODIGO_VENDEDOR_INTERNO", .type = ftInteger},
    {.name = "SAI_CODIGO_OPERACAO", .type = ftInteger, .required = true},
    {.name = "SAI_TIPO", .type = ftFixedChar, .size = 1},
    {.name = "SAI_CODIGO_BANCO", .type = ftInteger},
    {.name = "SAI_NUMERO", .type = ftInteger, .required = true},
    {.name = "SAI_DT_EMISSAO", .type = ftDateTime, .required = true},
    {.name = "SAI_HR_EMISSAO", .type = ftDateTime, .required = true},
    {.name = "SAI_QTD", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SAI_QTD_ITENS", .type = ftInteger, .required = true},
    {.name = "SAI_PERC_DESCONTO", .type = ftBCD, .size = 4, .scale = 2},
    {.name = "SAI_VLR_DESCONTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_PERC_ACRESCIMO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_VLR_ACRESCIMO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_PESO_BRUTO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SAI_PESO_LIQUIDO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SAI_VLR_SERVICO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_VLR_PRODUTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_VLR_FRETE", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_VLR_TOTAL", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_VLR_RECEBIDO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_VLR_TROCO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_INFORMACOES_ADICIONAIS", .type = ftString, .size = 700},
    {.name = "SAI_NEG_VLR_VISTA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_NEG_VLR_PRAZO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_NEG_PERC_CORRECAO", .type = ftBCD, .size = 9, .scale = 5},
    {.name = "SAI_NEG_VLR_CORRECAO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_NEG_VLR_TAC", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_NEG_VLR_TARIFA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_NEG_VLR_JUROS", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_NEG_TIPODOC_ENTRADA", .type = ftInteger},
    {.name = "SAI_SITUACAO", .type = ftFixedChar, .size = 1},
    {.name = "SAI_DT_CANCELAMENTO", .type = ftDateTime},
    {.name = "SAI_HR_CANCELAMENTO", .type = ftDateTime},
    {.name = "SAI_CODIGO_USUARIO_CANC", .type = ftInteger},
    {.name = "SAI_NEG_TIPO_NEGOCIACAO", .type = ftFixedChar, .size = 1},
    {.name = "SAI_NEG_FINANCEIRO_PENDENTE", .type = ftFixedChar, .size = 1},
    {.name = "SAI_NEG_DT_ACERTO_FINANCEIRO", .type = ftDateTime},
    {.name = "SAI_NEG_HR_ACERTO_FINANCEIRO", .type = ftDateTime},
    {.name = "SAI_NEG_COD_USUARIO_ACER_FINANC", .type = ftInteger},
    {.name = "SAI_NEG_VLR_VALE_FUNCIONARIO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_NEG_VLR_REEMBOLSO_FUNCIONAR", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SAI_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "SAI_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "SAI_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "SAI_ATUALIZOU_ESTOQUE_VENDA", .type = ftFixedChar, .size = 1},
    {.name = "SAI_PAGA_COMISSAO", .type = ftFixedChar, .size = 1},
    {.name = "SAI_FINALIZOU_CONSIGNADA", .type = ftFixedChar, .size = 1},
    {.name = "SAI_TIPO_EMISSAO", .type = ftFixedChar, .size = 1},
    {.name = "SAI_ATUALIZA_ESTOQUE", .type = ftFixedChar, .size = 1},
    {.name = "SAI_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "SAI_DT_ALTERACAO", .type = ftDateTime},
    {.name = "SAI_HR_ALTERACAO", .type = ftDateTime},
    {.name = "SAI_DT_PREVISTA_ENTREGA", .type = ftDateTime},
};

// Columns the step never assigns and whose type it does not depend on are left out.
constexpr TFieldDef CDS_ITEMVENDA_FIELDS[] = {
    {.name = "ISA_PK_ITEMSAIDA", .type = ftInteger, .required = true},
    {.name = "ISA_CODIGO_EMPRESAMASTER", .type = ftInteger, .required = true},
    {.name = "ISA_CODIGO_EMPRESA", .type = ftInteger, .required = true},
    {.name = "ISA_CODIGO_SAIDA", .type = ftInteger, .required = true},
    {.name = "ISA_CODIGO_TIPOPRECO", .type = ftSmallint},
    {.name = "ISA_CODIGO_ITEM", .type = ftInteger},
    {.name = "ISA_CODIGO_ITEMEMPRESA", .type = ftInteger},
    {.name = "ISA_CODIGO_ITEMLOCAL", .type = ftInteger},
    {.name = "ISA_CODIGO_UNIDADE", .type = ftSmallint},
    {.name = "ISA_CODIGO_EVENTOANALITICO", .type = ftInteger},
    {.name = "ISA_CODIGO_CENTROCUSTO", .type = ftInteger},
    {.name = "ISA_ENTREGUE", .type = ftFixedChar, .size = 1},
    {.name = "ISA_NR_ORDEM", .type = ftInteger, .required = true},
    {.name = "ISA_QTD_TOTAL", .type = ftBCD, .size = 9, .scale = 4},
    {.name = "ISA_QTD_TOTAL_DEVOLVIDA", .type = ftBCD, .size = 9, .scale = 4},
    {.name = "ISA_VLR_PRECOVENDA_TABELA", .type = ftBCD, .size = 18, .scale = 5},
    {.name = "ISA_VLR_UNITARIO", .type = ftBCD, .size = 18, .scale = 5},
    {.name = "ISA_VLR_TOTAL", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_VLR_FRETE", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_VLR_OUTRAS_DESPESAS", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_PERC_DESCONTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_VLR_DESCONTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_VLR_DESCONTO_CUSTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_VLR_LIQUIDO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_CODIGO_COLUNA_TABELAPRECO", .type = ftInteger},
    {.name = "ISA_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "ISA_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ISA_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ISA_DFV_VLR_DESPESAFIXA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_DFV_VLR_OUTROS", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "ISA_CODIGO_VENDEDOR", .type = ftInteger},
    {.name = "ISA_INFORMOU_ITEMGASTOSERVICO", .type = ftFixedChar, .size = 1},
    {.name = "ISA_PRECO_PROMOCIONAL", .type = ftFixedChar, .size = 1},
    {.name = "ISA_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "ISA_DT_ALTERACAO", .type = ftDateTime},
    {.name = "ISA_HR_ALTERACAO", .type = ftDateTime},
    {.name = "ISA_LOCACAO_DT_INICIO", .type = ftDateTime},
    {.name = "ISA_LOCACAO_HR_INICIO", .type = ftDateTime},
    {.name = "ISA_LOCACAO_DT_TERMINO", .type = ftDateTime},
    {.name = "ISA_LOCACAO_HR_TERMINO", .type = ftDateTime},
    {.name = "ISA_LOCACAO_DT_ENTREGA", .type = ftDateTime},
    {.name = "ISA_LOCACAO_HR_ENTREGA", .type = ftDateTime},
    {.name = "ISA_DATA_ULTIMO_PAGAMENTO", .type = ftDateTime},
};

} // namespace

// The sale step replaces this statement with one that keeps only the sales after the run's
// base date; the design statement selects the same columns.
const TClientDataSetDef dfm::CDS_ORIGEM_VEN = {
    .name = "CDS_ORIGEM_VEN",
    .sql = "SELECT VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, VEN_HORA_EMISSAO, "
           "VEN_CODIGO_FUNC, VEN_NAT_OP, VEN_VALOR_TOTAL, VEN_VALOR_DESCONTO, VEN_VALOR_ENTRADA, "
           "VEN_VALOR_ACRESCIMO, VEN_VALOR_LIQUIDO, VEN_OBSERVACAO, VEN_FORMA_PG_ENTRADA, VEN_TIPO_VENDA, "
           "VEN_TIPO_EMISSAO FROM LJ_VENDA ORDER BY VEN_CODIGO",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_VEN_FIELDS,
};

// Replaced at run time, like the sale headers' statement, by one that also drops deleted items
// and filters on the base date.
const TClientDataSetDef dfm::CDS_ORIGEM_ITV = {
    .name = "CDS_ORIGEM_ITV",
    .sql = "SELECT ITV_CODIGO_VENDA, ITV_CODIGO, ITV_CODIGO_FORNE, ITV_CODIGO_ESTAB, ITV_QUANTIDADE, "
           "ITV_VALOR_TOTAL, ITV_VALOR_UNITARIO, ITV_TIPO_VENDA, ITV_VALOR_RATEIO, ITV_DATA_VENDA, "
           "ITV_HORA_VENDA, ITE_CODIGO_GEN FROM LJ_ITVEN INNER JOIN LJ_ITENS ON LJ_ITVEN.ITV_CODIGO_ESTAB = "
           "LJ_ITENS.ITE_CODIGO_ESTAB AND LJ_ITVEN.ITV_CODIGO_FORNE = LJ_ITENS.ITE_CODIGO_FORNE AND "
           "LJ_ITVEN.ITV_CODIGO = LJ_ITENS.ITE_CODIGO ORDER BY ITV_CODIGO_VENDA",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_ITV_FIELDS,
};

const TClientDataSetDef dfm::CDS_VENDA = {
    .name = "CDS_VENDA",
    .sql = "SELECT * FROM SCA_SAIDA\n"
           "WHERE SAI_PK_SAIDA = 0",
    .table = "SCA_SAIDA",
    .keyFields = "SAI_PK_SAIDA",
    .fields = CDS_VENDA_FIELDS,
};

const TClientDataSetDef dfm::CDS_ITEMVENDA = {
    .name = "CDS_ITEMVENDA",
    .sql = "SELECT * FROM SCA_ITEMSAIDA\n"
           "WHERE ISA_PK_ITEMSAIDA = 0",
    .table = "SCA_ITEMSAIDA",
    .keyFields = "ISA_PK_ITEMSAIDA",
    .fields = CDS_ITEMVENDA_FIELDS,
};
