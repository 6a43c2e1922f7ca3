#include "ui/TStatusForm.h"

#include "ui/WinText.h"
#include "ui/WindowFont.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

TStatusForm::TStatusForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      messageLabel_(new QLabel(this)), ProgressBar_(new QProgressBar(this)) {
    setFixedSize(165, 76);
    setFont(windowFont(font()));
    // Wide enough for the longest port and section texts; its left edge stays where it was placed.
    messageLabel_->setGeometry(20, 13, 140, 16);
    ProgressBar_->setGeometry(20, 33, 121, 17);
    ProgressBar_->setRange(0, 100);
    ProgressBar_->setValue(0);
    ProgressBar_->setTextVisible(false);
}

void TStatusForm::setCaption(const std::string& text) {
    setWindowTitle(WinText::toQt(text));
    repaint();
    letWindowSystemRepaint();
}

void TStatusForm::setMessage(const std::string& text) {
    messageLabel_->setText(WinText::toQt(text));
    repaint();
    letWindowSystemRepaint();
}

void TStatusForm::setMax(int max) {
    ProgressBar_->setMaximum(max);
}

void TStatusForm::setPosition(int position) {
    ProgressBar_->setValue(position);
    ProgressBar_->repaint();
    letWindowSystemRepaint();
}

void TStatusForm::show() {
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::show();
    raise();
    letWindowSystemRepaint();
}

void TStatusForm::hide() {
    QWidget::hide();
}

void TStatusForm::letWindowSystemRepaint() {
    // Keeps the windows from showing as "not responding" during long operations; clicks and keys wait.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
