#include "schemes/structured/structured_generators.h"

#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "library/check_box_field.h"
#include "library/custom_described_element.h"
#include "schemes/structured/structured_elements.h"

#include <functional>

namespace qv {

QV_IMPLEMENT_CLASS(TElement_XmlGenerator)
QV_IMPLEMENT_CLASS(TElement_IniGenerator)

namespace {

// Name content options of the copy: Latin letters, digits and "_", for XML beginning with a letter
// or "_".
constexpr uint32_t xmlNameOptions =
    tcoLetters | tcoDigits | tcoUnderscore | tcoBeginWithLetter | tcoLatinOnly;
constexpr uint32_t iniNameOptions = tcoLetters | tcoDigits | tcoUnderscore | tcoLatinOnly;
// INI values: any text without tabs and line breaks.
constexpr uint32_t iniValueOptions = tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial;

// Calls `visit` for every element below `element`, depth first.
void ForEachDescendant(TElement* element, const std::function<void(TElement*)>& visit)
{
    for (TNode* child = element->FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (auto* inner = dynamic_cast<TElement*>(child)) {
            visit(inner);
            ForEachDescendant(inner, visit);
        }
    }
}

void SetFieldOptions(TTextorElement* field, uint32_t contentOptions)
{
    field->SetContentOptions(contentOptions);
    field->Update();
}

// Comments document the tree; they are no data of it.
bool IsComment(TElement* element)
{
    return dynamic_cast<TCustomCommentElement*>(element) != nullptr;
}

} // namespace

// TElement_XmlGenerator

TElement_XmlGenerator::TElement_XmlGenerator(TScheme* scheme)
    : TGeneratorElement(scheme, [] {
          TGeneratorFieldClasses fields;
          fields.HasEncoding = false;
          return fields;
      }())
{
    FPacket = CreatePart<TCheckBoxField>();
    FPacket->SetCaption(LoadStr(5622));
    FPacket->SetVisualParent(this);
}

std::unique_ptr<TSchemeGeneratorWorker> TElement_XmlGenerator::CreateWorker()
{
    auto worker = std::make_unique<TXmlGeneratorWorker>();
    worker->Packet = FPacket->Checked();
    return worker;
}

QString TElement_XmlGenerator::DefaultExtension()
{
    return QStringLiteral("xml");
}

QString TElement_XmlGenerator::FileFilter()
{
    return QStringLiteral("XML (*.xml)");
}

QString TElement_XmlGenerator::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FPacket)
        return QStringLiteral("Packet");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_XmlGenerator::GetPartHint(TElement* part, QString& text)
{
    if (part != nullptr && part == FPacket) {
        text = LoadStr(5608);
        return;
    }
    inherited::GetPartHint(part, text);
}

void TElement_XmlGenerator::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    if (!writer.Contains(FPacket)) {
        writer.AddGap(6);
        writer.AddElement(FPacket, tiaCentre);
    }
}

QString TElement_XmlGenerator::TitleCaption()
{
    return LoadStr(5606);
}

void TElement_XmlGenerator::GetHint(QString& text)
{
    text = LoadStr(5607);
    inherited::GetHint(text);
}

// TElement_IniGenerator

std::unique_ptr<TSchemeGeneratorWorker> TElement_IniGenerator::CreateWorker()
{
    return std::make_unique<TIniGeneratorWorker>();
}

QString TElement_IniGenerator::DefaultExtension()
{
    return QStringLiteral("ini");
}

QString TElement_IniGenerator::FileFilter()
{
    return QStringLiteral("INI (*.ini)");
}

QString TElement_IniGenerator::TitleCaption()
{
    return LoadStr(5611);
}

void TElement_IniGenerator::GetHint(QString& text)
{
    text = LoadStr(5612);
    inherited::GetHint(text);
}

// TXmlGeneratorWorker

void TXmlGeneratorWorker::Initialize()
{
    TSchemeGeneratorWorker::Initialize();
    if (Root == nullptr)
        return;
    ForEachDescendant(Root, [](TElement* element) {
        if (auto* name = dynamic_cast<TParametrizedStructureNameField*>(element))
            SetFieldOptions(name, xmlNameOptions);
    });
}

void TXmlGeneratorWorker::VisitOther(TElement* element)
{
    auto* node = dynamic_cast<TElement_Node*>(element);
    if (node == nullptr) {
        TSchemeGeneratorWorker::VisitOther(element);
    } else if (RootNode == nullptr) {
        RootNode = node;
    } else {
        ReportAt(mkError, LoadStr(5610), {node});
    }
}

void TXmlGeneratorWorker::Generate()
{
    TSchemeGeneratorWorker::Generate();
    if (Cancelled())
        return;
    if (RootNode == nullptr) {
        if (Log != nullptr)
            Log->AddText(mkError, LoadStr(5609));
        return;
    }
    const TStructuredNode tree = StructuredTreeOf(
        RootNode, [this](TElement* field) { return Resolve(field); },
        [this](TElement* other) {
            if (!IsComment(other))
                TSchemeGeneratorWorker::VisitOther(other);
        });
    const QByteArray bytes = WriteStructuredXml(
        tree, Packet, [this](TElement* source) { ReportAt(mkError, LoadStr(5617), {source}); });
    WriteMainOutput(bytes);
}

// TIniGeneratorWorker

void TIniGeneratorWorker::Initialize()
{
    TSchemeGeneratorWorker::Initialize();
    if (Root == nullptr)
        return;
    ForEachDescendant(Root, [](TElement* element) {
        if (auto* name = dynamic_cast<TParametrizedStructureNameField*>(element)) {
            name->SetNameOptions(name->NameOptions() | nfoMustBeUnique);
            SetFieldOptions(name, iniNameOptions);
        } else if (auto* value = dynamic_cast<TParametrizedStructureAttributeValueContainer*>(element)) {
            SetFieldOptions(value, iniValueOptions);
        }
    });
}

void TIniGeneratorWorker::VisitOther(TElement* element)
{
    auto* node = dynamic_cast<TElement_Node*>(element);
    if (node == nullptr) {
        TSchemeGeneratorWorker::VisitOther(element);
        return;
    }
    Sections.append(StructuredTreeOf(
        node, [this](TElement* field) { return Resolve(field); },
        [this](TElement* other) {
            if (dynamic_cast<TElement_Node*>(other) != nullptr)
                ReportAt(mkError, LoadStr(5613), {other});
            else if (!IsComment(other))
                TSchemeGeneratorWorker::VisitOther(other);
        },
        false));
}

void TIniGeneratorWorker::Generate()
{
    TSchemeGeneratorWorker::Generate();
    if (Cancelled())
        return;
    const QString text = WriteStructuredIni(
        Sections, [this](TElement* source) { ReportAt(mkError, LoadStr(5617), {source}); });
    WriteMainOutput(EncodeText(text));
}

// Registration

void RegisterStructuredGenerators()
{
    static const bool registered = [] {
        RegisterProcessorElements();
        ApplicationClassesGroups()
            .GetGroup(TParametrizedStructureSchemeDescriptor::StaticClass()->ClassesGroup())
            .append({TElement_XmlGenerator::StaticClass(), TElement_IniGenerator::StaticClass()});
        auto* group = new TPaletteGroup(&Palette(), QV_STR(4400), 1300);
        new TElementPaletteItem(group, piBlock | piLarge, -1, QV_STR(5607), QV_STR(5606),
                                TElement_XmlGenerator::StaticClass(), 750);
        new TElementPaletteItem(group, piBlock | piLarge, -1, QV_STR(5612), QV_STR(5611),
                                TElement_IniGenerator::StaticClass(), 748);
        return true;
    }();
    (void)registered;
}

} // namespace qv
