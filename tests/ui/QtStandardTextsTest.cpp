#include "ui/QtStandardTexts.h"

#include "support/TempDir.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

QString cancelCaption() {
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

QString lookInCaption() {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* label = dialog.findChild<QLabel*>("lookInLabel");
    return label ? label->text() : QString();
}

} // namespace

// ./test installs Qt's translations, so a missing one here is a fault of the package list, not a skip.
TEST(QtStandardTexts, QtsOwnWordsFollowTheLanguageAndGoBackToEnglish) {
    const QString englishCancel = cancelCaption();
    const QString englishLookIn = lookInCaption();
    ASSERT_EQ(englishCancel, "Cancel");
    ASSERT_FALSE(englishLookIn.isEmpty());
    {
        QtStandardTexts texts;
        ASSERT_TRUE(texts.follow(1)) << "no French translation of Qt in "
                                     << texts.defaultFolder().toStdString();
        EXPECT_EQ(cancelCaption(), "Annuler");
        EXPECT_NE(lookInCaption(), englishLookIn);

        EXPECT_TRUE(texts.follow(4));
        EXPECT_EQ(cancelCaption(), "Abbrechen");
        for (int language : {2, 3})
            EXPECT_TRUE(texts.follow(language)) << language;

        EXPECT_TRUE(texts.follow(0));
        EXPECT_EQ(cancelCaption(), englishCancel);
        EXPECT_FALSE(texts.follow(5)) << "not a language";
        EXPECT_EQ(cancelCaption(), englishCancel);

        EXPECT_TRUE(texts.follow(1));
    }
    EXPECT_EQ(cancelCaption(), englishCancel) << "the translation leaves with its owner";

    TempDir empty;
    QtStandardTexts missing(QString::fromStdString(empty.path().string()));
    EXPECT_FALSE(missing.follow(1));
    EXPECT_EQ(cancelCaption(), englishCancel);
}
