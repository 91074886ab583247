#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

#include "platform/qt/qt_convert.h"

namespace vbqt {

namespace {

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

QString titleOrProgram(const std::string& title) {
    return title.empty() ? QGuiApplication::applicationDisplayName() : qs(title);
}

QMessageBox::Icon iconFor(int style) {
    switch (style & 0x70) {
        case vb::mb::Critical:
            return QMessageBox::Critical;
        case vb::mb::Question:
            return QMessageBox::Question;
        case vb::mb::Exclamation:
            return QMessageBox::Warning;
        case vb::mb::Information:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int QtDialogs::MsgBox(const std::string& prompt, int style, const std::string& title) {
    const bool yesNo = (style & 7) == vb::mb::YesNo;
    QPointer<QMessageBox> box = new QMessageBox(dialogParent());
    box->setWindowTitle(titleOrProgram(title));
    box->setText(qs(prompt));
    box->setTextFormat(Qt::PlainText);
    box->setIcon(iconFor(style));
    box->setStandardButtons(yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    box->setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    box->setEscapeButton(yesNo ? QMessageBox::No : QMessageBox::Ok);
    const int pressed = box->exec();
    if (!box) return yesNo ? vb::mb::No : vb::mb::OK;
    delete box.data();
    if (!yesNo) return vb::mb::OK;
    return pressed == QMessageBox::Yes ? vb::mb::Yes : vb::mb::No;
}

std::optional<std::string> QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                               const std::string& defaultText) {
    QPointer<QInputDialog> box = new QInputDialog(dialogParent());
    box->setWindowTitle(titleOrProgram(title));
    box->setLabelText(qs(prompt));
    box->setTextValue(qs(defaultText));
    const int result = box->exec();
    if (!box) return std::nullopt;
    std::optional<std::string> answer;
    if (result == QDialog::Accepted) answer = ss(box->textValue());
    delete box.data();
    return answer;
}

std::string QtDialogs::BrowseForFolder(const std::string& prompt) {
    // The prompt is the dialog's title; the dialog starts on the current directory.
    QPointer<QFileDialog> box = new QFileDialog(dialogParent(), qs(prompt), QDir::currentPath());
    box->setFileMode(QFileDialog::Directory);
    box->setOption(QFileDialog::ShowDirsOnly, true);
    const int result = box->exec();
    if (!box) return {};
    std::string answer;
    if (result == QDialog::Accepted && !box->selectedFiles().isEmpty())
        answer = ss(box->selectedFiles().constFirst());
    delete box.data();
    return answer;
}

}  // namespace vbqt
