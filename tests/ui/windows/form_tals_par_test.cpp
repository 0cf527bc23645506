#include "ui/windows/form_tals_par.h"

#include "device/program_modes.h"
#include "device/tals352.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "tests/common/scripted_dialogs.h"
#include "tests/common/test_support.h"
#include "tests/ui/modal_test_support.h"
#include "tests/ui/standalone_services.h"
#include "ui/application/application.h"
#include "ui/controls/edit_num.h"
#include "ui/controls/ini_combo_box.h"
#include "ui/dialogs/form_input_bad_zone.h"
#include "ui/windows/form_main.h"
#include "ui/windows/tals_par_pages.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

using namespace tals;

namespace {

// Parameters.ini of the program in a scratch program folder.
void InstallParametersIni(const test::ScratchDir &dir)
{
    QDir(dir.path()).mkpath(QStringLiteral("INI"));
    QFile::copy(QStringLiteral(TALS_SOURCE_DIR "/resources/INI/Parameters.ini"),
                dir.file(QStringLiteral("INI/Parameters.ini")));
}

// Every property value of the model, for comparisons.
std::vector<TVariant> Snapshot(const Ttals352 &model)
{
    std::vector<TVariant> values;
    for (const TPropertyInfo &p : PropertyTable())
        values.push_back(model.Property(p.Id));
    return values;
}

// Types a value into a field and confirms it with Enter.
void Type(TEditNum *edit, double value)
{
    ASSERT_NE(edit, nullptr);
    edit->setText(FloatToStrF(value, ffFixed, 15, edit->Digits()));
    QTest::keyClick(edit, Qt::Key_Return);
}

QStringList VisibleTabs(QTabWidget *pages)
{
    QStringList names;
    for (int i = 0; i < pages->count(); ++i)
        if (pages->isTabVisible(i))
            names << pages->widget(i)->objectName();
    return names;
}

// The window on its own device model, with the actions it runs recorded.
class FormTalsParTest : public ::testing::Test
{
protected:
    FormTalsParTest()
    {
        InstallParametersIni(dir);
        SetProgramDir(dir.path());
        SetStartDir(dir.path());
        TFormTalsParHooks hooks;
        hooks.ExecuteAction = [this](const QString &a) { actions << a; };
        hooks.RefreshAllWindows = [this] {
            ++refreshAll;
            window->Refresh();
        };
        hooks.EditBadZone = [this](TBadZone &zone) {
            editedZones << zone.Number();
            zone.NearBound.SetValue(TVariant(1234.5));
            return true;
        };
        window = std::make_unique<TFormTalsPar>(model, modes, std::move(hooks));
    }
    ~FormTalsParTest() override
    {
        window.reset();
        SetProgramDir(QString());
        SetStartDir(QString());
    }

    template <class T> T *Child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    TEditNum *Edit(const char *name) const { return Child<TEditNum>(name); }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;
    TProgramModes modes;
    Ttals352 model{modes};
    QStringList actions;
    QList<int> editedZones;
    int refreshAll = 0;
    std::unique_ptr<TFormTalsPar> window;
};

} // namespace

TEST_F(FormTalsParTest, EveryControlOfThePageTablesExists)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("FormTalsPar"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Параметры ТАЛС35xИ"));
    EXPECT_EQ(window->minimumSize(), QSize(650, 650));
    QTabWidget *pages = window->Pages();
    const QStringList expected = {"tsUserRegisters",        "tsCalibr",
                                  "tsInformationRegisters", "tsCommonServiceRegisters",
                                  "tsServiceRegisters1",    "tsServiceRegisters2",
                                  "tsFunctionalRegisters",  "tsBadZones",
                                  "tsPlantParameters"};
    ASSERT_EQ(pages->count(), expected.size());
    for (int i = 0; i < pages->count(); ++i)
        EXPECT_EQ(pages->widget(i)->objectName(), expected[i]);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Пользовательские"));
    EXPECT_EQ(pages->tabText(7), QStringLiteral("Плохие зоны"));

    int lists = 0;
    for (const TParPage &page : ParameterPages())
        for (const TParGroup &group : page.Groups)
            for (const TParControl &c : group.Controls) {
                const QString name = c.ObjectName
                                         ? QString::fromLatin1(c.ObjectName)
                                         : QStringLiteral("lbl") + PropertyInfo(c.Property).Name;
                QWidget *w = window->findChild<QWidget *>(name);
                ASSERT_NE(w, nullptr) << name.toStdString();
                if (auto *list = qobject_cast<TiniComboBox *>(w)) {
                    ++lists;
                    EXPECT_GT(list->count(), 0)
                        << name.toStdString() << ": items from the INI file";
                }
            }
    EXPECT_EQ(lists, 17);
    // The control command list is kept out of sight but still bound.
    EXPECT_TRUE(Child<QWidget>("icbControlCommand")->isHidden());
    EXPECT_TRUE(Edit("enHardVersion")->isReadOnly());
    EXPECT_NE(window->findChild<QTableWidget *>("asgBadZones"), nullptr);
}

TEST_F(FormTalsParTest, PagesFollowTheFullAccessModeAtEveryRefresh)
{
    window->show();
    QTabWidget *pages = window->Pages();
    EXPECT_EQ(VisibleTabs(pages), QStringList{"tsUserRegisters"});

    modes.FullAccessMode = true;
    window->Refresh();
    EXPECT_EQ(VisibleTabs(pages),
              (QStringList{"tsUserRegisters", "tsCalibr", "tsInformationRegisters",
                           "tsCommonServiceRegisters", "tsServiceRegisters1", "tsServiceRegisters2",
                           "tsFunctionalRegisters", "tsBadZones"}));

    pages->setCurrentIndex(4);
    modes.FullAccessMode = false;
    window->Refresh();
    EXPECT_EQ(VisibleTabs(pages), QStringList{"tsUserRegisters"});
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("tsUserRegisters"));

    // The factory page has no tab but can be made the active page.
    window->ShowFactoryPage();
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("tsPlantParameters"));
    EXPECT_FALSE(pages->isTabVisible(8));
    window->Refresh();
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("tsPlantParameters"));

    // Showing the window again selects the user page.
    window->hide();
    window->show();
    EXPECT_EQ(pages->currentIndex(), 0);
}

TEST_F(FormTalsParTest, NumberOfStepsAndStepDurationFollowTheFrequencyMode)
{
    TEditNum *steps = Edit("enCountSteps");
    auto label = [this](const char *edit) {
        // The caption stands in the same grid row, left of the field.
        QWidget *field = Edit(edit);
        auto *grid = qobject_cast<QGridLayout *>(field->parentWidget()->layout());
        int row = 0, column = 0, rs = 0, cs = 0;
        grid->getItemPosition(grid->indexOf(field), &row, &column, &rs, &cs);
        return qobject_cast<QLabel *>(grid->itemAtPosition(row, 0)->widget())->text();
    };
    EXPECT_EQ(label("enCountSteps"),
              QStringLiteral("Число шагов синтезатора по частоте: 512, 1024"));
    EXPECT_EQ(label("enFreqPeriod"),
              QStringLiteral("Длительность ступеньки частотной модуляции, мкс от 5 до 25"));
    Type(steps, 2048);
    EXPECT_EQ(model.CountSteps(), 1024) << "the normal mode takes at most 1024";

    modes.HighFrequencyMode = true;
    window->Refresh();
    EXPECT_EQ(label("enCountSteps"),
              QStringLiteral("Число шагов синтезатора по частоте: 512, 1024, 2048"));
    EXPECT_EQ(label("enFreqPeriod"),
              QStringLiteral("Длительность ступеньки частотной модуляции, мкс от 4 до 16"));
    EXPECT_EQ(label("enFreqNes"), QStringLiteral("Несущая частота, МГц от 9000 до 27000"));
    EXPECT_EQ(steps->Maximum(), 2048);
    Type(steps, 2048);
    EXPECT_EQ(model.CountSteps(), 2048);
    Type(Edit("enFreqPeriod"), 4);
    EXPECT_EQ(model.FreqPeriod(), 4);
}

TEST_F(FormTalsParTest, RefreshNeverWritesIntoTheModel)
{
    modes.FullAccessMode = true;
    // Values the lists and fields cannot show as they are, and a list
    // selection different from the typical one.
    model.SetmbBaudRate(3);
    model.SetDSdelta(-25);
    model.SetFreqDev(1056.774048);
    model.SetControlCommand(2);
    model.SetControlCommandAnswer(2);
    const auto before = Snapshot(model);
    window->Refresh();
    window->Refresh();
    EXPECT_EQ(Child<TiniComboBox>("icbMbBaudRate")->currentIndex(), 3);
    EXPECT_EQ(Child<TiniComboBox>("icbControlCommand")->currentIndex(), 2);
    EXPECT_TRUE(Snapshot(model) == before);

    // Reloading the lists clears and refills them without touching the model.
    window->ReloadLists();
    window->Refresh();
    EXPECT_TRUE(Snapshot(model) == before);

    // An edit applies what was edited and leaves the rest as the model had it:
    // the clamped, the rounded and the side-effect registers.
    Type(Edit("enHmax"), 12000);
    EXPECT_EQ(model.Hmax(), 12000);
    EXPECT_EQ(model.DSdelta(), -25);
    EXPECT_EQ(model.FreqDev(), 1056.774048);
    EXPECT_EQ(model.ControlCommandAnswer(), 2);
}

TEST_F(FormTalsParTest, EditsAndListsGoIntoTheModelThroughTheSetters)
{
    modes.FullAccessMode = true;
    window->Refresh();
    Type(Edit("enHmax"), 10000);
    Type(Edit("enLmax"), 12000); // above Hmax: refused by the setter
    EXPECT_EQ(model.Hmax(), 10000);
    EXPECT_EQ(model.Lmax(), 30000);
    window->Refresh();
    EXPECT_EQ(Edit("enLmax")->text(), FloatToStrF(30000, ffFixed, 15, 1));

    Child<TiniComboBox>("icbCurrentOutput_Range")->setCurrentIndex(0);
    EXPECT_EQ(model.CurrentOutput_Range(), 0);
    Child<TiniComboBox>("icbAlgoritmType")->setCurrentIndex(3);
    EXPECT_EQ(model.AlgoritmType(), 3);

    Type(Edit("enPPMNumber"), 77);
    EXPECT_EQ(model.PPMNumber(), 77);
    EXPECT_EQ(model.PPMNumberText, QStringLiteral("77"));

    Type(Edit("enKrFChH"), -0.00012345);
    EXPECT_DOUBLE_EQ(model.KrFChH(), -0.00012345);
    Type(Edit("enSystemAddress"), 17);
    EXPECT_EQ(model.SystemAddress(), 17);
}

TEST_F(FormTalsParTest, CheckBoxesWriteTheirRegisterAtOnce)
{
    modes.FullAccessMode = true;
    window->Refresh();
    ASSERT_EQ(model.WindowBlackmanEnabled(), 0);
    Child<QCheckBox>("chbWindowBlackmanEnabled")->click();
    EXPECT_EQ(model.WindowBlackmanEnabled(), 1);
    Child<QCheckBox>("chbWDActive")->click();
    EXPECT_EQ(model.WDActive(), 0);
    // A refresh shows the model's state again.
    model.SetWindowBlackmanEnabled(0);
    window->Refresh();
    EXPECT_FALSE(Child<QCheckBox>("chbWindowBlackmanEnabled")->isChecked());
}

TEST_F(FormTalsParTest, BadZonePageFollowsTheNumberOfZones)
{
    modes.FullAccessMode = true;
    window->show();
    auto *grid = window->findChild<QTableWidget *>("asgBadZones");
    auto *title = Child<QLabel>("lblBadZone");
    auto *change = Child<QToolButton>("sbBadZoneChange");
    auto *write = Child<QToolButton>("sbBadZonesWrite");
    window->Pages()->setCurrentIndex(7);

    window->ShowBadZones(0);
    EXPECT_FALSE(grid->isVisible());
    EXPECT_FALSE(title->isVisible());
    EXPECT_FALSE(change->isVisible());
    EXPECT_FALSE(write->isVisible());

    model.BadZone(2).FarBound.SetValue(TVariant(2500.5));
    Type(Edit("enCountBadZones"), 3);
    EXPECT_EQ(model.CountBadZones(), 3);
    EXPECT_TRUE(grid->isVisible());
    EXPECT_TRUE(title->isVisible() && change->isVisible() && write->isVisible());
    ASSERT_EQ(grid->rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(grid->item(row, 0)->text(), QString::number(row + 1));
    EXPECT_EQ(grid->item(1, 2)->text(), model.BadZone(2).FarBound.FormatValue(false, false));
    EXPECT_EQ(grid->item(0, 3)->text(), model.BadZone(1).FillSpeed.FormatValue(false, false));
    EXPECT_EQ(title->text(), QStringLiteral("Информация о плохой зоне 1"));

    grid->setCurrentCell(2, 1);
    EXPECT_EQ(title->text(), QStringLiteral("Информация о плохой зоне 3"));
    change->click();
    EXPECT_EQ(editedZones, QList<int>{3});
    EXPECT_EQ(grid->item(2, 1)->text(), model.BadZone(3).NearBound.FormatValue(false, false));
    window->EditBadZone(6); // outside the five zones
    EXPECT_EQ(editedZones, QList<int>{3});

    write->click();
    Child<QToolButton>("sbCountBadZonesWrite")->click();
    EXPECT_EQ(actions, (QStringList{"actBadZonesWrite", "actCountBadZonesWrite"}));
}

TEST_F(FormTalsParTest, ButtonsRunTheMainWindowActions)
{
    const std::pair<const char *, QStringList> cases[] = {
        {"btnReadUserRegisters1", {"actReadUserRegisters1"}},
        {"btnWriteUserRegisters1", {"actWriteUserRegisters1"}},
        {"btnReadInformationRegisters", {"actReadInformationRegisters"}},
        {"btnWriteCommonServiceRegisters", {"actWriteCommonServiceRegisters"}},
        {"btnReadServiceRegisters1", {"actReadServiceRegisters1"}},
        {"btnWriteServiceRegisters2", {"actWriteServiceRegisters2"}},
        {"btnWriteFunctionalRegisters", {"actWriteFunctionalRegisters"}},
        {"bbtnWriteCalibrParam",
         {"actWriteCommonServiceRegisters", "actWriteServiceRegisters2",
          "actWriteFunctionalRegisters", "actCalibrModeWrite"}},
    };
    for (const auto &[button, expected] : cases) {
        actions.clear();
        auto *b = Child<QPushButton>(button);
        ASSERT_NE(b, nullptr) << button;
        b->click();
        EXPECT_EQ(actions, expected) << button;
    }
}

TEST_F(FormTalsParTest, TypicalValuesOnlyAfterYes)
{
    model.SetHmax(5000);
    window->Refresh();
    QPushButton *button = Child<QPushButton>("btnSetDefaults");
    button->click(); // no answer scripted: the default button No
    EXPECT_EQ(dialogs.questions, QStringList{"Установить типовые значения?"});
    EXPECT_EQ(model.Hmax(), 5000);
    EXPECT_EQ(refreshAll, 0);

    dialogs.answers = {TDialogButton::Yes};
    button->click();
    EXPECT_EQ(model.Hmax(), 30000);
    EXPECT_EQ(refreshAll, 1);
    EXPECT_EQ(Edit("enHmax")->text(), FloatToStrF(30000, ffFixed, 15, 1));
}

TEST_F(FormTalsParTest, RefreshKeepsTheTextBeingTyped)
{
    window->show();
    QApplication::setActiveWindow(window.get());
    TEditNum *hmax = Edit("enHmax");
    hmax->setFocus();
    QTest::keyClicks(hmax, QStringLiteral("9"));
    ASSERT_TRUE(hmax->isModified());
    const QString typed = hmax->text();
    if (!hmax->hasFocus())
        GTEST_SKIP() << "no keyboard focus on this platform";
    window->Refresh();
    EXPECT_EQ(hmax->text(), typed);
}

// Pictures of every page at the minimum size for a person to judge.
TEST_F(FormTalsParTest, ScreenshotsOfEveryPage)
{
    modes.FullAccessMode = true;
    window->resize(650, 650);
    window->show();
    window->Refresh();
    const QString folder = QStringLiteral(TALS_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    QTabWidget *pages = window->Pages();
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        const QString path =
            folder + QStringLiteral("/FormTalsPar_") + pages->widget(i)->objectName() + ".png";
        EXPECT_TRUE(window->grab().save(path)) << path.toStdString();
        EXPECT_FALSE(QImage(path).isNull());
    }
}

// ---- the window in the program, on the simulated transducer ----

namespace {

class FormTalsParProgramTest : public ::testing::Test
{
protected:
    FormTalsParProgramTest() : m_oldCurrent(QDir::currentPath())
    {
        QDir::setCurrent(dir.path());
        InstallParametersIni(dir);
    }
    ~FormTalsParProgramTest() override
    {
        QDir::setCurrent(m_oldCurrent);
        SetStartDir(QString());
        SetProgramDir(QString());
    }
    QStringList Arguments() const
    {
        return {QStringLiteral("tals35xi"),
                QStringLiteral("--start-dir"),
                dir.path(),
                QStringLiteral("--program-dir"),
                dir.path(),
                QStringLiteral("--simulate"),
                QStringLiteral("/full")};
    }

    test::ScratchDir dir;
    test::ScriptedDialogs dialogs;

private:
    QString m_oldCurrent;
};

// A value the field and the model both accept, other than the current one.
double OtherValue(const Ttals352 &model, TProp p, const TEditNum &edit)
{
    const double lo = std::max(edit.Minimum(), model.PropertyMin(p));
    const double hi = std::min({edit.Maximum(), model.PropertyMax(p), lo + 1000.0});
    const double scale = std::pow(10.0, edit.Digits());
    double v = std::round((lo + (hi - lo) / 3) * scale) / scale;
    if (v == model.PropertyAsDouble(p))
        v = std::round((lo + (hi - lo) / 2) * scale) / scale;
    return v;
}

} // namespace

TEST_F(FormTalsParProgramTest, EveryRegisterGoesToTheDeviceAndBack)
{
    TApplication app(Arguments());
    app.Start();
    ASSERT_NE(app.Model(), nullptr);
    app.SetInput(std::make_unique<TTextUserInput>());
    RegisterParametersWindow(app);
    Ttals352 &model = *app.Model();
    TFormMain main(app);
    main.show();
    auto *window = qobject_cast<TFormTalsPar *>(main.Windows().Find("FormTalsPar"));
    ASSERT_NE(window, nullptr) << "opened at start-up";
    EXPECT_EQ(VisibleTabs(window->Pages()).size(), 8);

    // Hmax, as the operator does it: edit, write, change the model, read back.
    // (The device refuses an Lmax above Hmax.)
    auto *hmax = window->findChild<TEditNum *>("enHmax");
    Type(window->findChild<TEditNum *>("enLmax"), 10000);
    Type(hmax, 12345);
    EXPECT_EQ(model.Hmax(), 12345);
    window->findChild<QPushButton *>("btnWriteUserRegisters1")->click();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    model.SetHmax(1000);
    main.RefreshAllWindows();
    EXPECT_EQ(hmax->text(), FloatToStrF(1000, ffFixed, 15, 1));
    window->findChild<QPushButton *>("btnReadUserRegisters1")->click();
    EXPECT_EQ(model.Hmax(), 12345);
    EXPECT_EQ(hmax->text(), FloatToStrF(12345, ffFixed, 15, 1));

    // Every other editable register of every page, and one bad zone.
    std::vector<std::pair<TProp, double>> expected;
    for (const TParPage &page : ParameterPages())
        for (const TParGroup &group : page.Groups)
            for (const TParControl &c : group.Controls) {
                if (!c.ObjectName || c.Property == TProp::SystemAddress ||
                    c.Property == TProp::ControlCommand || c.Property == TProp::Hmax ||
                    c.Property == TProp::CountBadZones)
                    continue;
                QWidget *w = window->findChild<QWidget *>(QLatin1String(c.ObjectName));
                ASSERT_NE(w, nullptr) << c.ObjectName;
                double v = 0;
                if (auto *edit = qobject_cast<TEditNum *>(w)) {
                    if (edit->isReadOnly())
                        continue;
                    v = OtherValue(model, c.Property, *edit);
                    Type(edit, v);
                } else if (auto *list = qobject_cast<TiniComboBox *>(w)) {
                    v = (list->currentIndex() + 1) % int(model.PropertyMax(c.Property) + 1);
                    list->setCurrentIndex(int(v));
                } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
                    check->click();
                    v = check->isChecked() ? 1 : 0;
                }
                EXPECT_DOUBLE_EQ(model.PropertyAsDouble(c.Property), v) << c.ObjectName;
                expected.emplace_back(c.Property, model.PropertyAsDouble(c.Property));
            }
    window->Pages()->setCurrentWidget(window->findChild<QWidget *>("tsBadZones"));
    Type(window->findChild<TEditNum *>("enCountBadZones"), 2);
    test::WhenModal([](QWidget *dialog) {
        test::Child<TEditNum>(dialog, "enValue1")->setText(QStringLiteral("1000"));
        test::Child<TEditNum>(dialog, "enValue2")->setText(QStringLiteral("1500"));
        test::Child<TEditNum>(dialog, "enSpeedInc")->setText(QStringLiteral("50"));
        test::Child<TEditNum>(dialog, "enSpeedDec")->setText(QStringLiteral("60"));
        qobject_cast<QDialog *>(dialog)->accept();
    });
    auto *grid = window->findChild<QTableWidget *>("asgBadZones");
    grid->setCurrentCell(1, 0);
    window->findChild<QToolButton *>("sbBadZoneChange")->click();
    ASSERT_EQ(model.BadZone(2).FarBound.Output().ToDouble(), 1500);

    for (const char *button :
         {"btnWriteUserRegisters1", "btnWriteCommonServiceRegisters", "btnWriteServiceRegisters1",
          "btnWriteServiceRegisters2", "btnWriteFunctionalRegisters", "sbCountBadZonesWrite",
          "sbBadZonesWrite"}) {
        auto *b = window->findChild<QAbstractButton *>(QLatin1String(button));
        ASSERT_NE(b, nullptr) << button;
        b->click();
        EXPECT_TRUE(dialogs.messages.isEmpty())
            << button << ": " << dialogs.messages.join('|').toStdString();
    }

    // Forget everything, then read it back from the device.
    dialogs.answers = {TDialogButton::Yes};
    window->findChild<QPushButton *>("btnSetDefaults")->click();
    model.BadZone(2).FarBound.SetValue(TVariant(0));
    ASSERT_EQ(model.CountBadZones(), 1);
    for (const char *button :
         {"btnReadUserRegisters1", "btnReadCommonServiceRegisters", "btnReadServiceRegisters1",
          "btnReadServiceRegisters2", "btnReadFunctionalRegisters", "btnReadInformationRegisters"})
        window->findChild<QPushButton *>(QLatin1String(button))->click();
    main.ExecuteAction("actCountBadZonesRead");
    main.ExecuteAction("actBadZonesRead");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();

    for (const auto &[p, v] : expected) {
        EXPECT_NEAR(model.PropertyAsDouble(p), v, std::abs(v) * 1e-6) << PropertyInfo(p).Name;
        const TParControl *control = nullptr;
        for (const TParPage &page : ParameterPages())
            for (const TParGroup &group : page.Groups)
                for (const TParControl &c : group.Controls)
                    if (c.Property == p) {
                        control = &c;
                    }
        QWidget *w = window->findChild<QWidget *>(QLatin1String(control->ObjectName));
        if (auto *edit = qobject_cast<TEditNum *>(w)) {
            EXPECT_NEAR(edit->Value(), v, std::abs(v) * 1e-6) << control->ObjectName;
        } else if (auto *list = qobject_cast<TiniComboBox *>(w)) {
            EXPECT_EQ(list->currentIndex(), int(v)) << control->ObjectName;
        } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
            EXPECT_EQ(check->isChecked(), v != 0) << control->ObjectName;
        }
    }
    EXPECT_EQ(model.CountBadZones(), 2);
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(model.BadZone(2).FarBound.Output().ToDouble(), 1500);
    EXPECT_EQ(grid->item(1, 2)->text(), model.BadZone(2).FarBound.FormatValue(false, false));
    // The information registers computed by the device are shown.
    EXPECT_NE(model.SCLK(), 0u);
    EXPECT_EQ(window->findChild<QLabel *>("lblSCLK")->text(), QString::number(model.SCLK()));

    // Opening the open window again reloads its lists from Parameters.ini.
    auto *range = window->findChild<TiniComboBox *>("icbCurrentOutput_Range");
    EXPECT_EQ(range->count(), 3);
    const QString ini = dir.file(QStringLiteral("INI/Parameters.ini"));
    test::writeAll(ini, "[\xc4\xe8\xe0\xef\xe0\xe7\xee\xed\xd2\xee\xea\xee\xe2\xee\xe3"
                        "\xee\xc2\xfb\xf5\xee\xe4\xe0]\r\n0=A\r\n1=B\r\n2=C\r\n3=D\r\n");
    const auto before = model.CurrentOutput_Range();
    ASSERT_TRUE(main.ExecuteAction("actTalsParShow"));
    EXPECT_EQ(main.Windows().Find("FormTalsPar"), window);
    EXPECT_EQ(range->count(), 4);
    EXPECT_EQ(range->itemText(1), QStringLiteral("B"));
    EXPECT_EQ(range->currentIndex(), int(before));
    EXPECT_EQ(model.CurrentOutput_Range(), before);

    dialogs.answers = {TDialogButton::Yes};
    EXPECT_TRUE(main.close());
}

TEST_F(FormTalsParTest, SignedIncrementShowsAndTakesNegativeValues)
{
    modes.FullAccessMode = true;
    ASSERT_TRUE(model.SetPropertyFromDouble(TProp::DSdelta, -7));
    window->Refresh();
    TEditNum *edit = Edit("enDSdelta");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->Value(), -7);
    EXPECT_FALSE(edit->OutOfRange());
    EXPECT_EQ(edit->Minimum(), model.PropertyMin(TProp::DSdelta));
    EXPECT_EQ(edit->Maximum(), model.PropertyMax(TProp::DSdelta));

    // Typed key by key, the minus sign first.
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("-12"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(model.PropertyAsDouble(TProp::DSdelta), -12);
    Type(edit, -40000); // below the signed word: the field and the model keep to it
    EXPECT_EQ(model.PropertyAsDouble(TProp::DSdelta), -32768);
}

TEST_F(FormTalsParTest, EveryVisibleTabFitsTheWindowWidth)
{
    for (bool full : {false, true}) {
        SCOPED_TRACE(full);
        modes.FullAccessMode = full;
        window->show();
        window->Refresh();
        QApplication::processEvents();
        QTabBar *bar = window->Pages()->tabBar();
        EXPECT_LE(bar->sizeHint().width(), window->Pages()->width());
        for (int i = 0; i < bar->count(); ++i) {
            if (bar->isTabVisible(i)) {
                EXPECT_LE(bar->tabRect(i).right(), bar->width() - 1) << i;
            }
        }
        EXPECT_GE(window->width(), 650);
    }
}
