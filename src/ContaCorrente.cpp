// Step 6: every open entry of the legacy current account becomes a receivable of its customer with
// one instalment. Also the defaults of both new rows and the per-customer document number.
#include "Padroes.h"
#include "Text.h"
#include "uImportacao.h"

#include <exception>

namespace {

// What an entry's type makes of it.
struct TipoLancamento {
    int tipo;                // LAN_TIPO_DEBITO
    int tipoDocumento;       // CRE_CODIGO_TIPODOCUMENTO
    const char* campoNumero; // the source column that holds its document number
    const char* observacao;  // PCR_OBSERVACAO
};

constexpr TipoLancamento kTiposLancamento[] = {
    {1, 6, "LAN_CODIGO_VENDA", "VENDA"},
    {2, 34, "LAN_CODIGO", "DEBITO MANUAL"},
    {3, 31, "LAN_CODIGO", "JUROS REF. PAGTO N/DATA"},
    {4, 33, "LAN_CODIGO", "NOTA DE CRÉDITO REF. PAGTO N/DATA"},
};

const TipoLancamento& TipoDe(int tipo) {
    for (const TipoLancamento& t : kTiposLancamento)
        if (t.tipo == tipo) return t;
    throw Exception("Lançamento sem Tipo - INVÁLIDO");
}

constexpr int64_t kUnidadesPorDia = 864000000; // ten-thousandths of a second in a day

// Due date minus emission date in whole days, cut toward zero. Counted in whole units of time so
// that two dates with the same time of day are always a whole number of days apart.
int64_t Prazo(TDateTime vencimento, TDateTime emissao) {
    int64_t diferenca = (DatePart(vencimento) - DatePart(emissao)) * kUnidadesPorDia +
                        (TimeOfDayUnits(vencimento) - TimeOfDayUnits(emissao));
    return diferenca / kUnidadesPorDia;
}

// The full value of the entry, not its open balance: never negative, but for a credit note,
// which is never positive.
TCurrency ValorLancamento(TCurrency valor, int tipo) {
    if (valor.units < 0) valor = -valor;
    return tipo == 4 ? -valor : valor;
}

// A row left half-filled by a failure is cancelled, so that nothing posts it later.
template <typename Fill>
void Preencher(TClientDataSet& cds, Fill fill) {
    try {
        fill();
    } catch (...) {
        cds.Cancel();
        throw;
    }
}

// An entry's receivable and instalment are posted first and applied together. When a failure
// ends the run in between, what they posted but did not write is dropped: a later run writes the
// entry again from the source, and a change log must not send it a second time.
class DescarteSeFalhar {
public:
    DescarteSeFalhar(TClientDataSet& conta, TClientDataSet& parcela) : conta_(conta), parcela_(parcela) {}
    DescarteSeFalhar(const DescarteSeFalhar&) = delete;
    DescarteSeFalhar& operator=(const DescarteSeFalhar&) = delete;
    ~DescarteSeFalhar() {
        if (std::uncaught_exceptions() == excecoes_) return;
        try {
            conta_.CancelUpdates();
            parcela_.CancelUpdates();
        } catch (...) {
            // the failure on its way out is the one to report
        }
    }

private:
    TClientDataSet& conta_;
    TClientDataSet& parcela_;
    const int excecoes_ = std::uncaught_exceptions();
};

} // namespace

void Tfrm_Importacao::MigrarContaCorrente() {
    TClientDataSet& origem = CDS_ORIGEM_CCO;
    origem.Open();
    if (origem.IsEmpty()) return;
    CDS_CRE.Open();
    CDS_PCR.Open();
    auto campo = [&](const char* name) -> TField& { return origem.FieldByName(name); };
    auto cre = [&](const char* name) -> TField& { return CDS_CRE.FieldByName(name); };
    auto pcr = [&](const char* name) -> TField& { return CDS_PCR.FieldByName(name); };

    origem.First();
    while (!origem.Eof()) {
        auto linha = Relatorio.Linha(campo("LAN_CODIGO").AsString());
        application_.ProcessMessages();
        const QString codigoCliente = campo("LAN_CODIGO_CLIEN").AsString();
        if (campo("LAN_DATA_PAGO").AsDateTime().value > 0 || Trim(codigoCliente).isEmpty()) {
            linha.DeixadaDeFora(Trim(codigoCliente).isEmpty() ? "lançamento sem cliente"
                                                              : "lançamento já pago");
            origem.Next();
            continue;
        }

        // Legacy codes are numbers kept as text: 00042 is customer 42.
        const int cliente = StrToInt(codigoCliente);
        QR_DEST.Close();
        QR_DEST.SetSQL("SELECT CLI_CODIGO FROM SCA_CLIENTE WHERE CLI_CODIGO = ?", {int64_t(cliente)});
        QR_DEST.Open();
        const bool clienteExiste = !QR_DEST.IsEmpty();
        QR_DEST.Close();
        if (!clienteExiste) {
            linha.DeixadaDeFora(QString("cliente %1 não está no destino").arg(codigoCliente));
            origem.Next();
            continue;
        }

        // The sale is the one of that number issued on the entry's day (stored at midnight).
        const TDateTime emissao = campo("LAN_DATA_EMISSAO").AsDateTime();
        const QString numeroVenda = campo("LAN_CODIGO_VENDA").AsString();
        int saida = 0;
        if (!Trim(numeroVenda).isEmpty())
            if (const TTableIndex::Row* venda = IDX_SAIDA_NUMERO_EMISSAO.Find(
                    {int64_t(StrToInt(numeroVenda)), FromDayAndTime(DatePart(emissao), 0)}))
                saida = IDX_SAIDA_NUMERO_EMISSAO.Integer(*venda, 0);

        const int tipo = campo("LAN_TIPO_DEBITO").AsInteger();
        const TipoLancamento& t = TipoDe(tipo);
        const QString documento = DocumentoUnico(campo(t.campoNumero).AsString());
        const TCurrency valor = ValorLancamento(campo("LAN_VALOR_LANC").AsCurrency(), tipo);
        const TDateTime vencimento = campo("LAN_DATA_VENCTO").AsDateTime();

        DescarteSeFalhar descarte(CDS_CRE, CDS_PCR);
        CDS_CRE.Insert();
        Preencher(CDS_CRE, [&] {
            cre("CRE_PK_CONTAARECEBER").SetAsInteger(ProximoCodigo("GEN_CRE_PK_CONTAARECEBER"));
            cre("CRE_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
            cre("CRE_CODIGO_EMPRESA").SetAsInteger(StrToInt(campo("LAN_CODIGO_ESTAB").AsString()));
            cre("CRE_CODIGO_CLIENTE").SetAsInteger(cliente);
            cre("CRE_CODIGO_TIPODOCUMENTO").SetAsInteger(t.tipoDocumento);
            cre("CRE_NR_DOCUMENTO").SetAsString(documento);
            cre("CRE_DT_EMISSAO").SetAsDateTime(emissao);
            cre("CRE_QTD_PARCELAS").SetAsInteger(1);
            cre("CRE_VLR_TOTAL_PARCELAS").SetAsCurrency(valor);
            cre("CRE_VLR_SALDO").SetAsCurrency(valor);
            cre("CRE_HR_INCLUSAO").SetAsDateTime(Time());
            if (saida > 0) cre("CRE_NR_SAIDA").SetAsInteger(saida);
            CDS_CRE.Post();
        });

        CDS_PCR.Insert();
        Preencher(CDS_PCR, [&] {
            pcr("PCR_PK_PARCELACONTAARECEBER").SetAsInteger(ProximoCodigo("GEN_PCR_PK_PARCELACR"));
            pcr("PCR_CODIGO_CONTAARECEBER").SetAsInteger(cre("CRE_PK_CONTAARECEBER").AsInteger());
            pcr("PCR_CODIGO_BANCO").SetAsInteger(1);
            pcr("PCR_PARCELA").SetAsString(Trim(campo("LAN_PARCELA").AsString()));
            pcr("PCR_PRAZO").SetAsInteger(Prazo(vencimento, emissao));
            pcr("PCR_DT_VENCTO").SetAsDateTime(vencimento);
            pcr("PCR_DT_PRORROGACAO").SetAsDateTime(vencimento);
            pcr("PCR_VLR_PARCELA").SetAsCurrency(valor);
            pcr("PCR_VLR_SALDO").SetAsCurrency(valor);
            pcr("PCR_OBSERVACAO").SetAsString(t.observacao);
            pcr("PCR_HR_INCLUSAO").SetAsDateTime(Time());
            CDS_PCR.Post();
        });

        // The receivable goes first. An instalment whose receivable was refused would belong to
        // no receivable: it is dropped and counted with the refusals.
        if (CDS_CRE.ApplyUpdates(0) > 0) {
            const QString chave = pcr("PCR_PK_PARCELACONTAARECEBER").AsString();
            const QString conta = cre("CRE_PK_CONTAARECEBER").AsString();
            CDS_PCR.CancelUpdates();
            Recusas.Record(CDS_PCR.TableName(), chave,
                           QString("parcela não gravada: a conta a receber %1 foi recusada").arg(conta));
        } else {
            // The instalment belongs to the receivable under the key the destination stored, which
            // a trigger of its own may have drawn anew.
            const int conta = cre("CRE_PK_CONTAARECEBER").AsInteger();
            if (pcr("PCR_CODIGO_CONTAARECEBER").AsInteger() != conta) {
                CDS_PCR.Edit();
                pcr("PCR_CODIGO_CONTAARECEBER").SetAsInteger(conta);
                CDS_PCR.Post();
            }
            CDS_PCR.ApplyUpdates(0);
        }

        if (PassouDoLimite(CDS_CRE)) { // the instalments go with their receivables
            Reabrir(CDS_CRE);
            Reabrir(CDS_PCR);
        }
        origem.Next();
    }
    TR_DESTINO.CommitRetaining();
}

void Tfrm_Importacao::CDS_CRENewRecord(TDataSet&) {
    auto cre = [&](const char* name) -> TField& { return CDS_CRE.FieldByName(name); };
    cre("CRE_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
    cre("CRE_PK_CONTAARECEBER").SetAsInteger(ProximoCodigo("GEN_CRE_PK_CONTAARECEBER"));
    cre("CRE_QTD_PARCELAS").SetAsInteger(0);
    cre("CRE_VLR_TOTAL_PARCELAS").SetAsCurrency({});
    cre("CRE_VLR_SALDO").SetAsCurrency({});
    cre("CRE_DT_INCLUSAO").SetAsDateTime(Date());
    cre("CRE_HR_INCLUSAO").SetAsDateTime(Time());
    cre("CRE_CODIGO_USUARIO_INC").SetAsInteger(0);
    cre("CRE_LOCAL_DIGITACAO").SetAsString("DC");
    cre("CRE_GERADO_POR_CARGA").SetAsString("S");
    cre("CRE_RECEITA_FIXA").SetAsString("N");
    cre("CRE_CONTABILIZA").SetAsString("N");
    cre("CRE_PAGTO_ENTRADA_VENDA").SetAsString("N");
    cre("CRE_GERADO_PELO_CONTRATO").SetAsString("N");
    cre("CRE_VENDA_PERDIDA").SetAsString("N");
    cre("CRE_GERACAO_AUTOMATICA_LOCACAO").SetAsString("N");
}

void Tfrm_Importacao::CDS_PCRNewRecord(TDataSet&) {
    auto pcr = [&](const char* name) -> TField& { return CDS_PCR.FieldByName(name); };
    pcr("PCR_PK_PARCELACONTAARECEBER").SetAsInteger(ProximoCodigo("GEN_PCR_PK_PARCELACR"));
    pcr("PCR_VLR_PARCELA").SetAsCurrency({});
    pcr("PCR_VLR_SALDO").SetAsCurrency({});
    pcr("PCR_DT_INCLUSAO").SetAsDateTime(Date());
    pcr("PCR_HR_INCLUSAO").SetAsDateTime(Time());
    pcr("PCR_CODIGO_USUARIO_INC").SetAsInteger(0);
    pcr("PCR_SITUACAO").SetAsString("1");
    pcr("PCR_TIPOCOBRANCA").SetAsString("1");
    for (const char* zero :
         {"PCR_VLR_DESCONTO", "PCR_VLR_DESPESAFINANCEIRA", "PCR_VLR_MULTA", "PCR_VLR_MORADIA",
          "PCR_VLR_TARIFA", "PCR_VLR_PAGTO", "PCR_VLR_CORRECAO", "PCR_VLR_RESIDUO_PARC_ANTERIOR",
          "PCR_PERC_MULTA", "PCR_PERC_MORADIA", "PCR_VLR_INDICE_CORRECAO"})
        pcr(zero).SetAsCurrency({});
    for (const char* nao : {"PCR_ACEITE_BANCO", "PCR_PAGA_COMISSAO", "PCR_COBRANCA_RAPIDA",
                            "PCR_CHEQUE_DEVOLVIDO", "PCR_VENDA_PERDIDA", "PCR_COMISSAO_APROVADA",
                            "PCR_OCULTAR_TITULO_ARECEBER", "PCR_TITULO_DESCONTADO"})
        pcr(nao).SetAsString("N");
}

// The number is tried as it stands, then with "A" to "Z" in its first place; the search sees
// every receivable of the customer, those this run applied included.
QString Tfrm_Importacao::DocumentoUnico(const QString& number) {
    const int cliente = StrToInt(CDS_ORIGEM_CCO.FieldByName("LAN_CODIGO_CLIEN").AsString());
    auto emUso = [&](const QString& candidato) {
        return IDX_CONTAARECEBER_DOCUMENTO.Exists({int64_t(cliente), candidato});
    };
    if (!emUso(number)) return number;
    const QString resto = number.mid(1, 5);
    for (char16_t letra = u'A'; letra <= u'Z'; ++letra) {
        const QString candidato = QChar(letra) + resto;
        if (!emUso(candidato)) return candidato;
    }
    throw Exception(QString("Não há número de documento livre para o cliente %1: o número \"%2\" e as "
                            "variantes de \"%3\" a \"%4\" já estão em uso")
                        .arg(cliente)
                        .arg(number, QChar('A') + resto, QChar('Z') + resto));
}
