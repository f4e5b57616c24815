// The sale headers on real databases: which legacy sales are selected, every column of a header,
// the cancelled state, the negotiation type, and how bad codes and refused rows end.
#include "TestSupport.h"

#include <QCheckBox>

namespace {
// A stored value as text: NULL, a date-time by its day count, anything else as Str gives it.
QString Shown(const TValue& v) {
    if (IsNull(v)) return "NULL";
    if (auto p = std::get_if<TDateTime>(&v)) return QString::number(p->value, 'f', 8);
    return Str(v);
}

struct Sale {
    QString numero = "000001";
    QString estab = "01";
    QString cliente = "00042";
    TDateTime data = Day(2014, 1, 2);
    TDateTime hora = Day(1899, 12, 30, 10, 30);
    TValue vendedor = QString("007");
    int natOp = 1;
    TValue total = 100.0;
    TValue desconto = 0.0;
    TValue entrada = 0.0;
    TValue acrescimo = 0.0;
    TValue liquido = 100.0;
    TValue observacao = TValue{};
    int formaEntrada = 1;
};

class Vendas : public MigrationTest {
protected:
    // The window is closed before it is destroyed: the grids must not repaint over datasets
    // already gone.
    void TearDown() override {
        CloseForm();
        MigrationTest::TearDown();
    }
    void Legacy(const Sale& s) {
        Loja().Exec("INSERT INTO LJ_VENDA (VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
                    "VEN_HORA_EMISSAO, VEN_CODIGO_FUNC, VEN_NAT_OP, VEN_VALOR_TOTAL, VEN_VALOR_DESCONTO, "
                    "VEN_VALOR_ENTRADA, VEN_VALOR_ACRESCIMO, VEN_VALOR_LIQUIDO, VEN_OBSERVACAO, "
                    "VEN_FORMA_PG_ENTRADA) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    {s.numero, s.estab, s.cliente, s.data, s.hora, s.vendedor, int64_t{s.natOp}, s.total,
                     s.desconto, s.entrada, s.acrescimo, s.liquido, s.observacao, int64_t{s.formaEntrada}});
    }
    void Customer(int code) {
        Kelmor().Exec("INSERT INTO SCA_CLIENTE (CLI_CODIGO, CLI_NOME) VALUES (?, 'CLIENTE')",
                      {int64_t{code}});
    }
    // The stored header of a sale number (the first by key when it is there more than once).
    TRow Header(int numero, const QString& columns) {
        auto rows =
            Kelmor().Rows("SELECT " + columns + " FROM SCA_SAIDA WHERE SAI_NUMERO = ? ORDER BY SAI_PK_SAIDA",
                          {int64_t{numero}});
        return rows.empty() ? TRow{} : rows[0];
    }
    int64_t Generator() {
        return Int(Kelmor().Scalar("SELECT GEN_ID(GEN_SAI_PK_SAIDA, 0) FROM RDB$DATABASE"));
    }
    void RunSalesOnly() {
        OnlySteps({Form().chk_Vendas});
        Run();
    }
};
} // namespace

TEST_F(Vendas, SelectsFromMidnightOfTheBaseDayAndOnlyKnownCustomers) {
    Customer(42);
    Customer(7);
    // The earliest sale sets the base date at 10:30; sales of that day at any hour are read.
    Legacy({.numero = "000123", .data = Day(2014, 1, 2, 10, 30)});
    Legacy({.numero = "000124", .data = Day(2014, 1, 2)});
    Legacy({.numero = "000125", .cliente = "00099", .data = Day(2014, 1, 3)});
    Legacy({.numero = "000126", .cliente = " 7", .data = Day(2014, 1, 3)});
    RunSalesOnly();
    EXPECT_TRUE(boxes.empty());
    // Committed by the half itself, before the window closes.
    EXPECT_EQ(Kelmor().Count("SCA_SAIDA"), 3);
    EXPECT_EQ(Int(Header(123, "SAI_CODIGO_CLIENTE")[0]), 42);
    EXPECT_EQ(Int(Header(124, "SAI_CODIGO_CLIENTE")[0]), 42);
    EXPECT_TRUE(Header(125, "SAI_PK_SAIDA").empty());
    EXPECT_EQ(Int(Header(126, "SAI_CODIGO_CLIENTE")[0]), 7);
    // The skipped sale drew no key.
    EXPECT_EQ(Generator(), 3);
    EXPECT_EQ(Int(Header(126, "SAI_PK_SAIDA")[0]), 3);
}

TEST_F(Vendas, WithoutLegacySalesNothingIsOpenedOrWritten) {
    Customer(42);
    RunSalesOnly();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(Form().CDS_VENDA.Active());
    // The items half still ran.
    EXPECT_TRUE(Form().CDS_ORIGEM_ITV.Active());
    EXPECT_EQ(Kelmor().Count("SCA_SAIDA"), 0);
}

TEST_F(Vendas, EveryColumnOfAHeader) {
    Customer(42);
    Legacy({.numero = "000123",
            .estab = "03",
            .hora = Day(1899, 12, 30, 16, 45, 10),
            .vendedor = QString("012"),
            .total = 120.559,
            .desconto = 12.345,
            .entrada = 30.0,
            .acrescimo = 2.999,
            .liquido = 111.213,
            .observacao = QString("ENTREGAR SEXTA"),
            .formaEntrada = 2});
    RunSalesOnly();
    const QString emissao = Shown(Day(2014, 1, 2)), hora = Shown(Day(1899, 12, 30, 16, 45, 10));
    // Two-decimal columns keep two decimals, the rest cut off; the inclusion stamp is the
    // legacy sale's; columns the step does not assign stay NULL.
    std::vector<std::pair<QString, QString>> expected = {
        {"SAI_PK_SAIDA", "1"},
        {"SAI_CODIGO_EMPRESA_MASTER", "1"},
        {"SAI_CODIGO_EMPRESA", "3"},
        {"SAI_CODIGO_CLIENTE", "42"},
        {"SAI_CODIGO_VENDEDOR_INTERNO", "12"},
        {"SAI_CODIGO_OPERACAO", "3"},
        {"SAI_TIPO", "S"},
        {"SAI_CODIGO_BANCO", "1"},
        {"SAI_NUMERO", "123"},
        {"SAI_DT_EMISSAO", emissao},
        {"SAI_HR_EMISSAO", hora},
        {"SAI_VLR_DESCONTO", "12.34"},
        {"SAI_VLR_ACRESCIMO", "2.99"},
        {"SAI_VLR_PRODUTO", "120.55"},
        {"SAI_VLR_TOTAL", "111.21"},
        {"SAI_INFORMACOES_ADICIONAIS", "ENTREGAR SEXTA"},
        {"SAI_NEG_VLR_VISTA", "30"},
        {"SAI_NEG_VLR_PRAZO", "81.21"},
        {"SAI_NEG_TIPODOC_ENTRADA", "4"},
        {"SAI_SITUACAO", "E"},
        {"SAI_DT_CANCELAMENTO", "NULL"},
        {"SAI_HR_CANCELAMENTO", "NULL"},
        {"SAI_CODIGO_USUARIO_CANC", "NULL"},
        {"SAI_NEG_TIPO_NEGOCIACAO", "P"},
        {"SAI_NEG_FINANCEIRO_PENDENTE", "N"},
        {"SAI_NEG_DT_ACERTO_FINANCEIRO", emissao},
        {"SAI_NEG_HR_ACERTO_FINANCEIRO", hora},
        {"SAI_DT_INCLUSAO", emissao},
        {"SAI_HR_INCLUSAO", hora},
        {"SAI_ATUALIZOU_ESTOQUE_VENDA", "V"},
        {"SAI_PAGA_COMISSAO", "S"},
        {"SAI_FINALIZOU_CONSIGNADA", "N"},
        {"SAI_TIPO_EMISSAO", "1"},
        {"SAI_ATUALIZA_ESTOQUE", "S"},
        {"SAI_CODIGO_VENDEDOR_EXTERNO", "NULL"},
    };
    for (const char* zero :
         {"SAI_QTD", "SAI_QTD_ITENS", "SAI_PERC_DESCONTO", "SAI_PERC_ACRESCIMO", "SAI_PESO_BRUTO",
          "SAI_PESO_LIQUIDO", "SAI_VLR_SERVICO", "SAI_VLR_FRETE", "SAI_VLR_RECEBIDO", "SAI_VLR_TROCO",
          "SAI_NEG_PERC_CORRECAO", "SAI_NEG_VLR_CORRECAO", "SAI_NEG_VLR_TAC", "SAI_NEG_VLR_TARIFA",
          "SAI_NEG_VLR_JUROS", "SAI_NEG_COD_USUARIO_ACER_FINANC", "SAI_NEG_VLR_VALE_FUNCIONARIO",
          "SAI_NEG_VLR_REEMBOLSO_FUNCIONAR", "SAI_CODIGO_USUARIO_INC"})
        expected.emplace_back(zero, "0");
    QStringList columns;
    for (const auto& e : expected)
        columns << e.first;
    TRow row = Header(123, columns.join(", "));
    ASSERT_EQ(row.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Shown(row[i]), expected[i].second) << expected[i].first.toStdString();
}

TEST_F(Vendas, CancelledStateDocumentTypeAndNegotiationType) {
    Customer(42);
    // The cash part is compared with the term part as the two-decimal columns hold them.
    const struct {
        int natOp, forma;
        double entrada, liquido;
        const char *situacao, *cancelamento, *tipoDoc, *prazo, *negociacao;
    } cases[] = {
        {5, 1, 30, 100, "C", "0", "7", "70", "P"},
        {6, 2, 50, 100, "C", "0", "4", "50", "V"},
        {0, 3, 100, 100, "E", "NULL", "8", "0", "P"},
        {4, 0, 0, 0, "E", "NULL", "NULL", "0", "V"},
        {7, 4, 120, 100, "E", "NULL", "NULL", "-20", "P"},
        {1, 1, 50.002, 100.005, "E", "NULL", "7", "50", "V"},
    };
    int numero = 1;
    for (const auto& c : cases)
        Legacy({.numero = QString::number(numero++),
                .natOp = c.natOp,
                .entrada = c.entrada,
                .liquido = c.liquido,
                .formaEntrada = c.forma});
    RunSalesOnly();
    numero = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(numero);
        TRow r = Header(numero++,
                        "SAI_SITUACAO, SAI_DT_CANCELAMENTO, SAI_HR_CANCELAMENTO, SAI_CODIGO_USUARIO_CANC, "
                        "SAI_NEG_TIPODOC_ENTRADA, SAI_NEG_VLR_PRAZO, SAI_NEG_TIPO_NEGOCIACAO");
        ASSERT_EQ(r.size(), 7u);
        const bool cancelada = QString(c.situacao) == "C";
        EXPECT_EQ(Shown(r[0]), c.situacao);
        EXPECT_EQ(Shown(r[1]), cancelada ? Shown(Day(2014, 1, 2)) : "NULL");
        EXPECT_EQ(Shown(r[2]), cancelada ? Shown(Day(1899, 12, 30, 10, 30)) : "NULL");
        EXPECT_EQ(Shown(r[3]), c.cancelamento);
        EXPECT_EQ(Shown(r[4]), c.tipoDoc);
        EXPECT_EQ(Shown(r[5]), c.prazo);
        EXPECT_EQ(Shown(r[6]), c.negociacao);
    }
}

TEST_F(Vendas, ASaleWithoutSellerLeavesItEmptyAndABadSellerEndsTheRun) {
    Customer(42);
    Legacy({.numero = "000001", .vendedor = TValue{}});
    Legacy({.numero = "000002", .vendedor = QString("  ")});
    Legacy({.numero = "000003", .vendedor = QString("0A1")});
    Legacy({.numero = "000004"});
    RunSalesOnly();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("'0A1'")) << Errors()[0].toStdString();
    EXPECT_TRUE(Errors()[0].contains("000003")) << Errors()[0].toStdString();
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_SAIDA"), 2);
    EXPECT_TRUE(IsNull(Header(1, "SAI_CODIGO_VENDEDOR_INTERNO")[0]));
    EXPECT_TRUE(IsNull(Header(2, "SAI_CODIGO_VENDEDOR_INTERNO")[0]));
    // The half-filled sale was never written, not even by the window's closing.
    EXPECT_TRUE(Header(3, "SAI_PK_SAIDA").empty());
}

TEST_F(Vendas, CodesCarryingSqlAreValuesAndEndTheRunNamingThem) {
    Customer(1);
    Customer(42);
    Legacy({.numero = "000001", .cliente = "1' --"});
    RunSalesOnly();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("'1' --'")) << Errors()[0].toStdString();
    EXPECT_EQ(Generator(), 0);

    Loja().Exec("DELETE FROM LJ_VENDA");
    Legacy({.numero = "000001", .cliente = ""});
    boxes.clear();
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("Código do cliente")) << Errors()[0].toStdString();
    EXPECT_TRUE(Errors()[0].contains(": ''")) << Errors()[0].toStdString();

    Loja().Exec("DELETE FROM LJ_VENDA");
    Legacy({.numero = "OR 1=1"});
    boxes.clear();
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("'OR 1=1'")) << Errors()[0].toStdString();
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_SAIDA"), 0);
}

TEST_F(Vendas, ASecondRunInsertsTheSameSalesAgainUnderNewKeys) {
    Customer(42);
    Legacy({.numero = "000010"});
    Legacy({.numero = "000011"});
    RunSalesOnly();
    Run();
    EXPECT_TRUE(boxes.empty());
    auto keys =
        Kelmor().Rows("SELECT SAI_PK_SAIDA FROM SCA_SAIDA WHERE SAI_NUMERO = 10 ORDER BY SAI_PK_SAIDA");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(Int(keys[0][0]), 1);
    EXPECT_EQ(Int(keys[1][0]), 3);
    EXPECT_EQ(Kelmor().Count("SCA_SAIDA"), 4);
}

TEST_F(Vendas, ARefusedHeaderIsReportedAndDoesNotHoldBackTheNext) {
    Customer(42);
    // Holds the key the generator gives first.
    Kelmor().Exec("INSERT INTO SCA_SAIDA (SAI_PK_SAIDA, SAI_NUMERO) VALUES (1, 999)");
    Legacy({.numero = "000001"});
    Legacy({.numero = "000002"});
    RunSalesOnly();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Form().Recusas.Count("SCA_SAIDA"), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, TMsgIcon::Information);
    EXPECT_TRUE(boxes[0].text.contains("SCA_SAIDA")) << boxes[0].text.toStdString();
    EXPECT_TRUE(Header(1, "SAI_PK_SAIDA").empty());
    EXPECT_EQ(Int(Header(2, "SAI_PK_SAIDA")[0]), 2);
}

TEST_F(Vendas, TheBufferIsEmptiedAfterFiveHundredRows) {
    Customer(42);
    for (int i = 1; i <= 502; ++i)
        Legacy({.numero = QString::number(i)});
    RunSalesOnly();
    EXPECT_EQ(Kelmor().Count("SCA_SAIDA"), 502);
    // Reopened at the 501st row: only the 502nd is held.
    EXPECT_EQ(Form().CDS_VENDA.RecordCount(), 1);
}

TEST_F(Vendas, ATotalBeyondTheMoneyRangeEndsTheRunNamingValueAndColumn) {
    Customer(42);
    Legacy({.numero = "000001"});
    Legacy({.numero = "000002"});
    // The largest 3-decimal total a legacy store can hold: one decimal more does not fit 64 bits.
    Loja().Exec("UPDATE LJ_VENDA SET VEN_VALOR_TOTAL = 999999999999999.999 WHERE VEN_CODIGO = '000002'");
    RunSalesOnly();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("999999999999999.999")) << Errors()[0].toStdString();
    EXPECT_TRUE(Errors()[0].contains("VEN_VALOR_TOTAL")) << Errors()[0].toStdString();
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_SAIDA"), 0);
}

// A destination whose customer column is 16 bits wide cannot hold customer 40000: that sale is
// refused with the value and the column, and the later sales and their items are written.
TEST_F(Vendas, ACustomerItsColumnCannotHoldRefusesThatSaleAlone) {
    Redeclare("SCA_SAIDA", "SAI_CODIGO_CLIENTE", "SMALLINT");
    Customer(40000);
    Customer(42);
    Legacy({.numero = "000001", .cliente = "40000"});
    Legacy({.numero = "000002", .cliente = "00042"});
    RunSalesOnly();
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Form().Recusas.Count("SCA_SAIDA"), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("40000 does not fit column SAI_CODIGO_CLIENTE"))
        << boxes[0].text.toStdString();
    EXPECT_TRUE(Header(1, "SAI_PK_SAIDA").empty());
    const TRow segunda = Header(2, "SAI_CODIGO_CLIENTE");
    ASSERT_EQ(segunda.size(), 1u);
    EXPECT_EQ(Int(segunda[0]), 42);
}
