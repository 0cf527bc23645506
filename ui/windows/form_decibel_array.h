#pragma once

// The frame of the spectrum and residual windows: the array in decibels
// relative to its largest value, its bottom axis in bins (as at the start) or
// in millimetres of distance on the sweep's scale, and a read-out with the
// bin, the distance d in half-bins and the millimetres.

#include "device/echo_curve.h"
#include "ui/windows/form_array.h"

namespace tals {

class TFormDecibelArray : public TFormArray
{
    Q_OBJECT

public:
    QString ReadoutText(double bin, double y) const override;
    // "L = 14 321,5 мм" for a bin; empty when the scale cannot convert.
    QString DistanceText(double bin) const;

    // The bottom axis in millimetres (true) or in bins.
    bool DistanceAxis() const { return m_distanceAxis; }
    void SetDistanceAxis(bool millimetres);
    // The chart key of a bin in the present unit, and back.
    double KeyOfBin(double bin) const;
    double BinOfKey(double key) const;

    // The curve drawn now.
    const TEchoCurve &Curve() const { return m_curve; }
    QByteArray CurvesCsv() const override;

protected:
    TFormDecibelArray(const TLayout &layout, const Ttals352 &model, TRepGraph &report,
                      QWidget *parent = nullptr);

    // Draws the curve in the present unit.
    void ShowCurve(TEchoCurve curve);
    // After the curve or the unit changed: the further layers follow.
    virtual void CurveChanged() {}
    // The curves the CSV holds beside the drawn one.
    virtual std::vector<std::pair<QString, const TEchoCurve *>> FurtherCurves() const { return {}; }
    // The title of the drawn curve in CSV and legend.
    virtual QString CurveTitle() const { return windowTitle(); }

    void ShowReadout(double key, double value) override;
    QCPRange FullBottomRange() const override;
    bool LayoutSteps() const override { return !m_distanceAxis; }

private:
    void Redraw();

    TEchoCurve m_curve;
    bool m_distanceAxis = false;
    QAction *m_axisBins = nullptr;
    QAction *m_axisMm = nullptr;
};

} // namespace tals
