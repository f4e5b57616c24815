// Form definition: the table components of the postal address registry. Columns the registry never
// sets and whose types it does not rely on are left out.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

constexpr TFieldDef TBL_BAIRRO_FIELDS[] = {
    {.name = "BAI_PK_BAIRRO", .type = ftInteger},
    {.name = "BAI_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "BAI_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "BAI_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "BAI_NOME", .type = ftString, .size = 30, .required = true},
    {.name = "BAI_CODIGO_TIPO_BAIRRO", .type = ftSmallint, .required = true},
    {.name = "BAI_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "BAI_DT_ALTERACAO", .type = ftDateTime},
    {.name = "BAI_HR_ALTERACAO", .type = ftDateTime},
};

constexpr TFieldDef TBL_CIDADE_FIELDS[] = {
    {.name = "CID_PK_CIDADE", .type = ftInteger},
    {.name = "CID_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "CID_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CID_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CID_NOME", .type = ftString, .size = 40, .required = true},
    {.name = "CID_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "CID_DT_ALTERACAO", .type = ftDateTime},
    {.name = "CID_HR_ALTERECAO", .type = ftDateTime},
};

constexpr TFieldDef TBL_UF_FIELDS[] = {
    {.name = "UFE_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "UFE_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "UFE_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "UFE_CODIGO", .type = ftString, .size = 2, .required = true},
    {.name = "UFE_DESCRICAO", .type = ftString, .size = 30, .required = true},
    {.name = "UFE_CODIGO_ALIQUOTAICMS_INTERNA", .type = ftInteger},
    {.name = "UFE_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "UFE_DT_ALTERACAO", .type = ftDateTime},
    {.name = "UFE_HR_ALTERACAO", .type = ftDateTime},
};

constexpr TFieldDef TBL_ENDERECOCORREIO_FIELDS[] = {
    {.name = "ECO_PK_ENDERECOCORREIO", .type = ftInteger},
    {.name = "ECO_CODIGO_USUARIO_INC", .type = ftInteger},
    {.name = "ECO_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ECO_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ECO_ENDERECO", .type = ftString, .size = 60, .required = true},
    {.name = "ECO_CODIGO_BAIRRO", .type = ftInteger},
    {.name = "ECO_CODIGO_CIDADE", .type = ftInteger},
    {.name = "ECO_CODIGO_UF", .type = ftString, .size = 2, .required = true},
    {.name = "ECO_CODIGO_PAIS", .type = ftSmallint},
    {.name = "ECO_CODIGO_TIPO_ENDERECO", .type = ftSmallint, .required = true},
    {.name = "ECO_CEP", .type = ftString, .size = 8, .required = true},
    {.name = "ECO_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "ECO_DT_ALTERACAO", .type = ftDateTime},
    {.name = "ECO_HR_ALTERACAO", .type = ftDateTime},
};

} // namespace

const TTableDef dfm::TBL_BAIRRO = {
    .name = "TBL_BAIRRO",
    .table = "SCA_BAIRRO",
    .primaryKey = "BAI_PK_BAIRRO",
    .fields = TBL_BAIRRO_FIELDS,
};

const TTableDef dfm::TBL_CIDADE = {
    .name = "TBL_CIDADE",
    .table = "SCA_CIDADE",
    .primaryKey = "CID_PK_CIDADE",
    .fields = TBL_CIDADE_FIELDS,
};

// A state is keyed by its own code.
const TTableDef dfm::TBL_UF = {
    .name = "TBL_UF",
    .table = "SCA_UNIDADEFEDERATIVA",
    .primaryKey = "UFE_CODIGO",
    .fields = TBL_UF_FIELDS,
};

const TTableDef dfm::TBL_ENDERECOCORREIO = {
    .name = "TBL_ENDERECOCORREIO",
    .table = "SCA_ENDERECOCORREIO",
    .primaryKey = "ECO_PK_ENDERECOCORREIO",
    .fields = TBL_ENDERECOCORREIO_FIELDS,
};
