#pragma once

#include <QDialog>
#include <string>

class Prompts;
class QLineEdit;
class QPlainTextEdit;

// Before a service report: the workshop printed at its top (empty the first time, then as kept in the
// settings), and whether to print it or save it as PDF.
class ServiceReportDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { Cancelled = 0, Print = 1, SavePdf = 3 };

    // Texts in Windows-1252 (headers here stay free of the core's C++20 headers, which moc cannot read).
    ServiceReportDialog(const std::string& name, const std::string& address, Prompts& prompts,
                        QWidget* parent = nullptr);
    // As typed, in Windows-1252; only after Print or SavePdf.
    const std::string& name() const { return nameText_; }
    const std::string& address() const { return addressText_; }

    QLineEdit* nameField() const { return name_; }
    QPlainTextEdit* addressField() const { return address_; }
    // Takes the fields (false, after a message, when they hold what the code page cannot) and ends with
    // choice.
    bool finish(Choice choice);

private:
    Prompts& prompts_;
    QLineEdit* name_;
    QPlainTextEdit* address_;
    std::string nameText_;
    std::string addressText_;
};
