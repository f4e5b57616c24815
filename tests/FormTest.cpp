// The window and the run's frame: layout, connections on show and close, the base date, the
// step boxes, the default error box and one job at a time.
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace {
class Janela : public MigrationTest {
protected:
    void Sale(const QString& number, TDateTime when) {
        Loja().Exec("INSERT INTO LJ_VENDA (VEN_CODIGO, VEN_CODIGO_ESTAB, VEN_CODIGO_CLIEN, VEN_DATA_EMISSAO, "
                    "VEN_HORA_EMISSAO, VEN_NAT_OP, VEN_FORMA_PG_ENTRADA) VALUES (?, '01', '1', ?, ?, 0, 0)",
                    {number, when, when});
    }
};

// Tries to close the window and to start another run while a box of the running job is shown.
class MeddlingBoxes : public TMessageBoxes {
public:
    MeddlingBoxes(Tfrm_Importacao& form, std::vector<ShownBox>& log) : form_(form), log_(log) {}
    void Show(const QString& text, TMsgIcon icon) override {
        log_.push_back(Shown(text, icon));
        buttonsDisabled = !form_.Button1->isEnabled() && !form_.btn_CodigoBarra->isEnabled() &&
                          !form_.btn_Fornecedor_Como_Marca->isEnabled();
        form_.close();
        form_.Button1->click();
        stillOpen = form_.isVisible();
    }
    bool buttonsDisabled = false;
    bool stillOpen = false;

private:
    Tfrm_Importacao& form_;
    std::vector<ShownBox>& log_;
};

// The operator, at the first statement the destination runs during a job: what `act` posts
// waits, as a click or a key does, until the job lets messages through or ends.
class OperatorDuringJob : public TStatementObserver {
public:
    explicit OperatorDuringJob(std::function<void()> act) : act_(std::move(act)) {}
    void Executed(const QString&, std::span<const TValue>) override {
        if (act_) std::exchange(act_, {})();
    }
    void Committed(bool) override {}
    bool Acted() const { return !act_; }

private:
    std::function<void()> act_;
};

void Click(QWidget* w) {
    const QPointF at(6, w->height() / 2.0); // on a check box's square, not beyond its caption
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            w, new QMouseEvent(type, at, w->mapToGlobal(at), Qt::LeftButton,
                               type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                               Qt::NoModifier));
}

void PressSpace(QWidget* w) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QCoreApplication::postEvent(w, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, " "));
}
} // namespace

TEST_F(Janela, WindowLayoutFollowsTheFormDefinition) {
    Tfrm_Importacao& f = Form();
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("IMPORTAÇÃO"));
    EXPECT_EQ(f.size(), QSize(1908, 800));
    EXPECT_EQ(f.dbg_Cliente->geometry(), QRect(8, 8, 961, 193));
    EXPECT_EQ(f.DBGrid1->geometry(), QRect(8, 208, 961, 185));
    EXPECT_EQ(f.dbg_ItemVenda->geometry(), QRect(976, 400, 929, 177));
    EXPECT_EQ(f.Button1->geometry(), QRect(984, 588, 257, 33));
    EXPECT_EQ(f.Button1->text(), QString::fromUtf8("REALIZAR IMPORTAÇÃO"));
    EXPECT_EQ(f.btn_Fornecedor_Como_Marca->text(), "Colocar Fornecedor como MARCA");
    EXPECT_EQ(f.btn_CodigoBarra->text(), QString::fromUtf8("Importar somente Código de Barras"));
    for (QCheckBox* c : {f.chk_Funcionarios, f.cb_Cliente, f.chk_Fornecedores, f.chk_Produtos, f.chk_Vendas,
                         f.chk_ContaCorrente})
        EXPECT_TRUE(c->isChecked()) << c->objectName().toStdString();
    EXPECT_EQ(f.chk_ContaCorrente->geometry(), QRect(1264, 672, 201, 17));
    EXPECT_EQ(f.chk_Funcionarios->text(), QString::fromUtf8("Funcionários"));
    EXPECT_EQ(f.sbrStatusPanel0->width(), 50);
    EXPECT_TRUE(f.sbrStatusPanel0->text().isEmpty());
    // Tab order: the run button, the seven grids, the two commands, then the boxes.
    QStringList order;
    QWidget* w = f.Button1;
    do {
        if (w->parentWidget() == &f && (w->focusPolicy() & Qt::TabFocus)) order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != f.Button1 && order.size() < 40);
    EXPECT_EQ(order.join(',').toStdString(),
              "Button1,dbg_Cliente,DBGrid1,dbg_Produto,dbg_ContaCorrente,dbg_Funcionario,dbg_Venda,"
              "dbg_ItemVenda,btn_Fornecedor_Como_Marca,btn_CodigoBarra,cb_Cliente,chk_Fornecedores,"
              "chk_Produtos,chk_Vendas,chk_ContaCorrente,chk_Funcionarios");
}

TEST_F(Janela, ShowConnectsBothFilesBesideTheExecutableAndTheGridsShowTheSource) {
    Loja().Exec(
        "INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO) VALUES ('001', '01', 'ANA')");
    Tfrm_Importacao& f = Form();
    EXPECT_TRUE(f.DB_DESTINO.Connected());
    EXPECT_TRUE(f.DB_ORIGEM.Connected());
    EXPECT_EQ(f.DB_DESTINO.DatabaseName, KelmorPath());
    EXPECT_EQ(f.DB_ORIGEM.DatabaseName, LojaPath());
    EXPECT_TRUE(boxes.empty());
    // The legacy file is only read: its attachment collects no garbage, the destination's does.
    for (auto [db, tr, collects] :
         {std::tuple{&f.DB_ORIGEM, &f.TR_ORIGEM, 0}, {&f.DB_DESTINO, &f.TR_DESTINO, 1}}) {
        TIBQuery q("QR_GC", *db, *tr);
        q.SetSQL("SELECT MON$GARBAGE_COLLECTION FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = "
                 "CURRENT_CONNECTION");
        q.Open();
        EXPECT_EQ(q.Fields()[0]->AsInteger(), collects) << db->Name().toStdString();
    }
    OnlySteps({f.chk_Funcionarios});
    Run();
    QApplication::processEvents();
    for (int i = 0; i < 20 && f.dbg_Funcionario->model()->rowCount() == 0; ++i) {
        QThread::msleep(20);
        QApplication::processEvents();
    }
    EXPECT_EQ(f.dbg_Funcionario->model()->rowCount(), 1);
    EXPECT_EQ(f.dbg_Funcionario->model()->headerData(2, Qt::Horizontal).toString(), "FUN_DESCRICAO");
    EXPECT_EQ(f.dbg_Funcionario->model()->data(f.dbg_Funcionario->model()->index(0, 2)).toString(), "ANA");
    EXPECT_EQ(f.dbg_Cliente->model()->rowCount(), 0); // its step did not run
}

TEST_F(Janela, BaseDateIsTheEarliestSaleOrToday) {
    Tfrm_Importacao& f = Form();
    OnlySteps({});
    Run();
    EXPECT_EQ(f.MenorData, Date()); // no sale
    Sale("000002", Day(2016, 1, 1));
    Sale("000001", Day(2015, 3, 1, 14, 30));
    Run();
    EXPECT_EQ(f.MenorData, Day(2015, 3, 1, 14, 30)); // time of day included
    Loja().Exec("DELETE FROM LJ_VENDA");
    Sale("000003", Day(1899, 12, 1));
    Run();
    EXPECT_EQ(f.MenorData, Date()); // not after 1899-12-30
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Janela, WithEveryBoxUntickedTheRunWritesNothing) {
    Loja().Exec(
        "INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO) VALUES ('001', '01', 'ANA')");
    Loja().Exec("INSERT INTO LJ_CLIEN (CLI_CODIGO, CLI_DESCRICAO) VALUES ('00001', 'CLIENTE')");
    OnlySteps({});
    Run();
    CloseForm();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Kelmor().Count("SCA_FUNCIONARIO"), 0);
    EXPECT_EQ(Kelmor().Count("SCA_CLIENTE"), 0);
    EXPECT_EQ(Int(Kelmor().Scalar("SELECT GEN_ID(GEN_SAI_PK_SAIDA, 0) FROM RDB$DATABASE")), 0);
}

TEST_F(Janela, AMissingDestinationShowsOneErrorAndLeavesBothDisconnected) {
    Loja().Exec(
        "INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO) VALUES ('001', '01', 'ANA')");
    QFile::remove(KelmorPath());
    Tfrm_Importacao& f = Form();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("KELMOR.FDB")) << Errors()[0].toStdString();
    EXPECT_FALSE(f.DB_DESTINO.Connected());
    EXPECT_FALSE(f.DB_ORIGEM.Connected());
    EXPECT_TRUE(f.isVisible());
    // The base date needs only the source, which the run connects on its first use.
    OnlySteps({});
    Run();
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(f.DB_ORIGEM.Connected());
    // The employees need the destination: connecting again fails the same way.
    OnlySteps({f.chk_Funcionarios});
    Run();
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_TRUE(Errors()[1].contains("KELMOR.FDB"));
    EXPECT_TRUE(f.Button1->isEnabled());
    CloseForm(); // closing with a disconnected destination shows nothing
    EXPECT_EQ(Errors().size(), 2u);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(Janela, AMissingSourceLeavesTheDestinationConnected) {
    QFile::remove(LojaPath());
    Tfrm_Importacao& f = Form();
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Errors()[0].contains("LOJA.GDB")) << Errors()[0].toStdString();
    EXPECT_TRUE(f.DB_DESTINO.Connected());
    EXPECT_FALSE(f.DB_ORIGEM.Connected());
}

TEST_F(Janela, WhileAJobRunsTheButtonsAreDisabledAndTheWindowDoesNotClose) {
    Loja().Exec(
        "INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO) VALUES ('12A', '01', 'ANA')");
    Tfrm_Importacao& f = Form();
    auto meddling = std::make_unique<MeddlingBoxes>(f, boxes);
    MeddlingBoxes* m = meddling.get();
    app_->SetMessageBoxes(std::move(meddling));
    OnlySteps({f.chk_Funcionarios});
    Run();
    ASSERT_EQ(boxes.size(), 1u); // the second click started nothing
    EXPECT_EQ(boxes[0].text, "'12A' is not a valid integer value.");
    EXPECT_EQ(boxes[0].icon, TMsgIcon::Error);
    EXPECT_TRUE(m->buttonsDisabled);
    EXPECT_TRUE(m->stillOpen);
    EXPECT_TRUE(f.Button1->isEnabled());
    EXPECT_TRUE(f.btn_CodigoBarra->isEnabled());
    f.close();
    EXPECT_FALSE(f.isVisible());
}

TEST_F(Janela, InputGivenDuringAJobActsOnlyWhenTheJobLetsItThrough) {
    Loja().Exec(
        "INSERT INTO LJ_FUNC (FUN_CODIGO, FUN_CODIGO_ESTAB, FUN_DESCRICAO) VALUES ('001', '01', 'ANA')");
    Loja().Exec("INSERT INTO LJ_BARRA (BAR_CODIGO, BAR_CODIGO_ITEM, BAR_CODIGO_FORNE, BAR_CODIGO_ESTAB) "
                "VALUES ('7891234567895', '1', '1', '01')");
    Tfrm_Importacao& f = Form();
    OnlySteps({f.chk_Funcionarios, f.chk_Vendas});
    auto during = [&f](OperatorDuringJob& op, QPushButton* button) {
        f.DB_DESTINO.SetObserver(&op);
        button->click();
        f.DB_DESTINO.SetObserver(nullptr);
        EXPECT_TRUE(op.Acted());
    };

    // The run lets messages through at every record: the box un-ticked meanwhile skips its step.
    OperatorDuringJob untick([&f] { Click(f.chk_Vendas); });
    during(untick, f.Button1);
    EXPECT_FALSE(f.chk_Vendas->isChecked());
    EXPECT_FALSE(f.CDS_ORIGEM_VEN.Active());
    ASSERT_EQ(Kelmor().Count("SCA_FUNCIONARIO"), 1);

    // The bar-code command lets none through: a second run, box clicks and keys, a request to
    // close are dropped when it ends; a timer that came due meanwhile still fires.
    bool timerFired = false;
    OperatorDuringJob impatient([&f, &timerFired] {
        Click(f.Button1);
        Click(f.cb_Cliente);
        PressSpace(f.chk_Vendas);
        QCoreApplication::postEvent(f.windowHandle(), new QCloseEvent);
        QTimer::singleShot(0, &f, [&timerFired] { timerFired = true; });
    });
    during(impatient, f.btn_CodigoBarra);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString(); // no second run met the employee
    EXPECT_EQ(Kelmor().Count("SCA_FUNCIONARIO"), 1);
    EXPECT_TRUE(timerFired);
    EXPECT_TRUE(f.chk_Funcionarios->isChecked());
    EXPECT_FALSE(f.cb_Cliente->isChecked());
    EXPECT_FALSE(f.chk_Vendas->isChecked());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.DB_DESTINO.Connected());
    EXPECT_TRUE(f.Button1->isEnabled());

    // Input given once the job ended acts again.
    Click(f.cb_Cliente);
    QApplication::processEvents();
    EXPECT_TRUE(f.cb_Cliente->isChecked());
}
