#include "ui/dialogs/widget_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tals {

namespace {

QString CaptionOr(const QString &caption)
{
    return caption.isEmpty() ? AttentionCaption() : caption;
}

QMessageBox::Icon BoxIcon(TDialogIcon icon)
{
    switch (icon) {
    case TDialogIcon::Information:
        return QMessageBox::Information;
    case TDialogIcon::Warning:
        return QMessageBox::Warning;
    case TDialogIcon::Error:
        return QMessageBox::Critical;
    case TDialogIcon::Question:
        return QMessageBox::Question;
    case TDialogIcon::None:
        return QMessageBox::NoIcon;
    }
    return QMessageBox::Warning;
}

struct TButtonText
{
    TDialogButton button;
    QMessageBox::StandardButton standard;
    const char *text;
};

// The buttons of a question with their Russian captions.
const TButtonText kButtons[] = {
    {TDialogButton::Yes, QMessageBox::Yes, "Да"},
    {TDialogButton::No, QMessageBox::No, "Нет"},
    {TDialogButton::Cancel, QMessageBox::Cancel, "Отмена"},
    {TDialogButton::Ok, QMessageBox::Ok, "OK"},
};

} // namespace

void TWidgetDialogs::Message(const QString &text, TDialogIcon icon, const QString &caption)
{
    QMessageBox box(BoxIcon(icon), CaptionOr(caption), text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

TDialogButton TWidgetDialogs::Question(const QString &text, const QList<TDialogButton> &buttons,
                                       TDialogButton defaultButton, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, CaptionOr(caption), text, QMessageBox::NoButton,
                    m_parent);
    box.setObjectName(QStringLiteral("QuestionBox"));
    QList<TDialogButton> offered = buttons;
    if (offered.isEmpty())
        offered = {TDialogButton::Yes, TDialogButton::No};
    QAbstractButton *defaultWidget = nullptr;
    QHash<QAbstractButton *, TDialogButton> meaning;
    for (const TButtonText &b : kButtons) {
        if (!offered.contains(b.button))
            continue;
        QPushButton *w = box.addButton(b.standard);
        w->setText(QString::fromUtf8(b.text));
        meaning.insert(w, b.button);
        if (b.button == defaultButton)
            defaultWidget = w;
    }
    if (defaultWidget) {
        box.setDefaultButton(static_cast<QPushButton *>(defaultWidget));
        // Escape and the title-bar button give the default answer.
        box.setEscapeButton(defaultWidget);
    }
    box.exec();
    const auto it = meaning.constFind(box.clickedButton());
    return it != meaning.constEnd() ? it.value() : defaultButton;
}

bool TWidgetDialogs::InputText(const QString &caption, const QString &prompt, QString &value)
{
    QInputDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("InputTextDialog"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

QString TWidgetDialogs::OpenFileName(const QString &caption, const QString &folder,
                                     const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, folder, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QString TWidgetDialogs::SaveFileName(const QString &caption, const QString &folder,
                                     const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, folder, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

} // namespace tals
