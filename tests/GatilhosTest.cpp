// Destinations whose tables carry triggers: a trigger that changes the row it fires for, one that
// writes a looked-up table from another table (directly or through dynamic SQL) and one that gives
// a row another key. What the run finds and links must be what the destination holds.
// (Whole stores on destinations whose triggers draw every key again are run by the benchmark's
// tests.)
#include "TestSupport.h"

#include <QCheckBox>

namespace {
enum class Passo { Funcionarios, Clientes, Produtos };

struct Gatilho {
    const char* name;
    std::vector<const char*> ddl;
    Passo passo; // the one step run
    // What the destination holds afterwards: a query and its lines.
    std::vector<std::pair<const char*, QStringList>> expected;
    const char* error; // a part of the error that ends the run, or nullptr
};

const char* const kMarcas = "SELECT MAR_PK_MARCA, MAR_DESCRICAO FROM SCA_MARCA";
const char* const kMarcaDosProdutos = "SELECT DISTINCT ITE_CODIGO_MARCA FROM SCA_ITEM";
const char* const kBairros = "SELECT BAI_PK_BAIRRO, BAI_NOME FROM SCA_BAIRRO ORDER BY BAI_NOME";
const char* const kEnderecos = "SELECT ECO_ENDERECO, ECO_CODIGO_BAIRRO FROM SCA_ENDERECOCORREIO";
const char* const kClientes = "SELECT CLI_CODIGO, CLI_NOME FROM SCA_CLIENTE ORDER BY 1";
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
     Passo::Produtos,
     {{kMarcas, {"1|adidas"}}, {kMarcaDosProdutos, {"1"}}},
     nullptr},
    // The second product finds the brand the first one inserted, under the key the trigger drew.
    {"DrawsTheBrandsKeyAgain",
     {"CREATE TRIGGER T_MAR_BI FOR SCA_MARCA BEFORE INSERT AS BEGIN "
      "NEW.MAR_DESCRICAO = TRIM(NEW.MAR_DESCRICAO); NEW.MAR_PK_MARCA = NEW.MAR_PK_MARCA + 1000; END"},
     Passo::Produtos,
     {{kMarcas, {"1001|adidas"}}, {kMarcaDosProdutos, {"1001"}}},
     nullptr},
    // A guard keeps the key given: the insert takes it back unchanged.
    {"KeepsTheBrandsKeyItIsGiven",
     {"CREATE TRIGGER T_MAR_BI FOR SCA_MARCA BEFORE INSERT AS BEGIN "
      "IF (NEW.MAR_PK_MARCA IS NULL) THEN NEW.MAR_PK_MARCA = 5000; END"},
     Passo::Produtos,
     {{kMarcas, {"1| adidas", "2|adidas"}}, {kMarcaDosProdutos, {"1", "2"}}},
     nullptr},
    {"ShortensTheNeighbourhoodAndTheStreet",
     {"CREATE TRIGGER T_BAI_BI FOR SCA_BAIRRO BEFORE INSERT AS BEGIN "
      "NEW.BAI_NOME = REPLACE(NEW.BAI_NOME, 'BAIRRO ', ''); END",
      "CREATE TRIGGER T_ECO_BI FOR SCA_ENDERECOCORREIO BEFORE INSERT AS BEGIN "
      "NEW.ECO_ENDERECO = REPLACE(NEW.ECO_ENDERECO, 'AVENIDA ', 'AV '); END"},
     Passo::Clientes,
     {{kBairros, {"1|CENTRO"}},
      {kEnderecos, {"AV BRASIL|1"}},
      {kLigacoes, {"1|AV BRASIL|CENTRO", "2|AV BRASIL|CENTRO"}}},
     nullptr},
    {"ACustomerWritesANeighbourhood",
     {"CREATE TRIGGER T_CLI_AI FOR SCA_CLIENTE AFTER INSERT AS BEGIN "
      "IF (NEW.CLI_CODIGO = 2) THEN INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (900, 'JARDIM'); "
      "END"},
     Passo::Clientes,
     kJardim,
     nullptr},
    {"ACustomerWritesANeighbourhoodThroughDynamicSql",
     {"CREATE TRIGGER T_CLI_AI FOR SCA_CLIENTE AFTER INSERT AS BEGIN "
      "IF (NEW.CLI_CODIGO = 2) THEN EXECUTE STATEMENT 'INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) "
      "VALUES (900, ''JARDIM'')'; END"},
     Passo::Clientes,
     kJardim,
     nullptr},
    // Dynamic SQL on another attachment would write out of this one's sight: the text alone sends
    // every held table back to the destination.
    {"ACustomerWritesANeighbourhoodOutOfSight",
     {"CREATE TRIGGER T_CLI_AI FOR SCA_CLIENTE AFTER INSERT AS BEGIN /* ON EXTERNAL */ "
      "IF (NEW.CLI_CODIGO = 2) THEN INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (900, 'JARDIM'); "
      "END"},
     Passo::Clientes,
     kJardim,
     nullptr},
    {"ACommitWritesANeighbourhood",
     {"CREATE TRIGGER T_COMMIT ON TRANSACTION COMMIT AS BEGIN "
      "IF (EXISTS (SELECT 1 FROM SCA_CLIENTE WHERE CLI_CODIGO = 1) AND "
      "NOT EXISTS (SELECT 1 FROM SCA_BAIRRO WHERE BAI_PK_BAIRRO = 900)) THEN "
      "INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (900, 'JARDIM'); END"},
     Passo::Clientes,
     kJardim,
     nullptr},
    // The postal address and both customers' links follow the neighbourhood's key as stored.
    {"DrawsTheNeighbourhoodsKeyAgain",
     {"CREATE TRIGGER T_BAI_BI FOR SCA_BAIRRO BEFORE INSERT AS BEGIN "
      "NEW.BAI_PK_BAIRRO = NEW.BAI_PK_BAIRRO + 1000; END"},
     Passo::Clientes,
     {{kBairros, {"1001|BAIRRO CENTRO", "1002|CENTRO"}},
      {kEnderecos, {"AVENIDA BRASIL|1001", "AV BRASIL|1002"}},
      {kLigacoes, {"1|AVENIDA BRASIL|BAIRRO CENTRO", "2|AV BRASIL|CENTRO"}}},
     nullptr},
    // The sales and receivables find a customer by its legacy code: a code drawn again ends the
    // run at the first customer, before anything refers to it.
    {"ReplacesTheCustomersCode",
     {"CREATE TRIGGER T_CLI_BI FOR SCA_CLIENTE BEFORE INSERT AS BEGIN "
      "NEW.CLI_CODIGO = NEW.CLI_CODIGO + 1000; END"},
     Passo::Clientes,
     {{kClientes, {"1001|ANA"}}, {kBairros, {}}, {"SELECT * FROM SCA_ENDERECOCLIENTE", {}}},
     "The destination's trigger T_CLI_BI on SCA_CLIENTE stored the row given CLI_CODIGO = 1 under "
     "CLI_CODIGO = 1001"},
    // The sales name their seller by the legacy code.
    {"ReplacesTheEmployeesCode",
     {"CREATE TRIGGER T_FUN_BI FOR SCA_FUNCIONARIO BEFORE INSERT AS BEGIN "
      "NEW.FUN_CODIGO = NEW.FUN_CODIGO + 1000; END",
      "CREATE TRIGGER T_FUN_BI2 FOR SCA_FUNCIONARIO BEFORE INSERT POSITION 1 AS BEGIN "
      "NEW.FUN_APELIDO = UPPER(NEW.FUN_APELIDO); END"},
     Passo::Funcionarios,
     {{"SELECT FUN_CODIGO, FUN_NOME FROM SCA_FUNCIONARIO", {"1007|JOAO"}}},
     "trigger T_FUN_BI on SCA_FUNCIONARIO stored the row given FUN_CODIGO = 7 under FUN_CODIGO = 1007. "
     "The rows migrated after it find it by the key it was given"},
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
    switch (g.passo) {
    case Passo::Funcionarios:
        for (const char* codigo : {"007", "008"})
            Loja().Exec(
                "INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO) VALUES (?, '01', ?)",
                {QString(codigo), QString(codigo[2] == '7' ? "JOAO" : "MARIA")});
        OnlySteps({Form().chk_Funcionarios});
        break;
    case Passo::Produtos:
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
        break;
    case Passo::Clientes: {
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
        break;
    }
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
