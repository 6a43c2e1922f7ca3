#pragma once

#include "core/base/Progress.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// The progress window: one line of text and a bar. Machine operations keep the user-interface thread
// busy, so every update is painted at once and the window system is let in to repaint (never user input).
class TStatusForm : public QWidget, public Progress {
    Q_OBJECT
public:
    explicit TStatusForm(QWidget* parent = nullptr);

    void setCaption(const std::string& text) override;
    void setMessage(const std::string& text) override;
    void setMax(int max) override;
    void setPosition(int position) override;
    void show() override;
    void hide() override;

    QLabel* messageLabel() const { return messageLabel_; }
    QProgressBar* progressBar() const { return ProgressBar_; }

private:
    void letWindowSystemRepaint();

    QLabel* messageLabel_;
    QProgressBar* ProgressBar_;
};
