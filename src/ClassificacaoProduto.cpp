// The classification rows a product points to: group, subgroup, unit and brand, found by code or
// text in their table components, or created and committed at once. Each routine reads the
// current legacy product and returns the key of the row found or created, as text.
#include "Text.h"
#include "uImportacao.h"

namespace {
// The search runs first; only a missing row draws a key (first, right after the insert began)
// and is filled, posted and committed. The key is read from the current row either way.
QString LocalizarOuIncluir(TIBTable& tbl, TIBTransaction& tr, const QString& coluna, const TValue& valor,
                           const QString& chave, const std::function<void()>& preencher) {
    if (!tbl.Locate(coluna, {valor}, loCaseInsensitive | loCutToSize)) {
        tbl.Insert();
        preencher();
        tbl.Post();
        tr.CommitRetaining();
    }
    return tbl.FieldByName(chave).AsString();
}
} // namespace

QString Tfrm_Importacao::RegistrarGrupo() {
    const QString codigo = Trim(CDS_ORIGEM_PRODUTO.FieldByName("ITE_CODIGO_GRUPO").AsString());
    const int numero = StrToInt(codigo); // a code that is not a number fails the product here
    TIBTable& t = TBL_GRUPO;
    return LocalizarOuIncluir(t, TR_DESTINO, "GPR_CODIGO", int64_t(numero), "GPR_PK_GRUPOPRODUTO", [&] {
        t.FieldByName("GPR_PK_GRUPOPRODUTO").SetAsInteger(ProximoCodigo("GEN_GPR_PK_GRUPOPRODUTOS"));
        t.FieldByName("GPR_CODIGO").SetAsInteger(numero);
        t.FieldByName("GPR_DESCRICAO")
            .SetAsString(codigo + "-" + CDS_ORIGEM_PRODUTO.FieldByName("GRU_DESCRICAO").AsString());
        t.FieldByName("GPR_CLASSIFICA_LISTA").SetAsInteger(0);
        t.FieldByName("GPR_TIPO").SetAsString("RE");
        t.FieldByName("GPR_CLASSIFICACAO").SetAsString("O");
        t.FieldByName("GPR_CODIGO_USUARIO_INC").SetAsInteger(0);
        t.FieldByName("GPR_DT_INCLUSAO").SetAsDateTime(MenorData);
        t.FieldByName("GPR_HR_INCLUSAO").SetAsDateTime(Time());
        t.FieldByName("GPR_EXIBE_SINTEGRA_INVENTARIO").SetAsString("S");
        t.FieldByName("GPR_LOCACAO").SetAsString("N");
    });
}

// A subgroup belongs to no group: one row serves every group whose products carry its code.
QString Tfrm_Importacao::RegistrarSubGrupo() {
    const QString codigo = Trim(CDS_ORIGEM_PRODUTO.FieldByName("ITE_CODIGO_SUBGRUPO").AsString());
    const int numero = StrToInt(codigo);
    TIBTable& t = TBL_SUBGRUPO;
    return LocalizarOuIncluir(t, TR_DESTINO, "SGR_CODIGO", int64_t(numero), "SGR_PK_SUBGRUPO", [&] {
        // A 16-bit key: past 32767 the assignment raises a range error and the product fails.
        t.FieldByName("SGR_PK_SUBGRUPO").SetAsInteger(ProximoCodigo("GEN_SGR_PK_SUBGRUPO"));
        t.FieldByName("SGR_CODIGO").SetAsInteger(numero);
        t.FieldByName("SGR_DESCRICAO")
            .SetAsString(codigo + "-" + CDS_ORIGEM_PRODUTO.FieldByName("SUB_DESCRICAO").AsString());
        t.FieldByName("SGR_CODIGO_USUARIO_INC").SetAsInteger(0);
        t.FieldByName("SGR_DT_INCLUSAO").SetAsDateTime(MenorData);
        t.FieldByName("SGR_HR_INCLUSAO").SetAsDateTime(Time());
    });
}

QString Tfrm_Importacao::RegistrarUnidade() {
    QString codigo = Trim(CDS_ORIGEM_PRODUTO.FieldByName("ITE_CODIGO_UNIDADE").AsString());
    if (codigo.isEmpty()) codigo = "UN";
    TIBTable& t = TBL_UNIDADE;
    return LocalizarOuIncluir(t, TR_DESTINO, "UNI_CODIGO", codigo, "UNI_PK_UNIDADE", [&] {
        t.FieldByName("UNI_PK_UNIDADE").SetAsInteger(ProximoCodigo("GEN_UNI_PK_UNIDADE"));
        t.FieldByName("UNI_CODIGO").SetAsString(codigo);
        t.FieldByName("UNI_DESCRICAO")
            .SetAsString(codigo + "-" + CDS_ORIGEM_PRODUTO.FieldByName("UNI_DESCRICAO").AsString());
        t.FieldByName("UNI_FRACIONARIA").SetAsString("N");
        t.FieldByName("UNI_CODIGO_USUARIO_INC").SetAsInteger(0);
        t.FieldByName("UNI_DT_INCLUSAO").SetAsDateTime(MenorData);
        t.FieldByName("UNI_HR_INCLUSAO").SetAsDateTime(Time());
    });
}

// The legacy collection is the brand, its text taken as read. A text longer than the column is
// cut on write and searched cut the same way, so one brand serves the whole collection.
QString Tfrm_Importacao::RegistrarMarca() {
    const QString descricao = CDS_ORIGEM_PRODUTO.FieldByName("COL_DESCRICAO").AsString();
    TIBTable& t = TBL_MARCA;
    return LocalizarOuIncluir(t, TR_DESTINO, "MAR_DESCRICAO", descricao, "MAR_PK_MARCA", [&] {
        t.FieldByName("MAR_PK_MARCA").SetAsInteger(ProximoCodigo("GEN_MAR_PK_MARCA"));
        t.FieldByName("MAR_DESCRICAO").SetAsString(descricao);
        t.FieldByName("MAR_CODIGO_USUARIO_INC").SetAsInteger(0);
        t.FieldByName("MAR_DT_INCLUSAO").SetAsDateTime(MenorData);
        t.FieldByName("MAR_HR_INCLUSAO").SetAsDateTime(Time());
    });
}
