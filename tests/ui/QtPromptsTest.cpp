#include "ui/QtPrompts.h"

#include "core/i18n/FXUStringTable.h"
#include "support/SharedState.h"
#include "ui/ModalRunner.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

class QtPromptsTest : public ::testing::Test {
protected:
    void TearDown() override {
        ModalRunner::setRunner({});
        releaseSharedState();
    }

    // Shows the box as a user would see it, notes its buttons, then does what act says.
    Prompts::Answer ask(Prompts::Buttons buttons, std::function<void(QMessageBox&)> act) {
        ModalRunner::setRunner([&](QDialog& dialog) {
            auto& box = dynamic_cast<QMessageBox&>(dialog);
            box.show();
            captions.clear();
            for (QAbstractButton* button : box.buttons())
                captions.push_back(button->text());
            defaultCaption = box.defaultButton() ? box.defaultButton()->text() : QString();
            act(box);
            return box.result();
        });
        return prompts.message(Prompts::Kind::Error, "Die Datei", buttons);
    }
    static void press(QMessageBox& box, int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(box.focusWidget() ? box.focusWidget() : &box, &event);
    }
    static void click(QMessageBox& box, const QString& caption) {
        for (QAbstractButton* button : box.buttons())
            if (button->text() == caption)
                button->click();
    }

    QtPrompts prompts;
    QStringList captions;
    QString defaultCaption;
};

} // namespace

TEST_F(QtPromptsTest, AFailedSaveAtCloseOffersThreeAnswersInTheUsersLanguageAndDefaultsToStaying) {
    FXUStringTable::getInstance()->SetLanguage(1);
    const auto buttons = Prompts::Buttons::RetryCloseCancel;
    EXPECT_EQ(ask(buttons, [](QMessageBox& box) { press(box, Qt::Key_Escape); }), Prompts::Answer::Cancel);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"Annuler", "Fermer sans enregistrer", "Réessayer"}));
    EXPECT_EQ(defaultCaption, "Annuler");
    EXPECT_EQ(ask(buttons, [](QMessageBox& box) { press(box, Qt::Key_Return); }), Prompts::Answer::Cancel)
        << "Enter chooses the default";
    EXPECT_EQ(ask(buttons, [](QMessageBox& box) { click(box, "Réessayer"); }), Prompts::Answer::Retry);
    EXPECT_EQ(ask(buttons, [](QMessageBox& box) { click(box, "Fermer sans enregistrer"); }),
              Prompts::Answer::CloseAnyway);
    EXPECT_EQ(ask(buttons, [](QMessageBox& box) { box.close(); }), Prompts::Answer::Cancel)
        << "closed from its title bar";

    FXUStringTable::getInstance()->SetLanguage(4);
    ask(buttons, [](QMessageBox& box) { press(box, Qt::Key_Escape); });
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"Abbrechen", "Erneut versuchen", "Ohne Speichern schließen"}));

    // The other boxes answer as before.
    EXPECT_EQ(ask(Prompts::Buttons::OkCancel, [](QMessageBox& box) { press(box, Qt::Key_Escape); }),
              Prompts::Answer::Cancel);
    EXPECT_EQ(ask(Prompts::Buttons::OkCancel, [](QMessageBox& box) { press(box, Qt::Key_Return); }),
              Prompts::Answer::Ok);
    EXPECT_EQ(ask(Prompts::Buttons::Ok, [](QMessageBox& box) { press(box, Qt::Key_Escape); }),
              Prompts::Answer::Ok);
    EXPECT_EQ(captions, QStringList{"OK"});
}
