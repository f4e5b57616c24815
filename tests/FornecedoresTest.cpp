// The supplier step on real databases: the supplier row, its address links and contacts, refused
// codes and the reopen of its set.
#include "TestSupport.h"

#include <QCheckBox>
#include <QDate>
#include <map>

namespace {
class Fornecedores : public MigrationTest {
protected:
    // A legacy supplier: the columns the legacy table requires get plain values unless given.
    void Fornecedor(const QString& code, const QString& name, const std::map<QString, TValue>& more = {}) {
        std::map<QString, TValue> cols{{"FOR_CODIGO", code},
                                       {"FOR_DESCRICAO", name},
                                       {"FOR_ENDERECO", QString("RUA A, 10")},
                                       {"FOR_CIDADE", QString("BH")},
                                       {"FOR_BAIRRO", QString("CENTRO")},
                                       {"FOR_CEP", QString("30140071")},
                                       {"FOR_ESTADO", QString("MG")},
                                       {"FOR_INSCR_ESTADUAL", QString("")},
                                       {"FOR_DATA_INCLUSAO", Day(2012, 6, 1, 9, 15)}};
        for (const auto& [c, v] : more)
            cols[c] = v;
        Loja().Insert("LJ_FORNE", {cols.begin(), cols.end()});
    }
    QStringList Linhas(const QString& sql, const std::vector<TValue>& params = {}) {
        return Kelmor().Lines(sql, params);
    }
    void RunSuppliers() {
        OnlySteps({Form().chk_Fornecedores});
        Run();
    }
};
} // namespace

TEST_F(Fornecedores, CompaniesAndPersonsGetTheirColumns) {
    Fornecedor("0012", " ACME LTDA ",
               {{"FOR_CNPJ", QString("12.345.678/0001-90")},
                {"FOR_INSCR_ESTADUAL", QString("062.123.456")},
                {"FOR_DESCRICAO_ABREVIADA", QString("  ACME")},
                {"FOR_ESTADO", QString("mg")}});
    Fornecedor(" 13", "JOAO",
               {{"FOR_CNPJ", QString("123.456.789-01")},
                {"FOR_INSCR_ESTADUAL", QString(" MG-1.234 ")},
                {"FOR_DATA_INCLUSAO", Day(1899, 12, 30)}});
    Fornecedor("0014", "   ");
    RunSuppliers();
    EXPECT_TRUE(boxes.empty());
    CloseForm();
    EXPECT_EQ(
        Linhas(
            "SELECT FOR_CODIGO, FOR_NOME, FOR_NOME_FANTASIA, FOR_UF_INSCRICAO_ESTADUAL, FOR_CNPJ_CIC, "
            "FOR_TIPO, "
            "FOR_INSCRICAO_ESTADUAL, FOR_RG, FOR_ORGAO_EMISSAO_RG, FOR_ATIVO, "
            "CAST(FOR_DT_NASCIMENTO_FUNDACAO AS VARCHAR(24)), CAST(FOR_DT_INCLUSAO AS VARCHAR(24)), "
            "CAST(CAST(FOR_HR_INCLUSAO AS DATE) AS VARCHAR(10)), FOR_CODIGO_TIPO, FOR_CODIGO_TIPOTRIBUTARIO, "
            "FOR_UTILIZACAO_INTERNA || FOR_PAGTO_SUSPENSO || FOR_MICRO_EMPRESA || FOR_TRANSPORTADORA, "
            "FOR_CODIGO_USUARIO_INC, FOR_DT_ULTIMA_COMPRA FROM SCA_FORNECEDOR ORDER BY 1"),
        (QStringList{"12|ACME LTDA|ACME|mg|12345678000190|J|062123456|NULL|NULL|S|1899-12-30 00:00:00.0000|"
                     "2012-06-01 09:15:00.0000|1899-12-30|2|1|NNNN|0|NULL",
                     "13|JOAO||MG|12345678901|F|NULL|MG-1.234|SSPMG|S|1899-12-30 00:00:00.0000|" +
                         QDate::currentDate().toString("yyyy-MM-dd") +
                         " 00:00:00.0000|1899-12-30|2|1|NNNN|0|NULL"}));
}

TEST_F(Fornecedores, PlaceholderTaxNumbersAreClearedButStillCount) {
    const std::vector<std::tuple<TValue, const char*, const char*>> casos{
        {QString("000.000.000-00"), nullptr, "F"},
        {QString("00000000000000"), nullptr, "J"},
        {QString("11111111111111"), nullptr, "J"},
        {QString("000000000000"), "000000000000", "J"},
        {QString(""), "", "F"},
        {TValue{}, "", "F"}};
    int code = 0;
    for (const auto& [cnpj, gravado, tipo] : casos)
        Fornecedor(QString::number(++code), "F", {{"FOR_CNPJ", cnpj}});
    RunSuppliers();
    QStringList esperado;
    for (const auto& [cnpj, gravado, tipo] : casos)
        esperado << QString(gravado ? gravado : "NULL") + "|" + tipo;
    EXPECT_EQ(Linhas("SELECT FOR_CNPJ_CIC, FOR_TIPO FROM SCA_FORNECEDOR ORDER BY FOR_CODIGO"), esperado);
}

TEST_F(Fornecedores, EachSupplierGetsTwoLinksAndItsNonBlankContacts) {
    Fornecedor("1", "A", {{"FOR_FONE", QString("3333-4444")}, {"FOR_EMAIL", QString(" Vendas@Acme.com ")}});
    Fornecedor("2", "B",
               {{"FOR_FONE", QString("   ")},
                {"FOR_FAX", QString("5555")},
                {"FOR_CONTATO", QString("d'Ávila")},
                {"FOR_ENDERECO", QString("  ")}});
    RunSuppliers();
    CloseForm();
    // A supplier contact keeps its case; the e-mail is trimmed.
    EXPECT_EQ(
        Linhas("SELECT CFO_CODIGO_FORNECEDOR, CFO_CODIGO_TIPO_CONTATO, CFO_NOME FROM SCA_CONTATOFORNECEDOR "
               "ORDER BY CFO_PK_CONTATOFORNECEDOR"),
        (QStringList{"1|1|3333-4444", "1|3|Vendas@Acme.com", "2|2|5555", "2|7|d Ávila"}));
    EXPECT_EQ(Linhas("SELECT EFO_CODIGO_FORNECEDOR, EFO_CODIGO_TIPO, ECO_ENDERECO, EFO_NUMERO FROM "
                     "SCA_ENDERECOFORNECEDOR JOIN SCA_ENDERECOCORREIO ON ECO_PK_ENDERECOCORREIO = "
                     "EFO_CODIGO_END_CORREIO ORDER BY EFO_PK_ENDERECOFORNECEDOR"),
              (QStringList{"1|RES|RUA A|10", "1|COB|RUA A|10", "2|RES|.|S/N", "2|COB|.|S/N"}));
}

TEST_F(Fornecedores, ARefusedSupplierGetsNoLinksOrContactsAndACodeWithoutDigitsEndsTheRun) {
    Kelmor().Exec("INSERT INTO SCA_FORNECEDOR (FOR_CODIGO, FOR_NOME) VALUES (5, 'JA EXISTE')");
    Fornecedor("007", "PRIMEIRO", {{"FOR_FONE", QString("1")}});
    Fornecedor("5", "CINCO", {{"FOR_FONE", QString("2")}});
    Fornecedor("7", "SEGUNDO", {{"FOR_FONE", QString("3")}, {"FOR_ENDERECO", QString("RUA Z, 1")}});
    Fornecedor("8", "OITO", {{"FOR_FONE", QString("4")}});
    Fornecedor("X", "SEM DIGITOS");
    Fornecedor("Y1", "DEPOIS");
    RunSuppliers();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], "'X' is not a valid integer value.");
    EXPECT_EQ(Form().Recusas.Count("SCA_FORNECEDOR"), 2);
    EXPECT_EQ(Kelmor().Count("SCA_FORNECEDOR"), 3); // committed before the failure
    CloseForm();
    EXPECT_EQ(Linhas("SELECT FOR_CODIGO, FOR_NOME FROM SCA_FORNECEDOR ORDER BY 1"),
              (QStringList{"5|JA EXISTE", "7|PRIMEIRO", "8|OITO"}));
    EXPECT_EQ(Linhas("SELECT EFO_CODIGO_FORNECEDOR, COUNT(*) FROM SCA_ENDERECOFORNECEDOR GROUP BY 1"),
              (QStringList{"7|2", "8|2"}));
    EXPECT_EQ(Linhas("SELECT CFO_CODIGO_FORNECEDOR, CFO_NOME FROM SCA_CONTATOFORNECEDOR ORDER BY 1"),
              (QStringList{"7|1", "8|4"}));
    EXPECT_EQ(Kelmor().Count("SCA_ENDERECOCORREIO"), 1); // RUA Z was not registered
}

TEST_F(Fornecedores, The501stSupplierReopensTheSet) {
    for (int i = 1; i <= 502; ++i)
        Fornecedor(QString::number(i), "F");
    RunSuppliers();
    EXPECT_EQ(Form().CDS_FORNECEDOR.RecordCount(), 1);
    EXPECT_EQ(Kelmor().Count("SCA_FORNECEDOR"), 502);
    EXPECT_EQ(Kelmor().Count("SCA_ENDERECOFORNECEDOR"), 1004);
}
