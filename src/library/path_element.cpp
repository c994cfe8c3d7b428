#include "library/path_element.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/paths.h"
#include "core/processes.h"
#include "core/strings.h"
#include "core/text_utils.h"
#include "core/user_interface.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "fields/textor_element.h"
#include "library/file_manager.h"
#include "textor/canvas.h"
#include "textor/measuring_context.h"

#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

namespace qv {

QV_IMPLEMENT_CLASS(TCustomPathOrFileNameElement)
QV_IMPLEMENT_CLASS(TCustomPathElement)
QV_IMPLEMENT_CLASS(TCustomFileNameElement)
QV_IMPLEMENT_CLASS(TFileNameField)
QV_IMPLEMENT_CLASS(TElement_Path)
QV_IMPLEMENT_CLASS(TElement_FileName)
QV_IMPLEMENT_CLASS(TPathOrFileNameOperation)
QV_IMPLEMENT_CLASS(TPathOrFileNameShowOperation)
QV_IMPLEMENT_CLASS(TPathOrFileNameStoreOperation)
QV_IMPLEMENT_CLASS(TPathPaletteItem)

namespace {

constexpr char16_t pathDelimiter = u'/';

const QString largeImagesStrip = QStringLiteral("diPathElementsLargeImages");
const QString smallImagesStrip = QStringLiteral("diPathElementsSmallImages");

TPathPaletteItems& Items()
{
    static TPathPaletteItems items;
    return items;
}

QString WithDelimiter(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(pathDelimiter))
        return folder;
    return folder + pathDelimiter;
}

// An absolute path without "." and ".." parts: the only paths a relative form can stand for, since
// expanding one again must name the same place without asking the file system.
bool IsPlainAbsolute(const QString& path)
{
    if (!path.startsWith(pathDelimiter))
        return false;
    for (const QString& part : path.split(pathDelimiter)) {
        if (part == u"." || part == u"..")
            return false;
    }
    return true;
}

// Stored relative forms may come from documents written elsewhere with "\" as the delimiter.
QString StoredToPath(const QString& text)
{
    if (text.startsWith(pathDelimiter))
        return text;
    QString result = text;
    result.replace(u'\\', pathDelimiter);
    return result;
}

// A small icon of the desktop's icon theme added to SmallImages; -1 when the theme has none.
int AddThemeIcon(const QStringList& names)
{
    for (const QString& name : names) {
        if (name.isEmpty() || !QIcon::hasThemeIcon(name))
            continue;
        const QIcon icon = QIcon::fromTheme(name);
        const QImage image = icon.pixmap(QSize(SmallImages().Width(), SmallImages().Height())).toImage();
        if (!image.isNull())
            return SmallImages().AddImage(image);
    }
    return -1;
}

} // namespace

// TFileDialogFilters

void TFileDialogFilters::Add(const QString& text, const QString& extension)
{
    for (auto& entry : FEntries) {
        if (entry.first == text) {
            if (!entry.second.contains(extension, Qt::CaseInsensitive))
                entry.second.append(extension);
            return;
        }
    }
    FEntries.append({text, {extension}});
}

QString TFileDialogFilters::DialogFilters() const
{
    QStringList result;
    for (const auto& entry : FEntries) {
        QStringList patterns;
        for (const QString& extension : entry.second)
            patterns.append(QStringLiteral("*.") + extension);
        result.append(entry.first + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    // "*.*" would hide files without a dot.
    result.append(QStringLiteral("All Files (*)"));
    return result.join(QStringLiteral(";;"));
}

// TCustomPathOrFileNameElement

TCustomPathOrFileNameElement::TCustomPathOrFileNameElement(TScheme* scheme) : TVisualElement(scheme)
{
    SetOptions(Options() | eoTracked);
    SetVisualOptions(VisualOptions() | voFocusOnClick | voFocusTarget | voEditable);
    if (scheme != nullptr) {
        FSubscribed = scheme;
        scheme->AddHandler(MakeNotifyEvent<&TCustomPathOrFileNameElement::SchemeNotify>(this));
    }
}

TCustomPathOrFileNameElement::~TCustomPathOrFileNameElement()
{
    if (FSubscribed != nullptr)
        FSubscribed->RemoveHandler(MakeNotifyEvent<&TCustomPathOrFileNameElement::SchemeNotify>(this));
}

void TCustomPathOrFileNameElement::SchemeNotify(TItfObject*, int notify, intptr_t, intptr_t)
{
    if (notify != snFileNameChanged || ShowAbsolute() || IsDestroying())
        return;
    // The relative form shown depends on the document's folder.
    UpdateSize();
    Invalidate();
    UpdateCaret();
}

QString TCustomPathOrFileNameElement::DocumentFolder() const
{
    if (Scheme() == nullptr)
        return QString();
    const QString& fileName = Scheme()->FileName();
    const qsizetype slash = fileName.lastIndexOf(pathDelimiter);
    return slash >= 0 ? fileName.left(slash + 1) : QString();
}

QString TCustomPathOrFileNameElement::RelativeValue() const
{
    if (Scheme() == nullptr || !IsPlainAbsolute(FFullPath))
        return FFullPath;
    const QStringList& folders = Scheme()->SearchFolders();
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        // "/lib" must not claim "/library/…": the prefix ends at a delimiter.
        const QString folder = WithDelimiter(folders[i]);
        if (IsPlainAbsolute(folder) && FFullPath.startsWith(folder))
            return RelativeForm(folder);
    }
    const QString documentFolder = DocumentFolder();
    if (IsPlainAbsolute(documentFolder))
        return RelativeForm(documentFolder);
    return FFullPath;
}

QString TCustomPathOrFileNameElement::DisplayValue() const
{
    return ShowAbsolute() ? FFullPath : RelativeValue();
}

QString TCustomPathOrFileNameElement::RelativeForm(const QString& base) const
{
    return MakeRelativePath(base, FFullPath);
}

QString TCustomPathOrFileNameElement::ResolveStoredPath(const QString& text, TPathResolveMode mode) const
{
    const QString value = StoredToPath(text);
    if (value.isEmpty() || value.startsWith(pathDelimiter))
        return value;
    const QString documentFolder = DocumentFolder();
    const QString candidate = documentFolder.isEmpty() ? value : ExpandRelativePath(documentFolder, value);
    if (mode == prmDocumentOnly || Scheme() == nullptr || Scheme()->SearchFolders().isEmpty())
        return candidate;
    if (PathExists(candidate))
        return candidate;
    const QStringList& folders = Scheme()->SearchFolders();
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        const QString folder = WithDelimiter(folders[i]);
        if (!IsPlainAbsolute(folder))
            continue;
        // A stored "../" never leads out of a search folder to a file that merely exists there.
        const QString expanded = ExpandRelativePath(folder, value);
        if (expanded.startsWith(folder) && PathExists(expanded))
            return expanded;
    }
    return candidate;
}

QString TCustomPathOrFileNameElement::NormalisePath(const QString& text) const
{
    return text;
}

void TCustomPathOrFileNameElement::SetPath(const QString& text)
{
    const QString path = NormalisePath(text);
    if (path == FFullPath)
        return;
    FFullPath = path;
    Changed();
    UpdateSize();
    Invalidate();
    UpdateCaret();
}

void TCustomPathOrFileNameElement::PostPath(const QString& text)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TPathOrFileNameOperation(this, text)));
}

void TCustomPathOrFileNameElement::SetShowAbsolute(bool value)
{
    if (value == ShowAbsolute())
        return;
    FPathOptions ^= poShowAbsolute;
    UpdateSize();
    Invalidate();
    UpdateCaret();
}

void TCustomPathOrFileNameElement::PostShowAbsolute(bool value)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TPathOrFileNameShowOperation(this, value)));
}

void TCustomPathOrFileNameElement::SetStoreAbsolute(bool value)
{
    if (value == StoreAbsolute())
        return;
    FPathOptions ^= poStoreAbsolute;
    Invalidate();
}

void TCustomPathOrFileNameElement::PostStoreAbsolute(bool value)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TPathOrFileNameStoreOperation(this, value)));
}

void TCustomPathOrFileNameElement::UpdateCaret()
{
    if (Sheet() != nullptr && IsFocused())
        Sheet()->UpdateCaret();
}

bool TCustomPathOrFileNameElement::EditWithDefaultAction()
{
    if (IsFilled() && IsValid() && PathExists(FFullPath)) {
        // Enter and double clicks arrive from event handlers, which an error must not cross.
        try {
            OpenPath();
        } catch (const EQvError& error) {
            UserInterface().ShowError(error.Message());
        }
        return true;
    }
    if (IsReadOnly())
        return false;
    Choose();
    return true;
}

void TCustomPathOrFileNameElement::OpenPath()
{
    OpenDocument(FFullPath, QString(), QString(), true);
}

int TCustomPathOrFileNameElement::IconIndex()
{
    return -1;
}

TSheetThemeElement TCustomPathOrFileNameElement::FrameElement() const
{
    return steSubstitution;
}

void TCustomPathOrFileNameElement::UpdateSize()
{
    if (Sheet() == nullptr || !IsShown() || IsDestroying())
        return;
    TCanvas* canvas = Sheet()->Canvas();
    if (canvas == nullptr)
        return;
    const QSize iconSize = IconIndex() >= 0 ? QSize(SmallImages().Width(), SmallImages().Height()) : QSize();
    const QSize size = canvas->CaptionSize(FrameElement(), iconSize, DisplayValue());
    const int descent = canvas->ThemeFont(stfValue).Metrics().Descent;
    SetBounds(Left(), Top(), descent, size.height(), size.width());
}

bool TCustomPathOrFileNameElement::IsFilled() const
{
    return !FFullPath.isEmpty();
}

void TCustomPathOrFileNameElement::CheckContent()
{
    if (PathExists(FFullPath))
        return;
    GetMessages()->AddElementsMessage(
        mkInvalidContent, LoadStr(MissingMessage(), {MessageValueText(FFullPath)}), QString::number(ID()));
}

bool TCustomPathOrFileNameElement::KeepsStoredText(const QString& /*text*/) const
{
    return false;
}

void TCustomPathOrFileNameElement::FilledChanged()
{
    inherited::FilledChanged();
    Invalidate();
    Relayout(false, false);
}

QString TCustomPathOrFileNameElement::ValueAttributeName(TSchemeFiler* filer)
{
    return StoresInParentKnot(filer) ? GetKnotName(filer) : QStringLiteral("Value");
}

void TCustomPathOrFileNameElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    // A generation copy never changes its file name and is never shown: it need not listen. Leaving
    // now, while it is the scheme's last handler, costs nothing; leaving when the copy is freed costs
    // a search through every other path element's handler.
    if ((State() & esGenerationCopy) != 0 && FSubscribed != nullptr) {
        FSubscribed->RemoveHandler(MakeNotifyEvent<&TCustomPathOrFileNameElement::SchemeNotify>(this));
        FSubscribed = nullptr;
    }
    const bool storeAbsolute = knot->ReadBool(QStringLiteral("StoreAbsolute"), false);
    const bool showAbsolute = knot->ReadBool(QStringLiteral("ShowAbsolute"), false);
    FPathOptions =
        static_cast<uint8_t>((FPathOptions & ~(poStoreAbsolute | poShowAbsolute)) |
                             (storeAbsolute ? poStoreAbsolute : 0) | (showAbsolute ? poShowAbsolute : 0));
    const QString stored = knot->ReadString(ValueAttributeName(filer));
    const QString value = StoredToPath(stored);
    if (KeepsStoredText(stored))
        SetPath(stored);
    else if (storeAbsolute || Scheme() == nullptr)
        SetPath(value);
    else
        SetPath(ResolveStoredPath(value));
    UpdateSize();
}

void TCustomPathOrFileNameElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (StoreAbsolute())
        knot->WriteString(QStringLiteral("StoreAbsolute"), QStringLiteral("1"));
    if (ShowAbsolute())
        knot->WriteString(QStringLiteral("ShowAbsolute"), QStringLiteral("1"));
    // The clipboard and snapshots keep the full path: they are read back where the document's
    // folder and search folders may differ.
    const bool full = StoreAbsolute() || (filer->Flags() & ffClipboard) != 0 || filer->Mode() == fmSnapshot;
    const QString value = full ? FFullPath : RelativeValue();
    if (!value.isEmpty())
        knot->WriteString(ValueAttributeName(filer), value);
}

void TCustomPathOrFileNameElement::AppendText(QString& builder)
{
    inherited::AppendText(builder);
    builder += DisplayValue();
}

void TCustomPathOrFileNameElement::GetClassPaletteItems(QList<TPaletteItem*>&) {}

void TCustomPathOrFileNameElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    GetClassPaletteItems(list);
    const TPathPaletteItems& items = PathPaletteItems();
    for (TPathPaletteItem* item :
         {items.ShowAbsolute, items.ShowRelative, items.StoreAbsolute, items.StoreRelative}) {
        if (item != nullptr)
            list.append(item);
    }
    inherited::GetPaletteItems(list);
}

void TCustomPathOrFileNameElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    const TPathPaletteItems& items = PathPaletteItems();
    if (item == nullptr)
        return;
    if (item == items.ShowAbsolute)
        state.Checked = ShowAbsolute();
    else if (item == items.ShowRelative)
        state.Checked = !ShowAbsolute();
    else if (item == items.StoreAbsolute)
        state.Checked = StoreAbsolute();
    else if (item == items.StoreRelative)
        state.Checked = !StoreAbsolute();
}

bool TCustomPathOrFileNameElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    const TPathPaletteItems& items = PathPaletteItems();
    if (item == nullptr)
        return inherited::ExecutePaletteItem(item, value);
    if (item == items.ShowAbsolute || item == items.ShowRelative) {
        const bool absolute = item == items.ShowAbsolute;
        if (ShowAbsolute() != absolute)
            PostShowAbsolute(absolute);
        return true;
    }
    if (item == items.StoreAbsolute || item == items.StoreRelative) {
        const bool absolute = item == items.StoreAbsolute;
        if (StoreAbsolute() != absolute)
            PostStoreAbsolute(absolute);
        return true;
    }
    return inherited::ExecutePaletteItem(item, value);
}

bool TCustomPathOrFileNameElement::Paste()
{
    if (IsReadOnly())
        return false;
    // A path copied from a file manager or a terminal often ends with a line break.
    QString text = Clipboard().Text();
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    PostPath(text);
    return true;
}

void TCustomPathOrFileNameElement::Copy()
{
    Clipboard().SetText(FFullPath);
}

bool TCustomPathOrFileNameElement::CanCut()
{
    return !IsReadOnly() && IsFilled();
}

bool TCustomPathOrFileNameElement::CanCopy()
{
    return IsFilled();
}

void TCustomPathOrFileNameElement::EditCommand()
{
    inherited::EditCommand();
    if (!IsReadOnly())
        PostPath(QString());
}

void TCustomPathOrFileNameElement::FocusChanged()
{
    inherited::FocusChanged();
    Invalidate();
}

void TCustomPathOrFileNameElement::GetCaret(int& kind, QRect& rect)
{
    kind = 2;
    rect = GetClientRect();
}

void TCustomPathOrFileNameElement::ShownChanged()
{
    inherited::ShownChanged();
    UpdateSize();
}

void TCustomPathOrFileNameElement::Relayout(bool all, bool force)
{
    inherited::Relayout(all, force);
    if (all || force)
        UpdateSize();
}

void TCustomPathOrFileNameElement::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && EditWithDefaultAction()) {
        key = 0;
        return;
    }
    inherited::KeyDown(key, shift);
}

void TCustomPathOrFileNameElement::KeyPress(QChar& key)
{
    if (key == u'\r') {
        key = QChar();
        return;
    }
    inherited::KeyPress(key);
}

TVisualElement* TCustomPathOrFileNameElement::DoubleClickAction()
{
    TVisualElement* result = inherited::DoubleClickAction();
    if (!EditWithDefaultAction())
        UserInterface().Beep();
    return result;
}

void TCustomPathOrFileNameElement::Paint(TCanvas* canvas)
{
    inherited::Paint(canvas);
    if (canvas == nullptr)
        return;
    const QRect rect = GetClientRect();
    canvas->DrawThemeFrame(FrameElement(), rect);
    const int index = IconIndex();
    const QImage icon = index >= 0 ? SmallImages().Image(index) : QImage();
    canvas->DrawCaption(FrameElement(), rect, icon.isNull() ? nullptr : &icon, DisplayValue());
}

// TCustomPathElement

bool TCustomPathElement::PathExists(const QString& text) const
{
    // Relative paths of an unsaved document name no place that could be checked.
    return text.startsWith(pathDelimiter) && QFileInfo(text).isDir();
}

int TCustomPathElement::IconIndex()
{
    if ((PathOptions() & poIcon) == 0 || !IsFilled())
        return -1;
    // One folder icon for every folder element.
    static const int index = AddThemeIcon({QStringLiteral("folder")});
    return index;
}

QString TCustomPathElement::NormalisePath(const QString& text) const
{
    return text.isEmpty() ? text : WithDelimiter(text);
}

void TCustomPathElement::Choose()
{
    QString start = FullPath();
    if (start.isEmpty())
        start = DocumentFolder();
    const QString chosen = UserInterface().ChooseFolder(LoadStr(2690), start);
    if (!chosen.isEmpty())
        PostPath(chosen);
}

void TCustomPathElement::GetClassPaletteItems(QList<TPaletteItem*>& list)
{
    const TPathPaletteItems& items = PathPaletteItems();
    for (TPathPaletteItem* item : {items.ChoosePath, items.OpenPath}) {
        if (item != nullptr)
            list.append(item);
    }
}

void TCustomPathElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (item != nullptr && item == PathPaletteItems().OpenPath)
        state.Enabled = IsFilled();
}

bool TCustomPathElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    const TPathPaletteItems& items = PathPaletteItems();
    if (item != nullptr && item == items.ChoosePath) {
        Choose();
        return true;
    }
    if (item != nullptr && item == items.OpenPath) {
        OpenPath();
        return true;
    }
    return inherited::ExecutePaletteItem(item, value);
}

int TCustomPathElement::MissingMessage() const
{
    return QV_STR(2693);
}

// TCustomFileNameElement

bool TCustomFileNameElement::PathExists(const QString& text) const
{
    if (!text.startsWith(pathDelimiter))
        return false;
    const QFileInfo info(text);
    return info.exists() && !info.isDir();
}

int TCustomFileNameElement::IconIndex()
{
    if ((PathOptions() & poIcon) == 0 || !IsFilled())
        return -1;
    // One icon per extension; extensions compare without case.
    static QHash<QString, int> cache;
    const QString suffix = QFileInfo(FullPath()).suffix().toLower();
    const auto found = cache.constFind(suffix);
    if (found != cache.constEnd())
        return *found;
    static const QMimeDatabase mimeTypes;
    const QMimeType type =
        mimeTypes.mimeTypeForFile(QStringLiteral("file.") + suffix, QMimeDatabase::MatchExtension);
    const int index =
        AddThemeIcon({type.iconName(), type.genericIconName(), QStringLiteral("text-x-generic")});
    cache.insert(suffix, index);
    return index;
}

QString TCustomFileNameElement::RelativeForm(const QString& base) const
{
    QString result = inherited::RelativeForm(base);
    if (result.startsWith(QStringLiteral("./")))
        result.remove(0, 2);
    return result;
}

void TCustomFileNameElement::Choose()
{
    TFileDialogFilters filters;
    SendMessage(tmFileFilters, &filters);
    if (ForSaving()) {
        const QString chosen = UserInterface().ChooseSaveFile(LoadStr(2695), filters.DialogFilters(),
                                                              FullPath(), QFileInfo(FullPath()).suffix());
        if (!chosen.isEmpty())
            PostPath(chosen);
        return;
    }
    const QString initial = PathExists(FullPath()) ? FullPath() : QString();
    if (NamesForeignFile()) {
        const QString name = UserInterface().ChooseFileName(LoadStr(2695), filters.DialogFilters(), initial);
        if (!name.isEmpty())
            PostPath(ForeignName(name));
        return;
    }
    const QStringList chosen =
        UserInterface().ChooseOpenFiles(LoadStr(2695), filters.DialogFilters(), initial, false);
    if (!chosen.isEmpty())
        PostPath(chosen.first());
}

void TCustomFileNameElement::ShowInFolder()
{
    if (PathExists(FullPath()))
        FileManager().ShowInFolder(FullPath());
}

bool TCustomFileNameElement::NamesForeignFile() const
{
    return const_cast<TCustomFileNameElement*>(this)->SendMessage(tmForeignFileName, nullptr);
}

QString TCustomFileNameElement::ForeignName(const QString& chosen) const
{
    static const QString windowsDrive = QStringLiteral("/drive_c/");
    const qsizetype drive = chosen.lastIndexOf(windowsDrive);
    if (drive >= 0)
        return QStringLiteral("C:\\") + chosen.mid(drive + windowsDrive.size()).replace(pathDelimiter, u'\\');
    const QString folder = DocumentFolder();
    if (!folder.isEmpty() && chosen.startsWith(folder) && PathExists(chosen))
        return chosen;
    // A name typed into the dialog comes back below the dialog's folder, whatever it holds.
    return chosen.mid(chosen.lastIndexOf(pathDelimiter) + 1);
}

bool TCustomFileNameElement::NeedsCheck() const
{
    return !NamesForeignFile() && inherited::NeedsCheck();
}

bool TCustomFileNameElement::KeepsStoredText(const QString& text) const
{
    return !text.startsWith(pathDelimiter) && NamesForeignFile();
}

void TCustomFileNameElement::GetClassPaletteItems(QList<TPaletteItem*>& list)
{
    const TPathPaletteItems& items = PathPaletteItems();
    for (TPathPaletteItem* item : {items.ChooseFile, items.Location, items.OpenFile}) {
        if (item != nullptr)
            list.append(item);
    }
}

void TCustomFileNameElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    const TPathPaletteItems& items = PathPaletteItems();
    if (item != nullptr && (item == items.OpenFile || item == items.Location))
        state.Enabled = IsFilled();
}

bool TCustomFileNameElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    const TPathPaletteItems& items = PathPaletteItems();
    if (item != nullptr && item == items.ChooseFile) {
        Choose();
        return true;
    }
    if (item != nullptr && item == items.Location) {
        ShowInFolder();
        return true;
    }
    if (item != nullptr && item == items.OpenFile) {
        OpenPath();
        return true;
    }
    return inherited::ExecutePaletteItem(item, value);
}

int TCustomFileNameElement::MissingMessage() const
{
    return QV_STR(2700);
}

bool TCustomFileNameElement::ForSaving() const
{
    return false;
}

// TFileNameField

TFileNameField::TFileNameField(TScheme* scheme) : TCustomFileNameElement(scheme)
{
    SetOptions(Options() | eoInline);
}

TSheetThemeElement TFileNameField::FrameElement() const
{
    return steField;
}

// TElement_Path

TElement_Path::TElement_Path(TScheme* scheme) : TCustomPathElement(scheme)
{
    SetOptions(Options() | eoRequired);
    SetVisualOptions(VisualOptions() | voCanDisable);
}

void TElement_Path::GetHint(QString& text)
{
    text = LoadStr(2706);
    inherited::GetHint(text);
}

// TElement_FileName

TElement_FileName::TElement_FileName(TScheme* scheme) : TCustomFileNameElement(scheme)
{
    SetOptions(Options() | eoRequired);
    SetVisualOptions(VisualOptions() | voCanDisable);
}

void TElement_FileName::GetHint(QString& text)
{
    text = LoadStr(2703);
    inherited::GetHint(text);
}

// Operations

namespace {

void CaretIntoView(TElement* element)
{
    auto* visual = dynamic_cast<TVisualElement*>(element);
    if (visual != nullptr && visual->Sheet() != nullptr && visual->IsFocused())
        visual->Sheet()->RequestCaretVisible();
}

} // namespace

TPathOrFileNameOperation::TPathOrFileNameOperation(TCustomPathOrFileNameElement* element, const QString& path)
    : TElementOperation(element), FNewPath(path)
{}

void TPathOrFileNameOperation::DoOnElement(TElement* element)
{
    if (auto* path = dynamic_cast<TCustomPathOrFileNameElement*>(element)) {
        FOldPath = path->FullPath();
        path->SetPath(FNewPath);
    }
    CaretIntoView(element);
}

void TPathOrFileNameOperation::UndoOnElement(TElement* element)
{
    if (auto* path = dynamic_cast<TCustomPathOrFileNameElement*>(element))
        path->SetPath(FOldPath);
    CaretIntoView(element);
}

TPathOrFileNameShowOperation::TPathOrFileNameShowOperation(TCustomPathOrFileNameElement* element, bool value)
    : TElementOperation(element), FNewValue(value)
{}

void TPathOrFileNameShowOperation::DoOnElement(TElement* element)
{
    if (auto* path = dynamic_cast<TCustomPathOrFileNameElement*>(element)) {
        FOldValue = path->ShowAbsolute();
        path->SetShowAbsolute(FNewValue);
    }
    CaretIntoView(element);
}

void TPathOrFileNameShowOperation::UndoOnElement(TElement* element)
{
    if (auto* path = dynamic_cast<TCustomPathOrFileNameElement*>(element))
        path->SetShowAbsolute(FOldValue);
    CaretIntoView(element);
}

TPathOrFileNameStoreOperation::TPathOrFileNameStoreOperation(TCustomPathOrFileNameElement* element,
                                                             bool value)
    : TElementOperation(element), FNewValue(value)
{}

void TPathOrFileNameStoreOperation::DoOnElement(TElement* element)
{
    if (auto* path = dynamic_cast<TCustomPathOrFileNameElement*>(element)) {
        FOldValue = path->StoreAbsolute();
        path->SetStoreAbsolute(FNewValue);
    }
    CaretIntoView(element);
}

void TPathOrFileNameStoreOperation::UndoOnElement(TElement* element)
{
    if (auto* path = dynamic_cast<TCustomPathOrFileNameElement*>(element))
        path->SetStoreAbsolute(FOldValue);
    CaretIntoView(element);
}

// Registration

const TPathPaletteItems& PathPaletteItems()
{
    return Items();
}

void RegisterPathElements()
{
    static const bool registered = [] {
        TClassesGroups& groups = ApplicationClassesGroups();
        groups.GetGroup(cgInlineClasses).append(TElement_Path::StaticClass());
        groups.GetGroup(cgInlineClasses).append(TElement_FileName::StaticClass());

        TPalette& palette = Palette();
        const auto large = [](int position) {
            return StripImage(LargeImages(), largeImagesStrip, position);
        };
        const auto small = [](int position) {
            return StripImage(SmallImages(), smallImagesStrip, position);
        };
        TPathPaletteItems& items = Items();
        TPaletteGroup* actions = palette.ActionsGroup();
        items.OpenPath = new TPathPaletteItem(actions, 0x0110, large(3), QV_STR(2692), QV_STR(2691), 180);
        items.OpenFile = new TPathPaletteItem(actions, 0x0110, large(3), QV_STR(2699), QV_STR(2698), 180);
        items.Location = new TPathPaletteItem(actions, 0x0112, large(2), QV_STR(2697), QV_STR(2696), 150);
        items.ChoosePath = new TPathPaletteItem(actions, 0x0152, large(0), QV_STR(2689), QV_STR(2688), 100);
        items.ChooseFile = new TPathPaletteItem(actions, 0x0152, large(1), QV_STR(2695), QV_STR(2694), 100);
        TPaletteGroup* options = palette.OptionsGroup();
        items.ShowAbsolute = new TPathPaletteItem(options, 0x0C40, small(3), QV_STR(2681), QV_STR(2680), 70);
        items.ShowRelative = new TPathPaletteItem(options, 0x0440, small(2), QV_STR(2683), QV_STR(2682), 65);
        items.StoreAbsolute = new TPathPaletteItem(options, 0x0C40, small(3), QV_STR(2685), QV_STR(2684), 60);
        items.StoreRelative = new TPathPaletteItem(options, 0x0440, small(2), QV_STR(2687), QV_STR(2686), 55);
        items.ShowAbsolute->SetRadioGroup(1);
        items.ShowRelative->SetRadioGroup(1);
        items.StoreAbsolute->SetRadioGroup(2);
        items.StoreRelative->SetRadioGroup(2);

        new TElementPaletteItem(palette.AdditionalOtherItem(), piNewColumn, small(4), QV_STR(2702),
                                QV_STR(2701), TElement_FileName::StaticClass(), 90);
        new TElementPaletteItem(palette.AdditionalOtherItem(), 0, small(5), QV_STR(2705), QV_STR(2704),
                                TElement_Path::StaticClass(), 80);
        return true;
    }();
    (void)registered;
}

} // namespace qv
