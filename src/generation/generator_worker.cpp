#include "generation/generator_worker.h"

#include "core/knot.h"
#include "core/strings.h"
#include "core/text_encoding.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "fields/textor_element.h"
#include "generation/processor_element.h"
#include "library/named_element.h"
#include "library/path_element.h"
#include "library/references.h"
#include "naming/namespace_item.h"
#include "roots/file_connection.h"
#include "roots/root_parts.h"
#include "textor/textor_paragraph.h"
#include "textor/textor_portion.h"

#include <QFileInfo>

#include <vector>

namespace qv {

namespace {

std::vector<TValueElementHandler>& Handlers()
{
    static std::vector<TValueElementHandler> handlers;
    return handlers;
}

// A chain of copies of copies is followed back at most this far (a cycle in the map cannot hang).
constexpr int maxIdMapSteps = 64;

bool IsContentChild(const TNode* node)
{
    return (static_cast<const TElement*>(node)->Options() & eoPart) == 0;
}

// The embedded elements of a text field and everything inside them, in document order.
void CollectContentIds(TElement* field, const QSet<int32_t>* skip, QList<int32_t>& ids)
{
    for (TNode* child = field->FirstChild(); child != nullptr; child = child->NextSibling()) {
        // By id: a new element may take the memory of the one it replaces.
        if (!IsContentChild(child) ||
            (skip != nullptr && skip->contains(static_cast<TElement*>(child)->ID())))
            continue;
        std::vector<TNode*> nodes;
        child->CollectAll(nodes, TElement::StaticClass());
        for (TNode* node : nodes)
            ids.append(static_cast<TElement*>(node)->ID());
    }
}

// The range of the element portion holding `element` in `field`.
bool FindElementRange(TTextorElement* field, TVisualElement* element, TTextorRange& range)
{
    TElementPortion* portion = element->Portion();
    if (portion == nullptr || field->Textor() == nullptr)
        return false;
    for (TParagraph* p = field->Textor()->FirstParagraph(); p != nullptr; p = p->Next()) {
        int offset = 0;
        for (TPortion* piece = p->FirstPortion(); piece != nullptr; piece = piece->Next()) {
            if (piece == portion) {
                range = {p->PositionAt(offset), p->PositionAt(offset + 1)};
                return true;
            }
            offset += piece->Length();
        }
    }
    return false;
}

} // namespace

TSchemeGeneratorWorker::TSchemeGeneratorWorker() : FIdMap(std::make_shared<QHash<int32_t, int32_t>>()) {}

TSchemeGeneratorWorker::~TSchemeGeneratorWorker() = default;

void TSchemeGeneratorWorker::Initialize() {}

bool TSchemeGeneratorWorker::Resolve(TElement* element)
{
    if (element == nullptr)
        return false;
    if (FResolvedIds.contains(element->ID()))
        return element->IsValid();
    FResolvedIds.insert(element->ID());
    if (dynamic_cast<TTextorElement*>(element) != nullptr) {
        TScheme* scheme = element->Scheme();
        if (scheme != nullptr)
            scheme->BeginUpdate();
        try {
            TNode* child = element->FirstChild();
            while (child != nullptr) {
                // Taken first: resolving replaces the current child.
                TNode* next = child->NextSibling();
                if (IsContentChild(child))
                    ResolveChild(static_cast<TElement*>(child));
                child = next;
            }
        } catch (...) {
            if (scheme != nullptr)
                scheme->EndUpdate();
            throw;
        }
        if (scheme != nullptr)
            scheme->EndUpdate();
    }
    // The problems of what was resolved reach the processing log.
    if (Log != nullptr && element->Messages() != nullptr)
        Log->AddCopies(*element->Messages(), MessageSubject(element), QString::number(element->ID()));
    return element->IsValid();
}

void TSchemeGeneratorWorker::Generate()
{
    Resolve(Root);
    if (Root == nullptr)
        return;
    TNode* child = Root->FirstChild();
    while (child != nullptr && !Cancelled()) {
        TNode* next = child->NextSibling();
        auto* element = static_cast<TElement*>(child);
        if (!IsContentChild(child) || IsInstanceOf(element, TProcessorElement::StaticClass())) {
            child = next;
            continue;
        }
        const TValueElementHandler* handler = FindValueElementHandler(element->ElementClass());
        if (handler != nullptr && handler->ResolveTopLevel) {
            handler->ResolveTopLevel(*this, element);
        } else if (auto* connection = dynamic_cast<TElement_FileConnection*>(element)) {
            Resolve(connection->NameField());
            Resolve(connection->FileNameField());
        } else {
            VisitOther(element);
        }
        child = next;
    }
}

void TSchemeGeneratorWorker::VisitOther(TElement* element)
{
    if (element == nullptr)
        return;
    ReportAt(mkError, LoadStr(4421, {element->ElementClass()->XmlName()}), {element});
}

void TSchemeGeneratorWorker::ResolveChild(TElement* element)
{
    if (element == nullptr)
        return;
    const TValueElementHandler* handler = FindValueElementHandler(element->ElementClass());
    if (handler != nullptr) {
        if (handler->ResolveChild)
            handler->ResolveChild(*this, element);
        return;
    }
    if (dynamic_cast<TCustomPathOrFileNameElement*>(element) != nullptr) {
        Resolve(element);
        ReplaceElement(element, nullptr, PathValue(element));
    }
}

bool TSchemeGeneratorWorker::ResolveValueOf(TElement* substitution, TElement* target)
{
    if (substitution == nullptr || target == nullptr)
        return false;
    const TValueElementHandler* handler = FindValueElementHandler(target->ElementClass());
    QString text;
    if (handler == nullptr || !handler->ValueOf || !handler->ValueOf(*this, target, text))
        return false;
    ReplaceElement(substitution, nullptr, text);
    return true;
}

QString TSchemeGeneratorWorker::PathValue(TElement* pathElement)
{
    auto* path = dynamic_cast<TCustomPathOrFileNameElement*>(pathElement);
    return path != nullptr ? path->FullPath() : QString();
}

bool TSchemeGeneratorWorker::UnusedName(TElement* element, QString& name)
{
    auto* named = dynamic_cast<TNamedElement*>(element);
    if (named == nullptr || named->NameField() == nullptr || !MustBeUsed(element))
        return false;
    name = named->NameField()->GetText();
    if (name.isEmpty())
        return false;
    TNamespaceItem* item = named->NameField()->Item();
    return item == nullptr || item->ReferenceCount() == 0;
}

bool TSchemeGeneratorWorker::MustBeUsed(TElement* element)
{
    if (element == nullptr)
        return false;
    static const QStringList names = {QStringLiteral("FileConnection"), QStringLiteral("Language"),
                                      QStringLiteral("Multitext"), QStringLiteral("Text")};
    return names.contains(element->ElementClass()->XmlName());
}

std::unique_ptr<TSchemeGeneratorWorker>
TSchemeGeneratorWorker::CreateSubWorker(std::unique_ptr<TSchemeGeneratorWorker> sub)
{
    if (!sub)
        return sub;
    sub->SourceName = SourceName;
    sub->SourceFile = SourceFile;
    sub->HeaderLines = HeaderLines;
    sub->Encoding = Encoding;
    sub->OutputFile = OutputFile;
    sub->OutputFolder = OutputFolder;
    sub->Conditions = Conditions;
    sub->ProcessingTime = ProcessingTime;
    sub->Log = Log;
    sub->Root = Root;
    sub->LanguageField = LanguageField;
    sub->RunList = RunList;
    sub->Files = Files;
    sub->Files.CreatedFolders.clear();
    sub->Files.CreatedFiles.clear();
    sub->Files.Failures = 0;
    sub->Cancel = Cancel;
    sub->FIdMap = FIdMap;
    return sub;
}

void TSchemeGeneratorWorker::MergeResults(TSchemeGeneratorWorker& sub)
{
    Files.Merge(sub.Files);
}

QString TSchemeGeneratorWorker::GetOutputFolder() const
{
    if (!OutputFile.isEmpty()) {
        QString folder = QFileInfo(OutputFile).absolutePath();
        if (!folder.endsWith(u'/'))
            folder += u'/';
        return folder;
    }
    return OutputFolder;
}

bool TSchemeGeneratorWorker::HasLanguage()
{
    if (LanguageField == nullptr)
        return false;
    const bool filled = !LanguageField->GetText().isEmpty() || LanguageField->Target() != nullptr;
    if (filled && LanguageField->IsValid())
        return true;
    if (!FResolvedIds.contains(LanguageField->ID()))
        Resolve(LanguageField);
    return false;
}

void TSchemeGeneratorWorker::ReplaceElement(TElement* element, TElement* container, const QString& text)
{
    auto* field = element != nullptr ? dynamic_cast<TTextorElement*>(element->ParentElement()) : nullptr;
    auto* visual = dynamic_cast<TVisualElement*>(element);
    TTextorRange range;
    if (field == nullptr || visual == nullptr || !FindElementRange(field, visual, range))
        return;
    auto* source = dynamic_cast<TTextorElement*>(container);
    if (source == nullptr) {
        // Plain text goes straight into the copy's text: an edit operation would look its field
        // up by id, once per value, through the whole copy.
        if (!text.contains(u'\r') && !text.contains(u'\n')) {
            TTextor* textor = field->Textor();
            textor->BeginUpdate();
            const TTextorPosition at = textor->DeleteRange(range);
            if (!text.isEmpty())
                textor->InsertText(at, text, textor->AttributesAt(at));
            textor->EndUpdate();
            return;
        }
        field->ReplaceWithText(tetRange, &range, false, text);
        return;
    }
    TKnot content(QString::fromUtf16(textorContentName));
    {
        TSchemeSaver saver(fmFile, &content, 0);
        source->SaveContent(&saver, &content, nullptr);
    }
    QList<int32_t> oldIds;
    CollectContentIds(source, nullptr, oldIds);
    QSet<int32_t> before;
    for (TNode* child = field->FirstChild(); child != nullptr; child = child->NextSibling())
        before.insert(static_cast<TElement*>(child)->ID());
    field->Replace(tetRange, &range, false, ffGenerationCopy | ffNoPosition, fmFile, &content);
    QList<int32_t> newIds;
    CollectContentIds(field, &before, newIds);
    const qsizetype count = std::min(oldIds.size(), newIds.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (newIds[i] != oldIds[i])
            FIdMap->insert(newIds[i], oldIds[i]);
    }
}

int32_t TSchemeGeneratorWorker::OriginalID(int32_t id) const
{
    for (int step = 0; step < maxIdMapSteps; ++step) {
        const auto found = FIdMap->constFind(id);
        if (found == FIdMap->constEnd())
            break;
        id = found.value();
    }
    return id;
}

QString TSchemeGeneratorWorker::OriginalIDs(const QString& ids) const
{
    if (FIdMap->isEmpty())
        return ids;
    QStringList parts = ids.split(u',');
    for (QString& part : parts) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (ok)
            part = QString::number(OriginalID(id));
    }
    return parts.join(u',');
}

void TSchemeGeneratorWorker::ReportAt(uint8_t kind, const QString& text, const QList<TElement*>& elements)
{
    if (Log == nullptr)
        return;
    TElement* first = elements.isEmpty() ? nullptr : elements.first();
    TScheme* own = Root != nullptr ? Root->Scheme() : nullptr;
    if (first != nullptr && own != nullptr && first->Scheme() != own) {
        QString plain = text;
        plain.remove(u'[').remove(u']');
        const QString fileName = first->Scheme() != nullptr ? first->Scheme()->FileName() : QString();
        Log->AddText(kind, QFileInfo(fileName).fileName() + QStringLiteral(": ") + plain);
        return;
    }
    QStringList ids;
    for (TElement* element : elements) {
        if (element != nullptr)
            ids.append(QString::number(OriginalID(element->ID())));
    }
    Log->AddElementsMessage(kind, text, ids.join(u','));
}

QString TSchemeGeneratorWorker::HeaderComment(const QString& prefix, const QString& suffix,
                                              const QString& lineBreak) const
{
    QString result;
    for (const QString& line : HeaderLines)
        result += prefix + line + suffix + lineBreak;
    return result;
}

bool TSchemeGeneratorWorker::WriteMainOutput(const QByteArray& bytes)
{
    // A stopped run made only part of the output: the last complete one stays.
    if (Cancelled())
        return false;
    if (OutputFile.isEmpty()) {
        Files.ReportCannotCreate(OutputFile);
        return false;
    }
    if (!Files.WriteOutputFile(OutputFile, bytes))
        return false;
    Files.MoveToFront(OutputFile);
    return true;
}

QByteArray TSchemeGeneratorWorker::EncodeText(const QString& text) const
{
    if (!Encoding.isEmpty()) {
        const TTextEncoding encoding(Encoding.toLatin1());
        if (encoding.IsValid())
            return encoding.Encode(text);
    }
    return text.toUtf8();
}

// Handlers

void RegisterValueElementHandler(TValueElementHandler handler)
{
    if (handler.Class != nullptr)
        Handlers().push_back(std::move(handler));
}

const TValueElementHandler* FindValueElementHandler(const TElementClass* cls)
{
    const TValueElementHandler* best = nullptr;
    if (cls == nullptr)
        return nullptr;
    for (const TValueElementHandler& handler : Handlers()) {
        if (!cls->InheritsFrom(handler.Class))
            continue;
        // The nearest class wins; among equals, the last registered.
        if (best == nullptr || handler.Class->InheritsFrom(best->Class))
            best = &handler;
    }
    return best;
}

void RegisterSourceValueHandlers()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    TValueElementHandler path;
    path.Class = TSchemeSourcePathValueElement::StaticClass();
    path.ValueOf = [](TSchemeGeneratorWorker&, TElement* element, QString& value) {
        value = static_cast<TSchemeSourcePathValueElement*>(element)->Value();
        return true;
    };
    RegisterValueElementHandler(path);
    TValueElementHandler name;
    name.Class = TSchemeSourceNameValueElement::StaticClass();
    name.ValueOf = [](TSchemeGeneratorWorker&, TElement* element, QString& value) {
        value = static_cast<TSchemeSourceNameValueElement*>(element)->Value();
        return true;
    };
    RegisterValueElementHandler(name);
}

} // namespace qv
