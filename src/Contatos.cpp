// Address links and contacts of the migrated customers and suppliers: each new row is applied
// and committed at once.
#include "Padroes.h"
#include "Text.h"
#include "uImportacao.h"

namespace {

// The columns of one address link table, in the order they are filled.
struct ColunasVinculo {
    const char* chave;
    const char* dono;
    const char* enderecoCorreio;
    const char* tipo;
    const char* numero;
    const char* usuario;
    const char* data;
    const char* hora;
    const char* gerador;
};

constexpr ColunasVinculo kEnderecoCliente{.chave = "ECL_PK_ENDERECOCLIENTE",
                                          .dono = "ECL_CODIGO_CLIENTE",
                                          .enderecoCorreio = "ECL_CODIGO_END_CORREIO",
                                          .tipo = "ECL_CODIGO_TIPO",
                                          .numero = "ECL_NUMERO",
                                          .usuario = "ECL_CODIGO_USUARIO_INC",
                                          .data = "ECL_DT_INCLUSAO",
                                          .hora = "ECL_HR_INCLUSAO",
                                          .gerador = "GEN_ECL_PK_ENDERECOCLIENTE"};
constexpr ColunasVinculo kEnderecoFornecedor{.chave = "EFO_PK_ENDERECOFORNECEDOR",
                                             .dono = "EFO_CODIGO_FORNECEDOR",
                                             .enderecoCorreio = "EFO_CODIGO_END_CORREIO",
                                             .tipo = "EFO_CODIGO_TIPO",
                                             .numero = "EFO_NUMERO",
                                             .usuario = "EFO_CODIGO_USUARIO_INC",
                                             .data = "EFO_DT_INCLUSAO",
                                             .hora = "EFO_HR_INCLUSAO",
                                             .gerador = "GEN_EFO_PK_ENDERECOFORNECEDOR"};

// The columns of one contact table, in the order they are filled, and its search key.
struct ColunasContato {
    const char* chave;
    const char* dono;
    const char* tipo;
    const char* nome;
    const char* usuario;
    const char* data;
    const char* hora;
    const char* gerador;
    const char* busca;
};

constexpr ColunasContato kContatoCliente{.chave = "CCI_PK_CONTATOCLIENTE",
                                         .dono = "CCI_CODIGO_CLIENTE",
                                         .tipo = "CCI_CODIGO_TIPO_CONTATO",
                                         .nome = "CCI_NOME",
                                         .usuario = "CCI_CODIGO_USUARIO_INC",
                                         .data = "CCI_DT_INCLUSAO",
                                         .hora = "CCI_HR_INCLUSAO",
                                         .gerador = "GEN_CCI_PK_CONTATOCLIENTE",
                                         .busca = "CCI_CODIGO_CLIENTE;CCI_CODIGO_TIPO_CONTATO;CCI_NOME"};
constexpr ColunasContato kContatoFornecedor{.chave = "CFO_PK_CONTATOFORNECEDOR",
                                            .dono = "CFO_CODIGO_FORNECEDOR",
                                            .tipo = "CFO_CODIGO_TIPO_CONTATO",
                                            .nome = "CFO_NOME",
                                            .usuario = "CFO_CODIGO_USUARIO_INC",
                                            .data = "CFO_DT_INCLUSAO",
                                            .hora = "CFO_HR_INCLUSAO",
                                            .gerador = "GEN_CFO_PK_CONTATOFORNECEDOR",
                                            .busca =
                                                "CFO_CODIGO_FORNECEDOR;CFO_CODIGO_TIPO_CONTATO;CFO_NOME"};

// Apostrophes as blanks, trimmed again.
QString SemApostrofos(const QString& text) {
    QString t = text;
    t.replace('\'', ' ');
    return Trim(t);
}

// Appends one address link, applies and commits it; the set is reopened above 500 rows. A
// failure cancels the pending row and is raised behind `failure`.
void RegistrarVinculo(Tfrm_Importacao& form, TClientDataSet& cds, const ColunasVinculo& c,
                      const QString& failure, int owner, const QString& type, int postalAddress,
                      const QString& number) {
    cds.Open();
    const QString numero = Trim(number).isEmpty() ? QStringLiteral("S/N") : number;
    try {
        cds.Insert();
        cds.FieldByName(c.chave).SetAsInteger(form.ProximoCodigo(c.gerador));
        cds.FieldByName(c.dono).SetAsInteger(owner);
        cds.FieldByName(c.enderecoCorreio).SetAsInteger(postalAddress);
        cds.FieldByName(c.tipo).SetAsString(type);
        cds.FieldByName(c.numero).SetAsString(numero); // cut to the column's 9 characters
        cds.FieldByName(c.usuario).SetAsInteger(0);
        cds.FieldByName(c.data).SetAsDateTime(Date());
        cds.FieldByName(c.hora).SetAsDateTime(Time());
        cds.Post();
        cds.ApplyUpdates(0);
        form.TR_DESTINO.CommitRetaining();
        ReabrirSeCheio(cds);
    } catch (const std::exception& e) {
        cds.Cancel();
        throw Exception(failure + ExceptionMessage(e));
    }
}

// Appends one contact unless the set already holds an equal one (text compared ignoring case, or
// as the column's collation holds it equal); a new row is applied and committed. Returns whether a
// row was added.
bool IncluirContato(Tfrm_Importacao& form, TClientDataSet& cds, const ColunasContato& c, int owner, int type,
                    const QString& text) {
    if (cds.Locate(c.busca, {int64_t(owner), int64_t(type), text}, loCaseInsensitive)) return false;
    cds.Insert();
    cds.FieldByName(c.chave).SetAsInteger(form.ProximoCodigo(c.gerador));
    cds.FieldByName(c.dono).SetAsInteger(owner);
    cds.FieldByName(c.tipo).SetAsInteger(type);
    cds.FieldByName(c.nome).SetAsString(text); // cut to the column's 50 characters
    cds.FieldByName(c.usuario).SetAsInteger(0);
    cds.FieldByName(c.data).SetAsDateTime(Date());
    cds.FieldByName(c.hora).SetAsDateTime(Time());
    cds.Post();
    cds.ApplyUpdates(0);
    form.TR_DESTINO.CommitRetaining();
    return true;
}

} // namespace

void Tfrm_Importacao::RegistrarEnderecoCliente(int owner, const QString& type, int postalAddress,
                                               const QString& number) {
    RegistrarVinculo(*this, CDS_ENDERECOCLIENTE, kEnderecoCliente, "Falha ao Registrar Endereço do Cliente ",
                     owner, type, postalAddress, number);
}

void Tfrm_Importacao::RegistrarEnderecoFornecedor(int owner, const QString& type, int postalAddress,
                                                  const QString& number) {
    RegistrarVinculo(*this, CDS_ENDERECOFORNECEDOR, kEnderecoFornecedor,
                     "Falha ao Registrar Endereço do FORNECEDOR ", owner, type, postalAddress, number);
}

void Tfrm_Importacao::RegistrarContatoCliente(int owner, int type, const QString& text) {
    // The cut counts leading blanks: it comes before the trim.
    const QString nome = SemApostrofos(Trim(UpperAZ(text.left(50))));
    if (nome.isEmpty()) return;
    // Never reopened: the search sees every customer contact since the program started,
    // through the index the form keeps over owner, type and text.
    CDS_CONTATOCLIENTE.Open();
    try {
        IncluirContato(*this, CDS_CONTATOCLIENTE, kContatoCliente, owner, type, nome);
    } catch (const std::exception& e) {
        application_.ShowMessage("Falha ao incluir contatos do cliente " + QString::number(owner));
        CDS_CONTATOCLIENTE.Cancel();
        throw Exception("Falha ao Registrar Contato do Cliente " + ExceptionMessage(e));
    }
}

void Tfrm_Importacao::RegistrarContatoFornecedor(int owner, int type, const QString& text) {
    // A supplier contact keeps its case and its length.
    const QString nome = SemApostrofos(Trim(text));
    if (nome.isEmpty()) return;
    CDS_CONTATOFORNECEDOR.Open();
    try {
        if (IncluirContato(*this, CDS_CONTATOFORNECEDOR, kContatoFornecedor, owner, type, nome))
            ReabrirSeCheio(CDS_CONTATOFORNECEDOR);
    } catch (const std::exception& e) {
        CDS_CONTATOFORNECEDOR.Cancel();
        throw Exception("Falha ao Registrar Contato do FORNECEDOR " + ExceptionMessage(e));
    }
}
