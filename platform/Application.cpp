#include "Application.h"

#include "Errors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>
#include <csignal>
#include <cstdio>

namespace {
// Input by which the operator acts on the window: clicks, keys, the wheel, a request to close.
bool IsOperatorInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// While it lives, operator input addressed to the window, its native window or a widget inside
// it is dropped; every other event (paint, timers, posted work) is delivered as usual.
class InputDiscarder : public QObject {
public:
    explicit InputDiscarder(QWidget& window) : window_(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputDiscarder() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputDiscarder(const InputDiscarder&) = delete;
    InputDiscarder& operator=(const InputDiscarder&) = delete;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!IsOperatorInput(event->type()) || !Addressed(receiver)) return false;
        event->ignore(); // a close request left accepted would still close the window
        return true;
    }

private:
    bool Addressed(QObject* receiver) const {
        if (receiver == window_.windowHandle()) return true;
        if (!receiver->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(receiver);
        return widget == &window_ || window_.isAncestorOf(widget);
    }

    QWidget& window_;
};

// Long enough to deliver what waits; a timer that keeps coming due cannot hold the job's end.
constexpr int kDiscardMs = 200;
} // namespace

void TQtMessageBoxes::Show(const QString& text, TMsgIcon icon) {
    QMessageBox box(icon == TMsgIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QCoreApplication::applicationName(), text, QMessageBox::Ok);
    open_.push_back(&box);
    box.exec();
    open_.pop_back();
}

void TQtMessageBoxes::CloseOpen() {
    for (QMessageBox* box : open_)
        box->done(QMessageBox::Ok);
}

TApplication::TApplication(QString exeName, std::unique_ptr<TMessageBoxes> boxes)
    : exeName_(std::move(exeName)), boxes_(std::move(boxes)) {}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents();
    if (stop_) stop_->Check();
}

void TApplication::Show(const QString& text, TMsgIcon icon) {
    if (StopRequested()) return;
    boxes_->Show(text, icon);
}

void TApplication::Terminate(int exitCode, const QString& line) {
    exitCode_ = exitCode;
    // A reader of stderr that went away must not turn the exit code into SIGPIPE's.
    std::signal(SIGPIPE, SIG_IGN);
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
    // Now for the loops running (a box's own among them), and once more from the queue for a
    // message loop not started yet (a box of the window's first showing).
    QCoreApplication::exit(exitCode);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

int TApplication::Exec() {
    const int loopCode = QCoreApplication::exec();
    // A quit that comes after Terminate (the last window's hiding posts one, whose exit(0) wins
    // when it is handled later) must not change the status the line announced.
    return exitCode_.value_or(loopCode);
}

void TApplication::DiscardWaitingInput(QWidget& window) {
    InputDiscarder discarder(window);
    QCoreApplication::processEvents(QEventLoop::AllEvents, kDiscardMs);
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.')) return message + '.';
    return message;
}

void TApplication::ShowException(const std::exception& e) {
    Show(ErrorBoxText(ExceptionMessage(e)), TMsgIcon::Error);
}

void TApplication::SetCursor(TCursor c) {
    if (c == cursor_) return;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (cursor_ != TCursor::crDefault) QApplication::restoreOverrideCursor();
        if (c != TCursor::crDefault) QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    cursor_ = c;
}

QString FileBesideExecutable(const QString& exeName, const QString& fileName) {
    const QChar sep = QDir::separator();
    qsizetype cut = exeName.lastIndexOf(sep);
    QString folder = cut < 0 ? QString() : exeName.left(cut);
    // A root folder keeps its separator: "/" alone, or "C:\" on a drive.
    if (cut == 0 || (cut > 0 && exeName[cut - 1] == ':')) folder = exeName.left(cut + 1);
    return folder + sep + fileName;
}
