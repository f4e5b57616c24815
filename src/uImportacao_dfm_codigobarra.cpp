// Form definition: the bar-code source set and the bar-code destination set.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

// ITE_CODIGO_GEN is NULL when the bar code's legacy item is missing (left join).
constexpr TFieldDef CDS_ORIGEM_CODIGOBARRA_FIELDS[] = {
    {.name = "BAR_CODIGO", .type = ftString, .size = 25, .required = true},
    {.name = "BAR_CODIGO_ITEM", .type = ftString, .size = 10, .required = true},
    {.name = "BAR_CODIGO_FORNE", .type = ftString, .size = 4, .required = true},
    {.name = "BAR_CODIGO_ESTAB", .type = ftString, .size = 2, .required = true},
    {.name = "BAR_ALTERADO", .type = ftString, .size = 1},
    {.name = "ITE_CODIGO_GEN", .type = ftInteger},
};

constexpr TFieldDef CDS_CODIGOBARRA_FIELDS[] = {
    {.name = "CBA_CODIGO_EMPRESA_MASTER", .type = ftInteger, .required = true},
    {.name = "CBA_CODIGO", .type = ftString, .size = 25, .required = true},
    {.name = "CBA_CODIGO_ITEM", .type = ftInteger, .required = true},
    {.name = "CBA_CODIGO_ITEMTIPOGRADE", .type = ftSmallint},
    {.name = "CBA_ALTERADO", .type = ftFixedChar, .size = 1},
    {.name = "CBA_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "CBA_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "CBA_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CBA_DT_ALTERACAO", .type = ftDateTime},
    {.name = "CBA_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CBA_HR_ALTERACAO", .type = ftDateTime},
    {.name = "CBA_EMBALAGEM_QTDE", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "CBA_EMBALAGEM_PERC_DESCONTO", .type = ftBCD, .size = 9, .scale = 2},
    {.name = "CBA_EMBALAGEM_COMERCIAL", .type = ftFixedChar, .size = 1},
};

} // namespace

// No ordering: the bar codes come in the order the source returns them.
const TClientDataSetDef dfm::CDS_ORIGEM_CODIGOBARRA = {
    .name = "CDS_ORIGEM_CODIGOBARRA",
    .sql =
        "SELECT\n"
        "LJ_BARRA.*,\n"
        "LJ_ITENS.ITE_CODIGO_GEN\n"
        "FROM LJ_BARRA\n"
        "LEFT JOIN LJ_ITENS ON (LJ_BARRA.BAR_CODIGO_ITEM = LJ_ITENS.ITE_CODIGO AND LJ_BARRA.BAR_CODIGO_FORNE "
        "= LJ_ITENS.ITE_CODIGO_FORNE AND LJ_BARRA.BAR_CODIGO_ESTAB = LJ_ITENS.ITE_CODIGO_ESTAB)",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_CODIGOBARRA_FIELDS,
};

// No generator: a bar-code row is identified by the bar code itself.
const TClientDataSetDef dfm::CDS_CODIGOBARRA = {
    .name = "CDS_CODIGOBARRA",
    .sql = "SELECT * FROM SCA_CODIGOBARRAS\n"
           "WHERE CBA_CODIGO_ITEM = 0",
    .table = "SCA_CODIGOBARRAS",
    .keyFields = "CBA_CODIGO",
    .fields = CDS_CODIGOBARRA_FIELDS,
};
