// The group, subgroup, unit and brand look-ups of the product step on real databases: what is
// found, what is created and with which values, and how a failing look-up fails its product only.
#include "TestSupport.h"

#include <QCheckBox>

namespace {
struct Classe {
    QString grupo = "1", subgrupo = "1", unidade = "UN", colecao = "1";
};

class ClassificacaoProduto : public MigrationTest {
protected:
    void Grupo(const QString& codigo, const QString& descricao) {
        Loja().Exec("INSERT INTO LJ_GRUPO VALUES (?, '01', ?)", {codigo, descricao});
    }
    void SubGrupo(const QString& codigo, const QString& descricao) {
        Loja().Exec("INSERT INTO LJ_SUBGR VALUES (?, '01', ?)", {codigo, descricao});
    }
    void Unidade(const QString& codigo, const TValue& descricao) {
        Loja().Exec("INSERT INTO LJ_UNID VALUES (?, '01', ?)", {codigo, descricao});
    }
    void Colecao(const QString& codigo, const QString& descricao) {
        Loja().Exec("INSERT INTO LJ_COLEC VALUES (?, '01', ?)", {codigo, descricao});
    }
    // The default classification of group, subgroup, unit and collection "1" / "UN".
    void Padrao() {
        Grupo("1", "GERAL");
        SubGrupo("1", "DIVERSOS");
        Unidade("UN", QString("UNIDADE"));
        Colecao("1", "BASICA");
    }
    void Produto(const QString& codigo, const Classe& c, const QString& descricao = {}) {
        Loja().Exec("INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
                    "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO) "
                    "VALUES (?, '01', '0', ?, ?, ?, ?, ?)",
                    {codigo, c.grupo, c.subgrupo, c.colecao, c.unidade,
                     descricao.isEmpty() ? "PRODUTO " + codigo : descricao});
    }
    void RunProducts() {
        OnlySteps({Form().chk_Produtos});
        Run();
    }
    // Group, subgroup, brand and unit keys the product's item rows point to.
    std::vector<int64_t> Keys(const QString& referencia) {
        auto rows = Kelmor().Rows(
            "SELECT ITE_CODIGO_GRUPO, ITE_CODIGO_SUBGRUPO, ITE_CODIGO_MARCA, IEM_CODIGO_UNIDADE "
            "FROM SCA_ITEM JOIN SCA_ITEMEMPRESA ON IEM_CODIGO_ITEM = ITE_PK_ITEM "
            "WHERE ITE_REFERENCIA = ?",
            {referencia});
        if (rows.empty()) return {};
        return {Int(rows[0][0]), Int(rows[0][1]), Int(rows[0][2]), Int(rows[0][3])};
    }
    QString Text(const QString& sql, const std::vector<TValue>& params = {}) {
        return Str(Kelmor().Scalar(sql, params));
    }
    std::vector<QString> Messages() const {
        std::vector<QString> out;
        for (const ShownBox& b : boxes)
            if (b.icon == TMsgIcon::None) out.push_back(b.text);
        return out;
    }
};
} // namespace

TEST_F(ClassificacaoProduto, GroupsAndSubgroupsAreFoundByTheirNumber) {
    const TDateTime base = Day(2021, 3, 4);
    Loja().Exec(
        "INSERT INTO LJ_VENDA (VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
        "VEN_HORA_EMISSAO, VEN_NAT_OP, VEN_FORMA_PG_ENTRADA) VALUES ('000001', '01', '00001', ?, ?, 1, 1)",
        {base, base});
    Padrao();
    Grupo("01", " ROUPAS ");
    Grupo("2", "CALCADOS");
    Grupo("007", "NOVO NOME");
    SubGrupo("05", "BASICO");
    SubGrupo("5", "LISO");
    Kelmor().Exec("INSERT INTO SCA_GRUPOPRODUTOS (GPR_PK_GRUPOPRODUTO, GPR_CODIGO, GPR_DESCRICAO) "
                  "VALUES (50, 7, '7-ANTIGO')");
    Produto("P1", {.grupo = "01", .subgrupo = "05"});
    Produto("P2", {.grupo = "1", .subgrupo = "5"});   // the group of P1, as a number
    Produto("P3", {.grupo = "2", .subgrupo = "5"});   // another group, the same subgroup
    Produto("P4", {.grupo = "007", .subgrupo = "5"}); // an existing group
    RunProducts();
    EXPECT_TRUE(boxes.empty());

    // Committed at once: seen before the window closes.
    EXPECT_EQ(Kelmor().Count("SCA_GRUPOPRODUTOS"), 3);
    EXPECT_EQ(Kelmor().Count("SCA_SUBGRUPO"), 1);
    EXPECT_EQ(Keys("P1"), (std::vector<int64_t>{1, 1, 1, 1}));
    EXPECT_EQ(Keys("P2"), (std::vector<int64_t>{1, 1, 1, 1}));
    EXPECT_EQ(Keys("P3"), (std::vector<int64_t>{2, 1, 1, 1}));
    EXPECT_EQ(Keys("P4"), (std::vector<int64_t>{50, 1, 1, 1}));

    // The new group keeps its code as written and the legacy description as read.
    auto grupo =
        Kelmor().Rows("SELECT GPR_CODIGO, GPR_DESCRICAO, GPR_CLASSIFICA_LISTA, GPR_TIPO, GPR_CLASSIFICACAO, "
                      "GPR_CODIGO_USUARIO_INC, GPR_DT_INCLUSAO, GPR_HR_INCLUSAO, "
                      "GPR_EXIBE_SINTEGRA_INVENTARIO, GPR_LOCACAO, GPR_OBSERVACAO, GPR_TIPO_ITEM_GRUPO "
                      "FROM SCA_GRUPOPRODUTOS WHERE GPR_PK_GRUPOPRODUTO = 1")[0];
    EXPECT_EQ(Int(grupo[0]), 1);
    EXPECT_EQ(Str(grupo[1]), "01- ROUPAS ");
    EXPECT_EQ(Int(grupo[2]), 0);
    EXPECT_EQ(Str(grupo[3]), "RE");
    EXPECT_EQ(Str(grupo[4]), "O");
    EXPECT_EQ(Int(grupo[5]), 0);
    EXPECT_EQ(Num(grupo[6]), base.value);
    EXPECT_LT(Num(grupo[7]), 1.0); // a time of day
    EXPECT_EQ(Str(grupo[8]), "S");
    EXPECT_EQ(Str(grupo[9]), "N");
    EXPECT_TRUE(IsNull(grupo[10]));
    EXPECT_TRUE(IsNull(grupo[11]));
    EXPECT_EQ(Text("SELECT GPR_DESCRICAO FROM SCA_GRUPOPRODUTOS WHERE GPR_PK_GRUPOPRODUTO = 2"),
              "2-CALCADOS");
    EXPECT_EQ(Text("SELECT GPR_DESCRICAO FROM SCA_GRUPOPRODUTOS WHERE GPR_PK_GRUPOPRODUTO = 50"), "7-ANTIGO");

    // One subgroup for every group, named by the product that created it.
    auto sub = Kelmor().Rows("SELECT SGR_PK_SUBGRUPO, SGR_CODIGO, SGR_DESCRICAO, SGR_CODIGO_USUARIO_INC, "
                             "SGR_DT_INCLUSAO, SGR_HR_INCLUSAO, SGR_CODIGO_USUARIO_ALT FROM SCA_SUBGRUPO")[0];
    EXPECT_EQ(Int(sub[0]), 1);
    EXPECT_EQ(Int(sub[1]), 5);
    EXPECT_EQ(Str(sub[2]), "05-BASICO");
    EXPECT_EQ(Int(sub[3]), 0);
    EXPECT_EQ(Num(sub[4]), base.value);
    EXPECT_LT(Num(sub[5]), 1.0);
    EXPECT_TRUE(IsNull(sub[6]));
}

TEST_F(ClassificacaoProduto, UnitsAndBrandsMatchWithoutRegardToCase) {
    Padrao();
    Unidade("  ", QString("UNIDADE"));
    Unidade("pc", QString("PECA"));
    Unidade("KG", TValue{});
    Colecao("2", "praia");
    Colecao("3", "Linha Verao");
    Colecao("4", " Nova Colecao ");
    Colecao("5", "COLECAO PRIMAVERA VERAO DOIS MIL E VINTE"); // 40 characters
    Kelmor().Exec("INSERT INTO SCA_UNIDADE (UNI_PK_UNIDADE, UNI_CODIGO, UNI_DESCRICAO) VALUES (9, 'PC', "
                  "'PECA ANTIGA')");
    Kelmor().Exec("INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO) VALUES (7, 'Praia')");
    Kelmor().Exec("INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO) VALUES (3, 'PRAIA')");
    Kelmor().Exec("INSERT INTO SCA_MARCA (MAR_PK_MARCA, MAR_DESCRICAO) VALUES (5, 'LINHA VERAO')");
    Produto("U1", {.unidade = "  ", .colecao = "2"});
    Produto("U2", {.unidade = "pc", .colecao = "3"});
    Produto("U3", {.unidade = "KG", .colecao = "4"});
    Produto("U4", {.unidade = "KG", .colecao = "5"});
    Produto("U5", {.unidade = "UN", .colecao = "5"});
    RunProducts();
    EXPECT_TRUE(boxes.empty());
    CloseForm();

    // Blank units are "UN", found again by the product whose unit is written "UN".
    EXPECT_EQ(Keys("U1")[3], 1);
    EXPECT_EQ(Keys("U5")[3], 1);
    EXPECT_EQ(Keys("U2")[3], 9);
    EXPECT_EQ(Keys("U3")[3], 2);
    EXPECT_EQ(Keys("U4")[3], 2);
    EXPECT_EQ(Kelmor().Count("SCA_UNIDADE"), 3);
    auto un = Kelmor().Rows(
        "SELECT UNI_CODIGO, UNI_DESCRICAO, UNI_FRACIONARIA, UNI_CODIGO_USUARIO_INC, "
        "UNI_DT_INCLUSAO, UNI_SOLICITA_MEDIDA_ITEM FROM SCA_UNIDADE WHERE UNI_PK_UNIDADE = 1")[0];
    EXPECT_EQ(Str(un[0]), "UN");
    EXPECT_EQ(Str(un[1]), "UN-UNIDADE");
    EXPECT_EQ(Str(un[2]), "N");
    EXPECT_EQ(Int(un[3]), 0);
    EXPECT_EQ(Num(un[4]), Date().value); // no sales: the base date is today
    EXPECT_TRUE(IsNull(un[5]));
    EXPECT_EQ(Text("SELECT UNI_DESCRICAO FROM SCA_UNIDADE WHERE UNI_PK_UNIDADE = 2"), "KG-");
    EXPECT_EQ(Text("SELECT UNI_DESCRICAO FROM SCA_UNIDADE WHERE UNI_PK_UNIDADE = 9"), "PECA ANTIGA");

    // Of two brands that differ in case only, the first in key order serves.
    EXPECT_EQ(Keys("U1")[2], 3);
    EXPECT_EQ(Keys("U2")[2], 5);
    // A new brand keeps the collection text as read; a long one is cut and serves every product.
    EXPECT_EQ(Keys("U3")[2], 1);
    EXPECT_EQ(Keys("U4")[2], 2);
    EXPECT_EQ(Keys("U5")[2], 2);
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 5);
    EXPECT_EQ(Text("SELECT MAR_DESCRICAO FROM SCA_MARCA WHERE MAR_PK_MARCA = 1"), " Nova Colecao ");
    EXPECT_EQ(Text("SELECT MAR_DESCRICAO FROM SCA_MARCA WHERE MAR_PK_MARCA = 2"),
              "COLECAO PRIMAVERA VERAO DOIS M");
    auto marca = Kelmor().Rows(
        "SELECT MAR_CODIGO_USUARIO_INC, MAR_DT_INCLUSAO, MAR_HR_INCLUSAO, MAR_CODIGO_USUARIO_ALT "
        "FROM SCA_MARCA WHERE MAR_PK_MARCA = 1")[0];
    EXPECT_EQ(Int(marca[0]), 0);
    EXPECT_EQ(Num(marca[1]), Date().value);
    EXPECT_LT(Num(marca[2]), 1.0);
    EXPECT_TRUE(IsNull(marca[3]));
}

// Texts that differ only by blanks at their end are equal, as the destination compares them: in a
// fixed-width column ('UN' stored as 'UN ') and in a variable-width one ("BASICA " finds 'BASICA').
TEST_F(ClassificacaoProduto, TextsThatDifferOnlyByTrailingBlanksFindOneRow) {
    Redeclare("SCA_UNIDADE", "UNI_CODIGO", "CHAR(3)");
    Padrao();
    Colecao("2", "BASICA ");
    Colecao("3", "basica  ");
    Kelmor().Exec(
        "INSERT INTO SCA_UNIDADE (UNI_PK_UNIDADE, UNI_CODIGO, UNI_DESCRICAO) VALUES (4, 'UN', 'UNIDADE')");
    Produto("C1", {});
    Produto("C2", {.unidade = "KG", .colecao = "2"});
    Produto("C3", {.unidade = "KG", .colecao = "3"});
    Unidade("KG", QString("QUILO"));
    RunProducts();
    for (const ShownBox& b : boxes)
        ADD_FAILURE() << b.text.toStdString();
    CloseForm();
    ASSERT_EQ(Keys("C1").size(), 4u);
    ASSERT_EQ(Keys("C2").size(), 4u);
    ASSERT_EQ(Keys("C3").size(), 4u);
    EXPECT_EQ(Keys("C1")[3], 4);
    EXPECT_EQ(Keys("C2")[3], Keys("C3")[3]); // a unit the run created is found again as well
    EXPECT_EQ(Kelmor().Count("SCA_UNIDADE"), 2);
    // One brand, stored as the first product gave it, serves all three collections.
    EXPECT_EQ(Kelmor().Lines("SELECT MAR_PK_MARCA, MAR_DESCRICAO FROM SCA_MARCA"), QStringList{"1|BASICA"});
    EXPECT_EQ(Keys("C2")[2], 1);
    EXPECT_EQ(Keys("C3")[2], 1);
}

TEST_F(ClassificacaoProduto, AFailingLookupFailsOnlyItsProduct) {
    Padrao();
    Grupo("A1", "LETRAS");
    Grupo("3", "TERCEIRO");
    SubGrupo("X", "LETRA");
    Unidade("CX", QString("CAIXA"));
    Unidade("cx", QString("CAIXA"));
    Colecao("6", "");
    Colecao("7", "NOVA");
    // The group key the generator gives first is taken already.
    Kelmor().Exec("INSERT INTO SCA_GRUPOPRODUTOS (GPR_PK_GRUPOPRODUTO, GPR_CODIGO, GPR_DESCRICAO) "
                  "VALUES (1, 99, '99-OUTRO')");
    // Unit keys are 16-bit: the next one does not fit.
    Kelmor().Exec("SET GENERATOR GEN_UNI_PK_UNIDADE TO 32767");
    Kelmor().Exec(
        "INSERT INTO SCA_UNIDADE (UNI_PK_UNIDADE, UNI_CODIGO, UNI_DESCRICAO) VALUES (1, 'UN', 'UNIDADE')");
    Produto("F1 ", {.grupo = "A1"}, "  NAO NUMERICO ");
    Produto("F2", {.grupo = "3"}); // its new group is refused
    Produto("F3", {.grupo = "3", .subgrupo = "X"});
    Produto("F4", {.grupo = "3"});
    Produto("F5", {.unidade = "CX"});
    Produto("F6", {.unidade = "cx"});
    Produto("F7", {.colecao = "6"}); // an empty brand text
    Produto("F8", {.colecao = "7"});
    Produto("F9", {});
    RunProducts();
    EXPECT_EQ(Messages(),
              std::vector<QString>(
                  {"Falha ao incluir produto F1-NAO NUMERICO\n'A1' is not a valid integer value",
                   "Falha ao incluir produto F2-PRODUTO F2\nviolation of PRIMARY or UNIQUE KEY constraint "
                   "\"PK_SCA_GRUPOPRODUTOS\" on table \"SCA_GRUPOPRODUTOS\"\n"
                   "Problematic key value is (\"GPR_PK_GRUPOPRODUTO\" = 1)",
                   "Falha ao incluir produto F3-PRODUTO F3\n'X' is not a valid integer value",
                   "Falha ao incluir produto F5-PRODUTO F5\n32768 is not a valid value for field "
                   "'UNI_PK_UNIDADE'. The allowed range is -32768 to 32767",
                   "Falha ao incluir produto F6-PRODUTO F6\n32769 is not a valid value for field "
                   "'UNI_PK_UNIDADE'. The allowed range is -32768 to 32767",
                   "Falha ao incluir produto F7-PRODUTO F7\nField 'MAR_DESCRICAO' must have a value"}));
    EXPECT_TRUE(Errors().empty());
    CloseForm();

    // The refused group row was dropped: the next product drew a new key and stored it. The
    // group of the product whose subgroup failed stays.
    EXPECT_EQ(Text("SELECT GPR_DESCRICAO FROM SCA_GRUPOPRODUTOS WHERE GPR_PK_GRUPOPRODUTO = 1"), "99-OUTRO");
    EXPECT_EQ(Text("SELECT GPR_DESCRICAO FROM SCA_GRUPOPRODUTOS WHERE GPR_PK_GRUPOPRODUTO = 2"),
              "3-TERCEIRO");
    EXPECT_EQ(Kelmor().Count("SCA_GRUPOPRODUTOS"), 3); // 99, 3 and 1
    EXPECT_EQ(Keys("F4")[0], 2);
    EXPECT_EQ(Kelmor().Count("SCA_SUBGRUPO"), 1);
    EXPECT_EQ(Kelmor().Count("SCA_UNIDADE"), 1);
    // The half-begun brand of the empty text is not posted by the next product; its key is used.
    EXPECT_EQ(Kelmor().Count("SCA_MARCA"), 2);
    EXPECT_EQ(Keys("F8")[2], 3);
    EXPECT_EQ(Text("SELECT MAR_DESCRICAO FROM SCA_MARCA WHERE MAR_PK_MARCA = 3"), "NOVA");
    EXPECT_EQ(Kelmor().Count("SCA_ITEM"), 3); // F4, F8, F9
    EXPECT_EQ(Kelmor().Count("SCA_ITEM", "ITE_REFERENCIA IN ('F4', 'F8', 'F9')"), 3);
}
