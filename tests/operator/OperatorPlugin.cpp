// A stand-in for the operator, loaded into the real program as a Qt generic plugin
// (QT_PLUGIN_PATH to the folder above generic/, QT_QPA_GENERIC_PLUGINS=operator:<script>), for the
// tests that run the program as a child process. It ticks the step boxes the script names, presses
// "REALIZAR IMPORTAÇÃO" once the window shows, answers every box, and says on stderr what it sees
// ("operator: working", "operator: idle", "operator: box: <first line>"), so that a test knows when
// to send its signal.
//
// Script, "key=value" pairs joined by ';':
//   steps=all|<box caption>   the steps the run migrates (all boxes, or that one alone)
//   then=wait|close           after the run: leave the window open, or close it as the operator does
//   lose=connection           instead of a run: shut the embedded engine down, then close the window
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ibase.h>

namespace {

void Say(const QString& what) {
    std::fprintf(stderr, "operator: %s\n", what.toUtf8().constData());
    std::fflush(stderr);
}

class Operator : public QObject {
public:
    explicit Operator(const QString& script) {
        for (const QString& pair : script.split(';', Qt::SkipEmptyParts))
            settings_.insert(pair.section('=', 0, 0), pair.section('=', 1));
        connect(&timer_, &QTimer::timeout, this, &Operator::Tick);
        timer_.start(20);
    }

private:
    enum class State { Waiting, Pressed, Working, Done };

    static QWidget* Window() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frm_Importacao" && w->isVisible()) return w;
        return nullptr;
    }

    // Runs in the message loop and in every row's ProcessMessages while a job works.
    void Tick() {
        QWidget* window = Window();
        if (!window) return;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            Say("box: " + box->text().section('\n', 0, 0));
            box->done(QMessageBox::Ok);
            return;
        }
        auto* run = window->findChild<QPushButton*>("Button1");
        switch (state_) {
        case State::Waiting:
            if (settings_.value("lose") == "connection") {
                // An application's own shutdown: the engine asks, and the program lets it go.
                fb_shutdown(0, fb_shutrsn_app_stopped);
                Say("engine shut down");
                Close(window);
                return;
            }
            for (QCheckBox* box : window->findChildren<QCheckBox*>())
                box->setChecked(settings_.value("steps", "all") == "all" ||
                                box->text() == settings_.value("steps"));
            // Queued: the run works in the message loop, not inside this tick.
            QMetaObject::invokeMethod(run, &QAbstractButton::click, Qt::QueuedConnection);
            connect(run, &QAbstractButton::clicked, this, [this] { clicked_ = true; });
            state_ = State::Pressed;
            return;
        case State::Pressed:
            if (!run->isEnabled()) {
                Say("working");
                state_ = State::Working;
            } else if (clicked_) {
                state_ = State::Working; // it ended between two ticks
            }
            return;
        case State::Working:
            if (!run->isEnabled()) return;
            Say("idle");
            if (settings_.value("then") == "close")
                Close(window);
            else
                state_ = State::Done;
            return;
        case State::Done:
            return;
        }
    }

    void Close(QWidget* window) {
        state_ = State::Done;
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
    }

    QHash<QString, QString> settings_;
    QTimer timer_;
    State state_ = State::Waiting;
    bool clicked_ = false;
};

} // namespace

class OperatorPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "operator.json")

public:
    QObject* create(const QString& key, const QString& script) override {
        if (key.compare("operator", Qt::CaseInsensitive) != 0) return nullptr;
        return new Operator(script);
    }
};

#include "OperatorPlugin.moc"
