// A stand-in for the operator, loaded into the real program as a Qt generic plugin
// (QT_PLUGIN_PATH to the folder above generic/, QT_QPA_GENERIC_PLUGINS=operator:<script>), for the
// tests that run the program as a child process. It ticks the step boxes the script names, presses
// "REALIZAR IMPORTAÇÃO" once the window shows, answers every box, and says on stderr what it sees
// and does ("operator: working", "operator: idle", "operator: box: <its lines joined by ' | '>",
// "operator: SIGTERM sent at row 37 of dbg_Cliente"), so that a test knows what happened when.
//
// Script, "key=value" pairs joined by ';':
//   steps=all|<box>[+<box>...]  the steps the run migrates: all boxes, or those named by caption or
//                             by object name (an environment in the C locale garbles accents; Qt
//                             splits its plugin list at commas)
//   then=wait|close           after the run: leave the window open, or close it as the operator does
//   lose=connection           shut the embedded engine down: instead of a run, or where `at` says,
//                             and the window is closed once the run ends
//   signal=SIGTERM|SIGINT|SIGHUP|SIGKILL   the program sends itself this signal where `at` says
//   signal=none               nothing is sent: the moment is only said ("operator: reached at row
//                             37 of dbg_Cliente"), for a script that sends the signal itself
//   at=<grid>:<row>           when the source set that grid shows reaches that row (from 1), at the
//                             row's own ProcessMessages, before it writes anything
//   at=close                  when the window's close request arrives, before the window handles it
//   after=<microseconds>      the signal leaves that long after its moment, from a thread of its
//                             own: at a row, it then lands while the row writes
// The grid's row header marks the set's current row at once (the grid's own scrolling is
// coalesced), and every ProcessMessages wakes the event dispatcher: between them, the row under
// way is seen from outside as it starts.
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ibase.h>
#include <thread>
#include <unistd.h>

namespace {

void Say(const QString& what) {
    std::fprintf(stderr, "operator: %s\n", what.toUtf8().constData());
    std::fflush(stderr);
}

// Rows a step may skip without a ProcessMessages of their own (a customer without a name).
constexpr int kSkippedAhead = 64;

int SignalNamed(const QString& name) {
    if (name == "SIGINT") return SIGINT;
    if (name == "SIGHUP") return SIGHUP;
    if (name == "SIGKILL") return SIGKILL; // the process killed outright, as a power loss would end it
    return SIGTERM;
}

class Operator : public QObject {
public:
    explicit Operator(const QString& script) {
        for (const QString& pair : script.split(';', Qt::SkipEmptyParts))
            settings_.insert(pair.section('=', 0, 0), pair.section('=', 1));
        const QString at = settings_.value("at");
        if (at != "close" && at.contains(':')) {
            grid_ = at.section(':', 0, 0);
            row_ = at.section(':', 1).toInt();
        }
        armed_ = !at.isEmpty();
        connect(&timer_, &QTimer::timeout, this, &Operator::Tick);
        timer_.start(20);
    }
    ~Operator() override {
        if (sender_.joinable()) sender_.join();
    }
    Operator(const Operator&) = delete;
    Operator& operator=(const Operator&) = delete;

protected:
    // The window's close request, before the window handles it.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && armed_) Act("at the close request");
        return QObject::eventFilter(watched, event);
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
            Say("box: " + box->text().split(QChar(10)).join(" | "));
            box->done(QMessageBox::Ok);
            return;
        }
        auto* run = window->findChild<QPushButton*>("Button1");
        switch (state_) {
        case State::Waiting:
            if (armed_ && grid_.isEmpty()) window->installEventFilter(this);
            if (armed_ && !grid_.isEmpty())
                connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
                        &Operator::AtRow);
            if (settings_.value("lose") == "connection" && !armed_) {
                // An application's own shutdown: the engine asks, and the program lets it go.
                fb_shutdown(0, fb_shutrsn_app_stopped);
                Say("engine shut down");
                Close(window);
                return;
            }
            for (QCheckBox* box : window->findChildren<QCheckBox*>()) {
                const QString steps = settings_.value("steps", "all");
                const QStringList named = steps.split('+');
                box->setChecked(steps == "all" || named.contains(box->text()) ||
                                named.contains(box->objectName()));
            }
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
            if (settings_.value("then") == "close" || settings_.value("lose") == "connection")
                Close(window);
            else
                state_ = State::Done;
            return;
        case State::Done:
            return;
        }
    }

    // At each wake of the event dispatcher: whether the set of the grid has reached the row.
    void AtRow() {
        if (!armed_ || state_ == State::Waiting) return;
        QWidget* window = Window();
        auto* grid = window ? window->findChild<QTableView*>(grid_) : nullptr;
        QAbstractItemModel* model = grid ? grid->model() : nullptr;
        if (!model) return;
        for (int section = row_ - 1; section < row_ - 1 + kSkippedAhead; ++section) {
            if (model->headerData(section, Qt::Vertical, Qt::DisplayRole).toString().isEmpty()) continue;
            Act(QString("at row %1 of %2").arg(section + 1).arg(grid_));
            return;
        }
    }

    // What the script asks for where `at` says: once.
    void Act(const QString& where) {
        armed_ = false;
        if (settings_.value("lose") == "connection") {
            fb_shutdown(0, fb_shutrsn_app_stopped);
            Say("engine shut down " + where);
            return;
        }
        const QString name = settings_.value("signal", "SIGTERM");
        if (name == "none") {
            Say("reached " + where);
            return;
        }
        const int signal = SignalNamed(name);
        const int after = settings_.value("after").toInt();
        if (after <= 0) {
            Say(name + " sent " + where);
            ::kill(::getpid(), signal);
            return;
        }
        Say(QString("%1 sent %2us after %3").arg(name).arg(after).arg(where));
        sender_ = std::thread([signal, after] {
            std::this_thread::sleep_for(std::chrono::microseconds(after));
            ::kill(::getpid(), signal);
        });
    }

    void Close(QWidget* window) {
        state_ = State::Done;
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
    }

    QHash<QString, QString> settings_;
    QTimer timer_;
    State state_ = State::Waiting;
    bool clicked_ = false;
    bool armed_ = false; // an action waits for its moment
    QString grid_;       // the grid whose source set `at` follows, and its row from 1
    int row_ = 0;
    std::thread sender_; // a signal sent late
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
