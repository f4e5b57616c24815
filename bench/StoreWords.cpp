#include "StoreWords.h"

namespace {

QStringList List(std::initializer_list<const char*> words) {
    QStringList out;
    for (const char* w : words)
        out << QString::fromUtf8(w);
    return out;
}

QString Cut(const QString& s, int n) {
    return s.left(n).trimmed();
}

} // namespace

Words::Words() {
    firstNames = List({"MARIA",    "JOSÉ",    "ANA",    "JOÃO",     "ANTÔNIO",   "FRANCISCA", "CARLOS",
                       "PAULO",    "LUCAS",   "MÁRCIA", "LÚCIA",    "SEBASTIÃO", "CONCEIÇÃO", "PEDRO",
                       "FERNANDA", "JULIANA", "RAFAEL", "PATRÍCIA", "MARCOS",    "ALINE",     "SANDRA",
                       "ROBERTO",  "CÉLIA",   "VÂNIA",  "GERALDO",  "APARECIDA", "RITA",      "LUIZ",
                       "MÔNICA",   "EDUARDO", "CAMILA", "BRUNO",    "TÂNIA",     "SÉRGIO",    "HELENA",
                       "RICARDO",  "DÉBORA",  "FÁBIO",  "LETÍCIA",  "WAGNER",    "ROSÂNGELA", "IVONE"});
    surnames = List({"SILVA",   "SANTOS",    "OLIVEIRA", "SOUZA",      "LIMA",      "PEREIRA",   "FERREIRA",
                     "COSTA",   "RODRIGUES", "ALMEIDA",  "NASCIMENTO", "ARAÚJO",    "CARVALHO",  "GOMES",
                     "MARTINS", "ROCHA",     "RIBEIRO",  "ALVES",      "MONTEIRO",  "MENDES",    "BARROS",
                     "FREITAS", "BARBOSA",   "PINTO",    "MOURA",      "DIAS",      "CASTRO",    "CAMPOS",
                     "CARDOSO", "TEIXEIRA",  "VIEIRA",   "MACHADO",    "NUNES",     "LOPES",     "MOREIRA",
                     "FONSECA", "AZEVEDO",   "BRANDÃO",  "GONÇALVES",  "MAGALHÃES", "GUIMARÃES", "ASSUNÇÃO"});
    streets = List({"RUA DAS FLORES",
                    "RUA SÃO PAULO",
                    "AV AFONSO PENA",
                    "RUA DA BAHIA",
                    "AV BRASIL",
                    "RUA 7 DE SETEMBRO",
                    "RUA 15 DE NOVEMBRO",
                    "AV AMAZONAS",
                    "RUA TUPIS",
                    "RUA DOS GOITACAZES",
                    "PRAÇA SETE",
                    "RUA PADRE EUSTÁQUIO",
                    "AV CRISTIANO MACHADO",
                    "RUA ESPÍRITO SANTO",
                    "RUA GUAJAJARAS",
                    "RUA CARIJÓS",
                    "AV DO CONTORNO",
                    "RUA ITAPECERICA",
                    "RUA PIAUÍ",
                    "RUA GRÃO MOGOL",
                    "AV. JOÃO CÉSAR DE OLIVEIRA",
                    "RUA MAJOR LOPES",
                    "AV OLEGÁRIO MACIEL",
                    "RUA CURITIBA"});
    neighbourhoods =
        List({"CENTRO",         "SAVASSI",         "FUNCIONÁRIOS",    "LOURDES",      "SANTA EFIGÊNIA",
              "BARREIRO",       "PAMPULHA",        "ELDORADO",        "VENDA NOVA",   "CIDADE NOVA",
              "FLORESTA",       "SAGRADA FAMÍLIA", "PADRE EUSTÁQUIO", "CAIÇARA",      "SÃO BENTO",
              "JARDIM AMÉRICA", "PRADO",           "CARLOS PRATES",   "SANTA TEREZA", "HORTO"});
    providers =
        List({"gmail.com", "hotmail.com", "yahoo.com.br", "uol.com.br", "terra.com.br", "bol.com.br"});
    supplierKinds = List({"CONFECÇÕES", "TÊXTIL", "MALHARIA", "CALÇADOS", "DISTRIBUIDORA", "INDÚSTRIA",
                          "COMERCIAL", "ATACADO", "TECELAGEM", "BOLSAS"});
    supplierSuffixes = List({"LTDA", "S/A", "ME", "& CIA LTDA", "EIRELI", "LTDA ME"});
    companyKinds = List({"COMÉRCIO LTDA", "MODAS", "BOUTIQUE", "MERCADINHO", "& FILHOS", "CONFECÇÕES ME"});
    groups = List({"CAMISAS", "CALÇAS",     "BERMUDAS", "VESTIDOS",   "SAIAS",    "BLUSAS",   "JAQUETAS",
                   "MEIAS",   "CUECAS",     "CALÇADOS", "ACESSÓRIOS", "BOLSAS",   "CINTOS",   "BONÉS",
                   "PIJAMAS", "MODA PRAIA", "INFANTIL", "FITNESS",    "LINGERIE", "UNIFORMES"});
    groupNouns = List({"CAMISA", "CALÇA",   "BERMUDA",      "VESTIDO", "SAIA",  "BLUSA", "JAQUETA",
                       "MEIA",   "CUECA",   "TÊNIS",        "ÓCULOS",  "BOLSA", "CINTO", "BONÉ",
                       "PIJAMA", "BIQUÍNI", "CONJUNTO INF", "LEGGING", "SUTIÃ", "JALECO"});
    subgroups = List({"MASCULINO", "FEMININO", "INFANTIL", "UNISSEX", "BEBÊ", "PLUS SIZE", "JUVENIL",
                      "ESPORTE", "SOCIAL", "CASUAL"});
    unitCodes = List({"UN", "PC", "CX", "KG", "MT", "PR", "DZ", "CJ"});
    unitNames = List({"UNIDADE", "PEÇA", "CAIXA", "QUILO", "METRO", "PAR", "DÚZIA", "CONJUNTO"});
    collections = List({"VERÃO 2013",
                        "INVERNO 2013",
                        "PRIMAVERA 2013",
                        "OUTONO 2013",
                        "VERÃO 2014",
                        "INVERNO 2014",
                        "PRIMAVERA 2014",
                        "OUTONO 2014",
                        "BÁSICOS",
                        "LINHA PROMOCIONAL",
                        "ALTO VERÃO",
                        "FESTA",
                        "TRABALHO",
                        "COLEÇÃO PERMANENTE",
                        "PONTA DE ESTOQUE",
                        "COLEÇÃO PRIMAVERA-VERÃO ALTO PADRÃO 2014",
                        "Linha Casa",
                        "DIA DAS MÃES",
                        "NATAL",
                        "VOLTA ÀS AULAS"});
    styles = List({"MANGA LONGA", "MANGA CURTA", "POLO", "SLIM", "TRADICIONAL", "ESTAMPADA", "LISA",
                   "LISTRADA", "JEANS", "MOLETOM", "MALHA", "LINHO", "CETIM", "ALGODÃO"});
    colours = List({"AZUL", "PRETO", "BRANCO", "VERMELHO", "VERDE", "AMARELO", "CINZA", "ROSA", "BEGE",
                    "MARROM", "VINHO", "LILÁS"});
    sizes = List(
        {"PP", "P", "M", "G", "GG", "XG", "2", "4", "6", "8", "10", "12", "36", "38", "40", "42", "44", "U"});
    notes = List({"ENTREGAR NA LOJA", "PAGO EM CHEQUE", "TROCA AUTORIZADA", "CLIENTE AGUARDA AJUSTE",
                  "PRESENTE - EMBALAR", "VENDA TELEFONE"});
    cities = {{"BELO HORIZONTE", "MG", 30, 31, 40},
              {QString::fromUtf8("CONTAGEM"), "MG", 32, 31, 14},
              {"BETIM", "MG", 32, 31, 8},
              {"NOVA LIMA", "MG", 34, 31, 5},
              {QString::fromUtf8("SABARÁ"), "MG", 34, 31, 3},
              {"SANTA LUZIA", "MG", 33, 31, 4},
              {QString::fromUtf8("IBIRITÉ"), "MG", 32, 31, 3},
              {"VESPASIANO", "MG", 33, 31, 3},
              {"LAGOA SANTA", "MG", 33, 31, 2},
              {"SETE LAGOAS", "MG", 35, 31, 3},
              {QString::fromUtf8("DIVINÓPOLIS"), "MG", 35, 37, 3},
              {QString::fromUtf8("SÃO PAULO"), "SP", 1, 11, 5},
              {"RIO DE JANEIRO", "RJ", 20, 21, 3},
              {QString::fromUtf8("VITÓRIA"), "ES", 29, 27, 1},
              {"BRASILIA", "DF", 70, 61, 1}};
    for (const City& c : cities)
        cityWeights += c.weight;
}

QString PersonName(Random& r, const Words& w) {
    QString name = r.Pick(w.firstNames);
    if (r.Chance(0.35)) name += ' ' + r.Pick(w.firstNames);
    if (r.Chance(0.3)) name += r.Chance(0.5) ? " DA" : " DOS";
    name += ' ' + r.Pick(w.surnames);
    if (r.Chance(0.45)) name += ' ' + r.Pick(w.surnames);
    return name;
}

QString CompanyName(Random& r, const Words& w) {
    QString name = r.Pick(w.surnames);
    return name + ' ' + r.Pick(w.companyKinds);
}

QString SupplierName(Random& r, const Words& w) {
    QString name = r.Pick(w.supplierKinds);
    name += ' ' + r.Pick(w.surnames);
    if (r.Chance(0.4)) name += ' ' + r.Pick(w.surnames);
    const QString& suffix = r.Pick(w.supplierSuffixes);
    return Cut(name, 30 - 1 - static_cast<int>(suffix.size())) + ' ' + suffix;
}

Address MakeAddress(Random& r, const Words& w, int maxLength) {
    Address a;
    int pick = r.Below(w.cityWeights);
    size_t ci = 0;
    while (pick >= w.cities[ci].weight)
        pick -= w.cities[ci++].weight;
    const City& city = w.cities[ci];
    int si = r.Below(static_cast<int>(w.streets.size()));
    int ni = r.Below(static_cast<int>(w.neighbourhoods.size()));
    a.city = city.name;
    a.state = city.state;
    a.ddd = city.ddd;
    a.neighbourhood = w.neighbourhoods[ni];
    int cep5 = city.cepPrefix * 1000 + (si * 131 + ni * 17 + static_cast<int>(ci) * 7) % 1000;
    int cep3 = (si * 37 + ni * 11) % 1000;
    QString five = QString("%1").arg(cep5, 5, 10, QChar('0'));
    QString three = QString("%1").arg(cep3, 3, 10, QChar('0'));
    int form = r.Below(100);
    a.cep = form < 85   ? five + '-' + three
            : form < 93 ? five + three
            : form < 97 ? five.left(2) + '.' + five.mid(2) + '-' + three
                        : QString();

    const QString& street = w.streets[si];
    QString n = QString::number(r.Chance(0.8) ? r.Between(1, 1500) : r.Between(1501, 9999));
    int way = r.Below(100);
    QString text;
    if (way < 40)
        text = street + ", " + n;
    else if (way < 50) {
        int floor = r.Between(1, 12);
        text = street + ", " + n + ", APTO " + QString::number(floor * 100 + r.Between(1, 4));
    } else if (way < 63)
        text = street + QString::fromUtf8(" Nº ") + n;
    else if (way < 66)
        text = street + QString::fromUtf8(" N.º ") + n;
    else if (way < 80)
        text = street + ' ' + n;
    else if (way < 85)
        text = street + ", " + n + "-A FUNDOS";
    else if (way < 89)
        text = street + ", S/N";
    else if (way < 92)
        text = street + ", CASA " + QString::number(r.Between(1, 30));
    else if (way < 95)
        text = street.toLower() + ", " + n; // typed in lower case
    else if (way < 98)
        text = street;
    else if (way < 99)
        text = "  " + street + ", " + n + "  ";
    a.text = text.left(maxLength);
    return a;
}

QString Phone(Random& r, int ddd) {
    bool mobile = r.Chance(0.4);
    QString first = mobile ? QString("9") : QString::number(r.Between(2, 3));
    first += r.Digits(3);
    return QString("(%1) %2-%3").arg(ddd).arg(first, r.Digits(4));
}

QString Cpf(Random& r) {
    QString d = r.Digits(11);
    return d.left(3) + '.' + d.mid(3, 3) + '.' + d.mid(6, 3) + '-' + d.mid(9);
}

QString Cnpj(Random& r) {
    QString d = r.Digits(8) + "0001";
    d += r.Digits(2);
    return d.left(2) + '.' + d.mid(2, 3) + '.' + d.mid(5, 3) + '/' + d.mid(8, 4) + '-' + d.mid(12);
}

QString Email(Random& r, const Words& w, const QString& name) {
    QStringList parts = name.split(' ', Qt::SkipEmptyParts);
    if (parts.isEmpty()) parts << "contato";
    QString user = parts.front() + (parts.size() > 1 ? '.' + parts.back() : QString());
    // Mail addresses hold no accents: the common letters lose them.
    const QString from = QString::fromUtf8("ÁÂÃÀÉÊÍÓÔÕÚÇ");
    const QString to = "AAAAEEIOOOUC";
    for (int i = 0; i < user.size(); ++i)
        if (int k = static_cast<int>(from.indexOf(user[i])); k >= 0) user[i] = to[k];
    if (r.Chance(0.3)) user += QString::number(r.Between(1, 99));
    QString mail = user + '@' + r.Pick(w.providers);
    return r.Chance(0.8) ? mail.toLower() : mail;
}

QString Ean(const QString& digits) {
    // Weights 3 and 1 alternate from the rightmost digit.
    int sum = 0;
    for (int i = 0; i < digits.size(); ++i) {
        int d = digits[digits.size() - 1 - i].digitValue();
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return digits + QChar('0' + (10 - sum % 10) % 10);
}
