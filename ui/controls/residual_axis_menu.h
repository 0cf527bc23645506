#pragma once

// The pop-up menu of a residual chart ("Разброс"): the left axis automatic
// or fixed at -3.5 ... +3.5.

#include <functional>

class QCustomPlot;

namespace tals {

void AddResidualAxisMenu(QCustomPlot *chart,
                         const std::function<void(bool automatic)> &setAutomatic);

} // namespace tals
