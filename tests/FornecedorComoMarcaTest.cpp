// The suppliers-as-brands command on real databases: brand names, find or create, the product's
// brand, repeated presses, refused updates and what an error leaves behind.
#include "TestSupport.h"

#include <QLabel>

namespace {
const QString kSucesso = "processamento realizado com sucesso";

// Records, with each box, the cursor and whether the job still held the window.
class WatchingBoxes : public TMessageBoxes {
public:
    WatchingBoxes(std::vector<ShownBox>& log, TApplication& app, Tfrm_Importacao& form)
        : log_(log), app_(app), form_(form) {}
    void Show(const QString& text, TMsgIcon icon) override {
        log_.push_back(Shown(text, icon));
        cursors.push_back(app_.Cursor());
        buttonsEnabled.push_back(form_.Button1->isEnabled() || form_.btn_Fornecedor_Como_Marca->isEnabled() ||
                                 form_.btn_CodigoBarra->isEnabled());
        closed.push_back(form_.close());
    }
    std::vector<TCursor> cursors;
    std::vector<bool> buttonsEnabled, closed;

private:
    std::vector<ShownBox>& log_;
    TApplication& app_;
    Tfrm_Importacao& form_;
};

class FornecedorComoMarca : public MigrationTest {
protected:
    void Product(int key, const QString& description) {
        Kelmor().Exec(
            "INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_EMPRESA_MASTER, ITE_CODIGO_GRUPO, ITE_DESCRICAO, "
            "ITE_CODIGO_CLASSIFICACAO_FISCAL, ITE_DT_INCLUSAO, ITE_HR_INCLUSAO, "
            "ITE_SOLICITAR_NRSERIE_NFENTRADA, ITE_CODIGO_USUARIO_INC, ITE_CODIGO_ALTERNATIVO) "
            "VALUES (?, 1, 1, ?, 1, '2020-01-01', '1899-12-30 10:00:00', 'N', 0, ?)",
            {int64_t(key), description, QString::number(key).rightJustified(10, '0')});
    }
    void Supplier(int code, const TValue& name) {
        Kelmor().Exec("INSERT INTO SCA_FORNECEDOR (FOR_CODIGO, FOR_NOME) VALUES (?, ?)",
                      {int64_t(code), name});
    }
    void Link(int product, int supplier) {
        Kelmor().Exec(
            "INSERT INTO SCA_ITEMFORNECEDOR (IFO_PK_ITEMFORNECEDOR, IFO_CODIGO_ITEM, IFO_CODIGO_FORNECEDOR) "
            "VALUES (?, ?, ?)",
            {int64_t(++links_), int64_t(product), int64_t(supplier)});
    }
    void Brand(int key, const QString& name) {
        Kelmor().Exec(
            "INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO, MAR_CODIGO_USUARIO_INC, MAR_DT_INCLUSAO, "
            "MAR_HR_INCLUSAO) VALUES (?, ?, 0, '2019-05-05', '1899-12-30 08:00:00')",
            {int64_t(key), name});
    }
    // The brand name a product ended with (empty when it has none).
    QString BrandOf(int product) {
        return Str(Kelmor().Scalar("SELECT MAR_DESCRICAO FROM SCA_ITEM JOIN SCA_MARCA ON ITE_CODIGO_MARCA = "
                                   "MAR_PK_MARCA WHERE ITE_PK_ITEM = ?",
                                   {int64_t(product)}));
    }
    int64_t BrandCount(const QString& name) {
        return Int(Kelmor().Scalar("SELECT COUNT(*) FROM SCA_MARCA WHERE MAR_DESCRICAO = ?", {name}));
    }
    void Press() { MigrationTest::Press(Form().btn_Fornecedor_Como_Marca); }
    std::vector<QString> Texts() const {
        std::vector<QString> out;
        for (const ShownBox& b : boxes)
            out.push_back(b.text);
        return out;
    }

    int links_ = 0;
};
} // namespace

TEST_F(FornecedorComoMarca, WithoutLinksNothingChangesAndNothingIsShown) {
    Product(1, "CAMISA");
    Supplier(10, "MALHARIA");
    Link(1, 99); // its supplier is missing: not part of the join
    Press();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 0);
    EXPECT_EQ(Kelmor().Count("SCA_ITEM", "ITE_CODIGO_MARCA IS NOT NULL"), 0);
    EXPECT_EQ(app_->Cursor(), TCursor::crDefault);
    EXPECT_TRUE(Form().btn_Fornecedor_Como_Marca->isEnabled());
    EXPECT_TRUE(Form().Button1->isEnabled());
}

TEST_F(FornecedorComoMarca, BrandNamesAreTrimmedCutAndCapitalisedAndFoundIgnoringCase) {
    Brand(7, "Tecidos Sul");
    Product(1, "CAMISA POLO");
    Product(2, "MEIA");
    Product(3, "CALCA");
    Product(4, "BLUSA");
    Product(5, "SAIA");
    Product(6, "BONE");
    Supplier(10, "  casa das meias ltda  ");
    Supplier(11, "tecidos SUL");
    Supplier(12, "confecções são josé");
    Supplier(13, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234 resto do nome");
    Supplier(14, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234 OUTRO FINAL");
    Supplier(15, "MALHARIA DO ALTO VALE ITAJAI  X"); // the cut ends in a blank
    Link(1, 10);
    Link(2, 11);
    Link(3, 12);
    Link(4, 13);
    Link(5, 14);
    Link(6, 15);

    Form();
    auto watching = std::make_unique<WatchingBoxes>(boxes, *app_, *form_);
    WatchingBoxes& watch = *watching;
    app_->SetMessageBoxes(std::move(watching));
    Press();

    // The one closing message, shown while the command still held the cursor and the window.
    ASSERT_EQ(Texts(), std::vector<QString>{kSucesso});
    EXPECT_EQ(boxes[0].icon, TMsgIcon::None);
    EXPECT_EQ(watch.cursors[0], TCursor::crHourGlass);
    EXPECT_FALSE(watch.buttonsEnabled[0]);
    EXPECT_FALSE(watch.closed[0]);
    EXPECT_EQ(app_->Cursor(), TCursor::crDefault);
    EXPECT_TRUE(Form().btn_Fornecedor_Como_Marca->isEnabled());
    EXPECT_EQ(Form().sbrStatusPanel0->text(), "Item BONE");

    // Committed by the command itself: seen before the window closes.
    EXPECT_EQ(BrandOf(1), "CASA DAS MEIAS LTDA");
    EXPECT_EQ(BrandOf(2), "Tecidos Sul"); // the stored brand, its text unchanged
    EXPECT_EQ(Int(Kelmor().Scalar("SELECT ITE_CODIGO_MARCA FROM SCA_ITEM WHERE ITE_PK_ITEM = 2")), 7);
    EXPECT_EQ(BrandOf(3), "CONFECçõES SãO JOSé");
    EXPECT_EQ(BrandOf(4), "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    EXPECT_EQ(BrandOf(5), "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"); // differs only after the 30th character
    EXPECT_EQ(BrandOf(6), "MALHARIA DO ALTO VALE ITAJAI");
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 5);
    EXPECT_EQ(BrandCount("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"), 1);

    // A new brand: a generator key, user 0, dated today, the time of day alone.
    auto rows =
        Kelmor().Rows("SELECT MAR_PK_MARCA, MAR_CODIGO_USUARIO_INC, MAR_DT_INCLUSAO, MAR_HR_INCLUSAO, "
                      "MAR_CODIGO_USUARIO_ALT, MAR_DT_ALTERACAO, MAR_HR_ALTERACAO FROM SCA_MARCA "
                      "WHERE MAR_DESCRICAO = 'CASA DAS MEIAS LTDA'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(Int(rows[0][0]), 1);
    EXPECT_EQ(Int(rows[0][1]), 0);
    EXPECT_EQ(Num(rows[0][2]), Date().value);
    EXPECT_GE(Num(rows[0][3]), 0.0);
    EXPECT_LT(Num(rows[0][3]), 1.0);
    EXPECT_TRUE(IsNull(rows[0][4]));
    EXPECT_TRUE(IsNull(rows[0][5]));
    EXPECT_TRUE(IsNull(rows[0][6]));
    // Only the brand column of a product changes.
    EXPECT_EQ(Str(Kelmor().Scalar("SELECT ITE_DESCRICAO FROM SCA_ITEM WHERE ITE_PK_ITEM = 1")),
              "CAMISA POLO");
}

TEST_F(FornecedorComoMarca, SeveralLinksMissingProductsAndASecondPress) {
    Product(1, "CAMISA");
    Product(2, "MEIA");
    Supplier(10, "ALFA");
    Supplier(11, "BETA");
    Supplier(12, "GAMA");
    Link(2, 10);
    Link(1, 11);
    Link(2, 11);
    Link(50, 12); // no such product: skipped, GAMA is not created
    Press();
    EXPECT_EQ(Texts(), std::vector<QString>{kSucesso});
    // The product keeps the brand of its last link row, in the order the join returns them.
    auto joined =
        Kelmor().Rows("SELECT IFO_CODIGO_ITEM, IFO_CODIGO_FORNECEDOR, FOR_NOME FROM SCA_ITEMFORNECEDOR "
                      "INNER JOIN SCA_FORNECEDOR ON IFO_CODIGO_FORNECEDOR = FOR_CODIGO ORDER BY "
                      "IFO_CODIGO_ITEM");
    QString lastOfTwo;
    for (const TRow& r : joined)
        if (Int(r[0]) == 2) lastOfTwo = Str(r[2]);
    EXPECT_EQ(BrandOf(2), lastOfTwo);
    EXPECT_EQ(BrandOf(1), "BETA");
    EXPECT_EQ(BrandCount("ALFA"), 1);
    EXPECT_EQ(BrandCount("BETA"), 1);
    EXPECT_EQ(BrandCount("GAMA"), 0);
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 2);

    // Again: no second brand, the single-link product keeps its brand.
    boxes.clear();
    Press();
    EXPECT_EQ(Texts(), std::vector<QString>{kSucesso});
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 2);
    EXPECT_EQ(BrandOf(1), "BETA");
    EXPECT_EQ(BrandOf(2), lastOfTwo);
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 2);
}

TEST_F(FornecedorComoMarca, LinksOnlyToMissingProductsStillEndWithTheMessage) {
    Supplier(10, "ALFA");
    Link(7, 10);
    Press();
    EXPECT_EQ(Texts(), std::vector<QString>{kSucesso});
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 0);
}

TEST_F(FornecedorComoMarca, ARefusedProductUpdateIsCountedAndTheOthersGoOn) {
    Product(1, "CAMISA");
    Product(2, "MEIA");
    Product(3, "CALCA");
    Supplier(10, "ALFA");
    Supplier(11, "BETA");
    Link(1, 10);
    Link(2, 11);
    Link(3, 10);
    // The destination refuses to give any product the second brand.
    Kelmor().Exec("ALTER TABLE SCA_ITEM ADD CONSTRAINT CK_SEM_MARCA_2 CHECK (ITE_CODIGO_MARCA <> 2)");
    Press();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kSucesso);
    EXPECT_TRUE(boxes[1].text.contains("recusou 1 registro(s)")) << boxes[1].text.toStdString();
    EXPECT_TRUE(boxes[1].text.contains("SCA_ITEM: 1")) << boxes[1].text.toStdString();
    EXPECT_EQ(BrandOf(1), "ALFA");
    EXPECT_EQ(BrandOf(2), "");
    EXPECT_EQ(BrandOf(3), "ALFA");
    EXPECT_EQ(BrandCount("BETA"), 1); // the brand itself was created and committed
}

TEST_F(FornecedorComoMarca, AKeyOutOfRangeEndsTheCommandKeepingTheBrandsBefore) {
    Product(1, "CAMISA");
    Product(2, "MEIA");
    Supplier(10, "ALFA");
    Supplier(11, "BETA");
    Link(1, 10);
    Link(2, 11);
    Kelmor().Exec("SET GENERATOR GEN_MAR_PK_MARCA TO 32766");
    Press();
    // ALFA takes 32767, the last key a brand can hold; BETA's key does not fit.
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(boxes.size(), 1u); // no success message
    EXPECT_EQ(app_->Cursor(), TCursor::crDefault);
    EXPECT_TRUE(Form().btn_Fornecedor_Como_Marca->isEnabled());
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 1);
    EXPECT_EQ(Int(Kelmor().Scalar("SELECT MAR_PK_MARCA FROM SCA_MARCA WHERE MAR_DESCRICAO = 'ALFA'")), 32767);
    CloseForm();
    EXPECT_EQ(BrandOf(1), "ALFA");
    EXPECT_EQ(BrandOf(2), "");
}
