#pragma once
// The words a Brazilian clothing store's records are made of, and the small texts built from
// them: names, free-text addresses in the ways operators type them, phones, tax numbers.

#include "Random.h"

#include <QString>
#include <QStringList>
#include <vector>

struct City {
    QString name, state;
    int cepPrefix; // first two digits of its postal codes
    int ddd;       // phone area code
    int weight;    // how many customers live there, relatively
};

struct Words {
    Words();
    QStringList firstNames, surnames, streets, neighbourhoods, providers;
    QStringList supplierKinds, supplierSuffixes, companyKinds;
    QStringList groups, groupNouns, subgroups, unitCodes, unitNames, collections;
    QStringList styles, colours, sizes, notes;
    std::vector<City> cities;
    int cityWeights = 0;
};

struct Address {
    QString text; // street and house number as the operator typed them
    QString neighbourhood, city, state, cep;
    int ddd = 31;
};

QString PersonName(Random& r, const Words& w);
QString CompanyName(Random& r, const Words& w);
QString SupplierName(Random& r, const Words& w);
// A street address cut to the legacy column's size, with its neighbourhood, city, state and
// postal code; the same street of the same city has the same postal code.
Address MakeAddress(Random& r, const Words& w, int maxLength);
QString Phone(Random& r, int ddd);
QString Cpf(Random& r);
QString Cnpj(Random& r);
QString Email(Random& r, const Words& w, const QString& name);
// A bar code of its digits with the EAN check digit appended.
QString Ean(const QString& digits);
