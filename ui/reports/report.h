#pragma once

// One-page printed reports on A4 landscape: labels, the date and time of
// printing and one embedded chart, placed in millimetres on the report's title
// band (267.2 x 169.6 mm inside margins of 20 mm left, top and bottom and
// 10 mm right, with a thin frame around it).
//
// How a window uses a report (the five exist once for the whole run, reached
// through TApplication::Reports()):
//
//     TRepKalibr &report = app.Reports().Kalibr();
//     report.Title.SetText(QStringLiteral("Калибровка"));  // a label keeps its text until
//     report.qrlPlantNumber.SetText(QStringLiteral("1234")); // the next window rewrites it
//     report.Label(QStringLiteral("QRLabel3"))->SetText(...); // any element by its name
//     report.Series()->setData(x, y);        // Series1 of the chart
//     report.Chart()->xAxis->setRange(0, 10000); // the chart is a QCustomPlot
//     report.Preview(this);                  // print preview: print, printer set-up, zoom,
//                                            // page view and "Сохранить в PDF"
//     report.SaveToPdf(path); report.Print(printer); report.RenderPage(96);
//
// The chart is drawn as vectors into the printer at its size on paper; its
// fonts keep their point sizes (a 10 pt label is 10 pt on paper at any printer
// resolution).

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QCPGraph;
class QCPPainter;
class QCustomPlot;
class QPainter;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;

namespace tals {

class TReport;

// The print preview's own commands in Russian.
void TranslatePrintPreview(QPrintPreviewDialog &dialog);
// Prints into a PDF file at path (its folders are created); true when the
// file was written.
bool PrintToPdf(const QString &path, const QPageLayout &layout, const QString &docName,
                const std::function<void(QPrinter &)> &print);

// A text element of a report: a static label or a system field.
class TReportLabel
{
public:
    enum class TKind { Label, Date, Time };

    QString Name() const { return m_name; }
    TKind Kind() const { return m_kind; }
    // The label's text; a date or time field gives the text it would print now.
    QString Text() const;
    void SetText(const QString &text) { m_text = text; }
    // Left, top, width and height in millimetres on the band; a width or height
    // of 0 follows the text.
    QRectF Geometry() const { return m_geometry; }
    Qt::Alignment Alignment() const { return m_alignment; }
    double PointSize() const { return m_pointSize; }
    bool Bold() const { return m_bold; }

private:
    friend class TReport;
    QString m_name;
    TKind m_kind = TKind::Label;
    QString m_text;
    QRectF m_geometry;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    double m_pointSize = 10;
    bool m_bold = false;
};

class TReport
{
public:
    // Page geometry in millimetres.
    static constexpr double kBandWidth = 267.2;
    static constexpr double kBandHeight = 169.6;

    virtual ~TReport();
    TReport(const TReport &) = delete;
    TReport &operator=(const TReport &) = delete;

    // The report's class name ("TRepKalibr"), also the default PDF name.
    QString Name() const { return m_name; }

    // An element by its name ("Title", "QRLabel9", "QRSysData1"); null if none.
    TReportLabel *Label(const QString &name);
    const std::vector<std::unique_ptr<TReportLabel>> &Labels() const { return m_labels; }

    // The embedded chart "QRChart" and its first series "Series1".
    QCustomPlot *Chart() const { return m_chart.get(); }
    QCPGraph *Series() const { return m_series; }
    QRectF ChartGeometry() const { return m_chartGeometry; }

    // A4 landscape with the report's margins, in millimetres.
    static QPageLayout PageLayout();

    // Prints the page on the printer as it is set up (page layout included).
    void Print(QPrinter &printer);
    // Writes the page as a PDF file, creating its folder; false on failure.
    bool SaveToPdf(const QString &path);
    // The page as a picture at the given resolution (white paper).
    QImage RenderPage(double dpi);
    // The print preview, not yet shown; the caller owns it.
    QPrintPreviewDialog *CreatePreview(QWidget *parent = nullptr);
    // Opens the print preview and waits until it is closed.
    void Preview(QWidget *parent = nullptr);

    // Paints the page on an active painter whose origin is the paper's top-left
    // corner; dpi is the painter device's resolution.
    void PaintPage(QCPPainter &painter, double dpi, const QMarginsF &marginsMm);

protected:
    explicit TReport(const QString &name);

    // A label at left, top (mm); width and height 0 follow the text. With
    // Qt::AlignRight and width 0, left is the label's right edge. With
    // Qt::AlignHCenter and width 0 the label is centred on the band.
    TReportLabel &AddLabel(const QString &name, double left, double top, const QString &text,
                           double width = 0, double height = 0,
                           Qt::Alignment alignment = Qt::AlignLeft, double pointSize = 10,
                           bool bold = false);
    TReportLabel &AddField(TReportLabel::TKind kind, const QString &name, double left, double top,
                           double width, double height);
    // "Отчет создан:" with the date and time fields at the given lefts.
    void AddCreatedLine(double top, double labelLeft, double dateLeft, double timeLeft);
    // The chart with one line series with markers; dateTimeX labels X as date-time.
    void AddChart(double left, double top, double width, double height, const QColor &color,
                  bool dateTimeX, bool legend);

private:
    void PaintLabel(QPainter &painter, const TReportLabel &label) const;
    void PaintChart(QCPPainter &painter);

    QString m_name;
    std::vector<std::unique_ptr<TReportLabel>> m_labels;
    std::unique_ptr<QCustomPlot> m_chart;
    QCPGraph *m_series = nullptr;
    QRectF m_chartGeometry;
    std::unique_ptr<QPrinter> m_printer; // keeps the printer set-up between previews
};

// Points per millimetre: page drawing uses points as its unit.
constexpr double kPointsPerMm = 72.0 / 25.4;

// Turns the chart's point-sized fonts into fonts of the same size in page units
// (1 unit = 1 pt), so that they print at their point size at any resolution.
void UsePageUnitFonts(QCustomPlot &chart);

} // namespace tals
