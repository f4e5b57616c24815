// Address links and contacts of customers and suppliers on real databases: house numbers, contact
// normalisation, the search among the rows appended since the set was opened, the reopens and
// the failures.
#include "TestSupport.h"

#include <QDate>

namespace {
class Contatos : public MigrationTest {
protected:
    QStringList Linhas(const QString& sql, const std::vector<TValue>& params = {}) {
        return Kelmor().Lines(sql, params);
    }
    QString Falha(const std::function<void()>& call) {
        try {
            call();
        } catch (const Exception& e) {
            return e.Message();
        }
        return "no failure";
    }
    const QString hoje = QDate::currentDate().toString("yyyy-MM-dd") + " 00:00:00.0000";
};
} // namespace

TEST_F(Contatos, AddressLinksStoreTheNumberOrSNAndAreCommittedAtOnce) {
    Tfrm_Importacao& f = Form();
    f.RegistrarEnderecoCliente(7, "RES", 40, "");
    f.RegistrarEnderecoCliente(7, "COB", 40, "   ");
    f.RegistrarEnderecoCliente(7, "RES", 40, "1234567890AB");
    f.RegistrarEnderecoCliente(7, "RES", 40, " 12");
    f.RegistrarEnderecoFornecedor(9, "COB", 41, "");
    // Seen by another attachment: committed without closing the window.
    EXPECT_EQ(
        Linhas("SELECT ECL_PK_ENDERECOCLIENTE, ECL_CODIGO_CLIENTE, ECL_CODIGO_END_CORREIO, ECL_CODIGO_TIPO, "
               "ECL_NUMERO, ECL_CODIGO_USUARIO_INC, CAST(ECL_DT_INCLUSAO AS VARCHAR(24)), "
               "CAST(CAST(ECL_HR_INCLUSAO AS DATE) AS VARCHAR(10)), ECL_COMPLEMENTO FROM SCA_ENDERECOCLIENTE "
               "ORDER BY 1"),
        (QStringList{"1|7|40|RES|S/N|0|" + hoje + "|1899-12-30|NULL",
                     "2|7|40|COB|S/N|0|" + hoje + "|1899-12-30|NULL",
                     "3|7|40|RES|123456789|0|" + hoje + "|1899-12-30|NULL",
                     "4|7|40|RES| 12|0|" + hoje + "|1899-12-30|NULL"}));
    EXPECT_EQ(Linhas("SELECT EFO_PK_ENDERECOFORNECEDOR, EFO_CODIGO_FORNECEDOR, EFO_CODIGO_END_CORREIO, "
                     "EFO_CODIGO_TIPO, EFO_NUMERO, EFO_CODIGO_USUARIO_INC FROM SCA_ENDERECOFORNECEDOR"),
              (QStringList{"1|9|41|COB|S/N|0"}));
}

TEST_F(Contatos, LinkSetsAreReopenedAfterTheir501stRow) {
    Tfrm_Importacao& f = Form();
    for (int i = 1; i <= 500; ++i)
        f.RegistrarEnderecoCliente(i, "RES", 1, "1");
    EXPECT_EQ(f.CDS_ENDERECOCLIENTE.RecordCount(), 500);
    f.RegistrarEnderecoCliente(501, "RES", 1, "1");
    EXPECT_EQ(f.CDS_ENDERECOCLIENTE.RecordCount(), 0);
    f.RegistrarEnderecoCliente(502, "RES", 1, "1");
    EXPECT_EQ(f.CDS_ENDERECOCLIENTE.RecordCount(), 1);
    EXPECT_EQ(Kelmor().Count("SCA_ENDERECOCLIENTE"), 502);
}

TEST_F(Contatos, CustomerContactsAreCutUpperCasedAndFoundAgainWhateverTheirCase) {
    Tfrm_Importacao& f = Form();
    f.RegistrarContatoCliente(5, 1, "   ");
    f.RegistrarContatoCliente(5, 1, " ' '' ");
    EXPECT_FALSE(f.CDS_CONTATOCLIENTE.Active());               // nothing to register: not even opened
    const QString email60 = QString("maria@loja").repeated(6); // the legacy column's 60 characters
    f.RegistrarContatoCliente(5, 3, email60);
    f.RegistrarContatoCliente(5, 3, "     " + QString(55, 'x')); // the cut counts the blanks
    f.RegistrarContatoCliente(5, 1, " 3333-4444 ");
    f.RegistrarContatoCliente(5, 1, "3333-4444"); // equal: found
    f.RegistrarContatoCliente(5, 1, "joão d'ávila");
    f.RegistrarContatoCliente(5, 1, "JOãO D ÁVILA"); // equal, case ignored
    f.RegistrarContatoCliente(6, 1, "3333-4444");    // another customer
    f.RegistrarContatoCliente(5, 3, "3333-4444");    // another type
    EXPECT_EQ(Linhas("SELECT CCI_CODIGO_CLIENTE, CCI_CODIGO_TIPO_CONTATO, CCI_NOME, CCI_CODIGO_USUARIO_INC, "
                     "CAST(CCI_DT_INCLUSAO AS VARCHAR(24)), CCI_ENVIA_NFE FROM SCA_CONTATOCLIENTE ORDER BY "
                     "CCI_PK_CONTATOCLIENTE"),
              (QStringList{"5|3|" + email60.left(50).toUpper() + "|0|" + hoje + "|NULL",
                           "5|3|" + QString(45, 'X') + "|0|" + hoje + "|NULL",
                           "5|1|3333-4444|0|" + hoje + "|NULL", "5|1|JOãO D áVILA|0|" + hoje + "|NULL",
                           "6|1|3333-4444|0|" + hoje + "|NULL", "5|3|3333-4444|0|" + hoje + "|NULL"}));
}

TEST_F(Contatos, TheCustomerContactSetIsNeverReopenedButTheSupplierSetIsAfter501Rows) {
    Tfrm_Importacao& f = Form();
    for (int i = 1; i <= 501; ++i) {
        f.RegistrarContatoCliente(i, 1, "FONE");
        f.RegistrarContatoFornecedor(i, 1, "Fone");
    }
    EXPECT_EQ(f.CDS_CONTATOCLIENTE.RecordCount(), 501);
    EXPECT_EQ(f.CDS_CONTATOFORNECEDOR.RecordCount(), 0);
    f.RegistrarContatoCliente(1, 1, "fone");    // still found
    f.RegistrarContatoFornecedor(1, 1, "FONE"); // registered before the reopen: inserted again
    f.RegistrarContatoFornecedor(1, 1, "fone"); // and now found among the new rows
    f.RegistrarContatoFornecedor(2, 7, " Zé d'Ouro " + QString(50, 'y'));
    EXPECT_EQ(Kelmor().Count("SCA_CONTATOCLIENTE"), 501);
    // A supplier contact keeps the case it was given in, cut to the column.
    EXPECT_EQ(
        Linhas("SELECT CFO_PK_CONTATOFORNECEDOR, CFO_CODIGO_FORNECEDOR, CFO_CODIGO_TIPO_CONTATO, CFO_NOME "
               "FROM SCA_CONTATOFORNECEDOR WHERE CFO_PK_CONTATOFORNECEDOR IN (1, 501, 502, 503) ORDER BY 1"),
        (QStringList{"1|1|1|Fone", "501|501|1|Fone", "502|1|1|FONE",
                     "503|2|7|" + ("Zé d Ouro " + QString(50, 'y')).left(50)}));
    EXPECT_EQ(Kelmor().Count("SCA_CONTATOFORNECEDOR"), 503);
}

TEST_F(Contatos, FailuresCancelTheRowAndCarryTheirOwnMessages) {
    Tfrm_Importacao& f = Form();
    f.RegistrarContatoCliente(5, 1, "A");
    // A contact type outside the column's 16-bit range fails while the row is filled.
    EXPECT_TRUE(Falha([&] {
                    f.RegistrarContatoCliente(5, 70000, "B");
                }).startsWith("Falha ao Registrar Contato do Cliente 70000 is not a valid value"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Falha ao incluir contatos do cliente 5");
    EXPECT_EQ(f.CDS_CONTATOCLIENTE.State(), TDataSetState::dsBrowse);
    f.RegistrarContatoCliente(5, 1, "C"); // the drawn key is lost; the pending row never posts
    EXPECT_EQ(Linhas("SELECT CCI_PK_CONTATOCLIENTE, CCI_NOME FROM SCA_CONTATOCLIENTE ORDER BY 1"),
              (QStringList{"1|A", "3|C"}));

    EXPECT_TRUE(Falha([&] {
                    f.RegistrarContatoFornecedor(5, 70000, "B");
                }).startsWith("Falha ao Registrar Contato do FORNECEDOR 70000 is not a valid value"));
    EXPECT_EQ(boxes.size(), 1u); // no box for suppliers
    EXPECT_EQ(f.CDS_CONTATOFORNECEDOR.State(), TDataSetState::dsBrowse);

    // A link whose key cannot be drawn.
    Kelmor().Exec("DROP SEQUENCE GEN_EFO_PK_ENDERECOFORNECEDOR");
    EXPECT_TRUE(Falha([&] {
                    f.RegistrarEnderecoFornecedor(5, "RES", 1, "1");
                }).startsWith("Falha ao Registrar Endereço do FORNECEDOR "));
    EXPECT_EQ(f.CDS_ENDERECOFORNECEDOR.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(f.CDS_ENDERECOFORNECEDOR.RecordCount(), 0);
}
