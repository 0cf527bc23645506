#pragma once

// The one service through which the program shows message boxes, asks
// questions, takes a line of text and picks files. The application installs
// the widget implementation; tests install a scripted one.

#include <QString>
#include <QStringList>

#include <memory>

namespace tals {

enum class TDialogButton { None, Yes, No, Cancel, Ok };
enum class TDialogIcon { Information, Warning, Error, Question, None };

class TDialogService
{
public:
    virtual ~TDialogService() = default;

    // A message box with the caption "Внимание" unless another is given.
    virtual void Message(const QString &text, TDialogIcon icon = TDialogIcon::Warning,
                         const QString &caption = QString()) = 0;
    // A question with the given buttons (Yes/No or Yes/No/Cancel); returns the button pressed,
    // or the default one when the box is closed.
    virtual TDialogButton Question(const QString &text, const QList<TDialogButton> &buttons,
                                   TDialogButton defaultButton,
                                   const QString &caption = QString()) = 0;
    // A line of text; false when cancelled.
    virtual bool InputText(const QString &caption, const QString &prompt, QString &value) = 0;
    // A file to open; empty when cancelled. Filter as "Parameter files (*.ini)".
    virtual QString OpenFileName(const QString &caption, const QString &folder,
                                 const QString &filter) = 0;
    virtual QString SaveFileName(const QString &caption, const QString &folder,
                                 const QString &filter) = 0;
};

// The caption of every message box.
inline QString AttentionCaption() { return QStringLiteral("Внимание"); }

// The service in force. Without an installed one, messages go to standard error
// and questions take their default button.
TDialogService &Dialogs();
// Installs a service and returns the one it replaces (the caller keeps ownership of both).
TDialogService *InstallDialogService(TDialogService *service);

} // namespace tals
