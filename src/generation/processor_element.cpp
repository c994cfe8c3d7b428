#include "generation/processor_element.h"

#include "core/knot.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/palette.h"
#include "elements/processing_service.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "generation/generator_worker.h"
#include "generation/scheme_processor.h"
#include "library/expand_button.h"
#include "library/references.h"
#include "library/simple_fields.h"
#include "naming/namespace_item.h"

namespace qv {

QV_IMPLEMENT_CLASS(TProcessorElementConditions)
QV_IMPLEMENT_CLASS(TProcessorElement)
QV_IMPLEMENT_CLASS(TGeneratorElementOutputField)
QV_IMPLEMENT_CLASS(TGeneratorElementOutputFileField)
QV_IMPLEMENT_CLASS(TGeneratorElementOutputPathField)
QV_IMPLEMENT_CLASS(TElement_GeneratedPath)
QV_IMPLEMENT_CLASS(TElement_GeneratedFile)
QV_IMPLEMENT_CLASS(TGeneratorElementGenerated)
QV_IMPLEMENT_CLASS(TGeneratorElementLanguageField)
QV_IMPLEMENT_CLASS(TGeneratorElement)

namespace {

TSchemePaletteItem* executeItem = nullptr;

// The parts the default output consists of: built-in value names and the text after them.
struct TDefaultOutput
{
    QStringList Names;
    QString Text;
};

TDefaultOutput DefaultOutputOf(TGeneratorElementOutputField* field, bool file)
{
    TDefaultOutput result;
    result.Names.append(QStringLiteral("SourcePath"));
    if (!file)
        return result;
    result.Names.append(QStringLiteral("SourceName"));
    auto* generator = dynamic_cast<TGeneratorElement*>(field->ParentElement());
    const QString extension = generator != nullptr ? generator->DefaultExtension() : QString();
    if (!extension.isEmpty())
        result.Text = QStringLiteral(".") + extension;
    return result;
}

// Fills `field` with substitutions of `names` followed by `text`, without an undo record.
void FillWithSubstitutions(TTextorElement* field, const TDefaultOutput& output)
{
    field->SetText(QString());
    const TElementClass* substitution = ElementClassByNodeName(QStringLiteral("Substitution"));
    if (substitution == nullptr || field->Scheme() == nullptr)
        return;
    TKnot content(QString::fromUtf16(textorContentName));
    {
        TSchemeSaver saver(fmFile, &content, 0);
        for (const QString& name : output.Names) {
            TNodePtr<TElement> element = substitution->CreateElement(field->Scheme());
            if (!element)
                return;
            auto* text = dynamic_cast<TTextorElement*>(element.get());
            if (text != nullptr)
                text->SetText(name);
            element->SaveToKnot(&saver, content.AddKnot(substitution->XmlName()));
        }
        if (!output.Text.isEmpty())
            content.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), output.Text);
    }
    TSchemeLoader loader(field->Scheme(), nullptr, &content, 0, fmFile);
    field->LoadContent(&loader, &content, nullptr);
    loader.Finish();
}

} // namespace

const TElementClass* ElementClassByNodeName(const QString& nodeName)
{
    const TMetaClass* cls = TMetaClass::FindClass(QStringLiteral("TElement_") + nodeName);
    if (cls == nullptr || !cls->InheritsFrom(TElement::StaticClass()))
        return nullptr;
    return static_cast<const TElementClass*>(cls);
}

// TProcessorElementConditions

TProcessorElementConditions::TProcessorElementConditions(TScheme* scheme) : TCheckNamesBox(scheme) {}

bool TProcessorElementConditions::AcceptsItem(TNamespaceItem* item)
{
    const TElementClass* condition = ElementClassByNodeName(QStringLiteral("Condition"));
    TElement* element = item != nullptr ? item->Element() : nullptr;
    return condition != nullptr && element != nullptr && element->ClassType()->InheritsFrom(condition) &&
           inherited::AcceptsItem(item);
}

// TProcessorElement

TProcessorElement::TProcessorElement(TScheme* scheme) : TTitledElement(scheme)
{
    CreateExpandButton(true);
    FConditions = CreatePart<TProcessorElementConditions>();
    FConditions->SetVisualParent(this);
}

std::unique_ptr<TSchemeProcessor> TProcessorElement::CreateProcessor()
{
    return nullptr;
}

QString TProcessorElement::TitleCaption()
{
    return QString();
}

bool TProcessorElement::CanInsertInto(const TElementClass* cls, const TElement* parent)
{
    const TElementClass* decision = ElementClassByNodeName(QStringLiteral("If"));
    for (const TElement* e = parent; e != nullptr && decision != nullptr; e = e->ParentElement()) {
        if (e->ClassType()->InheritsFrom(decision))
            return false;
    }
    return inherited::CanInsertInto(cls, parent);
}

void TProcessorElement::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    const QString caption = TitleCaption();
    if (!caption.isEmpty())
        writer.AddText(caption);
    if (IsExpanded() && FConditions != nullptr && FConditions->FirstChild() != nullptr) {
        writer.EndRow();
        writer.AddElement(FConditions);
    }
}

QString TProcessorElement::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FConditions)
        return QStringLiteral("Conditions");
    return inherited::GetPartKnotName(part, filerMode);
}

void TProcessorElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    if (executeItem != nullptr)
        list.append(executeItem);
    inherited::GetPaletteItems(list);
}

void TProcessorElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (item != nullptr && item == executeItem)
        state.Enabled = ProcessingService() != nullptr;
}

bool TProcessorElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    if (item == nullptr || item != executeItem)
        return inherited::ExecutePaletteItem(item, value);
    IProcessingService* service = ProcessingService();
    TElement* root = Scheme() != nullptr ? Scheme()->Root() : nullptr;
    if (service == nullptr || root == nullptr) {
        UserInterface().Beep();
        return true;
    }
    const QList<TElement*> processors{this};
    service->RunProcessors(root, &processors);
    return true;
}

// TGeneratorElementOutputField

TGeneratorElementOutputField::TGeneratorElementOutputField(TScheme* scheme) : TTextorElement(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboElements | tboFieldFrame | tboWrap480);
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial);
}

bool TGeneratorElementOutputField::IsAtDefault()
{
    const TDefaultOutput output =
        DefaultOutputOf(this, !ClassType()->InheritsFrom(TGeneratorElementOutputPathField::StaticClass()));
    QStringList names;
    QString text;
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* element = static_cast<TElement*>(child);
        if ((element->Options() & eoPart) != 0)
            continue;
        auto* field = dynamic_cast<TTextorElement*>(element);
        names.append(field != nullptr ? field->GetText() : QString());
    }
    return names == output.Names && GetText() == output.Text;
}

void TGeneratorElementOutputField::FillDefault()
{
    FillWithSubstitutions(this, DefaultOutputOf(this, true));
}

bool TGeneratorElementOutputField::IsDefault() const
{
    // Reading the texts and the generator's extension changes nothing.
    return const_cast<TGeneratorElementOutputField*>(this)->IsAtDefault();
}

void TGeneratorElementOutputField::GetAcceptedClasses(TElementClassList& list)
{
    for (const QString& name : {QStringLiteral("Substitution"), QStringLiteral("ProcessingDateTime")}) {
        if (const TElementClass* cls = ElementClassByNodeName(name))
            list.append(cls);
    }
}

void TGeneratorElementOutputField::GetHint(QString& text)
{
    text = LoadStr(4403);
}

TGeneratorElementOutputFileField::TGeneratorElementOutputFileField(TScheme* scheme)
    : TGeneratorElementOutputField(scheme)
{}

void TGeneratorElementOutputFileField::GetHint(QString& text)
{
    text = LoadStr(4403);
}

TGeneratorElementOutputPathField::TGeneratorElementOutputPathField(TScheme* scheme)
    : TGeneratorElementOutputField(scheme)
{}

void TGeneratorElementOutputPathField::FillDefault()
{
    FillWithSubstitutions(this, DefaultOutputOf(this, false));
}

void TGeneratorElementOutputPathField::GetHint(QString& text)
{
    text = LoadStr(4404);
}

// Generated entries

namespace {

// A relative stored entry is resolved against the document's folder only: a file of the same name
// in a search folder must never stand in for it.
template <class E>
void ReloadDocumentOnly(E* entry, TSchemeLoader* filer, TKnot* knot)
{
    if (entry->StoreAbsolute() || entry->Scheme() == nullptr || filer->Mode() == fmSnapshot)
        return;
    QString value = knot->ReadString(QStringLiteral("Value"));
    if (!value.startsWith(u'/'))
        value.replace(u'\\', u'/');
    entry->SetPath(entry->ResolveStoredPath(value, prmDocumentOnly));
}

} // namespace

TElement_GeneratedPath::TElement_GeneratedPath(TScheme* scheme) : TCustomPathElement(scheme)
{
    SetVisualOptions(VisualOptions() | voReadOnly);
}

TSheetThemeElement TElement_GeneratedPath::FrameElement() const
{
    return steSubstitution;
}

void TElement_GeneratedPath::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    ReloadDocumentOnly(this, filer, knot);
}

TElement_GeneratedFile::TElement_GeneratedFile(TScheme* scheme) : TCustomFileNameElement(scheme)
{
    SetVisualOptions(VisualOptions() | voReadOnly);
}

TSheetThemeElement TElement_GeneratedFile::FrameElement() const
{
    return steSubstitution;
}

void TElement_GeneratedFile::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    ReloadDocumentOnly(this, filer, knot);
}

// TGeneratorElementGenerated

TGeneratorElementGenerated::TGeneratorElementGenerated(TScheme* scheme) : TTitledTextContainer(scheme)
{
    SetVisualOptions(VisualOptions() | voReadOnly);
    SetBehaviourOptions(BehaviourOptions() | tboElements | tboElementsOnOwnLine);
}

QStringList TGeneratorElementGenerated::Paths()
{
    QStringList paths;
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* entry = dynamic_cast<TCustomPathOrFileNameElement*>(child);
        if (entry == nullptr || (entry->Options() & eoPart) != 0)
            continue;
        if (!IsInstanceOf(entry, TElement_GeneratedPath::StaticClass()) &&
            !IsInstanceOf(entry, TElement_GeneratedFile::StaticClass()))
            continue;
        const QString path = entry->FullPath();
        if (path.startsWith(u'/'))
            paths.append(path);
    }
    return paths;
}

void TGeneratorElementGenerated::GetAcceptedClasses(TElementClassList& list)
{
    list.append(TElement_GeneratedPath::StaticClass());
    list.append(TElement_GeneratedFile::StaticClass());
}

// TGeneratorElementLanguageField

TGeneratorElementLanguageField::TGeneratorElementLanguageField(TScheme* scheme) : TReferenceField(scheme) {}

bool TGeneratorElementLanguageField::AcceptsTarget(TNamespaceItem* item)
{
    TElement* element = item != nullptr ? item->Element() : nullptr;
    if (element == nullptr)
        return false;
    for (const QString& name : {QStringLiteral("Language"), QStringLiteral("UnitedLanguage")}) {
        const TElementClass* cls = ElementClassByNodeName(name);
        if (cls != nullptr && element->ClassType()->InheritsFrom(cls))
            return true;
    }
    return false;
}

void TGeneratorElementLanguageField::GetHint(QString& text)
{
    text = LoadStr(4406);
}

// TGeneratorElement

TGeneratorElement::TGeneratorElement(TScheme* scheme) : TGeneratorElement(scheme, TGeneratorFieldClasses()) {}

TGeneratorElement::TGeneratorElement(TScheme* scheme, const TGeneratorFieldClasses& fields)
    : TProcessorElement(scheme)
{
    auto make = [this](const TElementClass* cls, const TElementClass* def) {
        TElement* part = CreatePart(cls != nullptr ? cls : def, this);
        if (auto* visual = dynamic_cast<TVisualElement*>(part))
            visual->SetVisualParent(this);
        return part;
    };
    if (fields.HasOutput)
        FOutputField = static_cast<TGeneratorElementOutputField*>(
            make(fields.Output, TGeneratorElementOutputFileField::StaticClass()));
    if (fields.HasLanguage)
        FLanguageField = static_cast<TReferenceField*>(
            make(fields.Language, TGeneratorElementLanguageField::StaticClass()));
    if (fields.HasEncoding)
        FEncodingField = static_cast<TTextorElement*>(make(fields.Encoding, TEncodingField::StaticClass()));
    FGeneratedExpanded = TExpandButton::Create(this, false, nullptr, this);
    FGenerated = CreatePart<TGeneratorElementGenerated>();
    FGenerated->SetVisualParent(this);
    FGeneratedExpanded->AddControlled(FGenerated);
}

std::unique_ptr<TSchemeGeneratorWorker> TGeneratorElement::CreateWorker()
{
    return std::make_unique<TSchemeGeneratorWorker>();
}

QString TGeneratorElement::DefaultExtension()
{
    return QString();
}

QString TGeneratorElement::FileFilter()
{
    return QString();
}

QStringList TGeneratorElement::GeneratedPaths()
{
    return FGenerated != nullptr ? FGenerated->Paths() : QStringList();
}

void TGeneratorElement::SetGeneratedPaths(const QStringList& paths)
{
    if (FGenerated == nullptr || GeneratedPaths() == paths)
        return;
    if (paths.isEmpty()) {
        FGenerated->ReplaceWithText(tetAll, nullptr, false, QString());
        return;
    }
    QList<TElement*> entries;
    for (const QString& path : paths) {
        const TElementClass* cls = TElement_GeneratedFile::StaticClass();
        if (path.endsWith(u'/'))
            cls = TElement_GeneratedPath::StaticClass();
        TNodePtr<TElement> entry = cls->CreateElement(Scheme());
        static_cast<TCustomPathOrFileNameElement*>(entry.get())->SetPath(path);
        entries.append(entry.release());
    }
    FGenerated->ReplaceWithElements(tetAll, nullptr, entries);
}

std::unique_ptr<TSchemeProcessor> TGeneratorElement::CreateProcessor()
{
    return std::make_unique<TSchemeGenerator>();
}

void TGeneratorElement::InitializeNew(TPaletteItem* item)
{
    inherited::InitializeNew(item);
    if (FOutputField != nullptr)
        FOutputField->FillDefault();
}

void TGeneratorElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    if (FOutputField != nullptr && knot->FindKnot(GetPartKnotName(FOutputField, filer->Mode())) == nullptr)
        FOutputField->FillDefault();
}

QString TGeneratorElement::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr) {
        if (part == FOutputField)
            return QStringLiteral("Output");
        if (part == FLanguageField)
            return QStringLiteral("Language");
        if (part == FEncodingField)
            return QStringLiteral("Encoding");
        if (part == FGenerated)
            return QStringLiteral("Generated");
        if (part == FGeneratedExpanded)
            return QStringLiteral("GeneratedFilesExpanded");
    }
    return inherited::GetPartKnotName(part, filerMode);
}

void TGeneratorElement::GetPartHint(TElement* part, QString& text)
{
    if (part != nullptr && part == FEncodingField) {
        text = LoadStr(4407);
        return;
    }
    inherited::GetPartHint(part, text);
}

void TGeneratorElement::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    if (!IsExpanded())
        return;
    const std::pair<int32_t, TVisualElement*> lines[] = {
        {4440, FOutputField}, {4441, FLanguageField}, {4442, FEncodingField}};
    for (const auto& [caption, field] : lines) {
        if (field == nullptr)
            continue;
        writer.EndRow();
        writer.AddText(LoadStr(caption));
        writer.AddGap(6);
        writer.AddElement(field, tiaCentre);
    }
    writer.EndRow();
    writer.AddExpandButton(FGeneratedExpanded);
    writer.AddText(LoadStr(4443));
    if (FGeneratedExpanded->Expanded()) {
        writer.EndRow();
        writer.AddContent(FGenerated);
    }
}

// Registration

void RegisterProcessorElements()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    // Classes register their names when first used: loading finds them by name.
    TProcessorElement::StaticClass();
    TGeneratorElement::StaticClass();
    TElement_GeneratedPath::StaticClass();
    TElement_GeneratedFile::StaticClass();
    TGeneratorElementGenerated::StaticClass();
    TGeneratorElementOutputFileField::StaticClass();
    TGeneratorElementOutputPathField::StaticClass();
    TGeneratorElementLanguageField::StaticClass();
    TProcessorElementConditions::StaticClass();
    executeItem = new TSchemePaletteItem(Palette().ActionsGroup(), 0, -1, QV_STR(4402), QV_STR(4401), 190);
    RegisterSourceValueHandlers();
}

} // namespace qv
