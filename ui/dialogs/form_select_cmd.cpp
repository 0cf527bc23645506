#include "ui/dialogs/form_select_cmd.h"

#include "device/program_modes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace tals {

namespace {

// The small picture beside a check box: a coloured disc with a letter.
QPixmap Picture(const QColor &colour, const QString &letter)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(colour.darker(150));
    painter.drawEllipse(1, 1, 14, 14);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
    return pixmap;
}

} // namespace

TFormSelectCMD::TFormSelectCMD(TPollSelection &selection, const TProgramModes &modes,
                               QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_selection(selection), m_modes(modes)
{
    setObjectName(QStringLiteral("FormSelectCMD"));
    setWindowTitle(QStringLiteral("Команды ТАЛС35xИ"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    struct TRow
    {
        QCheckBox **box;
        QLabel **picture;
        const char *name;
        const char *pictureName;
        const char *caption;
        QColor colour;
        const char *letter;
    };
    const TRow rows[] = {
        {&chbReadValues, &imgReadValues, "chbReadValues", "imgReadValues",
         "Общие пользовательские регистры", QColor(0, 120, 215), "П"},
        {&chbReadTestDistances, &imgReadTestDistances, "chbReadTestDistances",
         "imgReadTestDistances", "Тестовые расстояния", QColor(0, 150, 70), "Т"},
        {&chbCurrentOutput, &imgCurrentOutput, "chbCurrentOutput", "imgCurrentOutput",
         "Токовый выход", QColor(200, 110, 0), "I"},
        {&chbSelectAll, &imgSelectAll, "chbSelectAll", "imgSelectAll", "Выделить все",
         QColor(110, 110, 110), "В"},
    };
    int top = 5;
    int widest = 217;
    for (const TRow &row : rows) {
        auto *picture = new QLabel(this);
        picture->setObjectName(QLatin1String(row.pictureName));
        picture->setPixmap(Picture(row.colour, QString::fromUtf8(row.letter)));
        picture->setGeometry(6, top + 2, 16, 16);
        auto *box = new QCheckBox(QString::fromUtf8(row.caption), this);
        box->setObjectName(QLatin1String(row.name));
        // As wide as its caption needs in the font in use.
        box->ensurePolished();
        widest = std::max(widest, box->sizeHint().width());
        box->setGeometry(28, top, widest, 20);
        *row.box = box;
        *row.picture = picture;
        top += 24;
    }
    chbSelectAll->setToolTip(QStringLiteral("Выделить все команды"));
    for (QCheckBox *box : {chbReadValues, chbReadTestDistances, chbCurrentOutput, chbSelectAll})
        box->resize(widest, box->height());
    setFixedSize(std::max(250, 28 + widest + 5), 105);

    connect(chbReadValues, &QCheckBox::toggled, this,
            [this](bool on) { m_selection.SetPolled(kReadReadingsCode, on); });
    connect(chbReadTestDistances, &QCheckBox::toggled, this,
            [this](bool on) { m_selection.SetPolled(kReadTestDistancesCode, on); });
    connect(chbCurrentOutput, &QCheckBox::toggled, this,
            [this](bool on) { m_selection.SetCurrentMeterPolled(on); });
    connect(chbSelectAll, &QCheckBox::toggled, this, &TFormSelectCMD::SelectAll);

    chbReadValues->setChecked(true);
    Refresh();
}

TFormSelectCMD *TFormSelectCMD::ShowCommandSelection(QPointer<TFormSelectCMD> &window,
                                                     TPollSelection &selection,
                                                     const TProgramModes &modes, QWidget *parent)
{
    if (!window)
        window = new TFormSelectCMD(selection, modes, parent);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void TFormSelectCMD::Refresh()
{
    const bool full = m_modes.FullAccessMode;
    for (QWidget *w :
         {static_cast<QWidget *>(chbReadTestDistances),
          static_cast<QWidget *>(imgReadTestDistances), static_cast<QWidget *>(chbCurrentOutput),
          static_cast<QWidget *>(imgCurrentOutput)})
        w->setVisible(full);
}

void TFormSelectCMD::SelectAll(bool checked)
{
    chbReadValues->setChecked(checked);
    chbReadTestDistances->setChecked(checked);
    chbCurrentOutput->setChecked(m_modes.FullAccessMode && checked);
}

void TFormSelectCMD::reject()
{
    close();
}

void TFormSelectCMD::showEvent(QShowEvent *event)
{
    Refresh();
    QDialog::showEvent(event);
}

void TFormSelectCMD::closeEvent(QCloseEvent *event)
{
    emit Closing(this);
    // Not the dialog's own handling, which would route the close through reject().
    event->accept();
}

} // namespace tals
