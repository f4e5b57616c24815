#include "GenerateStore.h"

#include "Schema.h"
#include "StoreModel.h"

#include <QDir>

namespace {
const QString kSchemaDir = QStringLiteral(":/schema"); // built into the program

QString InsertStatement(const QString& table, const QStringList& columns) {
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << "?";
    return "INSERT INTO " + table + " (" + columns.join(", ") + ") VALUES (" + marks.join(", ") + ")";
}
} // namespace

RowWriter::RowWriter(FbAttachment& db, FbTransaction& tr, const QString& table, const QStringList& columns)
    : tr_(tr), st_(db, tr, InsertStatement(table, columns)) {}

void RowWriter::Write(const std::vector<TValue>& values) {
    st_.Execute(tr_, values);
    ++rows_;
}

std::optional<Scale> ScaleByName(const QString& name) {
    // employees, customers, suppliers, products, sales, entries, bar codes; large is four times medium
    if (name == "demo") return Scale{"demo", 5, 40, 10, 60, 80, 40, 60, false};
    if (name == "small") return Scale{"small", 10, 1000, 200, 2000, 5000, 1000, 2000, true};
    if (name == "medium") return Scale{"medium", 50, 10000, 2000, 20000, 50000, 10000, 20000, true};
    if (name == "large") return Scale{"large", 200, 40000, 8000, 80000, 200000, 40000, 80000, true};
    return std::nullopt;
}

QStringList ScaleNames() {
    return {"demo", "small", "medium", "large"};
}

int64_t StoreCounts::Of(const QString& table) const {
    for (const auto& [name, n] : rows)
        if (name == table) return n;
    return 0;
}

int64_t StoreCounts::Total() const {
    int64_t total = 0;
    for (const auto& row : rows)
        total += row.second;
    return total;
}

StoreCounts GenerateStore(const QString& dir, const Scale& scale, uint64_t seed,
                          const DatabaseFormat& legacy) {
    QDir().mkpath(dir);
    const QString loja = dir + "/LOJA.GDB";
    CreateDatabase(loja, kSchemaDir + "/loja.sql", legacy);
    CreateDatabase(dir + "/KELMOR.FDB", kSchemaDir + "/kelmor.sql");

    FbAttachment db;
    db.Attach(loja, "SYSDBA", "masterkey", "WIN1252");
    FbTransaction tr;
    tr.Start(db);
    StoreBuild b(db, tr, scale, seed);
    // Later tables refer to the rows of earlier ones, so the order is fixed; each table is one
    // commit.
    for (void (*step)(StoreBuild&) : {GenerateEmployees, GenerateCustomers, GenerateSuppliers,
                                      GenerateProducts, GenerateBarcodes, GenerateSales, GenerateEntries}) {
        step(b);
        tr.CommitRetaining();
    }
    tr.Commit();
    db.Detach();
    return b.counts;
}
