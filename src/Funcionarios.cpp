// Step 1: the legacy employees become salespeople of the destination, one committed insert each.
#include "Text.h"
#include "uImportacao.h"

void Tfrm_Importacao::MigrarFuncionarios() {
    TClientDataSet& origem = CDS_ORIGEM_FUNCIONARIO;
    origem.Open();
    if (origem.IsEmpty()) return;
    TIBTable& tbl = TBL_FUNCIONARIO;
    tbl.Open();
    origem.First();
    while (!origem.Eof()) {
        auto linha = Relatorio.Linha(origem.FieldByName("FUN_CODIGO").AsString());
        QString nome = Trim(origem.FieldByName("FUN_DESCRICAO").AsString());
        if (nome.isEmpty()) {
            linha.DeixadaDeFora("nome em branco");
            origem.Next();
            continue;
        }
        application_.ProcessMessages();

        // A name already used as a name, then as a nickname, gets the legacy code appended.
        const QString codigo = origem.FieldByName("FUN_CODIGO").AsString();
        if (tbl.Locate("FUN_NOME", {nome}, loNone)) nome += codigo;
        if (tbl.Locate("FUN_APELIDO", {nome}, loNone)) nome += codigo;

        tbl.Insert();
        tbl.FieldByName("FUN_CODIGO").SetAsInteger(StrToInt(codigo));
        tbl.FieldByName("FUN_NOME").SetAsString(nome);
        tbl.FieldByName("FUN_APELIDO").SetAsString(nome);
        tbl.FieldByName("FUN_SENHA").SetAsString(origem.FieldByName("FUN_SENHA").AsString());
        tbl.FieldByName("FUN_VENDEDOR").SetAsString("S");
        tbl.FieldByName("FUN_ATIVO").SetAsString("S");
        tbl.FieldByName("FUN_CALCULA_COMISSAO").SetAsString("I");
        tbl.FieldByName("FUN_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
        tbl.FieldByName("FUN_ALTERADO").SetAsString("S");
        tbl.FieldByName("FUN_COMPRADOR").SetAsString("N");
        tbl.FieldByName("FUN_OPERADOR_ECF").SetAsString("N");
        tbl.FieldByName("FUN_GERENTE_VENDAS").SetAsString("N");
        tbl.FieldByName("FUN_LIMITE_COMPRA").SetAsCurrency({});
        tbl.FieldByName("FUN_GARCOM").SetAsString("N");
        tbl.FieldByName("FUN_LIMITE_COMPRA_DIA").SetAsCurrency({});
        tbl.FieldByName("FUN_LOCAL_TRABALHO").SetAsString("I");
        tbl.FieldByName("FUN_PROFISSIONAL_AGENDA").SetAsString("N");
        if (Trim(tbl.FieldByName("FUN_SENHA").AsString()).isEmpty())
            tbl.FieldByName("FUN_SENHA")
                .SetAsString(QString::number(tbl.FieldByName("FUN_CODIGO").AsInteger()));
        tbl.Post();
        TR_DESTINO.CommitRetaining();
        origem.Next();
    }
}
