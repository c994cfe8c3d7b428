// The text field's clipboard, links and search.

#include "core/errors.h"
#include "core/knot.h"
#include "core/user_interface.h"
#include "elements/find_data.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "textor/measuring_context.h"
#include "textor/rich_text_attributes.h"
#include "textor/sheet_settings.h"

#include <QUrl>

#include <vector>

namespace qv {

// ---------------------------------------------------------------------------------------------------
// Clipboard

void CopyContentToClipboard(const TKnot& content, const QString& text)
{
    Clipboard().SetTextAndData(text, QString::fromUtf16(textorClipboardFormat),
                               content.SaveToText().toUtf8());
}

bool ContentFromClipboard(TKnot& knot)
{
    IClipboard& clipboard = Clipboard();
    const QString format = QString::fromUtf16(textorClipboardFormat);
    const QString name = QString::fromUtf16(textorContentName);
    bool found = clipboard.HasFormat(format) &&
                 knot.LoadFromText(QString::fromUtf8(clipboard.Data(format))) && knot.Name() == name;
    if (!found) {
        knot.Clear();
        found = clipboard.HasText() && knot.LoadFromText(clipboard.Text()) && knot.Name() == name;
    }
    if (!found)
        return false;
    knot.SetReadMarks(false);
    // The format version belongs to the clipboard, not to the content.
    if (TKnotParam* version = knot.FindParam(QStringLiteral("FormatVersion")))
        knot.DeleteParam(version);
    return true;
}

bool TTextorElement::CanCopy()
{
    TTextorRange range;
    return SelectionRange(range) && range.Start != range.End;
}

bool TTextorElement::CanCopyAsText()
{
    return CanCopy();
}

QString TTextorElement::RangeAsText(const TTextorRange& range)
{
    QString text;
    FTextor->ForEachSegment(range, false, [&text](TParagraph*, TPortion* portion, int start, int count) {
        if (portion == nullptr) {
            text += QStringLiteral("\r\n");
        } else if (TVisualElement* element = EmbeddedElement(portion)) {
            element->AppendText(text);
        } else {
            QString chars(count, Qt::Uninitialized);
            portion->CopyText(start, count, chars.data());
            text += chars;
        }
        return true;
    });
    return text;
}

void TTextorElement::Copy()
{
    TTextorRange range;
    if (!SelectionRange(range) || range.Start == range.End)
        return;
    TKnot content(QString::fromUtf16(textorContentName));
    TSchemeSaver saver(fmClipboard, &content, ffClipboard);
    SaveContent(&saver, &content, &range);
    saver.WriteFormatVersion();
    CopyContentToClipboard(content, RangeAsText(range));
}

void TTextorElement::CopyAsText()
{
    TTextorRange range;
    if (SelectionRange(range) && range.Start != range.End)
        Clipboard().SetText(RangeAsText(range));
}

bool TTextorElement::Paste()
{
    IClipboard& clipboard = Clipboard();
    TKnot knot;
    const bool content = ContentFromClipboard(knot);
    if (!content && !clipboard.HasText()) {
        IDataElementReceiver* receiver = nullptr;
        TElement* element = NewDataElement(receiver);
        if (element == nullptr)
            return false;
        bool taken = false;
        try {
            taken = receiver != nullptr && receiver->ReceiveClipboardData();
        } catch (...) {
            element->Free();
            throw;
        }
        if (!taken) {
            element->Free();
            return false;
        }
        InsertDataElements({element});
        return true;
    }
    const QString text = clipboard.Text();
    if (!content) {
        if ((FContentOptions & tcoAnything) == 0)
            return false;
        ReplaceWithText(tetSelection, nullptr, false, text);
        return true;
    }
    if (HasBehaviour(tboElements)) {
        Replace(tetSelection, nullptr, false, ffClipboard, fmClipboard, &knot);
        return true;
    }
    if (!TextAllowed())
        return false;
    QString plain;
    ReplaceWithText(tetSelection, nullptr, false, ContentAsText(&knot, plain) ? plain : text);
    return true;
}

TElement* TTextorElement::NewDataElement(IDataElementReceiver*& receiver)
{
    receiver = nullptr;
    const TElementClass* cls = nullptr;
    if (!SendMessage(tmDataElementClass, nullptr, &cls) || cls == nullptr)
        return nullptr;
    // A field that would not keep the element does not make one.
    if (!HasBehaviour(tboElements) || !AcceptedClasses().contains(cls))
        return nullptr;
    TTextorRange selection;
    const TTextorPosition at =
        IsFocused() && SelectionRange(selection) ? selection.Start : FTextor->LastPosition();
    TNodePtr<TElement> created = cls->CreateElement(Scheme());
    created->SetParent(this, ElementAfter(at));
    TElement* element = created.release(); // the field owns it now
    try {
        element->InitializeNewTree(nullptr);
        TElement* part = nullptr;
        SendMessage(tmDataElementPart, element, &part);
        receiver = dynamic_cast<IDataElementReceiver*>(part != nullptr ? part : element);
    } catch (...) {
        element->Free();
        throw;
    }
    return element;
}

void TTextorElement::InsertDataElements(const QList<TElement*>& elements)
{
    if (elements.isEmpty())
        return;
    const int32_t last = elements.last()->ID();
    ReplaceWithElements(tetSelection, nullptr, elements);
    TSheetSettings* settings = SheetSettings();
    if (settings == nullptr || !settings->FocusNew().Value() || Scheme() == nullptr)
        return;
    auto* inserted = dynamic_cast<TVisualElement*>(Scheme()->FindElementByID(last));
    if (inserted == nullptr)
        return;
    if (auto* sheet = dynamic_cast<TSheet*>(inserted->Sheet()))
        sheet->DelayedActivate(inserted);
}

bool TTextorElement::DropFiles(const QStringList& fileNames)
{
    if (IsReadOnly())
        return false;
    QList<TElement*> elements;
    try {
        for (const QString& name : fileNames) {
            IDataElementReceiver* receiver = nullptr;
            TElement* element = NewDataElement(receiver);
            if (element == nullptr)
                return inherited::DropFiles(fileNames);
            if (receiver == nullptr || !receiver->AcceptsFile(name)) {
                element->Free();
                continue;
            }
            elements.append(element);
            receiver->ReceiveFile(name);
        }
    } catch (const EQvError& error) {
        // Drops arrive from an event handler, which an error must not cross.
        for (TElement* element : elements)
            element->Free();
        UserInterface().ShowError(error.Message());
        return false;
    }
    if (elements.isEmpty())
        return false;
    InsertDataElements(elements);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Links

bool TTextorElement::IsLinkWord(QStringView word)
{
    if (word.size() < 7 || word.size() > 2057)
        return false;
    static const char16_t* const schemes[] = {u"https", u"http", u"ftp", u"file", u"url"};
    for (const char16_t* scheme : schemes) {
        const QStringView name(scheme);
        if (!word.startsWith(name, Qt::CaseInsensitive))
            continue;
        const QStringView rest = word.mid(name.size());
        if ((rest.startsWith(u"://") || rest.startsWith(u":\\\\")) && word.size() >= name.size() + 4)
            return true;
    }
    return false;
}

QString TTextorElement::LinkUrl(const QString& word)
{
    if (!IsLinkWord(word))
        return QString();
    QString text = word;
    const qsizetype colon = text.indexOf(u':');
    // "http:\\host\path" is the same address written with backslashes.
    if (text.mid(colon, 3) == QStringLiteral(":\\\\")) {
        text.replace(colon + 1, 2, QStringLiteral("//"));
        text.replace(u'\\', u'/');
    }
    // "url" names no scheme of its own; what follows is taken as a web address.
    if (text.startsWith(QStringLiteral("url://"), Qt::CaseInsensitive))
        text = QStringLiteral("http://") + text.mid(6);
    const QUrl url(text, QUrl::StrictMode);
    static const QStringList allowed = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("ftp"), QStringLiteral("file")};
    if (!url.isValid() || !allowed.contains(url.scheme().toLower()) || url.host().startsWith(u'-'))
        return QString();
    return url.toString(QUrl::FullyEncoded);
}

TAttributesRef<TTextAttributes> TTextorElement::LinkAttributes(const QString& target)
{
    TRichTextAttributes scratch;
    if (auto* base = dynamic_cast<TRichTextAttributes*>(DefaultTextAttributes()))
        scratch.Assign(*base);
    scratch.SetColor(0xFF0000);
    scratch.SetStyle(uint8_t(scratch.Style() | fsUnderline));
    scratch.SetIsLink(true);
    scratch.SetLinkTarget(target);
    return Intern<TTextAttributes>(scratch);
}

void TTextorElement::LinkClicked(TPortion* portion)
{
    if (HasBehaviour(tboInPlace)) {
        if (auto* enclosing = dynamic_cast<TTextorElement*>(EnclosingField())) {
            enclosing->LinkClicked(portion);
            return;
        }
    }
    if (!HasBehaviour(tboLinks) || portion == nullptr || portion->Attributes() == nullptr ||
        !portion->Attributes()->IsLink())
        return;
    const QString url = LinkUrl(portion->Attributes()->LinkTarget());
    if (!url.isEmpty())
        UrlOpener().OpenUrl(QUrl(url, QUrl::StrictMode));
}

void TTextorElement::DetectLinks(TParagraph& paragraph)
{
    if (paragraph.LayoutValid())
        return;
    // Every link word holds a colon: a paragraph without one, and without link formatting to take
    // back, has nothing to do (most paragraphs of a long text).
    bool work = false;
    for (TPortion* piece = paragraph.FirstPortion(); piece != nullptr && !work; piece = piece->Next()) {
        if (TTextAttributes* attributes = piece->Attributes(); attributes != nullptr && attributes->IsLink())
            work = true;
        else if (piece->Kind() == TPortionKind::Text)
            work = static_cast<TTextPortion*>(piece)->Chars().contains(u':');
    }
    if (!work)
        return;
    struct TChange
    {
        int Start;
        int End;
        TAttributesRef<TTextAttributes> Attributes;
    };
    std::vector<TChange> links;
    // Words of each run of text between elements.
    int offset = 0;
    TPortion* portion = paragraph.FirstPortion();
    while (portion != nullptr) {
        if (portion->Kind() == TPortionKind::Element) {
            ++offset;
            portion = portion->Next();
            continue;
        }
        const int runStart = offset;
        QString text;
        for (; portion != nullptr && portion->Kind() != TPortionKind::Element; portion = portion->Next()) {
            QString chars(portion->Length(), Qt::Uninitialized);
            portion->CopyText(0, portion->Length(), chars.data());
            text += chars;
            offset += portion->Length();
        }
        auto separator = [](QChar c) {
            return c == u'\t' || c == u' ' || c == u'"' || c == u'<' || c == u'>';
        };
        qsizetype i = 0;
        while (i < text.size()) {
            while (i < text.size() && separator(text[i]))
                ++i;
            const qsizetype start = i;
            while (i < text.size() && !separator(text[i]))
                ++i;
            if (i > start && IsLinkWord(QStringView(text).mid(start, i - start)))
                links.push_back(
                    {runStart + int(start), runStart + int(i), LinkAttributes(text.mid(start, i - start))});
        }
    }
    // Stale link formatting goes back to none; other formatting (such as stored data) stays.
    std::vector<TChange> changes;
    offset = 0;
    for (TPortion* piece = paragraph.FirstPortion(); piece != nullptr; piece = piece->Next()) {
        const int start = offset;
        offset += piece->Length();
        TTextAttributes* attributes = piece->Attributes();
        if (attributes == nullptr || !attributes->IsLink())
            continue;
        bool wanted = false;
        for (const TChange& link : links)
            wanted |= link.Start <= start && offset <= link.End && link.Attributes.get() == attributes;
        if (!wanted)
            changes.push_back({start, offset, {}});
    }
    for (TChange& link : links) {
        bool done = true;
        FTextor->ForEachSegment({paragraph.PositionAt(link.Start), paragraph.PositionAt(link.End)}, false,
                                [&done, &link](TParagraph*, TPortion* piece, int, int) {
                                    done &= piece != nullptr && piece->Attributes() == link.Attributes.get();
                                    return done;
                                });
        if (!done)
            changes.push_back(std::move(link));
    }
    for (const TChange& change : changes) {
        FTextor->SetRangeAttributes({paragraph.PositionAt(change.Start), paragraph.PositionAt(change.End)},
                                    false, change.Attributes.get());
    }
}

// ---------------------------------------------------------------------------------------------------
// Search

bool TTextorElement::FindText(int mode, TFindData& findData, int& position, TVisualElement*& next,
                              bool forward)
{
    const QString& needle = findData.Text();
    TTextorRange selection;
    bool focused = IsFocused() && SelectionRange(selection);
    TTextorPosition at;
    if (focused) {
        bool matches = false;
        if (mode == 1)
            matches = true;
        else if (mode == 0 && selection.Start != selection.End) {
            const QString selected = FTextor->GetRangeText(selection);
            matches = selected.size() == needle.size() && findData.Matches(selected);
        }
        at = forward == matches ? selection.End : selection.Start;
    } else {
        at = forward ? FTextor->FirstPosition() : FTextor->LastPosition();
    }
    if (needle.isEmpty())
        return inherited::FindText(mode, findData, position, next, forward);
    TParagraph* p = at.Paragraph;
    int offset = p->OffsetOf(at);
    for (;;) {
        // The piece next to the position in the search direction.
        int local = 0;
        TPortion* piece =
            forward ? p->PortionAt(offset, local) : (offset > 0 ? p->PortionAt(offset - 1, local) : nullptr);
        if (piece == nullptr) {
            TParagraph* following = forward ? p->Next() : p->Prev();
            if (following == nullptr)
                return inherited::FindText(mode, findData, position, next, forward);
            p = following;
            offset = forward ? 0 : p->Length();
            continue;
        }
        if (piece->Kind() == TPortionKind::Element) {
            TVisualElement* element = EmbeddedElement(piece);
            TVisualElement* target = nullptr;
            if (element != nullptr &&
                element->FindFocusTarget(forward, findData.ShownOnly(), findData.EnabledOnly(), target) &&
                target != nullptr) {
                next = target;
                position = 0;
                return false;
            }
            offset += forward ? 1 : -1;
            continue;
        }
        // The run of text up to the next element or the paragraph's boundary.
        int runStart = 0;
        int runEnd = p->Length();
        int pos = 0;
        bool found = false;
        for (TPortion* r = p->FirstPortion(); r != nullptr; r = r->Next()) {
            if (r->Kind() == TPortionKind::Element) {
                if (found) {
                    runEnd = pos;
                    break;
                }
                runStart = pos + 1;
            }
            found |= r == piece;
            pos += r->Length();
        }
        const int from = forward ? offset : runStart;
        const int to = forward ? runEnd : offset;
        const QString run = FTextor->GetRangeText({p->PositionAt(from), p->PositionAt(to)});
        const int length = int(needle.size());
        const int count = int(run.size()) - length;
        for (int k = 0; k <= count; ++k) {
            const int i = forward ? k : count - k;
            if (findData.Matches(QStringView(run).mid(i, length))) {
                const TTextorIndex start = FTextor->ToIndex(p->PositionAt(from + i));
                const TTextorIndex end = FTextor->ToIndex(p->PositionAt(from + i + length));
                SetFocus();
                SetSelection({start, end});
                return true;
            }
        }
        offset = forward ? to : from;
        if ((forward && offset >= p->Length()) || (!forward && offset <= 0)) {
            TParagraph* following = forward ? p->Next() : p->Prev();
            if (following == nullptr)
                return inherited::FindText(mode, findData, position, next, forward);
            p = following;
            offset = forward ? 0 : p->Length();
        }
    }
}

} // namespace qv
