#include "elements/scheme_descriptor.h"

#include "core/comma_text.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/classes_groups.h"
#include "elements/element.h"
#include "elements/element_sheet.h"
#include "elements/processing_service.h"
#include "elements/scheme.h"
#include "elements/visual_element.h"

#include <QFileInfo>

namespace qv {

QV_IMPLEMENT_CLASS(TSchemeWithPreProcessingDescriptor)
QV_IMPLEMENT_CLASS(TSchemeWithProcessingDescriptor)

int TSchemeDescriptorClass::ClassesGroup() const
{
    if (FClassesGroup < 0)
        FClassesGroup = ApplicationClassesGroups().AddGroup();
    return FClassesGroup;
}

const TSchemeDescriptor::TMetaType* TSchemeDescriptor::StaticClass() noexcept
{
    static const TMetaType meta("TSchemeDescriptor", nullptr);
    return &meta;
}

const TMetaClass* TSchemeDescriptor::ClassType() const noexcept
{
    return StaticClass();
}

QString TSchemeDescriptor::GetTitle(TDescriptor)
{
    return QString();
}

QString TSchemeDescriptor::GetMenuCaption(TDescriptor cls)
{
    return cls->GetTitle();
}

QString TSchemeDescriptor::GetDescription(TDescriptor)
{
    return QString();
}

QString TSchemeDescriptor::GetDefaultDocumentTitle(TDescriptor cls)
{
    return cls->GetTitle();
}

QString TSchemeDescriptor::GetExtension(TDescriptor)
{
    return QString();
}

QString TSchemeDescriptor::GetRootName(TDescriptor)
{
    return QString();
}

void TSchemeDescriptor::GetVerbParameters(TDescriptor, int, QStringList&) {}

void TSchemeDescriptor::GetCommandLineVerbs(TDescriptor, TCommandLineVerbs&) {}

void TSchemeDescriptor::GetVerb(TDescriptor, int, QString&, QKeySequence&) {}

TElement* TSchemeDescriptor::GetVisualRoot(TDescriptor, TScheme* scheme)
{
    return scheme != nullptr ? scheme->Root() : nullptr;
}

int TSchemeDescriptor::GetIconId(TDescriptor)
{
    return 0;
}

void TSchemeDescriptor::InitializeNewScheme(TDescriptor, TScheme* scheme)
{
    if (scheme != nullptr && scheme->Root() != nullptr)
        scheme->Root()->InitializeNewTree(nullptr);
}

bool TSchemeDescriptor::CanCreate(TDescriptor)
{
    return true;
}

int TSchemeDescriptor::GetSortValue(TDescriptor)
{
    return 0;
}

const TElementClass* TSchemeDescriptor::GetRootClass(TDescriptor)
{
    return nullptr;
}

void TSchemeDescriptor::PrepareSheet(TDescriptor, IElementSheet* sheet)
{
    if (sheet == nullptr || sheet->TopElement() == nullptr)
        return;
    TVisualElement* target = nullptr;
    if (sheet->TopElement()->FindFocusTarget(true, true, true, target))
        target->SetFocus();
}

bool TSchemeDescriptor::ConfirmNew(TDescriptor)
{
    return true;
}

void TSchemeDescriptor::ExecuteVerb(TDescriptor, TElement*, int, const QStringList*) {}

int TSchemeDescriptor::GetVerbCount(TDescriptor)
{
    return 0;
}

bool TSchemeDescriptor::AsksOnCreation(TDescriptor)
{
    return false;
}

// Processing document types

void TSchemeWithProcessingDescriptor::GetVerbParameters(TDescriptor, int verbIndex, QStringList& names)
{
    if (verbIndex == pvProcess)
        names.append(QStringLiteral("processors"));
}

void TSchemeWithProcessingDescriptor::GetCommandLineVerbs(TDescriptor, TCommandLineVerbs& list)
{
    list.append({QStringLiteral("delgenerated"), pvRemoveGenerated});
    list.append({QStringLiteral("process"), pvProcess});
}

void TSchemeWithProcessingDescriptor::GetVerb(TDescriptor, int index, QString& caption,
                                              QKeySequence& shortCut)
{
    switch (index) {
    case pvProcess:
        caption = LoadStr(4328);
        shortCut = QKeySequence(Qt::Key_F9);
        break;
    case pvRemoveGenerated:
        caption = LoadStr(4330);
        shortCut = QKeySequence();
        break;
    default:
        break;
    }
}

int TSchemeWithProcessingDescriptor::GetVerbCount(TDescriptor)
{
    return 2;
}

void TSchemeWithProcessingDescriptor::ExecuteVerb(TDescriptor, TElement* root, int index,
                                                  const QStringList* parameters)
{
    if (root == nullptr || (index != pvProcess && index != pvRemoveGenerated))
        return;
    IProcessingService* service = ProcessingService();
    TScheme* scheme = root->Scheme();
    if (service == nullptr || (scheme != nullptr && scheme->ReadOnlyLevel() == rolBusy)) {
        UserInterface().Beep();
        return;
    }
    if (index == pvRemoveGenerated) {
        TWaitCursor wait;
        TSchemeGroupGuard group(scheme, LoadStr(4330), true);
        service->RemoveGenerated(root);
        return;
    }
    const QList<TElement*> processors = service->ProcessorElements(root);
    const std::optional<QList<int>> picked = PickProcessors(parameters, int(processors.size()));
    if (!picked) {
        service->RunProcessors(root, nullptr);
        return;
    }
    QList<TElement*> list;
    for (int i : *picked)
        list.append(processors[i]);
    service->RunProcessors(root, &list);
}

std::optional<QList<int>> TSchemeWithProcessingDescriptor::PickProcessors(const QStringList* parameters,
                                                                          int processorCount)
{
    if (parameters == nullptr)
        return std::nullopt;
    const QString key = QStringLiteral("processors");
    QString value;
    bool found = false;
    for (const QString& parameter : *parameters) {
        const qsizetype equals = parameter.indexOf(u'=');
        const QString name = equals < 0 ? parameter : parameter.left(equals);
        if (name.compare(key, Qt::CaseInsensitive) == 0) {
            value = equals < 0 ? QString() : parameter.mid(equals + 1);
            found = true;
            break;
        }
    }
    if (!found || value.isEmpty())
        return std::nullopt;
    QList<int> picked;
    for (const QString& entry : SplitCommaText(value)) {
        bool ok = false;
        int number = entry.toInt(&ok);
        if (!ok)
            number = 0;
        if (number >= 1 && number <= processorCount)
            picked.append(number - 1);
    }
    return picked;
}

// Registry

void TSchemeRegistry::RegisterScheme(TDescriptor cls)
{
    const int value = cls->GetSortValue();
    for (qsizetype i = 0; i < FDescriptors.size(); ++i) {
        if (FDescriptors[i]->GetSortValue() < value) {
            FDescriptors.insert(i, cls);
            return;
        }
    }
    FDescriptors.append(cls);
}

TDescriptor TSchemeRegistry::FindDescriptorByExtension(const QString& fileName) const
{
    const QString extension = QFileInfo(fileName).suffix();
    if (extension.isEmpty())
        return nullptr;
    for (qsizetype i = FDescriptors.size() - 1; i >= 0; --i) {
        if (FDescriptors[i]->GetExtension().compare(extension, Qt::CaseInsensitive) == 0)
            return FDescriptors[i];
    }
    return nullptr;
}

TSchemeRegistry& SchemeRegistry()
{
    static TSchemeRegistry registry;
    return registry;
}

} // namespace qv
