#include "support/test_elements.h"

#include "core/knot.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme_filer.h"
#include "textor/canvas.h"

#include <QSet>

namespace qv {
namespace test {

QV_IMPLEMENT_CLASS(TTestField)
QV_IMPLEMENT_CLASS(TTestContainer)
QV_IMPLEMENT_CLASS(TTestRoot)
QV_IMPLEMENT_CLASS(TElement_Star)
QV_IMPLEMENT_CLASS(TElement_Rockfall)
QV_IMPLEMENT_CLASS(TElement_Note)
QV_IMPLEMENT_CLASS(TElement_TestImage)
QV_IMPLEMENT_CLASS(TTestTarget)
QV_IMPLEMENT_CLASS(TTestHidingPanel)
QV_IMPLEMENT_CLASS(TElement_Lamp)

// TTestField

TTestField::TTestField(TScheme* scheme) : TVisualElement(scheme)
{
    SetVisualOptions(voFocusTarget | voEditable);
}

void TTestField::SetText(const QString& text)
{
    if (text == FText)
        return;
    FText = text;
    Changed();
}

void TTestField::SetDefaultText(const QString& text)
{
    FDefaultText = text;
    FText = text;
    Update();
}

void TTestField::CheckContent()
{
    if (FText == QStringLiteral("bad"))
        GetMessages()->AddElementsMessage(mkInvalidContent, QStringLiteral("[Bad] value"),
                                          QString::number(ID()));
}

void TTestField::DeferredCheck()
{
    ++FCheckCount;
    inherited::DeferredCheck();
}

void TTestField::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    // An absent inline attribute is the default; an own node without "Value" was emptied on purpose.
    if (StoresInParentKnot(filer)) {
        const QString name = GetKnotName(filer);
        SetText(knot->FindParam(name) != nullptr ? knot->ReadString(name) : FDefaultText);
    } else {
        SetText(knot->ReadString(QStringLiteral("Value")));
    }
}

void TTestField::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (!FText.isEmpty())
        knot->WriteString(StoresInParentKnot(filer) ? GetKnotName(filer) : QStringLiteral("Value"), FText);
}

// TTestContainer

TTestContainer::TTestContainer(TScheme* scheme) : TVisualElement(scheme) {}

void TTestContainer::AppendElement(TElement* element)
{
    element->SetParent(this);
    FContent.append(element);
}

QString TTestContainer::ContentText() const
{
    QString text;
    for (const TTestContentItem& item : FContent) {
        if (const auto* run = std::get_if<TTestRun>(&item))
            text += run->Text;
        else if (std::holds_alternative<TTestBreak>(item))
            text += QStringLiteral("\r\n");
        else
            text += QStringLiteral("<") + std::get<TElement*>(item)->ElementClass()->XmlName() +
                    QStringLiteral(">");
    }
    return text;
}

void TTestContainer::ChildrenChanged()
{
    // Elements that left the container leave its content.
    QSet<TElement*> children;
    for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling())
        children.insert(static_cast<TElement*>(node));
    for (qsizetype i = FContent.size() - 1; i >= 0; --i) {
        if (TElement* const* element = std::get_if<TElement*>(&FContent[i]);
            element != nullptr && !children.contains(*element))
            FContent.removeAt(i);
    }
    inherited::ChildrenChanged();
}

void TTestContainer::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    knot->SetOptionsInclude(knot->OptionsInclude() | koIndexed);
    const TElementClassList classes = AcceptedClasses();
    // Walked without marking: what is not loaded must stay unread so that it is reported.
    for (TNode* node = knot->FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* child = static_cast<TKnot*>(node);
        if (child->Read())
            continue; // a part's node
        if (child->Name() == QStringLiteral("Chars")) {
            child->SetRead(true);
            FContent.append(TTestRun{child->ReadString(QStringLiteral("Value")),
                                     child->ReadString(QStringLiteral("Data"))});
        } else if (child->Name() == QStringLiteral("Br")) {
            child->SetRead(true);
            FContent.append(TTestBreak{});
        } else {
            TElement* element = CreateChildFromKnot(filer, child, nullptr, classes);
            FContent.append(element);
        }
    }
    Update();
}

void TTestContainer::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    knot->SetOptionsInclude(knot->OptionsInclude() | koIndexed);
    for (const TTestContentItem& item : FContent) {
        if (const auto* run = std::get_if<TTestRun>(&item)) {
            TKnot* chars = knot->AddKnot(QStringLiteral("Chars"));
            chars->WriteString(QStringLiteral("Value"), run->Text);
            if (!run->Data.isEmpty())
                chars->WriteString(QStringLiteral("Data"), run->Data);
        } else if (std::holds_alternative<TTestBreak>(item)) {
            knot->AddKnot(QStringLiteral("Br"))->SetOptionsInclude(koSameLine);
        } else {
            SaveChildToKnot(std::get<TElement*>(item), filer, knot);
        }
    }
}

// TTestRoot

TTestRoot::TTestRoot(TScheme* scheme) : TTestContainer(scheme)
{
    FTitle = CreatePart<TTestField>();
    FCaption = CreatePart<TTestField>();
    FCaption->SetOptions(FCaption->Options() | eoInline);
}

void TTestRoot::GetAcceptedClasses(TElementClassList& list)
{
    list.append(TElement_Star::StaticClass());
    list.append(TElement_Rockfall::StaticClass());
    list.append(TElement_Note::StaticClass());
    list.append(TElement_TestImage::StaticClass());
}

QString TTestRoot::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FTitle)
        return QStringLiteral("Title");
    if (part == FCaption)
        return QStringLiteral("Caption");
    return inherited::GetPartKnotName(part, filerMode);
}

// Inserted classes

TElement_Star::TElement_Star(TScheme* scheme) : TVisualElement(scheme) {}

TElement_Rockfall::TElement_Rockfall(TScheme* scheme) : TVisualElement(scheme)
{
    FCondition = CreatePart<TTestField>();
    FCondition->SetDefaultText(QStringLiteral("true"));
    FCondition->SetOptions(FCondition->Options() | eoTracked | eoRequired);
    SetVisualOptions(voCanDisable);
}

QString TElement_Rockfall::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FCondition)
        return QStringLiteral("Condition");
    return inherited::GetPartKnotName(part, filerMode);
}

TElement_Note::TElement_Note(TScheme* scheme) : TTestContainer(scheme)
{
    SetOptions(Options() | eoOptional);
    SetVisualOptions(voCanDisable);
}

void TElement_Note::GetAcceptedClasses(TElementClassList& list)
{
    list.append(TElement_Star::StaticClass());
    list.append(TElement_Note::StaticClass());
}

bool TElement_Note::CanInsertInto(const TElementClass*, const TElement* parent)
{
    return !IsInstanceOf(parent, TElement_Note::StaticClass());
}

// TTestTarget

TTestTarget::TTestTarget(TScheme* scheme) : TVisualElement(scheme)
{
    SetVisualOptions(voFocusTarget | voFocusOnClick);
}

void TTestTarget::Record(const char* hook)
{
    if (Log != nullptr)
        Log->append(Name + u':' + QLatin1String(hook));
}

void TTestTarget::GetCaret(int& kind, QRect& rect)
{
    kind = CaretKind;
    rect = CaretRect;
}

int TTestTarget::GetCursor(const QPoint&)
{
    return Cursor;
}

void TTestTarget::FocusChanging()
{
    Record("FocusChanging");
    inherited::FocusChanging();
}

void TTestTarget::FocusChanged()
{
    Record("FocusChanged");
    inherited::FocusChanged();
}

void TTestTarget::MouseEnter()
{
    Record("MouseEnter");
}

void TTestTarget::MouseLeave()
{
    Record("MouseLeave");
}

void TTestTarget::CaptureChanged()
{
    Record("CaptureChanged");
}

void TTestTarget::CaptureCancelled()
{
    Record("CaptureCancelled");
}

void TTestTarget::MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick)
{
    Record("MouseDown");
    LastMousePoint = point;
    inherited::MouseDown(point, shift, doubleClick);
}

void TTestTarget::MouseMove(const QPoint& point, Qt::KeyboardModifiers shift)
{
    Record("MouseMove");
    LastMousePoint = point;
    inherited::MouseMove(point, shift);
}

void TTestTarget::MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift)
{
    Record("MouseUp");
    LastMousePoint = point;
    inherited::MouseUp(point, released, shift);
}

void TTestTarget::Click()
{
    Record("Click");
    ++Clicks;
}

void TTestTarget::KeyDown(int& key, Qt::KeyboardModifiers)
{
    Record("KeyDown");
    if (ConsumeKeys)
        key = 0;
}

void TTestTarget::KeyPress(QChar& key)
{
    if (Log != nullptr)
        Log->append(Name + QStringLiteral(":KeyPress ") + QString::number(key.unicode()));
}

void TTestTarget::FocusLost()
{
    Record("FocusLost");
}

void TTestTarget::Activate()
{
    Record("Activate");
    inherited::Activate();
}

void TTestTarget::Relayout(bool all, bool force)
{
    ++Layouts;
    if (ToggleCoveredOnLayout)
        SetCovered(!IsCovered());
    inherited::Relayout(all, force);
}

void TTestTarget::PaintChildren(TCanvas* canvas, int flags)
{
    LastPaintFlags = flags;
    inherited::PaintChildren(canvas, flags);
}

void TTestTarget::PaintFocusOverlay(TCanvas* canvas)
{
    if (OverlayColour != 0)
        canvas->Painter().fillRect(QRect(-50, -50, 500, 500), QColor::fromRgb(OverlayColour));
}

// TElement_Lamp

TElement_Lamp::TElement_Lamp(TScheme* scheme) : TVisualElement(scheme)
{
    SetVisualOptions(voCanDisable);
}

QList<TPaletteItem*>& TElement_Lamp::Commands()
{
    static QList<TPaletteItem*> commands;
    return commands;
}

void TElement_Lamp::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    list.append(Commands());
}

bool TElement_Lamp::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (!Commands().contains(item))
        return inherited::ExecutePaletteItem(item, value);
    auto* sheet = dynamic_cast<TFakeSheet*>(Sheet());
    SheetUpdatesSeen = sheet != nullptr ? sheet->UpdateCount : -1;
    Log.append(item->Letters() + (value ? QStringLiteral("=1") : QStringLiteral("=0")));
    return true;
}

void TElement_Lamp::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (Commands().contains(item))
        state.Enabled = CommandsEnabled;
}

// TFakeSheet

TFakeSheet::TFakeSheet() : FTop(new TSheetElement(nullptr))
{
    FTop->SetSheet(this);
}

TFakeSheet::~TFakeSheet()
{
    FDropDown.reset();
    FTop.reset();
}

void TFakeSheet::OpenDropDown(std::unique_ptr<TDropDownList>&& list)
{
    CloseDropDown(false);
    FDropDown = std::move(list);
}

void TFakeSheet::CloseDropDown(bool commit)
{
    if (!FDropDown)
        return;
    std::unique_ptr<TDropDownList> list = std::move(FDropDown);
    DropDownsClosed.append(commit);
    if (commit)
        list->ApplyChosenEntry();
}

void TFakeSheet::SetFocusedElement(TVisualElement* element)
{
    if (element == FFocused)
        return;
    TVisualElement* old = FFocused;
    if (old != nullptr)
        old->FocusChanging();
    FFocused = element;
    if (old != nullptr)
        old->FocusChanged();
    if (element != nullptr)
        element->FocusChanged();
}

void TFakeSheet::ElementLeaving(TVisualElement* element)
{
    if (FFocused == element)
        FFocused = nullptr;
    if (FHot == element)
        FHot = nullptr;
    if (FCapture == element)
        FCapture = nullptr;
}

QString TestRootName(const QString& extension)
{
    if (extension == QStringLiteral("prm"))
        return QStringLiteral("ProgramModule");
    return QStringLiteral("FreeText");
}

} // namespace test
} // namespace qv
