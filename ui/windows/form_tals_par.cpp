#include "ui/windows/form_tals_par.h"

#include "device/program_modes.h"
#include "device/tals352.h"
#include "platform/dialogs.h"
#include "platform/number_format.h"
#include "ui/application/application.h"
#include "ui/application/window_position.h"
#include "ui/controls/edit_num.h"
#include "ui/controls/ini_combo_box.h"
#include "ui/controls/param_str.h"
#include "ui/dialogs/form_input_bad_zone.h"
#include "ui/procedures/calibration/calibration_groups.h"
#include "ui/windows/form_main.h"
#include "ui/windows/tals_par_pages.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tals {

namespace {

// The window's least width, and room beside the tab row for the frame of the
// pages.
constexpr int kMinimumWidth = 650;
constexpr int kTabRowSlack = 8;

constexpr int kEditWidth = 120;
constexpr int kListWidth = 200;

QString WindowCaption()
{
    return QStringLiteral("Параметры ТАЛС35xИ");
}

QString PropertyName(TProp p)
{
    return QString::fromLatin1(PropertyInfo(p).Name);
}

// The caption of a control: its own, or the register table's.
QString ControlCaption(const TParControl &c)
{
    if (c.Label)
        return QString::fromUtf8(c.Label);
    const char *caption = PropertyInfo(c.Property).Caption;
    return caption ? QString::fromUtf8(caption) : PropertyName(c.Property);
}

QString TextName(TProp p)
{
    return QStringLiteral("lbl") + PropertyName(p);
}

QLabel *ValueText(const QString &name)
{
    auto *label = new QLabel;
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(kEditWidth);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel *CaptionLabel(const QString &text)
{
    auto *label = new QLabel(text);
    // Only long captions wrap: a wrapped label may take more height than it needs.
    label->setWordWrap(text.size() > 48);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return label;
}

TProp NextProperty(TProp p)
{
    return static_cast<TProp>(static_cast<int>(p) + 1);
}

} // namespace

TFormTalsPar::TFormTalsPar(Ttals352 &model, const TProgramModes &modes, TFormTalsParHooks hooks,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model), m_modes(modes), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("FormTalsPar"));
    setWindowTitle(WindowCaption());
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(kMinimumWidth, 650);
    resize(kMinimumWidth, 700);

    auto *layout = new QVBoxLayout(this);
    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("pcPages"));
    // The window grows to its tab row rather than hiding tabs behind arrows.
    m_pages->setUsesScrollButtons(false);
    m_pages->tabBar()->setElideMode(Qt::ElideNone);
    layout->addWidget(m_pages, 1);
    for (const TParPage &page : ParameterPages())
        m_pages->addTab(BuildPage(page), QString::fromUtf8(page.Caption));

    auto *bottom = new QHBoxLayout;
    auto *defaults = new QPushButton(QStringLiteral("Установить типовые значения"));
    defaults->setObjectName(QStringLiteral("btnSetDefaults"));
    connect(defaults, &QPushButton::clicked, this, &TFormTalsPar::SetTypicalValues);
    bottom->addStretch(1);
    bottom->addWidget(defaults);
    layout->addLayout(bottom);

    const auto pages = ParameterPages();
    for (int i = 0; i < int(pages.size()); ++i)
        if (pages[std::size_t(i)].Shown == TParPageShown::Never)
            m_pages->setTabVisible(i, false);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    RestoreWindowPlacement(*this);
    ReloadLists();
    Refresh();
}

TFormTalsPar::~TFormTalsPar() = default;

// ---- building ----

QWidget *TFormTalsPar::BuildPage(const TParPage &page)
{
    auto *sheet = new QWidget;
    sheet->setObjectName(QLatin1String(page.ObjectName));
    auto *layout = new QVBoxLayout(sheet);

    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    for (const TParGroup &group : page.Groups) {
        QGroupBox *box = BuildGroup(group);
        AddCalibrationPanel(box, group);
        column->addWidget(box);
    }
    const QString name = QLatin1String(page.ObjectName);
    if (name == QLatin1String("tsBadZones"))
        column->addWidget(BuildBadZonePart(), 1);
    else if (name == QLatin1String("tsPlantParameters"))
        column->addWidget(new QLabel(QStringLiteral("Заводские параметры прибора")));
    if (name != QLatin1String("tsBadZones"))
        column->addStretch(1);

    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);

    if (!page.Buttons.empty()) {
        auto *buttons = new QGridLayout;
        int i = 0;
        for (const TParButton &b : page.Buttons) {
            auto *button = new QPushButton(QString::fromUtf8(b.Caption));
            button->setObjectName(QLatin1String(b.ObjectName));
            button->setToolTip(QString::fromUtf8(b.Hint ? b.Hint : b.Caption));
            const QString actions = QString::fromLatin1(b.Actions);
            connect(button, &QPushButton::clicked, this, [this, actions] { RunActions(actions); });
            buttons->addWidget(button, i / 2, i % 2);
            ++i;
        }
        layout->addLayout(buttons);
    }
    return sheet;
}

QGroupBox *TFormTalsPar::BuildGroup(const TParGroup &group)
{
    auto *box = new QGroupBox(QString::fromUtf8(group.Caption));
    box->setObjectName(QLatin1String(group.ObjectName));
    box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(3);
    grid->setColumnStretch(0, 1);
    int row = 0;
    if (group.FirstColumn) {
        AddPairHeader(grid, group);
        row = 1;
    }
    for (const TParControl &control : group.Controls)
        AddControl(grid, row++, control);
    return box;
}

void TFormTalsPar::AddPairHeader(QGridLayout *grid, const TParGroup &group)
{
    for (int column = 1; column <= 2; ++column) {
        auto *title =
            new QLabel(QString::fromUtf8(column == 1 ? group.FirstColumn : group.SecondColumn));
        title->setAlignment(Qt::AlignCenter);
        title->setWordWrap(true);
        grid->addWidget(title, 0, column);
    }
}

void TFormTalsPar::AddControl(QGridLayout *grid, int row, const TParControl &control)
{
    TBinding &b = m_bindings.emplace_back();
    b.Spec = &control;
    TBinding *binding = &b;
    const QString caption = ControlCaption(control);
    const QString name =
        control.ObjectName ? QString::fromLatin1(control.ObjectName) : TextName(control.Property);

    switch (control.Kind) {
    case TParControlKind::Edit:
    case TParControlKind::ReadOnlyEdit: {
        b.Label = CaptionLabel(caption);
        auto *edit = new TEditNum;
        edit->setObjectName(name);
        edit->SetFormat(ffFixed);
        edit->SetDigits(control.Decimals);
        if (control.Minimum != kModelLimits)
            edit->SetRange(control.Minimum, control.Maximum);
        edit->setFixedWidth(kEditWidth);
        edit->setAlignment(Qt::AlignRight);
        if (control.Kind == TParControlKind::ReadOnlyEdit)
            edit->setReadOnly(true);
        else
            connect(edit, &TEditNum::FinishEdit, this, [this, binding] { OnFinishEdit(binding); });
        b.Edit = edit;
        grid->addWidget(b.Label, row, 0);
        grid->addWidget(edit, row, 1, 1, 2, Qt::AlignRight);
        break;
    }
    case TParControlKind::List: {
        auto *list = new TiniComboBox;
        list->setObjectName(name);
        list->setMinimumWidth(kListWidth);
        connect(list, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_updating)
                Apply();
        });
        b.List = list;
        if (caption.isEmpty()) {
            grid->addWidget(list, row, 0, 1, 3);
        } else {
            b.Label = CaptionLabel(caption);
            grid->addWidget(b.Label, row, 0);
            grid->addWidget(list, row, 1, 1, 2);
        }
        break;
    }
    case TParControlKind::Check: {
        auto *check = new QCheckBox(caption);
        check->setObjectName(name);
        connect(check, &QCheckBox::clicked, this, [this, binding] { OnCheckClicked(binding); });
        b.Check = check;
        grid->addWidget(check, row, 0, 1, 3);
        break;
    }
    case TParControlKind::Text:
    case TParControlKind::TextNumber:
    case TParControlKind::TextPair:
        b.Label = CaptionLabel(caption);
        b.Text = ValueText(name);
        grid->addWidget(b.Label, row, 0);
        grid->addWidget(b.Text, row, 1);
        if (control.Kind == TParControlKind::TextPair) {
            b.Second = ValueText(TextName(NextProperty(control.Property)));
            grid->addWidget(b.Second, row, 2);
        }
        break;
    }
    if (control.Hidden) {
        if (b.Label)
            b.Label->hide();
        for (QWidget *w : {static_cast<QWidget *>(b.Edit), static_cast<QWidget *>(b.List),
                           static_cast<QWidget *>(b.Check)})
            if (w)
                w->hide();
    }
}

QWidget *TFormTalsPar::BuildBadZonePart()
{
    auto *part = new QWidget;
    auto *layout = new QVBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);

    // The count's write button sits beside its field.
    if (TBinding *count = Binding(TProp::CountBadZones)) {
        auto *write = new QToolButton;
        write->setObjectName(QStringLiteral("sbCountBadZonesWrite"));
        write->setText(QStringLiteral("Записать"));
        write->setToolTip(QStringLiteral("Записать в прибор"));
        connect(write, &QToolButton::clicked, this,
                [this] { RunActions(QStringLiteral("actCountBadZonesWrite")); });
        if (auto *grid = qobject_cast<QGridLayout *>(count->Edit->parentWidget()->layout())) {
            grid->removeWidget(count->Edit);
            grid->addWidget(count->Edit, 0, 1);
            grid->addWidget(write, 0, 2);
        }
    }

    m_asgBadZones = new QTableWidget(1, 5);
    m_asgBadZones->setObjectName(QStringLiteral("asgBadZones"));
    m_asgBadZones->setHorizontalHeaderLabels(
        {QStringLiteral("№"), QStringLiteral("Ближняя граница, мм"),
         QStringLiteral("Дальняя граница, мм"), QStringLiteral("Скорость налива, мм/с"),
         QStringLiteral("Скорость слива, мм/с")});
    m_asgBadZones->verticalHeader()->hide();
    m_asgBadZones->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_asgBadZones->setSelectionMode(QAbstractItemView::SingleSelection);
    // Columns as wide as their titles; the last one takes the rest.
    m_asgBadZones->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_asgBadZones->horizontalHeader()->setStretchLastSection(true);
    // A slightly smaller font keeps the five titles within the minimum width.
    QFont headerFont = m_asgBadZones->horizontalHeader()->font();
    headerFont.setPointSizeF(headerFont.pointSizeF() * 0.9);
    m_asgBadZones->horizontalHeader()->setFont(headerFont);
    m_asgBadZones->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_asgBadZones->horizontalHeader()->setMinimumSectionSize(30);
    m_asgBadZones->setMinimumHeight(7 * 26);
    connect(m_asgBadZones, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row < 0)
            return;
        m_selectedZone = row + 1;
        m_lblBadZone->setText(QStringLiteral("Информация о плохой зоне %1").arg(m_selectedZone));
    });
    connect(m_asgBadZones, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { EditBadZone(row + 1); });
    layout->addWidget(m_asgBadZones, 1);

    auto *zoneRow = new QHBoxLayout;
    m_lblBadZone = new QLabel;
    m_lblBadZone->setObjectName(QStringLiteral("lblBadZone"));
    m_sbBadZoneChange = new QToolButton;
    m_sbBadZoneChange->setObjectName(QStringLiteral("sbBadZoneChange"));
    m_sbBadZoneChange->setText(QStringLiteral("Изменить"));
    m_sbBadZoneChange->setToolTip(QStringLiteral("Изменить параметры выделенной зоны"));
    connect(m_sbBadZoneChange, &QToolButton::clicked, this,
            [this] { EditBadZone(m_selectedZone); });
    m_sbBadZonesWrite = new QToolButton;
    m_sbBadZonesWrite->setObjectName(QStringLiteral("sbBadZonesWrite"));
    m_sbBadZonesWrite->setText(QStringLiteral("Записать"));
    m_sbBadZonesWrite->setToolTip(QStringLiteral("Записать в прибор"));
    connect(m_sbBadZonesWrite, &QToolButton::clicked, this,
            [this] { RunActions(QStringLiteral("actBadZonesWrite")); });
    zoneRow->addWidget(m_lblBadZone, 1);
    zoneRow->addWidget(m_sbBadZoneChange);
    zoneRow->addWidget(m_sbBadZonesWrite);
    layout->addLayout(zoneRow);
    return part;
}

void TFormTalsPar::AddCalibrationPanel(QGroupBox *box, const TParGroup &group)
{
    // The procedures of the page "Калибровка" sit in their groups below the
    // register fields (Parts 6.1, 6.2).
    const QString name = QLatin1String(group.ObjectName);
    if (name != QLatin1String("gbFft") && name != QLatin1String("gbMmp"))
        return;
    TCalibrPanelHost host;
    host.ExecuteAction = [this](const QString &action) {
        if (m_hooks.ExecuteAction)
            m_hooks.ExecuteAction(action);
    };
    host.RefreshAll = [this] {
        if (m_hooks.RefreshAllWindows)
            m_hooks.RefreshAllWindows();
        else
            Refresh();
    };
    host.RefreshParameters = [this] { Refresh(); };
    auto *grid = qobject_cast<QGridLayout *>(box->layout());
    QWidget *panel = nullptr;
    if (name == QLatin1String("gbFft"))
        panel = m_fftPanel = new TCalibrFftPanel(m_model, std::move(host));
    else
        panel = m_mmpPanel = new TCalibrMmpPanel(m_model, std::move(host));
    if (grid)
        grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    else
        box->layout()->addWidget(panel);
}

TFormTalsPar::TBinding *TFormTalsPar::Binding(TProp property)
{
    for (TBinding &b : m_bindings)
        if (b.Spec->Property == property)
            return &b;
    return nullptr;
}

// ---- model to window ----

void TFormTalsPar::Refresh()
{
    m_updating = true;
    setWindowTitle(WindowCaption());
    const auto pages = ParameterPages();
    for (int i = 0; i < int(pages.size()); ++i) {
        const TParPageShown shown = pages[std::size_t(i)].Shown;
        const bool visible = shown == TParPageShown::Always ||
                             (shown == TParPageShown::FullAccess && m_modes.FullAccessMode);
        if (m_pages->isTabVisible(i) != visible)
            m_pages->setTabVisible(i, visible);
    }
    FitTabs();
    RefreshModelLimits();
    for (TBinding &b : m_bindings)
        RefreshBinding(b);
    RebuildBadZones();
    // The calibration grids repaint (their bold rows follow the free space)
    // and the capture buttons show the reading.
    if (m_fftPanel)
        m_fftPanel->Refresh();
    if (m_mmpPanel)
        m_mmpPanel->Refresh();
    m_updating = false;
}

void TFormTalsPar::FitTabs()
{
    // Every tab shown in full: the window is at least as wide as its tab row.
    const int tabs = m_pages->tabBar()->sizeHint().width();
    const QMargins margins = layout()->contentsMargins();
    const int needed = tabs + margins.left() + margins.right() + 2 * kTabRowSlack;
    setMinimumWidth(std::max(kMinimumWidth, needed));
    if (width() >= minimumWidth())
        return;
    resize(minimumWidth(), height());
    // Grown at the right edge of the screen: it moves left to stay on it.
    if (const QScreen *s = screen(); s && isVisible()) {
        const QRect area = s->availableGeometry();
        const int overflow = frameGeometry().right() - area.right();
        if (overflow > 0)
            move(std::max(area.left(), x() - overflow), y());
    }
}

void TFormTalsPar::RefreshModelLimits()
{
    for (TBinding &b : m_bindings) {
        if (!b.Edit || b.Spec->Minimum != kModelLimits)
            continue;
        const TProp p = b.Spec->Property;
        const double minimum = m_model.PropertyMin(p);
        const double maximum = m_model.PropertyMax(p);
        b.Edit->SetRange(minimum, maximum);
        if (!b.Label)
            continue;
        if (p == TProp::CountSteps)
            b.Label->setText(QString::fromUtf8(CountStepsCaption(m_modes.HighFrequencyMode)));
        else
            b.Label->setText(QString::asprintf(PropertyInfo(p).Caption, minimum, maximum));
    }
}

void TFormTalsPar::RefreshBinding(TBinding &b)
{
    const TProp p = b.Spec->Property;
    const TVariant value = m_model.Property(p);
    if (b.Edit) {
        // A field the operator is typing into keeps the typed text.
        if (b.Shown && b.Edit->hasFocus() && b.Edit->isModified())
            return;
        b.Edit->SetValue(value.ToDouble());
        b.ShownText = b.Edit->text();
    } else if (b.List) {
        const double v = value.ToDouble();
        b.List->setCurrentIndex(v >= 0 && v < b.List->count() ? int(v) : -1);
        b.ShownIndex = b.List->currentIndex();
    } else if (b.Check) {
        b.Check->setChecked(value.ToDouble() != 0);
        b.ShownChecked = b.Check->isChecked();
    } else if (b.Text) {
        if (b.Spec->Kind == TParControlKind::TextNumber)
            b.Text->setText(FloatToStrF(value.ToDouble(), ffNumber, 15, 3));
        else
            b.Text->setText(value.ToString());
        if (b.Second)
            b.Second->setText(m_model.Property(NextProperty(p)).ToString());
    }
    b.Shown = true;
}

void TFormTalsPar::RebuildBadZones()
{
    ShowBadZones(m_model.CountBadZones());
}

void TFormTalsPar::ShowBadZones(int count)
{
    if (!m_asgBadZones)
        return;
    const bool wasUpdating = m_updating;
    m_updating = true;
    try {
        m_asgBadZones->setRowCount(std::max(1, count));
        const bool inRange = count >= 1 && count <= kBadZoneCount;
        m_asgBadZones->setVisible(inRange);
        if (inRange) {
            for (int zone = 1; zone <= count; ++zone) {
                TBadZone &z = m_model.BadZone(zone);
                const QString texts[] = {
                    QString::number(zone), z.NearBound.FormatValue(false, false),
                    z.FarBound.FormatValue(false, false), z.FillSpeed.FormatValue(false, false),
                    z.DrainSpeed.FormatValue(false, false)};
                for (int column = 0; column < 5; ++column) {
                    auto *item = new QTableWidgetItem(texts[column]);
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    m_asgBadZones->setItem(zone - 1, column, item);
                }
            }
            m_selectedZone = 1;
            m_asgBadZones->setCurrentCell(0, 0);
            m_lblBadZone->setText(QStringLiteral("Информация о плохой зоне %1").arg(1));
        }
        const bool withTitle = count != 0;
        m_lblBadZone->setVisible(withTitle);
        m_sbBadZoneChange->setVisible(withTitle);
        m_sbBadZonesWrite->setVisible(withTitle);
    } catch (...) {
        // The page keeps what it had.
    }
    m_updating = wasUpdating;
}

// ---- window to model ----

bool TFormTalsPar::IsChanged(const TBinding &b) const
{
    if (!b.Shown)
        return false;
    if (b.Edit)
        return !b.Edit->isReadOnly() && b.Edit->text() != b.ShownText;
    if (b.List)
        return b.List->currentIndex() != b.ShownIndex;
    if (b.Check)
        return b.Check->isChecked() != b.ShownChecked;
    return false;
}

double TFormTalsPar::ControlValue(const TBinding &b) const
{
    if (b.Edit)
        return b.Edit->Value();
    if (b.List)
        return b.List->currentIndex();
    if (b.Check)
        return b.Check->isChecked() ? 1 : 0;
    return 0;
}

void TFormTalsPar::Apply()
{
    if (m_updating)
        return;
    // Only what the operator changed goes into the model: a control that
    // still shows the refreshed value would otherwise write back its rounded
    // or clamped picture of the register, or a value older than the model's.
    for (const TProp p : ParameterApplyOrder()) {
        TBinding *b = Binding(p);
        if (!b || !IsChanged(*b))
            continue;
        m_model.SetPropertyFromDouble(p, ControlValue(*b));
        if (b->Edit)
            b->ShownText = b->Edit->text();
        else if (b->List)
            b->ShownIndex = b->List->currentIndex();
        else if (b->Check)
            b->ShownChecked = b->Check->isChecked();
    }
    if (!m_lastFinished)
        return;
    if (m_lastFinished->objectName() == QLatin1String("enCountBadZones"))
        RebuildBadZones();
    else if (m_lastFinished->objectName() == QLatin1String("enPPMNumber"))
        m_model.PPMNumberText = QString::number(m_model.PPMNumber());
}

void TFormTalsPar::OnFinishEdit(TBinding *b)
{
    if (m_updating)
        return;
    m_lastFinished = b->Edit;
    Apply();
    m_lastFinished = nullptr;
}

void TFormTalsPar::OnCheckClicked(TBinding *b)
{
    if (m_updating)
        return;
    m_model.SetPropertyFromDouble(b->Spec->Property, b->Check->isChecked() ? 1 : 0);
    b->ShownChecked = b->Check->isChecked();
}

// ---- commands ----

void TFormTalsPar::RunActions(const QString &actions)
{
    if (!m_hooks.ExecuteAction)
        return;
    for (const QString &action : actions.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        m_hooks.ExecuteAction(action);
}

void TFormTalsPar::ReloadLists()
{
    const bool wasUpdating = m_updating;
    m_updating = true;
    for (TBinding &b : m_bindings) {
        if (!b.List)
            continue;
        LoadParameterList(*b.List, PropertyName(b.Spec->Property));
        // Wide enough for the longest item text.
        int widest = 0;
        for (int i = 0; i < b.List->count(); ++i)
            widest = std::max(widest, b.List->fontMetrics().horizontalAdvance(b.List->itemText(i)));
        b.List->setMinimumWidth(std::max(kListWidth, widest + 40));
    }
    m_updating = wasUpdating;
}

void TFormTalsPar::ShowFactoryPage()
{
    if (QWidget *page = m_pages->findChild<QWidget *>(QStringLiteral("tsPlantParameters")))
        m_pages->setCurrentWidget(page);
}

void TFormTalsPar::EditBadZone(int zone)
{
    if (zone < 1 || zone > kBadZoneCount)
        return;
    TBadZone &z = m_model.BadZone(zone);
    if (m_hooks.EditBadZone)
        m_hooks.EditBadZone(z);
    else
        InputBadZone(z);
    RebuildBadZones();
}

void TFormTalsPar::SetTypicalValues()
{
    if (Dialogs().Question(QStringLiteral("Установить типовые значения?"),
                           {TDialogButton::Yes, TDialogButton::No},
                           TDialogButton::No) == TDialogButton::No)
        return;
    m_model.SetDefaults();
    if (m_hooks.RefreshAllWindows)
        m_hooks.RefreshAllWindows();
    else
        Refresh();
}

void TFormTalsPar::Reopened()
{
    ReloadLists();
    Refresh();
}

// ---- lifecycle ----

void TFormTalsPar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_pages->setCurrentIndex(0);
    Refresh();
}

void TFormTalsPar::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(*this);
    QWidget::closeEvent(event);
}

// ---- the application's factory ----

void RegisterParametersWindow(TApplication &app)
{
    app.SetWindowFactory(QStringLiteral("FormTalsPar"), [&app](TFormMain &main) -> QWidget * {
        if (!app.Model())
            return nullptr;
        TFormMain *owner = &main;
        TFormTalsParHooks hooks;
        hooks.ExecuteAction = [owner](const QString &action) { owner->ExecuteAction(action); };
        hooks.RefreshAllWindows = [owner] { owner->RefreshAllWindows(); };
        return new TFormTalsPar(*app.Model(), app.Modes(), std::move(hooks));
    });
}

} // namespace tals
