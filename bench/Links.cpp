#include "Links.h"

#include "BenchRun.h"
#include "Firebird.h"

#include <iterator>

namespace {

// Child table, column, parent table, parent key: each column the program fills with another row's
// key, among the tables it writes itself (the company, the bank and such are the customer's own).
constexpr RowLink kLinks[] = {
    {"SCA_ENDERECOCORREIO", "ECO_CODIGO_BAIRRO", "SCA_BAIRRO", "BAI_PK_BAIRRO"},
    {"SCA_ENDERECOCORREIO", "ECO_CODIGO_CIDADE", "SCA_CIDADE", "CID_PK_CIDADE"},
    {"SCA_ENDERECOCORREIO", "ECO_CODIGO_UF", "SCA_UNIDADEFEDERATIVA", "UFE_CODIGO"},
    {"SCA_ENDERECOCLIENTE", "ECL_CODIGO_CLIENTE", "SCA_CLIENTE", "CLI_CODIGO"},
    {"SCA_ENDERECOCLIENTE", "ECL_CODIGO_END_CORREIO", "SCA_ENDERECOCORREIO", "ECO_PK_ENDERECOCORREIO"},
    {"SCA_ENDERECOFORNECEDOR", "EFO_CODIGO_FORNECEDOR", "SCA_FORNECEDOR", "FOR_CODIGO"},
    {"SCA_ENDERECOFORNECEDOR", "EFO_CODIGO_END_CORREIO", "SCA_ENDERECOCORREIO", "ECO_PK_ENDERECOCORREIO"},
    {"SCA_CONTATOCLIENTE", "CCI_CODIGO_CLIENTE", "SCA_CLIENTE", "CLI_CODIGO"},
    {"SCA_CONTATOFORNECEDOR", "CFO_CODIGO_FORNECEDOR", "SCA_FORNECEDOR", "FOR_CODIGO"},
    {"SCA_COMPLEMENTOCLIENTE", "CCL_CODIGO_CLIENTE", "SCA_CLIENTE", "CLI_CODIGO"},
    {"SCA_REFERENCIACLIENTE", "RCL_CODIGO_CLIENTE", "SCA_CLIENTE", "CLI_CODIGO"},
    {"SCA_ITEM", "ITE_CODIGO_GRUPO", "SCA_GRUPOPRODUTOS", "GPR_PK_GRUPOPRODUTO"},
    {"SCA_ITEM", "ITE_CODIGO_SUBGRUPO", "SCA_SUBGRUPO", "SGR_PK_SUBGRUPO"},
    {"SCA_ITEM", "ITE_CODIGO_MARCA", "SCA_MARCA", "MAR_PK_MARCA"},
    {"SCA_ITEMEMPRESA", "IEM_CODIGO_ITEM", "SCA_ITEM", "ITE_PK_ITEM"},
    {"SCA_ITEMEMPRESA", "IEM_CODIGO_UNIDADE", "SCA_UNIDADE", "UNI_PK_UNIDADE"},
    {"SCA_ITEMLOCALEMPRESA", "ILE_CODIGO_ITEM", "SCA_ITEM", "ITE_PK_ITEM"},
    {"SCA_ITEMLOCALEMPRESA", "ILE_CODIGO_ITEMEMPRESA", "SCA_ITEMEMPRESA", "IEM_PK_ITEMEMPRESA"},
    {"SCA_TABELAPRECOITEMEMPRESA", "TPI_CODIGO_ITEM", "SCA_ITEM", "ITE_PK_ITEM"},
    {"SCA_TABELAPRECOITEMEMPRESA", "TPI_CODIGO_ITEMEMPRESA", "SCA_ITEMEMPRESA", "IEM_PK_ITEMEMPRESA"},
    {"SCA_HISTORICOCUSTOLIQUIDO", "HCL_CODIGO_ITEM", "SCA_ITEM", "ITE_PK_ITEM"},
    {"SCA_HISTORICOCUSTOLIQUIDO", "HCL_CODIGO_ITEMEMPRESA", "SCA_ITEMEMPRESA", "IEM_PK_ITEMEMPRESA"},
    {"SCA_HISTORICOCUSTOLIQUIDO", "HCL_CODIGO_ITEMLOCAL", "SCA_ITEMLOCALEMPRESA", "ILE_PK_ITEMLOCALEMPRESA"},
    {"SCA_SALDOITEMEMPRESA", "SIE_CODIGO_ITEMEMPRESA", "SCA_ITEMEMPRESA", "IEM_PK_ITEMEMPRESA"},
    {"SCA_SALDOITEMEMPRESA", "SIE_CODIGO_ITEMLOCALEMPRESA", "SCA_ITEMLOCALEMPRESA",
     "ILE_PK_ITEMLOCALEMPRESA"},
    {"SCA_ITEMFORNECEDOR", "IFO_CODIGO_ITEM", "SCA_ITEM", "ITE_PK_ITEM"},
    {"SCA_ITEMFORNECEDOR", "IFO_CODIGO_FORNECEDOR", "SCA_FORNECEDOR", "FOR_CODIGO"},
    {"SCA_SAIDA", "SAI_CODIGO_CLIENTE", "SCA_CLIENTE", "CLI_CODIGO"},
    {"SCA_SAIDA", "SAI_CODIGO_VENDEDOR_INTERNO", "SCA_FUNCIONARIO", "FUN_CODIGO"},
    {"SCA_ITEMSAIDA", "ISA_CODIGO_SAIDA", "SCA_SAIDA", "SAI_PK_SAIDA"},
    {"SCA_ITEMSAIDA", "ISA_CODIGO_ITEM", "SCA_ITEM", "ITE_PK_ITEM"},
    {"SCA_ITEMSAIDA", "ISA_CODIGO_ITEMEMPRESA", "SCA_ITEMEMPRESA", "IEM_PK_ITEMEMPRESA"},
    {"SCA_ITEMSAIDA", "ISA_CODIGO_ITEMLOCAL", "SCA_ITEMLOCALEMPRESA", "ILE_PK_ITEMLOCALEMPRESA"},
    {"SCA_ITEMSAIDA", "ISA_CODIGO_VENDEDOR", "SCA_FUNCIONARIO", "FUN_CODIGO"},
    {"SCA_CONTAARECEBER", "CRE_CODIGO_CLIENTE", "SCA_CLIENTE", "CLI_CODIGO"},
    {"SCA_CONTAARECEBER", "CRE_NR_SAIDA", "SCA_SAIDA", "SAI_PK_SAIDA"},
    {"SCA_PARCELACONTAARECEBER", "PCR_CODIGO_CONTAARECEBER", "SCA_CONTAARECEBER", "CRE_PK_CONTAARECEBER"},
    {"SCA_CODIGOBARRAS", "CBA_CODIGO_ITEM", "SCA_ITEM", "ITE_PK_ITEM"},
};

} // namespace

std::span<const RowLink> RowLinks() {
    return kLinks;
}

namespace {

QString MissingSql(const RowLink& l) {
    return QString("SELECT COUNT(*) FROM %1 C WHERE C.%2 IS NOT NULL AND NOT EXISTS "
                   "(SELECT 1 FROM %3 P WHERE P.%4 = C.%2)")
        .arg(l.table, l.column, l.parent, l.key);
}

// The one number a COUNT(*) statement returns.
int64_t Count(FbAttachment& db, const QString& sql) {
    return std::get<int64_t>(SelectRows(db, sql).at(0).at(0));
}

} // namespace

int64_t DestinationRows::Missing() const {
    int64_t n = 0;
    for (const LinkCount& l : links)
        n += l.missing;
    return n;
}

DestinationRows CountDestinationRows(const QString& database) {
    FbAttachment db;
    db.Attach(database, "SYSDBA", "masterkey", "WIN1252");
    DestinationRows out;
    for (const TRow& t : SelectRows(db, "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE "
                                        "RDB$SYSTEM_FLAG = 0 AND RDB$VIEW_BLR IS NULL ORDER BY 1")) {
        const QString table = std::get<QString>(t[0]);
        out.tables.emplace_back(table, Count(db, "SELECT COUNT(*) FROM \"" + table + '"'));
    }
    out.links.reserve(std::size(kLinks));
    for (const RowLink& l : kLinks)
        out.links.push_back({l, Count(db, MissingSql(l))});
    return out;
}

QStringList DanglingLinks(const DestinationRows& rows) {
    QStringList out;
    for (const LinkCount& l : rows.links)
        if (l.missing > 0)
            out << QString("%1.%2 -> %3: %4").arg(l.link.table, l.link.column, l.link.parent).arg(l.missing);
    return out;
}
