#include "roots/log_root.h"

#include "core/knot.h"
#include "core/processes.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/element_sheet.h"
#include "elements/log_settings.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "elements/sounds_settings.h"
#include "library/named_element.h"
#include "textor/canvas.h"
#include "textor/rich_text_attributes.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace qv {

QV_IMPLEMENT_CLASS(TElement_Sign)
QV_IMPLEMENT_CLASS(TLogRoot)

namespace {

constexpr int signSize = 9;
// The visited look of a link: purple (the same in either byte order).
constexpr TColor visitedLinkColor = 0x800080;

// Link attribute of a "Chars" node of the log, by part kind, and the letter its target starts with.
struct TLinkKind
{
    uint8_t PartKind;
    const char16_t* Attribute;
    QChar Letter;
};
constexpr TLinkKind linkKinds[] = {
    {mpElements, u"Elements", u'E'},
    {mpFile, u"FileName", u'F'},
    {mpSettings, u"Settings", u'S'},
};

} // namespace

// TElement_Sign

TElement_Sign::TElement_Sign(TScheme* scheme) : TVisualElement(scheme)
{
    SetVisualOptions(voNotToClipboard);
    // No descent: the picture stands on the line's base line, as capitals do, not below it.
    SetBounds(0, 0, 0, signSize, signSize);
}

void TElement_Sign::SetKind(int kind)
{
    if (kind == FKind)
        return;
    FKind = kind;
    Invalidate();
}

int TElement_Sign::ImageIndex(int kind)
{
    switch (kind) {
    case mkHint:
        return 0;
    case mkError:
    case mkValueMissing:
    case mkInvalidContent:
        return 1;
    case mkFatal:
        return 2;
    default:
        return -1;
    }
}

void TElement_Sign::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    SetKind(knot->ReadInt(QStringLiteral("Kind"), 0));
}

void TElement_Sign::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    knot->WriteInt(QStringLiteral("Kind"), FKind);
}

void TElement_Sign::Paint(TCanvas* canvas)
{
    const int position = ImageIndex(FKind);
    if (position < 0)
        return;
    static TSchemeImages images(signSize, signSize);
    const int index = StripImage(images, QStringLiteral("diLogImages"), position);
    if (index >= 0)
        canvas->DrawImage(images.Image(index, canvas->DevicePixelRatio()), signSize, 0, 0, 0);
}

// TLogRoot

TLogRoot::TLogRoot(TScheme* scheme) : TTextorElement(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboElements | tboNoNonPrinting | tboNoWrap | tboMinWidthOffer |
                        tboMinHeightOffer);
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoParagraphs | tcoSpecial);
    FLogMessages.SetOnAdd([this](TElementMessage* message) { Append(*message); });
    FLogMessages.SetOnClear([this] { ClearText(); });
}

TLogRoot::~TLogRoot()
{
    FLogMessages.SetOnAdd({});
    FLogMessages.SetOnClear({});
}

void TLogRoot::SetLogSettings(TLogSettings* settings)
{
    FLogMessages.SetOnFilter(settings != nullptr ? settings->Filter() : TElementMessages::TFilterEvent());
}

void TLogRoot::BuildMessageContent(const TElementMessage& message, bool afterText, TKnot& content)
{
    if (afterText)
        content.AddKnot(QStringLiteral("Br"));
    if (message.Kind() != mkInformation) {
        content.AddKnot(QStringLiteral("Sign"))->WriteInt(QStringLiteral("Kind"), message.Kind());
        content.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Value"), QStringLiteral(" "));
    }
    for (const TElementMessagePart& part : message.Parts()) {
        TKnot* chars = content.AddKnot(QStringLiteral("Chars"));
        chars->WriteString(QStringLiteral("Value"), part.Text);
        for (const TLinkKind& link : linkKinds) {
            if (part.Kind == link.PartKind)
                chars->WriteString(QString::fromUtf16(link.Attribute), part.Data);
        }
    }
}

void TLogRoot::Append(const TElementMessage& message)
{
    if (IsDestroying())
        return;
    TSchemeTextor* textor = Textor();
    const bool empty = textor->ParagraphCount() == 1 && textor->FirstParagraph()->Length() == 0;
    TKnot content(QString::fromUtf16(textorContentName));
    BuildMessageContent(message, !empty, content);
    IElementSheet* sheet = Sheet();
    if (sheet != nullptr)
        PlaySchemeSound(QStringLiteral("diLogMessageSound"));
    {
        TUpdateGuard<IElementSheet> guard(sheet);
        const TTextorIndex end = textor->ToIndex(textor->LastPosition());
        const bool followCaret = IsFocused() && Selection().Start == end && Selection().End == end;
        TSchemeLoader loader(Scheme(), nullptr, &content, 0, fmFile);
        LoadContent(&loader, &content, nullptr);
        loader.Finish();
        if (followCaret) {
            const TTextorIndex newEnd = textor->ToIndex(textor->LastPosition());
            SetSelection({newEnd, newEnd});
        }
    }
    ++FGeneration;
    if (OnLogChanged)
        OnLogChanged();
}

void TLogRoot::ClearText()
{
    if (IsDestroying())
        return;
    {
        TUpdateGuard<IElementSheet> guard(Sheet());
        SetText(QString());
    }
    ++FGeneration;
    if (OnLogChanged)
        OnLogChanged();
}

void TLogRoot::LinkClicked(TPortion* portion)
{
    if (portion == nullptr || portion->Attributes() == nullptr || !portion->Attributes()->IsLink())
        return;
    const QString target = portion->Attributes()->LinkTarget();
    if (target.isEmpty())
        return;
    const QString data = target.mid(1);
    const int generation = FGeneration;
    switch (target[0].unicode()) {
    case u'E': {
        QList<int> ids;
        for (const QString& item : data.split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const int id = item.trimmed().toInt(&ok);
            if (ok)
                ids.append(id);
        }
        if (OnElementsLink)
            OnElementsLink(ids);
        break;
    }
    case u'F':
        if (OnFileLink)
            OnFileLink(data);
        else
            OpenDocument(data, QString(), QString(), true);
        break;
    case u'S':
        if (OnSettingsLink)
            OnSettingsLink(data);
        else
            UserInterface().Beep();
        break;
    default:
        return;
    }
    // The handler may have written to the log, which frees the runs; only an unchanged log still
    // holds the clicked one.
    if (generation != FGeneration || IsDestroying())
        return;
    TAttributesRef<TTextAttributes> visited = VisitedLinkAttributes(*portion->Attributes());
    if (visited.get() != portion->Attributes()) {
        portion->SetAttributes(visited.get());
        Invalidate();
    }
}

TAttributesRef<TTextAttributes> TLogRoot::VisitedLinkAttributes(const TTextAttributes& link)
{
    TRichTextAttributes scratch;
    scratch.Assign(link);
    scratch.SetColor(visitedLinkColor);
    return Intern<TTextAttributes>(scratch);
}

void TLogRoot::GetAcceptedClasses(TElementClassList& list)
{
    inherited::GetAcceptedClasses(list);
    if (!list.contains(TElement_Sign::StaticClass()))
        list.append(TElement_Sign::StaticClass());
}

TPortion* TLogRoot::LinkAt(const QPoint& point)
{
    const QMargins padding = GetPadding();
    const TTextorHit hit =
        Textor()->PositionAtPoint(point - QPoint(padding.left(), padding.top()), false, false);
    if (!hit.Inside || hit.Row == nullptr)
        return nullptr;
    TParagraph* paragraph = hit.Position.Paragraph;
    int local = 0;
    TPortion* portion = paragraph->PortionAt(paragraph->OffsetOf(hit.Position), local);
    TTextAttributes* attributes = portion != nullptr ? portion->Attributes() : nullptr;
    return attributes != nullptr && attributes->IsLink() ? portion : nullptr;
}

QString TLogRoot::FileLinkAt(const QPoint& point)
{
    TPortion* link = LinkAt(point);
    const QString target = link != nullptr ? link->Attributes()->LinkTarget() : QString();
    return target.startsWith(u'F') ? target.mid(1) : QString();
}

void TLogRoot::MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick)
{
    const bool onLink = LinkAt(point) != nullptr;
    FLinkPress.reset();
    if (onLink && doubleClick)
        return;
    if (onLink && (shift & (Qt::ShiftModifier | Qt::ControlModifier)) == 0)
        FLinkPress = point;
    inherited::MouseDown(point, shift, doubleClick);
}

void TLogRoot::MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift)
{
    const std::optional<QPoint> press = FLinkPress;
    FLinkPress.reset();
    inherited::MouseUp(point, released, shift);
    if (!press || !released || IsDestroying())
        return;
    // A press that became a selection is no click; the drag distance of the desktop tells.
    const int slack = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                          ? QGuiApplication::styleHints()->startDragDistance()
                          : 4;
    TPortion* link = LinkAt(point);
    TPortion* pressed = LinkAt(*press);
    if (link != nullptr && pressed != nullptr &&
        link->Attributes()->LinkTarget() == pressed->Attributes()->LinkTarget() &&
        (point - *press).manhattanLength() < slack)
        LinkClicked(link);
}

TAttributesRef<TTextAttributes> TLogRoot::LoadedTextAttributes(TKnot* knot)
{
    for (const TLinkKind& link : linkKinds) {
        const QString name = QString::fromUtf16(link.Attribute);
        if (knot->FindParam(name) != nullptr)
            return LinkAttributes(link.Letter + knot->ReadString(name));
    }
    return inherited::LoadedTextAttributes(knot);
}

TTextAttributes* TLogRoot::DefaultTextAttributes()
{
    if (!FFont) {
        TRichTextAttributes scratch;
        if (auto* base = dynamic_cast<TRichTextAttributes*>(inherited::DefaultTextAttributes()))
            scratch.Assign(*base);
        const QFont font = QGuiApplication::font();
        scratch.SetFontName(font.family());
        if (font.pointSize() > 0)
            scratch.SetSize(font.pointSize());
        FFont = Intern<TTextAttributes>(scratch);
    }
    return FFont.get();
}

QMargins TLogRoot::GetPadding()
{
    return Sheet() != nullptr ? Sheet()->SheetPadding() : QMargins();
}

// Check All

namespace {

void CopyElementMessages(TNode* node, void* data, void*)
{
    auto* element = dynamic_cast<TElement*>(node);
    if (element != nullptr && element->Messages() != nullptr)
        static_cast<TElementMessages*>(data)->AddCopies(*element->Messages(), MessageSubject(element),
                                                        QString::number(element->ID()));
}

} // namespace

void CollectAllMessages(TScheme* scheme)
{
    if (scheme == nullptr || scheme->Root() == nullptr || scheme->Messages() == nullptr)
        return;
    TWaitCursor wait;
    TUpdateGuard<TElementMessages> update(scheme->Messages());
    scheme->Root()->ForEach(&CopyElementMessages, scheme->Messages());
}

} // namespace qv
