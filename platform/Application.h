#pragma once
// The application object: the executable's path, the message loop's ProcessMessages, the screen
// cursor, and the one seam through which every message box is shown (tests answer it).

#include "StopRequest.h"

#include <QString>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

class QMessageBox;
class QWidget;

enum class TMsgIcon { None, Information, Error };

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    // Shows a modal box and returns when the operator has closed it.
    virtual void Show(const QString& text, TMsgIcon icon) = 0;
    // Closes the boxes open now, as the operator's OK would.
    virtual void CloseOpen() {}
};

// The production boxes: Qt's modal message boxes with an OK button.
class TQtMessageBoxes : public TMessageBoxes {
public:
    void Show(const QString& text, TMsgIcon icon) override;
    void CloseOpen() override;

private:
    std::vector<QMessageBox*> open_; // innermost last
};

enum class TCursor { crDefault = 0, crHourGlass = -11 };

class TApplication {
public:
    TApplication(QString exeName, std::unique_ptr<TMessageBoxes> boxes);

    const QString& ExeName() const { return exeName_; }
    // Handles the window messages that are waiting, then returns; raises EStopRequested when a
    // stop was requested, so that a job stops at its next row.
    void ProcessMessages();
    // Handles what is waiting too, but drops the operator's input addressed to the window or a
    // widget inside it (clicks, keys, the wheel, a request to close); paint, timers and posted
    // work are delivered as usual.
    void DiscardWaitingInput(QWidget& window);
    // Once a stop was requested no box is shown: nobody is left to answer it.
    void Show(const QString& text, TMsgIcon icon);
    void ShowMessage(const QString& text) { Show(text, TMsgIcon::None); }
    // The default error box: the message with a full stop unless it ends in one or in a
    // character of a lower code.
    void ShowException(const std::exception& e);
    TMessageBoxes& MessageBoxes() { return *boxes_; }
    void SetMessageBoxes(std::unique_ptr<TMessageBoxes> boxes) { boxes_ = std::move(boxes); }

    // The request the operator's stop signals make; none unless set.
    void SetStopRequest(TStopRequest* stop) { stop_ = stop; }
    TStopRequest* StopRequest() const { return stop_; }
    // 0, or the signal that asked the program to stop.
    int StopRequested() const { return stop_ ? stop_->Requested() : 0; }
    // Writes one line on stderr and ends the message loop with this exit code.
    void Terminate(int exitCode, const QString& line);
    // The exit code Terminate asked for, once it printed its line: it stands whatever ends the loop.
    std::optional<int> TerminateCode() const { return exitCode_; }
    // Runs the message loop; the exit code Terminate asked for, or else the loop's own.
    int Exec();
    void SetCursor(TCursor c);
    TCursor Cursor() const { return cursor_; }

private:
    QString exeName_;
    std::unique_ptr<TMessageBoxes> boxes_;
    TCursor cursor_ = TCursor::crDefault;
    TStopRequest* stop_ = nullptr;
    std::optional<int> exitCode_;
};

// The text the default error box shows for a message.
QString ErrorBoxText(const QString& message);
// The executable's folder followed by the separator and a file name; a root folder keeps its
// separator, so the name then follows two separators.
QString FileBesideExecutable(const QString& exeName, const QString& fileName);
