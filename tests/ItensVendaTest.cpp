// The sale items on real databases: which legacy items are selected, the header and product
// look-ups, the ordinal within a sale, every column of an item, and how bad codes end the run.
#include "TestSupport.h"

#include <QCheckBox>
#include <algorithm>
#include <map>

namespace {
// A stored value as text: NULL, a date-time by its day count, anything else as Str gives it.
QString Shown(const TValue& v) {
    if (IsNull(v)) return "NULL";
    if (auto p = std::get_if<TDateTime>(&v)) return QString::number(p->value, 'f', 8);
    return Str(v);
}

struct Item {
    QString venda = "000010";
    QString codigo = "P1";
    QString estab = "01";
    TValue quantidade = 1.0;
    TValue total = 10.0;
    TValue unitario = 10.0;
    TValue data = Day(2014, 1, 2);
    TValue hora = Day(1899, 12, 30, 9, 15);
    TValue exclusao = TValue{};
};

class ItensVenda : public MigrationTest {
protected:
    // The window is closed before it is destroyed: the grids must not repaint over datasets
    // already gone.
    void TearDown() override {
        CloseForm();
        MigrationTest::TearDown();
    }
    void SetUp() override {
        MigrationTest::SetUp();
        // Sets the base date to 2 January 2014 at 08:00; its customer is unknown, so the
        // header half writes nothing and the tests give the headers themselves.
        Loja().Exec("INSERT INTO LJ_VENDA (VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
                    "VEN_HORA_EMISSAO, VEN_NAT_OP, VEN_FORMA_PG_ENTRADA) VALUES ('999999', '01', '00999', ?, "
                    "?, 1, 1)",
                    {Day(2014, 1, 2, 8), Day(1899, 12, 30, 8)});
    }
    // A legacy product of supplier 0001 and its destination rows for a company.
    void Product(const QString& codigo, const TValue& gen, int chave, int empresa = 1,
                 const QString& estab = "01") {
        Loja().Exec(
            "INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
            "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_CODIGO_GEN) "
            "VALUES (?, ?, '0001', '001', '001', '001', 'UN', 'PRODUTO', ?)",
            {codigo, estab, gen});
        const QString alternativo =
            IsNull(gen) ? "0000000000" : QString::number(Int(gen)).rightJustified(10, '0');
        Kelmor().Exec("INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_ALTERNATIVO) VALUES (?, ?)",
                      {int64_t{chave}, alternativo});
        Kelmor().Exec("INSERT INTO SCA_ITEMEMPRESA (IEM_PK_ITEMEMPRESA, IEM_CODIGO_EMPRESA, IEM_CODIGO_ITEM) "
                      "VALUES (?, ?, ?)",
                      {int64_t{chave + 100}, int64_t{empresa}, int64_t{chave}});
        Kelmor().Exec("INSERT INTO SCA_ITEMLOCALEMPRESA (ILE_PK_ITEMLOCALEMPRESA, ILE_CODIGO_ITEMEMPRESA, "
                      "ILE_CODIGO_LOCALARMAZENAMENTO) VALUES (?, ?, 1)",
                      {int64_t{chave + 200}, int64_t{chave + 100}});
    }
    void Header(int chave, int numero, const TValue& vendedor = int64_t{7}) {
        Kelmor().Exec(
            "INSERT INTO SCA_SAIDA (SAI_PK_SAIDA, SAI_NUMERO, SAI_CODIGO_VENDEDOR_INTERNO) VALUES (?, ?, ?)",
            {int64_t{chave}, int64_t{numero}, vendedor});
    }
    void Legacy(const Item& i) {
        Loja().Exec(
            "INSERT INTO LJ_ITVEN (ITV_CODIGO_VENDA, ITV_CODIGO, ITV_CODIGO_FORNE, ITV_CODIGO_ESTAB, "
            "ITV_QUANTIDADE, ITV_VALOR_TOTAL, ITV_VALOR_UNITARIO, ITV_DATA_VENDA, ITV_HORA_VENDA, "
            "ITV_DATA_EXCLUSAO) VALUES (?, ?, '0001', ?, ?, ?, ?, ?, ?, ?)",
            {i.venda, i.codigo, i.estab, i.quantidade, i.total, i.unitario, i.data, i.hora, i.exclusao});
    }
    // Stored items by destination product: sale key, ordinal and seller.
    std::map<int64_t, TRow> Stored() {
        std::map<int64_t, TRow> out;
        for (const TRow& r : Kelmor().Rows("SELECT ISA_CODIGO_ITEM, ISA_CODIGO_SAIDA, ISA_NR_ORDEM, "
                                           "ISA_CODIGO_VENDEDOR FROM SCA_ITEMSAIDA"))
            out[Int(r[0])] = r;
        return out;
    }
    // The position of each legacy product code within its sale, as the source set holds them.
    std::map<QString, int> Positions() {
        std::map<QString, int> out;
        TClientDataSet& origem = Form().CDS_ORIGEM_ITV;
        QString venda;
        int n = 0;
        for (origem.First(); !origem.Eof(); origem.Next()) {
            const QString v = origem.FieldByName("ITV_CODIGO_VENDA").AsString();
            n = v == venda ? n + 1 : 1;
            venda = v;
            out[origem.FieldByName("ITV_CODIGO").AsString()] = n;
        }
        return out;
    }
    std::vector<QString> NotFound() const {
        std::vector<QString> out;
        for (const ShownBox& b : boxes)
            if (b.icon == TMsgIcon::None) out.push_back(b.text);
        return out;
    }
    void RunSalesOnly() {
        OnlySteps({Form().chk_Vendas});
        Run();
    }
};
} // namespace

TEST_F(ItensVenda, SelectsLiveItemsOfKnownLegacyProductsFromMidnightOfTheBaseDay) {
    Header(1, 10);
    Product("P1", int64_t{1}, 1);
    Product("P2", int64_t{2}, 2);
    Product("P3", int64_t{3}, 3);
    Product("P4", int64_t{4}, 4);
    Legacy({.codigo = "P1", .data = Day(2014, 1, 2)}); // midnight of the base day: selected
    Legacy({.codigo = "P2", .data = Day(2014, 1, 1, 23, 59)});
    Legacy({.codigo = "P3", .exclusao = Day(2014, 1, 3)});
    Legacy({.codigo = "P4", .data = Day(2014, 1, 5)});
    Legacy({.codigo = "P9"}); // no legacy product of that code
    RunSalesOnly();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Form().CDS_ORIGEM_ITV.RecordCount(), 2);
    auto stored = Stored();
    EXPECT_EQ(stored.size(), 2u);
    EXPECT_TRUE(stored.count(1));
    EXPECT_TRUE(stored.count(4));
}

TEST_F(ItensVenda, EveryColumnOfAnItem) {
    Header(5, 10, int64_t{12});
    Product("P1", int64_t{815}, 1, 3, "03");
    Legacy({.codigo = "P1",
            .estab = "03",
            .quantidade = 1.23456,
            .total = 10.559,
            .unitario = 3.123456,
            .data = Day(2014, 1, 3, 11),
            .hora = TValue{}});
    RunSalesOnly();
    EXPECT_TRUE(boxes.empty());
    // A float becomes four decimals, to the nearest; two-decimal columns cut the rest off.
    std::vector<std::pair<QString, QString>> expected = {
        {"ISA_PK_ITEMSAIDA", "1"},
        {"ISA_CODIGO_EMPRESAMASTER", "1"},
        {"ISA_CODIGO_EMPRESA", "3"},
        {"ISA_CODIGO_SAIDA", "5"},
        {"ISA_CODIGO_TIPOPRECO", "2"},
        {"ISA_CODIGO_ITEM", "1"},
        {"ISA_CODIGO_ITEMEMPRESA", "101"},
        {"ISA_CODIGO_ITEMLOCAL", "201"},
        {"ISA_CODIGO_UNIDADE", "1"},
        {"ISA_CODIGO_EVENTOANALITICO", "1"},
        {"ISA_CODIGO_CENTROCUSTO", "4"},
        {"ISA_ENTREGUE", "S"},
        {"ISA_NR_ORDEM", "1"},
        {"ISA_QTD_TOTAL", "1.2346"},
        {"ISA_VLR_PRECOVENDA_TABELA", "3.1235"},
        {"ISA_VLR_UNITARIO", "3.1235"},
        {"ISA_VLR_TOTAL", "10.55"},
        {"ISA_VLR_LIQUIDO", "10.55"},
        {"ISA_CODIGO_COLUNA_TABELAPRECO", "1"},
        {"ISA_DT_INCLUSAO", Shown(Day(2014, 1, 3, 11))},
        {"ISA_HR_INCLUSAO", Shown(TDateTime{})}, // no sale time: the zero date-time, not NULL
        {"ISA_CODIGO_VENDEDOR", "12"},
        {"ISA_INFORMOU_ITEMGASTOSERVICO", "N"},
        {"ISA_PRECO_PROMOCIONAL", "N"},
        {"ISA_CODIGO_SERVICO", "NULL"},
    };
    for (const char* zero : {"ISA_QTD_TOTAL_DEVOLVIDA", "ISA_VLR_FRETE", "ISA_VLR_OUTRAS_DESPESAS",
                             "ISA_PERC_DESCONTO", "ISA_VLR_DESCONTO", "ISA_VLR_DESCONTO_CUSTO",
                             "ISA_CODIGO_USUARIO_INC", "ISA_DFV_VLR_DESPESAFIXA", "ISA_DFV_VLR_OUTROS"})
        expected.emplace_back(zero, "0");
    QStringList columns;
    for (const auto& e : expected)
        columns << e.first;
    auto rows = Kelmor().Rows("SELECT " + columns.join(", ") + " FROM SCA_ITEMSAIDA");
    ASSERT_EQ(rows.size(), 1u);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Shown(rows[0][i]), expected[i].second) << expected[i].first.toStdString();
}

TEST_F(ItensVenda, OrdinalsRunPerSaleAndCountTheItemsLeftOut) {
    Header(1, 10);
    Header(2, 11);
    Product("A1", int64_t{1}, 1);
    Product("A3", int64_t{3}, 3);
    Product("B1", int64_t{11}, 11);
    Product("B2", int64_t{12}, 12);
    Product("C1", int64_t{21}, 21);
    Product("E1", int64_t{31}, 31, 1, "02"); // written for company 1 only
    Product("N1", TValue{}, 41);             // no generated code: found as 0000000000
    Loja().Exec("INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
                "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_CODIGO_GEN) "
                "VALUES ('A2', '01', '0001', '001', '001', '001', 'UN', 'SEM DESTINO', 2)");
    for (const char* c : {"A1", "A2", "A3"})
        Legacy({.venda = "000010", .codigo = c});
    for (const char* c : {"B1", "B2", "N1"})
        Legacy({.venda = "000011", .codigo = c});
    for (const char* c : {"C1"})
        Legacy({.venda = "000012", .codigo = c}); // no header
    Legacy({.venda = "000011", .codigo = "E1", .estab = "02"});
    RunSalesOnly();
    // The missing product and the other establishment's item are reported, the sale without a
    // header is not.
    auto notFound = NotFound();
    std::sort(notFound.begin(), notFound.end());
    ASSERT_EQ(notFound.size(), 2u);
    EXPECT_EQ(notFound[0], "Produto não encontrado: A2");
    EXPECT_EQ(notFound[1], "Produto não encontrado: E1");
    EXPECT_TRUE(Errors().empty());

    auto stored = Stored();
    auto position = Positions();
    EXPECT_EQ(stored.size(), 5u);
    const struct {
        const char* codigo;
        int64_t produto, venda;
    } written[] = {{"A1", 1, 1}, {"A3", 3, 1}, {"B1", 11, 2}, {"B2", 12, 2}, {"N1", 41, 2}};
    for (const auto& w : written) {
        SCOPED_TRACE(w.codigo);
        ASSERT_TRUE(stored.count(w.produto));
        EXPECT_EQ(Int(stored[w.produto][1]), w.venda);
        EXPECT_EQ(Int(stored[w.produto][3]), 7);
        // Its place among the rows of its sale, the items left out counted: with the rows in the
        // order they were inserted, A1 and A3 carry 1 and 3.
        EXPECT_EQ(Int(stored[w.produto][2]), position[w.codigo]);
    }
    EXPECT_EQ(position["A1"] + position["A2"] + position["A3"], 6);
    EXPECT_FALSE(stored.count(21));
}

TEST_F(ItensVenda, AHeaderWrittenWithoutSellerLeavesTheItemsWithoutOne) {
    Kelmor().Exec("INSERT INTO SCA_CLIENTE (CLI_CODIGO) VALUES (42)");
    Loja().Exec("INSERT INTO LJ_VENDA (VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
                "VEN_HORA_EMISSAO, VEN_CODIGO_FUNC, VEN_NAT_OP, VEN_FORMA_PG_ENTRADA) "
                "VALUES ('000020', '01', '00042', ?, ?, NULL, 1, 1)",
                {Day(2014, 1, 4), Day(1899, 12, 30, 10)});
    Header(50, 21, int64_t{0}); // a seller code of 0 counts as none
    Product("P1", int64_t{1}, 1);
    Product("P2", int64_t{2}, 2);
    Legacy({.venda = "000020", .codigo = "P1"});
    Legacy({.venda = "000021", .codigo = "P2"});
    RunSalesOnly();
    EXPECT_TRUE(boxes.empty());
    auto stored = Stored();
    ASSERT_EQ(stored.size(), 2u);
    // The header the first half wrote this run got the first key of its generator.
    EXPECT_EQ(Int(stored[1][1]), 1);
    EXPECT_TRUE(IsNull(stored[1][3]));
    EXPECT_EQ(Int(stored[2][1]), 50);
    EXPECT_TRUE(IsNull(stored[2][3]));
}

TEST_F(ItensVenda, CodesCarryingSqlAreValuesAndEndTheRunNamingThem) {
    Header(1, 10);
    Product("P1", int64_t{1}, 1);
    Legacy({.venda = "000010", .codigo = "P1"});
    // Sorts after the digits: the good sale is written first.
    Legacy({.venda = "OR 1=1", .codigo = "P1"});
    RunSalesOnly();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("'OR 1=1'")) << Errors()[0].toStdString();
    EXPECT_EQ(Kelmor().Count("SCA_ITEMSAIDA"), 0); // a half that fails does not commit

    // An establishment that is not a number stops before the look-up and before a key is drawn.
    Loja().Exec("DELETE FROM LJ_ITVEN");
    Product("P2", int64_t{2}, 2, 1, "1'");
    Legacy({.venda = "000010", .codigo = "P2", .estab = "1'"});
    boxes.clear();
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("'1''")) << Errors()[0].toStdString();
    EXPECT_TRUE(NotFound().empty());
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_ITEMSAIDA"), 1);
    EXPECT_EQ(Int(Kelmor().Scalar("SELECT GEN_ID(GEN_ISA_PK_ITEMSAIDA, 0) FROM RDB$DATABASE")), 1);
}

TEST_F(ItensVenda, ARefusedItemIsReportedAndDoesNotHoldBackTheNext) {
    Header(1, 10);
    Product("P1", int64_t{1}, 1);
    Product("P2", int64_t{2}, 2);
    Kelmor().Exec("INSERT INTO SCA_ITEMSAIDA (ISA_PK_ITEMSAIDA) VALUES (1)"); // the first key drawn
    Legacy({.venda = "000010", .codigo = "P1"});
    Legacy({.venda = "000010", .codigo = "P2"});
    RunSalesOnly();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Form().Recusas.Count("SCA_ITEMSAIDA"), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("SCA_ITEMSAIDA")) << boxes[0].text.toStdString();
    EXPECT_EQ(Kelmor().Count("SCA_ITEMSAIDA", "ISA_PK_ITEMSAIDA = 2 AND ISA_CODIGO_SAIDA = 1"), 1);
}

TEST_F(ItensVenda, AProductSoldInSeveralSalesIsFoundForEachAndAMissingOneReportedForEach) {
    Header(1, 10);
    Header(2, 11);
    Product("A1", int64_t{1}, 1);
    Product("E1", int64_t{31}, 31, 1, "02"); // its company row is of company 1, not 2
    // A generic code of -1,000,000,000 gives an eleven-character alternative code, longer than
    // the column: it matches no product.
    Loja().Exec("INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
                "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_CODIGO_GEN) "
                "VALUES ('G1', '01', '0001', '001', '001', '001', 'UN', 'PRODUTO', -1000000000)");
    for (const char* venda : {"000010", "000011"}) {
        Legacy({.venda = venda, .codigo = "A1"});
        Legacy({.venda = venda, .codigo = "E1", .estab = "02"});
        Legacy({.venda = venda, .codigo = "G1"});
    }
    RunSalesOnly();
    EXPECT_TRUE(Errors().empty());
    auto naoEncontrados = NotFound(); // one per item left out, whatever their order in a sale
    std::sort(naoEncontrados.begin(), naoEncontrados.end());
    EXPECT_EQ(naoEncontrados,
              (std::vector<QString>{"Produto não encontrado: E1", "Produto não encontrado: E1",
                                    "Produto não encontrado: G1", "Produto não encontrado: G1"}));
    auto rows = Kelmor().Rows("SELECT ISA_CODIGO_SAIDA, ISA_CODIGO_ITEM, ISA_CODIGO_ITEMEMPRESA, "
                              "ISA_CODIGO_ITEMLOCAL FROM SCA_ITEMSAIDA ORDER BY ISA_CODIGO_SAIDA");
    ASSERT_EQ(rows.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Int(rows[i][0]), i + 1);
        EXPECT_EQ(Int(rows[i][1]), 1);
        EXPECT_EQ(Int(rows[i][2]), 101);
        EXPECT_EQ(Int(rows[i][3]), 201);
    }
}

// A quantity its column cannot hold (NUMERIC(9,4) keeps 32 bits) refuses that item alone, as the
// database's own overflow would: it is reported with its value and column, and the items of the
// later sales are written.
TEST_F(ItensVenda, AQuantityItsColumnCannotHoldIsRefusedAndTheLaterSalesWritten) {
    Header(1, 10);
    Header(2, 11);
    Product("P1", int64_t{1}, 1);
    Legacy({.venda = "000010", .quantidade = 300000.0});
    Legacy({.venda = "000011", .quantidade = 2.5});
    RunSalesOnly();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Form().Recusas.Count("SCA_ITEMSAIDA"), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("300000 does not fit column ISA_QTD_TOTAL"))
        << boxes[0].text.toStdString();
    EXPECT_EQ(Kelmor().Lines("SELECT ISA_CODIGO_SAIDA, ISA_QTD_TOTAL FROM SCA_ITEMSAIDA"),
              QStringList({"2|2.5"}));
}

// A destination with 64-bit sale keys: a key beyond 32 bits is never cut to another sale's key,
// whether the header is found by its statement (an index on the number) or from memory (none).
class ItensVendaChaveLonga : public ItensVenda, public ::testing::WithParamInterface<bool> {};

TEST_P(ItensVendaChaveLonga, ASaleKeyBeyond32BitsEndsTheRunNamingIt) {
    Redeclare("SCA_SAIDA", "SAI_PK_SAIDA", "BIGINT");
    if (GetParam()) Kelmor().Exec("CREATE INDEX IX_SAI_NUMERO ON SCA_SAIDA (SAI_NUMERO)");
    Kelmor().Exec("INSERT INTO SCA_SAIDA (SAI_PK_SAIDA, SAI_NUMERO) VALUES (4294968295, 10)");
    Product("P1", int64_t{1}, 1);
    Legacy({.venda = "000010"});
    RunSalesOnly();
    EXPECT_EQ(Form().IDX_SAIDA_NUMERO.InMemory(), !GetParam());
    EXPECT_EQ(Errors(), std::vector<QString>{"4294968295 in SAI_PK_SAIDA does not fit a 32-bit integer."});
    EXPECT_EQ(Kelmor().Count("SCA_ITEMSAIDA"), 0);
}

INSTANTIATE_TEST_SUITE_P(Destinos, ItensVendaChaveLonga, ::testing::Bool());

// A code stored twice (a second run of the products, say): the item is the one the join finds,
// with its company and storage-location rows, whichever of the three tables keep their index.
class ItensVendaCodigoRepetido : public ItensVenda, public ::testing::WithParamInterface<int> {};

TEST_P(ItensVendaCodigoRepetido, AProductCodeStoredTwiceIsTheRowTheJoinFinds) {
    const char* indexes[] = {"IX_ITE_CODIGO_ALTERNATIVO", "IX_IEM_CODIGO_ITEM", "IX_ILE_CODIGO_ITEMEMPRESA"};
    for (int i = 0; i < GetParam(); ++i)
        Kelmor().Exec(QString("DROP INDEX ") + indexes[i]);
    Header(1, 10);
    Kelmor().Exec("INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_ALTERNATIVO) VALUES (5, '0000000001')");
    Product("A1", int64_t{1}, 1);
    Legacy({.venda = "000010", .codigo = "A1"});
    RunSalesOnly();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Kelmor().Lines("SELECT ISA_CODIGO_ITEM, ISA_CODIGO_ITEMEMPRESA, ISA_CODIGO_ITEMLOCAL FROM "
                             "SCA_ITEMSAIDA"),
              QStringList({"1|101|201"}));
}

INSTANTIATE_TEST_SUITE_P(IndicesRemovidos, ItensVendaCodigoRepetido, ::testing::Range(0, 4));
