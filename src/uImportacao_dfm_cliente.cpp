// Form definition: the customer source set and the customer destination sets. Each destination
// statement selects a key no row has, so the set opens empty and only collects new rows.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

// The legacy columns the step reads; the rest of LJ_CLIEN is never migrated.
constexpr TFieldDef CDS_ORIGEM_CLIENTE_FIELDS[] = {
    {.name = "CLI_CODIGO", .type = ftString, .size = 5, .required = true},
    {.name = "CLI_DESCRICAO", .type = ftString, .size = 45, .required = true},
    {.name = "CLI_CNPJ_CIC", .type = ftString, .size = 18},
    {.name = "CLI_INSCR_RG", .type = ftString, .size = 15},
    {.name = "CLI_STATUS", .type = ftString, .size = 15},
    {.name = "CLI_LIMITE_CREDITO", .type = ftFloat},
    {.name = "CLI_DATA_NASCIMENTO", .type = ftDateTime},
    {.name = "CLI_DATA_INCLUSAO", .type = ftDateTime},
    {.name = "CLI_DATA_ULTIMA_COMPRA", .type = ftDateTime},
    {.name = "CLI_MENSAGEM", .type = ftString, .size = 40},
    {.name = "CLI_ENDERECO", .type = ftString, .size = 40},
    {.name = "CLI_BAIRRO", .type = ftString, .size = 15},
    {.name = "CLI_CIDADE", .type = ftString, .size = 15},
    {.name = "CLI_ESTADO", .type = ftString, .size = 2},
    {.name = "CLI_CEP", .type = ftString, .size = 10},
    {.name = "CLI_FONE1", .type = ftString, .size = 14},
    {.name = "CLI_FONE2", .type = ftString, .size = 14},
    {.name = "CLI_EMAIL", .type = ftString, .size = 60},
    {.name = "CLI_FILIACAO_PAI", .type = ftString, .size = 30},
    {.name = "CLI_FILIACAO_MAE", .type = ftString, .size = 30},
    {.name = "CLI_DESCRICAO_EMPRESA", .type = ftString, .size = 30},
    {.name = "CLI_DESCRICAO_REF1", .type = ftString, .size = 30},
    {.name = "CLI_DESCRICAO_REF2", .type = ftString, .size = 30},
    {.name = "CLI_FONE_REF1", .type = ftString, .size = 14},
    {.name = "CLI_FONE_REF2", .type = ftString, .size = 14},
};

constexpr TFieldDef CDS_CLIENTE_FIELDS[] = {
    {.name = "CLI_VENDA_SEMPRECTACORRENTE", .type = ftString, .size = 1},
    {.name = "CLI_DESONERACAO_ICMS", .type = ftString, .size = 1},
    {.name = "CLI_BLOQUEIASUSPENDE_AUTOMATICO", .type = ftString, .size = 1},
    {.name = "CLI_ENVIA_PDV", .type = ftString, .size = 1},
    {.name = "CLI_CODIGO", .type = ftInteger, .required = true},
    {.name = "CLI_NOME", .type = ftString, .size = 60, .required = true},
    {.name = "CLI_CNPJ_CIC", .type = ftString, .size = 14},
    {.name = "CLI_TIPO", .type = ftString, .size = 1},
    {.name = "CLI_RG", .type = ftString, .size = 15},
    {.name = "CLI_ORGAO_EMISSAO_RG", .type = ftString, .size = 5},
    {.name = "CLI_INSCRICAO_ESTADUAL", .type = ftString, .size = 15},
    {.name = "CLI_STATUS", .type = ftString, .size = 1},
    {.name = "CLI_VLR_LIMITE", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "CLI_DT_NASCIMENTO_FUNDACAO", .type = ftDateTime},
    {.name = "CLI_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CLI_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CLI_MENSAGEM", .type = ftString, .size = 500},
    {.name = "CLI_DT_ULTIMA_COMPRA", .type = ftDateTime},
    {.name = "CLI_CODIGO_CATEGORIA", .type = ftInteger, .required = true},
    {.name = "CLI_CODIGO_TIPO", .type = ftInteger, .required = true},
    {.name = "CLI_CODIGO_USUARIO", .type = ftInteger},
    {.name = "CLI_CODIGO_TIPOTRIBUTARIO", .type = ftInteger},
    {.name = "CLI_CODIGO_REGIAO", .type = ftSmallint},
    {.name = "CLI_NR_DIAS_PROTESTO", .type = ftInteger},
    {.name = "CLI_PRAZO_CTACORRENTE_DIADOMES", .type = ftInteger},
    {.name = "CLI_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "CLI_GRAU_INSTRUCAO", .type = ftSmallint, .required = true},
    {.name = "CLI_NR_DIAS_CARENCIA", .type = ftSmallint},
    {.name = "CLI_PERC_DESCONTO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "CLI_ALTERADO", .type = ftString, .size = 1},
    {.name = "CLI_COBRAR_TARIFA", .type = ftString, .size = 1},
    {.name = "CLI_EMITE_NOTA", .type = ftString, .size = 1},
    {.name = "CLI_VERIFICAR_DEBITOS_VENDA", .type = ftString, .size = 1},
    {.name = "CLI_UTILIZACAO_INTERNA", .type = ftString, .size = 1},
    {.name = "CLI_CORRENTISTA", .type = ftString, .size = 1},
    {.name = "CLI_VALE_FRETE", .type = ftString, .size = 1},
    {.name = "CLI_INFORMA_CENTRO_CUSTO_VENDA", .type = ftString, .size = 1},
    {.name = "CLI_RETEM_IMPOSTOS_FEDERAIS", .type = ftString, .size = 1},
    {.name = "CLI_RETEM_ISS", .type = ftString, .size = 1},
    {.name = "CLI_SEXO", .type = ftString, .size = 1},
};

constexpr TFieldDef CDS_COMPLEMENTOCLIENTE_FIELDS[] = {
    {.name = "CCL_PK_COMPLEMENTOCLIENTE", .type = ftInteger, .required = true},
    {.name = "CCL_CODIGO_CLIENTE", .type = ftInteger, .required = true},
    {.name = "CCL_NOME_PAI", .type = ftString, .size = 50},
    {.name = "CCL_NOME_MAE", .type = ftString, .size = 50},
    {.name = "CCL_NOME_EMPRESA", .type = ftString, .size = 50},
    {.name = "CCL_IMOVEL_PROPRIO", .type = ftString, .size = 1},
    {.name = "CCL_ESTADO_CIVIL", .type = ftString, .size = 1},
    {.name = "CCL_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "CCL_TEMPO_RESIDENCIA", .type = ftSmallint},
    {.name = "CCL_TEMPO_TRABALHA_EMPRESA", .type = ftSmallint},
    {.name = "CCL_VLR_SALARIO", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "CCL_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CCL_HR_INCLUSAO", .type = ftDateTime, .required = true},
};

constexpr TFieldDef CDS_REFERENCIACLIENTE_FIELDS[] = {
    {.name = "RCL_PK_REFERENCIACLIENTE", .type = ftInteger, .required = true},
    {.name = "RCL_CODIGO_CLIENTE", .type = ftInteger, .required = true},
    {.name = "RCL_TIPO", .type = ftString, .size = 3},
    {.name = "RCL_NOME", .type = ftString, .size = 50, .required = true},
    {.name = "RCL_FONE1", .type = ftString, .size = 14},
    {.name = "RCL_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "RCL_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "RCL_HR_INCLUSAO", .type = ftDateTime, .required = true},
};

constexpr TFieldDef CDS_ENDERECOCLIENTE_FIELDS[] = {
    {.name = "ECL_PK_ENDERECOCLIENTE", .type = ftInteger, .required = true},
    {.name = "ECL_CODIGO_CLIENTE", .type = ftInteger, .required = true},
    {.name = "ECL_CODIGO_END_CORREIO", .type = ftInteger, .required = true},
    {.name = "ECL_CODIGO_TIPO", .type = ftFixedChar, .size = 3, .required = true},
    {.name = "ECL_NUMERO", .type = ftString, .size = 9},
    {.name = "ECL_COMPLEMENTO", .type = ftString, .size = 30},
    {.name = "ECL_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "ECL_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "ECL_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ECL_DT_ALTERACAO", .type = ftDateTime},
    {.name = "ECL_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ECL_HR_ALTERACAO", .type = ftDateTime},
};

constexpr TFieldDef CDS_CONTATOCLIENTE_FIELDS[] = {
    {.name = "CCI_PK_CONTATOCLIENTE", .type = ftInteger, .required = true},
    {.name = "CCI_CODIGO_CLIENTE", .type = ftInteger, .required = true},
    {.name = "CCI_CODIGO_TIPO_CONTATO", .type = ftSmallint, .required = true},
    {.name = "CCI_NOME", .type = ftString, .size = 50, .required = true},
    {.name = "CCI_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "CCI_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "CCI_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CCI_DT_ALTERACAO", .type = ftDateTime},
    {.name = "CCI_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "CCI_HR_ALTERACAO", .type = ftDateTime},
    {.name = "CCI_ENVIA_NFE", .type = ftFixedChar, .size = 1},
};

} // namespace

const TClientDataSetDef dfm::CDS_ORIGEM_CLIENTE = {
    .name = "CDS_ORIGEM_CLIENTE",
    .sql = "SELECT\n"
           "*\n"
           "FROM\n"
           "LJ_CLIEN\n"
           "ORDER BY\n"
           "CLI_CODIGO",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_CLIENTE_FIELDS,
};

// The customer keeps its legacy code as its key: no generator. The sales and receivables find
// it again by that code.
const TClientDataSetDef dfm::CDS_CLIENTE = {
    .name = "CDS_CLIENTE",
    .sql = "SELECT * FROM SCA_CLIENTE\n"
           "WHERE CLI_CODIGO = 0",
    .table = "SCA_CLIENTE",
    .keyFields = "CLI_CODIGO",
    .fields = CDS_CLIENTE_FIELDS,
    .keyMustStay = true,
};

const TClientDataSetDef dfm::CDS_COMPLEMENTOCLIENTE = {
    .name = "CDS_COMPLEMENTOCLIENTE",
    .sql = "SELECT * FROM SCA_COMPLEMENTOCLIENTE\n"
           "WHERE CCL_PK_COMPLEMENTOCLIENTE = 0",
    .table = "SCA_COMPLEMENTOCLIENTE",
    .keyFields = "CCL_PK_COMPLEMENTOCLIENTE",
    .fields = CDS_COMPLEMENTOCLIENTE_FIELDS,
};

const TClientDataSetDef dfm::CDS_REFERENCIACLIENTE = {
    .name = "CDS_REFERENCIACLIENTE",
    .sql = "SELECT * FROM SCA_REFERENCIACLIENTE\n"
           "WHERE RCL_PK_REFERENCIACLIENTE = 0",
    .table = "SCA_REFERENCIACLIENTE",
    .keyFields = "RCL_PK_REFERENCIACLIENTE",
    .fields = CDS_REFERENCIACLIENTE_FIELDS,
};

const TClientDataSetDef dfm::CDS_ENDERECOCLIENTE = {
    .name = "CDS_ENDERECOCLIENTE",
    .sql = "SELECT * FROM SCA_ENDERECOCLIENTE\n"
           "WHERE ECL_PK_ENDERECOCLIENTE = 0",
    .table = "SCA_ENDERECOCLIENTE",
    .keyFields = "ECL_PK_ENDERECOCLIENTE",
    .fields = CDS_ENDERECOCLIENTE_FIELDS,
};

const TClientDataSetDef dfm::CDS_CONTATOCLIENTE = {
    .name = "CDS_CONTATOCLIENTE",
    .sql = "SELECT * FROM SCA_CONTATOCLIENTE\n"
           "WHERE CCI_PK_CONTATOCLIENTE = 0",
    .table = "SCA_CONTATOCLIENTE",
    .keyFields = "CCI_PK_CONTATOCLIENTE",
    .fields = CDS_CONTATOCLIENTE_FIELDS,
};
