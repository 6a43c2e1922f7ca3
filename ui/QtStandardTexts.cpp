#include "ui/QtStandardTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <array>
#include <utility>

QtStandardTexts::QtStandardTexts(QString folder) : folder_(std::move(folder)) {}

QtStandardTexts::~QtStandardTexts() {
    if (translator_)
        QCoreApplication::removeTranslator(translator_.get());
}

QString QtStandardTexts::defaultFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool QtStandardTexts::follow(int textLanguage) {
    static constexpr std::array<const char*, 5> kLocales{"en", "fr", "it", "nl", "de"};
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    if (textLanguage <= 0 || textLanguage >= static_cast<int>(kLocales.size()))
        return textLanguage == 0;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + QLatin1String(kLocales[textLanguage]), folder_))
        return false;
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
    return true;
}
