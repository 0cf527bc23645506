#include "ui/dialogs/widget_dialogs.h"

#include "tests/ui/modal_test_support.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using tals::TDialogButton;
using tals::TDialogIcon;
using tals::TWidgetDialogs;

namespace {

struct TSeenBox
{
    QString title;
    QString text;
    QString defaultText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
};

// Inspects the open message box, then presses its default button (or
// Escape when asked).
void InspectAndAnswer(TSeenBox &seen, bool escape = false)
{
    tals::test::WhenModal([&seen, escape](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = int(box->buttons().size());
        QPushButton *def = box->defaultButton();
        seen.defaultText = def ? def->text() : QString();
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (def)
            def->click();
        else
            box->reject();
    });
}

} // namespace

TEST(WidgetDialogs, QuestionsPressTheRequestedDefault)
{
    struct Case
    {
        QList<TDialogButton> buttons;
        TDialogButton def;
        const char *defaultText;
    };
    const Case cases[] = {
        {{TDialogButton::Yes, TDialogButton::No}, TDialogButton::No, "Нет"},
        {{TDialogButton::Yes, TDialogButton::No}, TDialogButton::Yes, "Да"},
        {{TDialogButton::Yes, TDialogButton::No, TDialogButton::Cancel},
         TDialogButton::Cancel,
         "Отмена"},
        {{TDialogButton::Yes, TDialogButton::No, TDialogButton::Cancel}, TDialogButton::Yes, "Да"},
    };
    TWidgetDialogs dialogs;
    for (const Case &c : cases) {
        TSeenBox seen;
        InspectAndAnswer(seen);
        const TDialogButton answer =
            dialogs.Question(QStringLiteral("Завершить работу?"), c.buttons, c.def);
        EXPECT_EQ(answer, c.def);
        EXPECT_EQ(seen.title, QStringLiteral("Внимание"));
        EXPECT_EQ(seen.text, QStringLiteral("Завершить работу?"));
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(seen.buttons, int(c.buttons.size()));
        EXPECT_EQ(seen.defaultText, QString::fromUtf8(c.defaultText));
    }
}

TEST(WidgetDialogs, EscapeGivesTheDefaultAnswer)
{
    TWidgetDialogs dialogs;
    TSeenBox seen;
    InspectAndAnswer(seen, true);
    EXPECT_EQ(dialogs.Question(QStringLiteral("Установить типовые значения?"),
                               {TDialogButton::Yes, TDialogButton::No}, TDialogButton::No),
              TDialogButton::No);
}

TEST(WidgetDialogs, MessagesCarryCaptionAndIcon)
{
    TWidgetDialogs dialogs;
    TSeenBox seen;
    InspectAndAnswer(seen);
    dialogs.Message(QStringLiteral("Ошибка активации порта :COM1"), TDialogIcon::Error);
    EXPECT_EQ(seen.title, QStringLiteral("Внимание"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.defaultText, QStringLiteral("OK"));

    InspectAndAnswer(seen);
    dialogs.Message(QStringLiteral("Новый системный адрес прибора: 5"), TDialogIcon::Information,
                    QStringLiteral("Системный адрес записан!"));
    EXPECT_EQ(seen.title, QStringLiteral("Системный адрес записан!"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
}

TEST(WidgetDialogs, InputTextReturnsTheEditedTextOnOk)
{
    TWidgetDialogs dialogs;
    QString title, label;
    tals::test::WhenModal([&](QWidget *w) {
        auto *input = qobject_cast<QInputDialog *>(w);
        ASSERT_NE(input, nullptr);
        title = input->windowTitle();
        label = input->labelText();
        input->setTextValue(QStringLiteral("12345"));
        input->accept();
    });
    QString value = QStringLiteral("old");
    EXPECT_TRUE(dialogs.InputText(QStringLiteral("ППМ"), QStringLiteral("Номер ППМ"), value));
    EXPECT_EQ(value, QStringLiteral("12345"));
    EXPECT_EQ(title, QStringLiteral("ППМ"));
    EXPECT_EQ(label, QStringLiteral("Номер ППМ"));

    tals::test::WhenModal([](QWidget *w) {
        qobject_cast<QInputDialog *>(w)->setTextValue(QStringLiteral("lost"));
        qobject_cast<QInputDialog *>(w)->reject();
    });
    EXPECT_FALSE(dialogs.InputText(QStringLiteral("ННЗ"), QStringLiteral("Номер Н/З"), value));
    EXPECT_EQ(value, QStringLiteral("12345"));
}
