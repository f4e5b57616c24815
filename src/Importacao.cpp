// Program entry: the application object, the one window, the message loop. A stop signal ends
// the loop with 128 + its number, the shell's status for a process that signal ended.
#include "StopSignals.h"
#include "uImportacao.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Before the toolkit or the engine start a thread: each inherits the blocked stop signals.
    TStopSignals::BlockInEveryThread();
    QApplication qt(argc, argv);
    TStopSignals stopSignals;
    TApplication application(QCoreApplication::applicationFilePath(), std::make_unique<TQtMessageBoxes>());
    application.SetStopRequest(&stopSignals);
    Tfrm_Importacao frm_Importacao(application);
    QObject::connect(&stopSignals, &TStopSignals::Caught, &frm_Importacao,
                     [&frm_Importacao](int signal) { frm_Importacao.StopBySignal(signal); });
    frm_Importacao.show();
    const int status = application.Exec();
    // A signal taken while the window's close ended the loop, before the loop could act on it, is
    // still answered: its line, and its status.
    if (const int signal = stopSignals.Requested(); signal && !application.TerminateCode())
        frm_Importacao.StopBySignal(signal);
    return application.TerminateCode().value_or(status);
}
