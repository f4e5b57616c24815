// The postal address registry on real databases: normalisation, identities, reuse of existing
// rows, commit points and the messages of its failures.
#include "TestSupport.h"

#include <QDate>

namespace {
// Counts the commits the form makes on the destination.
class Commits : public TStatementObserver {
public:
    void Executed(const QString&, std::span<const TValue>) override {}
    void Committed(bool) override { ++count; }
    int count = 0;
};

class RegistrarEndereco : public MigrationTest {
protected:
    int Registrar(const QString& rua, const QString& bairro, const QString& cidade, const QString& uf,
                  const QString& cep) {
        return Form().RegistrarEndereco(rua, bairro, cidade, uf, cep);
    }
    // Street, neighbourhood name, city name, state and postal code of a stored postal address.
    QStringList Endereco(int key) {
        auto rows =
            Kelmor().Rows("SELECT ECO_ENDERECO, BAI_NOME, CID_NOME, ECO_CODIGO_UF, ECO_CEP "
                          "FROM SCA_ENDERECOCORREIO JOIN SCA_BAIRRO ON BAI_PK_BAIRRO = ECO_CODIGO_BAIRRO "
                          "JOIN SCA_CIDADE ON CID_PK_CIDADE = ECO_CODIGO_CIDADE "
                          "WHERE ECO_PK_ENDERECOCORREIO = ?",
                          {int64_t(key)});
        if (rows.empty()) return {};
        QStringList out;
        for (const TValue& v : rows[0])
            out << Str(v);
        return out;
    }
};
} // namespace

TEST_F(RegistrarEndereco, BlankPartsAreFilledAndNewRowsCarryTheirFixedColumns) {
    int key = Registrar("", "  ", "", " ", "");
    EXPECT_EQ(key, 1); // drawn from its generator
    EXPECT_EQ(Endereco(key), (QStringList{".", ".", ".", "MG", "00000000"}));
    // Each new row: its fixed columns, user 0, today's date and a time of day without a date.
    const QString hoje = QDate::currentDate().toString("yyyy-MM-dd") + " 00:00:00.0000";
    const QString stamp =
        "||'|'||CAST(%1_DT_INCLUSAO AS VARCHAR(24))||'|'||CAST(CAST(%1_HR_INCLUSAO AS DATE) AS "
        "VARCHAR(10))||'|'||%1_CODIGO_USUARIO_INC FROM ";
    auto linha = [&](const QString& columns, const QString& prefix, const QString& table) {
        return Str(Kelmor().Scalar("SELECT " + columns + stamp.arg(prefix) + table));
    };
    const QString fim = "|" + hoje + "|1899-12-30|0";
    EXPECT_EQ(linha("BAI_PK_BAIRRO||'|'||BAI_CODIGO_TIPO_BAIRRO", "BAI", "SCA_BAIRRO"), "1|1" + fim);
    EXPECT_EQ(linha("CID_PK_CIDADE", "CID", "SCA_CIDADE"), "1" + fim);
    EXPECT_EQ(linha("UFE_DESCRICAO||'|'||UFE_CODIGO_ALIQUOTAICMS_INTERNA", "UFE", "SCA_UNIDADEFEDERATIVA"),
              "MG|3" + fim);
    EXPECT_EQ(
        linha(
            "ECO_CODIGO_BAIRRO||'|'||ECO_CODIGO_CIDADE||'|'||ECO_CODIGO_PAIS||'|'||ECO_CODIGO_TIPO_ENDERECO",
            "ECO", "SCA_ENDERECOCORREIO"),
        "1|1|1|1" + fim);
}

TEST_F(RegistrarEndereco, TextsAreNormalisedBeforeTheyAreSearched) {
    EXPECT_EQ(Endereco(Registrar("rua a", "centro", "são joão", "MG", "30.140-071")),
              (QStringList{"RUA A", "CENTRO", "SãO JOãO", "MG", "30140071"}));
    // Apostrophes become blanks after the trim, so they leave blanks at the ends.
    EXPECT_EQ(Endereco(Registrar("RUA D'ÁVILA", "'X'", "BH", "MG", "3014007")),
              (QStringList{"RUA D ÁVILA", " X ", "BH", "MG", "00000000"}));
    EXPECT_EQ(Endereco(Registrar("RUA B", "CENTRO", "BH", "MG", "123456789"))[4], "12345678");
    EXPECT_EQ(Endereco(Registrar("RUA B", "CENTRO", "BH", "MG", "CEP"))[4], "00000000");
    EXPECT_EQ(Endereco(Registrar("'", "CENTRO", "BH", "MG", ""))[0], ".");
}

TEST_F(RegistrarEndereco, RowsAreReusedByTheirOwnIdentities) {
    Kelmor().Exec("INSERT INTO SCA_UNIDADEFEDERATIVA (UFE_CODIGO, UFE_DESCRICAO) VALUES ('MG', 'MINAS')");
    Kelmor().Exec("INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (50, 'Centro')");
    // One neighbourhood across cities, one city across states; a lower-case state finds MG.
    int a = Registrar("RUA A", "CENTRO", "BH", "mg", "30140071");
    int b = Registrar("RUA A", "centro", "CONTAGEM", "MG", "30140071");
    int c = Registrar("RUA A", "CENTRO", "bh", "SP", "30140071"); // another state: the same address
    int d = Registrar("RUA A", "CENTRO", "BH", "MG", "30140072"); // another postal code: a new one
    int e = Registrar("RUA A", "CENTRO", "BH", "sp", "30140071");
    EXPECT_NE(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(a, e);
    EXPECT_NE(a, d);
    EXPECT_EQ(Endereco(a), (QStringList{"RUA A", "Centro", "BH", "MG", "30140071"}));
    EXPECT_EQ(Kelmor().Count("SCA_BAIRRO"), 1);
    EXPECT_EQ(Kelmor().Count("SCA_CIDADE"), 2);
    EXPECT_EQ(Kelmor().Count("SCA_ENDERECOCORREIO"), 3);
    // A state that does not exist is stored as it was given.
    EXPECT_EQ(Str(Kelmor().Scalar("SELECT UFE_CODIGO FROM SCA_UNIDADEFEDERATIVA WHERE UFE_CODIGO <> 'MG'")),
              "SP");
    Registrar("RUA Z", "CENTRO", "BH", "rj", "30140071");
    EXPECT_EQ(Kelmor().Count("SCA_UNIDADEFEDERATIVA", "UFE_CODIGO = 'rj'"), 1);
}

TEST_F(RegistrarEndereco, AStateOfAFixedWidthColumnIsFoundWithoutItsPad) {
    // CHAR(2) stores 'S' as 'S ': found by "S", not inserted again against the primary key.
    Redeclare("SCA_UNIDADEFEDERATIVA", "UFE_CODIGO", "CHAR(2)");
    Kelmor().Exec("INSERT INTO SCA_UNIDADEFEDERATIVA (UFE_CODIGO, UFE_DESCRICAO) VALUES ('S', 'S')");
    const int primeiro = Registrar("RUA A", "CENTRO", "CIDADE", "s", "30000000");
    EXPECT_EQ(Registrar("RUA A", "CENTRO", "CIDADE", "S", "30000000"), primeiro);
    Registrar("RUA B", "CENTRO", "CIDADE", "X", "30000000"); // a state the registry creates
    Registrar("RUA C", "CENTRO", "CIDADE", "x", "30000000"); // is found again
    EXPECT_EQ(Kelmor().Count("SCA_UNIDADEFEDERATIVA"), 2);
}

TEST_F(RegistrarEndereco, CommitsOncePerNewRowAndNotAtAllWhenEverythingIsFound) {
    Commits commits;
    Form().DB_DESTINO.SetObserver(&commits);
    int first = Registrar("RUA A", "CENTRO", "BH", "MG", "30140071");
    EXPECT_EQ(commits.count, 4);
    EXPECT_EQ(Registrar("RUA A", "CENTRO", "BH", "MG", "30140071"), first);
    EXPECT_EQ(commits.count, 4);
    Registrar("RUA B", "CENTRO", "BH", "MG", "30140071"); // only the postal address is new
    EXPECT_EQ(commits.count, 5);
    EXPECT_EQ(Kelmor().Count("SCA_ENDERECOCORREIO"), 2);
    Form().DB_DESTINO.SetObserver(nullptr);
}

TEST_F(RegistrarEndereco, AFailedInsertIsDroppedAndReportedBehindItsTablesPrefix) {
    // Rows the form's tables did not read at open, under the keys the generators give next.
    Registrar("RUA A", "CENTRO", "BH", "MG", "30140071");
    Kelmor().Exec("INSERT INTO SCA_BAIRRO (BAI_PK_BAIRRO, BAI_NOME) VALUES (2, 'OUTRO')");
    Kelmor().Exec("INSERT INTO SCA_CIDADE (CID_PK_CIDADE, CID_NOME) VALUES (2, 'OUTRA')");
    Kelmor().Exec("INSERT INTO SCA_UNIDADEFEDERATIVA (UFE_CODIGO, UFE_DESCRICAO) VALUES ('SP', 'SP')");
    Kelmor().Exec("INSERT INTO SCA_ENDERECOCORREIO (ECO_PK_ENDERECOCORREIO, ECO_ENDERECO) VALUES (2, 'X')");
    auto failure = [&](const QString& bairro, const QString& cidade, const QString& uf, const QString& rua) {
        try {
            Registrar(rua, bairro, cidade, uf, "");
        } catch (const Exception& e) {
            return e.Message();
        }
        return QString("no failure");
    };
    EXPECT_TRUE(
        failure("NOVO", "BH", "MG", "RUA A").startsWith("Falha ao Registrar Bairro - violation of PRIMARY"));
    EXPECT_TRUE(failure("NOVO", "NOVA", "MG", "RUA A")
                    .startsWith("Falha ao Registrar Cidade - violation of PRIMARY"));
    EXPECT_TRUE(
        failure("NOVO", "NOVA", "SP", "RUA A").startsWith("Falha ao Registrar UF no Endereço - violation"));
    EXPECT_TRUE(failure("NOVO", "NOVA", "MG", "RUA B").startsWith("Falha ao Registrar Endereço. violation"));
    // Each refused row was dropped; the next key goes through.
    int key = Registrar("RUA B", "NOVO", "NOVA", "MG", "");
    EXPECT_EQ(Endereco(key), (QStringList{"RUA B", "NOVO", "NOVA", "MG", "00000000"}));
    EXPECT_EQ(key, 3);
}
