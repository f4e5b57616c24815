// The postal address registry: the neighbourhood, city, state and postal address of a legacy
// address, each found in the destination or created there and committed at once.
#include "Text.h"
#include "uImportacao.h"

namespace {

// Trimmed, a to z in capitals, apostrophes as blanks; a blank text becomes ".".
QString NormalizarNome(const QString& text) {
    QString name = UpperAZ(Trim(text));
    name.replace('\'', ' ');
    return Trim(name).isEmpty() ? QStringLiteral(".") : name;
}

// Inserts one look-up row and commits it. A failure drops the row and is raised again behind the
// table's own prefix.
template <typename Fill>
void InserirRegistro(TIBTable& table, TIBTransaction& tr, const QString& failure, Fill fill) {
    try {
        table.Insert();
        fill();
        table.Post();
        tr.CommitRetaining();
    } catch (const std::exception& e) {
        table.Cancel();
        throw Exception(failure + ExceptionMessage(e));
    }
}

} // namespace

int Tfrm_Importacao::RegistrarEndereco(const QString& street, const QString& neighbourhood,
                                       const QString& city, const QString& state, const QString& postalCode) {
    const QString bairro = NormalizarNome(neighbourhood);
    const QString cidade = NormalizarNome(city);
    const QString uf = Trim(state).isEmpty() ? QStringLiteral("MG") : state;

    TBL_BAIRRO.Open();
    TBL_CIDADE.Open();
    TBL_UF.Open();
    TBL_ENDERECOCORREIO.Open();

    // A neighbourhood is one row per name, whatever its city.
    TIBTable& tb = TBL_BAIRRO;
    if (!tb.Locate("BAI_NOME", {bairro}, loCaseInsensitive | loCutToSize))
        InserirRegistro(tb, TR_DESTINO, "Falha ao Registrar Bairro - ", [&] {
            tb.FieldByName("BAI_PK_BAIRRO").SetAsInteger(ProximoCodigo("GEN_BAI_PK_BAIRRO"));
            tb.FieldByName("BAI_CODIGO_USUARIO_INC").SetAsInteger(0);
            tb.FieldByName("BAI_DT_INCLUSAO").SetAsDateTime(Date());
            tb.FieldByName("BAI_HR_INCLUSAO").SetAsDateTime(Time());
            tb.FieldByName("BAI_NOME").SetAsString(bairro);
            tb.FieldByName("BAI_CODIGO_TIPO_BAIRRO").SetAsInteger(1);
        });
    const QString codigoBairro = tb.FieldByName("BAI_PK_BAIRRO").AsString();

    // A city is one row per name, whatever its state.
    TIBTable& tc = TBL_CIDADE;
    if (!tc.Locate("CID_NOME", {cidade}, loCaseInsensitive | loCutToSize))
        InserirRegistro(tc, TR_DESTINO, "Falha ao Registrar Cidade - ", [&] {
            tc.FieldByName("CID_PK_CIDADE").SetAsInteger(ProximoCodigo("GEN_CID_PK_CIDADE"));
            tc.FieldByName("CID_CODIGO_USUARIO_INC").SetAsInteger(0);
            tc.FieldByName("CID_DT_INCLUSAO").SetAsDateTime(Date());
            tc.FieldByName("CID_HR_INCLUSAO").SetAsDateTime(Time());
            tc.FieldByName("CID_NOME").SetAsString(cidade);
        });
    const QString codigoCidade = tc.FieldByName("CID_PK_CIDADE").AsString();

    // The state code is its own key.
    TIBTable& tu = TBL_UF;
    if (!tu.Locate("UFE_CODIGO", {uf}, loCaseInsensitive | loCutToSize))
        InserirRegistro(tu, TR_DESTINO, "Falha ao Registrar UF no Endereço - ", [&] {
            tu.FieldByName("UFE_CODIGO_USUARIO_INC").SetAsInteger(0);
            tu.FieldByName("UFE_DT_INCLUSAO").SetAsDateTime(Date());
            tu.FieldByName("UFE_HR_INCLUSAO").SetAsDateTime(Time());
            tu.FieldByName("UFE_CODIGO").SetAsString(uf);
            tu.FieldByName("UFE_DESCRICAO").SetAsString(uf);
            tu.FieldByName("UFE_CODIGO_ALIQUOTAICMS_INTERNA").SetAsInteger(3);
        });
    const QString codigoUf = tu.FieldByName("UFE_CODIGO").AsString();

    // The caller's street has been through ExtrairLogradouro once already; the second pass cuts
    // a "Nº" or a lone number that the first one left.
    QString logradouro = Trim(ExtrairLogradouro(NormalizarNome(street)));
    if (logradouro.isEmpty()) logradouro = ".";
    QString cep = SomenteNumeros(postalCode);
    cep = cep.size() < 8 ? QStringLiteral("00000000") : cep.left(8);

    // A postal address is its street, city, neighbourhood and postal code; its state is that of
    // its first registration.
    TIBTable& te = TBL_ENDERECOCORREIO;
    try {
        if (!te.Locate("ECO_ENDERECO;ECO_CODIGO_CIDADE;ECO_CODIGO_BAIRRO;ECO_CEP",
                       {logradouro, codigoCidade, codigoBairro, cep}, loCaseInsensitive | loCutToSize)) {
            te.Insert();
            te.FieldByName("ECO_PK_ENDERECOCORREIO")
                .SetAsInteger(ProximoCodigo("GEN_ECO_PK_ENDERECOCORREIO"));
            te.FieldByName("ECO_CODIGO_USUARIO_INC").SetAsInteger(0);
            te.FieldByName("ECO_DT_INCLUSAO").SetAsDateTime(Date());
            te.FieldByName("ECO_HR_INCLUSAO").SetAsDateTime(Time());
            te.FieldByName("ECO_ENDERECO").SetAsString(logradouro);
            te.FieldByName("ECO_CODIGO_BAIRRO").SetAsInteger(StrToInt(codigoBairro));
            te.FieldByName("ECO_CODIGO_CIDADE").SetAsInteger(StrToInt(codigoCidade));
            te.FieldByName("ECO_CODIGO_UF").SetAsString(codigoUf);
            te.FieldByName("ECO_CODIGO_PAIS").SetAsInteger(1);
            te.FieldByName("ECO_CODIGO_TIPO_ENDERECO").SetAsInteger(1);
            te.FieldByName("ECO_CEP").SetAsString(cep);
            te.Post();
            TR_DESTINO.CommitRetaining();
        }
        return te.FieldByName("ECO_PK_ENDERECOCORREIO").AsInteger();
    } catch (const std::exception& e) {
        te.Cancel();
        throw Exception("Falha ao Registrar Endereço. " + ExceptionMessage(e));
    }
}
