#include "ui/reports/rep_kalibr.h"

namespace tals {

namespace {

constexpr double kValueWidth = 19.6;
constexpr double kValueHeight = 4.5;
constexpr double kRowTops[5] = {48.7, 44.5, 40.2, 36.0, 31.8};
const char *const kDesignValues[5] = {"10000", "8000", "6000", "4000", "2000"};

} // namespace

TRepKalibr::TRepKalibr()
    : TReport(QStringLiteral("TRepKalibr")),
      Title(AddLabel(QStringLiteral("Title"), 0, 0, QStringLiteral("График"), 0, 0,
                     Qt::AlignHCenter, 12, true)),
      FilterDescribe(
          AddLabel(QStringLiteral("FilterDescribe"), 1.3, 8.5, QStringLiteral("Заводской номер"))),
      qrlPlantNumber(AddLabel(QStringLiteral("qrlPlantNumber"), 60.6, 8.5, QStringLiteral("2000"),
                              kValueWidth, kValueHeight, Qt::AlignRight)),
      qrlHardVersion(AddLabel(QStringLiteral("qrlHardVersion"), 60.6, 14.8, QStringLiteral("2000"),
                              kValueWidth, kValueHeight, Qt::AlignRight)),
      qrlSoftVersion(AddLabel(QStringLiteral("qrlSoftVersion"), 60.6, 21.2, QStringLiteral("2000"),
                              kValueWidth, kValueHeight, Qt::AlignRight)),
      qrlBaza(AddLabel(QStringLiteral("qrlBaza"), 241.0, 8.5, QStringLiteral("2000"), kValueWidth,
                       kValueHeight, Qt::AlignRight)),
      qrlKkrutZav(AddLabel(QStringLiteral("qrlKkrutZav"), 241.0, 14.8, QStringLiteral("2000"),
                           kValueWidth, kValueHeight, Qt::AlignRight))
{
    AddCreatedLine(2.1, 1.3, 25.4, 47.6);
    AddLabel(QStringLiteral("QRLabel13"), 1.3, 14.8, QStringLiteral("Аппаратная версия"));
    AddLabel(QStringLiteral("QRLabel17"), 1.3, 21.2, QStringLiteral("Программная версия"));
    AddLabel(QStringLiteral("QRLabel1"), 181.8, 8.5, QStringLiteral("Смещение нуля"));
    AddLabel(QStringLiteral("QRLabel2"), 181.8, 14.8,
             QStringLiteral("Коэффициент коррекции крутизны"));
    AddLabel(QStringLiteral("QRLabel3"), 181.8, 21.2,
             QStringLiteral("Свободное пространство в контрольных точках"));
    AddLabel(QStringLiteral("QRLabel10"), 181.5, 27.5, QStringLiteral("Необходимо, мм"));
    AddLabel(QStringLiteral("QRLabel11"), 212.2, 27.5, QStringLiteral("Измерено, мм"));
    AddLabel(QStringLiteral("QRLabel12"), 240.0, 27.5, QStringLiteral("Разница, мм"));
    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i + 1);
        const QString text = QString::fromLatin1(kDesignValues[i]);
        qrlKalibrSample[i] = &AddLabel(QStringLiteral("qrlKalibrSample") + n, 188.9, kRowTops[i],
                                       text, kValueWidth, kValueHeight, Qt::AlignRight);
        qrlKalibr[i] = &AddLabel(QStringLiteral("qrlKalibr") + n, 215.4, kRowTops[i], text,
                                 kValueWidth, kValueHeight, Qt::AlignRight);
        qrlKalibrDelta[i] = &AddLabel(QStringLiteral("qrlKalibrDelta") + n, 240.8, kRowTops[i],
                                      text, kValueWidth, kValueHeight, Qt::AlignRight);
    }
    AddChart(0, 55.0, 267.0, 114.6, Qt::red, false, false);
}

} // namespace tals
