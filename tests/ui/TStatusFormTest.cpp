#include "ui/TStatusForm.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <gtest/gtest.h>

TEST(TStatusForm, ShowsCatalogueTextsAndTheBarOfTheRunningOperation) {
    TStatusForm form;
    EXPECT_FALSE(form.isVisible()) << "created hidden";
    EXPECT_EQ(form.progressBar()->minimum(), 0);
    EXPECT_EQ(form.progressBar()->maximum(), 100);
    EXPECT_EQ(form.size(), QSize(165, 76));

    form.setCaption("Mise \xe0 jour en cours\x85");
    form.setMessage("Test du port ttyS0");
    form.setMax(8320);
    form.setPosition(4096);
    form.show();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Mise à jour en cours…"));
    EXPECT_EQ(form.messageLabel()->text(), QStringLiteral("Test du port ttyS0"));
    EXPECT_EQ(form.progressBar()->maximum(), 8320);
    EXPECT_EQ(form.progressBar()->value(), 4096);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(form.frameGeometry().center().x() - screen.center().x()), 3);
    EXPECT_LE(std::abs(form.frameGeometry().center().y() - screen.center().y()), 3);

    // A scan runs the bar down from the last port to the first.
    form.setMax(3);
    for (int position : {2, 1, 0}) {
        form.setPosition(position);
        EXPECT_EQ(form.progressBar()->value(), position);
    }

    form.hide();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.messageLabel()->text(), QStringLiteral("Test du port ttyS0")) << "kept while hidden";
}
