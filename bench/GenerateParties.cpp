// The people of the store: employees, customers and suppliers.
#include "StoreModel.h"

#include "Values.h"

int64_t FirstDay() {
    return DaysFromCivil(2013, 1, 2);
}

int64_t LastDay() {
    return DaysFromCivil(2014, 12, 30);
}

namespace {

TValue Maybe(Random& r, double p, const QString& text) {
    return r.Chance(p) ? Text(text) : Null();
}

TValue DayBetween(Random& r, int64_t first, int64_t last) {
    return At(first + r.Below(static_cast<int>(last - first + 1)));
}

QString Code(int n, int width) {
    return QString("%1").arg(n, width, 10, QChar('0'));
}

} // namespace

void GenerateEmployees(StoreBuild& b) {
    Random r = b.Rng("LJ_FUNC");
    RowWriter w(b.db, b.tr, "LJ_FUNC",
                {"FUN_CODIGO", "FUN_CODIGO_ESTAB", "FUN_DESCRICAO", "FUN_COMISSAO", "FUN_VENDEDOR",
                 "FUN_CAIXA", "FUN_SENHA", "FUN_GERENTE", "FUN_ALTERADO"});
    QString firstName;
    for (int i = 1; i <= b.scale.employees; ++i) {
        QString code = Code(i, 3);
        QString name = r.Pick(b.words.firstNames);
        name = (name + ' ' + r.Pick(b.words.surnames)).left(25);
        if (i == 1) firstName = name;
        if (i == 4) name = firstName; // two employees of the same name
        if (b.scale.messy && i == 6) name = "   ";
        int password = r.Below(10);
        TValue senha = password < 6 ? Text(r.Digits(r.Between(3, 6))) : password < 8 ? Null() : Text("");
        w.Write({Text(code), Text("01"), Text(name), Cents(r.Between(0, 500)),
                 Text(r.Chance(0.8) ? "S" : "N"), Text(i == 1 ? "S" : "N"), senha, Text(i == 1 ? "S" : "N"),
                 Text("N")});
        if (!name.trimmed().isEmpty()) b.employees << code;
    }
    b.Count("LJ_FUNC", w);
}

void GenerateCustomers(StoreBuild& b) {
    Random r = b.Rng("LJ_CLIEN");
    const Words& words = b.words;
    RowWriter w(b.db, b.tr, "LJ_CLIEN",
                {"CLI_CODIGO",          "CLI_DESCRICAO",       "CLI_CNPJ_CIC",
                 "CLI_INSCR_RG",        "CLI_STATUS",          "CLI_LIMITE_CREDITO",
                 "CLI_DATA_NASCIMENTO", "CLI_DATA_INCLUSAO",   "CLI_DATA_ULTIMA_COMPRA",
                 "CLI_MENSAGEM",        "CLI_ENDERECO",        "CLI_BAIRRO",
                 "CLI_CIDADE",          "CLI_ESTADO",          "CLI_CEP",
                 "CLI_FONE1",           "CLI_FONE2",           "CLI_EMAIL",
                 "CLI_FILIACAO_PAI",    "CLI_FILIACAO_MAE",    "CLI_DESCRICAO_EMPRESA",
                 "CLI_DESCRICAO_REF1",  "CLI_DESCRICAO_REF2",  "CLI_FONE_REF1",
                 "CLI_FONE_REF2",       "CLI_REGIAO",          "CLI_FLAG_CARTA",
                 "CLI_FONE_EMPRESA",    "CLI_APROVADO_POR",    "CLI_BANCO_REF1",
                 "CLI_BANCO_REF2",      "CLI_FONE_BANCO_REF1", "CLI_FONE_BANCO_REF2",
                 "CLI_FUNCIONARIO",     "CLI_CLASSE",          "CLI_TIPO",
                 "CLI_SALDO_DEVEDOR",   "CLI_ALTERADO",        "CLI_CODIGO_GEN"});
    const QStringList banks{"BANCO DO BRASIL", "CAIXA", QString::fromUtf8("ITAÚ"), "BRADESCO", "SANTANDER"};
    QStringList recentPhones; // families and colleagues share phones
    auto phone = [&](int ddd) {
        if (!recentPhones.isEmpty() && r.Chance(0.08)) return r.Pick(recentPhones);
        QString p = Phone(r, ddd);
        recentPhones << p;
        if (recentPhones.size() > 60) recentPhones.removeFirst();
        return p;
    };

    auto write = [&](const QString& code, int gen, bool named) {
        bool company = gen > 1 && r.Chance(0.12);
        QString name = gen == 1  ? QString("CONSUMIDOR FINAL")
                       : company ? CompanyName(r, words)
                                 : PersonName(r, words);
        if (r.Chance(0.02)) name = name.toLower();
        if (r.Chance(0.02)) name += "  ";
        if (!named) name = "   ";
        TValue tax, rg;
        int t = r.Below(100);
        if (company) {
            tax = Text(t < 90 ? Cnpj(r) : r.Digits(14));
            rg = Text(r.Chance(0.7) ? r.Digits(13) : QString("ISENTO"));
        } else {
            tax = t < 80          ? Text(Cpf(r))
                  : t < 88        ? Text(r.Digits(11))
                  : t < 95        ? Null()
                  : t < 97        ? Text("")
                  : b.scale.messy ? Text(r.Chance(0.5) ? "000.000.000-00" : "111.111.111-11")
                                  : Text(Cpf(r));
            if (r.Chance(0.85)) {
                QString d = r.Digits(8);
                rg = Text("MG-" + d.left(2) + '.' + d.mid(2, 3) + '.' + d.mid(5));
            }
        }
        int s = r.Below(100);
        TValue status = s < 85   ? Text("LIBERADO")
                        : s < 93 ? Text("BLOQUEADO")
                        : s < 95 ? Text("liberado")
                                 : Null();
        int l = r.Below(10);
        TValue limit = l < 3 ? Null() : l < 5 ? Cents(0) : Cents(r.Between(5, 300) * 1000);
        int64_t included = FirstDay() - 4000 + r.Below(static_cast<int>(LastDay() - FirstDay() + 4000));
        Address a = MakeAddress(r, words, 40);
        QString phone1 = phone(a.ddd);
        int p2 = r.Below(100);
        TValue phone2 = p2 < 30   ? Text(Phone(r, a.ddd))
                        : p2 < 36 ? Text(phone1)
                        : p2 < 40 ? Text("   ")
                                  : Null();
        TValue father = r.Chance(0.4) ? Text(PersonName(r, words).left(30)) : Null();
        TValue mother = r.Chance(0.45) ? Text(PersonName(r, words).left(30)) : Null();
        bool ref1 = r.Chance(0.3), ref2 = r.Chance(0.15);
        w.Write(
            {Text(code),
             Text(name.left(45)),
             tax,
             rg,
             status,
             limit,
             r.Chance(0.7) ? DayBetween(r, DaysFromCivil(1940, 1, 1), DaysFromCivil(2000, 12, 31)) : Null(),
             r.Chance(0.9) ? At(included) : Null(),
             r.Chance(0.6) ? DayBetween(r, included, LastDay()) : Null(),
             Maybe(r, 0.05, r.Pick(words.notes)),
             a.text.isEmpty() && r.Chance(0.5) ? Null() : Text(a.text),
             Text(a.neighbourhood),
             Text(a.city),
             Text(a.state),
             Text(a.cep),
             Text(phone1),
             phone2,
             r.Chance(0.35) ? Text(Email(r, words, name).left(60)) : Null(),
             father,
             mother,
             r.Chance(0.3) ? Text(CompanyName(r, words).left(30)) : Null(),
             ref1 ? Text(PersonName(r, words).left(30)) : Null(),
             ref2 ? Text(PersonName(r, words).left(30)) : Null(),
             ref1 || r.Chance(0.05) ? Text(Phone(r, a.ddd)) : Null(),
             ref2 ? Text(Phone(r, a.ddd)) : Null(),
             Text(a.neighbourhood),
             Text("N"),
             Maybe(r, 0.2, Phone(r, a.ddd)),
             Null(),
             Maybe(r, 0.1, r.Pick(banks)),
             Null(),
             Null(),
             Null(),
             b.employees.isEmpty() || !r.Chance(0.3) ? Null() : Text(r.Pick(b.employees)),
             Text(QString(QChar('A' + r.Below(3)))),
             Text(company ? "J" : "F"),
             Cents(r.Chance(0.8) ? 0 : r.Between(1000, 200000)),
             Text("N"),
             Int(gen)});
    };

    for (int i = 1; i <= b.scale.customers; ++i) {
        QString code = Code(i, 5);
        bool named = !(b.scale.messy && i > 1 && r.Chance(0.003));
        write(code, i, named);
        (named ? b.customers : b.strayCustomers) << code;
    }
    if (b.scale.messy) {
        // The same customer typed in again under a code of the same digits: the migration keeps the
        // first and reports the others.
        int repeats = std::max(1, b.scale.customers / 2500);
        for (int k = 0; k < repeats; ++k) {
            int j = r.Between(2, std::min(b.scale.customers, 9999));
            write(k % 2 == 0 ? QString::number(j) : 'A' + Code(j, 4), b.scale.customers + k + 1, true);
        }
        for (int k = 0; k < 3; ++k) // customers deleted from the legacy register
            b.strayCustomers << Code(std::min(99999, b.scale.customers + 1000 + k), 5);
    }
    b.Count("LJ_CLIEN", w);
}

void GenerateSuppliers(StoreBuild& b) {
    Random r = b.Rng("LJ_FORNE");
    const Words& words = b.words;
    RowWriter w(b.db, b.tr, "LJ_FORNE",
                {"FOR_CODIGO", "FOR_DESCRICAO", "FOR_DESCRICAO_ABREVIADA", "FOR_ENDERECO", "FOR_CIDADE",
                 "FOR_BAIRRO", "FOR_CEP", "FOR_ESTADO", "FOR_INSCR_ESTADUAL", "FOR_CNPJ", "FOR_FAX",
                 "FOR_FONE", "FOR_DATA_ULTIMA_COMPRA", "FOR_DATA_INCLUSAO", "FOR_CONTATO", "FOR_EMAIL"});
    auto write = [&](const QString& code, bool named) {
        QString name = SupplierName(r, words);
        QString shortName = name.section(' ', 1, 1).left(15);
        int c = r.Below(100);
        if (c < 3)
            name = name.toLower();
        else if (c < 5)
            name = "  " + name;
        if (!named) name = " ";
        Address a = MakeAddress(r, words, 30);
        int64_t included = FirstDay() - 3000 + r.Below(3000);
        QString mailDomain = shortName.toLower();
        for (QChar& ch : mailDomain)
            if (ch.unicode() > 127) ch = 'a';
        int t = r.Below(100);
        w.Write({Text(code), Text(name.left(30)), r.Chance(0.6) ? Text(shortName) : Null(), Text(a.text),
                 Text(a.city), Text(a.neighbourhood), Text(a.cep), Text(a.state),
                 Text(r.Chance(0.85) ? r.Digits(12) : QString("ISENTO")),
                 t < 90   ? Text(Cnpj(r))
                 : t < 95 ? Text(Cpf(r))
                          : Null(),
                 Maybe(r, 0.4, Phone(r, a.ddd)), Maybe(r, 0.92, Phone(r, a.ddd)),
                 r.Chance(0.7) ? At(included + r.Below(static_cast<int>(LastDay() - included))) : Null(),
                 At(included), Maybe(r, 0.6, r.Pick(words.firstNames)),
                 Maybe(r, 0.5, "vendas@" + mailDomain + ".com.br")});
    };
    for (int i = 1; i <= b.scale.suppliers; ++i) {
        QString code = Code(i, 4);
        bool named = !(b.scale.messy && r.Chance(0.005));
        write(code, named);
        if (named) b.suppliers << code;
    }
    if (b.scale.messy) {
        int repeats = std::max(1, b.scale.suppliers / 1000);
        for (int k = 0; k < repeats; ++k)
            write(QString::number(r.Between(1, std::min(b.scale.suppliers, 9999))), true);
    }
    b.Count("LJ_FORNE", w);
}
