// Splitting legacy addresses into street and house number, and the street the registry stores
// after its second pass.
#include "TestSupport.h"

namespace {
class Enderecos : public MigrationTest {};

struct Exemplo {
    const char* endereco;
    const char* rua;     // ExtrairLogradouro of the trimmed address
    const char* gravada; // the street RegistrarEndereco stores for it
    const char* numero;  // ExtrairNumero
};

const Exemplo kExemplos[] = {
    {"RUA DAS FLORES, 123", "RUA DAS FLORES", "RUA DAS FLORES", "123"},
    {"RUA A, 12, APTO 3", "RUA A", "RUA A", "12"},
    {"RUA X, 12-A BL 3", "RUA X", "RUA X", "12"},
    {"AV BRASIL Nº 150", "AV BRASIL ", "AV BRASIL", "150"},
    {"AV BRASIL N.º 150", "AV BRASIL N", "AV BRASIL N", "150"},
    {"RUA DAS FLORES 123", "RUA DAS FLORES", "RUA DAS FLORES", "123"},
    {"RUA 7 DE SETEMBRO 100", "RUA 7 DE SETEMBRO 100", "RUA 7 DE SETEMBRO 100", "7"},
    {"RUA 7 DE SETEMBRO, 100", "RUA 7 DE SETEMBRO", "RUA  DE SETEMBRO", "100"},
    {"RUA A Nº 5, FUNDOS", "RUA A Nº 5", "RUA A", ""},
    {"PRAÇA CENTRAL", "PRAÇA CENTRAL", "PRAÇA CENTRAL", ""},
    {"AV. BRASIL 1.234 AP 5", "AV. BRASIL 1.234 AP 5", "AV. BRASIL 1.234 AP 5", "1234"},
    // Edge cases.
    {"", "", ".", ""},
    {", 12", "", ".", "12"},
    {"RUA A, 12,5", "RUA A", "RUA A", "125"},
    {"RUA 1, S/N", "RUA 1", "RUA", ""},
    {"RUA B, 1.500", "RUA B", "RUA B", "1500"},
    {"RUA B, 12A3 FUNDOS", "RUA B", "RUA B", "123"},
    {"RUA A, CASA 3 FUNDOS", "RUA A", "RUA A", "3"},
    {"RUA 15 DE NOVEMBRO, 300", "RUA 15 DE NOVEMBRO", "RUA  DE NOVEMBRO", "300"},
    {"12345", "", ".", "12345"},
    {"RUA A , 5", "RUA A ", "RUA A", "5"},
    {"Nº 5", "", ".", "5"},
    {"º5", "", ".", "5"},
    {"rua c nº 9", "rua c ", "RUA C", "9"},
    {"AV BRASIL N° 150", "AV BRASIL N°", "AV BRASIL N°", "150"}, // the degree sign is no marker
    {"RUA D, 12\t3", "RUA D", "RUA D", "123"},                   // a tab does not end the number
    {"RUA E, ١٢ 4", "RUA E", "RUA E", "4"},                      // only 0 to 9 are digits
};
} // namespace

TEST_F(Enderecos, WorkedExamplesSplitStreetAndNumberAndTheRegistryStoresTheSecondPass) {
    for (const Exemplo& e : kExemplos) {
        SCOPED_TRACE(e.endereco);
        const QString endereco = QString::fromUtf8(e.endereco);
        const QString rua = Tfrm_Importacao::ExtrairLogradouro(endereco);
        EXPECT_EQ(rua, QString::fromUtf8(e.rua));
        EXPECT_EQ(Tfrm_Importacao::ExtrairNumero(endereco), QString::fromUtf8(e.numero));
        // The customer and supplier steps hand the trimmed first-pass street to the registry.
        int key = Form().RegistrarEndereco(rua.trimmed(), "CENTRO", "BH", "MG", "30140071");
        EXPECT_EQ(Str(Kelmor().Scalar(
                      "SELECT ECO_ENDERECO FROM SCA_ENDERECOCORREIO WHERE ECO_PK_ENDERECOCORREIO = ?",
                      {int64_t(key)})),
                  QString::fromUtf8(e.gravada));
    }
}
