// The current-account step on real databases: which entries become receivables, the columns of
// the receivable and its instalment, document numbers made unique per customer, and what a
// failing entry leaves behind.
#include "TestSupport.h"

#include <QCheckBox>
#include <map>

namespace {

TCurrency Money(double v) {
    return TCurrency::FromDouble(v);
}

// One row of LJ_LANCA; the defaults make an open manual debit of customer 00042.
struct Lancamento {
    TValue codigo = QString("000001");
    TValue estab = QString("01");
    TValue cliente = QString("00042");
    TValue venda = QString("");
    TValue vencto = Day(2020, 1, 31);
    TValue emissao = Day(2020, 1, 1);
    TValue parcela = QString("1");
    TValue valor = Money(100);
    TValue pago = Money(0);
    TValue dataPago = {};
    TValue tipo = int64_t(2);
};

class ContaCorrente : public MigrationTest {
protected:
    void Entry(const Lancamento& l) {
        Loja().Exec(
            "INSERT INTO LJ_LANCA (LAN_CODIGO, LAN_CODIGO_ESTAB, LAN_CODIGO_CLIEN, LAN_CODIGO_VENDA, "
            "LAN_DATA_VENCTO, LAN_DATA_EMISSAO, LAN_PARCELA, LAN_VALOR_LANC, LAN_VALOR_PAGO, LAN_DATA_PAGO, "
            "LAN_TIPO_DEBITO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {l.codigo, l.estab, l.cliente, l.venda, l.vencto, l.emissao, l.parcela, l.valor, l.pago,
             l.dataPago, l.tipo});
    }
    void Customer(int code) {
        Kelmor().Exec("INSERT INTO SCA_CLIENTE (CLI_CODIGO, CLI_NOME) VALUES (?, 'CLIENTE')",
                      {int64_t(code)});
    }
    void Sale(int key, int number, TDateTime emission) {
        Kelmor().Exec("INSERT INTO SCA_SAIDA (SAI_PK_SAIDA, SAI_NUMERO, SAI_DT_EMISSAO) VALUES (?, ?, ?)",
                      {int64_t(key), int64_t(number), emission});
    }
    void Receivable(int key, int customer, const QString& document) {
        Kelmor().Exec(
            "INSERT INTO SCA_CONTAARECEBER (CRE_PK_CONTAARECEBER, CRE_CODIGO_CLIENTE, CRE_NR_DOCUMENTO) "
            "VALUES (?, ?, ?)",
            {int64_t(key), int64_t(customer), document});
    }
    void RunReceivablesOnly() {
        OnlySteps({Form().chk_ContaCorrente});
        Run();
    }
    // Customer and document number of every receivable, in key order.
    std::vector<std::pair<int64_t, QString>> Documents() {
        std::vector<std::pair<int64_t, QString>> out;
        for (const TRow& r :
             Kelmor().Rows("SELECT CRE_CODIGO_CLIENTE, CRE_NR_DOCUMENTO FROM SCA_CONTAARECEBER "
                           "ORDER BY CRE_PK_CONTAARECEBER"))
            out.emplace_back(Int(r[0]), Str(r[1]));
        return out;
    }
    // Receivables with their instalment, by document number: the columns asked for after the
    // document number, receivable columns first.
    std::map<QString, TRow> ByDocument(const QString& columns) {
        std::map<QString, TRow> out;
        for (TRow& r : Kelmor().Rows("SELECT CRE_NR_DOCUMENTO, " + columns +
                                     " FROM SCA_CONTAARECEBER JOIN SCA_PARCELACONTAARECEBER "
                                     "ON PCR_CODIGO_CONTAARECEBER = CRE_PK_CONTAARECEBER"))
            out[Str(r[0])] = TRow(r.begin() + 1, r.end());
        return out;
    }
    int64_t Generator(const QString& name) {
        return Int(Kelmor().Scalar("SELECT GEN_ID(" + name + ", 0) FROM RDB$DATABASE"));
    }
};

double When(const TValue& v) {
    return std::get<TDateTime>(v).value;
}

} // namespace

TEST_F(ContaCorrente, NothingIsOpenedOrWrittenWhenUntickedOrWhenNoEntryIsOpen) {
    Customer(42);
    Entry({.valor = Money(100), .pago = Money(100)}); // settled: not selected
    Entry({.codigo = QString("000002"), .valor = TValue{}});
    OnlySteps({Form().chk_Funcionarios});
    Run();
    EXPECT_FALSE(Form().CDS_ORIGEM_CCO.Active());

    RunReceivablesOnly();
    EXPECT_TRUE(Form().CDS_ORIGEM_CCO.Active());
    EXPECT_FALSE(Form().CDS_CRE.Active());
    EXPECT_FALSE(Form().CDS_PCR.Active());
    EXPECT_TRUE(boxes.empty());
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_CONTAARECEBER"), 0);
    EXPECT_EQ(Generator("GEN_CRE_PK_CONTAARECEBER"), 0);
}

TEST_F(ContaCorrente, OnlyOpenEntriesOfKnownCustomersAreTakenAndSalesAreFoundByNumberAndDay) {
    Customer(7);
    Customer(42);
    Sale(900, 1234, Day(2010, 5, 3));
    Sale(901, 1234, Day(2010, 5, 8, 10, 0)); // stored with a time of day: never matched by day
    Entry({.codigo = QString("PAGO"), .pago = Money(30), .dataPago = Day(2020, 1, 10)});
    Entry({.codigo = QString("PARCIA"), .pago = Money(30)});
    Entry({.codigo = QString("BRANCO"), .cliente = QString("   ")});
    Entry({.codigo = QString("NINGUE"), .cliente = QString("00077")});
    const auto sale = [](const char* number, TDateTime emission) {
        return Lancamento{
            .cliente = QString("00007"), .venda = QString(number), .emissao = emission, .tipo = int64_t(1)};
    };
    Entry(sale("001234", Day(2010, 5, 3, 14, 30)));
    Entry(sale("004321", Day(2010, 5, 4)));
    Entry(sale("1234", Day(2010, 5, 5))); // same number, another day
    Entry(sale("", Day(2010, 5, 6)));     // no sale number: no look-up, empty document
    // Blanks make no look-up either (customer 42: the database compares '' and '   ' as equal).
    Entry({.cliente = QString("00042"),
           .venda = QString("   "),
           .emissao = Day(2010, 5, 7),
           .tipo = int64_t(1)});
    Entry(sale(" 1234", Day(2010, 5, 8))); // the only sale of that day has a time of day
    RunReceivablesOnly();
    EXPECT_TRUE(boxes.empty());
    CloseForm();

    std::map<QString, TRow> rows = ByDocument("CRE_CODIGO_CLIENTE, CRE_NR_SAIDA, CRE_VLR_SALDO");
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows.count("PAGO"), 0u);
    EXPECT_EQ(rows.count("BRANCO"), 0u);
    EXPECT_EQ(rows.count("NINGUE"), 0u);
    // A partly paid entry is taken at its full value.
    EXPECT_EQ(Int(rows["PARCIA"][0]), 42);
    EXPECT_EQ(Num(rows["PARCIA"][2]), 100);
    EXPECT_EQ(Int(rows["001234"][0]), 7);
    EXPECT_EQ(Int(rows["001234"][1]), 900);
    for (const char* without : {"004321", "1234", "", "   ", " 1234"}) {
        ASSERT_EQ(rows.count(without), 1u) << without;
        EXPECT_TRUE(IsNull(rows[without][1])) << without;
    }
}

TEST_F(ContaCorrente, TheReceivableAndItsInstalmentCarryEveryColumn) {
    Customer(42);
    Sale(900, 1234, Day(2010, 5, 3));
    Entry({.estab = QString("03"),
           .venda = QString("001234"),
           .vencto = Day(2010, 6, 2, 14, 30),
           .emissao = Day(2010, 5, 3, 14, 30),
           .parcela = QString("2"),
           .valor = Money(150.5),
           .pago = Money(50),
           .tipo = int64_t(1)});
    const double hoje = Date().value;
    RunReceivablesOnly();
    EXPECT_TRUE(boxes.empty());
    CloseForm();

    auto cre = Kelmor().Rows(
        "SELECT CRE_PK_CONTAARECEBER, CRE_CODIGO_EMPRESA_MASTER, CRE_CODIGO_EMPRESA, CRE_CODIGO_CLIENTE, "
        "CRE_CODIGO_TIPODOCUMENTO, CRE_NR_DOCUMENTO, CRE_DT_EMISSAO, CRE_NR_SAIDA, CRE_QTD_PARCELAS, "
        "CRE_VLR_TOTAL_PARCELAS, CRE_VLR_SALDO, CRE_DT_INCLUSAO, CRE_HR_INCLUSAO, CRE_CODIGO_USUARIO_INC, "
        "CRE_LOCAL_DIGITACAO, CRE_GERADO_POR_CARGA, CRE_RECEITA_FIXA, CRE_CONTABILIZA, "
        "CRE_PAGTO_ENTRADA_VENDA, "
        "CRE_GERADO_PELO_CONTRATO, CRE_VENDA_PERDIDA, CRE_GERACAO_AUTOMATICA_LOCACAO FROM SCA_CONTAARECEBER");
    ASSERT_EQ(cre.size(), 1u);
    const TRow& c = cre[0];
    EXPECT_EQ(Int(c[0]), 2); // the handler's key was replaced by a second one
    EXPECT_EQ(Int(c[1]), 1);
    EXPECT_EQ(Int(c[2]), 3);
    EXPECT_EQ(Int(c[3]), 42);
    EXPECT_EQ(Int(c[4]), 6);
    EXPECT_EQ(Str(c[5]), "001234");
    EXPECT_NEAR(When(c[6]), Day(2010, 5, 3, 14, 30).value, 1e-6);
    EXPECT_EQ(Int(c[7]), 900);
    EXPECT_EQ(Int(c[8]), 1);
    EXPECT_EQ(Num(c[9]), 150.5);
    EXPECT_EQ(Num(c[10]), 150.5);
    EXPECT_EQ(When(c[11]), hoje);
    EXPECT_GE(When(c[12]), 0);
    EXPECT_LT(When(c[12]), 1);
    EXPECT_EQ(Int(c[13]), 0);
    EXPECT_EQ(Str(c[14]), "DC");
    EXPECT_EQ(Str(c[15]), "S");
    for (int i = 16; i <= 21; ++i)
        EXPECT_EQ(Str(c[i]), "N") << i;

    auto pcr = Kelmor().Rows(
        "SELECT PCR_PK_PARCELACONTAARECEBER, PCR_CODIGO_CONTAARECEBER, PCR_CODIGO_BANCO, PCR_PARCELA, "
        "PCR_PRAZO, "
        "PCR_DT_VENCTO, PCR_DT_PRORROGACAO, PCR_VLR_PARCELA, PCR_VLR_SALDO, PCR_OBSERVACAO, PCR_DT_INCLUSAO, "
        "PCR_HR_INCLUSAO, PCR_CODIGO_USUARIO_INC, PCR_SITUACAO, PCR_TIPOCOBRANCA, "
        "PCR_VLR_DESCONTO, PCR_VLR_DESPESAFINANCEIRA, PCR_VLR_MULTA, PCR_VLR_MORADIA, PCR_VLR_TARIFA, "
        "PCR_VLR_PAGTO, PCR_VLR_CORRECAO, PCR_VLR_RESIDUO_PARC_ANTERIOR, PCR_PERC_MULTA, PCR_PERC_MORADIA, "
        "PCR_VLR_INDICE_CORRECAO, PCR_ACEITE_BANCO, PCR_PAGA_COMISSAO, PCR_COBRANCA_RAPIDA, "
        "PCR_CHEQUE_DEVOLVIDO, "
        "PCR_VENDA_PERDIDA, PCR_COMISSAO_APROVADA, PCR_OCULTAR_TITULO_ARECEBER, PCR_TITULO_DESCONTADO "
        "FROM SCA_PARCELACONTAARECEBER");
    ASSERT_EQ(pcr.size(), 1u);
    const TRow& p = pcr[0];
    EXPECT_EQ(Int(p[0]), 2);
    EXPECT_EQ(Int(p[1]), 2);
    EXPECT_EQ(Int(p[2]), 1);
    EXPECT_EQ(Str(p[3]), "2");
    EXPECT_EQ(Int(p[4]), 30);
    EXPECT_NEAR(When(p[5]), Day(2010, 6, 2, 14, 30).value, 1e-6);
    EXPECT_NEAR(When(p[6]), Day(2010, 6, 2, 14, 30).value, 1e-6);
    EXPECT_EQ(Num(p[7]), 150.5);
    EXPECT_EQ(Num(p[8]), 150.5);
    EXPECT_EQ(Str(p[9]), "VENDA");
    EXPECT_EQ(When(p[10]), hoje);
    EXPECT_GE(When(p[11]), 0);
    EXPECT_LT(When(p[11]), 1);
    EXPECT_EQ(Int(p[12]), 0);
    EXPECT_EQ(Str(p[13]), "1");
    EXPECT_EQ(Str(p[14]), "1");
    for (int i = 15; i <= 25; ++i) {
        ASSERT_FALSE(IsNull(p[i])) << i;
        EXPECT_EQ(Num(p[i]), 0) << i;
    }
    for (int i = 26; i <= 33; ++i)
        EXPECT_EQ(Str(p[i]), "N") << i;
    // Each row drew two keys of its generator.
    EXPECT_EQ(Generator("GEN_CRE_PK_CONTAARECEBER"), 2);
    EXPECT_EQ(Generator("GEN_PCR_PK_PARCELACR"), 2);
}

TEST_F(ContaCorrente, EntryTypesGiveDocumentTypeNoteAndSignAndValuesAreCutToCents) {
    Customer(42);
    auto entry = [&](const char* code, int type, double value, int day) {
        Entry({.codigo = QString(code),
               .venda = QString(code),
               .emissao = Day(2020, 1, day),
               .valor = Money(value),
               .tipo = int64_t(type)});
    };
    entry("000010", 1, -50, 1);
    entry("000020", 2, 10.999, 2);
    entry("000030", 3, -10.999, 3);
    entry("000040", 4, 20, 4);
    entry("000041", 4, -12.345, 5);
    RunReceivablesOnly();
    EXPECT_TRUE(boxes.empty());
    CloseForm();

    std::map<QString, TRow> rows =
        ByDocument("CRE_CODIGO_TIPODOCUMENTO, CRE_VLR_TOTAL_PARCELAS, CRE_VLR_SALDO, "
                   "PCR_VLR_PARCELA, PCR_VLR_SALDO, PCR_OBSERVACAO, CRE_PK_CONTAARECEBER");
    ASSERT_EQ(rows.size(), 5u);
    const struct {
        const char* code;
        int documentType;
        double value;
        const char* note;
    } expected[] = {
        {"000010", 6, 50, "VENDA"},
        {"000020", 34, 10.99, "DEBITO MANUAL"},
        {"000030", 31, 10.99, "JUROS REF. PAGTO N/DATA"},
        {"000040", 33, -20, "NOTA DE CRÉDITO REF. PAGTO N/DATA"},
        {"000041", 33, -12.34, "NOTA DE CRÉDITO REF. PAGTO N/DATA"},
    };
    for (const auto& e : expected) {
        const TRow& r = rows[e.code];
        EXPECT_EQ(Int(r[0]), e.documentType) << e.code;
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(Num(r[i]), e.value) << e.code << " column " << i;
        EXPECT_EQ(Str(r[5]), QString(e.note)) << e.code;
    }
    // Consecutive receivables are two keys apart.
    EXPECT_EQ(Int(rows["000010"][6]), 2);
    EXPECT_EQ(Int(rows["000041"][6]), 10);
}

TEST_F(ContaCorrente, TheTermIsWholeDaysCutTowardZero) {
    Customer(42);
    auto entry = [&](const char* code, const TValue& due, TDateTime emission) {
        Entry({.codigo = QString(code), .vencto = due, .emissao = emission});
    };
    entry("APOS", Day(2020, 1, 31, 10, 0), Day(2020, 1, 1, 10, 0));
    entry("ANTES", Day(2020, 1, 5), Day(2020, 1, 10));
    entry("VAZIO", TValue{}, Day(2020, 1, 1, 10, 0));
    entry("FRACAO", Day(2020, 2, 10, 18, 0), Day(2020, 2, 1));
    entry("MEIO", Day(2020, 3, 1), Day(2020, 3, 1, 12, 0));
    RunReceivablesOnly();
    CloseForm();

    std::map<QString, TRow> rows = ByDocument("PCR_PRAZO, PCR_DT_VENCTO, PCR_DT_PRORROGACAO");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(Int(rows["APOS"][0]), 30);
    EXPECT_EQ(Int(rows["ANTES"][0]), -5);
    EXPECT_EQ(Int(rows["FRACAO"][0]), 9);
    EXPECT_EQ(Int(rows["MEIO"][0]), 0);
    // An empty due date is day zero: the term is minus the emission's day count.
    EXPECT_EQ(Int(rows["VAZIO"][0]), -int64_t(Day(2020, 1, 1).value));
    EXPECT_EQ(When(rows["VAZIO"][1]), 0);
    EXPECT_EQ(When(rows["VAZIO"][2]), 0);
}

TEST_F(ContaCorrente, DocumentNumbersAreMadeUniquePerCustomerAsTexts) {
    Customer(7);
    Customer(42);
    int day = 0;
    for (const char* number : {"0123", "123", "123456", "123456", "123456", "7", "7", "7", "O'1", "O'1"})
        Entry({.codigo = QString(number), .emissao = Day(2020, 1, ++day)});
    Entry({.codigo = QString("123456"), .cliente = QString("00007")});
    RunReceivablesOnly();
    EXPECT_TRUE(boxes.empty());
    CloseForm();

    std::vector<std::pair<int64_t, QString>> expected{
        {7, "123456"}, {42, "0123"}, {42, "123"}, {42, "123456"}, {42, "A23456"}, {42, "B23456"},
        {42, "7"},     {42, "A"},    {42, "B"},   {42, "O'1"},    {42, "A'1"}};
    EXPECT_EQ(Documents(), expected);
}

TEST_F(ContaCorrente, ASecondRunWritesEveryEntryAgainWithLetteredNumbers) {
    Customer(42);
    Entry({.codigo = QString("000001"), .emissao = Day(2020, 1, 1)});
    Entry({.codigo = QString("000002"), .emissao = Day(2020, 1, 2)});
    RunReceivablesOnly();
    Run();
    EXPECT_TRUE(boxes.empty());
    CloseForm();
    std::vector<std::pair<int64_t, QString>> expected{
        {42, "000001"}, {42, "000002"}, {42, "A00001"}, {42, "A00002"}};
    EXPECT_EQ(Documents(), expected);
    EXPECT_EQ(Kelmor().Count("SCA_PARCELACONTAARECEBER"), 4);
}

TEST_F(ContaCorrente, ACustomerWithEveryVariantTakenEndsTheRunNamingCustomerAndNumber) {
    Customer(42);
    Receivable(1000, 42, "123456");
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        Receivable(1001 + letter - 'A', 42, QString(QChar(letter)) + "23456");
    Receivable(1100, 7, "A"); // another customer's numbers do not count
    Entry({.codigo = QString("000001"), .emissao = Day(2020, 1, 1)});
    Entry({.codigo = QString("123456"), .emissao = Day(2020, 1, 2)});
    Entry({.codigo = QString("000003"), .emissao = Day(2020, 1, 3)});
    RunReceivablesOnly();
    ASSERT_EQ(Errors().size(), 1u);
    const QString error = Errors()[0];
    EXPECT_TRUE(error.contains("cliente 42")) << error.toStdString();
    EXPECT_TRUE(error.contains("\"123456\"")) << error.toStdString();
    EXPECT_TRUE(error.contains("\"Z23456\"")) << error.toStdString();
    CloseForm();
    // The entry before is kept; the failing one drew no key and wrote nothing.
    EXPECT_EQ(Kelmor().Count("SCA_CONTAARECEBER", "CRE_PK_CONTAARECEBER < 1000"), 1);
    EXPECT_EQ(Kelmor().Count("SCA_PARCELACONTAARECEBER"), 1);
    EXPECT_EQ(Generator("GEN_CRE_PK_CONTAARECEBER"), 2);
}

TEST_F(ContaCorrente, BothSetsAreReopenedAfterThe501stReceivable) {
    Customer(42);
    Loja().Exec(
        "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 503) DO BEGIN "
        "INSERT INTO LJ_LANCA (LAN_CODIGO, LAN_CODIGO_ESTAB, LAN_CODIGO_CLIEN, LAN_CODIGO_VENDA, "
        "LAN_DATA_VENCTO, LAN_DATA_EMISSAO, LAN_PARCELA, LAN_VALOR_LANC, LAN_VALOR_PAGO, LAN_TIPO_DEBITO) "
        "VALUES (:I, '01', '00042', '', DATEADD(:I DAY TO TIMESTAMP '2000-01-31'), "
        "DATEADD(:I DAY TO TIMESTAMP '2000-01-01'), '1', 10, 0, 2); I = I + 1; END END");
    RunReceivablesOnly();
    EXPECT_TRUE(boxes.empty());
    // 501 rows were dropped by the reopen; the last two were appended after it.
    EXPECT_EQ(Form().CDS_CRE.RecordCount(), 2);
    EXPECT_EQ(Form().CDS_PCR.RecordCount(), 2);
    EXPECT_EQ(Form().CDS_CRE.FieldByName("CRE_NR_DOCUMENTO").AsString(), "502");
    EXPECT_EQ(Form().CDS_PCR.FieldByName("PCR_CODIGO_CONTAARECEBER").AsInteger(),
              Form().CDS_CRE.FieldByName("CRE_PK_CONTAARECEBER").AsInteger());
    // The step's one commit made everything durable before the window closes.
    EXPECT_EQ(Kelmor().Count("SCA_CONTAARECEBER"), 503);
    EXPECT_EQ(Kelmor().Count("SCA_PARCELACONTAARECEBER"), 503);
    EXPECT_EQ(Kelmor().Count("SCA_PARCELACONTAARECEBER JOIN SCA_CONTAARECEBER ON "
                             "PCR_CODIGO_CONTAARECEBER = CRE_PK_CONTAARECEBER"),
              503);
}

TEST_F(ContaCorrente, ARefusedReceivableIsReportedAndItsInstalmentIsNotWritten) {
    Customer(42);
    Receivable(2, 99, "X"); // the key the first entry will draw
    Entry({.codigo = QString("000001"), .emissao = Day(2020, 1, 1)});
    Entry({.codigo = QString("000002"), .emissao = Day(2020, 1, 2)});
    RunReceivablesOnly();
    EXPECT_TRUE(Errors().empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("SCA_CONTAARECEBER: 1")) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("SCA_PARCELACONTAARECEBER: 1")) << boxes[0].text.toStdString();
    CloseForm();
    // The second entry still arrived, with its own instalment; no instalment is orphaned.
    std::vector<std::pair<int64_t, QString>> expected{{99, "X"}, {42, "000002"}};
    EXPECT_EQ(Documents(), expected);
    auto instalments = Kelmor().Rows("SELECT PCR_CODIGO_CONTAARECEBER FROM SCA_PARCELACONTAARECEBER");
    ASSERT_EQ(instalments.size(), 1u);
    EXPECT_EQ(Int(instalments[0][0]), 4);
}

// A 3-decimal value of 64 bits has no four-decimal form: the entries are read before any is
// written, so the step ends the run with nothing of it stored.
TEST_F(ContaCorrente, ACreditNoteBeyondTheMoneyRangeEndsTheRunNamingValueAndColumn) {
    Customer(42);
    Entry({.codigo = QString("000001")});
    Entry({.codigo = QString("000002"), .tipo = int64_t(4)});
    Loja().Exec("UPDATE LJ_LANCA SET LAN_VALOR_LANC = -9223372036854775.807 WHERE LAN_CODIGO = '000002'");
    RunReceivablesOnly();
    EXPECT_EQ(Errors(), std::vector<QString>{
                            "-9223372036854775.807 in column LAN_VALOR_LANC does not fit a money value."});
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_CONTAARECEBER"), 0);
    EXPECT_EQ(Kelmor().Count("SCA_PARCELACONTAARECEBER"), 0);
}

namespace {
struct Falha {
    const char* name;
    Lancamento entry;
    const char* error;
};

void PrintTo(const Falha& f, std::ostream* os) {
    *os << f.name;
}

class ContaCorrenteFalha : public ContaCorrente, public ::testing::WithParamInterface<Falha> {};
} // namespace

// The run ends at the failing entry: the entry before it was applied but, the step's commit not
// reached, becomes durable only when the window closes; nothing of the failing entry is left.
TEST_P(ContaCorrenteFalha, EndsTheRunWithAClearErrorAndLeavesNoHalfRow) {
    Customer(42);
    Entry({.codigo = QString("BOM"), .emissao = Day(2020, 1, 1)});
    Entry(GetParam().entry);
    RunReceivablesOnly();
    EXPECT_EQ(Errors(), std::vector<QString>{QString(GetParam().error)});
    EXPECT_EQ(Kelmor().Count("SCA_CONTAARECEBER"), 0);
    EXPECT_EQ(Form().CDS_CRE.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Form().CDS_PCR.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Form().CDS_CRE.ChangeCount(), 0);
    CloseForm();
    std::vector<std::pair<int64_t, QString>> expected{{42, "BOM"}};
    EXPECT_EQ(Documents(), expected);
    EXPECT_EQ(Kelmor().Count("SCA_PARCELACONTAARECEBER"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    ContaCorrente, ContaCorrenteFalha,
    ::testing::Values(Falha{"TipoZero",
                            {.codigo = QString("MAU"), .emissao = Day(2020, 2, 1), .tipo = int64_t(0)},
                            "Lançamento sem Tipo - INVÁLIDO."},
                      Falha{"TipoVazio",
                            {.codigo = QString("MAU"), .emissao = Day(2020, 2, 1), .tipo = TValue{}},
                            "Lançamento sem Tipo - INVÁLIDO."},
                      Falha{"TipoCinco",
                            {.codigo = QString("MAU"), .emissao = Day(2020, 2, 1), .tipo = int64_t(5)},
                            "Lançamento sem Tipo - INVÁLIDO."},
                      Falha{"ClienteNaoNumerico",
                            {.codigo = QString("MAU"), .cliente = QString("12A")},
                            "'12A' is not a valid integer value."},
                      Falha{"VendaNaoNumerica",
                            {.codigo = QString("MAU"), .venda = QString("12X"), .emissao = Day(2020, 2, 1)},
                            "'12X' is not a valid integer value."},
                      Falha{"EmpresaVazia",
                            {.codigo = QString("MAU"), .estab = QString(""), .emissao = Day(2020, 2, 1)},
                            "'' is not a valid integer value."}),
    [](const ::testing::TestParamInfo<Falha>& info) { return std::string(info.param.name); });

// A destination with 64-bit sale keys: the receivable of a sale keyed beyond 32 bits is not
// stored with the key cut to another number; the run ends naming the value and its column.
TEST_F(ContaCorrente, ASaleKeyBeyond32BitsEndsTheRunNamingIt) {
    Redeclare("SCA_SAIDA", "SAI_PK_SAIDA", "BIGINT");
    Customer(7);
    Kelmor().Exec(
        "INSERT INTO SCA_SAIDA (SAI_PK_SAIDA, SAI_NUMERO, SAI_DT_EMISSAO) VALUES (4294968295, 999, ?)",
        {Day(2010, 5, 3)});
    Entry({.cliente = QString("00007"),
           .venda = QString("000999"),
           .emissao = Day(2010, 5, 3),
           .tipo = int64_t(1)});
    RunReceivablesOnly();
    EXPECT_EQ(Errors(), std::vector<QString>{"4294968295 in SAI_PK_SAIDA does not fit a 32-bit integer."});
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_CONTAARECEBER"), 0);
}
