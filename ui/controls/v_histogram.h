#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace tals {

enum TBorder { bNone, bLower, bUpper };
enum TColorProductType { cptAuto, cptManual };
enum TScaleAlignment { saLeft, saRight };

// A vertical bar gauge with an optional scale, value zones, numbers and caption.
// Every accepted property change redraws the whole gauge into an off-screen image,
// which is then copied to the screen in one piece.
class TVHistogram : public QWidget
{
    Q_OBJECT

public:
    explicit TVHistogram(QWidget *parent = nullptr);

    TBorder Border() const { return m_border; }
    double Value() const { return m_value; }
    double Max() const { return m_max; }
    double Min() const { return m_min; }
    QColor ColorZoneAlarm() const { return m_colorZoneAlarm; }
    QColor ColorZoneAttention() const { return m_colorZoneAttention; }
    int ScaleOffset() const { return m_scaleOffset; }
    TColorProductType ColorProductType() const { return m_colorProductType; }
    QColor ColorProduct() const { return m_colorProduct; }
    QColor ColorEmpty() const { return m_colorEmpty; }
    QColor ColorScale() const { return m_colorScale; }
    QColor ColorValues() const { return m_colorValues; }
    double DValueSmall() const { return m_dValueSmall; }
    double DValueBig() const { return m_dValueBig; }
    int DecimalSign() const { return m_decimalSign; }
    bool ShowScaleMarks() const { return m_showScaleMarks; }
    bool ShowScaleZones() const { return m_showScaleZones; }
    bool ShowValues() const { return m_showValues; }
    TScaleAlignment ScaleAlignment() const { return m_scaleAlignment; }
    bool ScaleReverse() const { return m_scaleReverse; }
    QString Caption() const { return m_caption; }

    void SetBorder(TBorder value);
    void SetValue(double value);
    void SetMax(double value);
    void SetMin(double value);
    void SetRange(double newMin, double newMax);
    void SetColorZoneAlarm(const QColor &value);
    void SetColorZoneAttention(const QColor &value);
    void SetScaleOffset(int value);
    void SetColorProductType(TColorProductType value);
    void SetColorProduct(const QColor &value);
    void SetColorEmpty(const QColor &value);
    void SetColorScale(const QColor &value);
    void SetColorValues(const QColor &value);
    void SetDValueSmall(double value);
    void SetDValueBig(double value);
    void SetDecimalSign(int value);
    void SetShowScaleMarks(bool value);
    void SetShowScaleZones(bool value);
    void SetShowValues(bool value);
    void SetScaleAlignment(TScaleAlignment value);
    void SetScaleReverse(bool value);
    void SetCaption(const QString &value);

    // Zone of the last accepted value: 0 high alarm, 1 high attention, 2 normal,
    // 3 low attention, 4 low alarm.
    int Zone() const { return m_zone; }
    // Pixel row of a value on a gauge of the current height; -1 when Max equals
    // Min or the value is no finite number. Rows far off the gauge are clamped.
    int Row(double value) const;
    // The gauge as it would appear on screen at its current size.
    QImage Render() const;

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct TZoneThreshold
    {
        bool Drawn;
        double Level;
    };

    void Redraw();
    void RenderInto(QImage &image) const;
    int ClassifyZone(double value) const;
    QColor BarColor() const;
    void DrawZones(QImage &image) const;
    void DrawMarks(QImage &image, bool reverse) const;

    TBorder m_border = bLower;
    double m_value = 0;
    double m_max = 100;
    double m_min = 0;
    QColor m_colorZoneAlarm{0xFF, 0x00, 0x00};
    QColor m_colorZoneAttention{0xFF, 0xFF, 0x00};
    int m_scaleOffset = 0;
    TColorProductType m_colorProductType = cptManual;
    QColor m_colorProduct{0x00, 0x00, 0x80};
    QColor m_colorEmpty{0xC0, 0xC0, 0xC0};
    QColor m_colorScale{0x80, 0x80, 0x80};
    QColor m_colorValues{0x80, 0x80, 0x80};
    double m_dValueSmall = 2;
    double m_dValueBig = 10;
    int m_decimalSign = 1;
    bool m_showScaleMarks = false;
    bool m_showScaleZones = false;
    bool m_showValues = false;
    TScaleAlignment m_scaleAlignment = saLeft;
    bool m_scaleReverse = false;
    QString m_caption;

    QImage m_bitmap;
    bool m_dirty = true;
    int m_zone = 4;
    int m_frameWidth = 1;
    const TZoneThreshold m_zoneLowAlarm{true, 15};
    const TZoneThreshold m_zoneLowAttention{true, 20};
    const TZoneThreshold m_zoneHighAttention{true, 80};
    const TZoneThreshold m_zoneHighAlarm{true, 85};
};

} // namespace tals
