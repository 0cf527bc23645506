#include "ui/reports/rep_progon.h"

namespace tals {

namespace {

constexpr double kValueLeft = 69.3;
constexpr double kValueWidth = 19.6;
constexpr double kValueHeight = 4.5;
constexpr double kRowTops[5] = {21.2, 27.5, 33.9, 40.2, 46.6};

} // namespace

TRepProgon::TRepProgon()
    : TReport(QStringLiteral("TRepProgon")),
      Title(AddLabel(QStringLiteral("Title"), 0, 2.1, QStringLiteral("График"), 0, 0,
                     Qt::AlignHCenter, 12, true)),
      FilterDescribe(
          AddLabel(QStringLiteral("FilterDescribe"), 1.3, 2.1, QStringLiteral("Заводской номер"))),
      qrlPlantNumber(AddLabel(QStringLiteral("qrlPlantNumber"), kValueLeft, 2.1, QString(),
                              kValueWidth, kValueHeight, Qt::AlignRight)),
      qrlHardVersion(AddLabel(QStringLiteral("qrlHardVersion"), kValueLeft, 8.5, QString(),
                              kValueWidth, kValueHeight, Qt::AlignRight)),
      qrlSoftVersion(AddLabel(QStringLiteral("qrlSoftVersion"), kValueLeft, 14.8, QString(),
                              kValueWidth, kValueHeight, Qt::AlignRight)),
      qrlPPM(AddLabel(QStringLiteral("qrlPPM"), kValueLeft, 21.2, QString(), kValueWidth,
                      kValueHeight, Qt::AlignRight)),
      qrlNNZ(AddLabel(QStringLiteral("qrlNNZ"), kValueLeft, 27.5, QString(), kValueWidth,
                      kValueHeight, Qt::AlignRight)),
      qrlBaza(AddLabel(QStringLiteral("qrlBaza"), kValueLeft, 33.9, QString(), kValueWidth,
                       kValueHeight, Qt::AlignRight)),
      qrlKkrutZav(AddLabel(QStringLiteral("qrlKkrutZav"), kValueLeft, 40.2, QString(), kValueWidth,
                           kValueHeight, Qt::AlignRight)),
      qrlAlgoritm(AddLabel(QStringLiteral("qrlAlgoritm"), 88.9, 46.6,
                           QStringLiteral("Алгоритм обработки"), 0, 0, Qt::AlignRight)),
      qrlRunVerdict(AddLabel(QStringLiteral("qrlRunVerdict"), 170.0, 8.5, QString(), 0, 0,
                             Qt::AlignLeft, 10, true))
{
    AddCreatedLine(2.1, 179.1, 203.2, 225.4);
    AddLabel(QStringLiteral("QRLabel13"), 1.3, 8.5, QStringLiteral("Аппаратная версия"));
    AddLabel(QStringLiteral("QRLabel17"), 1.3, 14.8, QStringLiteral("Программная версия"));
    AddLabel(QStringLiteral("QRLabel1"), 1.3, 21.2, QStringLiteral("№ ППМ"));
    AddLabel(QStringLiteral("QRLabel3"), 1.3, 27.5, QStringLiteral("№ Н/З"));
    AddLabel(QStringLiteral("QRLabel2"), 1.3, 33.9, QStringLiteral("Смещение нуля"));
    AddLabel(QStringLiteral("QRLabel4"), 1.3, 40.2,
             QStringLiteral("Коэффициент коррекции крутизны"));
    AddLabel(QStringLiteral("QRLabel5"), 1.3, 46.6, QStringLiteral("Алгоритм"));
    AddLabel(QStringLiteral("QRLabel14"), 114.2, 8.5, QStringLiteral("Заключение по прогону:"));

    const struct
    {
        const char *name;
        double left;
        const char *text;
    } heads[] = {{"QRLabel6", 114.2, "Рулетка, мм"},  {"QRLabel7", 138.8, "Уровень, мм"},
                 {"QRLabel8", 163.4, "Разница, мм"},  {"QRLabel10", 195.7, "Ток, мА"},
                 {"QRLabel11", 212.1, "Разница, мА"}, {"QRLabel12", 240.5, "Заключение"}};
    for (const auto &h : heads)
        AddLabel(QString::fromLatin1(h.name), h.left, 14.8, QString::fromUtf8(h.text));

    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i + 1);
        auto value = [&](const char *prefix, double left) {
            return &AddLabel(QString::fromLatin1(prefix) + n, left, kRowTops[i], QString(),
                             kValueWidth, kValueHeight, Qt::AlignRight);
        };
        qrlRuletka[i] = value("qrlRuletka", 114.5);
        qrlValue[i] = value("qrlValue", 139.6);
        qrlDValue[i] = value("qrlDValue", 164.2);
        qrlCurrentValue[i] = value("qrlCurrentValue", 188.5);
        qrlDCurrentValue[i] = value("qrlDCurrentValue", 212.9);
        qrlVerdict[i] = value("qrlVerdict", 240.5);
    }
    AddChart(0, 52.9, 267.0, 116.7, Qt::red, false, false);
}

} // namespace tals
