#include "ui/TChildForm.h"

#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/UnusedDirectory.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/MachineDirectory.h"
#include "ui/ModalRunner.h"
#include "ui/TchangeODataForm.h"
#include "ui/history/TFXULogTab.h"
#include "ui/history/TTrendsPage.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScatterSeries>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>
#include <tuple>

namespace {

struct Popup {
    QMenu* menu;
    QPoint at;
    int activeTab;
    bool deleteEnabled;
};

using Message = std::tuple<Prompts::Kind, Prompts::Buttons, std::string>;
const Message kRefused{Prompts::Kind::Error, Prompts::Buttons::Ok, "You can't delete this mower log"};
Message confirmation(const std::string& time) {
    return {Prompts::Kind::Confirmation, Prompts::Buttons::OkCancel,
            "You are going to delete mower log of " + time};
}

const FXULogTime kT1{2006, 4, 1, 8, 0, 0};
const FXULogTime kT2{2007, 5, 3, 10, 20, 30};
const FXULogTime kT3{2008, 6, 9, 17, 45, 1};
constexpr std::uint32_t kS = 0x00ABCDEF;
constexpr std::uint32_t kT = 0x00ABCDF0;

class TChildFormTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override {
        ModalRunner::setRunner({});
        releaseSharedState();
    }

    FXULog* add(const FXULogTime& time, std::uint32_t serial, std::uint32_t firmware = 0x03010000,
                std::uint8_t typeByte = 0x14, std::uint8_t bootloader = 0x21) {
        auto record = generator.record(HistoryFeatures{});
        record->SetLogTime(time);
        record->SetSerialNumber(serial);
        record->SetFirmwareVersion(firmware);
        record->SetTypeByte(typeByte);
        record->SetBootloaderVersion(bootloader);
        record->SetComment({});
        FXULog* kept = record.get();
        EXPECT_TRUE(machine.Insert(time, record));
        return kept;
    }
    std::unique_ptr<TChildForm> open(bool shown = false) {
        auto form = std::make_unique<TChildForm>(machine, "/db/00ABCDEF.dat", directory, prompts);
        form->setPopupRunner([this, f = form.get()](QMenu& menu, const QPoint& at) {
            popups.push_back(
                {&menu, at, f->MainLogPageControl()->currentIndex(), f->deleteItem->isEnabled()});
            if (chooseDelete)
                f->deleteItem->trigger();
        });
        if (shown) {
            form->resize(816, 665);
            form->show();
            QApplication::processEvents();
        }
        return form;
    }
    static std::vector<FXULog*> tabRecords(const TChildForm& form) {
        std::vector<FXULog*> shown;
        for (int i = 0; i < form.MainLogPageControl()->count(); ++i)
            shown.push_back(form.tab(i)->record());
        return shown;
    }
    Message said(std::size_t index) const {
        const auto& shown = prompts.shown.at(index);
        return {shown.kind, shown.buttons, shown.text};
    }
    static void rightClick(QWidget* widget, QPoint pos) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, widget->mapToGlobal(pos));
        QApplication::sendEvent(widget, &event);
    }

    HistoryGenerator generator{42};
    FXUMowerLog machine;
    UnusedDirectory directory;
    ScriptedPrompts prompts;
    std::vector<Popup> popups;
    bool chooseDelete = false;
};

} // namespace

TEST_F(TChildFormTest, DeletionComparesTheSerialWithTheTabBeforeOrForTheFirstTheTabAfter) {
    FXULog* r1 = add(kT1, kS);
    add(kT2, kS);
    FXULog* r3 = add(kT3, kT);
    auto form = open();
    QTabWidget* pages = form->MainLogPageControl();
    EXPECT_EQ(pages->currentIndex(), 2) << "the last tab starts active";

    pages->setCurrentIndex(0); // R1 against R2: allowed, then cancelled
    prompts.answers = {Prompts::Answer::Cancel};
    form->deleteRecordClick();
    pages->setCurrentIndex(2); // R3 against R2: refused
    form->deleteRecordClick();
    EXPECT_EQ(said(0), confirmation(" 1-4-2006 8:0:0"));
    EXPECT_EQ(said(1), kRefused);
    EXPECT_EQ(machine.Count(), 3u);
    EXPECT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->currentIndex(), 2);

    pages->setCurrentIndex(1); // R2 against R1: allowed and confirmed
    QPointer<TFXULogTab> r2Tab = form->tab(1);
    form->deleteRecordClick();
    EXPECT_EQ(said(2), (Message{Prompts::Kind::Confirmation, Prompts::Buttons::OkCancel,
                                "You are going to delete mower log of  3-5-2007 10:20:30"}));
    EXPECT_EQ(machine.logTimeVect(), (std::vector<FXULogTime>{kT1, kT3}));
    EXPECT_EQ(tabRecords(*form), (std::vector<FXULog*>{r1, r3}));
    EXPECT_TRUE(r2Tab.isNull()) << "the tab is destroyed, not only taken off";
}

TEST_F(TChildFormTest, RightClickActivatesTheTabUnderItAndDeleteAppliesToThatTab) {
    add(kT1, kS);
    add(kT2, kS);
    FXULog* r3 = add(kT3, kT);
    auto form = open(true);
    QTabWidget* pages = form->MainLogPageControl();
    QTabBar* bar = pages->tabBar();

    const QPoint beside(bar->tabRect(2).right() + 40, bar->tabRect(2).center().y());
    rightClick(pages, bar->mapTo(pages, beside));
    rightClick(pages, QPoint(300, 300)); // on the page
    EXPECT_TRUE(popups.empty());
    EXPECT_EQ(pages->currentIndex(), 2);

    chooseDelete = true;
    const QPoint onR1 = bar->tabRect(0).center();
    rightClick(bar, onR1);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].menu, form->tabPopupMenu);
    EXPECT_EQ(popups[0].at, bar->mapToGlobal(onR1));
    EXPECT_EQ(popups[0].activeTab, 0);
    EXPECT_TRUE(popups[0].deleteEnabled);
    EXPECT_EQ(form->tabPopupMenu->actions(), (QList<QAction*>{form->deleteItem, form->reportItem}));
    EXPECT_EQ(said(0), confirmation(" 1-4-2006 8:0:0"));
    EXPECT_EQ(machine.logTimeVect(), (std::vector<FXULogTime>{kT2, kT3}));

    chooseDelete = false;
    form->tabsContextPopup(bar->mapTo(pages, bar->tabRect(1).center()));
    EXPECT_EQ(tabRecords(*form)[popups.back().activeTab], r3);
}

TEST_F(TChildFormTest, WithASingleTabDeleteIsOfferedDisabledAndDoesNothing) {
    add(kT2, kS);
    auto form = open(true);
    QTabBar* bar = form->MainLogPageControl()->tabBar();
    rightClick(bar, bar->tabRect(0).center());
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_FALSE(popups[0].deleteEnabled);
    form->deleteRecordClick();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(machine.Count(), 1u);
}

TEST_F(TChildFormTest, TabsFollowTheOrderOfFilingAndShowRecordAppendsOrActivates) {
    add(kT3, kS);
    add(kT1, kS);
    auto form = open();
    QTabWidget* pages = form->MainLogPageControl();
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("09/06/2008 17 h 45"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("01/04/2006 08 h 00"));
    EXPECT_EQ(pages->currentIndex(), 1);

    pages->setCurrentIndex(0);
    FXULog* older = add(kT2, kS); // filed while the window is open, older than the newest
    machine.SetName("Nouveau");
    form->ShowRecord(kT2);
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(form->tab(2)->record(), older);
    EXPECT_EQ(pages->currentIndex(), 2);
    EXPECT_EQ(form->ONameLabel->text(), QStringLiteral("Nouveau"));

    form->ShowRecord(FXULogTime(kT3));
    EXPECT_EQ(pages->count(), 3) << "no second tab for a shown record";
    EXPECT_EQ(pages->currentIndex(), 0);
}

TEST_F(TChildFormTest, LabelsShowOwnerTextsAsStoredAndTheIdentityInHexUntilTheNextRefresh) {
    machine.SetName("M\xfcller");
    machine.SetFirstName("J\xe9r\xf4me");
    machine.SetAddress("12 rue de l'\xc9glise\r\n4000 B\xe2le");
    machine.SetTypeCode(4);
    machine.SetYear(7);
    machine.SetMachineNumber(42);
    add(kT1, 0x0001A2F3, 0x00A1B2C3, 0x14, 0x0B);
    add(kT2, 0x0001A2F3, 0x0102030E, 0x1A, 0x2C);
    auto form = open();
    const std::vector<QLabel*> labels = {form->ONameLabel,  form->OSurnameLabel, form->OAddressLabel,
                                         form->MNBLabel,    form->SNBLabel,      form->SoftVerLabel,
                                         form->BootVerLabel};
    auto texts = [&] {
        QStringList shown;
        for (const QLabel* label : labels)
            shown << label->text();
        return shown;
    };
    const QStringList before = {
        "Müller",     "Jérôme", "12 rue de l'Église\r\n4000 Bâle", "QA-07-0042-B", "0001A2F3",
        "1A0102030E", "2C"};
    EXPECT_EQ(texts(), before);

    form->deleteRecordClick(); // the newest: the machine's copies change, the labels wait
    EXPECT_EQ(texts(), before);
    form->refreshInfo();
    EXPECT_EQ(form->SoftVerLabel->text(), QStringLiteral("1400A1B2C3"));
    EXPECT_EQ(form->BootVerLabel->text(), QStringLiteral("0B"));
}

TEST_F(TChildFormTest, ModifyDataOpensTheOwnerDialogOnThisMachineAndShowsTheNewTexts) {
    machine.SetName("Martin");
    add(kT1, kS);
    auto form = open();
    EXPECT_EQ(form->mergedMenus(), (std::vector<std::pair<int, QMenu*>>{{12, form->Outils1}}));

    QWidget* owner = nullptr;
    QString shownName;
    ModalRunner::setRunner([&](QDialog& dialog) {
        owner = dialog.parentWidget();
        if (auto* change = dynamic_cast<TchangeODataForm*>(&dialog))
            shownName = change->oNameEdit->text();
        machine.SetName("Dupr\xe9"); // what saving the dialog does
        return 2;
    });
    form->changeOwnerData->trigger();
    EXPECT_EQ(owner, form.get());
    EXPECT_EQ(shownName, QStringLiteral("Martin"));
    EXPECT_EQ(form->ONameLabel->text(), QStringLiteral("Dupré"));
}

TEST_F(TChildFormTest, CaptionsComeFromTheCatalogueAndTheCreamPanelHoldsTheBoxesInPlace) {
    add(kT1, kS);
    for (const auto& [language, expected] : std::vector<std::pair<int, QStringList>>{
             {0, {"General informations", "Firstname", "Machine nr", "Edition", "Modify data", "delete"}},
             {1,
              {"Informations générales", "Nom", "N° machine", "Edition", "Modifier les données",
               "Effacer"}}}) {
        FXUStringTable::getInstance()->SetLanguage(static_cast<std::uint8_t>(language));
        auto form = open();
        EXPECT_EQ((QStringList{form->GeneralInfoGroupBox->title(), form->nameStaticText->text(),
                               form->MNBStaticText->text(), form->Outils1->title(),
                               form->changeOwnerData->text(), form->deleteItem->text()}),
                  expected);
    }

    auto form = open(true);
    EXPECT_EQ(form->GeneralInfoGroupBox->geometry(), QRect(0, 0, 185, 665));
    EXPECT_EQ(form->MainLogPageControl()->geometry(), QRect(185, 0, 816 - 185, 665));
    EXPECT_EQ(form->clientRefGroupBox->geometry(), QRect(2, 15, 183, 239));
    EXPECT_EQ(form->machineInfoGroupBox->geometry(), QRect(2, 254, 183, 179));
    EXPECT_EQ(form->SNBLabel->pos(), QPoint(90, 46));
    // Above the frame the style draws, the panel's own colour shows.
    EXPECT_EQ(QColor(form->GeneralInfoGroupBox->grab().toImage().pixel(183, 1)), QColor(255, 251, 240));
}

TEST_F(TChildFormTest, ClosingMinimisesAndKeepsTabsAndTypedCommentsWhichStoreEditsStores) {
    FXULog* r1 = add(kT1, kS);
    FXULog* r2 = add(kT2, kS);
    QMdiArea area;
    area.resize(1000, 800);
    QPointer<TChildForm> form = open().release();
    QMdiSubWindow* frame = area.addSubWindow(form);
    frame->showMaximized();
    area.show();
    form->MainLogPageControl()->setCurrentIndex(0);
    form->tab(0)->commentEditor()->setPlainText(QStringLiteral("lame\nchangée"));
    form->tab(1)->commentEditor()->setPlainText(QStringLiteral("ok"));

    frame->close();
    QApplication::processEvents();
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(frame->isMinimized());
    EXPECT_EQ(area.subWindowList(), QList<QMdiSubWindow*>{frame});
    EXPECT_EQ(form->MainLogPageControl()->currentIndex(), 0);
    EXPECT_EQ(form->tab(0)->commentEditor()->toPlainText(), QStringLiteral("lame\nchangée"));
    EXPECT_EQ(r1->comment(), "") << "typed text reaches the record only through StoreEdits";

    form->StoreEdits();
    EXPECT_EQ(r1->comment(), "lame\r\nchang\xe9"
                             "e\r\n");
    EXPECT_EQ(r2->comment(), "ok\r\n");
}

TEST_F(TChildFormTest, TrendsComeWithTheSecondRecordAndAPointOpensItsRecord) {
    add(kT1, kS);
    auto form = open(true);
    auto* button = form->findChild<QToolButton*>(QStringLiteral("trendsButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isHidden()) << "one record has no trend";
    FXULog* second = add(kT2, kS);
    add(kT3, kS);
    form->ShowRecord(kT3);
    ASSERT_FALSE(button->isHidden());

    button->setChecked(true);
    auto* page = form->findChild<TTrendsPage*>(QStringLiteral("trendsPage"));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    const auto* points = qobject_cast<QScatterSeries*>(page->chart()->series().at(1));
    ASSERT_NE(points, nullptr);
    ASSERT_EQ(points->count(), 3);
    EXPECT_EQ(points->at(1).y(), second->statistic(0)) << "the mowing time of the second record";
    EXPECT_NE(page->pointText(1).indexOf(QStringLiteral("%1 min").arg(second->statistic(1))), -1);

    QMetaObject::invokeMethod(const_cast<QScatterSeries*>(points), "hovered", Q_ARG(QPointF, points->at(1)),
                              Q_ARG(bool, true));
    EXPECT_NE(page->hintLabel()->text().indexOf(QStringLiteral("%1 m").arg(second->statistic(3))), -1)
        << "hovering shows every value of the record, the left wheel's too";

    // A click on the second point: the trends go, the second record's tab is up.
    QMetaObject::invokeMethod(const_cast<QScatterSeries*>(points), "clicked", Q_ARG(QPointF, points->at(1)));
    EXPECT_FALSE(page->isVisible());
    EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(form->tab(form->MainLogPageControl()->currentIndex())->record(), second);

    // A deleted record leaves the chart too.
    form->MainLogPageControl()->setCurrentIndex(0);
    prompts.answers.push_back(Prompts::Answer::Ok);
    form->deleteRecordClick();
    button->setChecked(true);
    EXPECT_EQ(qobject_cast<QScatterSeries*>(page->chart()->series().at(1))->count(), 2);
}

TEST_F(TChildFormTest, ServiceReportAsksForTheShownRecordFromMenuAndTabPopup) {
    add(kT1, kS);
    FXULog* shownRecord = add(kT2, kS);
    auto form = open(true);
    std::vector<const FXULog*> asked;
    QObject::connect(form.get(), &TChildForm::serviceReportRequested,
                     [&](const FXUMowerLog* m, const FXULog* r) {
                         EXPECT_EQ(m, &machine);
                         asked.push_back(r);
                     });
    form->reportMenuItem->trigger();
    form->MainLogPageControl()->setCurrentIndex(0);
    form->reportItem->trigger();
    EXPECT_EQ(asked, (std::vector<const FXULog*>{shownRecord, form->tab(0)->record()}));
}
