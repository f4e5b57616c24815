// The class-library layer against real embedded databases: types across the client, the change
// log of client datasets, table components, transactions and look-ups.
#include "ClientDataSet.h"
#include "IBQuery.h"
#include "IBTable.h"
#include "TestSupport.h"
#include "Text.h"

#include <QFileInfo>
#include <cmath>
#include <optional>

namespace {
constexpr TFieldDef kPessoaFields[] = {
    {.name = "ID", .type = TFieldType::ftInteger, .required = true},
    {.name = "NOME", .type = TFieldType::ftString, .size = 10, .required = true},
    {.name = "VALOR", .type = TFieldType::ftBCD, .size = 18, .scale = 2},
    {.name = "PEQUENO", .type = TFieldType::ftSmallint},
    {.name = "QUANDO", .type = TFieldType::ftDateTime},
};
const TClientDataSetDef kPessoas{"CDS_PESSOA", "SELECT * FROM T_PESSOA WHERE ID = 0", "T_PESSOA", "ID",
                                 kPessoaFields};
const TTableDef kPessoaTable{"TBL_PESSOA", "T_PESSOA", "ID", kPessoaFields};

class DataLayer : public MigrationTest {
protected:
    void SetUp() override {
        MigrationTest::SetUp();
        Kelmor().Exec(
            "CREATE TABLE T_PESSOA (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(10), "
            "VALOR NUMERIC(18,2), PEQUENO SMALLINT, QUANDO TIMESTAMP, EXTRA VARCHAR(5) DEFAULT 'dflt')");
        db.DatabaseName = KelmorPath();
        db.Params = {"user_name=SYSDBA", "password=plumtorch", "lc_ctype=WIN1252"};
        db.SetDefaultTransaction(&tr);
    }
    void Add(TDataSet& ds, int id, const QString& name, TCurrency value = {}) {
        ds.Insert();
        ds.FieldByName("ID").SetAsInteger(id);
        ds.FieldByName("NOME").SetAsString(name);
        ds.FieldByName("VALOR").SetAsCurrency(value);
        ds.Post();
    }
    TIBDatabase db{"DB_TESTE"};
    TIBTransaction tr{"TR_TESTE", db};
    TRefusals refusals;
};
} // namespace

TEST_F(DataLayer, EveryColumnTypeAndNullCrossesTheClientExactly) {
    Kelmor().Exec(
        "CREATE TABLE T_TIPOS (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, B BIGINT, N2 NUMERIC(18,2), "
        "N3 NUMERIC(9,3), N5 NUMERIC(18,5), D DOUBLE PRECISION, DT DATE, TM TIME, TS TIMESTAMP, "
        "C CHAR(4), V VARCHAR(30))");
    TDateTime before = EncodeDateTime({1850, 6, 15}, {7, 45, 30, 1234});
    TDateTime moment = EncodeDateTime({2015, 3, 1}, {14, 30, 5, 5000});
    QString accented = QString::fromUtf8("São João D'Ávila € ÿ");
    Kelmor().Exec("INSERT INTO T_TIPOS VALUES (?,?,?,?,?,?,?,?,?,?,?,?)",
                  {int64_t(1), int64_t(-32768), int64_t(9000000000LL), TCurrency::FromUnits(-123456),
                   TCurrency::FromUnits(19999), TCurrency::FromUnits(12345), 1.23456, moment, moment, before,
                   QString("ab"), accented});
    Kelmor().Exec("INSERT INTO T_TIPOS (ID) VALUES (2)");
    auto rows = Kelmor().Rows("SELECT * FROM T_TIPOS ORDER BY ID");
    ASSERT_EQ(rows.size(), 2u);
    const TRow& r = rows[0];
    EXPECT_EQ(std::get<int64_t>(r[1]), -32768);
    EXPECT_EQ(std::get<int64_t>(r[2]), 9000000000LL);
    EXPECT_EQ(std::get<TCurrency>(r[3]).units, -123400); // -12.3456 cut to two decimals
    EXPECT_EQ(std::get<TCurrency>(r[4]).units, 19990);   // 1.9999 cut to three
    EXPECT_EQ(std::get<TCurrency>(r[5]).units, 12345);
    EXPECT_DOUBLE_EQ(std::get<double>(r[6]), 1.23456);
    EXPECT_EQ(DatePart(std::get<TDateTime>(r[7])), DatePart(moment));
    EXPECT_EQ(TimeOfDayUnits(std::get<TDateTime>(r[7])), 0);
    EXPECT_EQ(DatePart(std::get<TDateTime>(r[8])), 0);
    EXPECT_EQ(TimeOfDayUnits(std::get<TDateTime>(r[8])), TimeOfDayUnits(moment));
    EXPECT_EQ(std::get<TDateTime>(r[9]), before); // negative date-times keep date and time
    EXPECT_EQ(std::get<QString>(r[10]), "ab");    // a CHAR's pad is no part of its value
    EXPECT_EQ(std::get<QString>(r[11]), accented);
    for (size_t c = 1; c < rows[1].size(); ++c)
        EXPECT_TRUE(IsNull(rows[1][c])) << c;
}

TEST_F(DataLayer, AValueThatDoesNotFitRaisesNamingItAndItsColumnOrField) {
    Kelmor().Exec("CREATE TABLE T_FAIXA (ID INTEGER NOT NULL PRIMARY KEY, TOTAL NUMERIC(18,3), "
                  "PRECO NUMERIC(18,5), PERC NUMERIC(4,2), QTD NUMERIC(9,4), GRANDE BIGINT)");
    // Reading: a 3-decimal value gains a decimal on its way to four.
    for (const char* total : {"999999999999999.999", "-9223372036854775.807"}) {
        Kelmor().Exec("DELETE FROM T_FAIXA");
        Kelmor().Exec(QString("INSERT INTO T_FAIXA (ID, TOTAL) VALUES (1, %1)").arg(total));
        try {
            Kelmor().Rows("SELECT ID, TOTAL AS VALOR_TOTAL FROM T_FAIXA");
            ADD_FAILURE() << total << " was read";
        } catch (const ERangeError& e) {
            EXPECT_EQ(e.Message(), QString("%1 in column VALOR_TOTAL does not fit a money value").arg(total));
        }
    }
    Kelmor().Exec("DELETE FROM T_FAIXA");

    // Writing: a 5-decimal column gains one, a 2- or 4-decimal column may be 16 or 32 bits wide.
    static constexpr TFieldDef kFaixaFields[] = {
        {.name = "ID", .type = TFieldType::ftInteger, .required = true},
        {.name = "PRECO", .type = TFieldType::ftBCD, .size = 18, .scale = 5},
        {.name = "PERC", .type = TFieldType::ftBCD, .size = 4, .scale = 2},
        {.name = "QTD", .type = TFieldType::ftBCD, .size = 9, .scale = 4},
        {.name = "GRANDE", .type = TFieldType::ftLargeint},
    };
    const TTableDef faixa{"TBL_FAIXA", "T_FAIXA", "ID", kFaixaFields};
    TIBTable tbl(faixa, db, tr);
    tbl.Open();
    const struct {
        const char* column;
        TValue value;
        const char* message;
    } cases[] = {
        {"PRECO", TCurrency::FromInteger(100000000000000),
         "100000000000000 does not fit column PRECO of table T_FAIXA"},
        {"PRECO", TCurrency::FromUnits(-922337203685477581),
         "-92233720368547.7581 does not fit column PRECO of table T_FAIXA"},
        {"PERC", TCurrency::FromInteger(400), "400 does not fit column PERC of table T_FAIXA"},
        {"QTD", TCurrency::FromInteger(1000000), "1000000 does not fit column QTD of table T_FAIXA"},
        // Fields convert before anything reaches a column.
        {"PRECO", 1e15, "1e+15 does not fit field 'PRECO'"},
        {"GRANDE", 1e19, "1e+19 does not fit field 'GRANDE'"},
        {"GRANDE", -HUGE_VAL, "-inf does not fit field 'GRANDE'"},
    };
    for (const auto& c : cases) {
        try {
            tbl.Insert();
            tbl.FieldByName("ID").SetAsInteger(1);
            tbl.FieldByName(c.column).SetValue(c.value);
            tbl.Post();
            ADD_FAILURE() << c.message << ": stored";
        } catch (const ERangeError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        tbl.Cancel();
        EXPECT_EQ(tbl.State(), TDataSetState::dsBrowse);
    }
    // The widest values that fit are written exactly.
    tbl.Insert();
    tbl.FieldByName("ID").SetAsInteger(2);
    tbl.FieldByName("PRECO").SetAsCurrency(TCurrency::FromUnits(922337203685477580));
    tbl.FieldByName("PERC").SetAsCurrency(TCurrency::FromUnits(-3276800));
    tbl.FieldByName("GRANDE").SetAsFloat(-9223372036854775808.0);
    tbl.Post();
    tr.CommitRetaining();
    EXPECT_EQ(Kelmor().Lines("SELECT ID, PRECO, PERC, GRANDE FROM T_FAIXA"),
              QStringList({"2|92233720368547.758|-327.68|-9223372036854775808"}));
}

TEST_F(DataLayer, ClientDataSetAppliesInOrderAndARefusedRowDoesNotHoldBackTheNext) {
    Kelmor().Exec("INSERT INTO T_PESSOA (ID, NOME) VALUES (2, 'EXISTE')");
    TClientDataSet cds(kPessoas, db, tr, &refusals);
    cds.Open();
    EXPECT_TRUE(cds.IsEmpty());
    Add(cds, 1, "ANA", TCurrency::FromUnits(123450)); // 12.345 kept as 12.34
    Add(cds, 2, "DUPLICADO");
    Add(cds, 3, "CARLOS COM NOME LONGO");
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.ChangeCount(), 3);
    EXPECT_EQ(cds.ApplyUpdates(0), 1);
    EXPECT_EQ(cds.ChangeCount(), 0); // the refused row is not sent again
    EXPECT_EQ(refusals.Count("T_PESSOA"), 1);
    EXPECT_TRUE(refusals.Summary().contains("T_PESSOA [2]")) << refusals.Summary().toStdString();
    Add(cds, 4, "DEPOIS");
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    tr.CommitRetaining();
    auto rows = Kelmor().Rows("SELECT ID, NOME, VALOR, EXTRA FROM T_PESSOA ORDER BY ID");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(Str(rows[0][1]), "ANA");
    EXPECT_EQ(std::get<TCurrency>(rows[0][2]).units, 123400);
    EXPECT_EQ(Str(rows[0][3]), "dflt"); // a column the row does not set takes its default
    EXPECT_EQ(Str(rows[1][1]), "EXISTE");
    EXPECT_EQ(Str(rows[2][1]), "CARLOS COM");
    EXPECT_EQ(Int(rows[3][0]), 4);
    // Close drops the rows; the set reopens empty.
    cds.Close();
    cds.Open();
    EXPECT_EQ(cds.RecordCount(), 0);
}

TEST_F(DataLayer, RequiredFieldsRangesAndHalfFilledRowsAreNeverPostedLater) {
    TClientDataSet cds(kPessoas, db, tr, &refusals);
    cds.Open();
    cds.Insert();
    cds.FieldByName("ID").SetAsInteger(1);
    try {
        cds.Post();
        ADD_FAILURE() << "posted without a name";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'NOME' must have a value");
    }
    EXPECT_EQ(cds.State(), TDataSetState::dsInsert);
    EXPECT_THROW(cds.FieldByName("PEQUENO").SetAsInteger(40000), ERangeError);
    EXPECT_THROW(cds.FieldByName("ID").SetAsString("12A"), EConvertError);
    // The next Insert cancels the half-filled row instead of posting it.
    Add(cds, 2, "BEATRIZ");
    EXPECT_EQ(cds.RecordCount(), 1);
    cds.Insert();
    cds.FieldByName("ID").SetAsInteger(3);
    cds.FieldByName("NOME").SetAsString("PENDENTE");
    EXPECT_EQ(cds.ApplyUpdates(0), 0); // the apply does not send the pending row either
    tr.CommitRetaining();
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 1);
    // CancelUpdates drops what is not applied yet.
    Add(cds, 5, "ESQUECIDO");
    cds.CancelUpdates();
    EXPECT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    tr.CommitRetaining();
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 1);
}

TEST_F(DataLayer, AnEditedRowIsAppliedAsAnUpdateOfItsKey) {
    Kelmor().Exec("INSERT INTO T_PESSOA (ID, NOME, VALOR) VALUES (7, 'SETE', 1.5)");
    TClientDataSet cds(kPessoas, db, tr, &refusals);
    cds.CommandText = "SELECT * FROM T_PESSOA WHERE ID = ?";
    cds.Params = {int64_t(7)};
    cds.Open();
    ASSERT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(cds.FieldByName("VALOR").AsCurrency().units, 15000);
    cds.Edit();
    cds.FieldByName("NOME").SetAsString("SETE NOVO");
    cds.Post();
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    tr.CommitRetaining();
    EXPECT_EQ(Str(Kelmor().Scalar("SELECT NOME FROM T_PESSOA WHERE ID = 7")), "SETE NOVO");
    EXPECT_EQ(Num(Kelmor().Scalar("SELECT VALOR FROM T_PESSOA WHERE ID = 7")), 1.5);
}

TEST_F(DataLayer, TableLocateFindsTheFirstRowInKeyOrderWithCaseNullAndSeveralColumns) {
    Kelmor().Exec("INSERT INTO T_PESSOA (ID, NOME, PEQUENO) VALUES (30, 'joão', 1)");
    Kelmor().Exec("INSERT INTO T_PESSOA (ID, NOME, PEQUENO) VALUES (10, 'JOÃO', 2)");
    Kelmor().Exec("INSERT INTO T_PESSOA (ID, NOME) VALUES (20, NULL)");
    TIBTable tbl(kPessoaTable, db, tr);
    tbl.Open();
    ASSERT_TRUE(tbl.Locate("NOME", {QString::fromUtf8("joão")}, loNone));
    EXPECT_EQ(tbl.FieldByName("ID").AsInteger(), 30); // exact: the letter case counts
    ASSERT_TRUE(tbl.Locate("NOME", {QString::fromUtf8("João")}, loCaseInsensitive));
    EXPECT_EQ(tbl.FieldByName("ID").AsInteger(), 10); // first in key order
    ASSERT_TRUE(tbl.Locate("NOME", {QString()}, loCaseInsensitive));
    EXPECT_EQ(tbl.FieldByName("ID").AsInteger(), 20); // empty text finds the NULL
    ASSERT_TRUE(tbl.Locate("NOME;PEQUENO", {QString::fromUtf8("JOÃO"), QString("1")}, loCaseInsensitive));
    EXPECT_EQ(tbl.FieldByName("ID").AsInteger(), 30); // an integer column compared by its number
    EXPECT_FALSE(tbl.Locate("NOME;PEQUENO", {QString::fromUtf8("JOÃO"), int64_t(3)}, loCaseInsensitive));
    EXPECT_EQ(tbl.FieldByName("ID").AsInteger(), 30); // not found: the current row stays
    // A posted row is written at once, cut to its column, and found by later searches: a longer
    // text only when the search cuts it as the post did.
    tbl.Insert();
    tbl.FieldByName("ID").SetAsInteger(15);
    tbl.FieldByName("NOME").SetAsString("NOME MUITO LONGO DEMAIS");
    tbl.Post();
    EXPECT_FALSE(tbl.Locate("NOME", {QString("NOME MUITO LONGO DEMAIS")}, loCaseInsensitive));
    ASSERT_TRUE(tbl.Locate("NOME", {QString("NOME MUITO LONGO DEMAIS")}, loCaseInsensitive | loCutToSize));
    EXPECT_EQ(tbl.FieldByName("ID").AsInteger(), 15);
    ASSERT_TRUE(tbl.Locate("NOME", {QString::fromUtf8("joão")}, loCaseInsensitive));
    EXPECT_EQ(tbl.FieldByName("ID").AsInteger(), 10);
    // A refused post drops the row: the next operation does not meet it again.
    tbl.Insert();
    tbl.FieldByName("ID").SetAsInteger(10);
    tbl.FieldByName("NOME").SetAsString("DUPLICADO");
    EXPECT_THROW(tbl.Post(), EIBError);
    EXPECT_EQ(tbl.State(), TDataSetState::dsBrowse);
    EXPECT_FALSE(tbl.Locate("NOME", {QString("DUPLICADO")}, loNone));
    tr.CommitRetaining();
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 4);
}

TEST_F(DataLayer, CommitRetainingIsDurableAndClosingTheConnectionCommitsTheRest) {
    TIBTable tbl(kPessoaTable, db, tr);
    tbl.Open();
    Add(tbl, 1, "UM");
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 0); // not committed yet
    tr.CommitRetaining();
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 1);
    Add(tbl, 2, "DOIS");
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 1);
    db.Close();
    EXPECT_FALSE(tbl.Active());
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 2);
    // The first later operation connects again.
    TIBQuery q("Q", db, tr);
    q.SetSQL("SELECT COUNT(*) AS N FROM T_PESSOA");
    q.Open();
    EXPECT_EQ(q.FieldByName("N").AsInteger(), 2);
}

TEST_F(DataLayer, ALockHeldByAnotherAttachmentFailsAtOnce) {
    Kelmor().Exec("INSERT INTO T_PESSOA (ID, NOME) VALUES (1, 'UM')");
    FbTransaction holder;
    holder.Start(Kelmor().Attachment());
    FbStatement lock(Kelmor().Attachment(), holder, "UPDATE T_PESSOA SET NOME = 'TRAVADO' WHERE ID = 1");
    lock.Execute(holder, {});
    TIBQuery q("Q", db, tr);
    q.SetSQL("UPDATE T_PESSOA SET NOME = 'OUTRO' WHERE ID = ?", {int64_t(1)});
    try {
        q.ExecSQL();
        ADD_FAILURE() << "the locked row was written";
    } catch (const EIBError& e) {
        EXPECT_TRUE(e.Message().contains("lock conflict") || e.Message().contains("update conflicts"))
            << e.Message().toStdString();
        EXPECT_FALSE(e.IsRefusal()); // the row may be written once the other transaction ends
    }
    holder.Rollback();
}

// Each kind of row the database itself refuses is recorded with the database's message and taken
// out of the log, and the row posted after it is written by the same apply. A value its column
// cannot hold is refused the same way, before it is sent, named with its column.
TEST_F(DataLayer, EveryKindOfRowTheDatabaseRefusesIsRecordedAndTheNextRowWritten) {
    Kelmor().Exec("CREATE TABLE T_PAI (ID INTEGER NOT NULL PRIMARY KEY)");
    Kelmor().Exec("INSERT INTO T_PAI VALUES (1)");
    Kelmor().Exec("CREATE TABLE T_REGRA (ID INTEGER NOT NULL PRIMARY KEY, PAI INTEGER REFERENCES T_PAI, "
                  "QTD INTEGER CHECK (QTD >= 0), NOME VARCHAR(20) NOT NULL, CURTO VARCHAR(3), "
                  "COD INTEGER UNIQUE, MIL SMALLINT, PEQ SMALLINT, QTD4 NUMERIC(9,4), DIA DATE)");
    Kelmor().Exec("CREATE EXCEPTION E_RESERVADO 'nome reservado'");
    // The database computes a value that must fit its column, and refuses a name by a rule of its own.
    // A trigger whose own statement fails for one row is that row's refusal too.
    Kelmor().Exec("CREATE TRIGGER T_REGRA_BI FOR T_REGRA BEFORE INSERT AS DECLARE X INTEGER; BEGIN "
                  "NEW.MIL = NEW.QTD * 1000; IF (NEW.NOME = 'RESERVADO') THEN EXCEPTION E_RESERVADO; "
                  "IF (NEW.NOME = 'SINGULAR') THEN SELECT RDB$RELATION_ID FROM RDB$RELATIONS INTO :X; END");
    // The fields let every value through: what is refused, the database refuses.
    static constexpr TFieldDef kRegraFields[] = {
        {.name = "ID", .type = TFieldType::ftInteger, .required = true},
        {.name = "PAI", .type = TFieldType::ftInteger},
        {.name = "QTD", .type = TFieldType::ftInteger},
        {.name = "NOME", .type = TFieldType::ftString, .size = 20},
        {.name = "CURTO", .type = TFieldType::ftString, .size = 20},
        {.name = "COD", .type = TFieldType::ftInteger},
        {.name = "PEQ", .type = TFieldType::ftInteger},
        {.name = "QTD4", .type = TFieldType::ftBCD, .size = 18, .scale = 4},
        {.name = "DIA", .type = TFieldType::ftDateTime},
    };
    const TClientDataSetDef regras{"CDS_REGRA", "SELECT * FROM T_REGRA WHERE ID = 0", "T_REGRA", "ID",
                                   kRegraFields};
    TClientDataSet cds(regras, db, tr, &refusals);
    cds.Open();
    auto add = [&](int id, TValue pai, TValue qtd, TValue nome, TValue curto, TValue cod,
                   std::pair<const char*, TValue> extra = {}) {
        cds.Insert();
        cds.FieldByName("ID").SetAsInteger(id);
        cds.FieldByName("PAI").SetValue(pai);
        cds.FieldByName("QTD").SetValue(qtd);
        cds.FieldByName("NOME").SetValue(nome);
        cds.FieldByName("CURTO").SetValue(curto);
        cds.FieldByName("COD").SetValue(cod);
        if (extra.first) cds.FieldByName(extra.first).SetValue(extra.second);
        cds.Post();
    };
    add(1, int64_t(1), int64_t(1), QString("PRIMEIRO"), QString("ABC"), int64_t(1));
    ASSERT_EQ(cds.ApplyUpdates(0), 0);
    const struct {
        const char* kind;
        int id;
        TValue pai, qtd, nome, curto, cod;
        const char* message;
        std::pair<const char*, TValue> extra = {};
    } cases[] = {
        {"primary key", 1, {}, {}, QString("X"), {}, {}, "violation of PRIMARY or UNIQUE KEY"},
        {"unique key", 2, {}, {}, QString("X"), {}, int64_t(1), "violation of PRIMARY or UNIQUE KEY"},
        {"foreign key", 3, int64_t(9), {}, QString("X"), {}, {}, "violation of FOREIGN KEY constraint"},
        {"check", 4, {}, int64_t(-1), QString("X"), {}, {}, "violates CHECK constraint"},
        {"not null", 5, {}, {}, {}, {}, {}, "validation error for column"},
        {"too long", 6, {}, {}, QString("X"), QString("ABCD"), {}, "string right truncation"},
        {"overflow", 7, {}, int64_t(40), QString("X"), {}, {}, "numeric value is out of range"},
        {"trigger", 8, {}, {}, QString("RESERVADO"), {}, {}, "nome reservado"},
        {"failing trigger", 13, {}, {}, QString("SINGULAR"), {}, {}, "multiple rows in singleton select"},
        // Values the program holds but the column cannot: 16 bits, 9 digits, the calendar's end.
        {"narrow integer",
         9,
         {},
         {},
         QString("X"),
         {},
         {},
         "40000 does not fit column PEQ",
         {"PEQ", int64_t(40000)}},
        {"narrow decimal",
         10,
         {},
         {},
         QString("X"),
         {},
         {},
         "300000 does not fit column QTD4",
         {"QTD4", TCurrency::FromInteger(300000)}},
        {"date beyond 9999",
         11,
         {},
         {},
         QString("X"),
         {},
         {},
         "4295009000 does not fit column DIA",
         {"DIA", TDateTime{4295009000.0}}},
        {"date before 0001",
         12,
         {},
         {},
         QString("X"),
         {},
         {},
         "-693594 does not fit column DIA",
         {"DIA", TDateTime{-693594.0}}},
    };
    for (const auto& c : cases) {
        refusals.Clear();
        add(c.id, c.pai, c.qtd, c.nome, c.curto, c.cod, c.extra);
        add(100 + c.id, {}, {}, QString(c.kind), {}, {});
        try {
            EXPECT_EQ(cds.ApplyUpdates(0), 1) << c.kind;
        } catch (const EIBError& e) {
            ADD_FAILURE() << c.kind << " ended the apply: " << e.what();
        } catch (const ERangeError& e) {
            ADD_FAILURE() << c.kind << " ended the apply: " << e.what();
        }
        EXPECT_EQ(cds.ChangeCount(), 0) << c.kind;
        EXPECT_EQ(refusals.Count("T_REGRA"), 1) << c.kind;
        EXPECT_TRUE(refusals.Summary().contains(c.message))
            << c.kind << ": " << refusals.Summary().toStdString();
    }
    tr.CommitRetaining();
    EXPECT_EQ(Kelmor().Lines("SELECT ID, NOME FROM T_REGRA ORDER BY ID"),
              QStringList({"1|PRIMEIRO", "101|primary key", "102|unique key", "103|foreign key", "104|check",
                           "105|not null", "106|too long", "107|overflow", "108|trigger",
                           "109|narrow integer", "110|narrow decimal", "111|date beyond 9999",
                           "112|date before 0001", "113|failing trigger"}));
    // The calendar's own ends are written as they are, not wrapped to another day.
    add(20, {}, {}, QString("Y"), {}, {}, {"DIA", Day(9999, 12, 31)});
    add(21, {}, {}, QString("Y"), {}, {}, {"DIA", Day(1, 1, 1)});
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    tr.CommitRetaining();
    EXPECT_EQ(
        Kelmor().Lines("SELECT ID, CAST(DIA AS VARCHAR(10)) FROM T_REGRA WHERE ID IN (20, 21) ORDER BY ID"),
        QStringList({"20|9999-12-31", "21|0001-01-01"}));

    // A statement that cannot be prepared (a column the table lacks) would fail every row: it ends
    // the apply and refuses nothing.
    static constexpr TFieldDef kSemColunaFields[] = {
        {.name = "ID", .type = TFieldType::ftInteger, .required = true},
        {.name = "SUMIDA", .type = TFieldType::ftInteger},
    };
    const TClientDataSetDef semColuna{"CDS_SEM_COLUNA", "SELECT ID, 0 AS SUMIDA FROM T_REGRA WHERE ID = 0",
                                      "T_REGRA", "ID", kSemColunaFields};
    TClientDataSet falha(semColuna, db, tr, &refusals);
    falha.Open();
    falha.Insert();
    falha.FieldByName("ID").SetAsInteger(30);
    falha.FieldByName("SUMIDA").SetAsInteger(1);
    falha.Post();
    refusals.Clear();
    EXPECT_THROW(falha.ApplyUpdates(0), EIBError);
    EXPECT_TRUE(refusals.IsEmpty());
}

// A full disk is no refusal of the row being written: the apply ends with the database's message
// and records nothing. What it wrote stays; the row it could not write leaves the log and the set,
// so that nothing is sent twice and, once there is room, the row is written exactly once.
TEST_F(DataLayer, AFailingDiskEndsTheApplyWithItsMessageAndKeepsWhatWasWritten) {
    DetachHelpers();
    SetPageBuffers(KelmorPath(), 50);
    TClientDataSet cds(kPessoas, db, tr, &refusals);
    cds.Open();
    Add(cds, 1, "ANTES");
    ASSERT_EQ(cds.ApplyUpdates(0), 0);
    tr.CommitRetaining();
    int id = 2;
    std::optional<EIBError> failure;
    {
        FileSizeLimit full(QFileInfo(KelmorPath()).size()); // the destination cannot grow
        try {
            for (; id < 200000; ++id) {
                Add(cds, id, QString::number(id));
                if (cds.ApplyUpdates(0) != 0) break;
            }
        } catch (const EIBError& e) {
            failure = e;
        }
    }
    ASSERT_TRUE(failure) << "row " << id << ": " << refusals.Summary().toStdString();
    EXPECT_FALSE(failure->IsRefusal());
    EXPECT_TRUE(failure->Message().startsWith("I/O error during \"write\"")) << failure->what();
    EXPECT_TRUE(refusals.IsEmpty());
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_EQ(cds.RecordCount(), id - 1);
    EXPECT_FALSE(cds.Locate("ID", {int64_t(id)}, loNone));
    EXPECT_EQ(Kelmor().Count("T_PESSOA"), 1); // the committed prefix; the rest waits in the transaction
    Add(cds, id, "DE NOVO");
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    tr.CommitRetaining();
    EXPECT_EQ(Kelmor().Lines("SELECT COUNT(*), MIN(ID), MAX(ID) FROM T_PESSOA"),
              QStringList({QString("%1|1|%1").arg(id)}));
}

TEST_F(DataLayer, AMissingFileRaisesTheClientsErrorNamingIt) {
    db.DatabaseName = Dir() + "/NADA.FDB";
    try {
        db.Open();
        ADD_FAILURE() << "connected to a missing file";
    } catch (const EIBError& e) {
        EXPECT_TRUE(e.Message().contains("NADA.FDB")) << e.Message().toStdString();
    }
    EXPECT_FALSE(db.Connected());
}

// A table the destination's triggers write is read anew after a write through the connection:
// the look-up row a trigger added is found, not inserted a second time.
TEST_F(DataLayer, ATableComponentFindsWhatTheDestinationsTriggersWrote) {
    Kelmor().Exec("CREATE TABLE T_APELIDO (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(10))");
    Kelmor().Exec("CREATE TRIGGER T_PESSOA_AI FOR T_PESSOA AFTER INSERT AS BEGIN "
                  "INSERT INTO T_APELIDO (ID, NOME) VALUES (NEW.ID + 100, NEW.NOME); END");
    static constexpr TFieldDef kApelidoFields[] = {
        {.name = "ID", .type = TFieldType::ftInteger, .required = true},
        {.name = "NOME", .type = TFieldType::ftString, .size = 10},
    };
    TIBTable apelidos(TTableDef{"TBL_APELIDO", "T_APELIDO", "ID", kApelidoFields}, db, tr);
    EXPECT_FALSE(apelidos.Locate("NOME", {QString("ANA")}, loCaseInsensitive));
    TClientDataSet pessoas(kPessoas, db, tr, &refusals);
    pessoas.Open();
    Add(pessoas, 1, "ANA");
    ASSERT_EQ(pessoas.ApplyUpdates(0), 0);
    ASSERT_TRUE(apelidos.Locate("NOME", {QString("ana")}, loCaseInsensitive));
    EXPECT_EQ(apelidos.FieldByName("ID").AsInteger(), 101);
}
