#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "ui/MachineDirectory.h"
#include "ui/MachineTypeTable.h"
#include "ui/TchangeODataForm.h"
#include "ui/TcreateForm.h"
#include "ui/TinsertForm.h"

#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using Identity = std::tuple<int, int, int, int>; // type code, year, factory flag, machine number

// Real machines behind the interface, so that filing and identity checks behave as the list's do.
class FakeDirectory : public MachineDirectory {
public:
    FXUMowerLog& add(int typeCode, int year, int number, int factoryFlag = 0) {
        auto machine = std::make_unique<FXUMowerLog>();
        machine->SetTypeCode(static_cast<std::uint8_t>(typeCode));
        machine->SetYear(static_cast<std::uint8_t>(year));
        machine->SetMachineNumber(number);
        machine->SetFactoryFlag(static_cast<std::uint8_t>(factoryFlag));
        machines.push_back(std::move(machine));
        return *machines.back();
    }
    std::vector<std::string> MachineNumberList() const override {
        std::vector<std::string> texts;
        for (const auto& machine : machines)
            texts.push_back(machine->MachineNumberText());
        return texts;
    }
    bool MachineExists(std::uint8_t typeCode, std::uint8_t year, std::uint8_t flag,
                       std::int32_t number) const override {
        existsAsked.emplace_back(typeCode, year, flag, number);
        for (const auto& m : machines)
            if (Identity(m->typeCode(), m->year(), m->factoryFlag(), m->machineNumber()) ==
                existsAsked.back())
                return true;
        return false;
    }
    bool InsertRecordByMachineNumber(const std::string& text, std::unique_ptr<FXULog>& record) override {
        insertedInto.push_back(text);
        for (const auto& machine : machines)
            if (machine->MachineNumberText() == text)
                return machine->Insert(record->logTime(), record);
        return false;
    }
    bool CreateMachine(std::unique_ptr<FXUMowerLog> machine) override {
        created.push_back(std::move(machine));
        return createSucceeds;
    }
    bool SaveMachine(FXUMowerLog& machine) override {
        saved.push_back(&machine);
        return true;
    }
    void Arrange() override { ++arranged; }

    std::vector<std::unique_ptr<FXUMowerLog>> machines;
    std::vector<const FXUMowerLog*> saved;
    std::vector<std::unique_ptr<FXUMowerLog>> created;
    mutable std::vector<Identity> existsAsked;
    std::vector<std::string> insertedInto;
    bool createSucceeds = true;
    int arranged = 0;
};

std::unique_ptr<FXULog> recordAt(int second, std::uint32_t serial = 0x0001A2F3) {
    auto record = std::make_unique<FXULog>();
    record->SetLogTime(FXULogTime(2024, 3, 7, 14, 5, static_cast<std::uint8_t>(second)));
    record->SetSerialNumber(serial);
    return record;
}

class DialogFixture : public testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    // Each refusal must be a single-OK box of the expected kind, and only one per click.
    void expectRefusal(const std::string& text, Prompts::Kind kind = Prompts::Kind::Error) {
        ASSERT_EQ(prompts.shown.size(), 1u) << text;
        EXPECT_EQ(prompts.shown[0].text, text);
        EXPECT_EQ(prompts.shown[0].kind, kind);
        EXPECT_EQ(prompts.shown[0].buttons, Prompts::Buttons::Ok);
        prompts.shown.clear();
    }

    FakeDirectory directory;
    ScriptedPrompts prompts;
};

class InsertDialog : public DialogFixture {};
class CreateDialog : public DialogFixture {};
class ChangeODataDialog : public DialogFixture {};

} // namespace

TEST(MachineTypeTable, ItemsKeepTheirOrderAndEachCodeSelectsItsItem) {
    const char* const texts[] = {"QA", "QC", "QP", "QB", "QT", "QG", "Q1", "VRN210", "VRN75", "VRN52", "QF"};
    const int codes[] = {4, 1, 5, 9, 7, 11, 13, 2, 6, 12, 3};
    QComboBox combo;
    combo.addItem(QStringLiteral("stale"));
    MachineTypeTable::fill(combo);
    ASSERT_EQ(combo.count(), 11);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(combo.itemText(i), QString::fromLatin1(texts[i]));
        EXPECT_EQ(MachineTypeTable::codeForItem(i), codes[i]);
        EXPECT_EQ(MachineTypeTable::itemForCode(static_cast<std::uint8_t>(codes[i])), i);
    }
    EXPECT_EQ(MachineTypeTable::itemForCode(10), 3) << "10 is shown as QB too";
    for (int code : {0, 8, 14, 15, 255})
        EXPECT_EQ(MachineTypeTable::itemForCode(static_cast<std::uint8_t>(code)), -1) << code;
    EXPECT_EQ(MachineTypeTable::codeForItem(-1), 0);
    EXPECT_EQ(MachineTypeTable::codeForItem(11), 0);
    for (int code = 0; code < 16; ++code) {
        const std::string_view year = MachineTypeTable::fixedYear(static_cast<std::uint8_t>(code));
        EXPECT_EQ(year, code == 2 || code == 6 ? "26" : code == 12 ? "27" : "") << code;
        EXPECT_EQ(MachineTypeTable::hasFixedYear(static_cast<std::uint8_t>(code)), !year.empty()) << code;
    }
}

TEST_F(InsertDialog, EmptyDatabaseLeavesOnlyCreateOrClose) {
    auto record = recordAt(9);
    TinsertForm form(nullptr, record, directory, prompts);
    EXPECT_EQ(form.size(), QSize(163, 306));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Insert"));
    EXPECT_EQ(form.machineListGroupBox->title(), QStringLiteral("Machine listing"));
    EXPECT_EQ(form.machineIdListBox->count(), 0);
    EXPECT_FALSE(form.insertButt->isEnabled());
    form.reject();
    EXPECT_EQ(form.result(), 2) << "closing answers Cancel";
    form.createButt->click();
    EXPECT_EQ(form.result(), 3);
    EXPECT_NE(record, nullptr) << "the create dialog needs the record";
}

TEST_F(InsertDialog, FilesIntoThePickedMachineUnlessItHasARecordAtThatTime) {
    directory.add(7, 24, 12);
    FXUMowerLog& busy = directory.add(4, 7, 123);
    FXUMowerLog& other = directory.add(12, 27, 5, 1);
    auto earlier = recordAt(9);
    busy.Insert(earlier->logTime(), earlier);
    auto record = recordAt(9);
    const FXULog* const filed = record.get();
    TinsertForm form(nullptr, record, directory, prompts);
    QStringList shown;
    for (int row = 0; row < form.machineIdListBox->count(); ++row)
        shown << form.machineIdListBox->item(row)->text();
    EXPECT_EQ(shown, QStringList({"QT-24-0012-B", "QA-07-0123-B", "VRN52-270005"}))
        << "display order, unsorted";
    EXPECT_TRUE(form.insertButt->isEnabled());

    form.insertButtClick();
    expectRefusal("You must choose a machine", Prompts::Kind::Warning);
    EXPECT_TRUE(directory.insertedInto.empty());

    form.machineIdListBox->setCurrentRow(1);
    form.insertButt->click();
    expectRefusal("There is already a record at this date");
    EXPECT_EQ(form.result(), 0) << "stays open";
    EXPECT_EQ(record.get(), filed);

    form.machineIdListBox->setCurrentRow(2);
    form.insertButtClick();
    EXPECT_EQ(form.result(), 1);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(&other.Find(filed->logTime()), filed);
    EXPECT_EQ(directory.insertedInto, std::vector<std::string>({"QA-07-0123-B", "VRN52-270005"}));
}

TEST_F(CreateDialog, ShowsTheRecordsTypeWithItsYear) {
    auto record = recordAt(1);
    TcreateForm vrn52(nullptr, 12, record, directory, prompts);
    EXPECT_EQ(vrn52.size(), QSize(249, 229));
    EXPECT_EQ(vrn52.mowerTypeComboBox->currentText(), QStringLiteral("VRN52"));
    EXPECT_FALSE(vrn52.mowerTypeComboBox->isEnabled());
    EXPECT_EQ(vrn52.mowerTypeComboBox->palette().color(QPalette::Disabled, QPalette::ButtonText),
              QColor(Qt::black));
    EXPECT_EQ(vrn52.yearIdMaskEdit->text(), QStringLiteral("27"));
    EXPECT_TRUE(vrn52.yearIdMaskEdit->isReadOnly());
    EXPECT_EQ(vrn52.factoryIdMaskEdit->text(), QStringLiteral("B"));
    EXPECT_TRUE(vrn52.factoryIdMaskEdit->isReadOnly() && !vrn52.factoryIdMaskEdit->isEnabled());
    EXPECT_EQ(vrn52.oNameEdit->maxLength(), 30);
    EXPECT_EQ(vrn52.oSurNameEdit->maxLength(), 30);
    EXPECT_EQ(vrn52.oNameGroupBox->title(), QStringLiteral("Fisrtname"));

    FXUStringTable::getInstance()->SetLanguage(1);
    TcreateForm qb(nullptr, 10, record, directory, prompts);
    EXPECT_EQ(qb.windowTitle(), QStringLiteral("Créer"));
    EXPECT_EQ(qb.mowerTypeComboBox->currentText(), QStringLiteral("QB"));
    EXPECT_FALSE(qb.yearIdMaskEdit->isReadOnly());
    EXPECT_EQ(qb.yearIdMaskEdit->text(), QDate::currentDate().toString(QStringLiteral("yy")));
}

TEST_F(CreateDialog, RefusesInOrderThenCreatesTheMachineWithTheRecord) {
    directory.add(10, 24, 123, 1); // another factory flag: no clash
    directory.add(10, 4, 123);
    auto record = recordAt(1, 0xCAFE0001);
    const FXULog* const filed = record.get();
    TcreateForm form(nullptr, 10, record, directory, prompts);
    form.yearIdMaskEdit->clear();
    const auto refusedAfter = [&](auto change, const std::string& text) {
        change();
        form.createButtClick();
        expectRefusal(text);
        EXPECT_EQ(form.result(), 0);
    };
    refusedAfter([] {}, "You must specify a firstname");
    refusedAfter([&] { form.oNameEdit->setText(QStringLiteral("René")); }, "You must specify a lastname");
    refusedAfter([&] { form.oSurNameEdit->setText("Dupont"); }, "Vous devez sp\xe9"
                                                                "cifier une addresse");
    refusedAfter([&] { form.oAddressMemo->setPlainText("1 rue Haute\nLyon"); }, "Incorrect machine number");
    refusedAfter([&] { form.machineIdMaskEdit->setText("123"); }, "Incorrect machine number"); // no year
    refusedAfter([&] { form.yearIdMaskEdit->setText("3"); }, "Incorrect machine number");
    refusedAfter([&] { form.yearIdMaskEdit->setText("259"); }, "Incorrect machine number");
    refusedAfter(
        [&] {
            form.oNameEdit->setText(QStringLiteral("Łukasz"));
            form.yearIdMaskEdit->setText("260");
        },
        "Fisrtname: the character U+0141 cannot be stored; please use Western European letters only.");
    refusedAfter([&] { form.oNameEdit->setText(QStringLiteral("René")); }, "Existing machine.");
    EXPECT_TRUE(directory.created.empty());

    form.yearIdMaskEdit->setText("24");
    form.machineIdMaskEdit->setText("0");
    form.createButtClick();
    expectRefusal("Incorrect machine number");
    form.machineIdMaskEdit->setText("123");
    form.createButtClick();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(form.result(), 1);
    EXPECT_EQ(directory.existsAsked.back(), Identity(10, 24, 0, 123));
    ASSERT_EQ(directory.created.size(), 1u);
    const FXUMowerLog& made = *directory.created[0];
    EXPECT_EQ(Identity(made.typeCode(), made.year(), made.factoryFlag(), made.machineNumber()),
              Identity(10, 24, 0, 123));
    EXPECT_EQ(made.name(), "Ren\xe9");
    EXPECT_EQ(made.firstName(), "Dupont");
    EXPECT_EQ(made.address(), "1 rue Haute\nLyon\n");
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(&made.Find(filed->logTime()), filed);
    EXPECT_EQ(made.serialNumber(), 0xCAFE0001u);
}

TEST_F(CreateDialog, StoresYearInOneByteAndEachAddressLineWithALineFeed) {
    const std::string longLine(255, 'a');
    const struct {
        const char* year;
        std::string memo;
        int storedYear;
        std::string address; // empty: refused
    } cases[] = {{"4", "\n", 4, "\n"},
                 {"260", "x\ny\n", 4, "x\ny\n"},
                 {"7", "", 0, ""},
                 {"7", longLine, 7, longLine + "\n"},
                 {"7", longLine + "b", 0, ""},
                 {"7", "1\u00a0bis\nNice", 7,
                  "1\xa0"
                  "bis\nNice\n"},
                 {"7", "ul. Żelazna", 0, ""}};
    for (const auto& c : cases) {
        auto record = recordAt(1);
        TcreateForm form(nullptr, 4, record, directory, prompts);
        form.oNameEdit->setText("A");
        form.oSurNameEdit->setText("B");
        form.oAddressMemo->setPlainText(QString::fromStdString(c.memo));
        form.yearIdMaskEdit->setText(c.year);
        form.machineIdMaskEdit->setText("9");
        form.createButtClick();
        EXPECT_EQ(form.result(), c.address.empty() ? 0 : 1) << c.memo;
        if (c.address.empty()) {
            ASSERT_EQ(prompts.shown.size(), 1u) << c.memo;
            EXPECT_NE(prompts.shown[0].text.find(c.memo.empty() ? "addresse" : "Address: "),
                      std::string::npos);
        } else {
            EXPECT_EQ(directory.created.back()->address(), c.address);
            EXPECT_EQ(directory.created.back()->year(), c.storedYear);
        }
        prompts.shown.clear();
    }
    EXPECT_EQ(directory.created.size(), 4u);
}

TEST_F(CreateDialog, AFailedCreationIsNotReportedAsCreated) {
    directory.createSucceeds = false;
    auto record = recordAt(1);
    TcreateForm form(nullptr, 6, record, directory, prompts);
    form.oNameEdit->setText("A");
    form.oSurNameEdit->setText("B");
    form.oAddressMemo->setPlainText("C");
    form.machineIdMaskEdit->setText("5000");
    form.createButtClick();
    EXPECT_EQ(form.result(), 2);
    EXPECT_EQ(directory.created.at(0)->year(), 26) << "the fixed year of VRN75";
    auto another = recordAt(2);
    TcreateForm closed(nullptr, 4, another, directory, prompts);
    closed.reject();
    EXPECT_EQ(closed.result(), 2);
}

TEST_F(ChangeODataDialog, ShowsTheMachineAndFollowsTheChosenType) {
    FXUMowerLog& machine = directory.add(4, 7, 123);
    machine.SetName("Andr\xe9");
    machine.SetFirstName(std::string(40, 'x')); // from a file written elsewhere: kept whole
    machine.SetAddress("1 rue\r\nParis");
    TchangeODataForm form(nullptr, 4, machine, directory, prompts);
    EXPECT_EQ(form.oNameEdit->maxLength(), 30);
    EXPECT_EQ(form.oSurNameEdit->text().size(), 40);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Customer references"));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(form.oNameEdit->text(), QStringLiteral("André"));
    EXPECT_EQ(form.oAddressMemo->toPlainText(), QStringLiteral("1 rue\nParis"));
    EXPECT_TRUE(form.mowerTypeComboBox->isEnabled());
    EXPECT_EQ(form.mowerTypeComboBox->currentText(), QStringLiteral("QA"));
    EXPECT_EQ(form.yearIdMaskEdit->text(), QStringLiteral("7"));
    EXPECT_EQ(form.machineIdMaskEdit->text(), QStringLiteral("123"));

    form.mowerTypeComboBox->setCurrentIndex(9);
    form.mowerTypeComboBoxChange();
    EXPECT_EQ(form.yearIdMaskEdit->text(), QStringLiteral("27"));
    EXPECT_TRUE(form.yearIdMaskEdit->isReadOnly());
    form.mowerTypeComboBox->setCurrentIndex(1);
    EXPECT_EQ(form.yearIdMaskEdit->text(), QStringLiteral("07"));
    EXPECT_FALSE(form.yearIdMaskEdit->isReadOnly());
    EXPECT_EQ(form.workingTypeCode(), 1);
}

TEST_F(ChangeODataDialog, RefusesInOrderAndChecksNumbersAgainstType) {
    FXUMowerLog& machine = directory.add(6, 9, 5000);
    TchangeODataForm form(nullptr, 6, machine, directory, prompts);
    const auto attempt = [&](int item, const char* number, const char* year = nullptr) {
        form.setResult(0);
        form.mowerTypeComboBox->setCurrentIndex(item);
        form.machineIdMaskEdit->setText(number);
        if (year)
            form.yearIdMaskEdit->setText(year);
        form.chgeButtClick();
        return form.result() == 2;
    };
    EXPECT_FALSE(attempt(8, "5000"));
    expectRefusal("You must specify a firstname");
    form.oNameEdit->setText("A");
    EXPECT_FALSE(attempt(8, "5000"));
    expectRefusal("You must specify a lastname");
    form.oSurNameEdit->setText("B");
    EXPECT_TRUE(!attempt(8, "4999") && !attempt(8, "") && !attempt(8, "0"));
    // Compared unsigned: -1 is far above the VRN210 limit.
    EXPECT_TRUE(!attempt(7, "5000") && !attempt(7, "-1") && !attempt(9, "5000") && !attempt(0, "12", "x"));
    EXPECT_EQ(prompts.shown.size(), 7u);
    for (const auto& shown : prompts.shown)
        EXPECT_EQ(shown.text, "Incorrect machine number");
    EXPECT_EQ(directory.arranged, 0);
    EXPECT_TRUE(directory.saved.empty());
    EXPECT_EQ(machine.name(), "") << "nothing saved";
    EXPECT_EQ(machine.machineNumber(), 5000);
    EXPECT_TRUE(attempt(8, "5000")) << "VRN75 from 5000 on";
    EXPECT_TRUE(directory.existsAsked.empty()) << "an unchanged identity is its own, not a clash";
    EXPECT_EQ(machine.year(), 9) << "the stored year is kept although 26 is shown";
    for (const char* number : {"1", "4999", "5000", "2147483647"})
        EXPECT_TRUE(attempt(0, number, "7")) << "QA takes any non-zero number, " << number;
    EXPECT_EQ(machine.machineNumber(), 2147483647);
    EXPECT_EQ(directory.arranged, 5);
    EXPECT_EQ(prompts.shown.size(), 7u);
}

TEST_F(ChangeODataDialog, SavesOwnerDataAndIdentityUnlessAnotherMachineHasIt) {
    directory.add(1, 8, 77);
    FXUMowerLog& machine = directory.add(4, 7, 123);
    machine.SetName("A");
    machine.SetFirstName("B");
    TchangeODataForm form(nullptr, 4, machine, directory, prompts);
    form.mowerTypeComboBox->setCurrentIndex(1);
    form.yearIdMaskEdit->setText("8");
    form.machineIdMaskEdit->setText("77");
    form.chgeButtClick();
    expectRefusal("Existing machine.");
    form.oAddressMemo->setPlainText(QString(128, u'a') + u'\n' + QString(127, u'b'));
    form.machineIdMaskEdit->setText("4000000");
    form.chgeButtClick();
    expectRefusal("Address: too long to be stored (257 characters with the line breaks, at most 256).");
    form.oSurNameEdit->setText(QStringLiteral("Łukasz"));
    form.chgeButtClick();
    expectRefusal(
        "Lastname: the character U+0141 cannot be stored; please use Western European letters only.");
    EXPECT_EQ(directory.arranged, 0);
    EXPECT_EQ(machine.typeCode(), 4);

    form.oSurNameEdit->setText(QStringLiteral("Zoë"));
    form.oAddressMemo->setPlainText(QStringLiteral("12\u00a0rue Haute\nLyon")); // a non-breaking space
    form.chgeButtClick();
    EXPECT_EQ(form.result(), 2);
    EXPECT_EQ(directory.arranged, 1);
    EXPECT_EQ(directory.saved, (std::vector<const FXUMowerLog*>{&machine})) << "its file is written at once";
    EXPECT_EQ(directory.existsAsked.back(), Identity(1, 8, 0, 4000000));
    EXPECT_EQ(Identity(machine.typeCode(), machine.year(), machine.factoryFlag(), machine.machineNumber()),
              Identity(1, 8, 0, 4000000));
    EXPECT_EQ(machine.firstName(), "Zo\xeb");
    EXPECT_EQ(machine.address(), "12\xa0rue Haute\r\nLyon") << "stored as typed";
}
