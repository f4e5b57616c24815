// Form definition: the supplier source set and the supplier destination sets.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

constexpr TFieldDef CDS_ORIGEM_FORNECEDOR_FIELDS[] = {
    {.name = "FOR_CODIGO", .type = ftString, .size = 4, .required = true},
    {.name = "FOR_DESCRICAO", .type = ftString, .size = 30, .required = true},
    {.name = "FOR_DESCRICAO_ABREVIADA", .type = ftString, .size = 15},
    {.name = "FOR_ENDERECO", .type = ftString, .size = 30, .required = true},
    {.name = "FOR_CIDADE", .type = ftString, .size = 15, .required = true},
    {.name = "FOR_BAIRRO", .type = ftString, .size = 15, .required = true},
    {.name = "FOR_CEP", .type = ftString, .size = 10, .required = true},
    {.name = "FOR_ESTADO", .type = ftString, .size = 2, .required = true},
    {.name = "FOR_INSCR_ESTADUAL", .type = ftString, .size = 15, .required = true},
    {.name = "FOR_CNPJ", .type = ftString, .size = 18},
    {.name = "FOR_FAX", .type = ftString, .size = 14},
    {.name = "FOR_FONE", .type = ftString, .size = 14},
    {.name = "FOR_DATA_ULTIMA_COMPRA", .type = ftDateTime},
    {.name = "FOR_DATA_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "FOR_CONTATO", .type = ftString, .size = 15},
    {.name = "FOR_EMAIL", .type = ftString, .size = 50},
};

// Columns the step never assigns and whose type it does not depend on are left out.
constexpr TFieldDef CDS_FORNECEDOR_FIELDS[] = {
    {.name = "FOR_CODIGO", .type = ftInteger, .required = true},
    {.name = "FOR_CODIGO_TIPO", .type = ftInteger, .required = true},
    {.name = "FOR_CODIGO_TIPOTRIBUTARIO", .type = ftInteger},
    {.name = "FOR_UTILIZACAO_INTERNA", .type = ftFixedChar, .size = 1},
    {.name = "FOR_PAGTO_SUSPENSO", .type = ftFixedChar, .size = 1},
    {.name = "FOR_NOME", .type = ftString, .size = 50, .required = true},
    {.name = "FOR_NOME_FANTASIA", .type = ftString, .size = 20},
    {.name = "FOR_UF_INSCRICAO_ESTADUAL", .type = ftString, .size = 2},
    {.name = "FOR_MICRO_EMPRESA", .type = ftFixedChar, .size = 1},
    {.name = "FOR_TRANSPORTADORA", .type = ftFixedChar, .size = 1},
    {.name = "FOR_CNPJ_CIC", .type = ftString, .size = 14},
    {.name = "FOR_TIPO", .type = ftString, .size = 1},
    {.name = "FOR_INSCRICAO_ESTADUAL", .type = ftString, .size = 15},
    {.name = "FOR_RG", .type = ftString, .size = 15},
    {.name = "FOR_ORGAO_EMISSAO_RG", .type = ftFixedChar, .size = 5},
    {.name = "FOR_ATIVO", .type = ftFixedChar, .size = 1},
    {.name = "FOR_DT_NASCIMENTO_FUNDACAO", .type = ftDateTime, .required = true},
    {.name = "FOR_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "FOR_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "FOR_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "FOR_DT_ALTERACAO", .type = ftDateTime},
    {.name = "FOR_DT_ULTIMA_COMPRA", .type = ftDateTime},
    {.name = "FOR_HR_ALTERACAO", .type = ftDateTime},
    {.name = "FOR_CODIGO_USUARIO_ALT", .type = ftInteger},
};

// Declared in an order of its own, not the customer address links' order: the stamp
// columns come before the house number and the complement.
constexpr TFieldDef CDS_ENDERECOFORNECEDOR_FIELDS[] = {
    {.name = "EFO_PK_ENDERECOFORNECEDOR", .type = ftInteger, .required = true},
    {.name = "EFO_CODIGO_FORNECEDOR", .type = ftInteger},
    {.name = "EFO_CODIGO_END_CORREIO", .type = ftInteger},
    {.name = "EFO_CODIGO_TIPO", .type = ftFixedChar, .size = 3, .required = true},
    {.name = "EFO_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "EFO_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "EFO_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "EFO_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "EFO_DT_ALTERACAO", .type = ftDateTime},
    {.name = "EFO_HR_ALTERACAO", .type = ftDateTime},
    {.name = "EFO_NUMERO", .type = ftString, .size = 9},
    {.name = "EFO_COMPLEMENTO", .type = ftString, .size = 30},
};

constexpr TFieldDef CDS_CONTATOFORNECEDOR_FIELDS[] = {
    {.name = "CFO_PK_CONTATOFORNECEDOR", .type = ftInteger, .required = true},
    {.name = "CFO_CODIGO_FORNECEDOR", .type = ftInteger, .required = true},
    {.name = "CFO_CODIGO_TIPO_CONTATO", .type = ftSmallint, .required = true},
    {.name = "CFO_NOME", .type = ftString, .size = 50, .required = true},
    {.name = "CFO_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "CFO_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "CFO_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CFO_DT_ALTERACAO", .type = ftDateTime},
    {.name = "CFO_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CFO_HR_ALTERACAO", .type = ftDateTime},
};

} // namespace

const TClientDataSetDef dfm::CDS_ORIGEM_FORNECEDOR = {
    .name = "CDS_ORIGEM_FORNECEDOR",
    .sql = "SELECT\n"
           "*\n"
           "FROM\n"
           "LJ_FORNE\n"
           "ORDER BY\n"
           "FOR_CODIGO",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_FORNECEDOR_FIELDS,
};

// The supplier keeps its legacy code as its key; the products' supplier links find it by that code.
const TClientDataSetDef dfm::CDS_FORNECEDOR = {
    .name = "CDS_FORNECEDOR",
    .sql = "SELECT * FROM SCA_FORNECEDOR\n"
           "WHERE FOR_CODIGO = 0",
    .table = "SCA_FORNECEDOR",
    .keyFields = "FOR_CODIGO",
    .fields = CDS_FORNECEDOR_FIELDS,
    .keyMustStay = true,
};

const TClientDataSetDef dfm::CDS_ENDERECOFORNECEDOR = {
    .name = "CDS_ENDERECOFORNECEDOR",
    .sql = "SELECT * FROM SCA_ENDERECOFORNECEDOR\n"
           "WHERE EFO_PK_ENDERECOFORNECEDOR = 0",
    .table = "SCA_ENDERECOFORNECEDOR",
    .keyFields = "EFO_PK_ENDERECOFORNECEDOR",
    .fields = CDS_ENDERECOFORNECEDOR_FIELDS,
};

const TClientDataSetDef dfm::CDS_CONTATOFORNECEDOR = {
    .name = "CDS_CONTATOFORNECEDOR",
    .sql = "SELECT * FROM SCA_CONTATOFORNECEDOR\n"
           "WHERE CFO_PK_CONTATOFORNECEDOR = 0",
    .table = "SCA_CONTATOFORNECEDOR",
    .keyFields = "CFO_PK_CONTATOFORNECEDOR",
    .fields = CDS_CONTATOFORNECEDOR_FIELDS,
};
