#include "ui/procedures/scan/scan_windows.h"

#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/transmitter.h"
#include "ui/application/application.h"
#include "ui/procedures/identification/form_about.h"
#include "ui/procedures/identification/form_signature.h"
#include "ui/procedures/scan/form_scan.h"

namespace tals {

namespace {

constexpr int kAnswerLimit = 250; // bytes a transducer read waits for at most

} // namespace

void RegisterScanWindows(TApplication &app)
{
    app.SetWindowFactory(QStringLiteral("FormScan"), [&app](TFormMain &) -> QWidget * {
        if (!app.Model())
            return nullptr;
        auto *window = new TFormScan(
            *app.Model(), [&app](quint8 code) { return app.Link().ExecuteCommand(code); });
        // Before the first answer the estimate assumes silence: the whole read time-out.
        if (TRequestDevices *scheduler = app.Scheduler())
            if (TTransmitter *transmitter = scheduler->Transmitter()) {
                const TComTimeouts t = transmitter->Timeouts();
                window->Scanner().SetWorstCaseCommandMs(t.ReadTotalConstant +
                                                        t.ReadTotalMultiplier * kAnswerLimit);
            }
        return window;
    });

    app.SetWindowFactory(QStringLiteral("FormSignature"), [&app](TFormMain &) -> QWidget * {
        Ttals352 *model = app.Model();
        return new TFormSignature([model] {
            TTals35xISignature signature;
            if (model)
                model->GetSignature(signature);
            return signature;
        });
    });

    app.SetWindowFactory(QStringLiteral("FormAbout"),
                         [](TFormMain &) -> QWidget * { return new TFormAbout; });
}

} // namespace tals
