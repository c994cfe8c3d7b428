#include "generation/importer.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/strings.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "fields/textor_element.h"
#include "library/named_element.h"
#include "library/path_element.h"

namespace qv {

QV_IMPLEMENT_CLASS(TImporterPaletteItem)

namespace {

// The error's text for the log: control characters become U+FFFD.
QString LogText(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

} // namespace

// TSchemeImporter

const TSchemeImporter::TMetaType* TSchemeImporter::StaticClass() noexcept
{
    static const TMetaType meta("TSchemeImporter", nullptr);
    return &meta;
}

const TMetaClass* TSchemeImporter::ClassType() const noexcept
{
    return StaticClass();
}

TSchemeImporter::TSchemeImporter(TScheme* scheme, TElementMessages* messages)
    : Scheme(scheme), Messages(messages)
{}

void TSchemeImporter::FileFilters(const TSchemeImporterClass*, TFileDialogFilters&, bool&) {}

void TSchemeImporter::Import()
{
    FWarnings = 0;
    for (const QString& file : std::as_const(Files)) {
        QString error;
        try {
            ImportFile(file);
        } catch (const EQvError& e) {
            error = e.Message();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        if (!error.isEmpty() && Messages != nullptr)
            Messages->AddText(mkFatal, LogText(error));
    }
    if (FWarnings > MaxWarnings && Messages != nullptr)
        Messages->AddText(mkError, LoadStr(2087, {QString::number(FWarnings - MaxWarnings)}));
}

void TSchemeImporter::AddWarning(uint8_t kind, const QString& text, TElement* element)
{
    if (++FWarnings > MaxWarnings || Messages == nullptr || element == nullptr)
        return;
    const QString ids = QString::number(element->ID());
    TElementMessages message;
    message.AddElementsMessage(kind, text, ids);
    Messages->AddCopies(message, MessageSubject(element), ids);
}

void TSchemeImporter::ImportFile(const QString&) {}

TElement* TSchemeImporter::AddElement(const TElementClass* cls, TElement* parent, bool initializeNew,
                                      TTextorElement* field)
{
    TNodePtr<TElement> created = cls->CreateElement(Scheme);
    if (created == nullptr)
        return nullptr;
    TElement* element = created.get();
    if (parent != nullptr) {
        element->SetParent(parent);
        created.release(); // the parent owns it now
    }
    if (initializeNew)
        element->InitializeNewTree(nullptr);
    if (field != nullptr) {
        // Moved into the field through its snapshot, which keeps the ID.
        TKnot content(QString::fromUtf16(textorContentName));
        TSchemeSaver saver(fmSnapshot, &content, 0);
        element->SaveToKnot(&saver, content.AddKnot(cls->XmlName()));
        if (parent != nullptr)
            element->Free();
        else
            created.reset();
        TSchemeLoader loader(Scheme, Messages, &content, 0, fmSnapshot);
        field->LoadContent(&loader, &content, nullptr);
        loader.Finish();
        return dynamic_cast<TElement*>(field->LastChild());
    }
    return parent != nullptr ? element : created.release();
}

void TSchemeImporter::AddElements(const QList<TElement*>& elements)
{
    auto* field = dynamic_cast<TTextorElement*>(Target);
    if (field == nullptr) {
        for (TElement* element : elements)
            element->Free();
        return;
    }
    field->ReplaceWithElements(tetAppend, nullptr, elements);
}

bool TSchemeImporter::AddContent(std::unique_ptr<TKnot> content)
{
    auto* field = dynamic_cast<TTextorElement*>(Target);
    if (field == nullptr)
        return false;
    field->ReplaceWithContent(tetAppend, nullptr, false, 0, fmFile, std::move(content));
    return true;
}

// TImporterPaletteItem

TImporterPaletteItem::TImporterPaletteItem(TNode* parent, uint16_t flags, int32_t image, int32_t hint,
                                           int32_t caption, const TSchemeImporterClass* importerClass,
                                           int32_t order)
    : TSchemePaletteItem(parent, flags | piNotForSelection | piNoSheetUpdate, image, hint, caption, order),
      FImporterClass(importerClass)
{}

bool TImporterPaletteItem::Execute(TVisualElement* element, bool)
{
    if (element == nullptr || FImporterClass == nullptr)
        return false;
    RunImporter(FImporterClass, element, LoadStr(Caption()));
    return true;
}

TPaletteGroup* ImportPaletteGroup()
{
    static TPaletteGroup* const group = new TPaletteGroup(&Palette(), QV_STR(4470), 1200);
    return group;
}

bool RunImporter(const TSchemeImporterClass* importerClass, TElement* target, const QString& caption)
{
    if (importerClass == nullptr || target == nullptr)
        return false;
    TFileDialogFilters filters;
    bool multiSelect = true;
    importerClass->FileFilters(filters, multiSelect);
    const QStringList files =
        UserInterface().ChooseOpenFiles(LoadStr(4471), filters.DialogFilters(), QString(), multiSelect);
    if (files.isEmpty())
        return false;
    TScheme* scheme = target->Scheme();
    std::unique_ptr<TSchemeImporter> importer =
        importerClass->CreateImporter(scheme, scheme != nullptr ? scheme->Messages() : nullptr);
    if (importer == nullptr)
        return false;
    importer->Files = files;
    if (!importer->CanImport())
        return true;
    const TWaitCursor wait;
    const TUpdateGuard<TScheme> update(scheme);
    const TSchemeGroupGuard group(scheme, caption, true);
    importer->Target = target;
    importer->Import();
    return true;
}

} // namespace qv
