// Look-ups on a destination whose look-up columns carry a collation, as Brazilian stores' systems
// declare them: names typed with and without their accents, and in other case, find the row the
// collation holds equal instead of adding another; a binary destination keeps them apart.
#include "TestSupport.h"

#include <QCheckBox>

namespace {
// The look-up columns, as the destination script declares them. The state code, a NOT NULL key,
// takes its collation from a domain.
struct Coluna {
    const char* tabela;
    const char* coluna;
    const char* tipo;
    bool dominio = false;
};
constexpr Coluna kColunas[] = {
    {"SCA_BAIRRO", "BAI_NOME", "VARCHAR(30)"},
    {"SCA_CIDADE", "CID_NOME", "VARCHAR(40)"},
    {"SCA_UNIDADEFEDERATIVA", "UFE_CODIGO", "VARCHAR(2)", true},
    {"SCA_ENDERECOCORREIO", "ECO_ENDERECO", "VARCHAR(60)"},
    {"SCA_UNIDADE", "UNI_CODIGO", "VARCHAR(3)"},
    {"SCA_MARCA", "MAR_DESCRICAO", "VARCHAR(30)"},
    {"SCA_CONTATOCLIENTE", "CCI_NOME", "VARCHAR(50)"},
};

// One name per look-up, where a unique index allows no second row the collation holds equal.
const char* const kUnicos[] = {
    "SCA_BAIRRO (BAI_NOME)",
    "SCA_CIDADE (CID_NOME)",
    "SCA_ENDERECOCORREIO (ECO_ENDERECO, ECO_CODIGO_CIDADE, ECO_CODIGO_BAIRRO, ECO_CEP)",
    "SCA_UNIDADE (UNI_CODIGO)",
    "SCA_MARCA (MAR_DESCRICAO)",
    "SCA_CONTATOCLIENTE (CCI_CODIGO_CLIENTE, CCI_CODIGO_TIPO_CONTATO, CCI_NOME)",
};

struct Destino {
    const char* nome;
    const char* colacao; // appended to each look-up column's type; empty: the script as it is
    bool unicos;         // unique indexes on the names
    // Rows stored: neighbourhoods, cities, states, postal addresses, units, brands, contacts.
    std::vector<int64_t> linhas;
    int64_t saoPaulo; // rows of the destination's own WHERE CID_NOME = 'São Paulo'
};

const Destino kDestinos[] = {
    {"WIN_PTBR", "CHARACTER SET WIN1252 COLLATE WIN_PTBR", false, {1, 1, 1, 1, 1, 2, 1}, 1},
    {"UNICODE_CI_AI, unique", "CHARACTER SET UTF8 COLLATE UNICODE_CI_AI", true, {1, 1, 1, 1, 1, 2, 1}, 1},
    {"PT_BR, unique", "CHARACTER SET ISO8859_1 COLLATE PT_BR", true, {1, 1, 1, 1, 1, 2, 1}, 1},
    // Accented and unaccented names stay apart; case alone is ignored as always.
    {"binary", "", false, {2, 2, 1, 2, 2, 4, 2}, 0},
};

class Collation : public MigrationTest {
protected:
    // A fresh pair of databases and a fresh window.
    void Anew() {
        TearDown();
        app_.reset();
        boxes.clear();
        QFile::remove(LojaPath());
        QFile::remove(KelmorPath());
        SetUp();
    }
    void Declarar(const Destino& d) {
        if (*d.colacao)
            for (const Coluna& c : kColunas) {
                const QString tipo = QString(c.tipo) + ' ' + d.colacao;
                if (!c.dominio) {
                    Redeclare(c.tabela, c.coluna, tipo);
                    continue;
                }
                Kelmor().Exec(QString("CREATE DOMAIN DM_%1 AS %2").arg(c.coluna, tipo));
                Redeclare(c.tabela, c.coluna, QString("DM_") + c.coluna);
            }
        if (d.unicos)
            for (int i = 0; const char* on : kUnicos)
                Kelmor().Exec(QString("CREATE UNIQUE INDEX UX_NOME_%1 ON %2").arg(++i).arg(on));
    }
    void Cliente(const QString& codigo, const QString& rua, const QString& bairro, const QString& cidade,
                 const QString& uf, const QString& fone1, const QString& fone2) {
        Loja().Insert("LJ_CLIEN", {{"CLI_CODIGO", codigo},
                                   {"CLI_DESCRICAO", "CLIENTE " + codigo},
                                   {"CLI_ENDERECO", rua},
                                   {"CLI_BAIRRO", bairro},
                                   {"CLI_CIDADE", cidade},
                                   {"CLI_ESTADO", uf},
                                   {"CLI_CEP", QString("01001-000")},
                                   {"CLI_FONE1", fone1},
                                   {"CLI_FONE2", fone2}});
    }
    void Produto(const QString& codigo, const QString& fornecedor, const QString& unidade,
                 const QString& colecao) {
        Loja().Exec("INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
                    "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO) "
                    "VALUES (?, '01', ?, '1', '1', ?, ?, ?)",
                    {codigo, fornecedor, colecao, unidade, "PRODUTO " + codigo});
    }
};
} // namespace

TEST_F(Collation, LookUpsFindWhatTheDestinationsCollationHoldsEqual) {
    for (const Destino& d : kDestinos) {
        SCOPED_TRACE(d.nome);
        Anew();
        Declarar(d);
        // Three customers of one street, neighbourhood and city, typed as a new user would.
        Cliente("00001", "RUA ÁGUA VERDE, 10", "FUNCIONÁRIOS", "SÃO PAULO", "SP", "RAMAL JOÃO", "ramal joao");
        Cliente("00002", "Rua Agua Verde, 20", "Funcionarios", "Sao Paulo", "sp", "", "");
        Cliente("00003", "rua água verde 30", "funcionários", "são paulo", "SP", "", "");
        Loja().Exec("INSERT INTO LJ_GRUPO VALUES ('1', '01', 'GERAL')");
        Loja().Exec("INSERT INTO LJ_SUBGR VALUES ('1', '01', 'DIVERSOS')");
        Loja().Exec("INSERT INTO LJ_UNID VALUES ('PÇ', '01', 'PECA')");
        Loja().Exec("INSERT INTO LJ_UNID VALUES ('pc', '01', 'PECA')");
        Loja().Exec("INSERT INTO LJ_COLEC VALUES ('1', '01', 'VERÃO 2013')");
        Loja().Exec("INSERT INTO LJ_COLEC VALUES ('2', '01', 'Verao 2013')");
        Produto("P1", "7", "PÇ", "1");
        Produto("P2", "8", "pc", "2");
        // The brand command names brands after these.
        Kelmor().Exec("INSERT INTO SCA_FORNECEDOR (FOR_CODIGO, FOR_NOME) VALUES (7, 'Confecções Ávila')");
        Kelmor().Exec("INSERT INTO SCA_FORNECEDOR (FOR_CODIGO, FOR_NOME) VALUES (8, 'CONFECCOES AVILA')");

        OnlySteps({Form().cb_Cliente, Form().chk_Produtos});
        Run();
        Press(Form().btn_Fornecedor_Como_Marca);
        EXPECT_EQ(Errors(), std::vector<QString>{});
        CloseForm();

        std::vector<int64_t> linhas;
        for (const char* t : {"SCA_BAIRRO", "SCA_CIDADE", "SCA_UNIDADEFEDERATIVA", "SCA_ENDERECOCORREIO",
                              "SCA_UNIDADE", "SCA_MARCA", "SCA_CONTATOCLIENTE"})
            linhas.push_back(Kelmor().Count(t));
        EXPECT_EQ(linhas, d.linhas);
        EXPECT_EQ(Int(Kelmor().Scalar("SELECT COUNT(*) FROM SCA_CIDADE WHERE CID_NOME = 'São Paulo'")),
                  d.saoPaulo);
        // Every customer, product and brand command arrived, each pointing at a row that is there.
        EXPECT_EQ(Kelmor().Count("SCA_CLIENTE"), 3);
        EXPECT_EQ(Kelmor().Count("SCA_ENDERECOCLIENTE",
                                 "NOT EXISTS (SELECT 1 FROM SCA_ENDERECOCORREIO "
                                 "WHERE ECO_PK_ENDERECOCORREIO = ECL_CODIGO_END_CORREIO)"),
                  0);
        EXPECT_EQ(Kelmor().Count("SCA_ITEM", "ITE_CODIGO_MARCA IS NULL"), 0);
    }
}
