// The bar-code command on real databases: the product look-up by the ten-digit code, the length
// rule, the stored row, and what a second press or a refused bar code leaves behind.
#include "TestSupport.h"

#include <map>

namespace {
class CodigoBarra : public MigrationTest {
protected:
    void Item(const QString& code, const TValue& generic) {
        Loja().Exec(
            "INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
            "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_CODIGO_GEN) "
            "VALUES (?, '01', '0001', '001', '001', '001', 'UN', 'ITEM', ?)",
            {code, generic});
    }
    void BarCode(const QString& code, const QString& item) {
        Loja().Exec("INSERT INTO LJ_BARRA (BAR_CODIGO, BAR_CODIGO_ITEM, BAR_CODIGO_FORNE, BAR_CODIGO_ESTAB) "
                    "VALUES (?, ?, '0001', '01')",
                    {code, item});
    }
    void Product(int key, const QString& alternative) {
        Kelmor().Exec(
            "INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_DESCRICAO, ITE_CODIGO_ALTERNATIVO) VALUES (?, 'P', ?)",
            {int64_t(key), alternative});
    }
    // The product each stored bar code belongs to, by bar code.
    std::map<QString, int64_t> Stored() {
        std::map<QString, int64_t> out;
        for (const TRow& r : Kelmor().Rows("SELECT CBA_CODIGO, CBA_CODIGO_ITEM FROM SCA_CODIGOBARRAS"))
            out[Str(r[0])] = Int(r[1]);
        return out;
    }
    void Press() { MigrationTest::Press(Form().btn_CodigoBarra); }
};
} // namespace

TEST_F(CodigoBarra, AnEmptySourceWritesNothingAndShowsNothing) {
    Product(1, "0000000001");
    Press();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Kelmor().Count("SCA_CODIGOBARRAS"), 0);
    EXPECT_TRUE(Form().btn_CodigoBarra->isEnabled());
}

TEST_F(CodigoBarra, BarCodesGoToTheProductOfTheirItemWhenLongEnough) {
    Item("A1", int64_t(815));
    Item("A2", int64_t(816));
    Item("A3", int64_t(42));
    Product(11, "0000000815");
    Product(12, "0000000816");
    Product(13, "0000000817");
    Product(30, "0000000042"); // two products share the alternative code 42
    Product(20, "0000000042");
    BarCode("78912345", "A1");        // 8 characters: imported
    BarCode("7891234", "A2");         // 7: skipped though its product exists
    BarCode("  7891234  ", "A2");     // 7 once trimmed: skipped
    BarCode(" 7890000000017 ", "A2"); // stored trimmed
    BarCode("7895555555555", "A3");
    BarCode("7899999999999", "ZZ"); // its item is missing, and no product has ten zeros
    Press();
    EXPECT_TRUE(boxes.empty());
    // Committed by the command: seen before the window closes.
    const int64_t first42 =
        Int(Kelmor().Scalar("SELECT ITE_PK_ITEM FROM SCA_ITEM WHERE ITE_CODIGO_ALTERNATIVO = '0000000042'"));
    std::map<QString, int64_t> expected{{"78912345", 11}, {"7890000000017", 12}, {"7895555555555", first42}};
    EXPECT_EQ(Stored(), expected);

    auto rows =
        Kelmor().Rows("SELECT CBA_CODIGO_EMPRESA_MASTER, CBA_ALTERADO, CBA_CODIGO_USUARIO_INC, "
                      "CBA_DT_INCLUSAO, CBA_HR_INCLUSAO, CBA_CODIGO_ITEMTIPOGRADE, CBA_CODIGO_USUARIO_ALT, "
                      "CBA_DT_ALTERACAO, CBA_HR_ALTERACAO, CBA_EMBALAGEM_QTDE, CBA_EMBALAGEM_PERC_DESCONTO, "
                      "CBA_EMBALAGEM_COMERCIAL FROM SCA_CODIGOBARRAS WHERE CBA_CODIGO = '78912345'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(Int(rows[0][0]), 1);
    EXPECT_EQ(Str(rows[0][1]), "S");
    EXPECT_EQ(Int(rows[0][2]), 0);
    EXPECT_EQ(Num(rows[0][3]), Date().value);
    EXPECT_GE(Num(rows[0][4]), 0.0);
    EXPECT_LT(Num(rows[0][4]), 1.0);
    for (int c = 5; c < 12; ++c)
        EXPECT_TRUE(IsNull(rows[0][c])) << c;
}

TEST_F(CodigoBarra, AMissingItemIsLookedUpAsTenZeros) {
    Item("B1", TValue{}); // an item without a generic code reads as 0 too
    Product(5, "0000000000");
    BarCode("1111111111", "NAO"); // no such legacy item
    BarCode("2222222222", "B1");
    // An eleven-character alternative code is longer than the column: skipped without a trace.
    Item("G1", int64_t(-1000000000));
    BarCode("3333333333", "G1");
    Press();
    EXPECT_TRUE(boxes.empty());
    std::map<QString, int64_t> expected{{"1111111111", 5}, {"2222222222", 5}};
    EXPECT_EQ(Stored(), expected);
}

TEST_F(CodigoBarra, BeforeAnyProductNothingIsWritten) {
    Item("A1", int64_t(1));
    BarCode("78912345", "A1");
    BarCode("78912346", "NAO");
    Press();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Kelmor().Count("SCA_CODIGOBARRAS"), 0);
}

TEST_F(CodigoBarra, RefusedBarCodesAreCountedAndDoNotHoldBackTheOthers) {
    Item("A1", int64_t(1));
    Item("A2", int64_t(2));
    Product(1, "0000000001");
    Product(2, "0000000002");
    BarCode("78900001", "A1");
    BarCode("78900001", "A2"); // the same bar code again: refused by the key
    BarCode("78900002", "A2");
    Press();
    std::map<QString, int64_t> expected{{"78900001", 1}, {"78900002", 2}};
    EXPECT_EQ(Stored(), expected);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("recusou 1 registro(s)")) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("SCA_CODIGOBARRAS: 1")) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("[78900001]")) << boxes[0].text.toStdString();

    // A second press offers the same bar codes again: each is refused, counted, nothing changes.
    Loja().Exec("DELETE FROM LJ_BARRA"); // the source set read by the first press is walked again
    boxes.clear();
    Press();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("SCA_CODIGOBARRAS: 3")) << boxes[0].text.toStdString();
    EXPECT_TRUE(Errors().empty());
    CloseForm();
    EXPECT_EQ(Stored(), expected);
}
