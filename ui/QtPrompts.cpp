#include "ui/QtPrompts.h"

#include "core/i18n/ProgramTexts.h"
#include "ui/ModalRunner.h"
#include "ui/WinText.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
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
    case Kind::Plain:
        icon = QMessageBox::NoIcon;
        break;
    }
    QMessageBox box(icon, QString::fromLatin1(kTitle), WinText::toQt(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    if (buttons == Buttons::RetryCloseCancel) {
        // Captioned in the user's language; Enter and Escape both choose the harmless answer.
        auto caption = [](ProgramTexts::Id id) { return WinText::toQt(ProgramTexts::Text(id)); };
        QPushButton* retry = box.addButton(caption(ProgramTexts::Id::RetryButton), QMessageBox::AcceptRole);
        QPushButton* closeAnyway =
            box.addButton(caption(ProgramTexts::Id::CloseWithoutSavingButton), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(caption(ProgramTexts::Id::CancelButton), QMessageBox::RejectRole);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        ModalRunner::run(box);
        if (box.clickedButton() == retry)
            return Answer::Retry;
        if (box.clickedButton() == closeAnyway)
            return Answer::CloseAnyway;
        return Answer::Cancel;
    }
    box.setStandardButtons(buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                        : QMessageBox::StandardButtons(QMessageBox::Ok));
    box.setDefaultButton(QMessageBox::Ok);
    ModalRunner::run(box);
    return box.standardButton(box.clickedButton()) == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

QStringList QtPrompts::qtFilters(const std::string& filter) {
    const QStringList parts = WinText::toQt(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // "*.*" means every file where these filters come from; here it would leave out names without a dot.
        QString pattern = parts[i + 1];
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts[i], pattern);
    }
    return filters;
}

std::optional<std::string> QtPrompts::chooseFile(const FileDialog& request) {
    QFileDialog dialog(QApplication::activeWindow(), WinText::toQt(request.title));
    const QString folder = QFile::decodeName(QByteArray::fromStdString(request.folder));
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    dialog.setAcceptMode(request.mode == FileDialog::Mode::Save ? QFileDialog::AcceptSave
                                                                : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mode == FileDialog::Mode::Save ? QFileDialog::AnyFile
                                                              : QFileDialog::ExistingFile);
    const QStringList filters = qtFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (ModalRunner::run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(dialog.selectedFiles().constFirst());
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

Progress& QtPrompts::progress() {
    if (!progress_)
        throw std::logic_error("the progress window does not exist yet");
    return *progress_;
}
