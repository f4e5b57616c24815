// The employee step on real databases: names made unique, passwords, the fixed profile, and what
// a failing employee leaves behind.
#include "TestSupport.h"

#include <QCheckBox>

namespace {
class Funcionarios : public MigrationTest {
protected:
    void Employee(const QString& code, const TValue& name, const TValue& password = QString("senha")) {
        Loja().Exec("INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO, FUN_SENHA) VALUES (?, "
                    "'01', ?, ?)",
                    {code, name, password});
    }
    void Existing(int code, const QString& name, const QString& nickname) {
        Kelmor().Exec(
            "INSERT INTO SCA_FUNCIONARIO (FUN_CODIGO, FUN_NOME, FUN_APELIDO, FUN_SENHA, FUN_VENDEDOR, "
            "FUN_OPERADOR_ECF) VALUES (?, ?, ?, 'x', 'S', 'N')",
            {int64_t(code), name, nickname});
    }
    TRow Stored(int code) {
        auto rows =
            Kelmor().Rows("SELECT FUN_NOME, FUN_APELIDO, FUN_SENHA, FUN_VENDEDOR, FUN_ATIVO, "
                          "FUN_CALCULA_COMISSAO, FUN_CODIGO_EMPRESA_MASTER, FUN_LIMITE_COMPRA, FUN_ENDERECO "
                          "FROM SCA_FUNCIONARIO WHERE FUN_CODIGO = ?",
                          {int64_t(code)});
        return rows.empty() ? TRow{} : rows[0];
    }
    void RunEmployeesOnly() {
        OnlySteps({Form().chk_Funcionarios});
        Run();
    }
};
} // namespace

TEST_F(Funcionarios, NamesAreMadeUniqueAgainstNamesAndNicknames) {
    Employee("001", "MARIA");
    Employee("002", "MARIA");
    Employee("010", "  ANA  ");
    Employee("015", "JOSE");
    Employee("020", "   ");
    Existing(900, "Maria", "Maria"); // another case: the exact search does not find it
    Existing(901, "JOSE", "JOSE015");
    // A name longer than the nickname column is compared whole: it equals no stored nickname,
    // not even one that holds its first 15 characters.
    Existing(902, "OUTRA", "MARIA APARECIDA");
    Employee("030", "MARIA APARECIDA SOUZA");
    RunEmployeesOnly();
    EXPECT_TRUE(Errors().empty());
    CloseForm();
    EXPECT_EQ(Str(Stored(1)[0]), "MARIA");
    EXPECT_EQ(Str(Stored(1)[1]), "MARIA");
    EXPECT_EQ(Str(Stored(2)[0]), "MARIA002");
    EXPECT_EQ(Str(Stored(2)[1]), "MARIA002");
    EXPECT_EQ(Str(Stored(10)[0]), "ANA");
    // JOSE is a name (JOSE015) and JOSE015 a nickname (JOSE015015).
    EXPECT_EQ(Str(Stored(15)[0]), "JOSE015015");
    EXPECT_EQ(Str(Stored(15)[1]), "JOSE015015");
    EXPECT_TRUE(Stored(20).empty());
    EXPECT_EQ(Str(Stored(30)[0]), "MARIA APARECIDA SOUZA");
    EXPECT_EQ(Str(Stored(30)[1]), "MARIA APARECIDA");
    EXPECT_EQ(Kelmor().Count("SCA_FUNCIONARIO"), 8);
    // The fixed profile, and the columns the step leaves alone stay NULL.
    TRow maria = Stored(1);
    EXPECT_EQ(Str(maria[3]), "S");
    EXPECT_EQ(Str(maria[4]), "S");
    EXPECT_EQ(Str(maria[5]), "I");
    EXPECT_EQ(Int(maria[6]), 1);
    EXPECT_EQ(Num(maria[7]), 0);
    EXPECT_TRUE(IsNull(maria[8]));
}

TEST_F(Funcionarios, BlankPasswordsBecomeTheCodeAndLongNamesAreCut) {
    Employee("007", "PEDRO", QString(""));
    Employee("008", "PAULO", TValue{});
    Employee("009", "LUCAS", QString("   "));
    Employee("011", "MARCOS", QString(" ab1 "));
    Employee("012", "ABCDEFGHIJKLMNOPQRSTUVWXY"); // 25 characters: nickname holds 15
    RunEmployeesOnly();
    CloseForm();
    EXPECT_EQ(Str(Stored(7)[2]), "7");
    EXPECT_EQ(Str(Stored(8)[2]), "8");
    EXPECT_EQ(Str(Stored(9)[2]), "9");
    EXPECT_EQ(Str(Stored(11)[2]), " ab1 ");
    EXPECT_EQ(Str(Stored(12)[0]), "ABCDEFGHIJKLMNOPQRSTUVWXY");
    EXPECT_EQ(Str(Stored(12)[1]), "ABCDEFGHIJKLMNO");
}

TEST_F(Funcionarios, AnInvalidCodeStopsTheRunAfterCommittingTheEmployeesBefore) {
    Employee("001", "ANA");
    Employee("12A", "BRUNO");
    Employee("200", "CARLA");
    RunEmployeesOnly();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], "'12A' is not a valid integer value.");
    // Committed at once: visible before the window closes.
    EXPECT_EQ(Kelmor().Count("SCA_FUNCIONARIO"), 1);
    EXPECT_TRUE(Form().Button1->isEnabled());
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_FUNCIONARIO"), 1);
}

TEST_F(Funcionarios, AnExistingCodeStopsTheRunAndASecondRunFailsOnlyOnItsOwnRows) {
    Employee("001", "ANA");
    Employee("002", "BRUNO");
    Employee("003", "CARLA");
    Existing(2, "OUTRO", "OUTRO");
    RunEmployeesOnly();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("PRIMARY or UNIQUE KEY")) << Errors()[0].toStdString();
    EXPECT_EQ(Kelmor().Count("SCA_FUNCIONARIO"), 2);
    // The refused row was dropped: the second run fails on ANA, now stored, not on BRUNO again.
    boxes.clear();
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("\"FUN_CODIGO\" = 1")) << Errors()[0].toStdString();
}
