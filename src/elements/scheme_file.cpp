// The file side of a scheme: loading and saving the root through knots and document files.

#include "core/errors.h"
#include "core/knot.h"
#include "core/memory_budget.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/element.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_operation.h"
#include "elements/text_element.h"
#include "elements/visual_element.h"

#include <QFileInfo>

namespace qv {

void TScheme::LoadFromKnot(TElement* element, uint8_t mode, TKnot* knot)
{
    TSchemeLoader loader(this, FMessages, knot, 0, mode);
    element->LoadFromKnot(&loader, knot);
    loader.Finish();
}

void TScheme::SaveToKnot(TElement* element, uint8_t mode, TKnot* knot, uint8_t flags)
{
    TSchemeSaver saver(mode, knot, flags);
    knot->SetName(FRootName);
    saver.WriteFormatVersion();
    element->SaveToKnot(&saver, knot);
}

void TScheme::LoadFromFile(const QString& fileName)
{
    TWaitCursor wait;
    SetFileName(fileName);
    SetLoadedInPart(false);
    // A file that would not fit in memory is refused before it is read, and a document whose elements
    // would not fit before they are made.
    const TMemoryBudget budget;
    budget.CheckFile(fileName, QFileInfo(fileName).size() * TMemoryBudget::KnotBytesPerFileByte);
    TKnot knot;
    TKnotParseError error;
    knot.LoadFromFile(fileName, &error);
    budget.CheckFile(fileName, CountKnots(&knot) * TMemoryBudget::BytesPerKnot);
    if (FRoot == nullptr)
        return;
    if (error.What != ksNone && FMessages != nullptr)
        FMessages->AddText(mkError,
                           LoadStr(4821, {MessagePathText(QFileInfo(fileName).fileName()), error.Text()}));
    TSchemeLoader loader(this, FMessages, &knot, 0, fmFile);
    FRoot->LoadFromKnot(&loader, &knot);
    loader.Finish();
    AddNodesNotRead(error.KnotsLost + loader.NotRead());
}

QByteArray TScheme::SaveToBytes()
{
    QByteArray data;
    if (FCodeMode && FRoot != nullptr) {
        data = CodeModeTextToBytes();
    } else {
        TKnot knot;
        if (FRoot != nullptr)
            SaveToKnot(FRoot.get(), fmFile, &knot, ffFileSave);
        else
            knot.SetName(FRootName);
        knot.SaveToStream(data, keUtf8);
    }
    return data;
}

void TScheme::SaveToFile(const QString& fileName, bool asCopy)
{
    TWaitCursor wait;
    const QString oldName = FFileName;
    SetFileName(fileName);
    try {
        const QByteArray data = SaveToBytes();
        QString reason;
        if (!WriteFileSafely(fileName, data, &reason))
            throw EQvError(FormatStr(LoadStr(65001), {fileName, reason}));
    } catch (...) {
        SetFileName(oldName);
        throw;
    }
    if (asCopy)
        SetFileName(oldName);
}

QByteArray TScheme::CodeModeTextToBytes()
{
    auto* text = dynamic_cast<ITextElement*>(FRoot.get());
    if (text == nullptr)
        return QByteArray();
    // The text as typed; every line ends with CR LF, the last one included.
    QString content = text->GetText();
    content.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    content.replace(u'\r', u'\n');
    content.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    if (!content.isEmpty() && !content.endsWith(QStringLiteral("\r\n")))
        content += QStringLiteral("\r\n");
    return QByteArrayLiteral("\xEF\xBB\xBF") + content.toUtf8();
}

void TScheme::SetCodeMode(bool value)
{
    if (value == FCodeMode)
        return;
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TSchemeCodeModeOperation(this, value)));
}

void TScheme::SwitchCodeMode(bool value, TKnot* knot)
{
    const TElementClass* cls = value ? FCodeModeRootClass : FRootClass;
    if (cls == nullptr)
        return;
    TElement* oldRoot = FRoot.get();
    const bool oldMode = FCodeMode;
    FCodeMode = value;
    TNodePtr<TElement> pending = cls->CreateElement(this);
    TElement* newRoot = pending.get();
    // The old root stays the root until the new one is ready to be loaded; it is held here from then
    // on and freed once the new root has taken its place on the sheet.
    TNodePtr<TElement> replaced;
    auto install = [&] {
        replaced = ReplaceRoot(std::move(pending));
    };
    try {
        if (knot != nullptr) {
            install();
            LoadFromKnot(newRoot, fmSnapshot, knot);
        } else if (value) {
            TKnot document;
            if (oldRoot != nullptr)
                SaveToKnot(oldRoot, fmFile, &document, ffFileSave);
            install();
            if (auto* text = dynamic_cast<ITextElement*>(newRoot))
                text->SetText(document.SaveToText());
        } else {
            QString content;
            if (auto* text = dynamic_cast<ITextElement*>(oldRoot))
                content = text->GetText();
            TKnot document;
            TKnotParseError error;
            // Whatever the parse could not keep would be gone from the document: refused instead.
            if (!document.LoadFromText(content, &error) && error.What != ksNone)
                throw ECodeModeSyntaxError(LoadStr(4822, {error.Text()}), error.Line, error.Column);
            install();
            LoadFromKnot(newRoot, fmFile, &document);
        }
    } catch (...) {
        if (pending == nullptr)
            pending = ReplaceRoot(std::move(replaced));
        FCodeMode = oldMode;
        pending.reset();
        throw;
    }

    // The new root takes the old one's place and position; its size is its own.
    auto* oldVisual = IsInstanceOf(oldRoot, TVisualElement::StaticClass())
                          ? static_cast<TVisualElement*>(oldRoot)
                          : nullptr;
    auto* newVisual = IsInstanceOf(newRoot, TVisualElement::StaticClass())
                          ? static_cast<TVisualElement*>(newRoot)
                          : nullptr;
    if (oldVisual != nullptr && newVisual != nullptr && oldVisual->VisualParent() != nullptr) {
        newVisual->SetVisualParent(oldVisual->VisualParent(), oldVisual);
        newVisual->SetBounds(oldVisual->Left(), oldVisual->Top(), newVisual->Descent(), newVisual->Height(),
                             newVisual->Width());
    }
    replaced.reset();
    Notify(snRootReplaced);
    if (newVisual != nullptr && newVisual->Sheet() != nullptr) {
        TVisualElement* target = nullptr;
        if (newVisual->FindFocusTarget(true, true, false, target))
            target->SetFocus();
    }
}

} // namespace qv
