// Step 3: the legacy suppliers, with their postal address links and contacts. A supplier keeps
// the digits of its legacy code as its code.
#include "Padroes.h"

void Tfrm_Importacao::MigrarFornecedores() {
    TClientDataSet& o = CDS_ORIGEM_FORNECEDOR;
    o.Open();
    if (o.IsEmpty()) return;
    TClientDataSet& forn = CDS_FORNECEDOR;
    forn.Open();
    auto legado = [&o](const char* column) { return o.FieldByName(column).AsString(); };

    o.First();
    while (!o.Eof()) {
        // The supplier and all it is given are written, and committed, before a stop can land.
        auto linha = Relatorio.Linha(legado("FOR_CODIGO"));
        application_.ProcessMessages();
        if (Trim(legado("FOR_DESCRICAO")).isEmpty()) {
            linha.DeixadaDeFora("nome em branco");
            o.Next();
            continue;
        }

        const QString cnpj = SomenteNumeros(legado("FOR_CNPJ"));
        const bool empresa = cnpj.size() > 11; // a cleared placeholder still counts
        const TDateTime inclusao = o.FieldByName("FOR_DATA_INCLUSAO").AsDateTime();

        forn.Insert();
        forn.FieldByName("FOR_CODIGO").SetAsInteger(CodigoNumerico(Trim(legado("FOR_CODIGO"))));
        forn.FieldByName("FOR_CODIGO_TIPO").SetAsInteger(2);
        forn.FieldByName("FOR_CODIGO_TIPOTRIBUTARIO").SetAsInteger(1);
        forn.FieldByName("FOR_UTILIZACAO_INTERNA").SetAsString("N");
        forn.FieldByName("FOR_PAGTO_SUSPENSO").SetAsString("N");
        forn.FieldByName("FOR_NOME").SetAsString(Trim(legado("FOR_DESCRICAO")));
        forn.FieldByName("FOR_NOME_FANTASIA").SetAsString(Trim(legado("FOR_DESCRICAO_ABREVIADA").left(20)));
        forn.FieldByName("FOR_UF_INSCRICAO_ESTADUAL").SetAsString(legado("FOR_ESTADO"));
        forn.FieldByName("FOR_MICRO_EMPRESA").SetAsString("N");
        forn.FieldByName("FOR_TRANSPORTADORA").SetAsString("N");
        forn.FieldByName("FOR_CNPJ_CIC").SetAsString(cnpj);
        if (DocumentoFicticio(forn.FieldByName("FOR_CNPJ_CIC").AsString()))
            forn.FieldByName("FOR_CNPJ_CIC").Clear();
        forn.FieldByName("FOR_TIPO").SetAsString(empresa ? "J" : "F");
        if (empresa) {
            forn.FieldByName("FOR_INSCRICAO_ESTADUAL")
                .SetAsString(SomenteNumeros(legado("FOR_INSCR_ESTADUAL")));
        } else {
            forn.FieldByName("FOR_RG").SetAsString(Trim(legado("FOR_INSCR_ESTADUAL")));
            forn.FieldByName("FOR_ORGAO_EMISSAO_RG").SetAsString("SSPMG");
        }
        forn.FieldByName("FOR_ATIVO").SetAsString("S");
        forn.FieldByName("FOR_DT_NASCIMENTO_FUNDACAO").SetAsDateTime(TDateTime{0});
        forn.FieldByName("FOR_DT_INCLUSAO").SetAsDateTime(inclusao.value > 0 ? inclusao : Date());
        forn.FieldByName("FOR_HR_INCLUSAO").SetAsDateTime(Time());
        forn.FieldByName("FOR_CODIGO_USUARIO_INC").SetAsInteger(0);
        forn.Post();
        // A refused supplier (an existing code, or two legacy codes with the same digits) gets
        // no links or contacts: they would attach to the supplier stored under that code.
        const bool recusado = forn.ApplyUpdates(0) > 0;

        if (!recusado) {
            const int codigo = forn.FieldByName("FOR_CODIGO").AsInteger();
            const QString endereco = Trim(legado("FOR_ENDERECO"));
            const QString numero = ExtrairNumero(endereco);
            const int enderecoCorreio =
                RegistrarEndereco(ExtrairLogradouro(endereco), Trim(legado("FOR_BAIRRO")),
                                  Trim(legado("FOR_CIDADE")), legado("FOR_ESTADO"), legado("FOR_CEP"));
            RegistrarEnderecoFornecedor(codigo, "RES", enderecoCorreio, numero);
            RegistrarEnderecoFornecedor(codigo, "COB", enderecoCorreio, numero);

            for (auto [coluna, tipo] : {std::pair{"FOR_FONE", 1}, {"FOR_FAX", 2}, {"FOR_CONTATO", 7}})
                if (!Trim(legado(coluna)).isEmpty()) RegistrarContatoFornecedor(codigo, tipo, legado(coluna));
            if (!Trim(legado("FOR_EMAIL")).isEmpty())
                RegistrarContatoFornecedor(codigo, 3, Trim(legado("FOR_EMAIL")));
        }

        TR_DESTINO.CommitRetaining();
        ReabrirSeCheio(forn);
        o.Next();
    }
}
