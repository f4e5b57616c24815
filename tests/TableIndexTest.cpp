// The destination look-ups answered from memory against the statements they stand for, on a
// destination without secondary indexes: the first row in the order the statement gives, rows
// that existed before the run and rows the run wrote, NULLs, trailing blanks and texts longer
// than their column.
#include "TestSupport.h"

#include "ValueText.h"

namespace {
QString Shown(const std::vector<TValue>& row) {
    QStringList parts;
    for (const TValue& v : row)
        parts << (IsNull(v) ? QString("NULL") : ValueText(v));
    return parts.join('|');
}

constexpr TFieldDef kSaidaFields[] = {
    {.name = "SAI_PK_SAIDA", .type = TFieldType::ftInteger, .required = true},
    {.name = "SAI_NUMERO", .type = TFieldType::ftInteger},
    {.name = "SAI_DT_EMISSAO", .type = TFieldType::ftDateTime},
    {.name = "SAI_CODIGO_VENDEDOR_INTERNO", .type = TFieldType::ftInteger},
};
const TClientDataSetDef kSaida{"CDS_SAIDA", "SELECT * FROM SCA_SAIDA WHERE SAI_PK_SAIDA = 0", "SCA_SAIDA",
                               "SAI_PK_SAIDA", kSaidaFields};
constexpr TFieldDef kContaFields[] = {
    {.name = "CRE_PK_CONTAARECEBER", .type = TFieldType::ftInteger, .required = true},
    {.name = "CRE_CODIGO_CLIENTE", .type = TFieldType::ftInteger},
    {.name = "CRE_NR_DOCUMENTO", .type = TFieldType::ftString, .size = 6},
};
constexpr TFieldDef kItemFields[] = {
    {.name = "ITE_PK_ITEM", .type = TFieldType::ftInteger, .required = true},
    {.name = "ITE_CODIGO_ALTERNATIVO", .type = TFieldType::ftString, .size = 10},
};
const TClientDataSetDef kItem{"CDS_ITEM", "SELECT * FROM SCA_ITEM WHERE ITE_PK_ITEM = 0", "SCA_ITEM",
                              "ITE_PK_ITEM", kItemFields};
const TClientDataSetDef kConta{"CDS_CONTA", "SELECT * FROM SCA_CONTAARECEBER WHERE CRE_PK_CONTAARECEBER = 0",
                               "SCA_CONTAARECEBER", "CRE_PK_CONTAARECEBER", kContaFields};

struct Probe {
    TTableIndex Tfrm_Importacao::*index;
    std::vector<TValue> keys;
    QString expected;    // the first row's result columns, or "" for none
    bool longer = false; // a text longer than its column: the statement would refuse it
};

class TableIndex : public MigrationTest {
protected:
    void TearDown() override {
        CloseForm();
        MigrationTest::TearDown();
    }
    // What the statement the look-up stands for gives, in the run's own transaction.
    QString FromDatabase(const QString& sql, const std::vector<TValue>& keys) {
        TIBQuery& q = Form().QR_DEST;
        q.Close();
        q.SetSQL(sql, keys);
        q.Open();
        QString out;
        if (!q.IsEmpty()) {
            std::vector<TValue> row;
            for (const auto& f : q.Fields())
                row.push_back(f->Value());
            out = Shown(row);
        }
        q.Close();
        return out;
    }
};
} // namespace

TEST_F(TableIndex, AnswersEqualTheStatementsTheyStandFor) {
    for (const char* ix : {"IX_SAI_NUMERO", "IX_CRE_CLIENTE_DOCUMENTO", "IX_ITE_CODIGO_ALTERNATIVO",
                           "IX_CBA_CODIGO_ITEM", "IX_IEM_CODIGO_ITEM", "IX_ILE_CODIGO_ITEMEMPRESA"})
        Kelmor().Exec(QString("DROP INDEX ") + ix);
    const TDateTime d1 = Day(2014, 1, 2), d2 = Day(2014, 1, 3, 10, 30);
    // Rows stored before the run, out of key order: a scan returns them as they were stored.
    const char* saida = "INSERT INTO SCA_SAIDA (SAI_PK_SAIDA, SAI_NUMERO, SAI_DT_EMISSAO, "
                        "SAI_CODIGO_VENDEDOR_INTERNO) VALUES (?, ?, ?, ?)";
    Kelmor().Exec(saida, {int64_t{5}, int64_t{10}, d2, int64_t{7}});
    Kelmor().Exec(saida, {int64_t{3}, int64_t{10}, d1, TValue{}});
    Kelmor().Exec(saida, {int64_t{4}, TValue{}, d1, int64_t{1}});
    const char* conta = "INSERT INTO SCA_CONTAARECEBER (CRE_PK_CONTAARECEBER, CRE_CODIGO_CLIENTE, "
                        "CRE_NR_DOCUMENTO) VALUES (?, ?, ?)";
    Kelmor().Exec(conta, {int64_t{1}, int64_t{5}, QString("123")});
    Kelmor().Exec(conta, {int64_t{2}, int64_t{5}, QString("A23 ")});
    Kelmor().Exec(conta, {int64_t{3}, int64_t{5}, TValue{}});
    const char* item = "INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_ALTERNATIVO) VALUES (?, ?)";
    Kelmor().Exec(item, {int64_t{2}, QString("0000000001")});
    Kelmor().Exec(item, {int64_t{1}, QString("0000000001")});
    Kelmor().Exec("INSERT INTO SCA_CODIGOBARRAS (CBA_CODIGO, CBA_CODIGO_ITEM) VALUES ('78900001', 1)");

    Tfrm_Importacao& f = Form();
    // Each look-up reads its table at its first search...
    EXPECT_EQ(Shown(*f.IDX_SAIDA_NUMERO.Find({int64_t{10}})), "5|7");
    EXPECT_EQ(Shown(*f.IDX_SAIDA_NUMERO_EMISSAO.Find({int64_t{10}, d1})), "3");
    EXPECT_TRUE(f.IDX_CONTAARECEBER_DOCUMENTO.Find({int64_t{5}, QString("123")}));
    // ...and follows what the run writes afterwards.
    TClientDataSet vendas(kSaida, f.DB_DESTINO, f.TR_DESTINO, &f.Recusas);
    TClientDataSet contas(kConta, f.DB_DESTINO, f.TR_DESTINO, &f.Recusas);
    vendas.Open();
    contas.Open();
    auto venda = [&](int pk, const TValue& numero, TDateTime emissao, const TValue& vendedor) {
        vendas.Insert();
        vendas.FieldByName("SAI_PK_SAIDA").SetAsInteger(pk);
        vendas.FieldByName("SAI_NUMERO").SetValue(numero);
        vendas.FieldByName("SAI_DT_EMISSAO").SetAsDateTime(emissao);
        vendas.FieldByName("SAI_CODIGO_VENDEDOR_INTERNO").SetValue(vendedor);
        vendas.Post();
        EXPECT_EQ(vendas.ApplyUpdates(0), 0);
    };
    venda(12, int64_t{10}, d1, int64_t{3}); // a third row of number 10, after the others
    venda(13, int64_t{12}, d2, TValue{});
    venda(2, int64_t{14}, d1, int64_t{9}); // a lower key than every row before it
    contas.Insert();
    contas.FieldByName("CRE_PK_CONTAARECEBER").SetAsInteger(7);
    contas.FieldByName("CRE_CODIGO_CLIENTE").SetAsInteger(6);
    contas.FieldByName("CRE_NR_DOCUMENTO").SetAsString("123");
    contas.Post();
    EXPECT_EQ(contas.ApplyUpdates(0), 0);

    const Probe probes[] = {
        // Several rows of one number: the first the scan returns, not the lowest key.
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO, {int64_t{10}}, "5|7"},
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO, {QString(" 12 ")}, "13|NULL"}, // written by the run
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO, {int64_t{14}}, "2|9"},
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO, {int64_t{11}}, ""},
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO, {TValue{}}, ""}, // NULL equals nothing
        // Number and day: the timestamp must equal, time of day included.
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO_EMISSAO, {int64_t{10}, d1}, "3"},
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO_EMISSAO, {int64_t{10}, d2}, "5"},
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO_EMISSAO, {int64_t{10}, Day(2014, 1, 3)}, ""},
        {&Tfrm_Importacao::IDX_SAIDA_NUMERO_EMISSAO, {int64_t{12}, d2}, "13"},
        // Documents: before the run, of the run, trailing blanks count for nothing, case does.
        {&Tfrm_Importacao::IDX_CONTAARECEBER_DOCUMENTO, {int64_t{5}, QString("123")}, "1"},
        {&Tfrm_Importacao::IDX_CONTAARECEBER_DOCUMENTO, {int64_t{6}, QString("123")}, "7"},
        {&Tfrm_Importacao::IDX_CONTAARECEBER_DOCUMENTO, {int64_t{5}, QString("A23")}, "2"},
        {&Tfrm_Importacao::IDX_CONTAARECEBER_DOCUMENTO, {int64_t{5}, QString("123  ")}, "1"},
        {&Tfrm_Importacao::IDX_CONTAARECEBER_DOCUMENTO, {int64_t{5}, QString("a23")}, ""},
        {&Tfrm_Importacao::IDX_CONTAARECEBER_DOCUMENTO, {int64_t{5}, QString("B23")}, ""},
        {&Tfrm_Importacao::IDX_CONTAARECEBER_DOCUMENTO, {int64_t{5}, QString("1234567")}, "", true},
        // Products by alternative code: the first stored, and an eleven-character code.
        {&Tfrm_Importacao::IDX_ITEM_ALTERNATIVO, {QString("0000000001")}, "2"},
        {&Tfrm_Importacao::IDX_ITEM_ALTERNATIVO, {QString("-1000000000")}, "", true},
        {&Tfrm_Importacao::IDX_CODIGOBARRA_ITEM, {int64_t{1}}, "78900001"},
        {&Tfrm_Importacao::IDX_CODIGOBARRA_ITEM, {int64_t{0}}, ""},
    };
    const std::map<TTableIndex*, QString> statements{
        {&f.IDX_SAIDA_NUMERO,
         "SELECT SAI_PK_SAIDA, SAI_CODIGO_VENDEDOR_INTERNO FROM SCA_SAIDA WHERE SAI_NUMERO = ?"},
        {&f.IDX_SAIDA_NUMERO_EMISSAO,
         "SELECT SAI_PK_SAIDA FROM SCA_SAIDA WHERE SAI_NUMERO = ? AND SAI_DT_EMISSAO = ?"},
        {&f.IDX_CONTAARECEBER_DOCUMENTO,
         "SELECT CRE_PK_CONTAARECEBER FROM SCA_CONTAARECEBER WHERE CRE_CODIGO_CLIENTE = ? AND "
         "CRE_NR_DOCUMENTO = ?"},
        {&f.IDX_ITEM_ALTERNATIVO, "SELECT ITE_PK_ITEM FROM SCA_ITEM WHERE ITE_CODIGO_ALTERNATIVO = ?"},
        {&f.IDX_CODIGOBARRA_ITEM, "SELECT CBA_CODIGO FROM SCA_CODIGOBARRAS WHERE CBA_CODIGO_ITEM = ?"},
    };
    for (const Probe& p : probes) {
        TTableIndex& ix = f.*p.index;
        EXPECT_TRUE(ix.InMemory()) << ix.Name().toStdString();
        const auto* row = ix.Find(p.keys);
        const QString where = ix.Name() + " " + Shown(p.keys);
        EXPECT_EQ(row ? Shown(*row) : QString(), p.expected) << where.toStdString();
        if (p.longer)
            EXPECT_THROW(FromDatabase(statements.at(&ix), p.keys), EIBError) << where.toStdString();
        else
            EXPECT_EQ(FromDatabase(statements.at(&ix), p.keys), p.expected) << where.toStdString();
    }
    // Every row of a key, in the order of the statement (memory cannot tell it).
    std::vector<QString> itens;
    for (const auto* r : f.IDX_ITEM_ALTERNATIVO.FindAll({QString("0000000001")}))
        itens.push_back(Shown(*r));
    EXPECT_EQ(itens, (std::vector<QString>{"2", "1"}));
    EXPECT_TRUE(f.IDX_ITEM_ALTERNATIVO.FindAll({QString("0000000009")}).empty());
}

TEST_F(TableIndex, AKeyUnderAnotherCollationIsSearchedByItsStatement) {
    // WIN_PTBR ignores case and accents: memory would answer otherwise, so the statement runs.
    Redeclare("SCA_CONTAARECEBER", "CRE_NR_DOCUMENTO", "VARCHAR(6) CHARACTER SET WIN1252 COLLATE WIN_PTBR");
    Kelmor().Exec(
        "INSERT INTO SCA_CONTAARECEBER (CRE_PK_CONTAARECEBER, CRE_CODIGO_CLIENTE, CRE_NR_DOCUMENTO) "
        "VALUES (4, 5, 'AÇ1')");
    TTableIndex& ix = Form().IDX_CONTAARECEBER_DOCUMENTO;
    EXPECT_FALSE(ix.InMemory());
    for (const QString& documento : {QString("AÇ1"), QString("ac1"), QString("AC1  ")}) {
        const auto* row = ix.Find({int64_t{5}, documento});
        ASSERT_TRUE(row) << documento.toStdString();
        EXPECT_EQ(Shown(*row), "4");
    }
    EXPECT_FALSE(ix.Find({int64_t{5}, QString("AC2")}));
    EXPECT_FALSE(ix.Find({int64_t{5}, QString("AC10000")})); // longer than the column: no statement
}

// Memory answers only where nothing can make it disagree with the statement: an index the
// statement can use, an OCTETS key, several rows of one key and the next job each send the search
// to the destination, and so do the rows a trigger writes (through a procedure too) once it fired.
// A trigger that names its own table only through NEW writes no other row of it.
TEST_F(TableIndex, MemoryAnswersOnlyWhereItCannotDisagreeWithTheStatement) {
    for (const char* ix : {"IX_SAI_NUMERO", "IX_CRE_CLIENTE_DOCUMENTO", "IX_ITE_CODIGO_ALTERNATIVO",
                           "IX_CBA_CODIGO_ITEM", "IX_IEM_CODIGO_ITEM", "IX_ILE_CODIGO_ITEMEMPRESA"})
        Kelmor().Exec(QString("DROP INDEX ") + ix);
    // A sale writes a receivable of its own; a company row its storage location, through a
    // procedure. A CHECK constraint writes nothing.
    Kelmor().Exec(
        "CREATE TRIGGER T_SAIDA_AI FOR SCA_SAIDA AFTER INSERT AS BEGIN "
        "INSERT INTO SCA_CONTAARECEBER (CRE_PK_CONTAARECEBER, CRE_CODIGO_CLIENTE, CRE_NR_DOCUMENTO) "
        "VALUES (NEW.SAI_PK_SAIDA + 1000, 5, NEW.SAI_NUMERO); END");
    Kelmor().Exec("CREATE PROCEDURE P_LOCAL (IEM INTEGER) AS BEGIN INSERT INTO SCA_ITEMLOCALEMPRESA "
                  "(ILE_PK_ITEMLOCALEMPRESA, ILE_CODIGO_ITEMEMPRESA, ILE_CODIGO_LOCALARMAZENAMENTO) "
                  "VALUES (:IEM + 1000, :IEM, 1); END");
    Kelmor().Exec("CREATE TRIGGER T_IEM_AI FOR SCA_ITEMEMPRESA AFTER INSERT AS BEGIN "
                  "EXECUTE PROCEDURE P_LOCAL NEW.IEM_PK_ITEMEMPRESA; END");
    Kelmor().Exec("ALTER TABLE SCA_CODIGOBARRAS ADD CONSTRAINT CK_CBA_ITEM CHECK (CBA_CODIGO_ITEM >= 0)");
    // A code stored before the run behind the space deleted products left: a row the run writes
    // lands there, ahead of it in a scan.
    Kelmor().Exec("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 300) DO BEGIN "
                  "INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_DESCRICAO) VALUES (:I + 1000, LPAD('', 50, 'x')); "
                  "I = I + 1; END END");
    Kelmor().Exec("INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_ALTERNATIVO) VALUES (9, '0000000003')");
    Kelmor().Exec("DELETE FROM SCA_ITEM WHERE ITE_PK_ITEM > 1000");
    Kelmor().Scalar("SELECT COUNT(*) FROM SCA_ITEM"); // collects the deleted rows
    Kelmor().Exec("INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_ALTERNATIVO) VALUES (1, '0000000001')");
    Tfrm_Importacao& f = Form();
    OnlySteps({});
    Run(); // the end of a job: the look-ups ask the destination anew, held rows are let go

    const struct {
        TTableIndex* ix;
        bool inMemory, triggers;
    } modes[] = {
        {&f.IDX_SAIDA_NUMERO, true, false},           {&f.IDX_SAIDA_NUMERO_EMISSAO, true, false},
        {&f.IDX_CONTAARECEBER_DOCUMENTO, true, true}, {&f.IDX_ITEMLOCAL_ITEMEMPRESA, true, true},
        {&f.IDX_ITEMEMPRESA_ITEM, true, false},       {&f.IDX_ITEM_ALTERNATIVO, true, false},
        {&f.IDX_CODIGOBARRA_ITEM, true, false},
    };
    for (const auto& m : modes) {
        EXPECT_EQ(m.ix->InMemory(), m.inMemory) << m.ix->Name().toStdString();
        EXPECT_EQ(m.ix->WrittenByTriggers(), m.triggers) << m.ix->Name().toStdString();
    }

    // What the triggers write is found at once.
    EXPECT_FALSE(f.IDX_CONTAARECEBER_DOCUMENTO.Exists({int64_t{5}, QString("10")}));
    TClientDataSet vendas(kSaida, f.DB_DESTINO, f.TR_DESTINO, &f.Recusas);
    vendas.Open();
    vendas.Insert();
    vendas.FieldByName("SAI_PK_SAIDA").SetAsInteger(9001);
    vendas.FieldByName("SAI_NUMERO").SetAsInteger(10);
    vendas.Post();
    ASSERT_EQ(vendas.ApplyUpdates(0), 0);
    const auto* documento = f.IDX_CONTAARECEBER_DOCUMENTO.Find({int64_t{5}, QString("10")});
    EXPECT_EQ(documento ? Shown(*documento) : QString(), "10001");

    // The first row of a code is the one the scan returns, here the one written last.
    EXPECT_EQ(Shown(*f.IDX_ITEM_ALTERNATIVO.Find({QString("0000000003")})), "9");
    TClientDataSet itens(kItem, f.DB_DESTINO, f.TR_DESTINO, &f.Recusas);
    itens.Open();
    itens.Insert();
    itens.FieldByName("ITE_PK_ITEM").SetAsInteger(10);
    itens.FieldByName("ITE_CODIGO_ALTERNATIVO").SetAsString("0000000003");
    itens.Post();
    ASSERT_EQ(itens.ApplyUpdates(0), 0);
    const QString first = FromDatabase("SELECT ITE_PK_ITEM FROM SCA_ITEM WHERE ITE_CODIGO_ALTERNATIVO = ?",
                                       {QString("0000000003")});
    EXPECT_EQ(first, "10");
    EXPECT_EQ(Shown(*f.IDX_ITEM_ALTERNATIVO.Find({QString("0000000003")})), first);

    // Held in memory, a row written by another attachment during a job is seen from the next one.
    EXPECT_TRUE(f.IDX_ITEM_ALTERNATIVO.Find({QString("0000000001")}));
    Kelmor().Exec("INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_ALTERNATIVO) VALUES (2, '0000000002')");
    Run();
    const auto* novo = f.IDX_ITEM_ALTERNATIVO.Find({QString("0000000002")});
    EXPECT_EQ(novo ? Shown(*novo) : QString(), "2");
}

// OCTETS texts pad with NUL, not with blanks: memory would find what the statement does not and
// miss what it finds, so such keys are searched by their statement.
TEST_F(TableIndex, AnOctetsKeyIsSearchedByItsStatement) {
    Redeclare("SCA_CONTAARECEBER", "CRE_NR_DOCUMENTO", "CHAR(6) CHARACTER SET OCTETS");
    Redeclare("SCA_ITEM", "ITE_CODIGO_ALTERNATIVO", "VARCHAR(10) CHARACTER SET OCTETS");
    Kelmor().Exec(
        "INSERT INTO SCA_CONTAARECEBER (CRE_PK_CONTAARECEBER, CRE_CODIGO_CLIENTE, CRE_NR_DOCUMENTO) "
        "VALUES (4, 5, 'AB1')");
    Kelmor().Exec("INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_ALTERNATIVO) VALUES (3, '000000001')");
    Tfrm_Importacao& f = Form();
    // The other tables keep an index on a key column: their statements are fast and exact.
    for (TTableIndex* ix : {&f.IDX_SAIDA_NUMERO, &f.IDX_SAIDA_NUMERO_EMISSAO, &f.IDX_ITEMEMPRESA_ITEM,
                            &f.IDX_ITEMLOCAL_ITEMEMPRESA, &f.IDX_CODIGOBARRA_ITEM})
        EXPECT_FALSE(ix->InMemory()) << ix->Name().toStdString();
    EXPECT_FALSE(f.IDX_CONTAARECEBER_DOCUMENTO.InMemory());
    EXPECT_FALSE(f.IDX_ITEM_ALTERNATIVO.InMemory());
    const struct {
        TTableIndex* ix;
        const char* sql;
        std::vector<TValue> keys;
        QString expected;
    } probes[] = {
        {&f.IDX_CONTAARECEBER_DOCUMENTO,
         "SELECT CRE_PK_CONTAARECEBER FROM SCA_CONTAARECEBER WHERE CRE_CODIGO_CLIENTE = ? AND "
         "CRE_NR_DOCUMENTO = ?",
         {int64_t{5}, QString("AB1")},
         "4"},
        {&f.IDX_ITEM_ALTERNATIVO,
         "SELECT ITE_PK_ITEM FROM SCA_ITEM WHERE ITE_CODIGO_ALTERNATIVO = ?",
         {QString("000000001")},
         "3"},
        {&f.IDX_ITEM_ALTERNATIVO,
         "SELECT ITE_PK_ITEM FROM SCA_ITEM WHERE ITE_CODIGO_ALTERNATIVO = ?",
         {QString("000000001 ")},
         ""},
    };
    for (const auto& p : probes) {
        const auto* row = p.ix->Find(p.keys);
        EXPECT_EQ(row ? Shown(*row) : QString(), p.expected) << Shown(p.keys).toStdString();
        EXPECT_EQ(FromDatabase(p.sql, p.keys), p.expected) << Shown(p.keys).toStdString();
    }
}
