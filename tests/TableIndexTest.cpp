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
    QString FromDatabase(TTableIndex& ix, const QString& sql, const std::vector<TValue>& keys) {
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
        EXPECT_TRUE(ix.InMemory()) << ix.Name().toStdString();
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
        const auto* row = ix.Find(p.keys);
        const QString where = ix.Name() + " " + Shown(p.keys);
        EXPECT_EQ(row ? Shown(*row) : QString(), p.expected) << where.toStdString();
        if (p.longer)
            EXPECT_THROW(FromDatabase(ix, statements.at(&ix), p.keys), EIBError) << where.toStdString();
        else
            EXPECT_EQ(FromDatabase(ix, statements.at(&ix), p.keys), p.expected) << where.toStdString();
    }
    // Every row of a key, in the order of the scan.
    std::vector<QString> itens;
    for (const auto* r : f.IDX_ITEM_ALTERNATIVO.FindAll({QString("0000000001")}))
        itens.push_back(Shown(*r));
    EXPECT_EQ(itens, (std::vector<QString>{"2", "1"}));
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
