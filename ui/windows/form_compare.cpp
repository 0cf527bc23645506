#include "ui/windows/form_compare.h"

#include "platform/format_settings.h"
#include "ui/application/window_position.h"
#include "ui/reports/rep_compare.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tals {

namespace {

QPushButton *Button(const char *name, const QString &text, const QString &hint)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    return button;
}

} // namespace

TFormCompare::TFormCompare(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormCompare"));
    setWindowTitle(QStringLiteral("Сравнение параметров"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("lblCount"));
    m_device = new QLabel;
    m_device->setObjectName(QStringLiteral("lblDevice"));

    m_table = new QTableWidget(0, 4);
    m_table->setObjectName(QStringLiteral("sgDifferences"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < 4; ++c)
        m_table->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

    QPushButton *copy = Button("btnCopy", QStringLiteral("Копировать"),
                               QStringLiteral("Копировать список в буфер обмена"));
    QPushButton *print =
        Button("btnPrint", QStringLiteral("Печать..."), QStringLiteral("Напечатать список"));
    QPushButton *close = Button("btnClose", QStringLiteral("Закрыть"), QStringLiteral("Закрыть"));
    connect(copy, &QPushButton::clicked, this, &TFormCompare::CopyToClipboard);
    connect(print, &QPushButton::clicked, this, &TFormCompare::PrintList);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_count, 1);
    buttons->addWidget(copy);
    buttons->addWidget(print);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_device);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto *copyKey = new QShortcut(QKeySequence::Copy, this);
    connect(copyKey, &QShortcut::activated, this, &TFormCompare::CopyToClipboard);

    resize(820, 520);
    RestoreWindowPlacement(*this);
}

void TFormCompare::SetComparison(const TComparison &comparison)
{
    m_comparison = comparison;
    m_title->setText(comparison.Title);
    m_device->setText(ComparisonHeading(comparison));
    const QList<TModelDifference> &list = comparison.Differences;
    m_count->setText(list.isEmpty() ? QStringLiteral("Различий нет")
                                    : QStringLiteral("Различий: %1").arg(list.size()));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Параметр"), QStringLiteral("Имя"),
                                        comparison.OursTitle, comparison.TheirsTitle});
    m_table->setRowCount(int(list.size()));
    const QChar decimal = FormatSettings().DecimalSeparator;
    for (int r = 0; r < list.size(); ++r) {
        const TModelDifference &d = list[r];
        const QString texts[4] = {d.Caption, d.Name, StoredValueText(d.Encoding, d.Ours, decimal),
                                  StoredValueText(d.Encoding, d.Theirs, decimal)};
        for (int c = 0; c < 4; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (c >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == 0)
                item->setToolTip(texts[c]);
            m_table->setItem(r, c, item);
        }
    }
}

QString ComparisonHeading(const TComparison &comparison)
{
    QStringList parts;
    if (!comparison.Device.isEmpty())
        parts << QStringLiteral("Прибор: ") + comparison.Device;
    if (comparison.Time.isValid())
        parts << QStringLiteral("Сравнение: ") +
                     comparison.Time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    return parts.join(QStringLiteral("; "));
}

QString TFormCompare::ClipboardText() const
{
    return DifferencesText(m_comparison.Differences, m_comparison.OursTitle,
                           m_comparison.TheirsTitle, FormatSettings().DecimalSeparator);
}

void TFormCompare::CopyToClipboard()
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(ClipboardText());
}

void TFormCompare::PrintList()
{
    TRepCompare(m_comparison).Preview(this);
}

void TFormCompare::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

} // namespace tals
