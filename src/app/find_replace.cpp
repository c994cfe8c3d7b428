#include "app/find_replace.h"

#include "core/strings.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/find_data.h"
#include "elements/scheme.h"
#include "elements/sheet.h"
#include "elements/text_element.h"
#include "fields/textor_element.h"
#include "textor/textor.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {

namespace {

// Counts the replacements of Replace All beyond which a run is taken to be endless (a replacement
// that keeps producing matches never stops otherwise).
constexpr int maxReplacements = 1000000;

// The text field that holds `element` embedded in its text (directly or through other elements),
// inside `root`; null when there is none.
TTextorElement* EnclosingField(TVisualElement* element, TElement* root)
{
    for (TVisualElement* child = element; child != nullptr && child != root; child = child->VisualParent()) {
        if (child->Portion() == nullptr)
            continue;
        if (auto* field = dynamic_cast<TTextorElement*>(child->VisualParent()))
            return field;
    }
    return nullptr;
}

// The child of `field` whose portion holds `element`.
TVisualElement* EmbeddedChild(TVisualElement* element, TTextorElement* field)
{
    TVisualElement* child = element;
    while (child->VisualParent() != field)
        child = child->VisualParent();
    return child;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TTextSearch

bool TTextSearch::Search(int mode)
{
    if (FScheme == nullptr || FSheet == nullptr || Text.isEmpty())
        return false;
    TFindData findData(FScheme->Root(), Text, MatchCase);
    findData.SetFocusFlags(false, false);
    TVisualElement* found = nullptr;
    {
        TSchemeGroupGuard group(FScheme, QString(), false);
        TUpdateGuard<TSheet> update(*FSheet);
        const bool shownOnly = FSheet->FocusShownOnly();
        FSheet->SetFocusShownOnly(false);
        TVisualElement* element = FSheet->FocusedElement();
        if (element == nullptr && !FSheet->TopElement()->FindFocusTarget(Forward, false, false, element))
            element = nullptr;
        int position = 0;
        while (element != nullptr) {
            TVisualElement* next = nullptr;
            if (element->FindText(mode, findData, position, next, Forward)) {
                found = element;
                break;
            }
            // Only the field searched first has a selection that counts.
            mode = 0;
            if (next == nullptr) {
                // The end of an element embedded in a text field: the search goes on in that field's
                // text beside it.
                if (TTextorElement* field = EnclosingField(element, findData.Root())) {
                    field->FocusBeside(EmbeddedChild(element, field), Forward);
                    mode = 2;
                    next = field;
                }
            }
            element = next != element ? next : nullptr;
        }
        if (found != nullptr)
            found->EnsureShown();
        FSheet->SetFocusShownOnly(shownOnly);
        if (found != nullptr)
            FSheet->RequestCaretVisible(true);
    }
    return found != nullptr;
}

TTextorElement* TTextSearch::SelectedMatch() const
{
    auto* field = dynamic_cast<TTextorElement*>(FSheet != nullptr ? FSheet->FocusedElement() : nullptr);
    if (field == nullptr || Text.isEmpty())
        return nullptr;
    TTextorRange range;
    if (!field->Textor()->FromIndex(field->Selection(), range))
        return nullptr;
    const QString selected = field->Textor()->GetRangeText(range);
    const TFindData findData(FScheme->Root(), Text, MatchCase);
    return selected.size() == Text.size() && findData.Matches(selected) ? field : nullptr;
}

bool TTextSearch::ReplaceMatch(const QString& replacement)
{
    TTextorElement* field = SelectedMatch();
    if (field == nullptr)
        return false;
    TTextorIndexRange selection = field->Selection();
    if (selection.End < selection.Start)
        std::swap(selection.Start, selection.End);
    static_cast<ITextElement*>(field)->ReplaceSelection(replacement);
    // The replacement stays selected so that the next search (mode 1) goes on beyond it either way.
    field->SetSelection(
        {selection.Start, {selection.Start.Paragraph, selection.Start.Offset + int(replacement.size())}});
    return true;
}

bool TTextSearch::SearchFromOtherEnd()
{
    TVisualElement* before = FSheet->FocusedElement();
    const int32_t beforeID = before != nullptr ? before->ID() : 0;
    auto* field = dynamic_cast<TTextorElement*>(before);
    const TTextorIndexRange selection = field != nullptr ? field->Selection() : TTextorIndexRange{};
    // Without a focused element the search starts at the first focus target in its direction, and
    // that target searches all of its content.
    FSheet->SetFocus(nullptr);
    if (Search(0))
        return true;
    // Nothing anywhere: the caret goes back to where it was.
    if (auto* again = dynamic_cast<TVisualElement*>(FScheme->FindElementByID(beforeID))) {
        FSheet->SetFocus(again);
        if (again == field)
            field->SetSelection(selection);
    }
    return false;
}

bool TTextSearch::WrapAround()
{
    if (FSheet == nullptr || Text.isEmpty())
        return false;
    if (UserInterface().MessageBox(LoadStr(Forward ? QV_STR(4932) : QV_STR(4933)), QString(), miQuestion,
                                   mbYes | mbNo, mbYes) != mbYes)
        return false;
    if (SearchFromOtherEnd())
        return true;
    TFindData(nullptr, Text, MatchCase).NotFound();
    return false;
}

bool TTextSearch::FindNext()
{
    return Search(0) || WrapAround();
}

bool TTextSearch::Replace(const QString& replacement)
{
    if (FSheet == nullptr || FSheet->IsReadOnly()) {
        UserInterface().Beep();
        return false;
    }
    bool replaced = false;
    {
        TSchemeGroupGuard group(FScheme, QString(), false);
        replaced = ReplaceMatch(replacement);
    }
    return Search(replaced ? 1 : 0) || WrapAround();
}

int TTextSearch::ReplaceAll(const QString& replacement)
{
    if (FSheet == nullptr || FSheet->IsReadOnly()) {
        UserInterface().Beep();
        if (FSheet != nullptr)
            UserInterface().MessageBox(LoadStr(QV_STR(4934)), QString(), miInformation, mbOk, mbOk);
        return 0;
    }
    int count = 0;
    {
        TSchemeGroupGuard group(FScheme, QString(), false);
        if (SelectedMatch() == nullptr && !Search(0))
            count = -1;
        while (count >= 0 && count < maxReplacements && ReplaceMatch(replacement)) {
            ++count;
            if (!Search(1))
                break;
        }
    }
    count = qMax(count, 0);
    UserInterface().MessageBox(LoadStr(QV_STR(2944), {QString::number(count)}), QString(), miInformation,
                               mbOk, mbOk);
    return count;
}

// ---------------------------------------------------------------------------------------------------
// TFindReplaceDialog

TFindReplaceDialog::TFindReplaceDialog(bool replace, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(LoadStr(replace ? QV_STR(4034) : QV_STR(4036)));
    auto* fields = new QVBoxLayout;
    auto* findRow = new QHBoxLayout;
    auto* findLabel = new QLabel(LoadStr(QV_STR(4028)), this);
    FText = new QLineEdit(this);
    findLabel->setBuddy(FText);
    findRow->addWidget(findLabel);
    findRow->addWidget(FText, 1);
    fields->addLayout(findRow);
    if (replace) {
        auto* replaceRow = new QHBoxLayout;
        auto* replaceLabel = new QLabel(LoadStr(QV_STR(4029)), this);
        FReplacement = new QLineEdit(this);
        replaceLabel->setBuddy(FReplacement);
        replaceRow->addWidget(replaceLabel);
        replaceRow->addWidget(FReplacement, 1);
        fields->addLayout(replaceRow);
        findLabel->setMinimumWidth(replaceLabel->sizeHint().width());
    }
    auto* optionsRow = new QHBoxLayout;
    FMatchCase = new QCheckBox(LoadStr(QV_STR(4030)), this);
    optionsRow->addWidget(FMatchCase, 0, Qt::AlignBottom);
    optionsRow->addStretch(1);
    auto* direction = new QGroupBox(LoadStr(QV_STR(4031)), this);
    auto* directionRow = new QHBoxLayout(direction);
    auto* up = new QRadioButton(LoadStr(QV_STR(4032)), direction);
    FDown = new QRadioButton(LoadStr(QV_STR(4033)), direction);
    FDown->setChecked(true);
    directionRow->addWidget(up);
    directionRow->addWidget(FDown);
    optionsRow->addWidget(direction);
    fields->addLayout(optionsRow);
    fields->addStretch(1);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    auto add = [this, buttons](const QString& caption, std::function<void()> TFindReplaceDialog::*handler) {
        QPushButton* button = buttons->addButton(caption, QDialogButtonBox::ActionRole);
        QObject::connect(button, &QPushButton::clicked, this, [this, handler] {
            if (this->*handler)
                (this->*handler)();
        });
        FSearchButtons.append(button);
        return button;
    };
    QPushButton* findNext = add(LoadStr(QV_STR(2942)), &TFindReplaceDialog::OnFindNext);
    findNext->setDefault(true);
    if (replace) {
        add(LoadStr(QV_STR(4034)), &TFindReplaceDialog::OnReplace);
        add(LoadStr(QV_STR(4035)), &TFindReplaceDialog::OnReplaceAll);
    }
    QPushButton* cancel = buttons->addButton(LoadStr(QV_STR(2024)), QDialogButtonBox::RejectRole);
    QObject::connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addWidget(buttons);
    QObject::connect(FText, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    UpdateButtons();
}

QString TFindReplaceDialog::Text() const
{
    return FText->text();
}

void TFindReplaceDialog::SetText(const QString& text)
{
    FText->setText(text);
    FText->selectAll();
}

QString TFindReplaceDialog::Replacement() const
{
    return FReplacement != nullptr ? FReplacement->text() : QString();
}

bool TFindReplaceDialog::MatchCase() const
{
    return FMatchCase->isChecked();
}

bool TFindReplaceDialog::Forward() const
{
    return FDown->isChecked();
}

void TFindReplaceDialog::UpdateButtons()
{
    for (QPushButton* button : std::as_const(FSearchButtons))
        button->setEnabled(!FText->text().isEmpty());
}

} // namespace qv
