// Form definition: the product source set, the product destination sets and the table components
// of the product classification look-ups. Columns the step never sets and whose types it does not
// rely on are left out.

#include "uImportacao_dfm.h"

namespace {

using enum TFieldType;

// LJ_ITENS with the descriptions of its group, subgroup, unit and collection and its current
// sale price.
constexpr TFieldDef CDS_ORIGEM_PRODUTO_FIELDS[] = {
    {.name = "ITE_CODIGO", .type = ftString, .size = 10, .required = true},
    {.name = "ITE_CODIGO_ESTAB", .type = ftString, .size = 2, .required = true},
    {.name = "ITE_CODIGO_FORNE", .type = ftString, .size = 4, .required = true},
    {.name = "ITE_CODIGO_GRUPO", .type = ftString, .size = 3, .required = true},
    {.name = "ITE_CODIGO_SUBGRUPO", .type = ftString, .size = 3, .required = true},
    {.name = "ITE_CODIGO_COLECAO", .type = ftString, .size = 3, .required = true},
    {.name = "ITE_CODIGO_UNIDADE", .type = ftString, .size = 2, .required = true},
    {.name = "ITE_DESCRICAO", .type = ftString, .size = 40, .required = true},
    {.name = "ITE_ESTOQUE_MINIMO", .type = ftFloat},
    {.name = "ITE_ESTOQUE_MAXIMO", .type = ftFloat},
    {.name = "ITE_CUSTO_LIQUIDO", .type = ftFloat},
    {.name = "ITE_DATA_ULTIMA_VENDA", .type = ftDateTime},
    {.name = "ITE_SALDO_TOTAL", .type = ftFloat},
    {.name = "ITE_CODIGO_GEN", .type = ftInteger},
    {.name = "GRU_DESCRICAO", .type = ftString, .size = 15, .required = true},
    {.name = "SUB_DESCRICAO", .type = ftString, .size = 15, .required = true},
    {.name = "UNI_DESCRICAO", .type = ftString, .size = 15},
    {.name = "COL_DESCRICAO", .type = ftString, .size = 40, .required = true},
    {.name = "PRECO_VENDA", .type = ftFloat},
    {.name = "ITE_CODIGO_ICMS", .type = ftString, .size = 2},
    {.name = "ITE_COMISSAO", .type = ftFloat},
    {.name = "ITE_DATA_ULTIMA_COMPRA", .type = ftDateTime},
    {.name = "ITE_SALDO_PARCIAL", .type = ftFloat},
    {.name = "ITE_PRECO_UNITARIO", .type = ftFloat},
    {.name = "ITE_PRECO_SUGERIDO", .type = ftFloat},
    {.name = "ITE_MC_VAREJO", .type = ftFloat},
    {.name = "ITE_DESPESAS", .type = ftFloat},
    {.name = "ITE_OBSERVACAO", .type = ftString, .size = 10},
    {.name = "ITE_MARGEM", .type = ftFloat},
    {.name = "ITE_MARKUP", .type = ftFloat},
    {.name = "ITE_CODIGO_CLFISCAL", .type = ftString, .size = 3},
    {.name = "ITE_CODIGO_CST", .type = ftString, .size = 3},
    {.name = "ITE_CODIGO_CFOP", .type = ftString, .size = 4},
    {.name = "ITE_ALTERADO", .type = ftString, .size = 1},
};

constexpr TFieldDef CDS_ITEM_FIELDS[] = {
    {.name = "ITE_PK_ITEM", .type = ftInteger, .required = true},
    {.name = "ITE_CODIGO_EMPRESA_MASTER", .type = ftInteger, .required = true},
    {.name = "ITE_CODIGO_GRUPO", .type = ftInteger, .required = true},
    {.name = "ITE_CODIGO_SUBGRUPO", .type = ftSmallint},
    {.name = "ITE_CODIGO_MARCA", .type = ftSmallint},
    {.name = "ITE_CODIGO_PAIS", .type = ftSmallint},
    {.name = "ITE_REFERENCIA", .type = ftString, .size = 25},
    {.name = "ITE_CLASSIFICA_LISTA", .type = ftSmallint},
    {.name = "ITE_DESCRICAO", .type = ftString, .size = 50, .required = true},
    {.name = "ITE_PESO_LIQUIDO", .type = ftBCD, .size = 9, .scale = 4},
    {.name = "ITE_PESO_BRUTO", .type = ftBCD, .size = 9, .scale = 4},
    {.name = "ITE_EMBALAGEM", .type = ftInteger},
    {.name = "ITE_ISENTO_PISCOFINS", .type = ftFixedChar, .size = 1},
    {.name = "ITE_CODIGO_CLASSIFICACAO_FISCAL", .type = ftInteger, .required = true},
    {.name = "ITE_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ITE_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ITE_ORIGEM_MERCADORIA", .type = ftFixedChar, .size = 1},
    {.name = "ITE_SOLICITAR_NRSERIE_NFENTRADA", .type = ftFixedChar, .size = 1, .required = true},
    {.name = "ITE_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "ITE_PERC_MVA_ST", .type = ftBCD, .size = 9, .scale = 2},
    {.name = "ITE_PERC_MVA_ST_EXTERNO", .type = ftBCD, .size = 9, .scale = 2},
    {.name = "ITE_CODIGO_ALTERNATIVO", .type = ftString, .size = 10, .required = true},
    {.name = "ITE_UTILIZA_LOTE", .type = ftFixedChar, .size = 1},
    {.name = "ITE_DISPONIVEL_NO_SITE", .type = ftFixedChar, .size = 1},
    {.name = "ITE_ENVIAR_LOTE_NFE", .type = ftFixedChar, .size = 1},
};

constexpr TFieldDef CDS_ITEMEMPRESA_FIELDS[] = {
    {.name = "IEM_PK_ITEMEMPRESA", .type = ftInteger, .required = true},
    {.name = "IEM_CODIGO_EMPRESA_MASTER", .type = ftInteger, .required = true},
    {.name = "IEM_CODIGO_EMPRESA", .type = ftInteger, .required = true},
    {.name = "IEM_CODIGO_ITEM", .type = ftInteger, .required = true},
    {.name = "IEM_CODIGO_EVENTO_ANALITICO_REC", .type = ftInteger},
    {.name = "IEM_CODIGO_EVENTO_ANALITICO_EST", .type = ftInteger, .required = true},
    {.name = "IEM_CODIGO_EVENTO_ANALITICO_CMV", .type = ftInteger},
    {.name = "IEM_CODIGO_CENTRO_CUSTO", .type = ftInteger, .required = true},
    {.name = "IEM_CODIGO_UNIDADE", .type = ftSmallint},
    {.name = "IEM_QTD_ESTOQUE_MINIMO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "IEM_QTD_ESTOQUE_MAXIMO", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "IEM_IMPRIME_TABPRECO", .type = ftFixedChar, .size = 1},
    {.name = "IEM_UTILIZA_LOTE", .type = ftFixedChar, .size = 1},
    {.name = "IEM_ALTERA_PRECO_NFENTRADA", .type = ftFixedChar, .size = 1},
    {.name = "IEM_ALTERADO", .type = ftFixedChar, .size = 1},
    {.name = "IEM_POSSE", .type = ftFixedChar, .size = 1},
    {.name = "IEM_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "IEM_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "IEM_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "IEM_PRAZO_COMPRA", .type = ftSmallint},
    {.name = "IEM_LIBERAR_SALDO_NEGATIVO", .type = ftFixedChar, .size = 1},
    {.name = "IEM_LIBERAR_PARA_VENDA", .type = ftFixedChar, .size = 1},
    {.name = "IEM_PERMITE_DESCONTO", .type = ftFixedChar, .size = 1},
    {.name = "IEM_ATIVO", .type = ftFixedChar, .size = 1},
    {.name = "IEM_DT_ULTIMA_VENDA", .type = ftDateTime},
};

constexpr TFieldDef CDS_ITEMLOCAL_FIELDS[] = {
    {.name = "ILE_PK_ITEMLOCALEMPRESA", .type = ftInteger, .required = true},
    {.name = "ILE_CODIGO_ITEMEMPRESA", .type = ftInteger, .required = true},
    {.name = "ILE_CODIGO_LOCALARMAZENAMENTO", .type = ftSmallint, .required = true},
    {.name = "ILE_CODIGO_ITEM", .type = ftInteger, .required = true},
    {.name = "ILE_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "ILE_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "ILE_HR_INCLUSAO", .type = ftDateTime, .required = true},
};

constexpr TFieldDef CDS_PRECOVENDA_FIELDS[] = {
    {.name = "TPI_PK_TABELAPRECOITEMEMPRESA", .type = ftInteger, .required = true},
    {.name = "TPI_CODIGO_EMPRESA_MASTER", .type = ftInteger, .required = true},
    {.name = "TPI_CODIGO_EMPRESA", .type = ftInteger, .required = true},
    {.name = "TPI_CODIGO_TIPOPRECO", .type = ftSmallint, .required = true},
    {.name = "TPI_CODIGO_ITEM", .type = ftInteger},
    {.name = "TPI_CODIGO_ITEMEMPRESA", .type = ftInteger},
    {.name = "TPI_DT_VALIDADE", .type = ftDateTime, .required = true},
    {.name = "TPI_PRECO", .type = ftBCD, .size = 18, .scale = 5},
    {.name = "TPI_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "TPI_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "TPI_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "TPI_LOCAL_INCLUSAO", .type = ftFixedChar, .size = 3, .required = true},
};

constexpr TFieldDef CDS_PRECOCUSTO_FIELDS[] = {
    {.name = "HCL_PK_HISTORICOCUSTOLIQUIDO", .type = ftInteger, .required = true},
    {.name = "HCL_CODIGO_EMPRESA_MASTER", .type = ftInteger, .required = true},
    {.name = "HCL_CODIGO_EMPRESA", .type = ftInteger, .required = true},
    {.name = "HCL_CODIGO_ITEM", .type = ftInteger},
    {.name = "HCL_CODIGO_ITEMEMPRESA", .type = ftInteger},
    {.name = "HCL_CODIGO_ITEMLOCAL", .type = ftInteger},
    {.name = "HCL_VLR_CUSTOLIQUIDO", .type = ftBCD, .size = 18, .scale = 5},
    {.name = "HCL_VLR_UNITARIO", .type = ftBCD, .size = 18, .scale = 5},
    {.name = "HCL_VLR_EFETIVO", .type = ftBCD, .size = 18, .scale = 5},
    {.name = "HCL_CODIGO_LOCAL", .type = ftSmallint},
    {.name = "HCL_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "HCL_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "HCL_HR_INCLUSAO", .type = ftDateTime, .required = true},
};

// Stock rows carry no insertion stamp.
constexpr TFieldDef CDS_SALDO_FIELDS[] = {
    {.name = "SIE_PK_SALDOITEMEMPRESA", .type = ftInteger, .required = true},
    {.name = "SIE_CODIGO_ITEMEMPRESA", .type = ftInteger, .required = true},
    {.name = "SIE_CODIGO_ITEMLOCALEMPRESA", .type = ftInteger, .required = true},
    {.name = "SIE_DT_LANCAMENTO", .type = ftDateTime, .required = true},
    {.name = "SIE_SALDO_ANTERIOR", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SIE_QTD_ENTRADAS", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SIE_VLR_ENTRADAS", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SIE_ACUMULA_ENTRADAS", .type = ftBCD, .size = 18, .scale = 2},
    {.name = "SIE_QTD_SAIDAS_PESSOAJURIDICA", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SIE_QTD_SAIDAS_PESSOAFISICA", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SIE_SALDO_ATUAL", .type = ftBCD, .size = 18, .scale = 3},
    {.name = "SIE_PRECO_MEDIO", .type = ftBCD, .size = 18, .scale = 5},
};

constexpr TFieldDef CDS_ITEMFORNECEDOR_FIELDS[] = {
    {.name = "IFO_PK_ITEMFORNECEDOR", .type = ftInteger, .required = true},
    {.name = "IFO_CODIGO_ITEM", .type = ftInteger, .required = true},
    {.name = "IFO_CODIGO_FORNECEDOR", .type = ftInteger, .required = true},
    {.name = "IFO_INCLUIDO_PELO_SISTEMA", .type = ftFixedChar, .size = 1},
    {.name = "IFO_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "IFO_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "IFO_HR_INCLUSAO", .type = ftDateTime, .required = true},
};

constexpr TFieldDef TBL_GRUPO_FIELDS[] = {
    {.name = "GPR_PK_GRUPOPRODUTO", .type = ftInteger, .required = true},
    {.name = "GPR_CODIGO", .type = ftInteger, .required = true},
    {.name = "GPR_DESCRICAO", .type = ftString, .size = 40, .required = true},
    {.name = "GPR_CLASSIFICA_LISTA", .type = ftSmallint},
    {.name = "GPR_TIPO", .type = ftString, .size = 2, .required = true},
    {.name = "GPR_CLASSIFICACAO", .type = ftString, .size = 1},
    {.name = "GPR_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "GPR_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "GPR_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "GPR_EXIBE_SINTEGRA_INVENTARIO", .type = ftString, .size = 1},
    {.name = "GPR_LOCACAO", .type = ftString, .size = 1},
    {.name = "GPR_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "GPR_DT_ALTERACAO", .type = ftDateTime},
    {.name = "GPR_HR_ALTERACAO", .type = ftDateTime},
};

constexpr TFieldDef TBL_SUBGRUPO_FIELDS[] = {
    {.name = "SGR_PK_SUBGRUPO", .type = ftSmallint, .required = true},
    {.name = "SGR_CODIGO", .type = ftInteger, .required = true},
    {.name = "SGR_DESCRICAO", .type = ftString, .size = 40, .required = true},
    {.name = "SGR_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "SGR_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "SGR_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "SGR_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "SGR_DT_ALTERACAO", .type = ftDateTime},
    {.name = "SGR_HR_ALTERACAO", .type = ftDateTime},
};

constexpr TFieldDef TBL_UNIDADE_FIELDS[] = {
    {.name = "UNI_PK_UNIDADE", .type = ftSmallint, .required = true},
    {.name = "UNI_CODIGO", .type = ftString, .size = 3, .required = true},
    {.name = "UNI_DESCRICAO", .type = ftString, .size = 30, .required = true},
    {.name = "UNI_FRACIONARIA", .type = ftString, .size = 1},
    {.name = "UNI_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "UNI_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "UNI_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "UNI_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "UNI_DT_ALTERACAO", .type = ftDateTime},
    {.name = "UNI_HR_ALTERACAO", .type = ftDateTime},
};

constexpr TFieldDef TBL_MARCA_FIELDS[] = {
    {.name = "MAR_PK_MARCA", .type = ftSmallint, .required = true},
    {.name = "MAR_DESCRICAO", .type = ftString, .size = 30, .required = true},
    {.name = "MAR_CODIGO_USUARIO_INC", .type = ftInteger, .required = true},
    {.name = "MAR_CODIGO_USUARIO_ALT", .type = ftInteger},
    {.name = "MAR_DT_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "MAR_DT_ALTERACAO", .type = ftDateTime},
    {.name = "MAR_HR_INCLUSAO", .type = ftDateTime, .required = true},
    {.name = "MAR_HR_ALTERACAO", .type = ftDateTime},
};

} // namespace

// The statement is stored with an empty line between each two of its lines.
const TClientDataSetDef dfm::CDS_ORIGEM_PRODUTO = {
    .name = "CDS_ORIGEM_PRODUTO",
    .sql =
        "SELECT\n\n"
        "LJ_ITENS.*,\n\n"
        "LJ_GRUPO.GRU_DESCRICAO,\n\n"
        "LJ_SUBGR.SUB_DESCRICAO,\n\n"
        "LJ_UNID.UNI_DESCRICAO,\n\n"
        "LJ_COLEC.COL_DESCRICAO,\n\n"
        // Midnight of today as a timestamp, not CURRENT_DATE: a legacy file of SQL dialect 1 refuses
        // any reference to the DATE type.
        "(SELECT FIRST 1 PRE_PRECO FROM LJ_PRECO WHERE PRE_CODIGO_ESTAB = ITE_CODIGO_ESTAB AND "
        "PRE_CODIGO_FORNE = ITE_CODIGO_FORNE AND PRE_CODIGO_ITEM = ITE_CODIGO AND "
        "PRE_DATA <= CAST('TODAY' AS TIMESTAMP) ORDER BY PRE_DATA DESC) AS PRECO_VENDA\n\n"
        "FROM\n\n"
        "LJ_ITENS\n\n"
        "INNER JOIN LJ_GRUPO ON ITE_CODIGO_GRUPO = GRU_CODIGO AND ITE_CODIGO_ESTAB = GRU_CODIGO_ESTAB\n\n"
        "INNER JOIN LJ_SUBGR ON ITE_CODIGO_SUBGRUPO = SUB_CODIGO AND ITE_CODIGO_ESTAB = SUB_CODIGO_ESTAB\n\n"
        "INNER JOIN LJ_UNID ON ITE_CODIGO_UNIDADE = UNI_CODIGO AND ITE_CODIGO_ESTAB = UNI_CODIGO_ESTAB\n\n"
        "INNER JOIN LJ_COLEC ON ITE_CODIGO_COLECAO = COL_CODIGO AND ITE_CODIGO_ESTAB = COL_CODIGO_ESTAB\n\n"
        "ORDER BY ITE_CODIGO",
    .table = nullptr,
    .keyFields = nullptr,
    .fields = CDS_ORIGEM_PRODUTO_FIELDS,
};

const TClientDataSetDef dfm::CDS_ITEM = {
    .name = "CDS_ITEM",
    .sql = "SELECT * FROM SCA_ITEM\n"
           "WHERE ITE_PK_ITEM = 0",
    .table = "SCA_ITEM",
    .keyFields = "ITE_PK_ITEM",
    .fields = CDS_ITEM_FIELDS,
};

const TClientDataSetDef dfm::CDS_ITEMEMPRESA = {
    .name = "CDS_ITEMEMPRESA",
    .sql = "SELECT * FROM SCA_ITEMEMPRESA\n"
           "WHERE IEM_PK_ITEMEMPRESA = 0",
    .table = "SCA_ITEMEMPRESA",
    .keyFields = "IEM_PK_ITEMEMPRESA",
    .fields = CDS_ITEMEMPRESA_FIELDS,
};

const TClientDataSetDef dfm::CDS_ITEMLOCAL = {
    .name = "CDS_ITEMLOCAL",
    .sql = "SELECT * FROM SCA_ITEMLOCALEMPRESA\n"
           "WHERE ILE_PK_ITEMLOCALEMPRESA = 0",
    .table = "SCA_ITEMLOCALEMPRESA",
    .keyFields = "ILE_PK_ITEMLOCALEMPRESA",
    .fields = CDS_ITEMLOCAL_FIELDS,
};

const TClientDataSetDef dfm::CDS_PRECOVENDA = {
    .name = "CDS_PRECOVENDA",
    .sql = "SELECT * FROM SCA_TABELAPRECOITEMEMPRESA\n"
           "WHERE TPI_PK_TABELAPRECOITEMEMPRESA = 0",
    .table = "SCA_TABELAPRECOITEMEMPRESA",
    .keyFields = "TPI_PK_TABELAPRECOITEMEMPRESA",
    .fields = CDS_PRECOVENDA_FIELDS,
};

const TClientDataSetDef dfm::CDS_PRECOCUSTO = {
    .name = "CDS_PRECOCUSTO",
    .sql = "SELECT * FROM SCA_HISTORICOCUSTOLIQUIDO\n"
           "WHERE HCL_PK_HISTORICOCUSTOLIQUIDO = 0",
    .table = "SCA_HISTORICOCUSTOLIQUIDO",
    .keyFields = "HCL_PK_HISTORICOCUSTOLIQUIDO",
    .fields = CDS_PRECOCUSTO_FIELDS,
};

const TClientDataSetDef dfm::CDS_SALDO = {
    .name = "CDS_SALDO",
    .sql = "SELECT * FROM SCA_SALDOITEMEMPRESA\n"
           "WHERE SIE_PK_SALDOITEMEMPRESA = -1",
    .table = "SCA_SALDOITEMEMPRESA",
    .keyFields = "SIE_PK_SALDOITEMEMPRESA",
    .fields = CDS_SALDO_FIELDS,
};

const TClientDataSetDef dfm::CDS_ITEMFORNECEDOR = {
    .name = "CDS_ITEMFORNECEDOR",
    .sql = "SELECT * FROM SCA_ITEMFORNECEDOR\n"
           "WHERE IFO_PK_ITEMFORNECEDOR = -1",
    .table = "SCA_ITEMFORNECEDOR",
    .keyFields = "IFO_PK_ITEMFORNECEDOR",
    .fields = CDS_ITEMFORNECEDOR_FIELDS,
};

const TTableDef dfm::TBL_GRUPO = {
    .name = "TBL_GRUPO",
    .table = "SCA_GRUPOPRODUTOS",
    .primaryKey = "GPR_PK_GRUPOPRODUTO",
    .fields = TBL_GRUPO_FIELDS,
};

const TTableDef dfm::TBL_SUBGRUPO = {
    .name = "TBL_SUBGRUPO",
    .table = "SCA_SUBGRUPO",
    .primaryKey = "SGR_PK_SUBGRUPO",
    .fields = TBL_SUBGRUPO_FIELDS,
};

const TTableDef dfm::TBL_UNIDADE = {
    .name = "TBL_UNIDADE",
    .table = "SCA_UNIDADE",
    .primaryKey = "UNI_PK_UNIDADE",
    .fields = TBL_UNIDADE_FIELDS,
};

const TTableDef dfm::TBL_MARCA = {
    .name = "TBL_MARCA",
    .table = "SCA_MARCA",
    .primaryKey = "MAR_PK_MARCA",
    .fields = TBL_MARCA_FIELDS,
};
