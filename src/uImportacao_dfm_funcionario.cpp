// Form definition: the employee source set and the employee table component.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

constexpr TFieldDef CDS_ORIGEM_FUNCIONARIO_FIELDS[] = {
    {.name = "FUN_CODIGO", .type = ftString, .size = 3, .required = true},
    {.name = "FUN_CODIGO_ESTAB", .type = ftString, .size = 2, .required = true},
    {.name = "FUN_DESCRICAO", .type = ftString, .size = 25, .required = true},
    {.name = "FUN_COMISSAO", .type = ftFloat},
    {.name = "FUN_VENDEDOR", .type = ftString, .size = 1},
    {.name = "FUN_CAIXA", .type = ftString, .size = 1},
    {.name = "FUN_SENHA", .type = ftString, .size = 6},
    {.name = "FUN_GERENTE", .type = ftString, .size = 1},
    {.name = "FUN_ALTERADO", .type = ftString, .size = 1},
};

constexpr TFieldDef TBL_FUNCIONARIO_FIELDS[] = {
    {.name = "FUN_CODIGO", .type = ftInteger, .required = true},
    {.name = "FUN_NOME", .type = ftString, .size = 30, .required = true},
    {.name = "FUN_APELIDO", .type = ftString, .size = 15, .required = true},
    {.name = "FUN_SENHA", .type = ftString, .size = 15, .required = true},
    {.name = "FUN_VENDEDOR", .type = ftString, .size = 1, .required = true},
    {.name = "FUN_ENDERECO", .type = ftString, .size = 60},
    {.name = "FUN_NUMERO", .type = ftString, .size = 10},
    {.name = "FUN_COMPLEMENTO", .type = ftString, .size = 15},
    {.name = "FUN_BAIRRO", .type = ftString, .size = 30},
    {.name = "FUN_CIDADE", .type = ftString, .size = 30},
    {.name = "FUN_UF", .type = ftString, .size = 2},
    {.name = "FUN_CEP", .type = ftString, .size = 8},
    {.name = "FUN_TELEFONE_RESIDENCIAL", .type = ftString, .size = 10},
    {.name = "FUN_TELEFONE_CELULAR", .type = ftString, .size = 10},
    {.name = "FUN_TELEFONE_EMPRESA", .type = ftString, .size = 10},
    {.name = "FUN_RAMAL_EMPRESA", .type = ftString, .size = 6},
    {.name = "FUN_EMAIL", .type = ftString, .size = 50},
    {.name = "FUN_OPERADOR_ECF", .type = ftString, .size = 1, .required = true},
    {.name = "FUN_GERENTE_VENDAS", .type = ftString, .size = 1},
    {.name = "FUN_CODIGO_GERENTE_VENDAS", .type = ftInteger},
    {.name = "FUN_ATIVO", .type = ftString, .size = 1},
    {.name = "FUN_CALCULA_COMISSAO", .type = ftString, .size = 1},
    {.name = "FUN_LOCAL_TRABALHO", .type = ftString, .size = 1},
    {.name = "FUN_ALTERADO", .type = ftString, .size = 1},
    {.name = "FUN_CODIGO_EMPRESA_MASTER", .type = ftInteger},
    {.name = "FUN_COMPRADOR", .type = ftString, .size = 1},
    {.name = "FUN_LIMITE_COMPRA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "FUN_CODIGO_CONTACAIXA", .type = ftInteger},
    {.name = "FUN_GARCOM", .type = ftString, .size = 1},
    {.name = "FUN_LIMITE_COMPRA_DIA", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "FUN_NUMERO_CRACHA", .type = ftString, .size = 10},
    {.name = "FUN_CODIGO_EMPRESA", .type = ftInteger},
    {.name = "FUN_CODIGO_OPERADOR_CAIXA", .type = ftInteger},
    {.name = "FUN_AGENDA_INICIAL", .type = ftTime},
    {.name = "FUN_AGENDA_FINAL", .type = ftTime},
    {.name = "FUN_AGENDA_FORA_HORARIO", .type = ftString, .size = 1},
    {.name = "FUN_PROFISSIONAL_AGENDA", .type = ftString, .size = 1},
    {.name = "FUN_CODIGO_DEPARTAMENTO", .type = ftInteger},
};

} // namespace

const TClientDataSetDef dfm::CDS_ORIGEM_FUNCIONARIO = {
    .name = "CDS_ORIGEM_FUNCIONARIO",
    .sql = "SELECT * FROM LJ_FUNC ORDER BY FUN_CODIGO",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_FUNCIONARIO_FIELDS,
};

// Employees are inserted straight into the table, so the component declares all of its columns.
// An employee keeps its legacy code as its key: the sales name their seller by that code.
const TTableDef dfm::TBL_FUNCIONARIO = {
    .name = "TBL_FUNCIONARIO",
    .table = "SCA_FUNCIONARIO",
    .primaryKey = "FUN_CODIGO",
    .fields = TBL_FUNCIONARIO_FIELDS,
    .keyMustStay = true,
};
