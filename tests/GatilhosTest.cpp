// Destinations whose tables carry triggers: a trigger that changes the row it fires for, one that
// writes a looked-up table from another table (directly or through dynamic SQL) and one that gives
// a row another key. What the run finds and links must be what the destination holds.
#include "TestSupport.h"

#include <QCheckBox>

namespace {
struct Gatilho {
    const char* name;
    std::vector<const char*> ddl;
    bool produtos; // the product step, else the customer step
    // What the destination holds afterwards: a query and its lines.
    std::vector<std::pair<const char*, QStringList>> expected;
    const char* error; // a part of the error that ends the run, or nullptr
};

const char* const kMarcas = "SELECT MAR_PK_MARCA, MAR_DESCRICAO FROM SCA_MARCA";
const char* const kMarcaDosProdutos = "SELECT DISTINCT ITE_CODIGO_MARCA FROM SCA_ITEM";
const char* const kBairros = "SELECT BAI_PK_BAIRRO, BAI_NOME FROM SCA_BAIRRO ORDER BY BAI_NOME";
const char* const kEnderecos = "SELECT ECO_ENDERECO, ECO_CODIGO_BAIRRO FROM SCA_ENDERECOCORREIO";
const char* const kLigacoes =
    "SELECT DISTINCT ECL_CODIGO_CLIENTE, ECO_ENDERECO, BAI_NOME FROM SCA_ENDERECOCLIENTE "
    "JOIN SCA_ENDERECOCORREIO ON ECO_PK_ENDERECOCORREIO = ECL_CODIGO_END_CORREIO "
    "JOIN SCA_BAIRRO ON BAI_PK_BAIRRO = ECO_CODIGO_BAIRRO ORDER BY 1";
// In the cases that write a neighbourhood, customer 2's insert (or the commit after customer 1)
// writes the one customer 2 lives in, after customer 1 had the neighbourhoods read: customer 2
// links to it, and no second one is created.
const std::vector<std::pair<const char*, QStringList>> kJardim = {
    {kBairros, {"1|BAIRRO CENTRO", "900|JARDIM"}},
    {kLigacoes, {"1|AVENIDA BRASIL|BAIRRO CENTRO", "2|RUA UM|JARDIM"}}};

const Gatilho kGatilhos[] = {
    {"TrimsTheBrandItIsGiven",
     {"CREATE TRIGGER T_MAR_BI FOR SCA_MARCA BEFORE INSERT AS BEGIN "
      "NEW.MAR_DESCRICAO = TRIM(NEW.MAR_DESCRICAO); END"},
     true,
     {{kMarcas, {"1|adidas"}}, {kMarcaDosProdutos, {"1"}}},
     nullptr},
    {"ShortensTheNeighbourhoodAndTheStreet",
     {"CREATE TRIGGER T_BAI_BI FOR SCA_BAIRRO BEFORE INSERT AS BEGIN "
      "NEW.BAI_NOME = REPLACE(NEW.BAI_NOME, 'BAIRRO ', ''); END",
      "CREATE TRIGGER T_ECO_BI FOR SCA_ENDERECOCORREIO BEFORE INSERT AS BEGIN "
      "NEW.ECO_ENDERECO = REPLACE(NEW.ECO_ENDERECO, 'AVENIDA ', 'AV '); END"},
     false,
     {{kBairros, {"1|CENTRO"}},
      {kEnderecos, {"AV BRASIL|1"}},
      {kLigacoes, {"1|AV BRASIL|CENTRO", "2|AV BRASIL|CENTRO"}}},
     nullptr},
    {"ACustomerWritesANeighbourhood",
     {"CREATE TRIGGER T_CLI_AI FOR SCA_CLIENTE AFTER INSERT AS BEGIN "
      "IF (NEW.CLI_CODIGO = 2) THEN INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (900, 'JARDIM'); "
      "END"},
     false,
     kJardim,
     nullptr},
    {"ACustomerWritesANeighbourhoodThroughDynamicSql",
     {"CREATE TRIGGER T_CLI_AI FOR SCA_CLIENTE AFTER INSERT AS BEGIN "
      "IF (NEW.CLI_CODIGO = 2) THEN EXECUTE STATEMENT 'INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) "
      "VALUES (900, ''JARDIM'')'; END"},
     false,
     kJardim,
     nullptr},
    // Dynamic SQL on another attachment would write out of this one's sight: the text alone sends
    // every held table back to the destination.
    {"ACustomerWritesANeighbourhoodOutOfSight",
     {"CREATE TRIGGER T_CLI_AI FOR SCA_CLIENTE AFTER INSERT AS BEGIN /* ON EXTERNAL */ "
      "IF (NEW.CLI_CODIGO = 2) THEN INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (900, 'JARDIM'); "
      "END"},
     false,
     kJardim,
     nullptr},
    {"ACommitWritesANeighbourhood",
     {"CREATE TRIGGER T_COMMIT ON TRANSACTION COMMIT AS BEGIN "
      "IF (EXISTS (SELECT 1 FROM SCA_CLIENTE WHERE CLI_CODIGO = 1) AND "
      "NOT EXISTS (SELECT 1 FROM SCA_BAIRRO WHERE BAI_PK_BAIRRO = 900)) THEN "
      "INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (900, 'JARDIM'); END"},
     false,
     kJardim,
     nullptr},
    {"ReplacesTheNeighbourhoodsKey",
     {"CREATE TRIGGER T_BAI_BI FOR SCA_BAIRRO BEFORE INSERT AS BEGIN "
      "NEW.BAI_PK_BAIRRO = NEW.BAI_PK_BAIRRO + 1000; END"},
     false,
     {{kBairros, {"1001|BAIRRO CENTRO"}}, {kEnderecos, {}}, {kLigacoes, {}}},
     "The row inserted into SCA_BAIRRO is not found under its key BAI_PK_BAIRRO = 1"},
};

void PrintTo(const Gatilho& g, std::ostream* os) {
    *os << g.name;
}

class Gatilhos : public MigrationTest, public ::testing::WithParamInterface<Gatilho> {};
} // namespace

TEST_P(Gatilhos, WhatTheRunFindsAndLinksIsWhatTheDestinationHolds) {
    const Gatilho& g = GetParam();
    for (const char* ddl : g.ddl)
        Kelmor().Exec(ddl);
    if (g.produtos) {
        Loja().Exec("INSERT INTO LJ_GRUPO VALUES ('1', '01', 'GERAL')");
        Loja().Exec("INSERT INTO LJ_SUBGR VALUES ('1', '01', 'DIVERSOS')");
        Loja().Exec("INSERT INTO LJ_UNID VALUES ('UN', '01', 'UNIDADE')");
        Loja().Exec("INSERT INTO LJ_COLEC VALUES ('1', '01', ' adidas')");
        Loja().Exec("INSERT INTO LJ_COLEC VALUES ('2', '01', 'adidas')");
        for (const char* colecao : {"1", "2"})
            Loja().Exec(
                "INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
                "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO) "
                "VALUES (?, '01', '0', '1', '1', ?, 'UN', 'PRODUTO')",
                {QString("P") + colecao, QString(colecao)});
        OnlySteps({Form().chk_Produtos});
    } else {
        const bool jardim = QByteArray(g.name).contains("Writes");
        Loja().Insert("LJ_CLIEN", {{"CLI_CODIGO", QString("1")},
                                   {"CLI_DESCRICAO", QString("ANA")},
                                   {"CLI_ENDERECO", QString("AVENIDA BRASIL, 10")},
                                   {"CLI_BAIRRO", QString("BAIRRO CENTRO")},
                                   {"CLI_CIDADE", QString("BH")},
                                   {"CLI_CEP", QString("30110-000")}});
        Loja().Insert("LJ_CLIEN", {{"CLI_CODIGO", QString("2")},
                                   {"CLI_DESCRICAO", QString("BIA")},
                                   {"CLI_ENDERECO", QString(jardim ? "RUA UM, 5" : "AV BRASIL, 20")},
                                   {"CLI_BAIRRO", QString(jardim ? "JARDIM" : "CENTRO")},
                                   {"CLI_CIDADE", QString("BH")},
                                   {"CLI_CEP", QString("30110-000")}});
        OnlySteps({Form().cb_Cliente});
    }
    Run();
    const std::vector<QString> errors = Errors();
    if (g.error) {
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(errors[0].contains(g.error)) << errors[0].toStdString();
    } else {
        for (const QString& e : errors)
            ADD_FAILURE() << e.toStdString();
    }
    CloseForm();
    for (const auto& [sql, lines] : g.expected)
        EXPECT_EQ(Kelmor().Lines(sql), lines) << sql;
}

INSTANTIATE_TEST_SUITE_P(Destinos, Gatilhos, ::testing::ValuesIn(kGatilhos),
                         [](const auto& info) { return std::string(info.param.name); });
