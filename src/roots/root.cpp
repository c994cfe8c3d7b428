#include "roots/root.h"

#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "library/data_element.h"
#include "roots/application_namespace.h"
#include "roots/file_connection.h"
#include "roots/root_parts.h"

#include <QDir>
#include <QFileInfo>

namespace qv {

QV_IMPLEMENT_CLASS(TSchemeSourcePathValueElement)
QV_IMPLEMENT_CLASS(TSchemeSourceNameValueElement)
QV_IMPLEMENT_CLASS(TUnitedLanguages)
QV_IMPLEMENT_CLASS(TRoot)
QV_IMPLEMENT_CLASS(TRootWithPreProcessing)
QV_IMPLEMENT_CLASS(TRootWithProcessing)
QV_IMPLEMENT_CLASS(TPlainTextRoot)

// The built-in source values

TSchemeSourcePathValueElement::TSchemeSourcePathValueElement(TScheme* scheme) : TNameElement(scheme)
{
    SetRegistered(false);
}

QString TSchemeSourcePathValueElement::Value() const
{
    const QString fileName = Scheme() != nullptr ? Scheme()->FileName() : QString();
    QString folder = fileName.isEmpty() ? QDir::tempPath() : QFileInfo(fileName).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString TSchemeSourcePathValueElement::Description() const
{
    return LoadStr(4322);
}

TSchemeSourceNameValueElement::TSchemeSourceNameValueElement(TScheme* scheme) : TNameElement(scheme)
{
    SetRegistered(false);
}

QString TSchemeSourceNameValueElement::Value() const
{
    const QString fileName = Scheme() != nullptr ? Scheme()->FileName() : QString();
    return fileName.isEmpty() ? QStringLiteral("Unsaved") : QFileInfo(fileName).completeBaseName();
}

QString TSchemeSourceNameValueElement::Description() const
{
    return LoadStr(4323);
}

// TRoot

TRoot::TRoot(TScheme* scheme) : TTextorElement(scheme)
{
    FGeneralElementsNamespace = CreatePart<TNamespace>();
    FSourcePathValue = CreatePart<TSchemeSourcePathValueElement>();
    FSourceNameValue = CreatePart<TSchemeSourceNameValueElement>();
    SetBehaviourOptions(BehaviourOptions() | tboElements | tboElementsOnOwnLine | tboWorkspaceHeight |
                        tboMinWidthOffer | tboMinHeightOffer);
    SetContentOptions(tcoParagraphs);
}

QString TRoot::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FGeneralElementsNamespace)
        return QStringLiteral("GeneralElementsNamespace");
    if (part == FSourcePathValue)
        return QStringLiteral("SourcePathValue");
    if (part == FSourceNameValue)
        return QStringLiteral("SourceNameValue");
    return inherited::GetPartKnotName(part, filerMode);
}

QMargins TRoot::GetPadding()
{
    return Sheet() != nullptr ? Sheet()->SheetPadding() : QMargins();
}

// TRootWithPreProcessing

TRootWithPreProcessing::TRootWithPreProcessing(TScheme* scheme) : TRoot(scheme)
{
    FUnitedLanguages = CreatePart<TUnitedLanguages>();
    FApplicationValues = CreatePart<TNamespaceConnection>();
    FApplicationValues->SetListLast(true);
    FApplicationValues->Reconnect(ApplicationNamespace(), GeneralElementsNamespace(),
                                  FApplicationValues->ConnectionOptions(), true);
    SourcePathValue()->SetRegistered(true);
    SourceNameValue()->SetRegistered(true);
}

void TRootWithPreProcessing::GetAcceptedClasses(TElementClassList& list)
{
    list.append(TElement_FileConnection::StaticClass());
    inherited::GetAcceptedClasses(list);
}

QString TRootWithPreProcessing::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FUnitedLanguages)
        return QStringLiteral("UnitedLanguages");
    if (part == FApplicationValues)
        return QStringLiteral("ApplicationInsideValuesNamespaceConnection");
    return inherited::GetPartKnotName(part, filerMode);
}

// TPlainTextRoot

TPlainTextRoot::TPlainTextRoot(TScheme* scheme) : TRoot(scheme)
{
    SetBehaviourOptions((BehaviourOptions() & ~uint32_t(tboElementsOnOwnLine)) | tboLinks | tboFixedFont);
    SetContentOptions(tcoAnything);
}

int TPlainTextRoot::ClassesGroup()
{
    for (TDescriptor descriptor : SchemeRegistry().Descriptors()) {
        if (descriptor->GetRootClass() == TPlainTextRoot::StaticClass())
            return descriptor->ClassesGroup();
    }
    return -1;
}

void TPlainTextRoot::GetAcceptedClasses(TElementClassList& list)
{
    TClassesGroups& groups = ApplicationClassesGroups();
    groups.AddGroupTo(list, cgSignClasses);
    const int group = ClassesGroup();
    if (group >= 0)
        groups.AddGroupTo(list, group);
    inherited::GetAcceptedClasses(list);
    groups.RemoveGroupFrom(list, cgInlineClasses);
}

bool TPlainTextRoot::HandleMessage(int msg, void* param, void* data)
{
    if (inherited::HandleMessage(msg, param, data))
        return true;
    if (msg == tmDataElementClass && data != nullptr) {
        *static_cast<const TElementClass**>(data) = TElement_Image::StaticClass();
        return true;
    }
    return false;
}

} // namespace qv
