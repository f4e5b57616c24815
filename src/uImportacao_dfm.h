#pragma once
// The form definition of frm_Importacao: every data component's statement and persistent fields,
// as constant tables. The window's widgets are in uImportacao.ui.

#include "FieldDef.h"

namespace dfm {

// Source client datasets (DB_ORIGEM, TR_ORIGEM), fed by their Q_ORIGEM_ queries.
extern const TClientDataSetDef CDS_ORIGEM_FUNCIONARIO;
extern const TClientDataSetDef CDS_ORIGEM_CLIENTE;
extern const TClientDataSetDef CDS_ORIGEM_FORNECEDOR;
extern const TClientDataSetDef CDS_ORIGEM_PRODUTO;
extern const TClientDataSetDef CDS_ORIGEM_VEN;
extern const TClientDataSetDef CDS_ORIGEM_ITV;
extern const TClientDataSetDef CDS_ORIGEM_CCO;
extern const TClientDataSetDef CDS_ORIGEM_CODIGOBARRA;

// Destination client datasets (DB_DESTINO, TR_DESTINO): append-and-apply buffers.
extern const TClientDataSetDef CDS_CLIENTE;
extern const TClientDataSetDef CDS_COMPLEMENTOCLIENTE;
extern const TClientDataSetDef CDS_REFERENCIACLIENTE;
extern const TClientDataSetDef CDS_ENDERECOCLIENTE;
extern const TClientDataSetDef CDS_ENDERECOFORNECEDOR;
extern const TClientDataSetDef CDS_CONTATOCLIENTE;
extern const TClientDataSetDef CDS_CONTATOFORNECEDOR;
extern const TClientDataSetDef CDS_FORNECEDOR;
extern const TClientDataSetDef CDS_ITEM;
extern const TClientDataSetDef CDS_ITEMEMPRESA;
extern const TClientDataSetDef CDS_ITEMLOCAL;
extern const TClientDataSetDef CDS_PRECOVENDA;
extern const TClientDataSetDef CDS_PRECOCUSTO;
extern const TClientDataSetDef CDS_SALDO;
extern const TClientDataSetDef CDS_ITEMFORNECEDOR;
extern const TClientDataSetDef CDS_VENDA;
extern const TClientDataSetDef CDS_ITEMVENDA;
extern const TClientDataSetDef CDS_CRE;
extern const TClientDataSetDef CDS_PCR;
extern const TClientDataSetDef CDS_CODIGOBARRA;

// Table components (DB_DESTINO, TR_DESTINO): find-or-insert look-ups.
extern const TTableDef TBL_FUNCIONARIO;
extern const TTableDef TBL_BAIRRO;
extern const TTableDef TBL_CIDADE;
extern const TTableDef TBL_UF;
extern const TTableDef TBL_ENDERECOCORREIO;
extern const TTableDef TBL_GRUPO;
extern const TTableDef TBL_SUBGRUPO;
extern const TTableDef TBL_UNIDADE;
extern const TTableDef TBL_MARCA;

// Destination look-ups answered from memory (DB_DESTINO, TR_DESTINO): what the sales, receivables
// and bar codes search by columns a destination need not index.
extern const TTableIndexDef IDX_SAIDA_NUMERO;
extern const TTableIndexDef IDX_SAIDA_NUMERO_EMISSAO;
extern const TTableIndexDef IDX_ITEM_ALTERNATIVO;
extern const TTableIndexDef IDX_ITEMEMPRESA_ITEM;
extern const TTableIndexDef IDX_ITEMLOCAL_ITEMEMPRESA;
extern const TTableIndexDef IDX_CONTAARECEBER_DOCUMENTO;
extern const TTableIndexDef IDX_CODIGOBARRA_ITEM;

} // namespace dfm
