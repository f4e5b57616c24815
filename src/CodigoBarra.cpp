// Command "Importar somente Código de Barras": the legacy bar codes are attached to the products
// migrated from their items, found by the ten-digit alternative code. It shows nothing but the
// count of the bar codes that did not arrive, and lets no window message through while it works.
#include "Text.h"
#include "uImportacao.h"

#include <QPushButton>

void Tfrm_Importacao::btn_CodigoBarraClick(QObject*) {
    RunJob("codigos-de-barras", btn_CodigoBarra->text(), {}, [this] {
        TClientDataSet& origem = CDS_ORIGEM_CODIGOBARRA;
        TClientDataSet& destino = CDS_CODIGOBARRA;
        IniciarEtapa(btn_CodigoBarra->text(), origem, "LJ_BARRA", Q_ORIGEM, destino.TableName());
        origem.Open();
        destino.Open();
        if (origem.IsEmpty()) return;

        origem.First();
        while (!origem.Eof()) {
            const QString codigo = Trim(origem.FieldByName("BAR_CODIGO").AsString());
            auto linha = Relatorio.Linha(codigo);
            try {
                // A missing legacy item has no generic code: it is looked up as ten zeros.
                const QString alternativo =
                    CompletarComZeros(origem.FieldByName("ITE_CODIGO_GEN").AsInteger(), 10);
                const TTableIndex::Row* item = IDX_ITEM_ALTERNATIVO.Find({alternativo});
                if (!item)
                    linha.DeixadaDeFora(QString("produto de código %1 não está no destino").arg(alternativo));
                else if (codigo.size() <= 7)
                    linha.DeixadaDeFora("código de barras com menos de 8 caracteres");
                else {
                    destino.Insert();
                    destino.FieldByName("CBA_CODIGO_EMPRESA_MASTER").SetAsInteger(1);
                    destino.FieldByName("CBA_CODIGO").SetAsString(codigo);
                    destino.FieldByName("CBA_CODIGO_ITEM")
                        .SetAsInteger(IDX_ITEM_ALTERNATIVO.Integer(*item, 0));
                    destino.FieldByName("CBA_ALTERADO").SetAsString("S");
                    destino.FieldByName("CBA_CODIGO_USUARIO_INC").SetAsInteger(0);
                    destino.FieldByName("CBA_DT_INCLUSAO").SetAsDateTime(Date());
                    destino.FieldByName("CBA_HR_INCLUSAO").SetAsDateTime(Time());
                    destino.Post();
                    // A refused row (a bar code already stored) is recorded by the apply.
                    destino.ApplyUpdates(0);
                    destino.Close();
                    destino.Open();
                }
            } catch (const std::exception& e) {
                destino.Cancel();
                // A failure of the database that is no refusal ends the command: every later bar
                // code would meet it too.
                if (!FalhaDaLinha(e)) throw;
                // The bar code is dropped and the next one goes on; the loss is still counted.
                Recusas.Record(destino.TableName(), codigo, ExceptionMessage(e));
                destino.Close();
                destino.Open();
            }
            origem.Next();
        }
        TR_DESTINO.CommitRetaining();
    });
}
