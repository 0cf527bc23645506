#include "ui/windows/array_windows.h"

#include "device/spectrum_recording.h"
#include "storage/archive.h"
#include "ui/application/application.h"
#include "ui/reports/reports.h"
#include "ui/windows/form_nevyzka.h"
#include "ui/windows/form_signal.h"
#include "ui/windows/form_spectrum.h"

namespace tals {

void RegisterArrayWindows(TApplication &app)
{
    app.SetWindowFactory(QStringLiteral("FormSpectrum"), [&app](TFormMain &) -> QWidget * {
        if (!app.Model())
            return nullptr;
        auto dayFolder = [&app] {
            return app.Archive() ? app.Archive()->DayFolder(Now()) : QString();
        };
        return new TFormSpectrum(*app.Model(), app.Reports().Graph(), &app.SpectrumRecording(),
                                 dayFolder);
    });
    app.SetWindowFactory(QStringLiteral("FormSignal"), [&app](TFormMain &) -> QWidget * {
        return app.Model() ? new TFormSignal(*app.Model(), app.Reports().Graph()) : nullptr;
    });
    app.SetWindowFactory(QStringLiteral("FormNevyzka"), [&app](TFormMain &) -> QWidget * {
        return app.Model() ? new TFormNevyzka(*app.Model(), app.Reports().Graph()) : nullptr;
    });
}

} // namespace tals
