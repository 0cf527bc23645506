#include "ui/reports/rep_compare.h"

#include "platform/format_settings.h"
#include "ui/reports/report.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <array>
#include <memory>

namespace tals {

namespace {

// Share of the table's width per column: caption, name, ours, theirs.
constexpr std::array<double, 4> kColumns{0.5, 0.2, 0.15, 0.15};

QPageLayout CompareLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(20, 15, 10, 15),
                       QPageLayout::Millimeter);
}

QFont PrintFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

TRepCompare::TRepCompare(TComparison comparison) : m_comparison(std::move(comparison)) {}

void TRepCompare::Print(QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF area(0, 0, page.width(), page.height());
    const QChar decimal = FormatSettings().DecimalSeparator;

    const QFont titleFont = PrintFont(13, true);
    const QFont textFont = PrintFont(9);
    const QFont headFont = PrintFont(9, true);
    painter.setFont(textFont);
    const double row = painter.fontMetrics().height() * 1.5;
    const double pad = painter.fontMetrics().averageCharWidth() * 0.8;

    std::array<double, 5> x{};
    x[0] = area.left();
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        x[i + 1] = x[i] + kColumns[i] * area.width();

    auto cells = [&](double y, const std::array<QString, 4> &texts, bool head) {
        painter.setFont(head ? headFont : textFont);
        if (head)
            painter.fillRect(QRectF(x[0], y, area.width(), row), QColor(230, 230, 230));
        painter.setPen(QPen(Qt::black, 0));
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const QRectF cell(x[i], y, x[i + 1] - x[i], row);
            painter.drawRect(cell);
            const QRectF inner = cell.adjusted(pad, 0, -pad, 0);
            const Qt::Alignment align =
                (i >= 2 && !head ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            painter.drawText(
                inner, align,
                painter.fontMetrics().elidedText(texts[i], Qt::ElideRight, int(inner.width())));
        }
    };

    int pageNumber = 1;
    auto footer = [&] {
        painter.setFont(textFont);
        painter.drawText(QRectF(area.left(), area.bottom() - row, area.width(), row),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Страница %1").arg(pageNumber));
    };
    const std::array<QString, 4> head{QStringLiteral("Параметр"), QStringLiteral("Имя"),
                                      m_comparison.OursTitle, m_comparison.TheirsTitle};

    double y = area.top();
    painter.setFont(titleFont);
    const double titleHeight = painter.fontMetrics().height() * 1.6;
    painter.drawText(QRectF(area.left(), y, area.width(), titleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, m_comparison.Title);
    y += titleHeight;
    painter.setFont(textFont);
    const QString when =
        QStringLiteral("Отпечатано: ") +
        QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    const QString count = m_comparison.Differences.isEmpty()
                              ? QStringLiteral("Различий нет")
                              : QStringLiteral("Различий: %1").arg(m_comparison.Differences.size());
    QStringList lines{QStringLiteral("Наши значения: ") + m_comparison.OursTitle,
                      QStringLiteral("Сравниваются с: ") + m_comparison.TheirsTitle};
    if (!m_comparison.Device.isEmpty())
        lines << QStringLiteral("Прибор: ") + m_comparison.Device;
    if (m_comparison.Time.isValid())
        lines << QStringLiteral("Сравнение: ") +
                     m_comparison.Time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    lines << when << count;
    for (const QString &line : lines) {
        painter.drawText(QRectF(area.left(), y, area.width(), row),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += row;
    }
    y += row / 2;
    cells(y, head, true);
    y += row;
    const double bottom = area.bottom() - 1.5 * row; // room for the page number
    for (const TModelDifference &d : m_comparison.Differences) {
        if (y + row > bottom) {
            footer();
            printer.newPage();
            ++pageNumber;
            y = area.top();
            cells(y, head, true);
            y += row;
        }
        cells(y,
              {d.Caption, d.Name, StoredValueText(d.Encoding, d.Ours, decimal),
               StoredValueText(d.Encoding, d.Theirs, decimal)},
              false);
        y += row;
    }
    footer();
    painter.end();
}

bool TRepCompare::SaveToPdf(const QString &path)
{
    return PrintToPdf(path, CompareLayout(), m_comparison.Title,
                      [this](QPrinter &printer) { Print(printer); });
}

void TRepCompare::Preview(QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(CompareLayout());
    printer.setDocName(m_comparison.Title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр: ") + m_comparison.Title);
    dialog.resize(900, 720);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter *p) { Print(*p); });
    TranslatePrintPreview(dialog);
    dialog.exec();
}

} // namespace tals
