// Form definition: the current-account source set and the receivable and instalment sets.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

constexpr TFieldDef CDS_ORIGEM_CCO_FIELDS[] = {
    {.name = "LAN_CODIGO", .type = ftString, .size = 6},
    {.name = "LAN_CODIGO_ESTAB", .type = ftString, .size = 2},
    {.name = "LAN_CODIGO_CLIEN", .type = ftString, .size = 5},
    {.name = "LAN_CODIGO_VENDA", .type = ftString, .size = 6},
    {.name = "LAN_SERIE_VENDA", .type = ftString, .size = 2},
    {.name = "LAN_DATA_VENCTO", .type = ftDateTime},
    {.name = "LAN_DATA_EMISSAO", .type = ftDateTime},
    {.name = "LAN_PARCELA", .type = ftString, .size = 1},
    {.name = "LAN_VALOR_LANC", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "LAN_VALOR_PAGO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "LAN_DATA_PAGO", .type = ftDateTime},
    {.name = "LAN_TIPO_LANC", .type = ftInteger},
    {.name = "LAN_TIPO_DEBITO", .type = ftInteger},
    {.name = "LAN_FORMA_PAG", .type = ftInteger},
    {.name = "LAN_SALDO", .type = ftBCD, .size = 18, .scale = 3},
};

// The columns the receivable step or its new-record handler writes.
constexpr TFieldDef CDS_CRE_FIELDS[] = {
    {.name = "CRE_PK_CONTAARECEBER", .type = ftInteger, .required = true},
    {.name = "CRE_CODIGO_EMPRESA_MASTER", .type = ftInteger, .required = true},
    {.name = "CRE_CODIGO_EMPRESA", .type = ftInteger, .required = true},
    {.name = "CRE_CODIGO_CLIENTE", .type = ftInteger, .required = true},
    {.name = "CRE_CODIGO_TIPODOCUMENTO", .type = ftInteger, .required = true},
    {.name = "CRE_NR_DOCUMENTO", .type = ftString, .size = 6, .required = true},
    {.name = "CRE_DT_EMISSAO", .type = ftDateTime, .required = true},
    {.name = "CRE_NR_SAIDA", .type = ftInteger},
    {.name = "CRE_QTD_PARCELAS", .type = ftInteger, .required = true},
    {.name = "CRE_VLR_TOTAL_PARCELAS", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "CRE_VLR_SALDO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "CRE_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CRE_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CRE_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "CRE_LOCAL_DIGITACAO", .type = ftFixedChar, .size = 2, .required = true},
    {.name = "CRE_GERADO_POR_CARGA", .type = ftFixedChar, .size = 1},
    {.name = "CRE_RECEITA_FIXA", .type = ftFixedChar, .size = 1},
    {.name = "CRE_CONTABILIZA", .type = ftFixedChar, .size = 1},
    {.name = "CRE_PAGTO_ENTRADA_VENDA", .type = ftFixedChar, .size = 1},
    {.name = "CRE_GERADO_PELO_CONTRATO", .type = ftFixedChar, .size = 1},
    {.name = "CRE_VENDA_PERDIDA", .type = ftFixedChar, .size = 1, .required = true},
    {.name = "CRE_GERACAO_AUTOMATICA_LOCACAO", .type = ftFixedChar, .size = 1},
};

// The columns the instalment step or its new-record handler writes.
constexpr TFieldDef CDS_PCR_FIELDS[] = {
    {.name = "PCR_PK_PARCELACONTAARECEBER", .type = ftInteger, .required = true},
    {.name = "PCR_CODIGO_CONTAARECEBER", .type = ftInteger, .required = true},
    {.name = "PCR_CODIGO_BANCO", .type = ftInteger, .required = true},
    {.name = "PCR_PARCELA", .type = ftString, .size = 3, .required = true},
    {.name = "PCR_PRAZO", .type = ftInteger},
    {.name = "PCR_DT_VENCTO", .type = ftDateTime, .required = true},
    {.name = "PCR_DT_PRORROGACAO", .type = ftDateTime, .required = true},
    {.name = "PCR_VLR_PARCELA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_SALDO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_OBSERVACAO", .type = ftString, .size = 50},
    {.name = "PCR_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "PCR_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "PCR_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "PCR_SITUACAO", .type = ftFixedChar, .size = 1, .required = true},
    {.name = "PCR_TIPOCOBRANCA", .type = ftFixedChar, .size = 1, .required = true},
    {.name = "PCR_VLR_DESCONTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_DESPESAFINANCEIRA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_MULTA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_MORADIA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_TARIFA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_PAGTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_CORRECAO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_VLR_RESIDUO_PARC_ANTERIOR", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "PCR_PERC_MULTA", .type = ftBCD, .size = 4, .scale = 2},
    {.name = "PCR_PERC_MORADIA", .type = ftBCD, .size = 4, .scale = 2},
    {.name = "PCR_VLR_INDICE_CORRECAO", .type = ftBCD, .size = 9, .scale = 6},
    {.name = "PCR_ACEITE_BANCO", .type = ftFixedChar, .size = 1},
    {.name = "PCR_PAGA_COMISSAO", .type = ftFixedChar, .size = 1},
    {.name = "PCR_COBRANCA_RAPIDA", .type = ftFixedChar, .size = 1},
    {.name = "PCR_CHEQUE_DEVOLVIDO", .type = ftFixedChar, .size = 1},
    {.name = "PCR_VENDA_PERDIDA", .type = ftFixedChar, .size = 1, .required = true},
    {.name = "PCR_COMISSAO_APROVADA", .type = ftFixedChar, .size = 1},
    {.name = "PCR_OCULTAR_TITULO_ARECEBER", .type = ftFixedChar, .size = 1},
    {.name = "PCR_TITULO_DESCONTADO", .type = ftFixedChar, .size = 1},
};

} // namespace

// Only entries whose value differs from the amount paid; an entry with either amount empty
// is not selected.
const TClientDataSetDef dfm::CDS_ORIGEM_CCO = {
    .name = "CDS_ORIGEM_CCO",
    .sql = "SELECT\n"
           "LAN_CODIGO,\n"
           "LAN_CODIGO_ESTAB,\n"
           "LAN_CODIGO_CLIEN,\n"
           "LAN_CODIGO_VENDA,\n"
           "LAN_SERIE_VENDA,\n"
           "LAN_DATA_VENCTO,\n"
           "LAN_DATA_EMISSAO,\n"
           "LAN_PARCELA,\n"
           "LAN_VALOR_LANC,\n"
           "LAN_VALOR_PAGO,\n"
           "LAN_DATA_PAGO,\n"
           "LAN_TIPO_LANC,\n"
           "LAN_TIPO_DEBITO,\n"
           "LAN_FORMA_PAG,\n"
           "LAN_SALDO\n"
           "FROM LJ_LANCA\n"
           "WHERE (LAN_VALOR_LANC - LAN_VALOR_PAGO) <> 0\n"
           "ORDER BY LAN_CODIGO_CLIEN, LAN_DATA_EMISSAO",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_CCO_FIELDS,
};

const TClientDataSetDef dfm::CDS_CRE = {
    .name = "CDS_CRE",
    .sql = "SELECT * FROM SCA_CONTAARECEBER WHERE CRE_PK_CONTAARECEBER = 0",
    .table = "SCA_CONTAARECEBER",
    .keyFields = "CRE_PK_CONTAARECEBER",
    .fields = CDS_CRE_FIELDS,
};

const TClientDataSetDef dfm::CDS_PCR = {
    .name = "CDS_PCR",
    .sql = "SELECT * FROM SCA_PARCELACONTAARECEBER WHERE PCR_PK_PARCELACONTAARECEBER = 0",
    .table = "SCA_PARCELACONTAARECEBER",
    .keyFields = "PCR_PK_PARCELACONTAARECEBER",
    .fields = CDS_PCR_FIELDS,
};
