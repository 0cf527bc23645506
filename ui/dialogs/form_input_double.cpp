#include "ui/dialogs/form_input_double.h"

#include "platform/number_format.h"
#include "ui/controls/edit_num.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace tals {

namespace {

constexpr int kInputWidth = 121;
constexpr int kInputHeight = 21;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

QPushButton *MakeButton(QDialog &dialog, const QString &text, const QString &name)
{
    auto *button = new QPushButton(text, &dialog);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

QPushButton *MakeOkButton(QDialog &dialog)
{
    QPushButton *ok = MakeButton(dialog, QStringLiteral("OK"), QStringLiteral("btnOK"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    return ok;
}

QPushButton *MakeCancelButton(QDialog &dialog)
{
    QPushButton *cancel =
        MakeButton(dialog, QStringLiteral("Отменить"), QStringLiteral("btnCancel"));
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return cancel;
}

void PlaceEntryControls(QDialog &dialog, QLabel &prompt, QWidget &input, QPushButton &ok,
                        QPushButton &cancel)
{
    const int promptWidth = prompt.fontMetrics().horizontalAdvance(prompt.text()) + 2;
    const int inputWidth = kInputWidth;
    const int a = promptWidth + inputWidth + 15;
    const int b = 2 * kButtonWidth + 15;
    const int width = std::max(a, b) + 8;
    const int rowTop = 12;
    const int promptHeight = std::max(prompt.sizeHint().height(), kInputHeight);
    prompt.setGeometry(5, rowTop, promptWidth, promptHeight);
    const int inputLeft = b < a ? 5 + promptWidth + 10 : width - 5 - inputWidth;
    input.setGeometry(inputLeft, rowTop, inputWidth, kInputHeight);
    const int buttonTop = rowTop + promptHeight + 12;
    cancel.setGeometry(width - 5 - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    ok.setGeometry(width - 5 - 2 * kButtonWidth - 4, buttonTop, kButtonWidth, kButtonHeight);
    dialog.setFixedSize(width, buttonTop + kButtonHeight + 10);
    // Centred on the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.move(area.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
}

TFormInputDouble::TFormInputDouble(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormInputDouble"));
    setWindowTitle(QStringLiteral("Введите"));
    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    enValue = new TEditNum(this);
    enValue->setObjectName(QStringLiteral("enValue"));
    btnOK = MakeOkButton(*this);
    btnCancel = MakeCancelButton(*this);
    PlaceEntryControls(*this, *lblCaption, *enValue, *btnOK, *btnCancel);
    enValue->setFocus();
}

void TFormInputDouble::Setup(const QString &caption, const QString &prompt, int decimals,
                             double value, double minimum, double maximum)
{
    setWindowTitle(caption);
    lblCaption->setText(prompt);
    enValue->SetRange(minimum, maximum);
    enValue->setText(FloatToStrF(value, ffFixed, 9, std::clamp(decimals, 0, 18)));
    enValue->setModified(false);
    enValue->selectAll();
    PlaceEntryControls(*this, *lblCaption, *enValue, *btnOK, *btnCancel);
}

void TFormInputDouble::accept()
{
    double value = 0;
    QPalette p = enValue->palette();
    if (!TryStrToFloat(enValue->text(), value)) {
        p.setColor(QPalette::Base, Qt::red);
        enValue->setPalette(p);
        return;
    }
    p.setColor(QPalette::Base, Qt::white);
    enValue->setPalette(p);
    // The prompt states the limits, so the result keeps to them.
    if (enValue->CheckRange())
        value = std::clamp(value, enValue->Minimum(), enValue->Maximum());
    m_result = value;
    QDialog::accept();
}

bool TryInputDouble(const QString &caption, const QString &prompt, int decimals, double &value,
                    double minimum, double maximum)
{
    TFormInputDouble dialog;
    dialog.Setup(caption, prompt, decimals, value, minimum, maximum);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.Result();
    return true;
}

double InputDouble(const QString &caption, const QString &prompt, int decimals, double value,
                   double minimum, double maximum)
{
    TryInputDouble(caption, prompt, decimals, value, minimum, maximum);
    return value;
}

} // namespace tals
