#include "ui/history/TFXULogTab.h"

#include "core/i18n/FXUStringTable.h"
#include "support/HandRecord.h"
#include "support/QtMessages.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/history/THistGrid.h"
#include "ui/history/TMachineInfoPage.h"
#include "ui/history/TRestingTimePage.h"
#include "ui/history/TStringGrid.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
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

TEST_F(TFXULogTabTest, ATabIsBuiltWhenFirstShownAndEachPageWhenFirstOpened) {
    std::vector<TFXULogTab*> tabs;
    for (int i = 0; i < 5; ++i)
        tabs.push_back(makeTab(FXULogTime(static_cast<std::uint16_t>(2001 + i), 1, 1, 0, 0, 0)));
    owner.setCurrentIndex(4);
    for (TFXULogTab* tab : tabs)
        EXPECT_FALSE(tab->isBuilt()) << "nothing is built before the window shows";
    owner.resize(900, 700);
    owner.show();
    QApplication::processEvents();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(tabs[static_cast<std::size_t>(i)]->isBuilt()) << i;
    ASSERT_TRUE(tabs[4]->isBuilt());
    EXPECT_EQ(tabs[4]->innerPages()->currentIndex(), 0);
    EXPECT_TRUE(tabs[4]->isPageBuilt(0));
    for (int page = 1; page < TFXULogTab::kPages; ++page)
        EXPECT_FALSE(tabs[4]->isPageBuilt(page)) << page;
    EXPECT_TRUE(tabs[4]->commentEditor()->isVisible());

    tabs[4]->innerPages()->setCurrentIndex(2);
    EXPECT_TRUE(tabs[4]->isPageBuilt(2));
    EXPECT_TRUE(tabs[4]->historyGrid()->isVisible());
    EXPECT_FALSE(tabs[4]->isPageBuilt(1));
    owner.setCurrentIndex(1);
    EXPECT_TRUE(tabs[1]->isBuilt());
    EXPECT_FALSE(tabs[0]->isBuilt());
    // Asking for a page builds it, shown or not.
    EXPECT_EQ(tabs[0]->systemParameterList()->cell(0, 1), "P00");
    EXPECT_TRUE(tabs[0]->isPageBuilt(3));
    EXPECT_FALSE(tabs[0]->isPageBuilt(1));
}

TEST_F(TFXULogTabTest, PagesBuiltLateLookAsIfBuiltAtOnce) {
    auto twin = generator.record(HistoryFeatures{3, 4, 9, false, false, true});
    records.push_back(std::make_unique<FXULog>(*twin));
    records.push_back(std::move(twin));
    QTabWidget early;
    QTabWidget late;
    auto* built = new TFXULogTab(records[0].get(), &early, prompts);
    auto* lazy = new TFXULogTab(records[1].get(), &late, prompts);
    built->machineInformation();
    EXPECT_EQ(built->innerPages()->widget(0)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1)
        << "page 1 is built once";
    built->restingTime();
    built->historyGrid();
    built->systemParameterList();
    ASSERT_FALSE(lazy->isBuilt());
    for (QTabWidget* window : {&early, &late}) {
        window->resize(900, 700);
        window->show();
    }
    for (int page = 0; page < TFXULogTab::kPages; ++page) {
        SCOPED_TRACE(page);
        built->innerPages()->setCurrentIndex(page);
        lazy->innerPages()->setCurrentIndex(page);
        QApplication::processEvents();
        EXPECT_EQ(early.grab().toImage(), late.grab().toImage());
    }
    EXPECT_GT(lazy->historyGrid()->verticalScrollBar()->value(), 0) << "opened on the oldest event";
}

TEST_F(TFXULogTabTest, ATabNeverShownStoresItsCommentAsItsEditorWould) {
    const std::string comments[] = {
        "",       "sans fin",     "a\r\nb\r\n",           "x\ry",     "x\n\ny", "\r\n", "a\r\n\r\n",
        "\r\r\n", "nbsp\xa0\xa0", "\x81\x8d\x9d end\r\n", "tab\there"};
    int year = 2001;
    for (const std::string& comment : comments) {
        SCOPED_TRACE(comment);
        TFXULogTab* shown = makeTab(FXULogTime(static_cast<std::uint16_t>(year++), 1, 1, 0, 0, 0), comment);
        TFXULogTab* unseen = makeTab(FXULogTime(static_cast<std::uint16_t>(year++), 1, 1, 0, 0, 0), comment);
        shown->commentEditor();
        shown->StoreComment();
        unseen->StoreComment();
        EXPECT_FALSE(unseen->isBuilt()) << "storing builds nothing";
        EXPECT_EQ(unseen->record()->comment(), shown->record()->comment());
    }
    EXPECT_EQ(records[2]->comment(), "sans fin\r\n");
}

TEST_F(TFXULogTabTest, ATabBuiltAfterALanguageChangeSpeaksTheLanguageItWasMadeIn) {
    TFXULogTab* tab = makeTab(kMay3);
    FXUStringTable* catalogue = FXUStringTable::getInstance();
    catalogue->SetLanguage(4);
    owner.show();
    QApplication::processEvents();
    EXPECT_EQ(tab->innerPages()->tabText(0), "Machine information");
    EXPECT_EQ(tab->restingTime()->zoneTable(0)->cell(0, 1), "Monday");
    EXPECT_EQ(tab->machineInformation()->statisticsGrid()->cell(0, 0), "Mowing time");
    EXPECT_EQ(catalogue->Language(), 4) << "and the catalogue is left as it was";
    EXPECT_EQ(catalogue->Text(TextId::Monday), "Montag ");

    catalogue->SetLanguage(9); // a number beyond the languages keeps German in force
    tab->historyGrid();
    EXPECT_EQ(catalogue->Language(), 9);
    EXPECT_EQ(catalogue->TextLanguage(), 4);
}

TEST_F(TFXULogTabTest, ARecordOfNoLayoutShowsItsHeaderCommentAndEmptySections) {
    const QtMessages messages;
    FXULog::Image image{};
    records.push_back(HandRecord::Make(image, 0));
    records.back()->SetComment("not decoded\r\n");
    TFXULogTab* tab = new TFXULogTab(records.back().get(), &owner, prompts);
    owner.resize(800, 600);
    owner.show();
    for (int page = 0; page < TFXULogTab::kPages; ++page) {
        tab->innerPages()->setCurrentIndex(page);
        QApplication::processEvents();
        owner.grab();
    }
    EXPECT_EQ(owner.tabText(0), "03/05/2007 10 h 20");
    EXPECT_EQ(tab->commentEditor()->toPlainText(), "not decoded\n");
    EXPECT_EQ(tab->machineInformation()->identificationGrid()->cell(1, 1), "04A1B2C3");
    EXPECT_EQ(tab->machineInformation()->parameterGrid()->gridRows(), 1);
    EXPECT_EQ(tab->restingTime()->zoneTableCount(), 0);
    EXPECT_EQ(tab->historyGrid()->gridRows(), 5);
    EXPECT_EQ(tab->systemParameterList()->gridRows(), 1);
    EXPECT_TRUE(QtMessages::seen().isEmpty()) << QtMessages::seen().join('\n').toStdString();
}

TEST_F(TFXULogTabTest, TheSystemParametersAreAKeyAndValueListInSmallType) {
    FXULog::Image image{};
    for (int i = 0; i < 88; ++i)
        image[static_cast<std::size_t>(232 + i)] = static_cast<std::uint8_t>(i * 3);
    records.push_back(HandRecord::Make(image, 3));
    TFXULogTab* tab = new TFXULogTab(records.back().get(), &owner, prompts);
    TStringGrid& list = *tab->systemParameterList();
    ASSERT_EQ(list.gridRows(), 89);
    EXPECT_EQ(list.gridColumns(), 2);
    EXPECT_EQ(list.cell(0, 0), "");
    EXPECT_EQ(list.cell(1, 0), "");
    EXPECT_EQ(list.cell(0, 1), "P00");
    EXPECT_EQ(list.cell(1, 1), "0");
    EXPECT_EQ(list.cell(0, 88), "P87");
    EXPECT_EQ(list.cell(1, 88), "5");
    EXPECT_EQ(list.font().pixelSize(), 12);
    EXPECT_EQ(list.gridRowHeight(40), 16);
    EXPECT_FALSE(list.verticalHeader()->isVisible()) << "no row header";
}
