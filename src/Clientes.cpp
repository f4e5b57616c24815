// Step 2: the legacy customers, with their postal address links, contacts, complement and
// references. A customer keeps the digits of its legacy code as its code.
#include "Padroes.h"

namespace {

// A legacy date is present when it is later than the zero date-time (NULL reads as zero).
bool Presente(TDateTime date) {
    return date.value > 0;
}

// The stored customer whose complement and references are written: they carry its stamp.
struct ClienteGravado {
    int codigo;
    TDateTime inclusao;
    TDateTime hora;
};

// The customer row of the current legacy customer, after the defaults of the new-record handler.
void PreencherCliente(TClientDataSet& cli, TClientDataSet& o) {
    auto legado = [&o](const char* column) { return o.FieldByName(column).AsString(); };
    auto campo = [&cli](const char* column) -> TField& { return cli.FieldByName(column); };
    const QString cnpj = Tfrm_Importacao::SomenteNumeros(legado("CLI_CNPJ_CIC"));
    const bool pessoaFisica = cnpj.size() <= 11; // a placeholder cleared below still counts
    const TDateTime nascimento = o.FieldByName("CLI_DATA_NASCIMENTO").AsDateTime();
    const TDateTime inclusao = o.FieldByName("CLI_DATA_INCLUSAO").AsDateTime();
    const TDateTime ultimaCompra = o.FieldByName("CLI_DATA_ULTIMA_COMPRA").AsDateTime();

    campo("CLI_CODIGO").SetAsInteger(CodigoNumerico(legado("CLI_CODIGO")));
    campo("CLI_NOME").SetAsString(legado("CLI_DESCRICAO"));
    campo("CLI_CNPJ_CIC").SetAsString(cnpj);
    if (DocumentoFicticio(campo("CLI_CNPJ_CIC").AsString())) campo("CLI_CNPJ_CIC").Clear();
    campo("CLI_TIPO").SetAsString(pessoaFisica ? "F" : "J");
    if (pessoaFisica) {
        campo("CLI_RG").SetAsString(Trim(legado("CLI_INSCR_RG")));
        campo("CLI_ORGAO_EMISSAO_RG").SetAsString("SSPMG");
    } else {
        campo("CLI_INSCRICAO_ESTADUAL").SetAsString(Tfrm_Importacao::SomenteNumeros(legado("CLI_INSCR_RG")));
    }
    campo("CLI_STATUS").SetAsString(legado("CLI_STATUS").startsWith('L') ? "A" : "S");
    campo("CLI_VLR_LIMITE").SetAsCurrency(o.FieldByName("CLI_LIMITE_CREDITO").AsCurrency());
    if (Presente(nascimento)) campo("CLI_DT_NASCIMENTO_FUNDACAO").SetAsDateTime(nascimento);
    campo("CLI_DT_INCLUSAO").SetAsDateTime(Presente(inclusao) ? inclusao : Date());
    campo("CLI_HR_INCLUSAO").SetAsDateTime(Time());
    campo("CLI_MENSAGEM").SetAsString(legado("CLI_MENSAGEM"));
    if (Presente(ultimaCompra)) campo("CLI_DT_ULTIMA_COMPRA").SetAsDateTime(ultimaCompra);
    campo("CLI_CODIGO_CATEGORIA").SetAsInteger(1);
    campo("CLI_CODIGO_TIPO").SetAsInteger(1);
    campo("CLI_CODIGO_USUARIO").SetAsInteger(1);
    campo("CLI_CODIGO_TIPOTRIBUTARIO").SetAsInteger(1);
    campo("CLI_CODIGO_REGIAO").SetAsInteger(1);
    campo("CLI_NR_DIAS_PROTESTO").SetAsInteger(0);
    campo("CLI_PRAZO_CTACORRENTE_DIADOMES").SetAsInteger(0);
    campo("CLI_CODIGO_USUARIO_INC").SetAsInteger(0);
    campo("CLI_GRAU_INSTRUCAO").SetAsInteger(0);
    campo("CLI_NR_DIAS_CARENCIA").SetAsInteger(0);
    campo("CLI_PERC_DESCONTO").SetAsCurrency({});
    campo("CLI_ALTERADO").SetAsString("S");
    campo("CLI_COBRAR_TARIFA").SetAsString("S");
    campo("CLI_EMITE_NOTA").SetAsString("S");
    campo("CLI_VERIFICAR_DEBITOS_VENDA").SetAsString("S");
    campo("CLI_UTILIZACAO_INTERNA").SetAsString("N");
    campo("CLI_CORRENTISTA").SetAsString("N");
    campo("CLI_VALE_FRETE").SetAsString("N");
    campo("CLI_INFORMA_CENTRO_CUSTO_VENDA").SetAsString("N");
    campo("CLI_RETEM_IMPOSTOS_FEDERAIS").SetAsString("N");
    campo("CLI_RETEM_ISS").SetAsString("N");
    campo("CLI_SEXO").SetAsString("M");
}

} // namespace

void Tfrm_Importacao::CDS_CLIENTENewRecord(TDataSet& dataSet) {
    dataSet.FieldByName("CLI_VENDA_SEMPRECTACORRENTE").SetAsString("N");
    dataSet.FieldByName("CLI_DESONERACAO_ICMS").SetAsString("N");
    dataSet.FieldByName("CLI_BLOQUEIASUSPENDE_AUTOMATICO").SetAsString("S");
    dataSet.FieldByName("CLI_ENVIA_PDV").SetAsString("S");
}

void Tfrm_Importacao::MigrarClientes() {
    TClientDataSet& o = CDS_ORIGEM_CLIENTE;
    o.Open();
    if (o.IsEmpty()) return;
    CDS_CLIENTE.Open();
    CDS_COMPLEMENTOCLIENTE.Open();
    CDS_REFERENCIACLIENTE.Open();
    auto legado = [&o](const char* column) { return o.FieldByName(column).AsString(); };

    o.First();
    while (!o.Eof()) {
        // The customer and all it is given are written, and committed, before a stop can land.
        auto linha = Relatorio.Linha(legado("CLI_CODIGO"));
        if (Trim(legado("CLI_DESCRICAO")).isEmpty()) {
            linha.DeixadaDeFora("nome em branco");
            o.Next();
            continue;
        }
        application_.ProcessMessages();

        CDS_CLIENTE.Insert();
        PreencherCliente(CDS_CLIENTE, o);
        CDS_CLIENTE.Post();
        // A refused customer (an existing code, or two legacy codes with the same digits) gets
        // nothing of its own: its dependants would attach to the customer stored under that code.
        if (CDS_CLIENTE.ApplyUpdates(0) == 0) {
            const ClienteGravado cliente{CDS_CLIENTE.FieldByName("CLI_CODIGO").AsInteger(),
                                         CDS_CLIENTE.FieldByName("CLI_DT_INCLUSAO").AsDateTime(),
                                         CDS_CLIENTE.FieldByName("CLI_HR_INCLUSAO").AsDateTime()};

            const QString endereco = Trim(legado("CLI_ENDERECO"));
            const QString numero = ExtrairNumero(endereco);
            const int enderecoCorreio =
                RegistrarEndereco(ExtrairLogradouro(endereco), Trim(legado("CLI_BAIRRO")),
                                  Trim(legado("CLI_CIDADE")), legado("CLI_ESTADO"), legado("CLI_CEP"));
            RegistrarEnderecoCliente(cliente.codigo, "RES", enderecoCorreio, numero);
            RegistrarEnderecoCliente(cliente.codigo, "COB", enderecoCorreio, numero);

            for (auto [coluna, tipo] : {std::pair{"CLI_FONE1", 1}, {"CLI_FONE2", 1}, {"CLI_EMAIL", 3}})
                if (!Trim(legado(coluna)).isEmpty())
                    RegistrarContatoCliente(cliente.codigo, tipo, legado(coluna));

            if (!Trim(legado("CLI_FILIACAO_PAI")).isEmpty()) {
                TClientDataSet& ccl = CDS_COMPLEMENTOCLIENTE;
                ccl.Insert();
                ccl.FieldByName("CCL_PK_COMPLEMENTOCLIENTE")
                    .SetAsInteger(ProximoCodigo("GEN_CCL_PK_COMPLEMENTOCLIENTE"));
                ccl.FieldByName("CCL_CODIGO_CLIENTE").SetAsInteger(cliente.codigo);
                ccl.FieldByName("CCL_NOME_PAI").SetAsString(legado("CLI_FILIACAO_PAI"));
                ccl.FieldByName("CCL_NOME_MAE").SetAsString(legado("CLI_FILIACAO_MAE"));
                ccl.FieldByName("CCL_NOME_EMPRESA").SetAsString(legado("CLI_DESCRICAO_EMPRESA"));
                ccl.FieldByName("CCL_IMOVEL_PROPRIO").SetAsString("N");
                ccl.FieldByName("CCL_ESTADO_CIVIL").SetAsString("S");
                ccl.FieldByName("CCL_CODIGO_USUARIO_INC").SetAsInteger(0);
                ccl.FieldByName("CCL_TEMPO_RESIDENCIA").SetAsInteger(0);
                ccl.FieldByName("CCL_TEMPO_TRABALHA_EMPRESA").SetAsInteger(0);
                ccl.FieldByName("CCL_VLR_SALARIO").SetAsCurrency({});
                ccl.FieldByName("CCL_DT_INCLUSAO").SetAsDateTime(cliente.inclusao);
                ccl.FieldByName("CCL_HR_INCLUSAO").SetAsDateTime(cliente.hora);
                ccl.Post();
                ccl.ApplyUpdates(0);
            }

            for (auto [nome, fone] : {std::pair{"CLI_DESCRICAO_REF1", "CLI_FONE_REF1"},
                                      {"CLI_DESCRICAO_REF2", "CLI_FONE_REF2"}}) {
                if (Trim(legado(nome)).isEmpty()) continue;
                TClientDataSet& rcl = CDS_REFERENCIACLIENTE;
                rcl.Insert();
                rcl.FieldByName("RCL_PK_REFERENCIACLIENTE")
                    .SetAsInteger(ProximoCodigo("GEN_RCL_PK_REFERENCIACL"));
                rcl.FieldByName("RCL_CODIGO_CLIENTE").SetAsInteger(cliente.codigo);
                rcl.FieldByName("RCL_TIPO").SetAsString("COM");
                rcl.FieldByName("RCL_NOME").SetAsString(Trim(legado(nome)));
                rcl.FieldByName("RCL_FONE1").SetAsString(Trim(legado(fone)));
                rcl.FieldByName("RCL_CODIGO_USUARIO_INC").SetAsInteger(0);
                rcl.FieldByName("RCL_DT_INCLUSAO").SetAsDateTime(cliente.inclusao);
                rcl.FieldByName("RCL_HR_INCLUSAO").SetAsDateTime(cliente.hora);
                rcl.Post();
                rcl.ApplyUpdates(0);
            }
        }

        TR_DESTINO.CommitRetaining();
        ReabrirSeCheio(CDS_CLIENTE);
        ReabrirSeCheio(CDS_COMPLEMENTOCLIENTE);
        ReabrirSeCheio(CDS_REFERENCIACLIENTE);
        o.Next();
    }
}
