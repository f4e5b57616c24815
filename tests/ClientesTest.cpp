// The customer step on real databases: the customer row, its address links, contacts, complement
// and references, refused codes, the reopen of its sets and a second run.
#include "TestSupport.h"

#include <QCheckBox>
#include <QDate>

namespace {
using Colunas = std::vector<std::pair<QString, TValue>>;

const QString kHoje = QDate::currentDate().toString("yyyy-MM-dd") + " 00:00:00.0000";

class Clientes : public MigrationTest {
protected:
    // A legacy customer: its code, its name and any further columns.
    void Cliente(const QString& code, const QString& name, const Colunas& more = {}) {
        Colunas cols{{"CLI_CODIGO", code}, {"CLI_DESCRICAO", name}};
        cols.insert(cols.end(), more.begin(), more.end());
        Loja().Insert("LJ_CLIEN", cols);
    }
    QStringList Linhas(const QString& sql, const std::vector<TValue>& params = {}) {
        return Kelmor().Lines(sql, params);
    }
    void RunCustomers() {
        OnlySteps({Form().cb_Cliente});
        Run();
    }
};
} // namespace

TEST_F(Clientes, APersonAndACompanyGetEveryColumnOfTheirRow) {
    Cliente("00012", "ANA SILVA ",
            {{"CLI_CNPJ_CIC", QString("123.456.789-01")},
             {"CLI_INSCR_RG", QString(" MG-12.345.678 ")},
             {"CLI_STATUS", QString("LIBERADO")},
             {"CLI_LIMITE_CREDITO", 1234.5678},
             {"CLI_DATA_NASCIMENTO", Day(1980, 5, 17, 10, 30)},
             {"CLI_DATA_INCLUSAO", Day(2010, 1, 2, 8, 0)},
             {"CLI_DATA_ULTIMA_COMPRA", Day(2015, 3, 1)},
             {"CLI_MENSAGEM", QString(" Bom pagador ")}});
    Cliente("A-7", "EMPRESA",
            {{"CLI_CNPJ_CIC", QString("12.345.678/0001-90")},
             {"CLI_INSCR_RG", QString("06.212.345/0078")},
             {"CLI_STATUS", QString("liberado")}});
    Cliente("002", "   ");
    RunCustomers();
    EXPECT_TRUE(boxes.empty());
    CloseForm();
    const QString sql = "SELECT CLI_CODIGO, CLI_NOME, CLI_CNPJ_CIC, CLI_TIPO, CLI_RG, CLI_ORGAO_EMISSAO_RG, "
                        "CLI_INSCRICAO_ESTADUAL, "
                        "CLI_STATUS, CLI_VLR_LIMITE, CAST(CLI_DT_NASCIMENTO_FUNDACAO AS VARCHAR(24)), "
                        "CAST(CLI_DT_INCLUSAO AS VARCHAR(24)), CAST(CAST(CLI_HR_INCLUSAO AS DATE) AS "
                        "VARCHAR(10)), CLI_MENSAGEM, "
                        "CAST(CLI_DT_ULTIMA_COMPRA AS VARCHAR(24)) FROM SCA_CLIENTE ORDER BY CLI_CODIGO";
    EXPECT_EQ(Linhas(sql),
              (QStringList{"7|EMPRESA|12345678000190|J|NULL|NULL|062123450078|S|0|NULL|" + kHoje +
                               "|1899-12-30||NULL",
                           "12|ANA SILVA |12345678901|F|MG-12.345.678|SSPMG|NULL|A|1234.56|"
                           "1980-05-17 10:30:00.0000|2010-01-02 08:00:00.0000|1899-12-30| Bom pagador |"
                           "2015-03-01 00:00:00.0000"}));
    // The defaults of the new-record handler and the fixed columns.
    EXPECT_EQ(
        Linhas(
            "SELECT CLI_VENDA_SEMPRECTACORRENTE || CLI_DESONERACAO_ICMS || "
            "CLI_BLOQUEIASUSPENDE_AUTOMATICO || CLI_ENVIA_PDV, CLI_CODIGO_CATEGORIA || CLI_CODIGO_TIPO || "
            "CLI_CODIGO_USUARIO || CLI_CODIGO_TIPOTRIBUTARIO || CLI_CODIGO_REGIAO, CLI_NR_DIAS_PROTESTO || "
            "CLI_PRAZO_CTACORRENTE_DIADOMES || CLI_CODIGO_USUARIO_INC || CLI_GRAU_INSTRUCAO || "
            "CLI_NR_DIAS_CARENCIA, CLI_PERC_DESCONTO, CLI_ALTERADO || CLI_COBRAR_TARIFA || CLI_EMITE_NOTA || "
            "CLI_VERIFICAR_DEBITOS_VENDA, CLI_UTILIZACAO_INTERNA || CLI_CORRENTISTA || CLI_VALE_FRETE || "
            "CLI_INFORMA_CENTRO_CUSTO_VENDA || CLI_RETEM_IMPOSTOS_FEDERAIS || CLI_RETEM_ISS, CLI_SEXO "
            "FROM SCA_CLIENTE WHERE CLI_CODIGO = 7"),
        (QStringList{"NNSS|11111|00000|0|SSSS|NNNNNN|M"}));
}

TEST_F(Clientes, TaxNumberPlaceholdersAreClearedAndTheDigitCountDecidesPersonOrCompany) {
    // Legacy tax number and status, then what is stored.
    const std::vector<std::tuple<TValue, TValue, QString>> casos{
        {QString("000.000.000-00"), QString("L"), "NULL|F|A"},
        {QString("11111111111"), QString("l"), "NULL|F|S"},
        {QString("00000000000000"), QString(" L"), "NULL|J|S"},
        {QString("11.111.111/1111-11"), QString(""), "NULL|J|S"},
        {QString("222.222.222-22"), TValue{}, "22222222222|F|S"},
        {QString("123456789012"), QString("BLOQUEADO"), "123456789012|J|S"},
        {QString("1234567890123"), QString("Livre"), "1234567890123|J|A"},
        {QString("1234567890123456"), QString("X"), "12345678901234|J|S"},
        {QString(""), QString("X"), "|F|S"},
    };
    QStringList esperado;
    for (const auto& [cnpj, status, gravado] : casos) {
        Cliente(QString::number(esperado.size() + 1), "CLIENTE",
                {{"CLI_CNPJ_CIC", cnpj}, {"CLI_STATUS", status}});
        esperado << gravado;
    }
    RunCustomers();
    EXPECT_EQ(Linhas("SELECT CLI_CNPJ_CIC, CLI_TIPO, CLI_STATUS FROM SCA_CLIENTE ORDER BY CLI_CODIGO"),
              esperado);
}

TEST_F(Clientes, EachCustomerGetsItsLinksContactsComplementAndReferences) {
    Cliente("1", "ANA",
            {{"CLI_ENDERECO", QString(" RUA DAS FLORES, 123 ")},
             {"CLI_BAIRRO", QString(" Centro ")},
             {"CLI_CIDADE", QString("bh")},
             {"CLI_ESTADO", QString("mg")},
             {"CLI_CEP", QString("30.140-071")},
             {"CLI_FONE1", QString(" 3333-4444 ")},
             {"CLI_FONE2", QString("3333-4444")},
             {"CLI_EMAIL", QString("ana@x.com")},
             {"CLI_FILIACAO_PAI", QString("JOSE")},
             {"CLI_DESCRICAO_EMPRESA", QString("LOJA X")},
             {"CLI_FONE_REF1", QString("1111")},
             {"CLI_DESCRICAO_REF2", QString(" PEDRO ")},
             {"CLI_FONE_REF2", QString(" 9999 ")},
             {"CLI_DATA_INCLUSAO", Day(2010, 1, 2)}});
    Cliente("2", "BRUNO",
            {{"CLI_FONE1", QString("   ")},
             {"CLI_FILIACAO_MAE", QString("MARIA")},
             {"CLI_DESCRICAO_REF1", QString("REF UM")},
             {"CLI_DESCRICAO_REF2", QString("REF DOIS")}});
    RunCustomers();
    EXPECT_TRUE(boxes.empty());
    CloseForm();
    // A blank state is MG, which finds the state stored as "mg" for the first customer.
    EXPECT_EQ(
        Linhas("SELECT ECL_CODIGO_CLIENTE, ECL_CODIGO_TIPO, ECO_ENDERECO, ECO_CEP, ECO_CODIGO_UF, ECL_NUMERO "
               "FROM SCA_ENDERECOCLIENTE JOIN SCA_ENDERECOCORREIO ON ECO_PK_ENDERECOCORREIO = "
               "ECL_CODIGO_END_CORREIO ORDER BY ECL_PK_ENDERECOCLIENTE"),
        (QStringList{"1|RES|RUA DAS FLORES|30140071|mg|123", "1|COB|RUA DAS FLORES|30140071|mg|123",
                     "2|RES|.|00000000|mg|S/N", "2|COB|.|00000000|mg|S/N"}));
    // Equal phones give one contact; a phone of blanks none.
    EXPECT_EQ(
        Linhas(
            "SELECT CCI_CODIGO_CLIENTE, CCI_CODIGO_TIPO_CONTATO, CCI_NOME FROM SCA_CONTATOCLIENTE ORDER BY "
            "CCI_PK_CONTATOCLIENTE"),
        (QStringList{"1|1|3333-4444", "1|3|ANA@X.COM"}));
    // The mother's name alone gives no complement; complement and references carry the
    // customer's own stamp.
    EXPECT_EQ(
        Linhas("SELECT CCL_CODIGO_CLIENTE, CCL_NOME_PAI, COALESCE(CCL_NOME_MAE, ''), CCL_NOME_EMPRESA, "
               "CCL_IMOVEL_PROPRIO || CCL_ESTADO_CIVIL, CCL_CODIGO_USUARIO_INC || CCL_TEMPO_RESIDENCIA || "
               "CCL_TEMPO_TRABALHA_EMPRESA, CCL_VLR_SALARIO, CASE WHEN CCL_DT_INCLUSAO = CLI_DT_INCLUSAO AND "
               "CCL_HR_INCLUSAO = CLI_HR_INCLUSAO THEN 1 END FROM SCA_COMPLEMENTOCLIENTE JOIN SCA_CLIENTE ON "
               "CLI_CODIGO = CCL_CODIGO_CLIENTE"),
        (QStringList{"1|JOSE||LOJA X|NS|000|0|1"}));
    // A reference phone without a name is no reference; reference 1's key is drawn first.
    EXPECT_EQ(Linhas("SELECT RCL_CODIGO_CLIENTE, RCL_TIPO, RCL_NOME, RCL_FONE1, RCL_CODIGO_USUARIO_INC, "
                     "CAST(RCL_DT_INCLUSAO AS VARCHAR(24)) FROM SCA_REFERENCIACLIENTE ORDER BY "
                     "RCL_PK_REFERENCIACLIENTE"),
              (QStringList{"1|COM|PEDRO|9999|0|2010-01-02 00:00:00.0000", "2|COM|REF UM||0|" + kHoje,
                           "2|COM|REF DOIS||0|" + kHoje}));
}

TEST_F(Clientes, ARefusedCustomerGetsNoDependantsAndTheRefusalIsReported) {
    Kelmor().Exec("INSERT INTO SCA_CLIENTE (CLI_CODIGO, CLI_NOME) VALUES (5, 'JA EXISTE')");
    auto completo = [](const QString& rua, const QString& fone) {
        return Colunas{{"CLI_ENDERECO", rua},
                       {"CLI_FONE1", fone},
                       {"CLI_FILIACAO_PAI", QString("PAI")},
                       {"CLI_DESCRICAO_REF1", QString("REF")}};
    };
    Cliente("00012", "PRIMEIRO", completo("RUA B, 1", "1111"));
    Cliente("12", "SEGUNDO", completo("RUA C, 2", "2222")); // the same digits
    Cliente("5", "NOVO CINCO", completo("RUA C, 2", "2222"));
    Cliente("6", "SEIS", completo("RUA B, 1", "1111"));
    RunCustomers();
    EXPECT_TRUE(Errors().empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("SCA_CLIENTE: 2")) << boxes[0].text.toStdString();
    CloseForm();
    // The refusals hold nothing back; only the stored customers have dependants.
    EXPECT_EQ(Linhas("SELECT CLI_CODIGO, CLI_NOME FROM SCA_CLIENTE ORDER BY 1"),
              (QStringList{"5|JA EXISTE", "6|SEIS", "12|PRIMEIRO"}));
    auto porCliente = [&](const QString& table, const QString& owner) {
        return Linhas("SELECT " + owner + ", COUNT(*) FROM " + table + " GROUP BY 1");
    };
    EXPECT_EQ(porCliente("SCA_ENDERECOCLIENTE", "ECL_CODIGO_CLIENTE"), (QStringList{"6|2", "12|2"}));
    EXPECT_EQ(porCliente("SCA_CONTATOCLIENTE", "CCI_CODIGO_CLIENTE"), (QStringList{"6|1", "12|1"}));
    EXPECT_EQ(porCliente("SCA_COMPLEMENTOCLIENTE", "CCL_CODIGO_CLIENTE"), (QStringList{"6|1", "12|1"}));
    EXPECT_EQ(porCliente("SCA_REFERENCIACLIENTE", "RCL_CODIGO_CLIENTE"), (QStringList{"6|1", "12|1"}));
    EXPECT_EQ(Kelmor().Count("SCA_ENDERECOCORREIO"), 1); // RUA C was not registered
}

// A destination whose own trigger fails for one customer ("multiple rows in singleton select"):
// that customer is refused with the trigger's message and gets no dependants; the customers after
// it and the later steps are written.
TEST_F(Clientes, ATriggerOfTheDestinationFailingForOneCustomerRefusesItAlone) {
    Kelmor().Exec("CREATE TRIGGER T_CLIENTE_BI FOR SCA_CLIENTE BEFORE INSERT AS DECLARE X INTEGER; BEGIN "
                  "IF (NEW.CLI_CODIGO = 20) THEN SELECT RDB$RELATION_ID FROM RDB$RELATIONS INTO :X; END");
    for (const char* codigo : {"10", "20", "30"})
        Cliente(codigo, QString("CLIENTE %1").arg(codigo),
                {{"CLI_ENDERECO", QString("RUA %1, 1").arg(codigo)}, {"CLI_FONE1", QString("5555")}});
    Loja().Insert("LJ_FORNE", {{"FOR_CODIGO", QString("0040")},
                               {"FOR_DESCRICAO", QString("FORNECEDOR")},
                               {"FOR_ENDERECO", QString("RUA F, 2")},
                               {"FOR_CIDADE", QString("CIDADE")},
                               {"FOR_BAIRRO", QString("CENTRO")},
                               {"FOR_CEP", QString("12345-678")},
                               {"FOR_ESTADO", QString("SP")},
                               {"FOR_INSCR_ESTADUAL", QString("ISENTO")},
                               {"FOR_DATA_INCLUSAO", Day(2010, 1, 1)}});
    OnlySteps({Form().cb_Cliente, Form().chk_Fornecedores});
    Run();
    EXPECT_TRUE(Errors().empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("SCA_CLIENTE: 1")) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("multiple rows in singleton select")) << boxes[0].text.toStdString();
    CloseForm();
    EXPECT_EQ(Linhas("SELECT CLI_CODIGO FROM SCA_CLIENTE ORDER BY 1"), (QStringList{"10", "30"}));
    EXPECT_EQ(Linhas("SELECT DISTINCT ECL_CODIGO_CLIENTE FROM SCA_ENDERECOCLIENTE ORDER BY 1"),
              (QStringList{"10", "30"}));
    EXPECT_EQ(Linhas("SELECT CCI_CODIGO_CLIENTE FROM SCA_CONTATOCLIENTE ORDER BY 1"),
              (QStringList{"10", "30"}));
    EXPECT_EQ(Linhas("SELECT FOR_CODIGO FROM SCA_FORNECEDOR"), QStringList{"40"});
}

TEST_F(Clientes, ACodeWithoutDigitsEndsTheRunAfterTheCustomersBeforeIt) {
    Cliente("001", "ANA");
    Cliente("ABC", "BRUNO");
    Cliente("B1", "CARLA");
    RunCustomers();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], "'ABC' is not a valid integer value.");
    EXPECT_EQ(Kelmor().Count("SCA_CLIENTE"), 1); // committed before the failure
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_CLIENTE"), 1);
    EXPECT_EQ(Kelmor().Count("SCA_ENDERECOCLIENTE"), 2);
}

TEST_F(Clientes, The501stCustomerReopensTheSetsAndASecondRunWritesNothingNew) {
    for (int i = 1; i <= 502; ++i)
        Cliente(QString::number(i), "CLIENTE",
                {{"CLI_ENDERECO", QString("RUA A, 10")},
                 {"CLI_FONE1", QString("FONE %1").arg(i)},
                 {"CLI_FILIACAO_PAI", QString("PAI")},
                 {"CLI_DESCRICAO_REF1", QString("REF")}});
    RunCustomers();
    Tfrm_Importacao& f = Form();
    EXPECT_EQ(f.CDS_CLIENTE.RecordCount(), 1);
    EXPECT_EQ(f.CDS_COMPLEMENTOCLIENTE.RecordCount(), 1);
    EXPECT_EQ(f.CDS_REFERENCIACLIENTE.RecordCount(), 1);
    const QString counts =
        "SELECT (SELECT COUNT(*) FROM SCA_CLIENTE), (SELECT COUNT(*) FROM SCA_ENDERECOCLIENTE), "
        "(SELECT COUNT(*) FROM SCA_CONTATOCLIENTE), (SELECT COUNT(*) FROM SCA_COMPLEMENTOCLIENTE), "
        "(SELECT COUNT(*) FROM SCA_REFERENCIACLIENTE), (SELECT COUNT(*) FROM SCA_ENDERECOCORREIO) "
        "FROM RDB$DATABASE";
    EXPECT_EQ(Linhas(counts), (QStringList{"502|1004|502|502|502|1"}));
    Run();
    EXPECT_EQ(f.Recusas.Count("SCA_CLIENTE"), 502);
    CloseForm();
    EXPECT_EQ(Linhas(counts), (QStringList{"502|1004|502|502|502|1"}));
}

TEST_F(Clientes, AnUntickedBoxSkipsTheStep) {
    Cliente("1", "ANA");
    OnlySteps({Form().chk_Fornecedores});
    Run();
    EXPECT_FALSE(Form().CDS_ORIGEM_CLIENTE.Active());
    EXPECT_FALSE(Form().CDS_CLIENTE.Active());
    EXPECT_EQ(Kelmor().Count("SCA_CLIENTE"), 0);
}
