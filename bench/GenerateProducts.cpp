// The goods of the store: classification tables of each establishment, products, their price
// history and their bar codes.
#include "StoreModel.h"

#include "Values.h"

#include <array>

namespace {

QString Code(int n, int width) {
    return QString("%1").arg(n, width, 10, QChar('0'));
}

// Establishment 01 writes its codes with leading zeros; 02, opened later, without them and its
// unit codes in lower case. Both are what the migration must match.
QString ClassCode(const QString& estab, int n) {
    return estab == "01" ? Code(n, 3) : QString::number(n);
}

QString UnitCode(const QString& estab, const QString& unit) {
    return estab == "01" ? unit : unit.toLower();
}

void WriteClassification(StoreBuild& b, const QStringList& estabs) {
    const Words& words = b.words;
    RowWriter groups(b.db, b.tr, "LJ_GRUPO", {"GRU_CODIGO", "GRU_CODIGO_ESTAB", "GRU_DESCRICAO"});
    RowWriter subgroups(b.db, b.tr, "LJ_SUBGR", {"SUB_CODIGO", "SUB_CODIGO_ESTAB", "SUB_DESCRICAO"});
    RowWriter units(b.db, b.tr, "LJ_UNID", {"UNI_CODIGO", "UNI_CODIGO_ESTAB", "UNI_DESCRICAO"});
    RowWriter collections(b.db, b.tr, "LJ_COLEC", {"COL_CODIGO", "COL_CODIGO_ESTAB", "COL_DESCRICAO"});
    for (const QString& estab : estabs) {
        for (int i = 0; i < words.groups.size(); ++i)
            groups.Write({Text(ClassCode(estab, i + 1)), Text(estab), Text(words.groups[i])});
        for (int i = 0; i < words.subgroups.size(); ++i)
            subgroups.Write({Text(ClassCode(estab, i + 1)), Text(estab), Text(words.subgroups[i])});
        for (int i = 0; i < words.unitCodes.size(); ++i)
            units.Write({Text(UnitCode(estab, words.unitCodes[i])), Text(estab),
                         i == 2 ? Null() : Text(words.unitNames[i])});
        for (int i = 0; i < words.collections.size(); ++i)
            collections.Write({Text(Code(i + 1, 3)), Text(estab), Text(words.collections[i])});
    }
    b.Count("LJ_GRUPO", groups);
    b.Count("LJ_SUBGR", subgroups);
    b.Count("LJ_UNID", units);
    b.Count("LJ_COLEC", collections);
}

// The unit a product of a group is sold in: pieces mostly, pairs of shoes, fabric by the metre.
int UnitOf(Random& r, int group) {
    int u = r.Below(100);
    if (group == 9) return u < 90 ? 5 : 0; // shoes: PR
    if (group == 7) return u < 60 ? 2 : 0; // socks: CX
    if (u < 4) return u < 2 ? 4 : 3;       // MT, KG
    if (u < 7) return 7;                   // CJ
    if (u < 8) return 6;                   // DZ
    return u < 60 ? 0 : 1;                 // UN, PC
}

} // namespace

void GenerateProducts(StoreBuild& b) {
    Random r = b.Rng("LJ_ITENS");
    const Words& words = b.words;
    QStringList estabs{"01"};
    if (b.scale.messy) estabs << "02";
    WriteClassification(b, estabs);

    RowWriter items(b.db, b.tr, "LJ_ITENS",
                    {"ITE_CODIGO",
                     "ITE_CODIGO_ESTAB",
                     "ITE_CODIGO_FORNE",
                     "ITE_CODIGO_GRUPO",
                     "ITE_CODIGO_SUBGRUPO",
                     "ITE_CODIGO_COLECAO",
                     "ITE_CODIGO_UNIDADE",
                     "ITE_DESCRICAO",
                     "ITE_ESTOQUE_MINIMO",
                     "ITE_ESTOQUE_MAXIMO",
                     "ITE_CUSTO_LIQUIDO",
                     "ITE_DATA_ULTIMA_VENDA",
                     "ITE_SALDO_TOTAL",
                     "ITE_CODIGO_GEN",
                     "ITE_CODIGO_ICMS",
                     "ITE_COMISSAO",
                     "ITE_DATA_ULTIMA_COMPRA",
                     "ITE_SALDO_PARCIAL",
                     "ITE_PRECO_UNITARIO",
                     "ITE_PRECO_SUGERIDO",
                     "ITE_MC_VAREJO",
                     "ITE_DESPESAS",
                     "ITE_OBSERVACAO",
                     "ITE_MARGEM",
                     "ITE_MARKUP",
                     "ITE_CODIGO_CLFISCAL",
                     "ITE_CODIGO_CST",
                     "ITE_CODIGO_CFOP",
                     "ITE_ALTERADO"});
    RowWriter prices(b.db, b.tr, "LJ_PRECO",
                     {"PRE_CODIGO_ESTAB", "PRE_CODIGO_FORNE", "PRE_CODIGO_ITEM", "PRE_DATA", "PRE_PRECO"});
    static constexpr std::array<const char*, 20> kPrefixes{"CM", "CL", "BE", "VE", "SA", "BL", "JQ",
                                                           "ME", "CU", "TN", "OC", "BO", "CI", "BN",
                                                           "PJ", "BQ", "IN", "LG", "ST", "JL"};
    const int days = static_cast<int>(LastDay() - FirstDay());

    for (int i = 1; i <= b.scale.products; ++i) {
        ProductRef p;
        int group = r.Below(static_cast<int>(words.groups.size()));
        int subgroup = r.Below(static_cast<int>(words.subgroups.size()));
        int collection = r.Below(static_cast<int>(words.collections.size()));
        int unit = UnitOf(r, group);
        p.estab = "01";
        p.code = r.Chance(0.75) ? Code(i, 6) : QString(kPrefixes[group]) + Code(i, 6);
        int s = r.Below(100);
        bool messy = b.scale.messy;
        p.supplier = messy && s < 2   ? QString("0000")
                     : messy && s < 4 ? Code(std::min(9999, b.scale.suppliers + 100 + s), 4)
                                      : r.Pick(b.suppliers);
        QString description = words.groupNouns[group];
        description += ' ' + r.Pick(words.styles);
        description += ' ' + r.Pick(words.colours);
        description += ' ' + r.Pick(words.sizes);
        bool blank = messy && r.Chance(0.001);
        p.gen = messy && r.Chance(0.002) ? 0 : i;
        p.fractional = unit == 3 || unit == 4;
        p.sellable = !blank && p.gen != 0;

        int c = r.Below(100);
        int64_t cost = r.Between(500, 15000);
        TValue costValue = c < 4 ? Null() : c < 6 ? Cents(0) : Cents(cost);
        p.priceCents = (cost * r.Between(160, 240) / 10000) * 100 + 90;
        int st = r.Below(100);
        TValue stock = st < 12        ? Cents(0)
                       : st < 14      ? Cents(-r.Between(100, 500))
                       : p.fractional ? TValue{r.Between(1000, 200000) / 1000.0}
                                      : Cents(r.Between(1, 200) * 100);
        int minimum = r.Between(0, 10);
        bool limits = r.Chance(0.9);
        items.Write({Text(p.code),
                     Text(p.estab),
                     Text(p.supplier),
                     Text(ClassCode(p.estab, group + 1)),
                     Text(ClassCode(p.estab, subgroup + 1)),
                     Text(Code(collection + 1, 3)),
                     Text(words.unitCodes[unit]),
                     Text(blank ? QString("  ") : description.left(40)),
                     limits ? Cents(minimum * 100) : Null(),
                     limits ? Cents((minimum + r.Between(10, 100)) * 100) : Null(),
                     costValue,
                     r.Chance(0.7) ? At(FirstDay() + r.Below(days)) : Null(),
                     stock,
                     p.gen ? Int(p.gen) : Null(),
                     Text("T1"),
                     Cents(r.Between(0, 500)),
                     r.Chance(0.8) ? At(FirstDay() + r.Below(days)) : Null(),
                     stock,
                     Cents(p.priceCents),
                     Cents(p.priceCents),
                     Cents(p.priceCents - cost),
                     Cents(0),
                     r.Chance(0.03) ? Text("VER TABELA") : Null(),
                     Cents(r.Between(3000, 9000)),
                     Cents(r.Between(6000, 14000)),
                     Text("001"),
                     Text("000"),
                     Text("5102"),
                     Text("N")});

        // Price history: older prices below the current one, some products without a price, and
        // a few prices already announced for a day still to come.
        int history = r.Below(100);
        int rows = history < 5 ? 0 : history < 65 ? 1 : history < 90 ? 2 : 3;
        for (int k = rows; k >= 1; --k) {
            int64_t day = DaysFromCivil(2011, 1, 1) + (k == 1 ? 1200 + r.Below(200) : r.Below(1100) / k);
            int64_t cents = k == 1 ? p.priceCents : p.priceCents * (100 - 5 * k) / 100;
            prices.Write({Text(p.estab), Text(p.supplier), Text(p.code), At(day), Cents(cents)});
        }
        if (r.Chance(0.03))
            prices.Write({Text(p.estab), Text(p.supplier), Text(p.code), At(DaysFromCivil(2090, 1, 1)),
                          Cents(p.priceCents * 2)});
        b.products.push_back(p);

        // A product also listed by the second establishment, under its own codes.
        if (messy && r.Chance(0.015)) {
            QString estab = "02";
            items.Write({Text(p.code),
                         Text(estab),
                         Text(p.supplier),
                         Text(ClassCode(estab, group + 1)),
                         Text(ClassCode(estab, subgroup + 1)),
                         Text(Code(collection + 1, 3)),
                         Text(UnitCode(estab, words.unitCodes[unit])),
                         Text(description.left(40)),
                         Null(),
                         Null(),
                         costValue,
                         Null(),
                         stock,
                         p.gen ? Int(p.gen) : Null(),
                         Text("T1"),
                         Null(),
                         Null(),
                         Null(),
                         Cents(p.priceCents),
                         Null(),
                         Null(),
                         Null(),
                         Null(),
                         Null(),
                         Null(),
                         Null(),
                         Null(),
                         Null(),
                         Text("N")});
            prices.Write({Text(estab), Text(p.supplier), Text(p.code), At(DaysFromCivil(2014, 6, 1)),
                          Cents(p.priceCents)});
        }
    }
    b.Count("LJ_ITENS", items);
    b.Count("LJ_PRECO", prices);
}

void GenerateBarcodes(StoreBuild& b) {
    Random r = b.Rng("LJ_BARRA");
    RowWriter w(b.db, b.tr, "LJ_BARRA",
                {"BAR_CODIGO", "BAR_CODIGO_ITEM", "BAR_CODIGO_FORNE", "BAR_CODIGO_ESTAB", "BAR_ALTERADO"});
    std::vector<const ProductRef*> sellable;
    for (const ProductRef& p : b.products)
        if (p.sellable) sellable.push_back(&p);
    if (sellable.empty()) return b.Count("LJ_BARRA", w);
    int serial = 0;
    for (size_t i = 0; w.Rows() < b.scale.barcodes; i = (i + 1) % sellable.size()) {
        const ProductRef& p = *sellable[i];
        int n = r.Below(100);
        int codes = n < 10 ? 0 : n < 85 ? 1 : 2;
        for (int k = 0; k < codes && w.Rows() < b.scale.barcodes; ++k) {
            ++serial;
            int form = r.Below(1000);
            QString code = form < 60 ? Ean('7' + Code(serial, 6)) : Ean("789" + Code(serial, 9));
            QString item = p.code;
            if (b.scale.messy) {
                if (form >= 990)
                    code = Code(serial % 100000, 5); // an in-house label, too short for a bar code
                else if (form >= 980)
                    code = ' ' + code + "  ";
                else if (form >= 975)
                    item = "X" + Code(serial, 6); // an item deleted from the legacy register
            }
            w.Write({Text(code), Text(item), Text(p.supplier), Text(p.estab), Text("N")});
        }
    }
    b.Count("LJ_BARRA", w);
}
