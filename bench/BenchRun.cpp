#include "BenchRun.h"

#include "Application.h"
#include "Firebird.h"
#include "uImportacao.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>
#include <sys/resource.h>

namespace {

// Answers every box at once, as an operator pressing OK would.
class CountingBoxes : public TMessageBoxes {
public:
    explicit CountingBoxes(RunFigures& figures) : figures_(figures) {}
    void Show(const QString& text, TMsgIcon icon) override {
        ++figures_.boxes;
        if (icon == TMsgIcon::Error) {
            ++figures_.errorBoxes;
            lastErrors << text;
        }
        QString kind = text.section(' ', 0, 3);
        for (auto& [k, n] : figures_.boxKinds)
            if (k == kind) return void(++n);
        figures_.boxKinds.emplace_back(kind, 1);
    }
    QStringList lastErrors;

private:
    RunFigures& figures_;
};

// A count on the destination through an attachment of the benchmark's own, which sees what the
// form committed and is not recorded.
int64_t CountCommitted(const QString& database, const QString& sql) {
    FbAttachment db;
    db.Attach(database, "SYSDBA", "masterkey", "WIN1252");
    FbTransaction tr;
    tr.Start(db);
    int64_t n = 0;
    {
        FbStatement st(db, tr, sql);
        st.Execute(tr, {});
        TRow row;
        if (st.Fetch(row) && !row.empty())
            if (auto p = std::get_if<int64_t>(&row[0])) n = *p;
        st.CloseCursor();
    }
    tr.Commit();
    return n;
}

QString Quoted(QString name) {
    return '"' + name.replace('"', "\"\"") + '"';
}

// Runs the statements in one transaction and commits it.
void ExecuteAndCommit(FbAttachment& db, const QStringList& statements) {
    FbTransaction tr;
    tr.Start(db);
    for (const QString& sql : statements)
        FbStatement(db, tr, sql).Execute(tr, {});
    tr.Commit();
}

// Per table keyed by one integer column <XXX>_PK_<word>, the one generator whose name starts with
// GEN_<XXX>_PK_ (the names the program draws from are often cut short), and a trigger that always
// draws the key again from it.
QStringList AddKeyTriggers(FbAttachment& db) {
    const std::vector<TRow> keys = SelectRows(
        db, "SELECT TRIM(K.RDB$RELATION_NAME), TRIM(S.RDB$FIELD_NAME) "
            "FROM RDB$RELATION_CONSTRAINTS K "
            "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = K.RDB$RELATION_NAME "
            "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = K.RDB$INDEX_NAME "
            "JOIN RDB$RELATION_FIELDS RF ON RF.RDB$RELATION_NAME = K.RDB$RELATION_NAME "
            "AND RF.RDB$FIELD_NAME = S.RDB$FIELD_NAME "
            "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
            "WHERE K.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' AND R.RDB$SYSTEM_FLAG = 0 "
            "AND F.RDB$FIELD_TYPE IN (7, 8, 16) AND F.RDB$FIELD_SCALE = 0 "
            "AND COALESCE(F.RDB$FIELD_SUB_TYPE, 0) = 0 AND (SELECT COUNT(*) FROM RDB$INDEX_SEGMENTS X "
            "WHERE X.RDB$INDEX_NAME = K.RDB$INDEX_NAME) = 1 "
            "ORDER BY 1");
    QStringList generators;
    for (const TRow& g : SelectRows(db, "SELECT TRIM(RDB$GENERATOR_NAME) FROM RDB$GENERATORS "
                                        "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"))
        generators << std::get<QString>(g[0]);
    const QRegularExpression drawn("^([A-Z0-9]{3})_PK_\\w+$");
    QStringList ddl, created;
    for (const TRow& k : keys) {
        const QString table = std::get<QString>(k[0]), column = std::get<QString>(k[1]);
        const QRegularExpressionMatch m = drawn.match(column);
        if (!m.hasMatch()) continue;
        const QStringList from = generators.filter(
            QRegularExpression('^' + QRegularExpression::escape("GEN_" + m.captured(1) + "_PK_")));
        if (from.size() != 1) continue;
        const QString name = QString("BENCH_KEY_%1").arg(created.size() + 1);
        ddl << QString("CREATE TRIGGER %1 FOR %2 ACTIVE BEFORE INSERT POSITION 0 AS BEGIN "
                       "NEW.%3 = GEN_ID(%4, 1); END")
                   .arg(name, Quoted(table), Quoted(column), Quoted(from.front()));
        created << name + " on " + table;
    }
    ExecuteAndCommit(db, ddl);
    return created;
}

} // namespace

std::vector<TRow> SelectRows(FbAttachment& db, const QString& sql) {
    FbTransaction tr;
    tr.Start(db);
    std::vector<TRow> rows;
    {
        FbStatement st(db, tr, sql);
        st.Execute(tr, {});
        TRow row;
        while (st.Fetch(row))
            rows.push_back(row);
    }
    tr.Commit();
    return rows;
}

long PeakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

RunFigures RunForm(const QString& dir, StatementRecorder& recorder,
                   const std::function<void(const StepFigures&)>& progress) {
    RunFigures figures;
    auto boxes = std::make_unique<CountingBoxes>(figures);
    CountingBoxes& log = *boxes;
    TApplication application(dir + "/Importacao", std::move(boxes));
    Tfrm_Importacao form(application);
    form.DB_DESTINO.SetObserver(&recorder);

    // `job`: the press runs the migration or a command, whose refused rows the form counts.
    auto measure = [&](const QString& name, const std::function<void()>& press,
                       const std::function<int64_t()>& sourceRows, bool job = true) {
        StepFigures step;
        step.name = name;
        recorder.Mark(name);
        log.lastErrors.clear();
        QElapsedTimer timer;
        timer.start();
        press();
        step.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        step.sourceRows = sourceRows();
        step.writes = recorder.Segments().back().writes;
        step.refused = job ? form.Recusas.Total() : 0;
        step.peakKb = PeakMemoryKb();
        step.errors = log.lastErrors;
        if (job) step.report = form.Relatorio.Caminho();
        figures.steps.push_back(step);
        if (progress) progress(step);
    };
    auto none = [] { return int64_t{0}; };

    measure(
        "abrir", [&] { form.show(); }, none, false);

    QCheckBox* const all[] = {form.chk_Funcionarios, form.cb_Cliente, form.chk_Fornecedores,
                              form.chk_Produtos,     form.chk_Vendas, form.chk_ContaCorrente};
    auto runOnly = [&](QCheckBox* box) {
        return [&form, &all, box] {
            for (QCheckBox* c : all)
                c->setChecked(c == box);
            form.Button1->click();
        };
    };
    measure(QString::fromUtf8("Funcionários"), runOnly(form.chk_Funcionarios),
            [&] { return int64_t{form.CDS_ORIGEM_FUNCIONARIO.RecordCount()}; });
    measure("Clientes", runOnly(form.cb_Cliente),
            [&] { return int64_t{form.CDS_ORIGEM_CLIENTE.RecordCount()}; });
    measure("Fornecedores", runOnly(form.chk_Fornecedores),
            [&] { return int64_t{form.CDS_ORIGEM_FORNECEDOR.RecordCount()}; });
    measure("Produtos", runOnly(form.chk_Produtos),
            [&] { return int64_t{form.CDS_ORIGEM_PRODUTO.RecordCount()}; });
    measure("Vendas", runOnly(form.chk_Vendas),
            [&] { return int64_t{form.CDS_ORIGEM_VEN.RecordCount()} + form.CDS_ORIGEM_ITV.RecordCount(); });
    measure("Conta Corrente", runOnly(form.chk_ContaCorrente),
            [&] { return int64_t{form.CDS_ORIGEM_CCO.RecordCount()}; });

    const int64_t links =
        CountCommitted(dir + "/KELMOR.FDB", "SELECT COUNT(*) FROM SCA_ITEMFORNECEDOR INNER JOIN "
                                            "SCA_FORNECEDOR ON IFO_CODIGO_FORNECEDOR = FOR_CODIGO");
    measure(
        "Fornecedor como MARCA", [&] { form.btn_Fornecedor_Como_Marca->click(); }, [&] { return links; });
    measure(
        QString::fromUtf8("Código de Barras"), [&] { form.btn_CodigoBarra->click(); },
        [&] { return int64_t{form.CDS_ORIGEM_CODIGOBARRA.RecordCount()}; });
    measure(
        "fechar", [&] { form.close(); }, none, false);

    form.DB_DESTINO.SetObserver(nullptr);
    return figures;
}

QStringList DropSecondaryIndexes(const QString& database) {
    FbAttachment db;
    db.Attach(database, "SYSDBA", "masterkey", "WIN1252");
    struct Index {
        QString name, table, constraint;
    };
    std::vector<Index> indexes;
    {
        FbTransaction tr;
        tr.Start(db);
        FbStatement st(
            db, tr,
            "SELECT TRIM(I.RDB$INDEX_NAME), TRIM(I.RDB$RELATION_NAME), TRIM(C.RDB$CONSTRAINT_NAME) "
            "FROM RDB$INDICES I "
            "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = I.RDB$RELATION_NAME "
            "LEFT JOIN RDB$RELATION_CONSTRAINTS C ON C.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
            "WHERE R.RDB$SYSTEM_FLAG = 0 AND C.RDB$CONSTRAINT_TYPE IS DISTINCT FROM 'PRIMARY KEY' "
            "ORDER BY IIF(C.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY', 0, 1), 1");
        st.Execute(tr, {});
        TRow row;
        while (st.Fetch(row))
            indexes.push_back({std::get<QString>(row[0]), std::get<QString>(row[1]),
                               IsNull(row[2]) ? QString() : std::get<QString>(row[2])});
        st.CloseCursor();
        tr.Commit();
    }
    QStringList dropped;
    for (const Index& i : indexes) {
        // Each drop in a transaction of its own: a unique key's drop sees its foreign keys gone.
        FbTransaction tr;
        tr.Start(db);
        FbStatement(db, tr,
                    i.constraint.isEmpty()
                        ? "DROP INDEX " + Quoted(i.name)
                        : "ALTER TABLE " + Quoted(i.table) + " DROP CONSTRAINT " + Quoted(i.constraint))
            .Execute(tr, {});
        tr.Commit();
        dropped << i.name;
    }
    return dropped;
}

std::optional<DestinationTriggers> DestinationTriggersByName(const QString& name) {
    if (name == "own") return DestinationTriggers::Own;
    if (name == "audit") return DestinationTriggers::Audit;
    if (name == "keys") return DestinationTriggers::Keys;
    return std::nullopt;
}

QStringList AddDestinationTriggers(const QString& database, DestinationTriggers triggers) {
    FbAttachment db;
    db.Attach(database, "SYSDBA", "masterkey", "WIN1252");
    if (triggers == DestinationTriggers::Keys) return AddKeyTriggers(db);
    // Per user table, the column its trigger names: the primary key's first, else the first column
    // that can be assigned; and whether that is a key of plain integers a generator can fill.
    const std::vector<TRow> tables = SelectRows(
        db, "SELECT TRIM(R.RDB$RELATION_NAME), TRIM(RF.RDB$FIELD_NAME), "
            "IIF(K.RDB$INDEX_NAME IS NOT NULL AND F.RDB$FIELD_TYPE IN (7, 8, 16) AND F.RDB$FIELD_SCALE = 0 "
            "AND COALESCE(F.RDB$FIELD_SUB_TYPE, 0) = 0, 1, 0) "
            "FROM RDB$RELATIONS R "
            "LEFT JOIN RDB$RELATION_CONSTRAINTS K ON K.RDB$RELATION_NAME = R.RDB$RELATION_NAME "
            "AND K.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' "
            "JOIN RDB$RELATION_FIELDS RF ON RF.RDB$RELATION_NAME = R.RDB$RELATION_NAME "
            "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
            "WHERE R.RDB$SYSTEM_FLAG = 0 AND R.RDB$VIEW_BLR IS NULL AND RF.RDB$FIELD_NAME = COALESCE("
            "(SELECT S.RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS S "
            "WHERE S.RDB$INDEX_NAME = K.RDB$INDEX_NAME AND S.RDB$FIELD_POSITION = 0), "
            "(SELECT FIRST 1 C.RDB$FIELD_NAME FROM RDB$RELATION_FIELDS C "
            "JOIN RDB$FIELDS CF ON CF.RDB$FIELD_NAME = C.RDB$FIELD_SOURCE "
            "WHERE C.RDB$RELATION_NAME = R.RDB$RELATION_NAME AND CF.RDB$COMPUTED_BLR IS NULL "
            "ORDER BY C.RDB$FIELD_POSITION)) "
            "ORDER BY 1");
    QStringList created;
    if (triggers == DestinationTriggers::Own) {
        // The generator committed first, so that the triggers' bodies find it.
        ExecuteAndCommit(db, {"CREATE SEQUENCE BENCH_GEN"});
        QStringList ddl;
        for (const TRow& t : tables) {
            const QString table = std::get<QString>(t[0]);
            const QString column = "NEW." + Quoted(std::get<QString>(t[1]));
            const QString name = QString("BENCH_OWN_%1").arg(created.size() + 1);
            ddl << QString("CREATE TRIGGER %1 FOR %2 ACTIVE BEFORE INSERT POSITION 0 AS BEGIN "
                           "IF (%3 IS NULL) THEN %3 = %4; END")
                       .arg(name, Quoted(table), column,
                            std::get<int64_t>(t[2]) ? QString("GEN_ID(BENCH_GEN, 1)") : column);
            created << name + " on " + table;
        }
        ExecuteAndCommit(db, ddl);
        return created;
    }
    auto customer = std::find_if(tables.begin(), tables.end(),
                                 [](const TRow& t) { return std::get<QString>(t[0]) == "SCA_CLIENTE"; });
    if (customer == tables.end() || std::get<int64_t>((*customer)[2]) == 0)
        throw Exception(database + " has no SCA_CLIENTE keyed by an integer");
    ExecuteAndCommit(db,
                     {"CREATE TABLE BENCH_AUDITORIA (TABELA VARCHAR(31), CHAVE BIGINT, MOMENTO TIMESTAMP)"});
    ExecuteAndCommit(
        db, {"CREATE TRIGGER BENCH_AUDIT_CLIENTE FOR SCA_CLIENTE ACTIVE AFTER INSERT POSITION 0 AS BEGIN "
             "EXECUTE STATEMENT ('INSERT INTO BENCH_AUDITORIA (TABELA, CHAVE, MOMENTO) "
             "VALUES (?, ?, CURRENT_TIMESTAMP)') ('SCA_CLIENTE', NEW." +
             Quoted(std::get<QString>((*customer)[1])) + "); END"});
    return {"BENCH_AUDIT_CLIENTE on SCA_CLIENTE"};
}

QStringList RunFailures(const RunFigures& run) {
    QStringList out, reports;
    for (const StepFigures& s : run.steps) {
        for (const QString& e : s.errors)
            out << QString("%1: error box: %2").arg(s.name, e);
        if (s.sourceRows > 0 && s.writes == 0)
            out << QString("%1: read %2 rows and wrote none").arg(s.name).arg(s.sourceRows);
        if (s.report.isEmpty()) continue;
        if (reports.contains(s.report))
            out << QString("%1: wrote no report of its own (%2 is an earlier one's)").arg(s.name, s.report);
        reports << s.report;
    }
    return out;
}

std::map<QString, int64_t> MigratedOnDestination(const QString& database, const DestinationRows& rows) {
    static const std::pair<const char*, const char*> kStepTables[] = {
        {"Funcionários", "SCA_FUNCIONARIO"},
        {"Clientes", "SCA_CLIENTE"},
        {"Fornecedores", "SCA_FORNECEDOR"},
        {"Produtos", "SCA_ITEM"},
        {"Vendas", "SCA_SAIDA"},
        {"Vendas (itens)", "SCA_ITEMSAIDA"},
        {"Conta Corrente", "SCA_CONTAARECEBER"},
        {"Importar somente Código de Barras", "SCA_CODIGOBARRAS"},
    };
    std::map<QString, int64_t> out;
    for (const auto& [step, table] : kStepTables)
        for (const auto& [name, n] : rows.tables)
            if (name == table) out[QString::fromUtf8(step)] = n;
    FbAttachment db;
    db.Attach(database, "SYSDBA", "masterkey", "WIN1252");
    const std::vector<TRow> branded =
        SelectRows(db, "SELECT COUNT(DISTINCT IFO_CODIGO_ITEM) FROM SCA_ITEMFORNECEDOR "
                       "INNER JOIN SCA_ITEM ON ITE_PK_ITEM = IFO_CODIGO_ITEM "
                       "INNER JOIN SCA_FORNECEDOR ON FOR_CODIGO = IFO_CODIGO_FORNECEDOR");
    out["Colocar Fornecedor como MARCA"] = std::get<int64_t>(branded.at(0).at(0));
    return out;
}
