#pragma once

// The command selection window "Команды ТАЛС35xИ": which readings one polling
// step takes from the transducer (the readings block, code 4, and the test
// distances, code 25) and whether the current meter is polled.

#include <QDialog>
#include <QPointer>

#include <set>

class QCheckBox;
class QLabel;

namespace tals {

struct TProgramModes;

// The command codes the window puts into the poll set.
inline constexpr int kReadReadingsCode = 4;
inline constexpr int kReadTestDistancesCode = 25;

// What the window switches; implemented by the request scheduler.
class TPollSelection
{
public:
    virtual ~TPollSelection() = default;
    // Adds the command code to the poll set or removes it.
    virtual void SetPolled(int code, bool polled) = 0;
    // Switches the polling of the current meter (device list entry 1).
    virtual void SetCurrentMeterPolled(bool polled) = 0;
};

// A plain poll selection: the set of codes and the current meter's flag.
class TPollSelectionSet : public TPollSelection
{
public:
    void SetPolled(int code, bool polled) override
    {
        if (polled)
            Codes.insert(code);
        else
            Codes.erase(code);
    }
    void SetCurrentMeterPolled(bool polled) override { CurrentMeterPolled = polled; }

    std::set<int> Codes;
    bool CurrentMeterPolled = false;
};

class TFormSelectCMD : public QDialog
{
    Q_OBJECT

public:
    // Checks "Общие пользовательские регистры", which adds code 4 to the poll
    // set; the other boxes start unchecked whatever is being polled. The
    // window frees itself when closed; selection and modes must outlive it.
    TFormSelectCMD(TPollSelection &selection, const TProgramModes &modes,
                   QWidget *parent = nullptr);

    // Creates the window if absent, shows it and brings it forward.
    static TFormSelectCMD *ShowCommandSelection(QPointer<TFormSelectCMD> &window,
                                                TPollSelection &selection,
                                                const TProgramModes &modes,
                                                QWidget *parent = nullptr);

    // Re-applies the full-access visibility of the service check boxes.
    void Refresh();

    QCheckBox *chbReadValues = nullptr;
    QCheckBox *chbReadTestDistances = nullptr;
    QCheckBox *chbCurrentOutput = nullptr;
    QCheckBox *chbSelectAll = nullptr;
    QLabel *imgReadValues = nullptr;
    QLabel *imgReadTestDistances = nullptr;
    QLabel *imgCurrentOutput = nullptr;
    QLabel *imgSelectAll = nullptr;

signals:
    // Raised when the window closes, before it is destroyed (the owner
    // saves its position here).
    void Closing(QWidget *window);

public slots:
    // Escape closes the window for good.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void SelectAll(bool checked);

    TPollSelection &m_selection;
    const TProgramModes &m_modes;
};

} // namespace tals
