// Closing the window after an accessibility client walked its grids:
//   close_bench --scale demo|small|medium|large --seed N --work DIR [--rows N]
// Generates the store into DIR, runs the whole migration in the real window offscreen, asks for
// the accessible interface of every cell of every grid (at most N rows of each, all by default),
// as a screen reader walking the tables does, then closes and destroys the window and prints how
// long that took.
#include "Application.h"
#include "GenerateStore.h"
#include "uImportacao.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <cstdio>
#include <limits>
#include <memory>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: close_bench --scale %s --seed N --work DIR [--rows N]\n",
                 qPrintable(ScaleNames().join('|')));
    return 2;
}

void Print(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

double Seconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// Answers every box at once and tells what it said.
class PrintingBoxes : public TMessageBoxes {
public:
    void Show(const QString& text, TMsgIcon icon) override {
        Print(QString("box%1: %2").arg(icon == TMsgIcon::Error ? " (error)" : "", text.left(200)));
    }
};

// Stands for a screen reader: accessibility is switched on as soon as Qt can report it.
class ScreenReader : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool) override {}
};

// Lets the grids take the datasets' final rows (they follow at a bounded rate).
void SettleGrids(Tfrm_Importacao& form) {
    for (int i = 0; i < 4; ++i) {
        QApplication::processEvents();
        QThread::msleep(300);
    }
    QApplication::processEvents();
    for (TDBGrid* grid : form.findChildren<TDBGrid*>())
        if (grid->DataSource() && grid->DataSource()->DataSet &&
            grid->model()->rowCount() != grid->DataSource()->DataSet->RecordCount())
            Print("warning: " + grid->objectName() + " does not show all its rows");
}

// Asks for every cell's accessible interface, as a client reading the table cell by cell does.
int64_t VisitCells(Tfrm_Importacao& form, int maxRows) {
    int64_t cells = 0;
    for (TDBGrid* grid : form.findChildren<TDBGrid*>()) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid);
        QAccessibleTableInterface* table = iface ? iface->tableInterface() : nullptr;
        if (!table) throw std::runtime_error("no accessible table for " + grid->objectName().toStdString());
        const int rows = std::min(table->rowCount(), maxRows);
        const int columns = table->columnCount();
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                if (table->cellAt(r, c)) ++cells;
        Print(QString("  %1: %2 rows x %3 columns").arg(grid->objectName()).arg(rows).arg(columns));
    }
    return cells;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString scaleName, work;
    bool seedOk = false, rowsOk = true;
    uint64_t seed = 0;
    int maxRows = std::numeric_limits<int>::max();
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--scale")
            scaleName = args[i + 1];
        else if (args[i] == "--seed")
            seed = args[i + 1].toULongLong(&seedOk);
        else if (args[i] == "--work")
            work = QDir(args[i + 1]).absolutePath();
        else if (args[i] == "--rows")
            maxRows = args[i + 1].toInt(&rowsOk);
        else
            return Usage();
    }
    std::optional<Scale> scale = ScaleByName(scaleName);
    if (!scale || !seedOk || !rowsOk || work.isEmpty() || args.size() % 2 == 0) return Usage();

    try {
        Print(QString("close_bench: scale %1, seed %2, work %3").arg(scale->name).arg(seed).arg(work));
        GenerateStore(work, *scale, seed);

        ScreenReader reader;
        QAccessible::installActivationObserver(&reader);
        QAccessible::setActive(true);
        Print(QString("accessibility active: %1").arg(QAccessible::isActive() ? "yes" : "no"));

        TApplication application(work + "/Importacao", std::make_unique<PrintingBoxes>());
        auto form = std::make_unique<Tfrm_Importacao>(application);
        form->show();
        QElapsedTimer timer;
        timer.start();
        form->Button1->click();
        form->btn_Fornecedor_Como_Marca->click();
        form->btn_CodigoBarra->click();
        Print(QString("run and both commands: %1 s").arg(Seconds(timer), 0, 'f', 2));
        SettleGrids(*form);

        timer.restart();
        const int64_t cells = VisitCells(*form, maxRows);
        Print(QString("visited %1 cells in %2 s").arg(cells).arg(Seconds(timer), 0, 'f', 2));

        timer.restart();
        form->close();
        const double closed = Seconds(timer);
        form.reset();
        const double destroyed = Seconds(timer);
        Print(QString("close: %1 s (closing %2 s, destroying the window %3 s)")
                  .arg(destroyed, 0, 'f', 3)
                  .arg(closed, 0, 'f', 3)
                  .arg(destroyed - closed, 0, 'f', 3));
        QAccessible::removeActivationObserver(&reader);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "close_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
