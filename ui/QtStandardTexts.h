#pragma once

#include <QString>
#include <memory>

class QTranslator;

// Qt's own words (standard buttons, the file dialogs, edit menus) in the language of the program's texts,
// from the translations Qt installs; without them, or for English, Qt speaks English. A dealer who chose
// French must not meet "Cancel" and "Look in:" in the dialogs the program opens.
class QtStandardTexts {
public:
    explicit QtStandardTexts(QString folder = defaultFolder());
    ~QtStandardTexts();
    QtStandardTexts(const QtStandardTexts&) = delete;
    QtStandardTexts& operator=(const QtStandardTexts&) = delete;

    // Language as the catalogue numbers it (0 English to 4 German). False when Qt has no translation for it
    // here; Qt's words are then English.
    bool follow(int textLanguage);

    static QString defaultFolder();

private:
    QString folder_;
    std::unique_ptr<QTranslator> translator_;
};
