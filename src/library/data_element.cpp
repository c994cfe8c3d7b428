#include "library/data_element.h"

#include "core/errors.h"
#include "core/knot.h"
#include "core/processes.h"
#include "core/strings.h"
#include "core/user_interface.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/element_sheet.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "fields/textor_element.h"
#include "library/image_codecs.h"
#include "textor/canvas.h"
#include "textor/measuring_context.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>

namespace qv {

QV_IMPLEMENT_CLASS(TExternalEditorSettings)
QV_IMPLEMENT_CLASS(TDataElementSettings)
QV_IMPLEMENT_CLASS(TCustomDataElement)
QV_IMPLEMENT_CLASS(TDataContainer)
QV_IMPLEMENT_CLASS(TElement_Image)
QV_IMPLEMENT_CLASS(TCustomDataChangeOperation)
QV_IMPLEMENT_CLASS(TDataNewDataOperation)
QV_IMPLEMENT_CLASS(TDataNewDataFormatOperation)
QV_IMPLEMENT_CLASS(TDataExternalEditingModeOperation)
QV_IMPLEMENT_CLASS(TDataEditPaletteItem)

namespace {

const QString largeImagesStrip = QStringLiteral("diDataElementLargeImages");

constexpr int maxDisplayWidth = 720;
constexpr int dumpBytesPerRow = 16;
constexpr int dumpRowChars = 64;
const QSize emptySize(60, 40);
const QRgb blankColour = qRgb(160, 160, 164);

TDataPaletteItems& Items()
{
    static TDataPaletteItems items;
    return items;
}

// The data buffers of elements saved into a copy for a generation run, by handle. The copy shares
// the bytes (QByteArray is implicitly shared), so the buffer stays alive and unchanged for it even
// when the element changes or goes away.
struct TDataHandles
{
    QMutex Lock;
    QHash<qint64, QByteArray> Buffers;
    qint64 Next = 1;
};

TDataHandles& Handles()
{
    static TDataHandles handles;
    return handles;
}

void ReleaseHandle(qint64 handle)
{
    if (handle == 0)
        return;
    TDataHandles& handles = Handles();
    QMutexLocker lock(&handles.Lock);
    handles.Buffers.remove(handle);
}

// The temporary files this process made for outside editing: they stay usable when the document is
// saved elsewhere meanwhile.
QSet<QString>& CreatedExternalFiles()
{
    static QSet<QString> files;
    return files;
}

void CaretIntoView(TElement* element)
{
    auto* visual = dynamic_cast<TVisualElement*>(element);
    if (visual != nullptr && visual->Sheet() != nullptr && visual->IsFocused())
        visual->Sheet()->RequestCaretVisible();
}

QByteArray ReadFileBytes(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(name))
            RaiseStr(2077, {name});
        throw EQvError(file.errorString() + QStringLiteral(": ") + name);
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EQvError(file.errorString() + QStringLiteral(": ") + name);
    return data;
}

QString TypeOfFileName(const QString& name)
{
    const QString fileName = QFileInfo(name).fileName();
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? QString() : fileName.mid(dot + 1).toLower();
}

// The type as a file extension: cut to 260 characters, without control characters and the
// characters no file name may hold on any desktop.
QString SafeType(const QString& type)
{
    QString result;
    for (QChar c : type.left(260)) {
        if (c.unicode() < 32 || QStringView(u"\"*/:<>?\\|").contains(c))
            continue;
        result += c;
    }
    return result;
}

QImage BlankPicture()
{
    QImage image(emptySize, QImage::Format_RGB32);
    image.fill(blankColour);
    return image;
}

QImage OnWhite(const QImage& source, QSize size)
{
    QImage result(size, QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(), size), source);
    return result;
}

QByteArray TypeToClipboard(const QString& type)
{
    QString text = type;
    text.append(QChar(0));
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QString TypeFromClipboard(const QByteArray& bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto low = static_cast<uint8_t>(bytes[2 * i]);
        const auto high = static_cast<uint8_t>(bytes[2 * i + 1]);
        text[i] = QChar(static_cast<char16_t>(low | (high << 8)));
    }
    const qsizetype zero = text.indexOf(QChar(0));
    return zero >= 0 ? text.left(zero) : text;
}

} // namespace

// Settings

TExternalEditorSettings::TExternalEditorSettings(TProperty* parent, const QString& name)
    : TProperty(parent, name),
      FDefaultAction(new TEnumProperty(this, QStringLiteral("DefaultAction"),
                                       {QString(), QStringLiteral("CustomEditor"), QStringLiteral("None")})),
      FCustomEditor(new TStringProperty(this, QStringLiteral("CustomEditor")))
{}

TDataElementSettings::TDataElementSettings(TProperty* parent, const QString& name) : TProperty(parent, name)
{
    const char* names[externalEditorGroupCount] = {"ExternalEditorBitmaps", "ExternalEditorIcons",
                                                   "ExternalEditorCursors", "ExternalEditorMetafiles",
                                                   "ExternalEditorOther"};
    for (int i = 0; i < externalEditorGroupCount; ++i)
        FGroups[i] = new TExternalEditorSettings(this, QString::fromLatin1(names[i]));
}

TExternalEditorSettings& TDataElementSettings::GroupOfFormat(int format) const
{
    switch (format) {
    case dfIco:
        return Group(eegIcons);
    case dfCur:
        return Group(eegCursors);
    case dfEmf:
    case dfWmf:
        return Group(eegMetafiles);
    case dfNone:
        return Group(eegOther);
    default:
        return Group(eegBitmaps);
    }
}

TDataElementSettings& DataElementSettings()
{
    static TDataElementSettings settings;
    return settings;
}

// TCustomDataElement

TCustomDataElement::TCustomDataElement(TScheme* scheme) : TVisualElement(scheme)
{
    SetOptions(Options() | eoTracked);
    SetVisualOptions(VisualOptions() | voFocusOnClick | voFocusTarget | voEditable);
}

TCustomDataElement::~TCustomDataElement()
{
    ForgetCache();
    ReleaseHandle(FHandle);
}

int TCustomDataElement::Format() const
{
    return FormatOfType(FDataType);
}

TExternalEditorSettings& TCustomDataElement::EditorSettings() const
{
    return DataElementSettings().GroupOfFormat(Format());
}

// The decoded pictures of elements on sheets, most recently used last, and what they take. Pictures
// beyond the budget are dropped, least recently used first, and decoded again when drawn: their
// size is known, so the layout stays as it is. User-interface thread only.
namespace {

struct TImageCaches
{
    QList<TCustomDataElement*> Elements;
    qint64 Bytes = 0;
    qint64 Budget = qint64(64) << 20;
};

TImageCaches& ImageCaches()
{
    static TImageCaches caches;
    return caches;
}

} // namespace

qint64 SetImageCacheBudget(qint64 bytes)
{
    const qint64 old = ImageCaches().Budget;
    ImageCaches().Budget = bytes;
    return old;
}

void TCustomDataElement::ForgetCache()
{
    if (!FCacheRegistered)
        return;
    TImageCaches& caches = ImageCaches();
    caches.Elements.removeOne(this);
    caches.Bytes -= FImageCache.sizeInBytes();
    FCacheRegistered = false;
}

void TCustomDataElement::RegisterCache()
{
    // Only pictures on a sheet belong to the user-interface thread's budget.
    if (Sheet() == nullptr || FImageCache.isNull())
        return;
    TImageCaches& caches = ImageCaches();
    ForgetCache();
    caches.Elements.append(this);
    caches.Bytes += FImageCache.sizeInBytes();
    FCacheRegistered = true;
    while (caches.Bytes > caches.Budget && caches.Elements.size() > 1) {
        TCustomDataElement* oldest = caches.Elements.first();
        oldest->ForgetCache();
        oldest->FImageCache = QImage();
        oldest->FCacheDropped = true;
    }
}

bool TCustomDataElement::DecodeForDisplay()
{
    QImage decoded;
    // Data of no known picture type is never decoded, whatever it holds.
    if (Format() == dfNone || !DecodeImage(FData, decoded))
        return false;
    FImageWidth = decoded.width();
    FImageHeight = decoded.height();
    FDisplayScale = 1;
    for (int scale : {100, 75, 50, 25, 10, 5, 4, 3, 2}) {
        if (int64_t(FImageWidth) * scale / 100 <= maxDisplayWidth) {
            FDisplayScale = scale;
            break;
        }
    }
    if (FDisplayScale == 100) {
        FImageCache = decoded;
    } else {
        const QSize size(std::max(1, static_cast<int>(int64_t(FImageWidth) * FDisplayScale / 100)),
                         std::max(1, static_cast<int>(int64_t(FImageHeight) * FDisplayScale / 100)));
        FImageCache = OnWhite(decoded, size);
    }
    RegisterCache();
    return true;
}

bool TCustomDataElement::GetImage()
{
    if (IsFilled() && !FImageTried) {
        FImageTried = true;
        // The check reports the picture that cannot be shown.
        if (!DecodeForDisplay() && Format() != dfNone)
            Check();
    } else if (FCacheDropped) {
        FCacheDropped = false;
        DecodeForDisplay();
    } else if (FCacheRegistered) {
        // Most recently used last.
        TImageCaches& caches = ImageCaches();
        caches.Elements.removeOne(this);
        caches.Elements.append(this);
    }
    return !FImageCache.isNull();
}

bool TCustomDataElement::ImageSize(int& width, int& height)
{
    if (((State() & esGenerationCopy) != 0 && FImageWidth > 0 && FImageHeight > 0) || FCacheDropped ||
        GetImage()) {
        width = FImageWidth;
        height = FImageHeight;
        return true;
    }
    if (!IsFilled())
        return false;
    return ReadImageSize(FData, Format(), width, height);
}

void TCustomDataElement::DropImage()
{
    ForgetCache();
    FCacheDropped = false;
    FImageCache = QImage();
    FImageTried = false;
    FDisplayScale = 100;
}

void TCustomDataElement::SetData(const QByteArray& data, const QString& type)
{
    FDataType = type;
    FData = data;
    Changed();
}

bool TCustomDataElement::SetCompressedData(const QByteArray& compressed, const QString& type)
{
    QByteArray data;
    if (!DecompressData(compressed, data))
        return false;
    SetData(data, type);
    return true;
}

void TCustomDataElement::PostNewData(const QByteArray& data, const QString& type)
{
    PostNewCompressedData(CompressData(data), type);
}

void TCustomDataElement::PostNewCompressedData(const QByteArray& compressed, const QString& type)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TDataNewDataOperation(this, compressed, type)));
}

void TCustomDataElement::SetDataFromFile(const QString& name)
{
    SetData(ReadFileBytes(name), TypeOfFileName(name));
}

void TCustomDataElement::LoadDataFromFile(const QString& name)
{
    PostNewData(ReadFileBytes(name), TypeOfFileName(name));
}

void TCustomDataElement::SaveDataToFile(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(FData) != FData.size() ||
        !file.flush())
        throw EQvError(file.errorString() + QStringLiteral(": ") + name);
}

void TCustomDataElement::ChooseAndLoadFile()
{
    QList<QPair<QString, QStringList>> filters;
    auto add = [&filters](const QString& text, const QString& extension) {
        for (auto& entry : filters) {
            if (entry.first == text) {
                entry.second.append(extension);
                return;
            }
        }
        filters.append({text, {extension}});
    };
    QStringList names;
    for (int format = 1; format < dataFormatCount; ++format) {
        if (IsFormatAllowed(format) && !names.contains(FormatName(format)))
            names.append(FormatName(format));
    }
    for (int format = 1; format < dataFormatCount; ++format) {
        if (!IsFormatAllowed(format))
            continue;
        if (names.size() > 1)
            add(LoadStr(2808), FormatExtension(format));
        add(FormatName(format), FormatExtension(format));
    }
    QStringList texts;
    for (const auto& entry : filters) {
        QStringList patterns;
        for (const QString& extension : entry.second)
            patterns.append(QStringLiteral("*.") + extension);
        texts.append(entry.first + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    const QString all = QStringLiteral("All Files (*)");
    if ((FDataOptions & doPictureElement) != 0)
        texts.append(all);
    else
        texts.prepend(all);
    const QStringList chosen =
        UserInterface().ChooseOpenFiles(LoadStr(2802), texts.join(QStringLiteral(";;")), QString(), false);
    if (chosen.isEmpty())
        return;
    TWaitCursor wait;
    LoadDataFromFile(chosen.first());
}

void TCustomDataElement::ChooseAndSaveFile()
{
    QString filter;
    if (!FDataType.isEmpty()) {
        const QString name = FormatName(Format());
        filter = (name.isEmpty() ? FDataType : name) + QStringLiteral(" (*.") + FDataType + u')';
    }
    const QString chosen = UserInterface().ChooseSaveFile(LoadStr(2804), filter, QString(), FDataType);
    if (!chosen.isEmpty())
        SaveDataToFile(chosen);
}

void TCustomDataElement::ConvertFormat(int format)
{
    if (IsFilled() && format != Format()) {
        // Data that cannot be decoded would be replaced by the blank picture: refuse rather than
        // lose the user's bytes.
        QImage decoded;
        if (!DecodeImage(FData, decoded)) {
            UserInterface().Beep();
            return;
        }
        if ((format >= dfIco && format <= dfGif) || format == dfTif || format == dfTiff)
            UserInterface().MessageBox(LoadStr(2801) + u'\n' + LoadStr(2807), LoadStr(4000), miInformation,
                                       mbOk, mbOk);
    }
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TDataNewDataFormatOperation(this, format)));
}

void TCustomDataElement::ApplyFormat(int format)
{
    TWaitCursor wait;
    QImage source;
    const int current = Format();
    const bool decoded = IsFilled() && DecodeImage(FData, source);
    if (!decoded)
        source = BlankPicture();
    QByteArray result;
    if (format == dfIco || format == dfCur) {
        result = WriteIconFile(OnWhite(source, QSize(standardIconSize, standardIconSize)), format == dfCur);
    } else {
        // Icons, cursors and TGA pictures are flattened onto white first, like the blank picture.
        if (!decoded || current == dfIco || current == dfCur || current == dfTga)
            source = OnWhite(source, source.size());
        result = EncodeImage(source, format);
    }
    if (result.isEmpty())
        return;
    SetData(result, IsJpegFormat(format) ? QStringLiteral("jpeg") : FormatExtension(format));
}

bool TCustomDataElement::ClipboardHasData()
{
    IClipboard& clipboard = Clipboard();
    return (clipboard.HasFormat(QString::fromUtf16(dataClipboardFormat)) &&
            clipboard.HasFormat(QString::fromUtf16(dataTypeClipboardFormat))) ||
           clipboard.HasImage();
}

bool TCustomDataElement::PasteData(bool withUndo)
{
    IClipboard& clipboard = Clipboard();
    const QString typeFormat = QString::fromUtf16(dataTypeClipboardFormat);
    const QString dataFormat = QString::fromUtf16(dataClipboardFormat);
    if (clipboard.HasFormat(typeFormat) && clipboard.HasFormat(dataFormat)) {
        const QString type = TypeFromClipboard(clipboard.Data(typeFormat));
        const QByteArray compressed = clipboard.Data(dataFormat);
        // The bytes come from another process: a bad stream fails the paste and changes nothing.
        QByteArray data;
        if (!DecompressData(compressed, data))
            return false;
        if (withUndo)
            PostNewCompressedData(compressed, type);
        else
            SetData(data, type);
        return true;
    }
    if (!clipboard.HasImage() || !IsFormatAllowed(dfBmp))
        return false;
    QImage image;
    if (!image.loadFromData(clipboard.Image(), "png"))
        return false;
    int format = dfBmp;
    QByteArray data = EncodeImage(image, dfBmp);
    if (IsFormatAllowed(dfPng)) {
        format = dfPng;
        data = EncodeImage(image, dfPng);
    }
    if (data.isEmpty())
        return false;
    if (withUndo)
        PostNewData(data, FormatExtension(format));
    else
        SetData(data, FormatExtension(format));
    return true;
}

// External editing

QString TCustomDataElement::TemporaryFolder() const
{
    const QString fileName = Scheme() != nullptr ? Scheme()->FileName() : QString();
    if (!fileName.isEmpty() && QFileInfo(fileName).isAbsolute())
        return QFileInfo(fileName).absolutePath();
    return QDir::tempPath();
}

bool TCustomDataElement::IsSafeExternalFileName(const QString& name) const
{
    static const QRegularExpression pattern(QStringLiteral("^File[0-9]+(\\.[^/\\\\]*)?$"));
    const QFileInfo info(name);
    if (!info.isAbsolute() || QDir::cleanPath(name) != name || !pattern.match(info.fileName()).hasMatch())
        return false;
    if (info.isSymLink() || info.isDir())
        return false;
    if (CreatedExternalFiles().contains(name))
        return true;
    const QString folder = info.absolutePath();
    return folder == QDir::cleanPath(TemporaryFolder()) || folder == QDir::cleanPath(QDir::tempPath());
}

void TCustomDataElement::StartExternalEditing(const QString& application, bool openWith)
{
    // A name from a foreign document is never launched.
    if (InExternalEditingMode() && !IsSafeExternalFileName(FExternalFileName))
        RaiseStr(2077, {FExternalFileName});
    TSchemeGroupGuard group(Scheme(), QString(), false);
    if (!IsFilled())
        ConvertFormat(dfPng);
    if (InExternalEditingMode()) {
        LaunchEditor(FExternalFileName, application, openWith);
        return;
    }
    const QString safeType = SafeType(FDataType);
    const QString folder = TemporaryFolder() + u'/';
    QString name;
    for (int number = 1;; ++number) {
        name = folder + QStringLiteral("File") + QString::number(number) +
               (safeType.isEmpty() ? QString() : u'.' + safeType);
        QFile file(name);
        // Created exclusively: an existing file is never overwritten, whatever appears meanwhile.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const bool written = file.write(FData) == FData.size() && file.flush();
            file.close();
            if (!written) {
                QFile::remove(name);
                throw EQvError(file.errorString() + QStringLiteral(": ") + name);
            }
            break;
        }
        if (!QFileInfo::exists(name) || number >= 100000)
            throw EQvError(file.errorString() + QStringLiteral(": ") + name);
    }
    try {
        LaunchEditor(name, application, openWith);
    } catch (...) {
        QFile::remove(name);
        throw;
    }
    CreatedExternalFiles().insert(name);
    PostExternalFileName(name);
}

void TCustomDataElement::LaunchEditor(const QString& file, const QString& application, bool openWith)
{
    // This desktop knows no "edit" action apart from "open", so each program is asked once: a
    // second try without the verb would only show the program chooser again.
    const QString quoted = u'"' + file + u'"';
    if (openWith) {
        UserInterface().OpenFileWith(file);
        return;
    }
    if (!application.isEmpty()) {
        OpenDocument(application, quoted, QStringLiteral("edit"), true);
        return;
    }
    TExternalEditorSettings& settings = EditorSettings();
    if (settings.DefaultAction().Value() == eeaCustomEditor) {
        const QString editor = settings.CustomEditor().Value();
        if (editor.isEmpty() || !QFileInfo(editor).isFile())
            RaiseStr(2806, {editor});
        OpenDocument(editor, quoted, QStringLiteral("edit"), true);
        return;
    }
    OpenDocument(file, QString(), QStringLiteral("edit"), true);
}

void TCustomDataElement::SetExternalFileName(const QString& name)
{
    if (name == FExternalFileName)
        return;
    FExternalFileName = name;
    SetVisualStateBits(vsMark, !name.isEmpty());
    Invalidate();
    Relayout(false, false);
    UpdateCaret();
}

void TCustomDataElement::PostExternalFileName(const QString& name)
{
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TDataExternalEditingModeOperation(this, name)));
}

void TCustomDataElement::ApplyExternalEditing()
{
    if (!InExternalEditingMode())
        return;
    TSchemeGroupGuard group(Scheme(), QString(), false);
    const QString file = FExternalFileName;
    if (IsSafeExternalFileName(file)) {
        LoadDataFromFile(file);
        QFile::remove(file);
    }
    PostExternalFileName(QString());
}

void TCustomDataElement::CancelExternalEditing()
{
    if (!InExternalEditingMode())
        return;
    // A file already gone is fine: the mode can always be left.
    if (IsSafeExternalFileName(FExternalFileName))
        QFile::remove(FExternalFileName);
    PostExternalFileName(QString());
}

bool TCustomDataElement::EditWithDefaultAction()
{
    if (IsReadOnly())
        return false;
    TExternalEditorSettings* group = nullptr;
    if (IsFilled()) {
        group = &EditorSettings();
    } else if (IsFormatAllowed(dfPng)) {
        group = &DataElementSettings().Group(eegBitmaps);
    } else {
        try {
            ChooseAndLoadFile();
        } catch (const EQvError& error) {
            UserInterface().ShowError(error.Message());
        }
        return true;
    }
    if (group->DefaultAction().Value() == eeaNone)
        return false;
    // Enter and double clicks arrive from event handlers, which an error must not cross.
    try {
        StartExternalEditing(QString(), false);
    } catch (const EQvError& error) {
        UserInterface().ShowError(error.Message());
    }
    return true;
}

bool TCustomDataElement::ReceiveClipboardData()
{
    return PasteData(false);
}

bool TCustomDataElement::AcceptsFile(const QString& name) const
{
    return FormatOfFileName(name) != dfNone;
}

void TCustomDataElement::ReceiveFile(const QString& name)
{
    SetDataFromFile(name);
}

// Element operations

void TCustomDataElement::CheckContent()
{
    const QString ids = QString::number(ID());
    if (!IsFormatAllowed(Format()))
        GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2810), ids);
    if (InExternalEditingMode())
        GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2809), ids);
    if (FImageTried && !FCacheDropped && FImageCache.isNull() && IsFilled() && Format() != dfNone)
        GetMessages()->AddElementsMessage(mkHint, LoadStr(2814), ids);
}

bool TCustomDataElement::IsFilled() const
{
    return !FData.isEmpty();
}

void TCustomDataElement::FilledChanged()
{
    inherited::FilledChanged();
    Relayout(false, false);
    Invalidate();
}

void TCustomDataElement::Changed()
{
    DropImage();
    inherited::Changed();
    UpdateSize();
    Invalidate();
    UpdateCaret();
}

void TCustomDataElement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    const QString value = QStringLiteral("Value");
    if ((filer->Flags() & ffGenerationCopy) != 0) {
        // An unknown handle gives empty data.
        TDataHandles& handles = Handles();
        QMutexLocker lock(&handles.Lock);
        FData = handles.Buffers.value(knot->ReadString(value).toLongLong());
        FImageWidth = knot->ReadString(QStringLiteral("W")).toInt();
        FImageHeight = knot->ReadString(QStringLiteral("H")).toInt();
    } else {
        FData.clear();
        if (knot->FindParam(value) != nullptr) {
            TWaitCursor wait;
            if (!knot->ReadStream(value, FData)) {
                FData.clear();
                if (filer->Messages() != nullptr)
                    filer->Messages()->AddElementsMessage(mkError, LoadStr(2811), QString::number(ID()));
            }
        }
    }
    FDataType = knot->ReadString(QStringLiteral("Type"));
    Changed();
    // Only a name of the form this program makes restores the mode; the folder is checked again
    // whenever the file is used.
    const QString external = knot->ReadString(QStringLiteral("ExternalEditingFileName"));
    static const QRegularExpression pattern(QStringLiteral("^File[0-9]+(\\.[^/\\\\]*)?$"));
    const QFileInfo info(external);
    const bool plain = info.isAbsolute() && QDir::cleanPath(external) == external &&
                       pattern.match(info.fileName()).hasMatch();
    SetExternalFileName(plain ? external : QString());
}

void TCustomDataElement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (IsFilled())
        knot->WriteString(QStringLiteral("Type"), FDataType);
    if ((filer->Flags() & ffGenerationCopy) != 0) {
        TDataHandles& handles = Handles();
        {
            QMutexLocker lock(&handles.Lock);
            if (FHandle == 0)
                FHandle = handles.Next++;
            handles.Buffers.insert(FHandle, FData);
        }
        knot->WriteString(QStringLiteral("Value"), QString::number(FHandle));
        if (FImageWidth > 0 && FImageHeight > 0) {
            knot->WriteString(QStringLiteral("W"), QString::number(FImageWidth));
            knot->WriteString(QStringLiteral("H"), QString::number(FImageHeight));
        }
    } else if (IsFilled()) {
        TWaitCursor wait;
        if ((filer->Flags() & ffFileSave) != 0)
            knot->WriteStreamRef(QStringLiteral("Value"), &FData);
        else
            knot->WriteStream(QStringLiteral("Value"), FData);
    }
    if (InExternalEditingMode())
        knot->WriteString(QStringLiteral("ExternalEditingFileName"), FExternalFileName);
}

void TCustomDataElement::BoundsChanged(const QRect& oldBounds, int oldDescent)
{
    inherited::BoundsChanged(oldBounds, oldDescent);
    if (oldBounds.size() != QSize(Width(), Height()))
        UpdateCaret();
}

void TCustomDataElement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    const TDataPaletteItems& items = DataPaletteItems();
    auto add = [&list](TPaletteItem* item) {
        if (item != nullptr)
            list.append(item);
    };
    add(items.Edit);
    add(items.Apply);
    add(items.Cancel);
    const std::pair<TPaletteItem*, int> formats[] = {{items.Bmp, dfBmp}, {items.Ico, dfIco},
                                                     {items.Cur, dfCur}, {items.Png, dfPng},
                                                     {items.Gif, dfGif}, {items.Jpeg, dfJpeg}};
    for (const auto& [item, format] : formats) {
        if (IsFormatAllowed(format))
            add(item);
    }
    add(items.LoadFromFile);
    add(items.SaveToFile);
    inherited::GetPaletteItems(list);
}

namespace {

int FormatOfItem(const TPaletteItem* item)
{
    const TDataPaletteItems& items = DataPaletteItems();
    if (item == nullptr)
        return -1;
    if (item == items.Bmp)
        return dfBmp;
    if (item == items.Ico)
        return dfIco;
    if (item == items.Cur)
        return dfCur;
    if (item == items.Png)
        return dfPng;
    if (item == items.Gif)
        return dfGif;
    if (item == items.Jpeg)
        return dfJpeg;
    return -1;
}

} // namespace

void TCustomDataElement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    if (item == nullptr)
        return;
    const TDataPaletteItems& items = DataPaletteItems();
    const bool editable = !IsReadOnly();
    const int format = FormatOfItem(item);
    if (item == items.Edit) {
        const TExternalEditorSettings& group =
            IsFilled() ? EditorSettings() : DataElementSettings().Group(eegBitmaps);
        state.Enabled =
            editable && group.DefaultAction().Value() != eeaNone && (IsFilled() || IsFormatAllowed(dfPng));
    } else if (item == items.Apply || item == items.Cancel) {
        state.Enabled = editable && InExternalEditingMode();
    } else if (format >= 0) {
        const int current = Format();
        state.Checked = format == dfJpeg ? IsJpegFormat(current) : format == current;
        state.Enabled = editable && !InExternalEditingMode();
    } else if (item == items.LoadFromFile) {
        state.Enabled = editable && !InExternalEditingMode();
    } else if (item == items.SaveToFile) {
        state.Enabled = IsFilled();
    }
}

bool TCustomDataElement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    const TDataPaletteItems& items = DataPaletteItems();
    if (item == nullptr)
        return inherited::ExecutePaletteItem(item, value);
    const int format = FormatOfItem(item);
    if (item == items.Edit) {
        StartExternalEditing(QString(), false);
    } else if (item == items.Apply) {
        ApplyExternalEditing();
    } else if (item == items.Cancel) {
        CancelExternalEditing();
    } else if (format >= 0) {
        if (format == dfJpeg ? !IsJpegFormat(Format()) : format != Format())
            ConvertFormat(format);
    } else if (item == items.LoadFromFile) {
        ChooseAndLoadFile();
    } else if (item == items.SaveToFile) {
        ChooseAndSaveFile();
    } else {
        return inherited::ExecutePaletteItem(item, value);
    }
    return true;
}

bool TCustomDataElement::Paste()
{
    if (IsReadOnly() || InExternalEditingMode())
        return false;
    return PasteData(true);
}

void TCustomDataElement::MarkChanged()
{
    inherited::MarkChanged();
    Update();
}

void TCustomDataElement::FocusChanged()
{
    inherited::FocusChanged();
    Invalidate();
}

void TCustomDataElement::GetCaret(int& kind, QRect& rect)
{
    kind = 2;
    rect = GetClientRect();
}

void TCustomDataElement::ShownChanged()
{
    inherited::ShownChanged();
    UpdateSize();
}

void TCustomDataElement::Relayout(bool all, bool force)
{
    inherited::Relayout(all, force);
    if (all || force)
        UpdateSize();
}

bool TCustomDataElement::CanCut()
{
    return IsFilled() && !InExternalEditingMode() && !IsReadOnly();
}

bool TCustomDataElement::CanCopy()
{
    return IsFilled();
}

bool TCustomDataElement::CanEdit()
{
    return inherited::CanEdit() && !InExternalEditingMode();
}

void TCustomDataElement::EditCommand()
{
    inherited::EditCommand();
    if (!IsReadOnly())
        TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TDataNewDataOperation(this)));
}

void TCustomDataElement::Copy()
{
    QByteArray png;
    if (GetImage()) {
        QImage picture = FImageCache;
        if (FDisplayScale != 100 && !DecodeImage(FData, picture))
            picture = QImage();
        png = picture.isNull() ? QByteArray() : EncodeImage(picture, dfPng);
    }
    Clipboard().SetContent({{QString::fromUtf16(dataClipboardFormat), CompressData(FData)},
                            {QString::fromUtf16(dataTypeClipboardFormat), TypeToClipboard(FDataType)}},
                           png);
}

bool TCustomDataElement::DropFiles(const QStringList& fileNames)
{
    if (IsReadOnly() || InExternalEditingMode())
        return false;
    for (const QString& name : fileNames) {
        if (FormatOfFileName(name) != dfNone) {
            LoadDataFromFile(name);
            return true;
        }
    }
    return false;
}

void TCustomDataElement::GetHint(QString& text)
{
    inherited::GetHint(text);
    if (!IsFilled())
        return;
    QString addition;
    int width = 0;
    int height = 0;
    if (ImageSize(width, height)) {
        addition = FDataType + u' ' + QString::number(width) + u'x' + QString::number(height);
        if (FDisplayScale != 100)
            addition += u' ' + QString::number(FDisplayScale) + u'%';
    } else {
        addition = FDataType;
    }
    if (addition.isEmpty())
        return;
    if (!text.isEmpty())
        text += QStringLiteral("\r\n");
    text += addition;
}

void TCustomDataElement::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && EditWithDefaultAction()) {
        key = 0;
        return;
    }
    inherited::KeyDown(key, shift);
}

void TCustomDataElement::KeyPress(QChar& key)
{
    if (key == u'\r') {
        key = QChar();
        return;
    }
    inherited::KeyPress(key);
}

TVisualElement* TCustomDataElement::DoubleClickAction()
{
    TVisualElement* result = inherited::DoubleClickAction();
    if (!EditWithDefaultAction())
        UserInterface().Beep();
    return result;
}

QString TCustomDataElement::HexDumpRow(const QByteArray& data, qsizetype row)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    QString text(dumpRowChars, u' ');
    const qsizetype start = row * dumpBytesPerRow;
    for (int j = 0; j < dumpBytesPerRow && start + j < data.size(); ++j) {
        const auto byte = static_cast<uint8_t>(data[start + j]);
        text[3 * j] = QChar(digits[byte >> 4]);
        text[3 * j + 1] = QChar(digits[byte & 0x0F]);
        // Control characters, C1 ones included, would be interpreted when drawn.
        const bool control = byte < 32 || (byte >= 0x7F && byte <= 0x9F);
        text[48 + j] = control ? QChar(u'\u00B7') : QChar(static_cast<char16_t>(byte));
    }
    return text;
}

QSize TCustomDataElement::ContentSize()
{
    if (FCacheDropped) {
        // The size the picture had; decoding waits for the next painting.
        return QSize(std::max(1, static_cast<int>(int64_t(FImageWidth) * FDisplayScale / 100)),
                     std::max(1, static_cast<int>(int64_t(FImageHeight) * FDisplayScale / 100)));
    }
    if (GetImage())
        return FImageCache.size();
    if (!IsFilled() || Sheet() == nullptr || Sheet()->Canvas() == nullptr)
        return emptySize;
    TCanvas* canvas = Sheet()->Canvas();
    const TFontMetricsInfo metrics = canvas->ThemeFont(stfFixed).Metrics();
    const int64_t rows = (FData.size() + dumpBytesPerRow - 1) / dumpBytesPerRow;
    const int64_t height = rows * (metrics.Ascent + metrics.Descent);
    return QSize(canvas->ThemeTextWidth(stfFixed, QString(dumpRowChars, u'0')),
                 static_cast<int>(std::min<int64_t>(height, INT32_MAX / 2)));
}

void TCustomDataElement::UpdateSize()
{
    if (Sheet() == nullptr || !IsShown() || IsDestroying())
        return;
    const QSize content = ContentSize();
    const QMargins padding = GetPadding();
    const int height = content.height() + padding.top() + padding.bottom();
    SetBounds(Left(), Top(), 0, height, content.width() + padding.left() + padding.right());
}

void TCustomDataElement::UpdateCaret()
{
    if (Sheet() != nullptr && IsFocused()) {
        Sheet()->UpdateCaret();
        // What the palette offers depends on the data and the mode.
        Sheet()->RequestPaletteItemsChanged();
    }
}

void TCustomDataElement::PaintContent(TCanvas* canvas, QPoint origin)
{
    if (GetImage()) {
        canvas->Painter().drawImage(origin, FImageCache);
        return;
    }
    if (!IsFilled())
        return;
    IMeasuredFont& font = canvas->ThemeFont(stfFixed);
    const TFontMetricsInfo metrics = font.Metrics();
    const int lineHeight = std::max(1, metrics.Ascent + metrics.Descent);
    const TColor colour = canvas->Theme().Font(stfFixed).Color;
    const qsizetype rows = (FData.size() + dumpBytesPerRow - 1) / dumpBytesPerRow;
    const QRect clip = canvas->ClipRect();
    // Only the rows inside the clip rectangle are drawn.
    qsizetype row = clip.top() > origin.y() ? (clip.top() - origin.y()) / lineHeight : 0;
    for (; row < rows; ++row) {
        const int top = origin.y() + static_cast<int>(row * lineHeight);
        canvas->DrawText(font, origin.x(), top + metrics.Ascent, colour, HexDumpRow(FData, row));
        if (top + lineHeight >= clip.bottom())
            break;
    }
}

void TCustomDataElement::Paint(TCanvas* canvas)
{
    inherited::Paint(canvas);
    if (canvas == nullptr)
        return;
    const QMargins padding = GetPadding();
    PaintContent(canvas, QPoint(padding.left(), padding.top()));
}

// TDataContainer

TDataContainer::TDataContainer(TScheme* scheme) : TCustomDataElement(scheme)
{
    SetOptions(Options() | eoInline);
}

QMargins TDataContainer::GetPadding()
{
    if (Sheet() == nullptr || Sheet()->Canvas() == nullptr)
        return QMargins();
    const TSheetTheme& theme = Sheet()->Canvas()->Theme();
    if (HasPicture())
        return theme.Element(steImageContainer).Padding + theme.Element(steImageChess).Padding;
    return theme.Element(steContainer).Padding;
}

void TDataContainer::Paint(TCanvas* canvas)
{
    if (canvas != nullptr) {
        const QRect rect = GetClientRect();
        const bool picture = GetImage();
        canvas->DrawThemeFrame(picture ? steImageContainer : steContainer, rect);
        if (picture && (DataOptions() & doNoChessBackground) == 0)
            canvas->DrawThemeFrame(steImageChess,
                                   rect.marginsRemoved(canvas->Theme().Element(steImageContainer).Padding));
    }
    inherited::Paint(canvas);
}

// TElement_Image

TElement_Image::TElement_Image(TScheme* scheme) : TCustomDataElement(scheme)
{
    SetVisualOptions(VisualOptions() | voCanDisable);
    SetDataOptions(doPictureElement);
}

void TElement_Image::Paint(TCanvas* canvas)
{
    if (canvas != nullptr && !IsFilled())
        canvas->DrawThemeFrame(steFrameDot, GetClientRect());
    inherited::Paint(canvas);
}

// Operations

void TCustomDataChangeOperation::DoOnElement(TElement* element)
{
    auto* data = dynamic_cast<TCustomDataElement*>(element);
    if (data == nullptr || FSaved)
        return;
    FSaved = true;
    FOldType = data->DataType();
    FOldData = CompressData(data->Data());
}

void TCustomDataChangeOperation::UndoOnElement(TElement* element)
{
    if (auto* data = dynamic_cast<TCustomDataElement*>(element))
        data->SetCompressedData(FOldData, FOldType);
    CaretIntoView(element);
}

TDataNewDataOperation::TDataNewDataOperation(TElement* element, const QByteArray& compressedData,
                                             const QString& type)
    : TCustomDataChangeOperation(element), FNewType(type), FNewData(compressedData)
{}

void TDataNewDataOperation::DoOnElement(TElement* element)
{
    inherited::DoOnElement(element);
    if (auto* data = dynamic_cast<TCustomDataElement*>(element))
        data->SetCompressedData(FNewData, FNewType);
    CaretIntoView(element);
}

TDataNewDataFormatOperation::TDataNewDataFormatOperation(TElement* element, int format)
    : TCustomDataChangeOperation(element), FFormat(format)
{}

void TDataNewDataFormatOperation::DoOnElement(TElement* element)
{
    inherited::DoOnElement(element);
    if (auto* data = dynamic_cast<TCustomDataElement*>(element))
        data->ApplyFormat(FFormat);
    CaretIntoView(element);
}

TDataExternalEditingModeOperation::TDataExternalEditingModeOperation(TElement* element, const QString& name)
    : TElementOperation(element), FNewName(name)
{}

void TDataExternalEditingModeOperation::DoOnElement(TElement* element)
{
    if (auto* data = dynamic_cast<TCustomDataElement*>(element)) {
        FOldName = data->ExternalFileName();
        data->SetExternalFileName(FNewName);
    }
    CaretIntoView(element);
}

void TDataExternalEditingModeOperation::UndoOnElement(TElement* element)
{
    if (auto* data = dynamic_cast<TCustomDataElement*>(element))
        data->SetExternalFileName(FOldName);
    CaretIntoView(element);
}

// TDataEditPaletteItem

void TDataEditPaletteItem::GetSubCommands(TVisualElement* element, QList<TPaletteSubCommand>& list)
{
    // This desktop names no programs for a type: the chooser of the desktop is the one entry.
    if (dynamic_cast<TCustomDataElement*>(element) != nullptr)
        list.append({LoadStr(2783), QString()});
}

void TDataEditPaletteItem::ExecuteSub(TVisualElement* element, const QString& text)
{
    if (auto* data = dynamic_cast<TCustomDataElement*>(element))
        data->StartExternalEditing(text, text.isEmpty());
}

// Registration

const TDataPaletteItems& DataPaletteItems()
{
    return Items();
}

void RegisterDataElements()
{
    static const bool registered = [] {
        ApplicationClassesGroups().GetGroup(cgCommentContentClasses).append(TElement_Image::StaticClass());
        // A missing codec plugin would only show as pictures that never decode.
        const QStringList missing = MissingImageCodecs();
        if (!missing.isEmpty())
            qWarning("Image codecs missing (install qt6-image-formats-plugins): %s",
                     qPrintable(missing.join(QStringLiteral(", "))));

        TPalette& palette = Palette();
        const auto large = [](int position) {
            return StripImage(LargeImages(), largeImagesStrip, position);
        };
        TDataPaletteItems& items = Items();
        auto* edit = new TPaletteGroup(&palette, QV_STR(2780), 1500);
        items.Edit = new TDataEditPaletteItem(edit, 0x6152, large(0), QV_STR(2782), QV_STR(2781), 100);
        items.Apply = new TSchemePaletteItem(edit, 0x0142, large(1), QV_STR(2785), QV_STR(2784), 60);
        items.Cancel = new TSchemePaletteItem(edit, 0x0142, large(2), QV_STR(2787), QV_STR(2786), 30);
        auto* format = new TPaletteGroup(&palette, QV_STR(2788), 100);
        items.Png = new TSchemePaletteItem(format, 0x0540, large(3), QV_STR(2798), QV_STR(2792), 90);
        items.Jpeg = new TSchemePaletteItem(format, 0x0540, large(3), QV_STR(2800), QV_STR(2794), 85);
        items.Gif = new TSchemePaletteItem(format, 0x0540, large(3), QV_STR(2799), QV_STR(2793), 82);
        items.Bmp = new TSchemePaletteItem(format, 0x0540, large(3), QV_STR(2795), QV_STR(2789), 80);
        items.Ico = new TSchemePaletteItem(format, 0x0540, large(3), QV_STR(2796), QV_STR(2790), 70);
        items.Cur = new TSchemePaletteItem(format, 0x0540, large(3), QV_STR(2797), QV_STR(2791), 60);
        for (TPaletteItem* item : {items.Png, items.Jpeg, items.Gif, items.Bmp, items.Ico, items.Cur})
            item->SetRadioGroup(1);
        TPaletteGroup* actions = palette.ActionsGroup();
        items.LoadFromFile =
            new TSchemePaletteItem(actions, 0x0152, large(4), QV_STR(2803), QV_STR(2802), 40);
        items.SaveToFile = new TSchemePaletteItem(actions, 0x0112, large(5), QV_STR(2805), QV_STR(2804), 30);
        new TElementPaletteItem(palette.InsertGroup(), piLarge, large(7), QV_STR(2813), QV_STR(2812),
                                TElement_Image::StaticClass(), 100);
        return true;
    }();
    (void)registered;
}

} // namespace qv
