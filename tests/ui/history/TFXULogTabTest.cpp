#include "ui/history/TFXULogTab.h"

#include "core/i18n/FXUStringTable.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "tools/gen/HistoryGenerator.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

class TFXULogTabTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    TFXULogTab* makeTab(const FXULogTime& time, const std::string& comment = {}) {
        records.push_back(generator.record(HistoryFeatures{}));
        records.back()->SetLogTime(time);
        records.back()->SetComment(comment);
        return new TFXULogTab(records.back().get(), &owner, prompts);
    }
    // Typing goes through the editor's key handling, as a person's would.
    static void type(TFXULogTab* tab, const QString& text, int key = 0) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(tab->commentEditor(), &press);
    }
    static void typeEach(TFXULogTab* tab, const QString& text) {
        for (QChar c : text)
            type(tab, QString(c));
    }
    static void enter(TFXULogTab* tab) { type(tab, QStringLiteral("\r"), Qt::Key_Return); }
    static void moveCursorTo(TFXULogTab* tab, int position) {
        QTextCursor cursor = tab->commentEditor()->textCursor();
        cursor.setPosition(position);
        tab->commentEditor()->setTextCursor(cursor);
    }

    HistoryGenerator generator{20070503};
    ScriptedPrompts prompts;
    std::vector<std::unique_ptr<FXULog>> records; // outlive the tabs
    QTabWidget owner;
};

const FXULogTime kMay3{2007, 5, 3, 10, 20, 30};

} // namespace

TEST_F(TFXULogTabTest, BecomesTheOwnersLastPageWithFourInnerPagesCaptionedInTheCurrentLanguage) {
    owner.addTab(new QWidget, QStringLiteral("other"));
    TFXULogTab* english = makeTab(kMay3);
    FXUStringTable::getInstance()->SetLanguage(1);
    TFXULogTab* french = makeTab(FXULogTime(2024, 12, 31, 9, 5, 59));
    ASSERT_EQ(owner.count(), 3);
    EXPECT_EQ(owner.widget(2), french);
    EXPECT_EQ(owner.tabText(1), QStringLiteral("03/05/2007 10 h 20"));
    EXPECT_EQ(owner.tabText(2), QStringLiteral("31/12/2024 09 h 05"));
    EXPECT_EQ(english->record(), records[0].get());

    const std::vector<std::pair<TFXULogTab*, QStringList>> expected = {
        {english, {"Machine information", "Resting Time", "History", "System parameters", "Comments"}},
        {french,
         {"Informations machine", "Resting Time", "Historique", "Paramètres système", "Commentaires"}}};
    for (const auto& [tab, captions] : expected) {
        QStringList shown;
        for (int page = 0; page < tab->innerPages()->count(); ++page)
            shown << tab->innerPages()->tabText(page);
        EXPECT_EQ(shown << tab->commentGroupBox()->title(), captions);
        EXPECT_EQ(tab->innerPages()->currentIndex(), 0);
        EXPECT_TRUE(tab->innerPages()->widget(0)->isAncestorOf(tab->commentEditor()));
    }
}

TEST_F(TFXULogTabTest, CommentBoxTakesTheBottomThirtyPercentOfPageOneAtEverySize) {
    TFXULogTab* tab = makeTab(kMay3);
    owner.show();
    for (QSize size : {QSize(800, 600), QSize(517, 333)}) {
        owner.resize(size);
        QApplication::processEvents();
        const QFrame* p0 = tab->panel(0);
        const int top = p0->height() * 70 / 100;
        EXPECT_EQ(tab->panel(1)->geometry(), QRect(0, 0, p0->width(), top));
        EXPECT_EQ(tab->panel(2)->geometry(), QRect(0, top, p0->width(), p0->height() - top));
        EXPECT_EQ(tab->commentGroupBox()->geometry(), tab->panel(2)->contentsRect());
        EXPECT_GT(p0->height(), size.height() / 2) << "P0 fills page 1";
    }
}

TEST_F(TFXULogTabTest, StoreCommentWritesWindows1252LinesEachEndedByCrLf) {
    TFXULogTab* typed = makeTab(kMay3);
    type(typed, QStringLiteral("a"));
    enter(typed);
    type(typed, QStringLiteral("b"));
    typed->StoreComment();
    EXPECT_EQ(typed->record()->comment(), "a\r\nb\r\n");

    // Accents, the euro sign and a non-breaking space come back byte for byte; stored line ends stay single.
    const std::string stored = "R\xe9vision \x80 12\r\nLame\xa0us\xe9"
                               "e\r\n";
    TFXULogTab* loaded = makeTab(FXULogTime(2008, 1, 1, 0, 0, 0), stored);
    EXPECT_EQ(loaded->commentEditor()->toPlainText(), QStringLiteral("Révision € 12\nLame usée\n"));
    loaded->StoreComment();
    EXPECT_EQ(loaded->record()->comment(), stored);

    TFXULogTab* unended = makeTab(FXULogTime(2009, 1, 1, 0, 0, 0), "sans fin");
    TFXULogTab* empty = makeTab(FXULogTime(2010, 1, 1, 0, 0, 0));
    unended->StoreComment();
    empty->StoreComment();
    EXPECT_EQ(unended->record()->comment(), "sans fin\r\n");
    EXPECT_EQ(empty->record()->comment(), "");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(TFXULogTabTest, CharactersWindows1252CannotHoldAreRefusedAsTheyAreTyped) {
    TFXULogTab* tab = makeTab(kMay3, "ok");
    moveCursorTo(tab, 1);
    type(tab, QStringLiteral("Ł"));
    EXPECT_EQ(tab->commentEditor()->toPlainText(), QStringLiteral("ok"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.shown[0].buttons, Prompts::Buttons::Ok);
    EXPECT_NE(prompts.shown[0].text.find("Comments"), std::string::npos) << prompts.shown[0].text;
    EXPECT_NE(prompts.shown[0].text.find("U+0141"), std::string::npos) << prompts.shown[0].text;

    type(tab, QStringLiteral("€")); // held by Windows-1252, though not by Latin-1
    EXPECT_EQ(tab->commentEditor()->toPlainText(), QStringLiteral("o€k")) << "typing goes on where it was";

    tab->commentEditor()->insertPlainText(QString::fromUtf8("x\xF0\x9F\x98\x80y")); // a paste
    EXPECT_EQ(tab->commentEditor()->toPlainText(), QStringLiteral("o€k"));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_NE(prompts.shown[1].text.find("U+1F600"), std::string::npos) << prompts.shown[1].text;

    tab->StoreComment();
    EXPECT_EQ(tab->record()->comment(), "o\x80k\r\n");
}

TEST_F(TFXULogTabTest, At255TypedCharactersTheCommentTakesNoMoreButCanShrink) {
    TFXULogTab* tab = makeTab(kMay3, std::string(253, 'a'));
    moveCursorTo(tab, 253);
    typeEach(tab, QStringLiteral("bcd"));
    EXPECT_EQ(tab->commentEditor()->toPlainText(), QString(253, 'a') + "bc");
    moveCursorTo(tab, 100);
    type(tab, QStringLiteral("\b"), Qt::Key_Backspace);
    enter(tab); // a line break takes two of the 255
    EXPECT_EQ(tab->commentEditor()->toPlainText().size(), 254);
    type(tab, QStringLiteral("e"));
    EXPECT_EQ(tab->commentEditor()->toPlainText().size(), 255);
    EXPECT_TRUE(prompts.shown.empty()) << "the limit is silent";

    // A longer stored comment is shown whole.
    TFXULogTab* longer = makeTab(FXULogTime(2008, 1, 1, 0, 0, 0), std::string(300, 'z'));
    EXPECT_EQ(longer->commentEditor()->toPlainText().size(), 300);
}

TEST_F(TFXULogTabTest, MissingRecordOrOwnerStopsTheProgram) {
    // The window system runs threads of its own: the dying child starts afresh rather than from a fork.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto record = generator.record(HistoryFeatures{});
    EXPECT_DEATH(TFXULogTab(nullptr, &owner, prompts), "Assertion failed: log!=NULL, file Class/FXULogTab");
    EXPECT_DEATH(TFXULogTab(record.get(), nullptr, prompts),
                 "Assertion failed: Owner!=NULL, file Class/FXULogTab");
    GTEST_FLAG_SET(death_test_style, style);
}
