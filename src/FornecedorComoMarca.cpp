// Command "Colocar Fornecedor como MARCA": every product with a supplier link gets, as its brand,
// the brand named after that supplier, created when missing.
#include "Text.h"
#include "uImportacao.h"

#include <QLabel>
#include <QPushButton>

namespace {
// The busy cursor for as long as the command works, the default one afterwards, also on error.
class BusyCursor {
public:
    explicit BusyCursor(TApplication& app) : app_(app) { app_.SetCursor(TCursor::crHourGlass); }
    ~BusyCursor() { app_.SetCursor(TCursor::crDefault); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    TApplication& app_;
};

// A supplier's name as a brand: its first 30 characters, trimmed, a to z in capitals.
QString NomeMarca(const QString& nomeFornecedor) {
    return UpperAZ(Trim(nomeFornecedor.left(30)));
}
} // namespace

void Tfrm_Importacao::btn_Fornecedor_Como_MarcaClick(QObject*) {
    RunJob("marcas", btn_Fornecedor_Como_Marca->text(), {}, [this] {
        BusyCursor cursor(application_);
        IniciarEtapa(btn_Fornecedor_Como_Marca->text(), QR_DEST, "SCA_ITEMFORNECEDOR", QR_PROXIMO,
                     CDS_ITEM.TableName());
        QR_DEST.Close();
        QR_DEST.SetSQL(
            "SELECT IFO_CODIGO_ITEM, IFO_CODIGO_FORNECEDOR, FOR_NOME FROM SCA_ITEMFORNECEDOR "
            "INNER JOIN SCA_FORNECEDOR ON IFO_CODIGO_FORNECEDOR = FOR_CODIGO ORDER BY IFO_CODIGO_ITEM");
        QR_DEST.Open();
        if (QR_DEST.IsEmpty()) return;

        TBL_MARCA.Open();
        TBL_MARCA.FetchAll();
        QR_DEST.First();
        while (!QR_DEST.Eof()) {
            const QString produto = QR_DEST.FieldByName("IFO_CODIGO_ITEM").AsString();
            auto linha = Relatorio.Linha(
                [produto, fornecedor = QR_DEST.FieldByName("IFO_CODIGO_FORNECEDOR").AsString()] {
                    return QString("item %1, fornecedor %2").arg(produto, fornecedor);
                });
            // The product is read by its key alone; a link to a missing product changes nothing.
            CDS_ITEM.Close();
            CDS_ITEM.CommandText = "SELECT * FROM SCA_ITEM WHERE ITE_PK_ITEM = ?";
            CDS_ITEM.Params = {TValue{QR_DEST.FieldByName("IFO_CODIGO_ITEM").AsLargeInt()}};
            CDS_ITEM.Open();
            if (CDS_ITEM.IsEmpty()) {
                linha.DeixadaDeFora(QString("produto %1 não está no destino").arg(produto));
                QR_DEST.Next();
                continue;
            }
            sbrStatusPanel0->setText("Item " + CDS_ITEM.FieldByName("ITE_DESCRICAO").AsString());
            application_.ProcessMessages();

            const QString marca = NomeMarca(QR_DEST.FieldByName("FOR_NOME").AsString());
            TBL_MARCA.First();
            if (!TBL_MARCA.Locate("MAR_DESCRICAO", {marca}, loCaseInsensitive | loCutToSize)) {
                TBL_MARCA.Insert();
                TBL_MARCA.FieldByName("MAR_PK_MARCA").SetAsInteger(ProximoCodigo("GEN_MAR_PK_MARCA"));
                TBL_MARCA.FieldByName("MAR_DESCRICAO").SetAsString(marca);
                TBL_MARCA.FieldByName("MAR_CODIGO_USUARIO_INC").SetAsInteger(0);
                TBL_MARCA.FieldByName("MAR_DT_INCLUSAO").SetAsDateTime(Date());
                TBL_MARCA.FieldByName("MAR_HR_INCLUSAO").SetAsDateTime(Time());
                TBL_MARCA.Post();
                TR_DESTINO.CommitRetaining();
            }
            const int64_t codigoMarca = TBL_MARCA.FieldByName("MAR_PK_MARCA").AsLargeInt();

            // A refused update is recorded by the apply and reported when the command ends.
            CDS_ITEM.Edit();
            CDS_ITEM.FieldByName("ITE_CODIGO_MARCA").SetAsInteger(codigoMarca);
            CDS_ITEM.Post();
            // Given its brand also when it had it already.
            if (CDS_ITEM.ApplyUpdates(0) == 0) linha.Migrada();
            QR_DEST.Next();
        }
        TR_DESTINO.CommitRetaining();
        application_.ShowMessage("processamento realizado com sucesso");
    });
}
