// The benchmark's own parts: the generated store (the same for a seed, one the migration can run
// through, with a real store's variety) and the floor (its replay gives the run's destination).
#include "BenchRun.h"
#include "GenerateStore.h"
#include "Links.h"
#include "Recorder.h"
#include "Report.h"

#include "Errors.h"
#include "Firebird.h"
#include "Text.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace {

using Rows = std::vector<std::vector<TValue>>;

class Sql {
public:
    explicit Sql(const QString& path) { db_.Attach(path, "SYSDBA", "masterkey", "WIN1252"); }
    Rows Select(const QString& sql) {
        FbTransaction tr;
        tr.Start(db_);
        Rows rows;
        {
            FbStatement st(db_, tr, sql);
            st.Execute(tr, {});
            std::vector<TValue> row;
            while (st.Fetch(row))
                rows.push_back(row);
        }
        tr.Commit();
        return rows;
    }
    int64_t Count(const QString& sql) {
        Rows rows = Select(sql);
        return rows.empty() ? 0 : std::get<int64_t>(rows[0][0]);
    }
    QStringList Texts(const QString& sql) {
        QStringList out;
        for (const auto& row : Select(sql))
            out << (IsNull(row[0]) ? QString() : std::get<QString>(row[0]));
        return out;
    }
    FbAttachment& Attachment() { return db_; }
    void Exec(const QString& sql) {
        FbTransaction tr;
        tr.Start(db_);
        FbStatement(db_, tr, sql).Execute(tr, {});
        tr.Commit();
    }

private:
    FbAttachment db_;
};

QString Cell(const TValue& v) {
    if (auto p = std::get_if<int64_t>(&v)) return "i" + QString::number(*p);
    if (auto p = std::get_if<double>(&v)) return "d" + QString::number(*p, 'g', 17);
    if (auto p = std::get_if<TCurrency>(&v)) return "c" + QString::number(p->units);
    if (auto p = std::get_if<TDateTime>(&v)) return "t" + QString::number(p->value, 'g', 17);
    if (auto p = std::get_if<QString>(&v)) return "s" + *p;
    return "null";
}

// A digest of the tables' rows whatever their order, and of the generators' values.
QByteArray Digest(Sql& db, const QStringList& tables) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& table : tables) {
        QStringList lines;
        for (const auto& row : db.Select("SELECT * FROM " + table)) {
            QStringList cells;
            for (const TValue& v : row)
                cells << Cell(v);
            lines << cells.join('|');
        }
        lines.sort();
        hash.addData((table + '\n' + lines.join('\n')).toUtf8());
    }
    for (const QString& g : db.Texts("SELECT TRIM(RDB$GENERATOR_NAME) FROM RDB$GENERATORS "
                                     "WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1"))
        hash.addData(
            (g + QString::number(db.Count("SELECT GEN_ID(" + g + ", 0) FROM RDB$DATABASE"))).toUtf8());
    return hash.result();
}

QStringList UserTables(Sql& db) {
    return db.Texts("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 "
                    "AND RDB$VIEW_BLR IS NULL ORDER BY 1");
}

const QStringList kLegacyTables{"LJ_FUNC",  "LJ_CLIEN", "LJ_FORNE", "LJ_GRUPO", "LJ_SUBGR",
                                "LJ_UNID",  "LJ_COLEC", "LJ_ITENS", "LJ_PRECO", "LJ_BARRA",
                                "LJ_VENDA", "LJ_ITVEN", "LJ_LANCA"};

// Codes the migration compares as numbers: blank is allowed where the column may be empty.
int64_t NotWholeNumbers(Sql& db, const QString& sql, bool blankAllowed) {
    int64_t bad = 0;
    for (const QString& code : db.Texts(sql)) {
        bool ok = false;
        code.trimmed().toLongLong(&ok);
        if (!ok && !(blankAllowed && code.trimmed().isEmpty())) ++bad;
    }
    return bad;
}

// Every row of the destination's tables as text, each table's rows sorted. Left out: the times of
// day the run writes (the columns named _HR_), and a sale item's key and ordinal, which follow the
// order of the items of one sale (their statement sorts by sale alone). `padless`: texts as a
// fixed-width legacy column gives them, without blanks at their end.
QStringList Contents(const QString& path, bool padless = false) {
    Sql db(path);
    FbAttachment& a = db.Attachment();
    QStringList out;
    for (const QString& table : UserTables(db)) {
        FbTransaction tr;
        tr.Start(a);
        QStringList lines;
        {
            FbStatement st(a, tr, "SELECT * FROM " + table);
            st.Execute(tr, {});
            std::vector<TValue> row;
            while (st.Fetch(row)) {
                QStringList cells;
                for (size_t c = 0; c < row.size(); ++c)
                    if (const QString& name = st.Columns()[c].name;
                        !name.contains("_HR_") && name != "ISA_PK_ITEMSAIDA" && name != "ISA_NR_ORDEM")
                        cells << (padless ? WithoutTrailingBlanks(Cell(row[c])) : Cell(row[c]));
                lines << table + ": " + cells.join('|');
            }
        }
        tr.Commit();
        lines.sort();
        out << lines;
    }
    return out;
}

} // namespace

TEST(BenchGerador, SameSeedGivesTheSameStoreAnotherSeedAnother) {
    QTemporaryDir a, b, c;
    const Scale demo = *ScaleByName("demo");
    StoreCounts first = GenerateStore(a.path(), demo, 7);
    StoreCounts second = GenerateStore(b.path(), demo, 7);
    GenerateStore(c.path(), demo, 8);
    EXPECT_EQ(first.rows, second.rows);
    Sql la(a.path() + "/LOJA.GDB"), lb(b.path() + "/LOJA.GDB"), lc(c.path() + "/LOJA.GDB");
    EXPECT_EQ(Digest(la, kLegacyTables), Digest(lb, kLegacyTables));
    EXPECT_NE(Digest(la, kLegacyTables), Digest(lc, kLegacyTables));
}

TEST(BenchGerador, DemoStoreHoldsWhatEveryStepReadsAndNothingThatStopsTheRun) {
    QTemporaryDir dir;
    StoreCounts counts = GenerateStore(dir.path(), *ScaleByName("demo"), 1);
    Sql loja(dir.path() + "/LOJA.GDB");
    for (const QString& table : kLegacyTables) {
        EXPECT_GT(counts.Of(table), 0) << table.toStdString();
        EXPECT_EQ(loja.Count("SELECT COUNT(*) FROM " + table), counts.Of(table)) << table.toStdString();
    }
    EXPECT_EQ(counts.Of("LJ_CLIEN"), 40);
    EXPECT_EQ(counts.Of("LJ_VENDA"), 80);

    // Every product reaches the product step: its classification rows exist for its establishment.
    EXPECT_EQ(
        loja.Count(
            "SELECT COUNT(*) FROM LJ_ITENS "
            "INNER JOIN LJ_GRUPO ON ITE_CODIGO_GRUPO = GRU_CODIGO AND ITE_CODIGO_ESTAB = GRU_CODIGO_ESTAB "
            "INNER JOIN LJ_SUBGR ON ITE_CODIGO_SUBGRUPO = SUB_CODIGO AND ITE_CODIGO_ESTAB = SUB_CODIGO_ESTAB "
            "INNER JOIN LJ_UNID ON ITE_CODIGO_UNIDADE = UNI_CODIGO AND ITE_CODIGO_ESTAB = UNI_CODIGO_ESTAB "
            "INNER JOIN LJ_COLEC ON ITE_CODIGO_COLECAO = COL_CODIGO AND ITE_CODIGO_ESTAB = COL_CODIGO_ESTAB"),
        counts.Of("LJ_ITENS"));
    // Items name existing products; every sale has 1 to 10 of them; sales name named customers.
    EXPECT_EQ(
        loja.Count("SELECT COUNT(*) FROM LJ_ITVEN INNER JOIN LJ_ITENS ON ITV_CODIGO_ESTAB = ITE_CODIGO_ESTAB "
                   "AND ITV_CODIGO_FORNE = ITE_CODIGO_FORNE AND ITV_CODIGO = ITE_CODIGO"),
        counts.Of("LJ_ITVEN"));
    Rows perSale = loja.Select("SELECT MIN(N), MAX(N), COUNT(*) FROM "
                               "(SELECT COUNT(*) AS N FROM LJ_ITVEN GROUP BY ITV_CODIGO_VENDA)");
    EXPECT_GE(std::get<int64_t>(perSale[0][0]), 1);
    EXPECT_LE(std::get<int64_t>(perSale[0][1]), 10);
    EXPECT_EQ(std::get<int64_t>(perSale[0][2]), counts.Of("LJ_VENDA"));
    EXPECT_EQ(loja.Count("SELECT COUNT(*) FROM LJ_VENDA WHERE NOT EXISTS (SELECT 1 FROM LJ_CLIEN "
                         "WHERE CLI_CODIGO = VEN_CODIGO_CLIEN AND TRIM(CLI_DESCRICAO) <> '')"),
              0);
    // Open entries all have a type, and a sale's instalments name that sale of that customer and day.
    EXPECT_EQ(loja.Count("SELECT COUNT(*) FROM LJ_LANCA WHERE (LAN_VALOR_LANC - LAN_VALOR_PAGO) <> 0 "
                         "AND (LAN_TIPO_DEBITO IS NULL OR LAN_TIPO_DEBITO NOT BETWEEN 1 AND 4)"),
              0);
    EXPECT_EQ(loja.Count(
                  "SELECT COUNT(*) FROM LJ_LANCA WHERE LAN_TIPO_DEBITO = 1 AND NOT EXISTS (SELECT 1 "
                  "FROM LJ_VENDA WHERE VEN_CODIGO = LAN_CODIGO_VENDA AND VEN_CODIGO_CLIEN = LAN_CODIGO_CLIEN "
                  "AND VEN_DATA_EMISSAO = LAN_DATA_EMISSAO)"),
              0);
    EXPECT_GT(loja.Count("SELECT COUNT(*) FROM LJ_LANCA WHERE (LAN_VALOR_LANC - LAN_VALOR_PAGO) <> 0 "
                         "AND LAN_DATA_PAGO IS NULL"),
              0);
    EXPECT_GT(loja.Count("SELECT COUNT(*) FROM LJ_LANCA WHERE LAN_DATA_PAGO IS NOT NULL"), 0);
    // Codes compared as numbers are numbers, so the demo runs to its end.
    EXPECT_EQ(NotWholeNumbers(loja, "SELECT FUN_CODIGO FROM LJ_FUNC", false), 0);
    EXPECT_EQ(NotWholeNumbers(loja,
                              "SELECT VEN_CODIGO || '' FROM LJ_VENDA UNION ALL SELECT VEN_CODIGO_CLIEN "
                              "FROM LJ_VENDA UNION ALL SELECT LAN_CODIGO_CLIEN FROM LJ_LANCA",
                              false),
              0);
    EXPECT_EQ(NotWholeNumbers(loja,
                              "SELECT VEN_CODIGO_FUNC FROM LJ_VENDA UNION ALL SELECT LAN_CODIGO_VENDA "
                              "FROM LJ_LANCA",
                              true),
              0);
    // The demo's bar codes are all real ones, of existing products.
    const QRegularExpression barcode("^[0-9]{8,13}$");
    for (const QString& code : loja.Texts("SELECT BAR_CODIGO FROM LJ_BARRA"))
        EXPECT_TRUE(barcode.match(code).hasMatch()) << code.toStdString();
    EXPECT_EQ(
        loja.Count("SELECT COUNT(*) FROM LJ_BARRA LEFT JOIN LJ_ITENS ON BAR_CODIGO_ITEM = ITE_CODIGO AND "
                   "BAR_CODIGO_FORNE = ITE_CODIGO_FORNE AND BAR_CODIGO_ESTAB = ITE_CODIGO_ESTAB "
                   "WHERE ITE_CODIGO_GEN IS NULL"),
        0);

    Sql kelmor(dir.path() + "/KELMOR.FDB");
    QStringList tables = UserTables(kelmor);
    EXPECT_TRUE(tables.contains("SCA_CLIENTE"));
    for (const QString& table : tables)
        EXPECT_EQ(kelmor.Count("SELECT COUNT(*) FROM " + table), 0) << table.toStdString();
}

TEST(BenchGerador, LargerStoresHoldTheVarietyOfARealOne) {
    QTemporaryDir dir;
    GenerateStore(dir.path(), *ScaleByName("small"), 1);
    Sql loja(dir.path() + "/LOJA.GDB");
    // The same customer under two codes of the same digits.
    std::map<QString, int> digits;
    for (QString code : loja.Texts("SELECT CLI_CODIGO FROM LJ_CLIEN")) {
        code.remove(QRegularExpression("[^0-9]"));
        ++digits[QString::number(code.toLongLong())];
    }
    EXPECT_TRUE(std::any_of(digits.begin(), digits.end(), [](const auto& d) { return d.second > 1; }));
    // Addresses typed every way: with a comma, with Nº, with the number at the end, without one.
    auto customers = [&](const QString& where) {
        return loja.Count("SELECT COUNT(*) FROM LJ_CLIEN WHERE " + where);
    };
    EXPECT_GT(customers("CLI_ENDERECO LIKE '%, %'"), 100);
    EXPECT_GT(customers(QString::fromUtf8("CLI_ENDERECO LIKE '%Nº%'")), 50);
    EXPECT_GT(customers("CLI_ENDERECO NOT LIKE '%,%' AND CLI_ENDERECO SIMILAR TO '%[0-9]'"), 50);
    EXPECT_GT(customers("CLI_ENDERECO NOT SIMILAR TO '%[0-9]%'"), 10);
    // Neighbourhoods, cities and phones shared by many customers.
    EXPECT_LT(loja.Count("SELECT COUNT(DISTINCT CLI_BAIRRO) FROM LJ_CLIEN"), 30);
    EXPECT_LT(loja.Count("SELECT COUNT(DISTINCT CLI_CIDADE) FROM LJ_CLIEN"), 20);
    EXPECT_GT(loja.Count("SELECT COUNT(*) FROM (SELECT CLI_FONE1 FROM LJ_CLIEN GROUP BY CLI_FONE1 "
                         "HAVING COUNT(*) > 1)"),
              5);
    // Products of many groups and units, some also listed by a second establishment.
    EXPECT_GE(
        loja.Count("SELECT COUNT(DISTINCT ITE_CODIGO_GRUPO) FROM LJ_ITENS WHERE ITE_CODIGO_ESTAB = '01'"),
        15);
    EXPECT_GE(
        loja.Count("SELECT COUNT(DISTINCT ITE_CODIGO_UNIDADE) FROM LJ_ITENS WHERE ITE_CODIGO_ESTAB = '01'"),
        6);
    EXPECT_GT(loja.Count("SELECT COUNT(*) FROM LJ_ITENS WHERE ITE_CODIGO_ESTAB = '02'"), 0);
    // Two years of sales; entries of each type both open and paid.
    EXPECT_GE(
        loja.Count("SELECT DATEDIFF(DAY FROM MIN(VEN_DATA_EMISSAO) TO MAX(VEN_DATA_EMISSAO)) FROM LJ_VENDA"),
        700);
    for (int type = 1; type <= 4; ++type) {
        QString t = QString::number(type);
        EXPECT_GT(loja.Count("SELECT COUNT(*) FROM LJ_LANCA WHERE LAN_TIPO_DEBITO = " + t +
                             " AND (LAN_VALOR_LANC - LAN_VALOR_PAGO) <> 0 AND LAN_DATA_PAGO IS NULL"),
                  0)
            << type;
        EXPECT_GT(loja.Count("SELECT COUNT(*) FROM LJ_LANCA WHERE LAN_TIPO_DEBITO = " + t +
                             " AND LAN_DATA_PAGO IS NOT NULL"),
                  0)
            << type;
    }
    // Labels too short to be bar codes.
    EXPECT_GT(loja.Count("SELECT COUNT(*) FROM LJ_BARRA WHERE CHAR_LENGTH(TRIM(BAR_CODIGO)) < 8"), 0);
}

// A legacy file that an old server wrote and Firebird 3's gbak restored keeps SQL dialect 1 (its
// NUMERIC(18,3) are doubles) and often the character set NONE; older store systems declared their
// texts CHAR. Either file migrates exactly as the same store in the usual file (where a CHAR
// column cannot keep the blanks a text ends with, as they stand without them).
TEST(BenchGerador, LegacyFilesOfDialect1OrFixedWidthTextsMigrateAsTheUsualOne) {
    const Scale scale = *ScaleByName("small");
    QTemporaryDir usualDir;
    GenerateStore(usualDir.path(), scale, 5);
    StatementRecorder none{QString()};
    const QString usualFailures = RunFailures(RunForm(usualDir.path(), none)).join('\n');
    EXPECT_TRUE(usualFailures.isEmpty()) << usualFailures.toStdString();
    const struct {
        const char* name;
        DatabaseFormat format;
    } formats[] = {{"dialect 1, character set NONE", {.dialect = 1, .charset = "NONE"}},
                   {"CHAR texts", {.fixedWidthTexts = true}}};
    for (const auto& f : formats) {
        QTemporaryDir dir;
        GenerateStore(dir.path(), scale, 5, f.format);
        const QString failures = RunFailures(RunForm(dir.path(), none)).join('\n');
        EXPECT_EQ(failures.toStdString(), usualFailures.toStdString()) << f.name;
        const QStringList usual = Contents(usualDir.path() + "/KELMOR.FDB", f.format.fixedWidthTexts);
        EXPECT_GT(usual.size(), 20000);
        const QStringList rows = Contents(dir.path() + "/KELMOR.FDB");
        EXPECT_EQ(rows.size(), usual.size()) << f.name;
        int shown = 0;
        for (qsizetype i = 0; i < std::min(rows.size(), usual.size()) && shown < 5; ++i)
            if (rows[i] != usual[i]) {
                ADD_FAILURE() << f.name << ":\n  " << rows[i].toStdString() << "\nusual:\n  "
                              << usual[i].toStdString();
                ++shown;
            }
    }
}

TEST(BenchPiso, RecordKeepsEveryValueAndCommitAndReplayGoesOnPastARefusal) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/T.FDB";
    {
        FbAttachment db;
        db.Create(path, "SYSDBA", "masterkey", "WIN1252");
    }
    Sql db(path);
    db.Exec("CREATE TABLE T (K INTEGER NOT NULL PRIMARY KEY, I BIGINT, D DOUBLE PRECISION, N NUMERIC(18,4), "
            "W TIMESTAMP, S VARCHAR(40))");
    const QString insert = "INSERT INTO T (K, I, D, N, W, S) VALUES (?, ?, ?, ?, ?, ?)";
    const std::vector<TValue> rows[] = {{int64_t{1}, int64_t{-1234567890123}, 2.5,
                                         TCurrency::FromUnits(-123456), TDateTime{41275.75},
                                         QString::fromUtf8("AÇÃO Nº 5")},
                                        {int64_t{2}, TValue{}, TValue{}, TValue{}, TValue{}, QString()},
                                        {int64_t{3}, int64_t{0}, -0.125, TCurrency::FromUnits(1),
                                         TDateTime{-1.25}, QString(300, 'x').left(40)}};

    StatementRecorder record(dir.path() + "/t.rec");
    record.Mark("um");
    record.Executed(insert, rows[0]);
    record.Committed(true);
    record.Mark("dois");
    record.Executed(insert, rows[0]); // the same key again: refused
    record.Executed(insert, rows[1]);
    record.Executed("SELECT K FROM T", {});
    record.Executed(insert, rows[2]);
    record.Committed(false);
    record.Finish();
    ASSERT_EQ(record.Segments().size(), 2u);
    EXPECT_EQ(record.Segments()[1].statements, 4);
    EXPECT_EQ(record.Segments()[1].writes, 3);
    EXPECT_EQ(record.Texts().size(), 2);

    ReplayResult replay = Replay(record, path);
    ASSERT_EQ(replay.segments.size(), 2u);
    EXPECT_EQ(replay.segments[0].name, "um");
    EXPECT_EQ(replay.segments[1].failures, 1);
    EXPECT_EQ(replay.statements, 5);
    Rows stored = db.Select("SELECT K, I, D, N, W, S FROM T ORDER BY K");
    ASSERT_EQ(stored.size(), 3u);
    for (size_t r = 0; r < 3; ++r)
        for (size_t c = 0; c < 6; ++c) {
            // An empty text arrives as the empty text; everything else exactly as recorded.
            EXPECT_EQ(Cell(stored[r][c]), Cell(rows[r][c])) << r << ',' << c;
        }
}

TEST(BenchPiso, ReplayOnTheUntouchedCopyGivesTheDestinationTheRunLeft) {
    QTemporaryDir dir;
    GenerateStore(dir.path(), *ScaleByName("demo"), 3);
    const QString copy = dir.path() + "/KELMOR_PISO.FDB";
    ASSERT_TRUE(QFile::copy(dir.path() + "/KELMOR.FDB", copy));

    StatementRecorder record(dir.path() + "/statements.rec");
    RunFigures run = RunForm(dir.path(), record);
    record.Finish();
    ASSERT_EQ(run.steps.size(), record.Segments().size());
    int64_t writes = 0;
    for (size_t i = 0; i < run.steps.size(); ++i) {
        EXPECT_EQ(run.steps[i].name, record.Segments()[i].name);
        writes += run.steps[i].writes;
    }
    EXPECT_GT(writes, 0);
    EXPECT_TRUE(RunFailures(run).isEmpty()) << RunFailures(run).join('\n').toStdString();

    ReplayResult replay = Replay(record, copy);
    ASSERT_EQ(replay.segments.size(), run.steps.size());
    Sql ran(dir.path() + "/KELMOR.FDB"), replayed(copy);
    const QStringList tables = UserTables(ran);
    EXPECT_EQ(Digest(replayed, tables), Digest(ran, tables));

    // The rows a step wrote are the rows its tables gained.
    auto step = [&](const QString& name) {
        return *std::find_if(run.steps.begin(), run.steps.end(),
                             [&](const StepFigures& s) { return s.name == name; });
    };
    EXPECT_EQ(step(QString::fromUtf8("Funcionários")).writes,
              ran.Count("SELECT COUNT(*) FROM SCA_FUNCIONARIO"));
    EXPECT_EQ(step(QString::fromUtf8("Funcionários")).sourceRows, 5);
    EXPECT_EQ(step(QString::fromUtf8("Código de Barras")).writes,
              ran.Count("SELECT COUNT(*) FROM SCA_CODIGOBARRAS"));
    EXPECT_EQ(step(QString::fromUtf8("Código de Barras")).sourceRows, 60);

    // Each press wrote a report of its own that accounts for every row it read.
    const std::map<QString, int64_t> migrated =
        MigratedOnDestination(dir.path() + "/KELMOR.FDB", CountDestinationRows(dir.path() + "/KELMOR.FDB"));
    int reports = 0;
    for (const StepFigures& s : run.steps) {
        if (s.report.isEmpty()) continue;
        ++reports;
        const Report report = ReadReport(s.report);
        EXPECT_FALSE(report.steps.empty()) << s.report.toStdString();
        EXPECT_TRUE(ReportFailures(report, migrated).isEmpty())
            << ReportFailures(report, migrated).join('\n').toStdString();
    }
    EXPECT_EQ(reports, 8);
}

// A finished report as the form writes it, and what each way of not accounting for a row makes of it.
TEST(BenchReport, EveryRowNotAccountedForIsAFailureAndAMalformedReportAnError) {
    const QString finished = QString::fromUtf8(
        "Relatório de importação /x/LOJA.GDB → /x/KELMOR.FDB\n"
        "etapas marcadas: Vendas\n"
        "\n"
        "etapa\ttabela de origem\tna tabela\tlidas\tmigradas\trecusadas\tcom falha\tdeixadas de fora\t"
        "não alcançadas\tsegundos\n"
        "Vendas\tLJ_VENDA\t5\t5\t3\t0\t0\t2\t0\t0.38\n"
        "Vendas (itens)\tLJ_ITVEN\t9\t8\t5\t1\t1\t1\t0\t1.33\n"
        "\n"
        "tabela de destino\tinseridas\tatualizadas\trecusadas\n"
        "SCA_SAIDA\t3\t0\t0\n"
        "\n"
        "etapa\ttabela de origem\tchave na origem\tsituação\ttabela de destino\tmotivo\n"
        "Vendas\tLJ_VENDA\t000028\tdeixada de fora\tSCA_SAIDA\tcliente 00733 não está no destino\n"
        "Vendas\tLJ_VENDA\t000041\tdeixada de fora\tSCA_SAIDA\tcliente 02000 não está no destino\n"
        "Vendas (itens)\tLJ_ITVEN\tvenda 000028, item 7\tdeixada de fora\tSCA_ITEMSAIDA\tvenda 000028 "
        "não está no destino\n"
        "Vendas (itens)\tLJ_ITVEN\tvenda 000050, item 9\tcom falha\tSCA_ITEMSAIDA\tProduto não encontrado\n"
        "Vendas (itens)\tLJ_ITVEN\tvenda 000051, item 1\trecusada\tSCA_ITEMSAIDA\tviolation of FOREIGN KEY\n"
        "\n"
        "fim da tarefa: concluída\n");
    const std::map<QString, int64_t> migrated{{"Vendas", 3}, {"Vendas (itens)", 5}};
    auto change = [&](const char* from, const char* to) {
        return QString(finished).replace(QString::fromUtf8(from), QString::fromUtf8(to));
    };
    const QString items = "Vendas (itens)\tLJ_ITVEN\t9\t8\t5\t1\t1\t1\t0\t1.33";
    const struct {
        const char* what;
        QString text;
        std::map<QString, int64_t> migrated;
        QStringList failures; // a piece of each failure, in order; empty: the report accounts for all
    } cases[] = {
        {"as written", finished, migrated, {}},
        {"a line that does not add up",
         change("\t9\t8\t5", "\t9\t9\t5"),
         migrated,
         {"Vendas (itens): read 9 but migrated 5 + refused 1 + failed 1 + left out 1 + not reached 0 = 8"}},
        {"a failed row without its line",
         change("\tcom falha\tSCA", "\tfalhou\tSCA"),
         migrated,
         {"Vendas (itens): 1 rows failed, 0 lines name one",
          "situation \"falhou\" (key venda 000050, item 9)"}},
        {"a left-out row without its line",
         change("Vendas\tLJ_VENDA\t000041", "Venda\tLJ_VENDA\t000041"),
         migrated,
         {"Vendas: 2 rows left out, 1 lines name one", "names step \"Venda\""}},
        {"the destination holds another number",
         finished,
         {{"Vendas", 4}, {"Vendas (itens)", 5}},
         {"Vendas: 3 rows migrated, the destination holds 4"}},
        {"a step the bench has no table for",
         finished,
         {{"Vendas", 3}},
         {"Vendas (itens): no destination table known"}},
        {"finished with rows not reached",
         change("\t9\t8\t5\t1\t1\t1\t0", "\t9\t8\t4\t1\t1\t1\t1"),
         {{"Vendas", 3}, {"Vendas (itens)", 4}},
         {"Vendas (itens): the job finished with 1 rows not reached"}},
        {"ended by a signal",
         change("concluída", "interrompida por sinal\nparada na etapa Vendas"),
         migrated,
         {"the job did not finish: interrompida por sinal / parada na etapa Vendas"}},
        // A job killed while it worked: the lines of its lost rows first, then its counts and end.
        {"killed while it worked",
         QString::fromUtf8(
             "etapa\ttabela de origem\tchave na origem\tsituação\ttabela de destino\tmotivo\n\n") +
             finished.section("\n\n", 1, 1) + "\n\nfim da tarefa: em andamento\n",
         migrated,
         {"the job did not finish: em andamento", "Vendas: 2 rows left out, 0 lines name one",
          "Vendas (itens): 1 rows left out, 0 lines", "Vendas (itens): 1 rows failed, 0 lines"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Report parsed;
        ASSERT_NO_THROW(parsed = ParseReport(c.text)) << c.text.toStdString();
        const QStringList failures = ReportFailures(parsed, c.migrated);
        ASSERT_EQ(failures.size(), c.failures.size()) << failures.join('\n').toStdString();
        for (qsizetype i = 0; i < failures.size(); ++i)
            EXPECT_TRUE(failures[i].contains(c.failures[i])) << failures[i].toStdString();
    }

    const struct {
        const char* what;
        QString text;
        const char* error;
    } malformed[] = {
        {"no step header", change("\tna tabela\t", "\tna  tabela\t"), "step lines' header"},
        {"no header of the lost rows", change("\tchave na origem\t", "\tchave\t"), "did not arrive"},
        {"no end", finished.section("fim da tarefa", 0, 0), "without its end"},
        {"a step line short of a field", change(qPrintable(items), "Vendas (itens)\tLJ_ITVEN\t9\t8\t5\t1"),
         "report line 6: 6 fields, not 10"},
        {"a count that is no number", change("\t5\t5\t3\t", "\t5\tcinco\t3\t"), "\"cinco\" is not a number"},
    };
    for (const auto& m : malformed) {
        SCOPED_TRACE(m.what);
        try {
            ParseReport(m.text);
            ADD_FAILURE() << "parsed";
        } catch (const std::exception& e) {
            EXPECT_TRUE(ExceptionMessage(e).contains(m.error)) << ExceptionMessage(e).toStdString();
        }
    }
}

TEST(BenchPiso, RunWithoutItsSourceFailsWithTheDatabaseError) {
    QTemporaryDir dir;
    GenerateStore(dir.path(), *ScaleByName("demo"), 1);
    ASSERT_TRUE(QFile::remove(dir.path() + "/LOJA.GDB"));
    StatementRecorder record{QString()};
    RunFigures run = RunForm(dir.path(), record);
    QStringList failures = RunFailures(run);
    ASSERT_FALSE(failures.isEmpty());
    EXPECT_TRUE(failures.front().startsWith("abrir: error box: ")) << failures.front().toStdString();
    EXPECT_GT(run.errorBoxes, 1); // the run's steps cannot read their sources either
    EXPECT_EQ(record.Segments().size(), run.steps.size());
}

TEST(BenchPiso, BareDestinationKeepsOnlyItsPrimaryKeys) {
    QTemporaryDir dir;
    GenerateStore(dir.path(), *ScaleByName("demo"), 1);
    const QString path = dir.path() + "/KELMOR.FDB";
    const QString indexes = "SELECT TRIM(I.RDB$INDEX_NAME) FROM RDB$INDICES I JOIN RDB$RELATIONS R ON "
                            "R.RDB$RELATION_NAME = I.RDB$RELATION_NAME LEFT JOIN RDB$RELATION_CONSTRAINTS C "
                            "ON C.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE R.RDB$SYSTEM_FLAG = 0 AND ";
    const QString primary = indexes + "C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' ORDER BY 1";
    const QString other = indexes + "C.RDB$CONSTRAINT_TYPE IS DISTINCT FROM 'PRIMARY KEY' ORDER BY 1";
    QStringList keys, others;
    {
        // A unique key and a foreign key on it, named so that dropping by name would fail.
        Sql db(path);
        db.Exec("ALTER TABLE SCA_SAIDA ADD CONSTRAINT NUMERO_DA_SAIDA UNIQUE (SAI_NUMERO)");
        db.Exec("ALTER TABLE SCA_ITEMSAIDA ADD CONSTRAINT SAIDA_DO_ITEM FOREIGN KEY (ISA_CODIGO_SAIDA) "
                "REFERENCES SCA_SAIDA (SAI_NUMERO)");
        keys = db.Texts(primary);
        others = db.Texts(other);
    }
    EXPECT_TRUE(others.contains("IX_SAI_NUMERO") && others.contains("SAIDA_DO_ITEM"));

    QStringList dropped = DropSecondaryIndexes(path);
    dropped.sort();
    EXPECT_EQ(dropped, others);
    Sql db(path);
    EXPECT_EQ(db.Texts(primary), keys);
    EXPECT_TRUE(db.Texts(other).isEmpty()) << db.Texts(other).join(' ').toStdString();
    EXPECT_GE(keys.size(), 29);
}

// Either variant's triggers stand active on the tables it names and behave as a management
// system's would: an empty integer key filled from the generator and a given one kept, or the new
// customer logged through dynamic SQL.
TEST(BenchPiso, DestinationTriggersAreActiveAndTouchOnlyTheirOwnRowOrTheLog) {
    QTemporaryDir dir;
    GenerateStore(dir.path(), *ScaleByName("demo"), 1);
    const struct {
        DestinationTriggers kind;
        QStringList inserts;
        QStringList ones; // counts of 1 once the inserts ran
    } cases[] = {
        {DestinationTriggers::Own,
         {"INSERT INTO SCA_CLIENTE (CLI_NOME) VALUES ('SEM CHAVE')",
          "INSERT INTO SCA_CLIENTE (CLI_CODIGO, CLI_NOME) VALUES (5, 'CINCO')",
          "INSERT INTO SCA_CODIGOBARRAS (CBA_CODIGO) VALUES ('789')"},
         {"SELECT COUNT(*) FROM SCA_CLIENTE WHERE CLI_CODIGO = 1 AND CLI_NOME = 'SEM CHAVE'",
          "SELECT COUNT(*) FROM SCA_CLIENTE WHERE CLI_CODIGO = 5 AND CLI_NOME = 'CINCO'",
          "SELECT COUNT(*) FROM SCA_CODIGOBARRAS WHERE CBA_CODIGO = '789'"}},
        {DestinationTriggers::Audit,
         {"INSERT INTO SCA_CLIENTE (CLI_CODIGO) VALUES (7)"},
         {"SELECT COUNT(*) FROM BENCH_AUDITORIA", "SELECT COUNT(*) FROM BENCH_AUDITORIA WHERE TABELA = "
                                                  "'SCA_CLIENTE' AND CHAVE = 7 AND MOMENTO IS NOT NULL"}},
    };
    for (const auto& c : cases) {
        const QString path = dir.path() + QString("/KELMOR_%1.FDB").arg(static_cast<int>(c.kind));
        ASSERT_TRUE(QFile::copy(dir.path() + "/KELMOR.FDB", path));
        QStringList expected; // table, type (1 before insert, 2 after insert), inactive
        {
            Sql db(path);
            if (c.kind == DestinationTriggers::Own)
                for (const QString& table : UserTables(db))
                    expected << table + " 1 0";
            else
                expected << "SCA_CLIENTE 2 0";
        }
        QStringList added = AddDestinationTriggers(path, c.kind);
        added.sort();
        Sql db(path);
        const QString triggers = "FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME STARTING WITH 'BENCH_' ORDER BY 1";
        EXPECT_EQ(db.Texts("SELECT TRIM(RDB$RELATION_NAME) || ' ' || RDB$TRIGGER_TYPE || ' ' || "
                           "COALESCE(RDB$TRIGGER_INACTIVE, 0) " +
                           triggers),
                  expected);
        EXPECT_EQ(db.Texts("SELECT TRIM(RDB$TRIGGER_NAME) || ' on ' || TRIM(RDB$RELATION_NAME) " + triggers),
                  added);
        for (const QString& insert : c.inserts)
            db.Exec(insert);
        for (const QString& one : c.ones)
            EXPECT_EQ(db.Count(one), 1) << one.toStdString();
    }
}

// The keys variant gives exactly the tables keyed from one of the program's generators (whatever
// that generator's name) a trigger that stores another key than the one given; a row still naming
// the given key then points at nothing, and the link count finds it and nothing else.
TEST(BenchPiso, KeyTriggersStoreAnotherKeyAndTheLinkCountFindsWhatPointsAtNothing) {
    QTemporaryDir dir;
    GenerateStore(dir.path(), *ScaleByName("demo"), 1);
    const QString path = dir.path() + "/KELMOR.FDB";
    const DestinationRows empty = CountDestinationRows(path);
    EXPECT_GE(empty.links.size(), 30u);
    EXPECT_EQ(empty.Missing(), 0);
    EXPECT_TRUE(
        std::all_of(empty.tables.begin(), empty.tables.end(), [](const auto& t) { return t.second == 0; }));

    QStringList tables;
    for (const QString& added : AddDestinationTriggers(path, DestinationTriggers::Keys))
        tables << added.section(" on ", 1);
    for (const char* keyed : {"SCA_ITEM", "SCA_BAIRRO", "SCA_PARCELACONTAARECEBER"})
        EXPECT_TRUE(tables.contains(keyed)) << keyed;
    for (const char* coded : {"SCA_CLIENTE", "SCA_FORNECEDOR", "SCA_UNIDADEFEDERATIVA", "SCA_CODIGOBARRAS"})
        EXPECT_FALSE(tables.contains(coded)) << coded;
    Sql db(path);
    EXPECT_EQ(tables.size(), db.Count("SELECT COUNT(*) FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME "
                                      "STARTING WITH 'GEN_'")); // one table for each generator

    const struct {
        QString table, key, generator;
    } keyed[] = {{"SCA_ITEM", "ITE_PK_ITEM", "GEN_ITE_PK_ITEM"},
                 {"SCA_GRUPOPRODUTOS", "GPR_PK_GRUPOPRODUTO", "GEN_GPR_PK_GRUPOPRODUTOS"},
                 {"SCA_PARCELACONTAARECEBER", "PCR_PK_PARCELACONTAARECEBER", "GEN_PCR_PK_PARCELACR"}};
    for (const auto& k : keyed) {
        db.Exec(QString("INSERT INTO %1 (%2) VALUES (5)").arg(k.table, k.key));
        EXPECT_EQ(db.Count(QString("SELECT MIN(%1) FROM %2").arg(k.key, k.table)), 1)
            << k.table.toStdString();
        EXPECT_EQ(db.Count("SELECT GEN_ID(" + k.generator + ", 0) FROM RDB$DATABASE"), 1)
            << k.table.toStdString();
    }
    // The company row names the item by the key it was given; the location row by the stored one,
    // and its empty link to a company row is no link.
    db.Exec("INSERT INTO SCA_ITEMEMPRESA (IEM_PK_ITEMEMPRESA, IEM_CODIGO_ITEM) VALUES (1, 5)");
    db.Exec("INSERT INTO SCA_ITEMLOCALEMPRESA (ILE_PK_ITEMLOCALEMPRESA, ILE_CODIGO_ITEM) VALUES (1, 1)");
    const DestinationRows rows = CountDestinationRows(path);
    EXPECT_EQ(rows.Missing(), 1);
    EXPECT_EQ(DanglingLinks(rows), QStringList{"SCA_ITEMEMPRESA.IEM_CODIGO_ITEM -> SCA_ITEM: 1"});
    const QStringList written{"SCA_ITEM", "SCA_GRUPOPRODUTOS", "SCA_PARCELACONTAARECEBER", "SCA_ITEMEMPRESA",
                              "SCA_ITEMLOCALEMPRESA"};
    for (const auto& [table, n] : rows.tables)
        EXPECT_EQ(n, written.contains(table) ? 1 : 0) << table.toStdString();
}

// Whole stores on destinations whose triggers touch the keys: drawn again on every table keyed
// from a generator (with a foreign key on every link, as a management system keeps them, or with
// none), or kept where given. Every row arrives as on a destination without them, refusals
// included, and every link finds its row; kept keys leave the destination exactly as without.
TEST(BenchPiso, EveryLinkFollowsTheKeyTheDestinationStored) {
    const Scale scale = *ScaleByName("demo");
    StatementRecorder none{QString()};
    auto refused = [](const RunFigures& run) {
        std::vector<int64_t> out;
        for (const StepFigures& s : run.steps)
            out.push_back(s.refused);
        return out;
    };
    QTemporaryDir plainDir;
    GenerateStore(plainDir.path(), scale, 3);
    const RunFigures plainRun = RunForm(plainDir.path(), none);
    ASSERT_TRUE(RunFailures(plainRun).isEmpty()) << RunFailures(plainRun).join('\n').toStdString();
    const DestinationRows plain = CountDestinationRows(plainDir.path() + "/KELMOR.FDB");
    ASSERT_EQ(plain.Missing(), 0);

    const struct {
        const char* name;
        DestinationTriggers triggers;
        bool foreignKeys;
    } variants[] = {{"keys drawn again", DestinationTriggers::Keys, false},
                    {"keys drawn again, foreign keys", DestinationTriggers::Keys, true},
                    {"keys kept where given", DestinationTriggers::Own, false}};
    for (const auto& v : variants) {
        QTemporaryDir dir;
        GenerateStore(dir.path(), scale, 3);
        const QString path = dir.path() + "/KELMOR.FDB";
        if (v.foreignKeys) {
            Sql db(path);
            for (const RowLink& l : RowLinks())
                db.Exec(QString("ALTER TABLE %1 ADD FOREIGN KEY (%2) REFERENCES %3 (%4)")
                            .arg(l.table, l.column, l.parent, l.key));
        }
        AddDestinationTriggers(path, v.triggers);
        const RunFigures run = RunForm(dir.path(), none);
        EXPECT_EQ(RunFailures(run).join('\n').toStdString(), "") << v.name;
        EXPECT_EQ(refused(run), refused(plainRun)) << v.name;
        const DestinationRows rows = CountDestinationRows(path);
        EXPECT_EQ(rows.tables, plain.tables) << v.name;
        EXPECT_EQ(DanglingLinks(rows), QStringList()) << v.name;
        if (v.triggers == DestinationTriggers::Own)
            EXPECT_EQ(Contents(path), Contents(plainDir.path() + "/KELMOR.FDB")) << v.name;
        else // the triggers did draw every key again
            EXPECT_EQ(Sql(path).Count("SELECT COUNT(*) FROM SCA_ITEM WHERE MOD(ITE_PK_ITEM, 2) = 1"), 0)
                << v.name;
    }
}
