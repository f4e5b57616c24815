#include "Application.h"

#include "Errors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

void TQtMessageBoxes::Show(const QString& text, TMsgIcon icon) {
    QMessageBox box(icon == TMsgIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QCoreApplication::applicationName(), text, QMessageBox::Ok);
    box.exec();
}

TApplication::TApplication(QString exeName, std::unique_ptr<TMessageBoxes> boxes)
    : exeName_(std::move(exeName)), boxes_(std::move(boxes)) {}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents();
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.')) return message + '.';
    return message;
}

void TApplication::ShowException(const std::exception& e) {
    boxes_->Show(ErrorBoxText(ExceptionMessage(e)), TMsgIcon::Error);
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
