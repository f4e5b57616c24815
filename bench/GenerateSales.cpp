// The store's business: two years of sales with their items, and the current-account entries of
// the customers who bought on credit, paid or still open.
#include "StoreModel.h"

#include "Values.h"

#include <array>
#include <cmath>

namespace {

QString Code(int n, int width) {
    return QString("%1").arg(n, width, 10, QChar('0'));
}

// Items per sale, 1 to 10, four on average.
int ItemCount(Random& r) {
    static constexpr std::array<int, 10> kWeights{16, 17, 16, 14, 11, 9, 6, 5, 3, 3};
    int n = r.Below(100);
    for (int k = 0; k < 10; ++k) {
        if (n < kWeights[k]) return k + 1;
        n -= kWeights[k];
    }
    return 10;
}

int64_t Percent(int64_t cents, int percent) {
    return cents * percent / 100;
}

} // namespace

void GenerateSales(StoreBuild& b) {
    Random r = b.Rng("LJ_VENDA");
    RowWriter sales(b.db, b.tr, "LJ_VENDA",
                    {"VEN_CODIGO", "VEN_CODIGO_ESTAB", "VEN_CODIGO_CLIEN", "VEN_DATA_EMISSAO",
                     "VEN_HORA_EMISSAO", "VEN_CODIGO_FUNC", "VEN_NAT_OP", "VEN_VALOR_TOTAL",
                     "VEN_VALOR_DESCONTO", "VEN_VALOR_ENTRADA", "VEN_VALOR_ACRESCIMO", "VEN_VALOR_LIQUIDO",
                     "VEN_OBSERVACAO", "VEN_FORMA_PG_ENTRADA", "VEN_TIPO_VENDA", "VEN_TIPO_EMISSAO"});
    RowWriter items(b.db, b.tr, "LJ_ITVEN",
                    {"ITV_CODIGO_VENDA", "ITV_CODIGO", "ITV_CODIGO_FORNE", "ITV_CODIGO_ESTAB",
                     "ITV_QUANTIDADE", "ITV_VALOR_TOTAL", "ITV_VALOR_UNITARIO", "ITV_TIPO_VENDA",
                     "ITV_VALOR_RATEIO", "ITV_DATA_VENDA", "ITV_HORA_VENDA", "ITV_DATA_EXCLUSAO"});
    std::vector<const ProductRef*> sellable;
    for (const ProductRef& p : b.products)
        if (p.sellable) sellable.push_back(&p);
    if (sellable.empty() || b.customers.isEmpty()) {
        b.Count("LJ_VENDA", sales);
        b.Count("LJ_ITVEN", items);
        return;
    }
    const int64_t days = LastDay() - FirstDay() + 1;
    const QString consumer = b.customers.front() == "00001" ? QString("00001") : QString();

    for (int i = 0; i < b.scale.sales; ++i) {
        SaleRef s;
        s.number = Code(i + 1, 6);
        s.day = FirstDay() + static_cast<int64_t>(i) * days / b.scale.sales;
        int time = r.Between(8 * 3600, 20 * 3600);
        int who = r.Below(100);
        s.customer = !consumer.isEmpty() && who < 20                            ? consumer
                     : b.scale.messy && who < 22 && !b.strayCustomers.isEmpty() ? r.Pick(b.strayCustomers)
                                                                                : r.Pick(b.customers);
        int seller = r.Below(100);
        TValue sellerCode = b.employees.isEmpty() || seller >= 96 ? Text("")
                            : seller >= 88                        ? Null()
                                                                  : Text(r.Pick(b.employees));

        int64_t total = 0;
        int count = ItemCount(r);
        for (int k = 0; k < count; ++k) {
            const ProductRef& p = *sellable[r.Below(static_cast<int>(sellable.size()))];
            double quantity =
                p.fractional ? r.Between(250, 5000) / 1000.0 : (r.Chance(0.8) ? 1 : r.Between(2, 3));
            int64_t line = std::llround(quantity * static_cast<double>(p.priceCents));
            bool deleted = r.Chance(0.02);
            if (!deleted) total += line;
            items.Write({Text(s.number), Text(p.code), Text(p.supplier), Text(p.estab), TValue{quantity},
                         Cents(line), Cents(p.priceCents), Int(1), Cents(0), At(s.day), Hour(time),
                         deleted ? At(s.day, time + 600) : Null()});
        }

        int64_t discount = r.Chance(0.25) ? Percent(total, r.Between(2, 10)) : 0;
        int64_t addition = r.Chance(0.05) ? Percent(total, r.Between(1, 5)) : 0;
        int64_t net = total - discount + addition;
        int pay = r.Below(100);
        int64_t down = s.customer == consumer || pay < 45 ? net
                       : pay < 80                         ? 0
                                                          : Percent(net, r.Between(10, 50));
        int nature = r.Below(1000);
        nature = nature < 970 ? 1 : nature < 985 ? 5 : 6;
        int form = down == 0 ? 0 : (b.scale.messy && r.Chance(0.05) ? 4 : r.Between(1, 3));
        sales.Write({Text(s.number), Text("01"), Text(s.customer), At(s.day), Hour(time), sellerCode,
                     Int(nature), Money(total), Money(discount), Money(down), Money(addition), Money(net),
                     r.Chance(0.04) ? Text(r.Pick(b.words.notes)) : Null(), Int(form),
                     Int(down == net ? 1 : 2), Int(1)});
        s.termCents = nature == 1 ? net - down : 0;
        b.sales.push_back(s);
    }
    b.Count("LJ_VENDA", sales);
    b.Count("LJ_ITVEN", items);
}

void GenerateEntries(StoreBuild& b) {
    Random r = b.Rng("LJ_LANCA");
    RowWriter w(b.db, b.tr, "LJ_LANCA",
                {"LAN_CODIGO", "LAN_CODIGO_ESTAB", "LAN_CODIGO_CLIEN", "LAN_CODIGO_VENDA", "LAN_SERIE_VENDA",
                 "LAN_DATA_VENCTO", "LAN_DATA_EMISSAO", "LAN_PARCELA", "LAN_VALOR_LANC", "LAN_VALOR_PAGO",
                 "LAN_DATA_PAGO", "LAN_TIPO_LANC", "LAN_TIPO_DEBITO", "LAN_FORMA_PAG", "LAN_SALDO"});
    int serial = 0;
    // Paid long ago, paid in part, or still open: the older the due date, the likelier paid.
    auto write = [&](const QString& customer, const TValue& sale, int64_t issued, int64_t due, int part,
                     int type, int64_t cents) {
        int64_t paid = 0;
        TValue paidOn;
        int p = r.Below(100);
        bool old = due < LastDay() - 60;
        if ((old && p < 75) || (!old && p < 10)) {
            paid = cents;
            paidOn = At(due + r.Between(-5, 20));
        } else if ((old && p < 85) || (!old && p < 20)) {
            paid = Percent(cents, r.Between(20, 80));
            if (old) paidOn = At(due + r.Between(0, 30)); // settled with a discount
        }
        bool noAmountPaid = b.scale.messy && r.Chance(0.01);
        w.Write({Text(Code(++serial, 6)), Text("01"), Text(customer), sale, type == 1 ? Text("D1") : Null(),
                 At(due), At(issued), Text(QString::number(part)), Money(cents),
                 noAmountPaid ? Null() : Money(paid), paidOn, Int(type == 4 ? 2 : 1), Int(type),
                 Int(r.Between(1, 4)), Money(cents - paid)});
    };

    // Instalments of the sales bought on credit: seven in ten entries.
    const int onCredit = b.scale.entries * 7 / 10;
    int termSales = 0;
    for (const SaleRef& s : b.sales)
        if (s.termCents > 0) ++termSales;
    double share = termSales == 0 ? 0 : std::min(1.0, onCredit / (termSales * 2.0));
    for (const SaleRef& s : b.sales) {
        if (w.Rows() >= onCredit) break;
        if (s.termCents <= 0 || !r.Chance(share)) continue;
        int parts = r.Between(1, 3);
        for (int k = 1; k <= parts; ++k) {
            int64_t cents =
                k < parts ? s.termCents / parts : s.termCents - (parts - 1) * (s.termCents / parts);
            write(s.customer, Text(s.number), s.day, s.day + 30 * k, k, 1, cents);
        }
    }
    // Manual debits, interest and credit notes of any customer.
    const int64_t days = LastDay() - FirstDay();
    while (w.Rows() < b.scale.entries && !b.customers.isEmpty()) {
        int t = r.Below(10);
        int type = t < 5 ? 2 : t < 8 ? 3 : 4;
        QString customer = b.scale.messy && !b.strayCustomers.isEmpty() && r.Chance(0.03)
                               ? r.Pick(b.strayCustomers)
                               : r.Pick(b.customers);
        int64_t issued = FirstDay() + r.Below(static_cast<int>(days));
        int64_t cents = type == 2   ? r.Between(1000, 50000)
                        : type == 3 ? r.Between(100, 3000)
                                    : r.Between(500, 20000);
        if (type == 4 && r.Chance(0.7)) cents = -cents;
        int s = r.Below(10);
        TValue sale = s < 6 ? Null() : s < 9 || !b.scale.messy ? Text("") : Text("      ");
        write(customer, sale, issued, issued + r.Between(0, 60), 1, type, cents);
    }
    b.Count("LJ_LANCA", w);
}
