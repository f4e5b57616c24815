// Destinations as management systems declare them: each case runs the same small store on the
// plain destination and on one declared otherwise (a BOOLEAN flag, a BLOB column, a NOT NULL column
// with a default, identity keys, the destination's own checks), and compares what each stored and
// said.
#include "TestSupport.h"

#include <QCheckBox>
#include <functional>

namespace {
class VariantesDestino;
using Passo = std::function<void(VariantesDestino&)>;

enum class Acao { Funcionarios, Clientes, Marca };

struct Variante {
    const char* nome = "";
    Passo legado = {};  // the store's rows, the same for both destinations
    Passo edicao = {};  // how the variant is declared otherwise (after its rows are in)
    Passo destino = {}; // rows both destinations hold before the job
    Acao acao = Acao::Funcionarios;
    QString consulta = {};           // what is compared, on the plain destination
    QString consultaVariante = {};   // the same question on the variant (empty: the same statement)
    QStringList linhasComum = {};    // the plain destination's rows
    QStringList linhasVariante = {}; // the variant's rows
    QStringList caixasVariante = {}; // texts each of the variant's boxes contains, in order
    Passo depois = {};               // run on the variant after the job, before its rows are read
};

// A case is named by its name in a failure.
void PrintTo(const Variante& v, std::ostream* os) {
    *os << v.nome;
}

class VariantesDestino : public MigrationTest, public ::testing::WithParamInterface<Variante> {
public:
    void Funcionario(const QString& code, const QString& name) {
        Loja().Exec("INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO, FUN_SENHA) VALUES (?, "
                    "'01', ?, 'x')",
                    {code, name});
    }
    void Cliente(const QString& code, const QString& name, const QString& document) {
        Loja().Insert("LJ_CLIEN",
                      {{"CLI_CODIGO", code}, {"CLI_DESCRICAO", name}, {"CLI_CNPJ_CIC", document}});
    }
    // A product linked to a supplier, for the brand command.
    void ProdutoComFornecedor(int key, const QString& supplier) {
        Kelmor().Exec(
            "INSERT INTO SCA_ITEM (ITE_PK_ITEM, ITE_CODIGO_EMPRESA_MASTER, ITE_CODIGO_GRUPO, ITE_DESCRICAO, "
            "ITE_CODIGO_CLASSIFICACAO_FISCAL, ITE_DT_INCLUSAO, ITE_HR_INCLUSAO, "
            "ITE_SOLICITAR_NRSERIE_NFENTRADA, "
            "ITE_CODIGO_USUARIO_INC, ITE_CODIGO_ALTERNATIVO) "
            "VALUES (?, 1, 1, ?, 1, '2020-01-01', '1899-12-30 10:00:00', 'N', 0, ?)",
            {int64_t(key), QString("PRODUTO %1").arg(key), QString::number(key).rightJustified(10, '0')});
        Kelmor().Exec("INSERT INTO SCA_FORNECEDOR (FOR_CODIGO, FOR_NOME) VALUES (?, ?)",
                      {int64_t(key + 100), supplier});
        Kelmor().Exec("INSERT INTO SCA_ITEMFORNECEDOR (IFO_PK_ITEMFORNECEDOR, IFO_CODIGO_ITEM, "
                      "IFO_CODIGO_FORNECEDOR) VALUES (?, ?, ?)",
                      {int64_t(key), int64_t(key), int64_t(key + 100)});
    }
    using MigrationTest::Kelmor;
    using MigrationTest::Loja;
    using MigrationTest::Redeclare;

protected:
    // One job on a fresh copy of the empty destination, edited first when asked: its rows and the
    // texts of its boxes.
    std::pair<QStringList, QStringList> Job(const Variante& v, bool variante) {
        form_.reset();
        app_.reset();
        DetachHelpers();
        boxes.clear();
        QFile::remove(KelmorPath());
        EXPECT_TRUE(QFile::copy(QStringLiteral(TEMPLATE_DIR) + "/KELMOR.FDB", KelmorPath()));
        QFile::setPermissions(KelmorPath(), QFile::ReadOwner | QFile::WriteOwner);
        if (v.destino) v.destino(*this);
        if (variante) v.edicao(*this);
        DetachHelpers();
        Tfrm_Importacao& f = Form();
        switch (v.acao) {
        case Acao::Funcionarios:
            OnlySteps({f.chk_Funcionarios});
            Run();
            break;
        case Acao::Clientes:
            OnlySteps({f.cb_Cliente});
            Run();
            break;
        case Acao::Marca:
            Press(f.btn_Fornecedor_Como_Marca);
            break;
        }
        CloseForm();
        if (variante && v.depois) v.depois(*this);
        QStringList texts;
        for (const ShownBox& b : boxes)
            texts << b.text;
        const QString sql = variante && !v.consultaVariante.isEmpty() ? v.consultaVariante : v.consulta;
        return {Kelmor().Lines(sql), texts};
    }
};

TEST_P(VariantesDestino, StoresThePlainRowsOrRefusesWithItsMessage) {
    const Variante& v = GetParam();
    v.legado(*this);
    const auto [comum, caixasComum] = Job(v, false);
    EXPECT_EQ(comum, v.linhasComum);
    const auto [variante, caixas] = Job(v, true);
    EXPECT_EQ(variante, v.linhasVariante);
    ASSERT_EQ(caixas.size(), static_cast<size_t>(v.caixasVariante.size()))
        << caixas.join("\n---\n").toStdString();
    for (qsizetype i = 0; i < caixas.size(); ++i)
        EXPECT_TRUE(caixas[i].contains(v.caixasVariante[i])) << caixas[i].toStdString();
}

const QString kFuncionarios =
    "SELECT FUN_CODIGO, FUN_NOME, FUN_ATIVO, FUN_COMPRADOR FROM SCA_FUNCIONARIO ORDER BY 1";
const QString kClientes =
    "SELECT CLI_CODIGO, CLI_NOME, COALESCE(CLI_CNPJ_CIC, '') FROM SCA_CLIENTE ORDER BY 1";

void DoisFuncionarios(VariantesDestino& t) {
    t.Funcionario("001", "ANA");
    t.Funcionario("007", "BETO");
}

const Variante kVariantes[] = {
    {.nome = "MensagemDoBancoComAcentos",
     .legado =
         [](VariantesDestino& t) {
             t.Cliente("1", "ASSUNÇÃO BOUTIQUE", "123.456.789-01");
             t.Cliente("2", "ASSUNÇÃO BOUTIQUE", "987.654.321-00");
         },
     .edicao =
         [](VariantesDestino& t) {
             t.Kelmor().Exec("CREATE UNIQUE INDEX UQ_CLI_NOME ON SCA_CLIENTE (CLI_NOME)");
         },
     .acao = Acao::Clientes,
     .consulta = kClientes,
     .linhasComum = {"1|ASSUNÇÃO BOUTIQUE|12345678901", "2|ASSUNÇÃO BOUTIQUE|98765432100"},
     .linhasVariante = {"1|ASSUNÇÃO BOUTIQUE|12345678901"},
     .caixasVariante =
         {"SCA_CLIENTE [2]: attempt to store duplicate value (visible to active transactions) in "
          "unique index \"UQ_CLI_NOME\"\nProblematic key value is (\"CLI_NOME\" = 'ASSUNÇÃO "
          "BOUTIQUE')"}},
    {.nome = "BlobsFicamComoEstavam",
     .legado = [](VariantesDestino&) {},
     .edicao =
         [](VariantesDestino& t) {
             t.Kelmor().Exec("ALTER TABLE SCA_ITEM ADD ITE_OBSERVACAO BLOB SUB_TYPE TEXT DEFAULT '', "
                             "ADD ITE_FOTO BLOB SUB_TYPE BINARY");
             t.Kelmor().Exec("UPDATE SCA_ITEM SET ITE_OBSERVACAO = 'Algodão egípcio', ITE_FOTO = ?",
                             {QString::fromLatin1(QByteArray("\x89PNG\0\xff", 6))});
         },
     .destino = [](VariantesDestino& t) { t.ProdutoComFornecedor(1, "MALHARIA SÃO JOSÉ"); },
     .acao = Acao::Marca,
     .consulta =
         "SELECT ITE_PK_ITEM, MAR_DESCRICAO FROM SCA_ITEM JOIN SCA_MARCA ON MAR_PK_MARCA = ITE_CODIGO_MARCA",
     .consultaVariante = "SELECT ITE_PK_ITEM, MAR_DESCRICAO, ITE_OBSERVACAO, OCTET_LENGTH(ITE_FOTO), "
                         "CAST(ITE_FOTO AS VARCHAR(6) CHARACTER SET OCTETS) = x'89504E4700FF' "
                         "FROM SCA_ITEM JOIN SCA_MARCA ON MAR_PK_MARCA = ITE_CODIGO_MARCA",
     .linhasComum = {"1|MALHARIA SÃO JOSÉ"},
     .linhasVariante = {"1|MALHARIA SÃO JOSÉ|Algodão egípcio|6|1"},
     .caixasVariante = {"processamento realizado com sucesso"}},
    {.nome = "TextoEmBlobGravado",
     .legado =
         [](VariantesDestino& t) {
             t.Cliente("1", "ANA", "123.456.789-01");
             t.Loja().Exec("UPDATE LJ_CLIEN SET CLI_MENSAGEM = 'Não vender à prazo'");
         },
     .edicao = [](VariantesDestino& t) { t.Redeclare("SCA_CLIENTE", "CLI_MENSAGEM", "BLOB SUB_TYPE TEXT"); },
     .acao = Acao::Clientes,
     .consulta = "SELECT CLI_CODIGO, CLI_MENSAGEM FROM SCA_CLIENTE",
     .linhasComum = {"1|Não vender à prazo"},
     .linhasVariante = {"1|Não vender à prazo"}},
    {.nome = "NotNullComDefaultRecebeODefault",
     .legado =
         [](VariantesDestino& t) {
             t.Cliente("1", "ANA", "000.000.000-00"); // a placeholder the step clears
             t.Cliente("2", "BETO", "123.456.789-01");
         },
     .edicao =
         [](VariantesDestino& t) {
             t.Redeclare("SCA_CLIENTE", "CLI_CNPJ_CIC", "VARCHAR(14) DEFAULT '' NOT NULL");
         },
     .acao = Acao::Clientes,
     .consulta = kClientes,
     .linhasComum = {"1|ANA|", "2|BETO|12345678901"},
     .linhasVariante = {"1|ANA|", "2|BETO|12345678901"}},
    {.nome = "BooleanRecebeSN",
     .legado = DoisFuncionarios,
     .edicao =
         [](VariantesDestino& t) {
             t.Redeclare("SCA_FUNCIONARIO", {{"FUN_ATIVO", "BOOLEAN"}, {"FUN_COMPRADOR", "BOOLEAN"}});
         },
     .acao = Acao::Funcionarios,
     .consulta = kFuncionarios,
     .consultaVariante =
         "SELECT FUN_CODIGO, FUN_NOME, IIF(FUN_ATIVO, 'S', 'N'), IIF(FUN_COMPRADOR, 'S', 'N') "
         "FROM SCA_FUNCIONARIO ORDER BY 1",
     .linhasComum = {"1|ANA|S|N", "7|BETO|S|N"},
     .linhasVariante = {"1|ANA|S|N", "7|BETO|S|N"}},
    // F (a person) as false, S as true and N as false, on a client dataset.
    {.nome = "BooleanRecebeTF",
     .legado = [](VariantesDestino& t) { t.Cliente("1", "ANA", "123.456.789-01"); },
     .edicao =
         [](VariantesDestino& t) {
             t.Redeclare("SCA_CLIENTE", {{"CLI_TIPO", "BOOLEAN"},
                                         {"CLI_ALTERADO", "BOOLEAN"},
                                         {"CLI_UTILIZACAO_INTERNA", "BOOLEAN"}});
         },
     .acao = Acao::Clientes,
     .consulta = "SELECT CLI_CODIGO, CLI_TIPO, CLI_ALTERADO, CLI_UTILIZACAO_INTERNA FROM SCA_CLIENTE",
     .consultaVariante = "SELECT CLI_CODIGO, IIF(CLI_TIPO, 'T', 'F'), IIF(CLI_ALTERADO, 'S', 'N'), "
                         "IIF(CLI_UTILIZACAO_INTERNA, 'S', 'N') FROM SCA_CLIENTE",
     .linhasComum = {"1|F|S|N"},
     .linhasVariante = {"1|F|S|N"}},
    // A flag that is no S, N, T or F: the employee is refused, which ends the run, named in full.
    {.nome = "BooleanRecusaOutraLetra",
     .legado = DoisFuncionarios,
     .edicao = [](VariantesDestino& t) { t.Redeclare("SCA_FUNCIONARIO", "FUN_CALCULA_COMISSAO", "BOOLEAN"); },
     .acao = Acao::Funcionarios,
     .consulta = kFuncionarios,
     .linhasComum = {"1|ANA|S|N", "7|BETO|S|N"},
     .linhasVariante = {},
     .caixasVariante = {"'I' is not a valid boolean value for column FUN_CALCULA_COMISSAO of table "
                        "SCA_FUNCIONARIO"}},
    // The same in a client dataset: that customer's refusal, recorded, and the next one written.
    {.nome = "BooleanRecusaNoCliente",
     .legado =
         [](VariantesDestino& t) {
             t.Cliente("1", "ANA", "123.456.789-01");
             t.Cliente("2", "BETO", "987.654.321-00");
         },
     .edicao =
         [](VariantesDestino& t) {
             t.Redeclare("SCA_CLIENTE", {{"CLI_SEXO", "BOOLEAN"}});
         },
     .acao = Acao::Clientes,
     .consulta = kClientes,
     .linhasComum = {"1|ANA|12345678901", "2|BETO|98765432100"},
     .linhasVariante = {},
     .caixasVariante =
         {"O banco de destino recusou 2 registro(s):\n  SCA_CLIENTE: 2\n\nPrimeiras mensagens:\n"
          "SCA_CLIENTE [1]: 'M' is not a valid boolean value for column CLI_SEXO of table "
          "SCA_CLIENTE\nSCA_CLIENTE [2]: 'M'"}},
    {.nome = "TextoEmInteiroNomeiaTabelaEColuna",
     .legado = DoisFuncionarios,
     .edicao = [](VariantesDestino& t) { t.Redeclare("SCA_FUNCIONARIO", "FUN_VENDEDOR", "INTEGER"); },
     .acao = Acao::Funcionarios,
     .consulta = kFuncionarios,
     .linhasComum = {"1|ANA|S|N", "7|BETO|S|N"},
     .linhasVariante = {},
     .caixasVariante = {"'S' is not a valid integer value for column FUN_VENDEDOR of table SCA_FUNCIONARIO"}},
    // The management system's own insert after the run takes the key after the largest given.
    {.nome = "IdentidadeReiniciada",
     .legado = DoisFuncionarios,
     .edicao =
         [](VariantesDestino& t) {
             t.Redeclare("SCA_FUNCIONARIO", "FUN_CODIGO", "INTEGER GENERATED BY DEFAULT AS IDENTITY");
         },
     .acao = Acao::Funcionarios,
     .consulta = kFuncionarios,
     .linhasComum = {"1|ANA|S|N", "7|BETO|S|N"},
     .linhasVariante = {"1|ANA|S|N", "7|BETO|S|N", "8|NOVO|NULL|NULL"},
     .depois =
         [](VariantesDestino& t) {
             t.Kelmor().Exec("INSERT INTO SCA_FUNCIONARIO (FUN_NOME) VALUES ('NOVO')");
         }},
    // A destination that lets nobody change its declarations: the closing box says what to run.
    {.nome = "IdentidadeRecusadaDizComoReiniciar",
     .legado = DoisFuncionarios,
     .edicao =
         [](VariantesDestino& t) {
             t.Redeclare("SCA_FUNCIONARIO", "FUN_CODIGO", "INTEGER GENERATED BY DEFAULT AS IDENTITY");
             t.Kelmor().Exec("CREATE EXCEPTION SEM_DDL 'Alteração de estrutura só pelo sistema'");
             t.Kelmor().Exec("CREATE TRIGGER NAO_ALTERA BEFORE ALTER TABLE AS BEGIN EXCEPTION SEM_DDL; END");
         },
     .acao = Acao::Funcionarios,
     .consulta = kFuncionarios,
     .linhasComum = {"1|ANA|S|N", "7|BETO|S|N"},
     .linhasVariante = {"1|ANA|S|N", "7|BETO|S|N"},
     .caixasVariante =
         {"SCA_FUNCIONARIO.FUN_CODIGO: reinicie com ALTER TABLE SCA_FUNCIONARIO ALTER COLUMN "
          "FUN_CODIGO RESTART WITH 7;\n    (unsuccessful metadata update; ALTER TABLE SCA_FUNCIONARIO "
          "failed; exception 1; SEM_DDL; Alteração de estrutura só pelo sistema)"}},
};

INSTANTIATE_TEST_SUITE_P(Destinos, VariantesDestino, ::testing::ValuesIn(kVariantes),
                         [](const ::testing::TestParamInfo<Variante>& info) {
                             return std::string(info.param.nome);
                         });
} // namespace
