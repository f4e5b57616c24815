// Form definition: the destination look-ups answered from memory. Each stands for the statement
// "SELECT <result> FROM <table> WHERE <key> = ? [AND ...]" that its step would run.

#include "uImportacao_dfm.h"

// The header of a sale number, with its seller (sale items).
const TTableIndexDef dfm::IDX_SAIDA_NUMERO = {
    .name = "IDX_SAIDA_NUMERO",
    .table = "SCA_SAIDA",
    .keyColumns = "SAI_NUMERO",
    .resultColumns = "SAI_PK_SAIDA;SAI_CODIGO_VENDEDOR_INTERNO",
};

// The sale of a number issued on a day (receivables).
const TTableIndexDef dfm::IDX_SAIDA_NUMERO_EMISSAO = {
    .name = "IDX_SAIDA_NUMERO_EMISSAO",
    .table = "SCA_SAIDA",
    .keyColumns = "SAI_NUMERO;SAI_DT_EMISSAO",
    .resultColumns = "SAI_PK_SAIDA",
};

// A product by its ten-digit alternative code (sale items, bar codes).
const TTableIndexDef dfm::IDX_ITEM_ALTERNATIVO = {
    .name = "IDX_ITEM_ALTERNATIVO",
    .table = "SCA_ITEM",
    .keyColumns = "ITE_CODIGO_ALTERNATIVO",
    .resultColumns = "ITE_PK_ITEM",
};

// A product's row of a company (sale items).
const TTableIndexDef dfm::IDX_ITEMEMPRESA_ITEM = {
    .name = "IDX_ITEMEMPRESA_ITEM",
    .table = "SCA_ITEMEMPRESA",
    .keyColumns = "IEM_CODIGO_ITEM;IEM_CODIGO_EMPRESA",
    .resultColumns = "IEM_PK_ITEMEMPRESA",
};

// A company row's storage location (sale items).
const TTableIndexDef dfm::IDX_ITEMLOCAL_ITEMEMPRESA = {
    .name = "IDX_ITEMLOCAL_ITEMEMPRESA",
    .table = "SCA_ITEMLOCALEMPRESA",
    .keyColumns = "ILE_CODIGO_ITEMEMPRESA;ILE_CODIGO_LOCALARMAZENAMENTO",
    .resultColumns = "ILE_PK_ITEMLOCALEMPRESA",
};

// A receivable document already used by a customer (receivables).
const TTableIndexDef dfm::IDX_CONTAARECEBER_DOCUMENTO = {
    .name = "IDX_CONTAARECEBER_DOCUMENTO",
    .table = "SCA_CONTAARECEBER",
    .keyColumns = "CRE_CODIGO_CLIENTE;CRE_NR_DOCUMENTO",
    .resultColumns = "CRE_PK_CONTAARECEBER",
};

// The bar codes of a product: the bar-code set opens on those of product 0.
const TTableIndexDef dfm::IDX_CODIGOBARRA_ITEM = {
    .name = "IDX_CODIGOBARRA_ITEM",
    .table = "SCA_CODIGOBARRAS",
    .keyColumns = "CBA_CODIGO_ITEM",
    .resultColumns = "CBA_CODIGO",
};
