#include "ui/QtPrompts.h"

#include "ui/WinText.h"

#include <QApplication>
#include <QMessageBox>
#include <stdexcept>

const char* const QtPrompts::kTitle = "Orvane Service Kit";

Prompts::Answer QtPrompts::message(Kind kind, const std::string& text, Buttons buttons) {
    QMessageBox::Icon icon = QMessageBox::Warning;
    switch (kind) {
    case Kind::Warning:
        icon = QMessageBox::Warning;
        break;
    case Kind::Error:
        icon = QMessageBox::Critical;
        break;
    case Kind::Information:
        icon = QMessageBox::Information;
        break;
    case Kind::Confirmation:
        icon = QMessageBox::Question;
        break;
    }
    const auto standardButtons = buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                              : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(icon, QString::fromLatin1(kTitle), WinText::toQt(text), standardButtons,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

Progress& QtPrompts::progress() {
    if (!progress_)
        throw std::logic_error("the progress window does not exist yet");
    return *progress_;
}
