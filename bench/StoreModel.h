#pragma once
// What the table generators share: one prepared insert per table, the value helpers, the word
// lists and the rows that later tables refer to (customers of sales, products of items).

#include "Firebird.h"
#include "GenerateStore.h"
#include "Random.h"
#include "StoreWords.h"

#include <QStringList>
#include <vector>

// One INSERT prepared once and run for every row of a table.
class RowWriter {
public:
    RowWriter(FbAttachment& db, FbTransaction& tr, const QString& table, const QStringList& columns);
    void Write(const std::vector<TValue>& values);
    int64_t Rows() const { return rows_; }

private:
    FbTransaction& tr_;
    FbStatement st_;
    int64_t rows_ = 0;
};

inline TValue Null() {
    return {};
}
inline TValue Text(const QString& s) {
    return s;
}
inline TValue Int(int64_t v) {
    return v;
}
// A legacy DOUBLE PRECISION amount of whole cents.
inline TValue Cents(int64_t cents) {
    return static_cast<double>(cents) / 100.0;
}
// A legacy NUMERIC amount of whole cents.
inline TValue Money(int64_t cents) {
    return TCurrency::FromUnits(cents * 100);
}
// A day (counted from 1899-12-30) at a time of day in seconds.
inline TValue At(int64_t day, int seconds = 0) {
    return FromDayAndTime(day, static_cast<int64_t>(seconds) * 10000);
}
// A time of day alone, as legacy hour columns hold it (date part zero).
inline TValue Hour(int seconds) {
    return FromDayAndTime(0, static_cast<int64_t>(seconds) * 10000);
}

struct ProductRef {
    QString estab, supplier, code;
    int64_t gen = 0; // 0: NULL in the legacy row
    int64_t priceCents = 0;
    bool fractional = false; // sold by weight or length
    bool sellable = false;   // migrated by the product step, so sales and bar codes may name it
};

struct SaleRef {
    QString number, customer;
    int64_t day = 0;
    int64_t termCents = 0; // the part of the sale left to be paid later
};

struct StoreBuild {
    StoreBuild(FbAttachment& d, FbTransaction& t, const Scale& s, uint64_t sd)
        : db(d), tr(t), scale(s), seed(sd) {}
    Random Rng(std::string_view table) const { return Random(seed, table); }
    void Count(const QString& table, const RowWriter& w) { counts.rows.emplace_back(table, w.Rows()); }

    FbAttachment& db;
    FbTransaction& tr;
    const Scale& scale;
    uint64_t seed;
    Words words;
    StoreCounts counts;

    QStringList employees;      // codes
    QStringList customers;      // numeric codes of customers that have a name
    QStringList strayCustomers; // codes that no migrated customer answers to
    QStringList suppliers;      // codes
    std::vector<ProductRef> products;
    std::vector<SaleRef> sales;
};

// The legacy store's first and last day of business in the generated data (fixed, so the
// output does not depend on the day it is generated).
int64_t FirstDay();
int64_t LastDay();

void GenerateEmployees(StoreBuild& b);
void GenerateCustomers(StoreBuild& b);
void GenerateSuppliers(StoreBuild& b);
void GenerateProducts(StoreBuild& b);
void GenerateBarcodes(StoreBuild& b);
void GenerateSales(StoreBuild& b);
void GenerateEntries(StoreBuild& b);
