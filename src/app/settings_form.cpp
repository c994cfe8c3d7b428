#include "app/settings_form.h"

#include "app/settings.h"
#include "core/app_folders.h"
#include "core/languages.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/log_settings.h"
#include "elements/sounds_settings.h"
#include "generation/generation_settings.h"
#include "naming/naming_settings.h"
#include "textor/sheet_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qv {

namespace {

// The page selected when the last settings window closed, during this run.
int rememberedPage = 0;

// A settings page: a heading with the page's caption over a form of captioned controls.
class TPageBuilder
{
public:
    TPageBuilder(int captionId, QWidget*& first) : FFirst(first)
    {
        FFirst = nullptr;
        FPage = new QWidget;
        auto* column = new QVBoxLayout(FPage);
        column->setContentsMargins(0, 0, 0, 0);
        auto* heading = new QLabel(LoadStr(captionId));
        QFont font = heading->font();
        font.setBold(true);
        heading->setFont(font);
        column->addWidget(heading);
        auto* line = new QFrame;
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        column->addWidget(line);
        FForm = new QFormLayout;
        FForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        FForm->setLabelAlignment(Qt::AlignLeft);
        column->addLayout(FForm);
        column->addStretch(1);
    }

    QWidget* Page() const { return FPage; }
    QFormLayout* Form() const { return FForm; }

    QCheckBox* CheckBox(int captionId)
    {
        auto* box = new QCheckBox(LoadStr(captionId));
        FForm->addRow(box);
        return Placed(box);
    }
    template <class TControl>
    TControl* Row(int captionId, TControl* control)
    {
        auto* label = new QLabel(LoadStr(captionId));
        label->setBuddy(control);
        FForm->addRow(label, control);
        return Placed(control);
    }
    QComboBox* List(int captionId, const QStringList& items)
    {
        auto* combo = new QComboBox;
        combo->addItems(items);
        combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return Row(captionId, combo);
    }
    QSpinBox* Number(int captionId, int min, int max)
    {
        auto* spin = new QSpinBox;
        spin->setRange(min, max);
        spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return Row(captionId, spin);
    }

private:
    template <class TControl>
    TControl* Placed(TControl* control)
    {
        if (FFirst == nullptr)
            FFirst = control;
        return control;
    }

    QWidget*& FFirst;
    QWidget* FPage;
    QFormLayout* FForm;
};

// The names of the themes in the themes folder (a text with a picture beside it), after "Default".
QStringList ThemeNames()
{
    QStringList names;
    const QDir folder(AppFolder(afThemes));
    const QStringList texts = folder.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString& text : texts) {
        const QString name = QFileInfo(text).completeBaseName();
        if (name.compare(QStringLiteral("Default"), Qt::CaseInsensitive) != 0 &&
            folder.exists(name + QStringLiteral(".png")))
            names.append(name);
    }
    names.prepend(QStringLiteral("Default"));
    return names;
}

QComboBox* ThemeBox(TPageBuilder& page)
{
    auto* combo = new QComboBox;
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(ThemeNames());
    return page.Row(QV_STR(4182), combo);
}

QStringList Lines(int id)
{
    return LoadStr(id).split(QStringLiteral("\r\n"));
}

} // namespace

TSettingsForm::TSettingsForm(QWidget* parent, TSettings& settings, const QString& pageKey,
                             std::function<void()> onApply)
    : QDialog(parent), FSettings(settings), FOnApply(std::move(onApply))
{
    auto* layout = new QVBoxLayout(this);
    FButtons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply);
    layout->addWidget(FButtons);
    connect(FButtons, &QDialogButtonBox::accepted, this, [this] {
        Apply(false);
        accept();
    });
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ApplyButton(), &QPushButton::clicked, this, [this] { Apply(); });

    Build(rememberedPage);
    if (!pageKey.isEmpty()) {
        for (int i = 0; i < FPages.size(); ++i) {
            if (FPages[i].Key != pageKey)
                continue;
            SetCurrentPage(i);
            if (FPages[i].FirstControl != nullptr)
                FPages[i].FirstControl->setFocus();
            break;
        }
    }
}

TSettingsForm::~TSettingsForm() = default;

QPushButton* TSettingsForm::OkButton() const
{
    return FButtons->button(QDialogButtonBox::Ok);
}

QPushButton* TSettingsForm::CancelButton() const
{
    return FButtons->button(QDialogButtonBox::Cancel);
}

QPushButton* TSettingsForm::ApplyButton() const
{
    return FButtons->button(QDialogButtonBox::Apply);
}

int TSettingsForm::RememberedPage()
{
    return rememberedPage;
}

int TSettingsForm::CurrentPage() const
{
    return FStack->currentIndex();
}

void TSettingsForm::SetCurrentPage(int index)
{
    if (index < 0 || index >= FPages.size())
        index = 0;
    FTree->setCurrentItem(FPages[index].Item);
    FStack->setCurrentIndex(index);
}

void TSettingsForm::done(int result)
{
    rememberedPage = CurrentPage();
    QDialog::done(result);
}

void TSettingsForm::Apply(bool rebuild)
{
    const QString language = FSettings.General().Language()->Value();
    {
        TWaitCursor wait;
        FAssociator.StoreAll();
    }
    if (FOnApply)
        FOnApply();
    if (rebuild && FSettings.General().Language()->Value() != language)
        Build(CurrentPage());
}

void TSettingsForm::Build(int page)
{
    FAssociator.Clear();
    FPages.clear();
    delete FBody;

    setWindowTitle(LoadStr(QV_STR(2058)));
    OkButton()->setText(LoadStr(QV_STR(2023)));
    CancelButton()->setText(LoadStr(QV_STR(2024)));
    ApplyButton()->setText(LoadStr(QV_STR(2026)));

    FBody = new QWidget;
    auto* row = new QHBoxLayout(FBody);
    row->setContentsMargins(0, 0, 0, 0);
    FTree = new QTreeWidget;
    FTree->setHeaderHidden(true);
    FTree->setRootIsDecorated(false);
    FTree->setItemsExpandable(false);
    FTree->setSelectionMode(QAbstractItemView::SingleSelection);
    FStack = new QStackedWidget;
    row->addWidget(FTree);
    row->addWidget(FStack, 1);
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, FBody, 1);

    QWidget* first = nullptr;
    AddPage(QV_STR(4161), BuildGeneralPage(first), first);
    AddPage(QV_STR(4177), BuildPalettePage(first), first);
    AddPage(QV_STR(4181), BuildEditorPage(first), first);
    AddPage(QV_STR(4192), BuildNamingPage(first), first, 2);
    AddPage(QV_STR(4203), BuildLogPage(first), first);
    AddPage(QV_STR(4211), BuildGenerationPage(first), first);
    AddPage(QV_STR(4207), BuildSoundsPage(first), first);
    AddPage(QV_STR(4209), BuildPrintPage(first), first);
    AddPage(QV_STR(4244), BuildMiscPage(first), first);

    FTree->expandAll();
    // As wide as the longest caption at its depth, so the pages get the rest.
    int width = 0;
    for (const TPage& entry : std::as_const(FPages)) {
        int depth = 0;
        for (QTreeWidgetItem* parent = entry.Item->parent(); parent != nullptr; parent = parent->parent())
            ++depth;
        width = std::max(width, FTree->fontMetrics().horizontalAdvance(entry.Item->text(0)) +
                                    depth * FTree->indentation());
    }
    FTree->setFixedWidth(width + 2 * FTree->frameWidth() + 24);
    connect(FTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        for (int i = 0; i < FPages.size(); ++i) {
            if (FPages[i].Item == item)
                FStack->setCurrentIndex(i);
        }
    });
    SetCurrentPage(page);
}

void TSettingsForm::AddPage(int captionId, QWidget* page, QWidget* firstControl, int parentPage,
                            const QString& key)
{
    auto* item = parentPage < 0 ? new QTreeWidgetItem(FTree) : new QTreeWidgetItem(FPages[parentPage].Item);
    item->setText(0, LoadStr(captionId));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    page->layout()->setContentsMargins(8, 0, 0, 0);
    FStack->addWidget(page);
    FPages.append({key, page, firstControl, item});
}

QWidget* TSettingsForm::BuildGeneralPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4161), first);
    auto* combo = new QComboBox;
    combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const QList<int> available = AvailableLanguages();
    for (const TLanguageInfo& language : Languages()) {
        if (language.Alias || !available.contains(language.LanguageId))
            continue;
        QString name = TableStr(language.LanguageId, QV_STR(2021));
        if (name.isEmpty())
            name = language.NativeDisplayName();
        combo->addItem(name, language.AbbreviationText());
    }
    page.Row(QV_STR(2022), combo);
    TStringProperty* property = FSettings.General().Language();
    FAssociator.Add<TPropertyAssocEvents>(
        combo, [combo, property] { combo->setCurrentIndex(combo->findData(property->Value())); },
        [combo, property] {
            property->SetValue(combo->currentIndex() < 0 ? QString() : combo->currentData().toString());
        });
    return page.Page();
}

QWidget* TSettingsForm::BuildPalettePage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4177), first);
    const TPaletteFormSettings& palette = FSettings.PaletteForm();
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(palette.ShowHeaders(), page.CheckBox(QV_STR(4178)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(palette.ShowCaptions(), page.CheckBox(QV_STR(4179)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(palette.ShowHints(), page.CheckBox(QV_STR(4180)));
    return page.Page();
}

QWidget* TSettingsForm::BuildEditorPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4181), first);
    const TSheetSettings& sheet = FSettings.Sheet();
    FAssociator.Add<TPropertyAssocStrInComboBox>(&sheet.Theme(), ThemeBox(page));
    FAssociator.Add<TPropertyAssocEnumInComboBox>(&sheet.FontSize(),
                                                  page.List(QV_STR(4183), Lines(QV_STR(4184))));
    FAssociator.Add<TPropertyAssocIntInIntegerEdit>(
        &sheet.CaretSize(), page.Number(QV_STR(4186), sheet.CaretSize().Min(), sheet.CaretSize().Max()));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(&sheet.NonPrintingCharacters(),
                                                  page.CheckBox(QV_STR(4185)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(&sheet.FocusNew(), page.CheckBox(QV_STR(4187)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(&sheet.DropDownOnFocusNew(), page.CheckBox(QV_STR(4188)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(&sheet.IncreaseWorkspaceHeight(),
                                                  page.CheckBox(QV_STR(4189)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(FSettings.SheetForm().ShowHints(),
                                                  page.CheckBox(QV_STR(4180)));
    return page.Page();
}

QWidget* TSettingsForm::BuildNamingPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4192), first);
    const TNamingSettings& naming = FSettings.Naming();
    QCheckBox* enabled = page.CheckBox(QV_STR(4193));
    QComboBox* mode = page.List(QV_STR(4194), TNamingSettings::FillModeCaptions());
    // The stored range is wider; the page offers what makes sense to choose.
    QSpinBox* digits = page.Number(QV_STR(4196), 1, 10);
    QCheckBox* underscore = page.CheckBox(QV_STR(4197));
    QCheckBox* numberFirst = page.CheckBox(QV_STR(4198));
    auto* example = new QGroupBox(LoadStr(QV_STR(4199)));
    auto* names = new QLabel;
    names->setTextInteractionFlags(Qt::TextSelectableByMouse);
    (new QVBoxLayout(example))->addWidget(names);
    page.Form()->addRow(example);

    FAssociator.Add<TPropertyAssocBoolInCheckBox>(naming.FillEnabled(), enabled);
    FAssociator.Add<TPropertyAssocEnumInComboBox>(naming.FillMode(), mode);
    FAssociator.Add<TPropertyAssocIntInIntegerEdit>(naming.FillDigits(), digits);
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(naming.FillUnderscore(), underscore);
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(naming.FillNumberFirst(), numberFirst);

    // The example follows the controls, not the stored settings.
    QFormLayout* form = page.Form();
    auto update = [=] {
        TNamingSettings scratch(nullptr);
        scratch.FillMode()->SetValue(mode->currentIndex());
        scratch.FillDigits()->SetValue(digits->value());
        scratch.FillUnderscore()->SetValue(underscore->isChecked());
        scratch.FillNumberFirst()->SetValue(numberFirst->isChecked());
        names->setText(scratch.ExampleNames().join(QLatin1Char('\n')));
        const bool on = enabled->isChecked();
        for (QWidget* control :
             {form->labelForField(mode), static_cast<QWidget*>(mode), form->labelForField(digits),
              static_cast<QWidget*>(digits), static_cast<QWidget*>(underscore),
              static_cast<QWidget*>(numberFirst), static_cast<QWidget*>(example)})
            control->setEnabled(on);
    };
    update();
    connect(enabled, &QCheckBox::toggled, this, update);
    connect(mode, &QComboBox::currentIndexChanged, this, update);
    connect(digits, &QSpinBox::valueChanged, this, update);
    connect(underscore, &QCheckBox::toggled, this, update);
    connect(numberFirst, &QCheckBox::toggled, this, update);
    return page.Page();
}

QWidget* TSettingsForm::BuildLogPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4203), first);
    const TLogSettings& log = FSettings.Log();
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(log.WriteInformation(), page.CheckBox(QV_STR(4204)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(log.WriteHints(), page.CheckBox(QV_STR(4205)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(log.WriteWarnings(), page.CheckBox(QV_STR(4206)));
    return page.Page();
}

QWidget* TSettingsForm::BuildGenerationPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4211), first);
    const TGenerationSettings& generation = GenerationSettings();
    page.Form()->addRow(new QLabel(LoadStr(QV_STR(4212))));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(generation.MakeReadOnly(), page.CheckBox(QV_STR(4213)));
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(generation.InsertWarning(), page.CheckBox(QV_STR(4214)));
    return page.Page();
}

QWidget* TSettingsForm::BuildSoundsPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4207), first);
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(FSettings.Sounds().Enabled(), page.CheckBox(QV_STR(4208)));
    return page.Page();
}

QWidget* TSettingsForm::BuildPrintPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4209), first);
    const TPrintSettings& print = FSettings.Print();
    FAssociator.Add<TPropertyAssocStrInComboBox>(&print.Theme(), ThemeBox(page));
    FAssociator.Add<TPropertyAssocEnumInComboBox>(&print.FontSize(),
                                                  page.List(QV_STR(4183), Lines(QV_STR(4184))));
    QSpinBox* scale = page.Number(QV_STR(4210), print.Scale().Min(), print.Scale().Max());
    scale->setSuffix(QStringLiteral(" %"));
    FAssociator.Add<TPropertyAssocIntInIntegerEdit>(&print.Scale(), scale);
    return page.Page();
}

QWidget* TSettingsForm::BuildMiscPage(QWidget*& first)
{
    TPageBuilder page(QV_STR(4244), first);
    FAssociator.Add<TPropertyAssocBoolInCheckBox>(FSettings.Misc().BackupOnSave(),
                                                  page.CheckBox(QV_STR(4245)));
    return page.Page();
}

void ShowSettings(QWidget* owner, TSettings& settings, const QString& pageKey, std::function<void()> onApply)
{
    TSettingsForm form(owner, settings, pageKey, std::move(onApply));
    form.exec();
}

} // namespace qv
