// The job's report on real databases: a small store with one row of each kind of loss, a run that an
// error ends in the products, and a report that cannot be written.
#include "TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <map>

namespace {

class Relatorio : public MigrationTest {
protected:
    void TearDown() override {
        CloseForm();
        MigrationTest::TearDown();
    }
    QStringList Reports() const { return JobReports(Dir()); }
    void Classificacao() {
        Loja().Exec("INSERT INTO LJ_GRUPO VALUES ('1', '01', 'GERAL')");
        Loja().Exec("INSERT INTO LJ_SUBGR VALUES ('1', '01', 'DIVERSOS')");
        Loja().Exec("INSERT INTO LJ_UNID VALUES ('UN', '01', 'UNIDADE')");
        Loja().Exec("INSERT INTO LJ_COLEC VALUES ('1', '01', 'BASICA')");
    }
    void Produto(const QString& codigo, const QString& fornecedor, const TValue& generico) {
        Loja().Exec(
            "INSERT INTO LJ_ITENS (ITE_CODIGO, ITE_CODIGO_ESTAB, ITE_CODIGO_FORNE, ITE_CODIGO_GRUPO, "
            "ITE_CODIGO_SUBGRUPO, ITE_CODIGO_COLECAO, ITE_CODIGO_UNIDADE, ITE_DESCRICAO, ITE_CODIGO_GEN) "
            "VALUES (?, '01', ?, '1', '1', '1', 'UN', 'PRODUTO', ?)",
            {codigo, fornecedor, generico});
    }
    void Fornecedor(const QString& codigo, const QString& nome) {
        Loja().Exec("INSERT INTO LJ_FORNE (FOR_CODIGO, FOR_DESCRICAO, FOR_ENDERECO, FOR_CIDADE, FOR_BAIRRO, "
                    "FOR_CEP, FOR_ESTADO, FOR_INSCR_ESTADUAL, FOR_DATA_INCLUSAO) "
                    "VALUES (?, ?, 'RUA A, 1', 'CIDADE', 'BAIRRO', '30000000', 'MG', '1', ?)",
                    {codigo, nome, Day(2010, 1, 1)});
    }
    void Venda(const QString& numero, const QString& cliente) {
        Loja().Exec("INSERT INTO LJ_VENDA (VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
                    "VEN_HORA_EMISSAO, VEN_NAT_OP, VEN_FORMA_PG_ENTRADA) VALUES (?, '01', ?, ?, ?, 1, 1)",
                    {numero, cliente, Day(2014, 1, 2), Day(1899, 12, 30, 9)});
    }
    void Item(const QString& venda, const QString& codigo, const QString& fornecedor) {
        Loja().Exec("INSERT INTO LJ_ITVEN (ITV_CODIGO_VENDA, ITV_CODIGO, ITV_CODIGO_FORNE, ITV_CODIGO_ESTAB, "
                    "ITV_QUANTIDADE, ITV_VALOR_TOTAL, ITV_VALOR_UNITARIO, ITV_DATA_VENDA, ITV_HORA_VENDA) "
                    "VALUES (?, ?, ?, '01', 1, 10, 10, ?, ?)",
                    {venda, codigo, fornecedor, Day(2014, 1, 2), Day(1899, 12, 30, 9)});
    }
};

TEST_F(Relatorio, EveryRowThatDidNotArriveIsNamedByItsLegacyKeyAndEveryStepAddsUp) {
    // Customer 00002 is refused, so its sale, its items and its open entry go too; customer 00003
    // has a blank name.
    Kelmor().Exec("ALTER TABLE SCA_CLIENTE ADD CONSTRAINT CK_SEM_BRUNO CHECK (CLI_NOME <> 'BRUNO')");
    Loja().Insert("LJ_CLIEN", {{"CLI_CODIGO", QString("00001")}, {"CLI_DESCRICAO", QString("ANA")}});
    Loja().Insert("LJ_CLIEN", {{"CLI_CODIGO", QString("00002")}, {"CLI_DESCRICAO", QString("BRUNO")}});
    Loja().Insert("LJ_CLIEN", {{"CLI_CODIGO", QString("00003")}, {"CLI_DESCRICAO", QString("  ")}});
    Fornecedor("0001", "ACME");
    Fornecedor("0002", " ");
    // The destination refuses every supplier link of supplier 1.
    Kelmor().Exec("ALTER TABLE SCA_ITEMFORNECEDOR ADD CONSTRAINT CK_SEM_FORNECEDOR_1 "
                  "CHECK (IFO_CODIGO_FORNECEDOR <> 1)");
    Classificacao();
    Produto("P1", "0001", int64_t{1});
    Produto("P2", "0001", int64_t{-1234567890}); // its code does not fit: the product fails
    Venda("000001", "00001");
    Venda("000002", "00002");
    Item("000001", "P1", "0001");
    Item("000001", "P2", "0001"); // the product failed: not found
    Item("000002", "P1", "0001"); // its sale was left out
    Item("000003", "P1", "0001"); // no such sale at all
    Loja().Exec(
        "INSERT INTO LJ_LANCA (LAN_CODIGO, LAN_CODIGO_ESTAB, LAN_CODIGO_CLIEN, LAN_CODIGO_VENDA, "
        "LAN_DATA_VENCTO, LAN_DATA_EMISSAO, LAN_PARCELA, LAN_VALOR_LANC, LAN_VALOR_PAGO, LAN_TIPO_DEBITO) "
        "VALUES ('000077', '01', '00002', '000002', ?, ?, '1', 10, 0, 1)",
        {Day(2014, 2, 2), Day(2014, 1, 2)});
    Loja().Exec("INSERT INTO LJ_BARRA (BAR_CODIGO, BAR_CODIGO_ITEM, BAR_CODIGO_FORNE, BAR_CODIGO_ESTAB) "
                "VALUES ('1234567', 'P1', '0001', '01')");
    Loja().Exec("INSERT INTO LJ_BARRA (BAR_CODIGO, BAR_CODIGO_ITEM, BAR_CODIGO_FORNE, BAR_CODIGO_ESTAB) "
                "VALUES ('7890000000002', 'P2', '0001', '01')");

    OnlySteps({Form().cb_Cliente, Form().chk_Fornecedores, Form().chk_Produtos, Form().chk_Vendas,
               Form().chk_ContaCorrente});
    Run();
    Press(Form().btn_CodigoBarra);
    const QStringList reports = Reports();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports[0].endsWith("-importacao.txt")) << reports[0].toStdString();
    EXPECT_TRUE(reports[1].endsWith("-codigos-de-barras.txt")) << reports[1].toStdString();
    // The closing box of refusals names the run's report.
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(QFileInfo(boxes.back().report).fileName(), QFileInfo(reports[0]).fileName());

    const Report run = ReadReport(reports[0]), codes = ReadReport(reports[1]);
    const QString runText = ReportText(reports[0]), codesText = ReportText(reports[1]);
    EXPECT_EQ(run.end, QStringList{"concluída"});
    EXPECT_TRUE(
        runText.contains("etapas marcadas: Clientes, Fornecedores, Produtos, Vendas, Conta Corrente"));
    // step: na tabela, lidas, migradas, recusadas, com falha, deixadas de fora, não alcançadas
    using Counts = std::vector<int64_t>;
    auto countsOf = [](const ReportStep& s) {
        return Counts{s.inTable, s.read, s.migrated, s.refused, s.failed, s.leftOut, s.notReached};
    };
    const std::map<QString, Counts> counts{
        {"Clientes", {3, 3, 1, 1, 0, 1, 0}},       {"Fornecedores", {2, 2, 1, 0, 0, 1, 0}},
        {"Produtos", {2, 2, 1, 0, 1, 0, 0}},       {"Vendas", {2, 2, 1, 0, 0, 1, 0}},
        {"Vendas (itens)", {4, 4, 1, 0, 1, 2, 0}}, {"Conta Corrente", {1, 1, 0, 0, 0, 1, 0}},
    };
    ASSERT_EQ(run.steps.size(), counts.size()) << runText.toStdString();
    for (const auto& [step, expected] : counts) {
        const ReportStep& line = StepNamed(run, step);
        EXPECT_TRUE(AddsUp(line)) << step.toStdString();
        EXPECT_EQ(countsOf(line), expected) << step.toStdString();
    }
    ASSERT_EQ(codes.steps.size(), 1u);
    EXPECT_TRUE(AddsUp(codes.steps[0]));
    EXPECT_EQ(countsOf(codes.steps[0]), Counts({2, 2, 0, 0, 0, 2, 0}));

    struct Expected {
        const Report& report;
        QString step, key, situation, table, reason; // the reason as it starts
    };
    const Expected losses[] = {
        {run, "Clientes", "00002", "recusada", "SCA_CLIENTE",
         "Operation violates CHECK constraint CK_SEM_BRUNO"},
        {run, "Clientes", "00003", "deixada de fora", "SCA_CLIENTE", "nome em branco"},
        {run, "Fornecedores", "0002", "deixada de fora", "SCA_FORNECEDOR", "nome em branco"},
        {run, "Produtos", "estabelecimento 01, fornecedor 0001, item P1", "recusada", "SCA_ITEMFORNECEDOR",
         "Operation violates CHECK constraint CK_SEM_FORNECEDOR_1"},
        {run, "Produtos", "estabelecimento 01, fornecedor 0001, item P2", "com falha", "SCA_ITEM",
         "'-1234567890' does not fit column ITE_CODIGO_ALTERNATIVO"},
        {run, "Vendas", "000002", "deixada de fora", "SCA_SAIDA", "cliente 00002 não está no destino"},
        {run, "Vendas (itens)", "venda 000001, item P2 (fornecedor 0001, estabelecimento 01)", "com falha",
         "SCA_ITEMSAIDA", "produto não encontrado no destino"},
        {run, "Vendas (itens)", "venda 000002, item P1 (fornecedor 0001, estabelecimento 01)",
         "deixada de fora", "SCA_ITEMSAIDA", "venda 000002 não está no destino"},
        {run, "Vendas (itens)", "venda 000003, item P1 (fornecedor 0001, estabelecimento 01)",
         "deixada de fora", "SCA_ITEMSAIDA", "venda 000003 não está no destino"},
        {run, "Conta Corrente", "000077", "deixada de fora", "SCA_CONTAARECEBER",
         "cliente 00002 não está no destino"},
        {codes, "Importar somente Código de Barras", "1234567", "deixada de fora", "SCA_CODIGOBARRAS",
         "código de barras com menos de 8 caracteres"},
        {codes, "Importar somente Código de Barras", "7890000000002", "deixada de fora", "SCA_CODIGOBARRAS",
         "produto de código"},
    };
    for (const Expected& e : losses) {
        const ReportLoss* line = LossOf(e.report, e.step, e.key);
        ASSERT_TRUE(line) << e.key.toStdString() << " is missing from\n"
                          << (runText + codesText).toStdString();
        EXPECT_EQ(line->situation, e.situation) << e.key.toStdString();
        EXPECT_EQ(line->destinationTable, e.table) << e.key.toStdString();
        EXPECT_TRUE(line->reason.startsWith(e.reason)) << line->reason.toStdString();
    }
    EXPECT_EQ(run.losses.size() + codes.losses.size(), std::size(losses)) << runText.toStdString();
}

TEST_F(Relatorio, AnErrorInTheProductsNamesTheProductUnderWayAndTheRowsItLeft) {
    Classificacao();
    Produto("P1", "0", int64_t{1});
    // The company row's key is beyond 32 bits: the run ends after the item was written.
    Kelmor().Exec("SET GENERATOR GEN_IEM_PK_ITEMEMPRESA TO 2147483647");
    OnlySteps({Form().chk_Produtos});
    Run();
    ASSERT_EQ(Errors().size(), 1u);
    ASSERT_EQ(Reports().size(), 1);
    EXPECT_EQ(QFileInfo(boxes[0].report).fileName(), QFileInfo(Reports()[0]).fileName());
    const Report report = ReadReport(Reports()[0]);
    EXPECT_TRUE(AddsUp(StepNamed(report, "Produtos")));
    EXPECT_EQ(StepNamed(report, "Produtos").notReached, 1);
    CloseForm(); // commits what the failed run wrote
    const QString item = Kelmor().Lines("SELECT ITE_PK_ITEM FROM SCA_ITEM").value(0);
    ASSERT_FALSE(item.isEmpty());
    EXPECT_EQ(report.end.join('\n'),
              "interrompida por erro\n"
              "erro: O gerador GEN_IEM_PK_ITEMEMPRESA deu o valor 2147483648, que não cabe nos 32 "
              "bits da chave\n"
              "etapa: Produtos\n"
              "linha de origem em curso: LJ_ITENS estabelecimento 01, fornecedor 0, item P1\n"
              "já gravado no destino para ela (remover ou completar à mão): SCA_ITEM " +
                  item);
}

TEST_F(Relatorio, AReportThatCannotBeWrittenKeepsTheJobFromStarting) {
    Loja().Insert("LJ_CLIEN", {{"CLI_CODIGO", QString("00001")}, {"CLI_DESCRICAO", QString("ANA")}});
    OnlySteps({Form().cb_Cliente});
    {
        FileSizeLimit full(0); // a new file takes no byte, as on a full disk
        Run();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, TMsgIcon::Error);
    EXPECT_TRUE(boxes[0].text.startsWith("Não foi possível criar o relatório " + Dir() + "/Importacao-"))
        << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("-importacao.txt: ")) << boxes[0].text.toStdString();
    EXPECT_TRUE(Reports().isEmpty()) << Reports().join(' ').toStdString();
    EXPECT_TRUE(Form().Button1->isEnabled());
    CloseForm();
    EXPECT_EQ(Kelmor().Count("SCA_CLIENTE"), 0);
}

} // namespace
