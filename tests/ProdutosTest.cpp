// The product step on real databases: the rows each product writes and their values, which legacy
// products are read, the supplier link, what a failing product leaves, and the 500-row reopen.
#include "TestSupport.h"

#include <QCheckBox>
#include <QFileInfo>

namespace {
struct Legado {
    QString codigo;
    QString descricao;
    QString fornecedor = "0";
    QString estab = "01";
    TValue minimo{}, maximo{}, custo{}, saldo{}, ultimaVenda{}, generico{};
};

class Produtos : public MigrationTest {
protected:
    // Group "1", subgroup "1", unit "UN" and collection "1" of an establishment.
    void Classificacao(const QString& estab) {
        Loja().Exec("INSERT INTO LJ_GRUPO VALUES ('1', ?, 'GERAL')", {estab});
        Loja().Exec("INSERT INTO LJ_SUBGR VALUES ('1', ?, 'DIVERSOS')", {estab});
        Loja().Exec("INSERT INTO LJ_UNID VALUES ('UN', ?, 'UNIDADE')", {estab});
        Loja().Exec("INSERT INTO LJ_COLEC VALUES ('1', ?, 'BASICA')", {estab});
    }
    void Produto(const Legado& p, const QString& grupo = "1") {
        Loja().Exec(
            "INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
            "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_ESTOQUE_MINIMO, "
            "ITE_ESTOQUE_MAXIMO, ITE_CUSTO_LIQUIDO, ITE_DATA_ULTIMA_VENDA, ITE_SALDO_TOTAL, ITE_CODIGO_GEN) "
            "VALUES (?, ?, ?, ?, '1', '1', 'UN', ?, ?, ?, ?, ?, ?, ?)",
            {p.codigo, p.estab, p.fornecedor, grupo, p.descricao, p.minimo, p.maximo, p.custo, p.ultimaVenda,
             p.saldo, p.generico});
    }
    void Preco(const QString& fornecedor, const QString& item, TDateTime data, double preco) {
        Loja().Exec("INSERT INTO LJ_PRECO VALUES ('01', ?, ?, ?, ?)", {fornecedor, item, data, preco});
    }
    void Fornecedor(int codigo) {
        Kelmor().Exec("INSERT INTO SCA_FORNECEDOR (FOR_CODIGO, FOR_NOME) VALUES (?, 'FORNECEDOR')",
                      {int64_t(codigo)});
    }
    void BaseDate(TDateTime day) {
        Loja().Exec("INSERT INTO LJ_VENDA (VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
                    "VEN_HORA_EMISSAO, VEN_NAT_OP, VEN_FORMA_PG_ENTRADA) VALUES ('000001', '01', '00001', ?, "
                    "?, 1, 1)",
                    {day, day});
    }
    void RunProducts() {
        OnlySteps({Form().chk_Produtos});
        Run();
    }
    // The first row of a query, each column as text (dates are checked apart).
    QStringList Texts(const QString& sql, const std::vector<TValue>& params = {}) {
        auto rows = Kelmor().Rows(sql, params);
        QStringList out;
        if (!rows.empty())
            for (const TValue& v : rows[0])
                out << (IsNull(v) ? QString("NULL") : Str(v));
        return out;
    }
    std::vector<QString> Messages() const {
        std::vector<QString> out;
        for (const ShownBox& b : boxes)
            if (b.icon == TMsgIcon::None) out.push_back(b.text);
        return out;
    }
    int64_t ItemOf(const QString& referencia) {
        return Int(
            Kelmor().Scalar("SELECT ITE_PK_ITEM FROM SCA_ITEM WHERE ITE_REFERENCIA = ?", {referencia}));
    }
};
} // namespace

TEST_F(Produtos, AProductWritesEveryRowWithItsValues) {
    const TDateTime base = Day(2022, 8, 1);
    BaseDate(base);
    Classificacao("01");
    Fornecedor(7);
    Produto({.codigo = " A100",
             .descricao = "  CAMISA POLO  ",
             .fornecedor = "0007",
             .minimo = 2.5,
             .maximo = 10.2567,
             .custo = 1.0001,
             .saldo = 0.9999,
             .ultimaVenda = Day(2023, 5, 6, 10, 0),
             .generico = int64_t(1234)});
    // The latest price of the same supplier dated today or before.
    Preco("0007", " A100", Day(2020, 1, 1), 10.0);
    Preco("0007", " A100", Day(2021, 6, 1), 12.5);
    Preco("0007", " A100", TDateTime{Date().value + 30}, 99.0);
    Preco("0008", " A100", Day(2021, 7, 1), 50.0);
    RunProducts();
    EXPECT_TRUE(boxes.empty());

    // Committed at the end of the step: seen before the window closes.
    EXPECT_EQ(
        Texts("SELECT ITE_PK_ITEM, ITE_CODIGO_EMPRESA_MASTER, ITE_CODIGO_GRUPO, ITE_CODIGO_SUBGRUPO, "
              "ITE_CODIGO_MARCA, ITE_CODIGO_PAIS, ITE_REFERENCIA, ITE_CLASSIFICA_LISTA, ITE_DESCRICAO, "
              "ITE_PESO_LIQUIDO, ITE_PESO_BRUTO, ITE_EMBALAGEM, ITE_ISENTO_PISCOFINS, "
              "ITE_CODIGO_CLASSIFICACAO_FISCAL, ITE_ORIGEM_MERCADORIA, ITE_SOLICITAR_NRSERIE_NFENTRADA, "
              "ITE_CODIGO_USUARIO_INC, ITE_PERC_MVA_ST, ITE_PERC_MVA_ST_EXTERNO, ITE_CODIGO_ALTERNATIVO, "
              "ITE_UTILIZA_LOTE, ITE_DISPONIVEL_NO_SITE, ITE_ENVIAR_LOTE_NFE FROM SCA_ITEM"),
        QStringList({"1", "1", "1", "1", "1", "1", "A100", "0",          "CAMISA POLO", "0", "0", "0",
                     "N", "1", "0", "N", "0", "0", "0",    "0000001234", "N",           "N", "N"}));
    auto stamp = Kelmor().Rows("SELECT ITE_DT_INCLUSAO, ITE_HR_INCLUSAO FROM SCA_ITEM")[0];
    EXPECT_EQ(Num(stamp[0]), base.value);
    EXPECT_LT(Num(stamp[1]), 1.0); // a time of day

    EXPECT_EQ(
        Texts(
            "SELECT IEM_PK_ITEMEMPRESA, IEM_CODIGO_EMPRESA_MASTER, IEM_CODIGO_EMPRESA, IEM_CODIGO_ITEM, "
            "IEM_CODIGO_EVENTO_ANALITICO_REC, IEM_CODIGO_EVENTO_ANALITICO_EST, "
            "IEM_CODIGO_EVENTO_ANALITICO_CMV, IEM_CODIGO_CENTRO_CUSTO, IEM_CODIGO_UNIDADE, "
            "IEM_QTD_ESTOQUE_MINIMO, IEM_QTD_ESTOQUE_MAXIMO, IEM_IMPRIME_TABPRECO, IEM_UTILIZA_LOTE, "
            "IEM_ALTERA_PRECO_NFENTRADA, IEM_ALTERADO, IEM_POSSE, IEM_CODIGO_USUARIO_INC, IEM_PRAZO_COMPRA, "
            "IEM_LIBERAR_SALDO_NEGATIVO, IEM_LIBERAR_PARA_VENDA, IEM_PERMITE_DESCONTO, IEM_ATIVO "
            "FROM SCA_ITEMEMPRESA"),
        QStringList({"1", "1", "1", "1", "1", "188", "164", "2", "1", "2.5", "10.256",
                     "S", "N", "N", "N", "1", "0",   "0",   "N", "S", "S",   "S"}));
    auto company =
        Kelmor().Rows("SELECT IEM_DT_INCLUSAO, IEM_HR_INCLUSAO, IEM_DT_ULTIMA_VENDA FROM SCA_ITEMEMPRESA")[0];
    EXPECT_EQ(Num(company[0]), Num(stamp[0]));
    EXPECT_EQ(Num(company[1]), Num(stamp[1]));
    EXPECT_EQ(Num(company[2]), Day(2023, 5, 6, 10, 0).value);

    EXPECT_EQ(Texts("SELECT ILE_PK_ITEMLOCALEMPRESA, ILE_CODIGO_ITEMEMPRESA, ILE_CODIGO_LOCALARMAZENAMENTO, "
                    "ILE_CODIGO_ITEM, ILE_CODIGO_USUARIO_INC FROM SCA_ITEMLOCALEMPRESA"),
              QStringList({"1", "1", "1", "1", "0"}));
    auto location = Kelmor().Rows("SELECT ILE_DT_INCLUSAO, ILE_HR_INCLUSAO FROM SCA_ITEMLOCALEMPRESA")[0];
    EXPECT_EQ(Num(location[0]), Num(stamp[0]));
    EXPECT_EQ(Num(location[1]), Num(stamp[1]));

    EXPECT_EQ(Texts("SELECT TPI_PK_TABELAPRECOITEMEMPRESA, TPI_CODIGO_EMPRESA_MASTER, TPI_CODIGO_EMPRESA, "
                    "TPI_CODIGO_TIPOPRECO, TPI_CODIGO_ITEM, TPI_CODIGO_ITEMEMPRESA, TPI_PRECO, "
                    "TPI_CODIGO_USUARIO_INC, "
                    "TPI_LOCAL_INCLUSAO FROM SCA_TABELAPRECOITEMEMPRESA"),
              QStringList({"1", "1", "1", "2", "1", "1", "12.5", "0", "CAD"}));
    auto price = Kelmor().Rows(
        "SELECT TPI_DT_VALIDADE, TPI_DT_INCLUSAO, TPI_HR_INCLUSAO FROM SCA_TABELAPRECOITEMEMPRESA")[0];
    EXPECT_EQ(Num(price[0]), base.value);
    EXPECT_EQ(Num(price[1]), base.value);
    EXPECT_LT(Num(price[2]), 1.0);

    EXPECT_EQ(Texts("SELECT HCL_PK_HISTORICOCUSTOLIQUIDO, HCL_CODIGO_EMPRESA_MASTER, HCL_CODIGO_EMPRESA, "
                    "HCL_CODIGO_ITEM, HCL_CODIGO_ITEMEMPRESA, HCL_CODIGO_ITEMLOCAL, HCL_VLR_CUSTOLIQUIDO, "
                    "HCL_VLR_UNITARIO, HCL_VLR_EFETIVO, HCL_CODIGO_LOCAL, HCL_CODIGO_USUARIO_INC "
                    "FROM SCA_HISTORICOCUSTOLIQUIDO"),
              QStringList({"1", "1", "1", "1", "1", "1", "1.0001", "1.0001", "1.0001", "1", "0"}));
    EXPECT_EQ(Num(Kelmor().Scalar("SELECT HCL_DT_INCLUSAO FROM SCA_HISTORICOCUSTOLIQUIDO")), base.value);

    // 1.0001 x 0.9999 = 0.99999999: rounded once to 1.0000, then cut to the column's decimals.
    EXPECT_EQ(
        Texts("SELECT SIE_PK_SALDOITEMEMPRESA, SIE_CODIGO_ITEMEMPRESA, SIE_CODIGO_ITEMLOCALEMPRESA, "
              "SIE_SALDO_ANTERIOR, SIE_QTD_ENTRADAS, SIE_VLR_ENTRADAS, SIE_ACUMULA_ENTRADAS, "
              "SIE_QTD_SAIDAS_PESSOAJURIDICA, SIE_QTD_SAIDAS_PESSOAFISICA, SIE_SALDO_ATUAL, SIE_PRECO_MEDIO "
              "FROM SCA_SALDOITEMEMPRESA"),
        QStringList({"1", "1", "1", "0", "0.999", "1", "0", "0", "0", "0.999", "1.0001"}));
    EXPECT_EQ(Num(Kelmor().Scalar("SELECT SIE_DT_LANCAMENTO FROM SCA_SALDOITEMEMPRESA")), Date().value);

    EXPECT_EQ(Texts("SELECT IFO_PK_ITEMFORNECEDOR, IFO_CODIGO_ITEM, IFO_CODIGO_FORNECEDOR, "
                    "IFO_INCLUIDO_PELO_SISTEMA, "
                    "IFO_CODIGO_USUARIO_INC FROM SCA_ITEMFORNECEDOR"),
              QStringList({"1", "1", "7", "S", "0"}));
    EXPECT_EQ(Num(Kelmor().Scalar("SELECT IFO_DT_INCLUSAO FROM SCA_ITEMFORNECEDOR")), base.value);
}

TEST_F(Produtos, ValuesThatAreNotPositiveWriteNoPriceCostOrStock) {
    Classificacao("01");
    Produto({.codigo = "B1", .descricao = "NULOS"});
    Produto(
        {.codigo = "B2", .descricao = "ZEROS", .custo = 0.0, .saldo = 0.0, .ultimaVenda = Day(1899, 12, 30)});
    Produto({.codigo = "B3",
             .descricao = "NEGATIVOS",
             .custo = -2.5,
             .saldo = -1.0,
             .ultimaVenda = Day(1899, 12, 29)});
    Produto({.codigo = "B4",
             .descricao = "CUSTO NEGATIVO",
             .custo = -2.0,
             .saldo = 3.0,
             .ultimaVenda = Day(1899, 12, 30, 6, 0)});
    Produto({.codigo = "B5", .descricao = "SEM CUSTO", .saldo = 2.0});
    Preco("0", "B2", Day(2020, 1, 1), 0.0);
    Preco("0", "B3", Day(2020, 1, 1), -3.0);
    RunProducts();
    EXPECT_TRUE(boxes.empty());
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 5);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMEMPRESA"), 5);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMLOCALEMPRESA"), 5);
    EXPECT_EQ(Kelmor().Count("SCA_TABELAPRECOITEMEMPRESA"), 0);
    EXPECT_EQ(Kelmor().Count("SCA_HISTORICOCUSTOLIQUIDO"), 0);
    // A positive stock is written whatever the cost: its value and average price follow the cost.
    EXPECT_EQ(
        Texts("SELECT SIE_QTD_ENTRADAS, SIE_VLR_ENTRADAS, SIE_SALDO_ATUAL, SIE_PRECO_MEDIO FROM "
              "SCA_SALDOITEMEMPRESA JOIN SCA_ITEMEMPRESA ON IEM_PK_ITEMEMPRESA = SIE_CODIGO_ITEMEMPRESA "
              "WHERE IEM_CODIGO_ITEM = ?",
              {ItemOf("B4")}),
        QStringList({"3", "-6", "3", "-2"}));
    EXPECT_EQ(
        Texts("SELECT SIE_QTD_ENTRADAS, SIE_VLR_ENTRADAS, SIE_SALDO_ATUAL, SIE_PRECO_MEDIO FROM "
              "SCA_SALDOITEMEMPRESA JOIN SCA_ITEMEMPRESA ON IEM_PK_ITEMEMPRESA = SIE_CODIGO_ITEMEMPRESA "
              "WHERE IEM_CODIGO_ITEM = ?",
              {ItemOf("B5")}),
        QStringList({"2", "0", "2", "0"}));
    EXPECT_EQ(Kelmor().Count("SCA_SALDOITEMEMPRESA"), 2);
    // Absent stock limits read as zero; a NULL generic code gives ten zeros.
    EXPECT_EQ(
        Texts("SELECT ITE_CODIGO_ALTERNATIVO, IEM_QTD_ESTOQUE_MINIMO, IEM_QTD_ESTOQUE_MAXIMO FROM SCA_ITEM "
              "JOIN SCA_ITEMEMPRESA ON IEM_CODIGO_ITEM = ITE_PK_ITEM WHERE ITE_REFERENCIA = 'B1'"),
        QStringList({"0000000000", "0", "0"}));
    // The last sale is written only when later than 1899-12-30 00:00.
    auto lastSale = [&](const QString& ref) {
        return Kelmor().Scalar("SELECT IEM_DT_ULTIMA_VENDA FROM SCA_ITEMEMPRESA WHERE IEM_CODIGO_ITEM = ?",
                               {ItemOf(ref)});
    };
    EXPECT_TRUE(IsNull(lastSale("B1")));
    EXPECT_TRUE(IsNull(lastSale("B2")));
    EXPECT_TRUE(IsNull(lastSale("B3")));
    EXPECT_EQ(Num(lastSale("B4")), Day(1899, 12, 30, 6, 0).value);
}

TEST_F(Produtos, OnlyDescribedProductsWithTheirClassificationInTheirEstablishmentAreRead) {
    Classificacao("01");
    Classificacao("02");
    Loja().Exec("INSERT INTO LJ_GRUPO VALUES ('9', '02', 'SO NA 02')");
    Produto({.codigo = "C0", .descricao = "   "});
    Produto({.codigo = "C1", .descricao = "PRIMEIRO"});
    Produto({.codigo = "C2", .descricao = "GRUPO DE OUTRA LOJA"}, "9");
    auto unclassified = [&](const QString& codigo, const QString& subgrupo, const QString& unidade,
                            const QString& colecao) {
        Loja().Exec("INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
                    "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO) VALUES "
                    "(?, '01', '0', '1', ?, ?, ?, 'SEM CLASSIFICACAO')",
                    {codigo, subgrupo, colecao, unidade});
    };
    unclassified("C3", "8", "UN", "1"); // no subgroup 8
    unclassified("C4", "1", "KG", "1"); // no unit KG
    unclassified("C5", "1", "UN", "8"); // no collection 8
    Produto({.codigo = "C6", .descricao = "NAS DUAS LOJAS", .estab = "01"});
    Produto({.codigo = "C6", .descricao = "NAS DUAS LOJAS", .estab = "02"});
    RunProducts();
    EXPECT_TRUE(boxes.empty());
    CloseForm();
    // The blank description drew no key: the first product read is item 1.
    EXPECT_EQ(ItemOf("C1"), 1);
    EXPECT_EQ(Int(Kelmor().Scalar("SELECT GEN_ID(GEN_ITE_PK_ITEM, 0) FROM RDB$DATABASE")), 3);
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 3);
    EXPECT_EQ(Kelmor().Count("SCA_ITEM", "ITE_REFERENCIA = 'C6'"), 2);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMEMPRESA", "IEM_CODIGO_EMPRESA = 1 AND IEM_CODIGO_EMPRESA_MASTER = 1"),
              3);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMLOCALEMPRESA", "ILE_CODIGO_LOCALARMAZENAMENTO = 1"), 3);
    // Both establishments share one classification.
    EXPECT_EQ(Kelmor().Count("SCA_GRUPOPRODUTOS"), 1);
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 1);
}

TEST_F(Produtos, TheSupplierLinkNeedsAKnownSupplierAndAnIntegerCode) {
    Classificacao("01");
    Fornecedor(7);
    Produto({.codigo = "D1", .descricao = "PRODUTO D1", .fornecedor = "0"});
    Produto({.codigo = "D2", .descricao = "PRODUTO D2", .fornecedor = "-5"});
    Produto({.codigo = "D3", .descricao = "PRODUTO D3", .fornecedor = "0099"});
    Produto({.codigo = "D4", .descricao = "PRODUTO D4", .fornecedor = " 7 "});
    Produto({.codigo = "D5", .descricao = " PRODUTO D5 ", .fornecedor = "12A", .custo = 1.5, .saldo = 2.0});
    Preco("12A", "D5", Day(2020, 1, 1), 9.9);
    Produto({.codigo = "D6", .descricao = "PRODUTO D6", .fornecedor = "7"});
    RunProducts();
    // Only the code that is not a number fails its product, and the step goes on.
    EXPECT_EQ(
        Messages(),
        std::vector<QString>({"Falha ao incluir produto D5-PRODUTO D5\n'12A' is not a valid integer value"}));
    EXPECT_TRUE(Errors().empty());
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 6);
    auto links =
        Kelmor().Rows("SELECT IFO_CODIGO_ITEM, IFO_CODIGO_FORNECEDOR FROM SCA_ITEMFORNECEDOR ORDER BY 1");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(Int(links[0][0]), ItemOf("D4"));
    EXPECT_EQ(Int(links[0][1]), 7);
    EXPECT_EQ(Int(links[1][0]), ItemOf("D6"));
    // The failed product keeps every row written before its supplier test.
    const int64_t d5 = ItemOf("D5");
    EXPECT_EQ(Kelmor().Count("SCA_ITEMEMPRESA", QString("IEM_CODIGO_ITEM = %1").arg(d5)), 1);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMLOCALEMPRESA", QString("ILE_CODIGO_ITEM = %1").arg(d5)), 1);
    EXPECT_EQ(Kelmor().Count("SCA_TABELAPRECOITEMEMPRESA", QString("TPI_CODIGO_ITEM = %1").arg(d5)), 1);
    EXPECT_EQ(Kelmor().Count("SCA_HISTORICOCUSTOLIQUIDO", QString("HCL_CODIGO_ITEM = %1").arg(d5)), 1);
    EXPECT_EQ(Kelmor().Count("SCA_SALDOITEMEMPRESA"), 1);
}

TEST_F(Produtos, SupplierLinksArriveWhateverTheDestinationDeclaresTheirKeyAndFlag) {
    // Column, its declaration on the destination, the flag stored.
    const struct {
        const char* column;
        const char* type;
        const char* flag;
    } cases[] = {{"IFO_PK_ITEMFORNECEDOR", "BIGINT", "S"}, {"IFO_INCLUIDO_PELO_SISTEMA", "BOOLEAN", "1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        TearDown(); // fresh databases for each declaration
        QFile::remove(LojaPath());
        QFile::remove(KelmorPath());
        boxes.clear();
        SetUp();
        Classificacao("01");
        Fornecedor(7);
        Redeclare("SCA_ITEMFORNECEDOR", c.column, c.type);
        Produto({.codigo = "L1", .descricao = "LIGADO", .fornecedor = "7"});
        Produto({.codigo = "L2", .descricao = "TAMBEM", .fornecedor = "7"});
        RunProducts();
        EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
        CloseForm();
        EXPECT_EQ(
            Kelmor().Lines("SELECT IFO_CODIGO_FORNECEDOR, IFO_INCLUIDO_PELO_SISTEMA FROM SCA_ITEMFORNECEDOR"),
            QStringList({QString("7|") + c.flag, QString("7|") + c.flag}));
    }
}

TEST_F(Produtos, ALinkKeyBeyond32BitsEndsTheRunWithTheGeneratorsValue) {
    Classificacao("01");
    Fornecedor(7);
    // The next link key does not fit the 32-bit key column: it is never cut to another row's key.
    Kelmor().Exec("SET GENERATOR GEN_IFO_PK_ITEMFORNECEDOR TO 2147483647");
    Produto({.codigo = "L1", .descricao = "LIGADO", .fornecedor = "7"});
    Produto({.codigo = "L2", .descricao = "TAMBEM", .fornecedor = "7"});
    RunProducts();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0],
              "O gerador GEN_IFO_PK_ITEMFORNECEDOR deu o valor 2147483648, que não cabe nos 32 bits "
              "da chave.");
    EXPECT_EQ(boxes.size(), 1u); // no product box: no product is to blame
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 1);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMFORNECEDOR"), 0);
}

TEST_F(Produtos, ARefusedItemWritesNoRowsThatWouldPointAtAnotherItem) {
    Classificacao("01");
    Fornecedor(7);
    Kelmor().Exec("INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_DESCRICAO) VALUES (1, 'JA EXISTENTE')");
    Produto({.codigo = "E1", .descricao = "RECUSADO", .fornecedor = "7", .custo = 1.0, .saldo = 1.0});
    Preco("7", "E1", Day(2020, 1, 1), 5.0);
    Produto({.codigo = "E2", .descricao = "SEGUINTE", .fornecedor = "7", .custo = 1.0, .saldo = 1.0});
    Preco("7", "E2", Day(2020, 1, 1), 5.0);
    RunProducts();
    // The box says why on its second line.
    EXPECT_EQ(Messages(),
              std::vector<QString>({"Falha ao incluir produto E1-RECUSADO\n"
                                    "Registro recusado pelo banco de destino na tabela SCA_ITEM: "
                                    "violation of PRIMARY or UNIQUE KEY constraint \"PK_SCA_ITEM\" "
                                    "on table \"SCA_ITEM\"\n"
                                    "Problematic key value is (\"ITE_PK_ITEM\" = 1)"}));
    // The refusal itself is reported once the run ends.
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().icon, TMsgIcon::Information);
    EXPECT_TRUE(boxes.back().text.contains("SCA_ITEM")) << boxes.back().text.toStdString();
    CloseForm();
    EXPECT_EQ(Str(Kelmor().Scalar("SELECT ITE_DESCRICAO FROM SCA_ITEM WHERE ITE_PK_ITEM = 1")),
              "JA EXISTENTE");
    EXPECT_EQ(ItemOf("E2"), 2);
    for (auto [table, column] : {std::pair{"SCA_ITEMEMPRESA", "IEM_CODIGO_ITEM"},
                                 {"SCA_ITEMLOCALEMPRESA", "ILE_CODIGO_ITEM"},
                                 {"SCA_TABELAPRECOITEMEMPRESA", "TPI_CODIGO_ITEM"},
                                 {"SCA_HISTORICOCUSTOLIQUIDO", "HCL_CODIGO_ITEM"},
                                 {"SCA_ITEMFORNECEDOR", "IFO_CODIGO_ITEM"}}) {
        EXPECT_EQ(Kelmor().Count(table), 1) << table;
        EXPECT_EQ(Kelmor().Count(table, QString(column) + " = 2"), 1) << table;
    }
    EXPECT_EQ(Kelmor().Count("SCA_SALDOITEMEMPRESA"), 1);
}

// A 5-decimal column needs one decimal more than the program keeps: a price or a cost of 1e14
// does not fit it. The row that carries it is refused, as the database's own overflow would be,
// and reported with the value and the column; the product's other rows and the step go on.
TEST_F(Produtos, APriceOrCostBeyondItsColumnIsRefusedAndTheProductGoesOn) {
    Classificacao("01");
    Produto({.codigo = "G1", .descricao = "PRECO ALTO", .custo = 1.5, .saldo = 1.0});
    Preco("0", "G1", Day(2020, 1, 1), 1e14);
    Produto({.codigo = "G2", .descricao = "CUSTO ALTO", .custo = 1e14, .saldo = 1.0});
    Preco("0", "G2", Day(2020, 1, 1), 2.5);
    Produto({.codigo = "G3", .descricao = "NORMAL", .custo = 2.0, .saldo = 1.0});
    Preco("0", "G3", Day(2020, 1, 1), 3.0);
    RunProducts();
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ(boxes.size(), 1u);
    for (const char* refused : {"100000000000000 does not fit column TPI_PRECO",
                                "100000000000000 does not fit column HCL_VLR_CUSTOLIQUIDO"})
        EXPECT_TRUE(boxes[0].text.contains(refused)) << boxes[0].text.toStdString();
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 3);
    EXPECT_EQ(Kelmor().Lines("SELECT ITE_REFERENCIA, TPI_PRECO FROM SCA_TABELAPRECOITEMEMPRESA JOIN SCA_ITEM "
                             "ON ITE_PK_ITEM = TPI_CODIGO_ITEM ORDER BY 1"),
              QStringList({"G2|2.5", "G3|3"}));
    EXPECT_EQ(Kelmor().Lines("SELECT ITE_REFERENCIA, HCL_VLR_CUSTOLIQUIDO FROM SCA_HISTORICOCUSTOLIQUIDO "
                             "JOIN SCA_ITEM ON ITE_PK_ITEM = HCL_CODIGO_ITEM ORDER BY 1"),
              QStringList({"G1|1.5", "G3|2"}));
}

TEST_F(Produtos, SetsAreEmptiedAfterTheir501stRowAndTheItemSetsTogether) {
    Classificacao("01");
    Fornecedor(7);
    // 502 products with cost, stock and a supplier; the 501st has a supplier code that is not a
    // number, so it fails after its stock row.
    Loja().Exec(
        "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 502) DO BEGIN "
        "INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
        "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_CUSTO_LIQUIDO, "
        "ITE_SALDO_TOTAL) VALUES ('P' || LPAD(:I, 4, '0'), '01', IIF(:I = 501, 'X1', '7'), '1', '1', '1', "
        "'UN', 'PRODUTO ' || :I, 1, 1); I = I + 1; END END");
    RunProducts();
    EXPECT_EQ(Messages(),
              std::vector<QString>(
                  {"Falha ao incluir produto P0501-PRODUTO 501\n'X1' is not a valid integer value"}));
    Tfrm_Importacao& f = Form();
    // The failed 501st product skipped the joint check; the 502nd emptied all three sets.
    EXPECT_EQ(f.CDS_ITEM.RecordCount(), 0);
    EXPECT_EQ(f.CDS_ITEMEMPRESA.RecordCount(), 0);
    EXPECT_EQ(f.CDS_ITEMLOCAL.RecordCount(), 0);
    // Cost and stock were emptied after the 501st row, the links (one fewer) after the 502nd.
    EXPECT_EQ(f.CDS_PRECOCUSTO.RecordCount(), 1);
    EXPECT_EQ(f.CDS_SALDO.RecordCount(), 1);
    EXPECT_EQ(f.CDS_ITEMFORNECEDOR.RecordCount(), 0);
    EXPECT_EQ(f.CDS_PRECOVENDA.RecordCount(), 0);
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 502);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMEMPRESA"), 502);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMLOCALEMPRESA"), 502);
    EXPECT_EQ(Kelmor().Count("SCA_HISTORICOCUSTOLIQUIDO"), 502);
    EXPECT_EQ(Kelmor().Count("SCA_SALDOITEMEMPRESA"), 502);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMFORNECEDOR"), 501);
    EXPECT_EQ(Kelmor().Count("SCA_ITEMFORNECEDOR", "IFO_CODIGO_ITEM = 501"), 0);
}

// A full disk is no failure of one product: the run ends with the database's message at once
// instead of reporting every later product as failed, and what was committed before stays.
TEST_F(Produtos, AFailingDiskEndsTheRunWithItsMessage) {
    Classificacao("01");
    Loja().Exec(
        "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 1500) DO BEGIN "
        "INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
        "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_CUSTO_LIQUIDO, "
        "ITE_SALDO_TOTAL) VALUES ('P' || LPAD(:I, 4, '0'), '01', '0', '1', '1', '1', 'UN', 'PRODUTO ' || :I, "
        "1, 1); I = I + 1; END END");
    DetachHelpers();
    SetPageBuffers(KelmorPath(), 50); // pages are written while products are, not only at commits
    Form();
    {
        FileSizeLimit full(QFileInfo(KelmorPath()).size());
        RunProducts();
    }
    ASSERT_EQ(boxes.size(), 1u) << boxes.front().text.toStdString() << " ... "
                                << boxes.back().text.toStdString();
    EXPECT_EQ(boxes[0].icon, TMsgIcon::Error);
    EXPECT_TRUE(boxes[0].text.startsWith("I/O error during \"write\"")) << boxes[0].text.toStdString();
    // The look-ups the first product created were committed at once; the products written after
    // them wait in the transaction, which closing the window commits.
    EXPECT_EQ(Kelmor().Count("SCA_GRUPOPRODUTOS"), 1);
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 0);
    CloseForm();
    // The products before the failure, in their order, and none after it.
    const int64_t itens = Kelmor().Count("SCA_ITEM");
    EXPECT_GT(itens, 0);
    EXPECT_LT(itens, 1500);
    EXPECT_EQ(Str(Kelmor().Scalar("SELECT MAX(ITE_REFERENCIA) FROM SCA_ITEM")),
              QString("P%1").arg(itens, 4, 10, QChar('0')));
}

// A legacy code of -1234567890 gives the eleven characters "-1234567890": cut to the column's ten,
// it would be the code of product -123456789. The product fails instead, and the bar codes of each
// code find their own product or none.
TEST_F(Produtos, ACodeTooLongForItsColumnFailsItsProductAndLandsOnNoOther) {
    Classificacao("01");
    Produto(
        {.codigo = "L1", .descricao = "LONGO", .custo = 1.0, .saldo = 1.0, .generico = int64_t{-1234567890}});
    Produto({.codigo = "L2", .descricao = "CURTO", .generico = int64_t{-123456789}});
    for (const char* item : {"L1", "L2"})
        Loja().Exec("INSERT INTO LJ_BARRA (BAR_CODIGO, BAR_CODIGO_ESTAB, BAR_CODIGO_ITEM, BAR_CODIGO_FORNE) "
                    "VALUES (?, '01', ?, '0')",
                    {QString("789000000%1").arg(item), QString(item)});
    RunProducts();
    Press(Form().btn_CodigoBarra);
    EXPECT_EQ(Messages(),
              std::vector<QString>({"Falha ao incluir produto L1-LONGO\n'-1234567890' does not fit "
                                    "column ITE_CODIGO_ALTERNATIVO"}));
    CloseForm();
    // Nothing of the failed product is written; the other keeps its own code and bar code.
    EXPECT_EQ(Kelmor().Lines("SELECT ITE_REFERENCIA, ITE_CODIGO_ALTERNATIVO FROM SCA_ITEM"),
              QStringList{"L2|-123456789"});
    for (const char* table : {"SCA_ITEMEMPRESA", "SCA_ITEMLOCALEMPRESA"})
        EXPECT_EQ(Kelmor().Count(table), 1) << table;
    EXPECT_EQ(Kelmor().Count("SCA_HISTORICOCUSTOLIQUIDO"), 0);
    EXPECT_EQ(Kelmor().Lines("SELECT CBA_CODIGO, CBA_CODIGO_ITEM FROM SCA_CODIGOBARRAS"),
              QStringList{QString("789000000L2|%1").arg(ItemOf("L2"))});
}

namespace {
// How a trigger of the destination reaches the brand table: named, or through a view, a view of a
// view, a packaged procedure, a function, or dynamic SQL in its body or in a procedure it calls.
struct Caminho {
    const char* name;
    std::vector<const char*> objects; // created before the trigger
    const char* write;                // the trigger's statement writing brand :N
    bool dynamic;                     // dynamic SQL: any table may be written
};

const Caminho kCaminhos[] = {
    {"Named",
     {},
     "INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO) VALUES (GEN_ID(GEN_MAR_PK_MARCA, 1), :N);",
     false},
    {"View",
     {"CREATE VIEW V_MARCA (PK, DESCRICAO) AS SELECT MAR_PK_MARCA, MAR_DESCRICAO FROM SCA_MARCA"},
     "INSERT INTO V_MARCA (PK, DESCRICAO) VALUES (GEN_ID(GEN_MAR_PK_MARCA, 1), :N);",
     false},
    {"ViewOfAView",
     {"CREATE VIEW V_MARCA (PK, DESCRICAO) AS SELECT MAR_PK_MARCA, MAR_DESCRICAO FROM SCA_MARCA",
      "CREATE VIEW V_MARCA2 (PK, DESCRICAO) AS SELECT PK, DESCRICAO FROM V_MARCA"},
     "INSERT INTO V_MARCA2 (PK, DESCRICAO) VALUES (GEN_ID(GEN_MAR_PK_MARCA, 1), :N);",
     false},
    {"Package",
     {"CREATE PACKAGE PK_MARCA AS BEGIN PROCEDURE GRAVAR (D VARCHAR(50)); END",
      "CREATE PACKAGE BODY PK_MARCA AS BEGIN PROCEDURE GRAVAR (D VARCHAR(50)) AS BEGIN "
      "INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO) VALUES (GEN_ID(GEN_MAR_PK_MARCA, 1), :D); END "
      "END"},
     "EXECUTE PROCEDURE PK_MARCA.GRAVAR :N;",
     false},
    {"Function",
     {"CREATE FUNCTION F_MARCA (D VARCHAR(50)) RETURNS INTEGER AS BEGIN INSERT INTO V_MARCA_F (PK, "
      "DESCRICAO) "
      "VALUES (GEN_ID(GEN_MAR_PK_MARCA, 1), :D); RETURN 1; END"},
     "X = F_MARCA(:N);",
     false},
    {"DynamicSql",
     {},
     "EXECUTE STATEMENT ('INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO) VALUES "
     "(GEN_ID(GEN_MAR_PK_MARCA, 1), ?)') (:N);",
     true},
    {"DynamicSqlInAProcedure",
     {"CREATE PROCEDURE P_DINAMICO (D VARCHAR(50)) AS BEGIN execute\n  statement "
      "('INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO) VALUES (GEN_ID(GEN_MAR_PK_MARCA, 1), ?)') (:D); "
      "END"},
     "EXECUTE PROCEDURE P_DINAMICO :N;",
     true},
};

void PrintTo(const Caminho& c, std::ostream* os) {
    *os << c.name;
}

class ProdutosGatilho : public Produtos, public ::testing::WithParamInterface<Caminho> {};
} // namespace

// The destination names each new supplier link's supplier as a brand: product P4, whose collection
// bears that name, finds the brand the trigger wrote instead of creating a second one.
TEST_P(ProdutosGatilho, ABrandATriggerWroteIsFoundWhateverWayItReachedTheTable) {
    const Caminho& c = GetParam();
    // The function reaches the table through a view of its own.
    Kelmor().Exec(
        "CREATE VIEW V_MARCA_F (PK, DESCRICAO) AS SELECT MAR_PK_MARCA, MAR_DESCRICAO FROM SCA_MARCA");
    for (const char* sql : c.objects)
        Kelmor().Exec(sql);
    Kelmor().Exec(QString("CREATE TRIGGER T_IFO_MARCA FOR SCA_ITEMFORNECEDOR AFTER INSERT AS "
                          "DECLARE N VARCHAR(50); DECLARE X INTEGER; BEGIN "
                          "SELECT FOR_NOME FROM SCA_FORNECEDOR WHERE FOR_CODIGO = NEW.IFO_CODIGO_FORNECEDOR "
                          "INTO :N; %1 END")
                      .arg(c.write));
    Kelmor().Exec("INSERT INTO SCA_FORNECEDOR (FOR_CODIGO, FOR_NOME) VALUES (7, 'ACME')");
    Classificacao("01");
    Loja().Exec("INSERT INTO LJ_COLEC VALUES ('2', '01', 'ACME')");
    Produto({.codigo = "P1", .descricao = "DO FORNECEDOR", .fornecedor = "7"});
    Loja().Exec("INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
                "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO) "
                "VALUES ('P4', '01', '0', '1', '1', '2', 'UN', 'DA COLECAO')");
    RunProducts();
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
    Tfrm_Importacao& f = Form();
    EXPECT_TRUE(f.DB_DESTINO.WrittenByTriggers("SCA_MARCA", f.TR_DESTINO));
    EXPECT_EQ(f.DB_DESTINO.WrittenByTriggers("SCA_CODIGOBARRAS", f.TR_DESTINO), c.dynamic);
    CloseForm();
    EXPECT_EQ(Kelmor().Lines("SELECT MAR_DESCRICAO, COUNT(*) FROM SCA_MARCA GROUP BY 1 ORDER BY 1"),
              (QStringList{"ACME|1", "BASICA|1"}));
    EXPECT_EQ(Kelmor().Scalar("SELECT ITE_CODIGO_MARCA FROM SCA_ITEM WHERE ITE_REFERENCIA = 'P4'"),
              Kelmor().Scalar("SELECT MAR_PK_MARCA FROM SCA_MARCA WHERE MAR_DESCRICAO = 'ACME'"));
}

INSTANTIATE_TEST_SUITE_P(Caminhos, ProdutosGatilho, ::testing::ValuesIn(kCaminhos),
                         [](const auto& info) { return std::string(info.param.name); });
