#include "schemes/structured/structured_generators.h"

#include "core/strings.h"
#include "core/text_utils.h"
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

// Whether `encoding` is one of the UTF-16 and UTF-32 forms.
bool IsUnicodeEncoding(const QString& encoding)
{
    const QString name = encoding.toUpper().remove(u'-').remove(u'_');
    return name.startsWith(QStringLiteral("UTF16")) || name.startsWith(QStringLiteral("UTF32")) ||
           name.startsWith(QStringLiteral("UCS2")) || name.startsWith(QStringLiteral("UCS4")) ||
           name == QStringLiteral("UNICODE");
}

// Whether `bytes` begin with the byte order mark of UTF-16 or UTF-32, in either order.
bool HasByteOrderMark(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ||
           bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4));
}

// The node or attribute a name or value field belongs to.
TNamedElement* OwnerOf(TElement* field)
{
    return dynamic_cast<TNamedElement*>(field->ParentElement());
}

// Sets every name and value field of the copy below `root` to take any text: the generators check
// them by the rules of their output format, which take names the fields' own rules refuse.
void OpenFieldChecks(TElement* root)
{
    ForEachDescendant(root, [](TElement* element) {
        if (dynamic_cast<TParametrizedStructureNameField*>(element) != nullptr ||
            dynamic_cast<TParametrizedStructureAttributeValueContainer*>(element) != nullptr)
            SetFieldOptions(static_cast<TTextorElement*>(element), tcoAnything);
    });
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
    if (Root != nullptr)
        OpenFieldChecks(Root);
}

bool TXmlGeneratorWorker::ResolveField(TElement* field)
{
    if (!Resolve(field))
        return false;
    if (dynamic_cast<TParametrizedStructureNameField*>(field) == nullptr)
        return true;
    const QString name = static_cast<TTextorElement*>(field)->GetText();
    if (IsStructuredXmlName(name))
        return true;
    const bool start = IsStructuredXmlName(QStringLiteral("_") + name);
    ReportAt(mkInvalidContent, LoadStr(start ? 5624 : 5623, {MessageValueText(name)}), {OwnerOf(field)});
    return false;
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
        ++FurtherRoots;
    }
}

void TXmlGeneratorWorker::Generate()
{
    TSchemeGeneratorWorker::Generate();
    if (Cancelled())
        return;
    // A file that leaves out what the document holds is not the document's XML: nothing is written
    // and the run fails.
    if (RootNode == nullptr || FurtherRoots > 0) {
        const QString reason = LoadStr(RootNode == nullptr ? 5609 : 5610).remove(u'[').remove(u']');
        if (RootNode == nullptr && Log != nullptr)
            Log->AddText(mkError, LoadStr(5609));
        if (Log != nullptr)
            Log->AddText(mkFatal, LoadStr(5634, {MessagePathText(OutputFile), reason}));
        return;
    }
    const TStructuredNode tree = StructuredTreeOf(
        RootNode, [this](TElement* field) { return ResolveField(field); },
        [this](TElement* other) {
            if (!IsComment(other))
                TSchemeGeneratorWorker::VisitOther(other);
        });
    const QByteArray bytes = WriteStructuredXml(
        tree, Packet, [this](TElement* source, const QString& text) { ReportAt(mkError, text, {source}); });
    WriteMainOutput(bytes);
}

// TIniGeneratorWorker

void TIniGeneratorWorker::Initialize()
{
    TSchemeGeneratorWorker::Initialize();
    if (Root != nullptr)
        OpenFieldChecks(Root);
}

bool TIniGeneratorWorker::ResolveField(TElement* field)
{
    if (!Resolve(field))
        return false;
    TNamedElement* owner = OwnerOf(field);
    const QString text = static_cast<TTextorElement*>(field)->GetText();
    int32_t problem = 0;
    if (dynamic_cast<TParametrizedStructureNodeNameField*>(field) != nullptr)
        problem = IsIniSectionName(text) ? 0 : 5625;
    else if (dynamic_cast<TParametrizedStructureNameField*>(field) != nullptr)
        problem = IsIniKeyName(text) ? 0 : 5626;
    else if (owner != nullptr && !IsIniValue(text))
        problem = 5627;
    if (problem == 0)
        return true;
    const QString name = owner != nullptr ? owner->Name() : text;
    ReportAt(mkInvalidContent, LoadStr(problem, {MessageValueText(name)}), {owner});
    return false;
}

void TIniGeneratorWorker::VisitOther(TElement* element)
{
    auto* node = dynamic_cast<TElement_Node*>(element);
    if (node == nullptr) {
        TSchemeGeneratorWorker::VisitOther(element);
        return;
    }
    Sections.append(StructuredTreeOf(
        node, [this](TElement* field) { return ResolveField(field); },
        [this](TElement* other) {
            if (dynamic_cast<TElement_Node*>(other) != nullptr)
                ReportAt(mkError, LoadStr(5613), {other});
            else if (!IsComment(other))
                TSchemeGeneratorWorker::VisitOther(other);
        },
        swIni));
}

void TIniGeneratorWorker::Generate()
{
    TSchemeGeneratorWorker::Generate();
    if (Cancelled())
        return;
    const QString text = WriteStructuredIni(
        Sections, [this](TElement* source, const QString& text) { ReportAt(mkError, text, {source}); });
    // Readers of UTF-16 and UTF-32 INI files tell them from ANSI ones by the byte order mark.
    QByteArray bytes = EncodeText(text);
    if (!HasByteOrderMark(bytes) && IsUnicodeEncoding(Encoding))
        bytes = EncodeText(QChar(QChar::ByteOrderMark) + text);
    WriteMainOutput(bytes);
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
