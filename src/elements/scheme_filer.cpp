#include "elements/scheme_filer.h"

#include "core/knot.h"
#include "core/strings.h"
#include "elements/element.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"

#include <QHash>

#include <algorithm>
#include <climits>

namespace qv {

namespace {

// An integer of the whole text (an optional sign and digits), else `def`.
int IntOr(const QString& text, int def)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok && !text.isEmpty() && !text.front().isSpace() && !text.back().isSpace() ? value : def;
}

} // namespace

int ParseFormatVersion(const QString* text)
{
    if (text == nullptr)
        return formatVersion;
    qint64 version;
    const qsizetype point = text->indexOf(u'.');
    if (point < 0) {
        version = qint64(IntOr(*text, 1)) * 1000;
    } else {
        QString minor = text->mid(point + 1);
        while (minor.size() < 3)
            minor += u'0';
        version = qint64(IntOr(text->left(point), 1)) * 1000 + IntOr(minor, 0);
    }
    // Absurd numbers must not overflow; anything that large is simply "newer".
    return static_cast<int>(std::clamp<qint64>(version, INT_MIN, INT_MAX));
}

QString TranslateElementTypeName(const QString& name)
{
    // Element classes that were renamed; files keep the old names until they are saved again.
    struct TRename
    {
        const char16_t* Stored;
        const char16_t* Current;
    };
    static const TRename renames[] = {
        {u"Class", u"Object"},         {u"ExeConsoleGenerator", u"ConsoleApplicationGenerator"},
        {u"EventHandler", u"Handler"}, {u"MethodOverride", u"Override"},
        {u"TryFinally", u"Rockfall"},
    };
    for (const TRename& rename : renames) {
        if (name == QStringView(rename.Stored))
            return QString::fromUtf16(rename.Current);
    }
    return name;
}

// TSchemeFiler

TSchemeFiler::TSchemeFiler(uint8_t mode, TKnot* knot, uint8_t flags) : FMode(mode), FFlags(flags), FKnot(knot)
{
    if (FKnot == nullptr) {
        FOwnKnot = std::make_unique<TKnot>();
        FKnot = FOwnKnot.get();
    }
}

TSchemeFiler::~TSchemeFiler() = default;

// TSchemeSaver

TSchemeSaver::TSchemeSaver(uint8_t mode, TKnot* knot, uint8_t flags) : TSchemeFiler(mode, knot, flags) {}

void TSchemeSaver::WriteFormatVersion()
{
    FKnot->WriteString(QStringLiteral("FormatVersion"), QString::fromLatin1(formatVersionText));
}

qint64 CountKnots(const TNode* root)
{
    qint64 count = 0;
    for (const TNode* node = root; node != nullptr;) {
        ++count;
        if (node->FirstChild() != nullptr) {
            node = node->FirstChild();
            continue;
        }
        while (node != root && node->NextSibling() == nullptr)
            node = node->Parent();
        node = node == root ? nullptr : node->NextSibling();
    }
    return count;
}

// TSchemeLoader

TSchemeLoader::TSchemeLoader(TScheme* scheme, TElementMessages* messages, TKnot* knot, uint8_t flags,
                             uint8_t mode)
    : TSchemeFiler(mode, knot, flags), FScheme(scheme), FSchemeUpdate(scheme), FMessages(messages)
{
    // The marks must tell what this load read: a knot tree that was just built (a snapshot) has
    // every knot marked by the operations that made it.
    FKnot->SetReadMarks(false);
    // Presence decides, not the value: an empty "FormatVersion" is 1000, not the default 1200.
    const QString versionName = QStringLiteral("FormatVersion");
    if (FKnot->FindParam(versionName) != nullptr) {
        const QString text = FKnot->ReadString(versionName);
        FVersion = ParseFormatVersion(&text);
    } else {
        FVersion = ParseFormatVersion(nullptr);
    }
    if (FMessages != nullptr) {
        if (FVersion > formatVersion)
            FMessages->AddText(mkError, LoadStr(2328));
        if (FKnot->Corrupt())
            FMessages->AddText(mkError, LoadStr(2327));
    }
    if (mode == fmFile && FScheme != nullptr && (FVersion > formatVersion || FKnot->Corrupt()))
        FScheme->SetLoadedInPart(true);
}

TSchemeLoader::~TSchemeLoader()
{
    if (FFinished)
        return;
    try {
        Finish();
    } catch (...) {
        // The destructor runs while an error passes on (the owner did not reach Finish); that
        // error is the one the caller gets.
    }
}

void TSchemeLoader::MapID(int32_t storedID, int32_t newID)
{
    if (storedID == newID)
        return;
    FStoredIDs.append(storedID);
    FNewIDs.append(newID);
}

int32_t TSchemeLoader::MappedID(int32_t storedID) const
{
    const qsizetype index = FStoredIDs.indexOf(storedID);
    return index < 0 ? storedID : FNewIDs[index];
}

void TSchemeLoader::AddLoadedProc(TKnot* knot, TLoadedProc proc, TElement* element)
{
    FLoadedProcs.push_back(TLoadedProcEntry{proc, element, element != nullptr ? element->ID() : 0, knot});
}

void TSchemeLoader::Finish()
{
    if (FFinished)
        return;
    FFinished = true;
    {
        // The bracket closes on every way out, so the scheme never stays in an update.
        TUpdateGuard<TScheme> update(std::move(FSchemeUpdate));
        RunLoadedProcs();
    }
    if (FMode != fmSnapshot)
        ReportUnread();
}

void TSchemeLoader::RunLoadedProcs()
{
    if (!FLoadedProcs.empty()) {
        // An element freed during the load (a failed child) must not be called: only elements
        // still registered with the scheme under the same ID run.
        QHash<TElement*, int32_t> live;
        if (FScheme != nullptr) {
            const QList<TElement*> elements = FScheme->Elements();
            live.reserve(elements.size());
            for (TElement* element : elements)
                live.insert(element, element->ID());
        }
        for (size_t i = 0; i < FLoadedProcs.size(); ++i) {
            const TLoadedProcEntry entry = FLoadedProcs[i];
            if (entry.Element != nullptr && FScheme != nullptr) {
                const auto it = live.constFind(entry.Element);
                if (it == live.constEnd() || it.value() != entry.ElementID)
                    continue;
            }
            entry.Proc(entry.Element, this, entry.Knot);
        }
        FLoadedProcs.clear();
    }
}

void TSchemeLoader::ReportUnread()
{
    std::vector<TKnot*> knots;
    std::vector<TKnotParam*> params;
    if (!FKnot->CollectUnread(knots, params))
        return;
    // Only knots count: an attribute nothing read is reported but does not make the file one read
    // in part (older files carry settings that are gone).
    for (TKnot* knot : knots)
        FNotRead += int(CountKnots(knot));
    if (FMessages == nullptr)
        return;
    // The display paths contain "[n]": each message is one plain part, never split at brackets.
    for (TKnot* knot : knots)
        FMessages->AddText(mkError, LoadStr(2329, {MessagePathText(knot->Path())}));
    for (TKnotParam* param : params) {
        const QString path = param->Owner()->Path() + u'.' + param->Name();
        FMessages->AddText(mkError, LoadStr(2330, {MessagePathText(path)}));
    }
}

} // namespace qv
