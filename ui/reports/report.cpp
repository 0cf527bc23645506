#include "ui/reports/report.h"

#include "platform/dialogs.h"
#include "platform/paths.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

#include <qcustomplot.h>

namespace tals {

namespace {

constexpr double kLeftMargin = 20;
constexpr double kTopMargin = 20;
constexpr double kRightMargin = 10;
constexpr double kBottomMargin = 20;
constexpr double kTextFieldHeight = 4.5;

double Pt(double mm)
{
    return mm * kPointsPerMm;
}

// A font whose size is given in page units (points), see UsePageUnitFonts.
QFont PageFont(double pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(qMax(1, qRound(pointSize)));
    font.setBold(bold);
    return font;
}

QFont ToPageUnits(QFont font)
{
    if (font.pointSizeF() > 0)
        font.setPixelSize(qMax(1, qRound(font.pointSizeF())));
    return font;
}

// The print preview's own commands in Russian.
void TranslatePreview(QPrintPreviewDialog &dialog)
{
    static const struct
    {
        const char *english;
        const char *russian;
    } kTexts[] = {
        {"Next page", "Следующая страница"},
        {"Previous page", "Предыдущая страница"},
        {"First page", "Первая страница"},
        {"Last page", "Последняя страница"},
        {"Fit width", "По ширине"},
        {"Fit page", "Страница целиком"},
        {"Zoom in", "Увеличить"},
        {"Zoom out", "Уменьшить"},
        {"Portrait", "Книжная"},
        {"Landscape", "Альбомная"},
        {"Show single page", "Одна страница"},
        {"Show facing pages", "Развороты"},
        {"Show overview of all pages", "Все страницы"},
        {"Print", "Печать"},
        {"Page setup", "Параметры страницы"},
        {"Close", "Закрыть"},
    };
    for (QAction *action : dialog.findChildren<QAction *>()) {
        for (const auto &t : kTexts) {
            if (action->text() == QLatin1String(t.english)) {
                action->setText(QString::fromUtf8(t.russian));
                action->setToolTip(QString::fromUtf8(t.russian));
                break;
            }
        }
    }
}

} // namespace

void TranslatePrintPreview(QPrintPreviewDialog &dialog)
{
    TranslatePreview(dialog);
}

// ---- TReportLabel ----

QString TReportLabel::Text() const
{
    const QDateTime now = QDateTime::currentDateTime();
    switch (m_kind) {
    case TKind::Date: // fits its 21.4 mm whatever the locale
        return now.date().toString(QStringLiteral("dd.MM.yyyy"));
    case TKind::Time:
        return now.time().toString(QStringLiteral("HH:mm:ss"));
    case TKind::Label:
        break;
    }
    return m_text;
}

// ---- TReport ----

TReport::TReport(const QString &name) : m_name(name) {}

TReport::~TReport() = default;

TReportLabel *TReport::Label(const QString &name)
{
    for (const auto &label : m_labels)
        if (label->m_name == name)
            return label.get();
    return nullptr;
}

TReportLabel &TReport::AddLabel(const QString &name, double left, double top, const QString &text,
                                double width, double height, Qt::Alignment alignment,
                                double pointSize, bool bold)
{
    auto label = std::make_unique<TReportLabel>();
    label->m_name = name;
    label->m_text = text;
    label->m_geometry = QRectF(left, top, width, height);
    label->m_alignment = alignment;
    label->m_pointSize = pointSize;
    label->m_bold = bold;
    m_labels.push_back(std::move(label));
    return *m_labels.back();
}

TReportLabel &TReport::AddField(TReportLabel::TKind kind, const QString &name, double left,
                                double top, double width, double height)
{
    TReportLabel &field = AddLabel(name, left, top, QString(), width, height, Qt::AlignHCenter);
    field.m_kind = kind;
    return field;
}

void TReport::AddCreatedLine(double top, double labelLeft, double dateLeft, double timeLeft)
{
    AddLabel(QStringLiteral("QRLabel9"), labelLeft, top, QStringLiteral("Отчет создан:"));
    AddField(TReportLabel::TKind::Date, QStringLiteral("QRSysData1"), dateLeft, top, 21.4,
             kTextFieldHeight);
    AddField(TReportLabel::TKind::Time, QStringLiteral("QRSysData2"), timeLeft, top, 11.1,
             kTextFieldHeight);
}

void TReport::AddChart(double left, double top, double width, double height, const QColor &color,
                       bool dateTimeX, bool legend)
{
    m_chartGeometry = QRectF(left, top, width, height);
    m_chart = std::make_unique<QCustomPlot>();
    m_chart->setObjectName(QStringLiteral("QRChart"));
    m_chart->resize(qRound(Pt(width)), qRound(Pt(height)));
    m_chart->setBackground(Qt::white);

    const QFont tickFont = PageFont(8, false);
    const QFont titleFont = PageFont(9, false);
    for (QCPAxis *axis : m_chart->axisRect()->axes()) {
        axis->setTickLabelFont(tickFont);
        axis->setLabelFont(titleFont);
    }
    if (dateTimeX) {
        auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
        ticker->setDateTimeFormat(QStringLiteral("dd.MM.yy hh:mm:ss"));
        m_chart->xAxis->setTicker(ticker);
    }

    m_series = m_chart->addGraph();
    m_series->setName(QStringLiteral("Series1"));
    m_series->setPen(QPen(color, 1));
    m_series->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, color, color, 3));

    m_chart->legend->setFont(PageFont(8, false));
    if (legend) {
        // The legend below the plotting area, its entries side by side.
        m_chart->legend->setVisible(true);
        auto *row = new QCPLayoutGrid;
        m_chart->plotLayout()->addElement(1, 0, row);
        m_chart->plotLayout()->setRowStretchFactor(1, 0.001);
        m_chart->axisRect()->insetLayout()->take(m_chart->legend);
        row->addElement(0, 0, m_chart->legend);
        m_chart->legend->setFillOrder(QCPLegend::foColumnsFirst);
        row->setMargins(QMargins(0, 0, 0, 2));
    } else {
        m_chart->legend->setVisible(false);
    }
}

QPageLayout TReport::PageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                       QMarginsF(kLeftMargin, kTopMargin, kRightMargin, kBottomMargin),
                       QPageLayout::Millimeter);
}

void TReport::PaintLabel(QPainter &painter, const TReportLabel &label) const
{
    const QString text = label.Text();
    const QFont font = PageFont(label.PointSize(), label.Bold());
    painter.setFont(font);
    const QRectF g = label.Geometry();
    const double height = g.height() > 0 ? Pt(g.height()) : QFontMetricsF(font).height();
    const double wide = Pt(kBandWidth); // room for a label that follows its text
    QRectF box;
    Qt::Alignment align = label.Alignment();
    if (g.width() > 0) {
        box = QRectF(Pt(g.left()), Pt(g.top()), Pt(g.width()), height);
        if (label.Kind() != TReportLabel::TKind::Label) {
            // A system field narrower than its text (the time at 10 pt) grows
            // to the right, so it never runs into the field before it; the
            // line under it follows.
            const double textWidth = QFontMetricsF(font).horizontalAdvance(text);
            if (textWidth > box.width()) {
                box.setWidth(textWidth);
                align = (align & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
            }
            painter.setPen(QPen(Qt::black, 0.5));
            painter.drawLine(QPointF(box.left(), box.bottom()), QPointF(box.right(), box.bottom()));
        }
    } else if (align & Qt::AlignHCenter) {
        box = QRectF(0, Pt(g.top()), Pt(kBandWidth), height);
    } else if (align & Qt::AlignRight) {
        box = QRectF(Pt(g.left()) - wide, Pt(g.top()), wide, height);
    } else {
        box = QRectF(Pt(g.left()), Pt(g.top()), wide, height);
    }
    painter.setPen(Qt::black);
    painter.drawText(box, int(align | Qt::AlignTop) | Qt::TextDontClip, text);
}

void TReport::PaintChart(QCPPainter &painter)
{
    if (!m_chart)
        return;
    UsePageUnitFonts(*m_chart);
    painter.save();
    painter.translate(Pt(m_chartGeometry.left()), Pt(m_chartGeometry.top()));
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setClipRect(QRectF(0, 0, Pt(m_chartGeometry.width()), Pt(m_chartGeometry.height())));
    m_chart->toPainter(&painter, qRound(Pt(m_chartGeometry.width())),
                       qRound(Pt(m_chartGeometry.height())));
    painter.restore();
}

void TReport::PaintPage(QCPPainter &painter, double dpi, const QMarginsF &marginsMm)
{
    painter.save();
    const double scale = dpi / 72.0;
    painter.scale(scale, scale);
    painter.translate(Pt(marginsMm.left()), Pt(marginsMm.top()));

    PaintChart(painter);
    for (const auto &label : m_labels)
        PaintLabel(painter, *label);

    // The frame around the band, drawn even on an empty page, over the chart's
    // background.
    painter.setPen(QPen(Qt::black, 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, 0, Pt(kBandWidth), Pt(kBandHeight)));
    painter.restore();
}

void TReport::Print(QPrinter &printer)
{
    printer.setFullPage(true); // positions count from the paper's corner
    QCPPainter painter;
    if (!painter.begin(&printer))
        return;
    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    PaintPage(painter, printer.resolution(), margins);
    painter.end();
}

bool PrintToPdf(const QString &path, const QPageLayout &layout, const QString &docName,
                const std::function<void(QPrinter &)> &print)
{
    if (path.isEmpty() || !ForceDirectories(QFileInfo(path).absolutePath()))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(layout);
    printer.setDocName(docName);
    printer.setCreator(QStringLiteral("tals35xi"));
    print(printer);
    const QFileInfo info(path);
    return info.exists() && info.size() > 0;
}

bool TReport::SaveToPdf(const QString &path)
{
    return PrintToPdf(path, PageLayout(), m_name, [this](QPrinter &printer) { Print(printer); });
}

QImage TReport::RenderPage(double dpi)
{
    const QSizeF paper = PageLayout().fullRect(QPageLayout::Millimeter).size();
    QImage image(qRound(paper.width() / 25.4 * dpi), qRound(paper.height() / 25.4 * dpi),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QCPPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintPage(painter, dpi, PageLayout().margins(QPageLayout::Millimeter));
    painter.end();
    return image;
}

QPrintPreviewDialog *TReport::CreatePreview(QWidget *parent)
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageLayout(PageLayout());
        m_printer->setDocName(m_name);
    }
    auto *dialog = new QPrintPreviewDialog(m_printer.get(), parent);
    dialog->setObjectName(QStringLiteral("PrintPreview"));
    dialog->setWindowTitle(QStringLiteral("Предварительный просмотр: ") + m_name);
    dialog->resize(1000, 720);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [this](QPrinter *printer) { Print(*printer); });
    TranslatePreview(*dialog);

    // Reports go out by mail: the page also as a PDF file.
    auto *save = new QAction(QStringLiteral("Сохранить в PDF"), dialog);
    save->setObjectName(QStringLiteral("actSavePdf"));
    save->setIcon(QIcon(QStringLiteral(":/icons/save.png")));
    QObject::connect(save, &QAction::triggered, dialog, [this] {
        QString path = Dialogs().SaveFileName(QStringLiteral("Сохранить в PDF"), StartDir(),
                                              QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return;
        if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            path += QStringLiteral(".pdf");
        if (!SaveToPdf(path))
            Dialogs().Message(QStringLiteral("Не удалось сохранить отчет в файл\r") + path,
                              TDialogIcon::Warning);
    });
    if (auto *toolBar = dialog->findChild<QToolBar *>()) {
        toolBar->addSeparator();
        toolBar->addAction(save);
        toolBar->widgetForAction(save)->setObjectName(QStringLiteral("tbtnSavePdf"));
    } else {
        dialog->addAction(save);
    }
    return dialog;
}

void TReport::Preview(QWidget *parent)
{
    std::unique_ptr<QPrintPreviewDialog> dialog(CreatePreview(parent));
    dialog->exec();
}

void UsePageUnitFonts(QCustomPlot &chart)
{
    for (QCPAxisRect *rect : chart.axisRects()) {
        for (QCPAxis *axis : rect->axes()) {
            axis->setTickLabelFont(ToPageUnits(axis->tickLabelFont()));
            axis->setLabelFont(ToPageUnits(axis->labelFont()));
            axis->setSelectedTickLabelFont(ToPageUnits(axis->selectedTickLabelFont()));
            axis->setSelectedLabelFont(ToPageUnits(axis->selectedLabelFont()));
        }
    }
    if (QCPLegend *legend = chart.legend) {
        legend->setFont(ToPageUnits(legend->font()));
        legend->setSelectedFont(ToPageUnits(legend->selectedFont()));
        for (int i = 0; i < legend->itemCount(); ++i) {
            if (QCPAbstractLegendItem *item = legend->item(i)) {
                item->setFont(ToPageUnits(item->font()));
                item->setSelectedFont(ToPageUnits(item->selectedFont()));
            }
        }
    }
    for (QCPLayoutElement *element : chart.plotLayout()->elements(true))
        if (auto *text = qobject_cast<QCPTextElement *>(element))
            text->setFont(ToPageUnits(text->font()));
    for (int i = 0; i < chart.itemCount(); ++i)
        if (auto *text = qobject_cast<QCPItemText *>(chart.item(i)))
            text->setFont(ToPageUnits(text->font()));
}

} // namespace tals
