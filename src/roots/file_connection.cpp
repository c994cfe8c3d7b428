#include "roots/file_connection.h"

#include "core/errors.h"
#include "core/strings.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "naming/namespace.h"
#include "roots/application_namespace.h"
#include "roots/root.h"

#include <QFileInfo>
#include <QScopedValueRollback>

#include <exception>

namespace qv {

QV_IMPLEMENT_CLASS(TFileConnectionNameField)
QV_IMPLEMENT_CLASS(TFileConnectionFileNameField)
QV_IMPLEMENT_CLASS(TConnectionToFile)
QV_IMPLEMENT_CLASS(TElement_FileConnection)

namespace {

// The same file, whether or not the names are spelled alike.
bool SameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a == b)
        return true;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

// Conditions are the one kind of name a document passes on from the documents it connects itself.
bool IsConditionElement(TElement* element)
{
    for (; element != nullptr; element = element->ParentElement()) {
        if ((element->Options() & eoPart) == 0)
            return element->ElementClass()->XmlName() == QStringLiteral("Condition");
    }
    return false;
}

} // namespace

// TFileConnectionNameField

TFileConnectionNameField::TFileConnectionNameField(TScheme* scheme) : TTitledNameField(scheme)
{
    SetNameOptions(NameOptions() | nfoOfferAutoName);
}

TElement_FileConnection* TFileConnectionNameField::Connection() const
{
    return dynamic_cast<TElement_FileConnection*>(ParentElement());
}

QString TFileConnectionNameField::GetAutoName()
{
    TElement_FileConnection* connection = Connection();
    return connection != nullptr ? connection->GetAutoName() : QString();
}

bool TFileConnectionNameField::CanAutoName()
{
    return !GetAutoName().isEmpty();
}

// TFileConnectionFileNameField

TFileConnectionFileNameField::TFileConnectionFileNameField(TScheme* scheme) : TFileNameField(scheme)
{
    SetOptions(Options() | eoRequired);
}

void TFileConnectionFileNameField::CheckContent()
{
    inherited::CheckContent();
    auto* connection = dynamic_cast<TElement_FileConnection*>(ParentElement());
    if (connection == nullptr || connection->Problem() == 0)
        return;
    const QString file = MessageValueText(FullPath());
    const QString text = connection->Problem() == QV_STR(4335)
                             ? LoadStr(QV_STR(4335), {file, connection->ProblemText()})
                             : LoadStr(connection->Problem(), {file});
    GetMessages()->AddElementsMessage(mkInvalidContent, text, QString::number(ID()));
}

// TConnectionToFile

TConnectionToFile::TConnectionToFile(TScheme* scheme) : TNamedNamespaceConnection(scheme)
{
    SetConnectionOptions(ncoPublicOnly);
}

bool TConnectionToFile::Accepts(TNamespaceItem* item)
{
    if (!inherited::Accepts(item) || Source() == nullptr)
        return false;
    TElement* holder = item->Origin()->NameOwner();
    TScheme* holderScheme = holder != nullptr ? holder->Scheme() : nullptr;
    if (holderScheme == nullptr || holderScheme == Scheme())
        return false;
    if (holderScheme == Source()->Scheme())
        return true;
    if (Scheme() != nullptr && holderScheme->FileName() == Scheme()->FileName())
        return false;
    return IsConditionElement(holder);
}

// TElement_FileConnection

TElement_FileConnection::TElement_FileConnection(TScheme* scheme)
    : TNamedElement(scheme, 0, TFileConnectionNameField::StaticClass())
{
    CreateDescription();
    FFileName = CreatePart<TFileConnectionFileNameField>();
    FFileName->SetVisualParent(this);
    FConnection = CreatePart<TConnectionToFile>();
}

QString TElement_FileConnection::GetAutoName() const
{
    if (FFileName == nullptr || FFileName->FullPath().isEmpty())
        return QString();
    return QFileInfo(FFileName->FullPath()).completeBaseName();
}

void TElement_FileConnection::Reconnect()
{
    if (IsDestroying() || FConnection == nullptr || FReconnecting)
        return;
    const QScopedValueRollback<bool> reconnecting(FReconnecting, true);
    FProblem = 0;
    FProblemText.clear();
    TNamespace* source = nullptr;
    const QString fileName = FFileName->FullPath();
    TScheme* scheme = Scheme();
    // A missing file gives nothing to look for: the file-name field reports it.
    if (!IsEffectivelyDisabled() && scheme != nullptr && scheme->OpenScheme() && !fileName.isEmpty() &&
        FFileName->PathExists(fileName)) {
        TScheme* other = nullptr;
        if (SameFile(fileName, scheme->FileName())) {
            FProblem = QV_STR(4337);
        } else {
            try {
                other = scheme->OpenScheme()(scheme, fileName);
            } catch (const std::exception& error) {
                FProblem = QV_STR(4335);
                const auto* qvError = dynamic_cast<const EQvError*>(&error);
                FProblemText = qvError != nullptr ? qvError->Message() : QString::fromLocal8Bit(error.what());
            }
        }
        if (other == scheme && other != nullptr) {
            FProblem = QV_STR(4337);
        } else if (other != nullptr) {
            if (auto* owner = dynamic_cast<IGeneralElementsOwner*>(other->Root()))
                source = owner->GetGeneralElementsNamespace();
        }
        if (source == nullptr && FProblem == 0)
            FProblem = QV_STR(4336);
    }
    FConnection->SetSource(source);
    FFileName->Check();
}

void TElement_FileConnection::NameChanged()
{
    if (FConnection != nullptr && !IsDestroying())
        FConnection->SetPrefix(Name());
}

void TElement_FileConnection::NameItemCreated()
{
    if (FConnection != nullptr)
        FConnection->SetOwnerItem(NameField()->Item());
}

void TElement_FileConnection::NameItemDestroying()
{
    if (FConnection != nullptr)
        FConnection->SetOwnerItem(nullptr);
}

void TElement_FileConnection::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddGap(6);
    writer.AddElement(FFileName, tiaCentre);
}

QString TElement_FileConnection::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part != nullptr && part == FFileName)
        return QStringLiteral("FileName");
    if (part != nullptr && part == FConnection)
        return QStringLiteral("ConnectionToFile");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_FileConnection::GetPartHint(TElement* part, QString& text)
{
    if (part != nullptr && part == FFileName) {
        text = LoadStr(4326);
        return;
    }
    inherited::GetPartHint(part, text);
}

void TElement_FileConnection::GetHint(QString& text)
{
    text = LoadStr(4325);
    inherited::GetHint(text);
}

bool TElement_FileConnection::ChildMessage(TElement* child, int msg, void* param, void* data)
{
    if (child == FFileName && FFileName != nullptr) {
        if (msg == tmFileFilters && param != nullptr) {
            AddFileFilters(*static_cast<TFileDialogFilters*>(param));
            return true;
        }
        if (msg == tmChanged && !IsDestroying())
            Reconnect();
    }
    return inherited::ChildMessage(child, msg, param, data);
}

void TElement_FileConnection::AddFileFilters(TFileDialogFilters& filters)
{
    const QList<TDescriptor>& descriptors = SchemeRegistry().Descriptors();
    for (TDescriptor descriptor : descriptors) {
        const TElementClass* rootClass = descriptor->GetRootClass();
        if (!descriptor->CanCreate() || rootClass == nullptr ||
            !rootClass->InheritsFrom(TRoot::StaticClass()))
            continue;
        const QString extension = descriptor->GetExtension();
        if (descriptors.size() > 1)
            filters.Add(LoadStr(4327), extension);
        filters.Add(descriptor->GetTitle(), extension);
    }
}

void TElement_FileConnection::ParentElementChanged()
{
    inherited::ParentElementChanged();
    if (FConnection != nullptr)
        FConnection->SetTarget(IsDestroying() ? nullptr : FindGeneralElementsNamespace(this));
}

void TElement_FileConnection::EffectiveDisabledChanged()
{
    inherited::EffectiveDisabledChanged();
    Reconnect();
}

void TElement_FileConnection::BeforeDestruction()
{
    if (FConnection != nullptr)
        FConnection->SetSource(nullptr);
    inherited::BeforeDestruction();
}

// Registration

void RegisterRootElements()
{
    static const bool registered = [] {
        CreateApplicationNamespace();
        new TElementPaletteItem(Palette().AdditionalOtherItem(), 0, -1, QV_STR(4325), QV_STR(4324),
                                TElement_FileConnection::StaticClass(), 100);
        return true;
    }();
    (void)registered;
}

} // namespace qv
