// Data and image elements: header sizes, the codecs (checked by a second reader where one exists),
// display scale and the hexadecimal dump, storage, the clipboard, conversions with undo, external
// editing and what text fields do with pasted and dropped pictures.

#include "core/knot.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "library/comment_element.h"
#include "library/data_element.h"
#include "library/image_codecs.h"
#include "roots/root.h"
#include "textor/canvas.h"
#include "textor/measuring_context.h"
#include "textor/sheet_settings.h"

#include "support/fake_user_interface.h"
#include "support/textor_fakes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

QImage Picture(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 7 % 256, y * 5 % 256, (x + y) % 256, 255));
    }
    return image;
}

QByteArray Png(int width, int height)
{
    return EncodeImage(Picture(width, height), dfPng);
}

QString MessagesText(const TElementMessages* messages)
{
    QString text;
    for (int i = 0; messages != nullptr && i < messages->Count(); ++i)
        text += messages->Items(i)->GetText() + u'\n';
    return text;
}

// Runs a Python snippet on a file and returns what it prints; empty when Python is missing.
QString Python(const QString& script, const QString& file)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        return QString();
    QProcess process;
    process.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, file});
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A user interface whose desktop really starts programs, so that a script can play the editor.
class TRunningUserInterface : public TFakeUserInterface
{
public:
    TOpenResult OpenFile(const QString& file, const QString& parameters, const QString& verb,
                         TShowMode showMode) override
    {
        TFakeUserInterface::OpenFile(file, parameters, verb, showMode);
        if (QFileInfo(file).isExecutable())
            QProcess::execute(file, QProcess::splitCommand(parameters));
        return {osOpened, 0};
    }
};

class DataElements : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        RegisterCommentElements();
        RegisterDataElements();
        SetTextorSheetSettings(&Settings);
        Scheme.SetUndoRedo(&Undo);
        Scheme.SetFileName(QDir(Temp.path()).canonicalPath() + QStringLiteral("/doc.frt"));
        Sheet.SetPageSize(QSize(800, 600));
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 600, 800);
    }
    void TearDown() override
    {
        Undo.Clear();
        if (Root->VisualParent() != nullptr)
            Root->SetVisualParent(nullptr);
        SetTextorSheetSettings(nullptr);
        for (int group = 0; group < externalEditorGroupCount; ++group) {
            DataElementSettings().Group(group).DefaultAction().SetValue(eeaAssociated);
            DataElementSettings().Group(group).CustomEditor().SetValue(QString());
        }
        TTextorFixture::TearDown();
    }

    TElement_Comment* Comment()
    {
        if (FComment == nullptr)
            FComment = static_cast<TElement_Comment*>(
                Root->InsertNewElement(TElement_Comment::StaticClass(), nullptr, nullptr));
        return FComment;
    }
    TElement_Image* Image(const QByteArray& data = QByteArray(), const QString& type = QString())
    {
        auto* image = static_cast<TElement_Image*>(
            Comment()->InsertNewElement(TElement_Image::StaticClass(), nullptr, nullptr));
        if (image != nullptr && !data.isEmpty())
            image->SetData(data, type);
        return image;
    }
    QString Folder() const { return QDir(Temp.path()).canonicalPath() + u'/'; }
    QString Write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Folder() + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir Temp;
    TSheetSettings Settings;
    TScheme Scheme{TPlainTextRoot::StaticClass(), QStringLiteral("FreeText")};
    TUndoRedo Undo;
    TSheet Sheet{&Settings};
    TPlainTextRoot* Root = static_cast<TPlainTextRoot*>(Scheme.Root());
    TRunningUserInterface Ui;
    TScopedUserInterface UiScope{&Ui};
    TFakeClipboard Clip;
    TFakeUrlOpener Urls;
    TScopedDesktop Desktop{&Clip, &Urls};

private:
    TElement_Comment* FComment = nullptr;
};

TEST(ImageCodecs, ThePlatformCodecsArePresent)
{
    EXPECT_EQ(MissingImageCodecs(), QStringList()) << "install qt6-image-formats-plugins";
}

TEST(ImageCodecs, SizesComeFromTheHeaders)
{
    auto bytes = [](std::initializer_list<int> values) {
        QByteArray result;
        for (int v : values)
            result.append(static_cast<char>(v));
        return result;
    };
    QByteArray bmp = bytes({'B', 'M', 0, 0, 0, 0,  0, 0, 0, 0,    0,    0,    0,
                            0,   40,  0, 0, 0, 10, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF}); // height -10
    bmp.append(QByteArray(14, '\0'));
    QByteArray cur = bytes({0, 0, 2, 0, 2, 0});
    cur += bytes({16, 48, 0, 0}) + QByteArray(12, '\0'); // 16 wide, height byte ignored
    cur += bytes({24, 8, 0, 0}) + QByteArray(12, '\0');
    const QByteArray jpeg = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC0, 0, 11, 8, 0, 30, 0, 40});
    const QByteArray badJpeg = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0});
    struct TRow
    {
        const char* Name;
        QByteArray Data;
        int Format;
        bool Result;
        int Width;
        int Height;
    };
    const TRow rows[] = {
        {"negative BMP height", bmp, dfBmp, true, 10, 10},
        {"BMP with INT_MIN height", bmp.left(22) + bytes({0, 0, 0, 0x80}) + QByteArray(14, '\0'), dfBmp,
         false, 10, 100},
        {"cursor: widest entry, square", cur, dfCur, true, 24, 24},
        {"JPEG SOF0 after a segment", jpeg, dfJpeg, true, 40, 30},
        {"JPEG with a segment past the end", badJpeg, dfJpg, false, 100, 100},
        {"GIF", bytes({'G', 'I', 'F', '8', '9', 'a', 0x2C, 1, 0x10, 0}), dfGif, true, 300, 16},
        {"PNG", Png(33, 7), dfPng, true, 33, 7},
        {"truncated icon directory", bytes({0, 0, 1, 0, 3, 0, 16}), dfIco, false, standardIconSize,
         standardIconSize},
        {"no size for TGA", QByteArray(30, '\0'), dfTga, false, 100, 100},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        int width = -1;
        int height = -1;
        EXPECT_EQ(ReadImageSize(row.Data, row.Format, width, height), row.Result);
        EXPECT_EQ(width, row.Width);
        EXPECT_EQ(height, row.Height);
    }
}

// A TGA file of the picture in one of the stored forms.
QByteArray Targa(const QImage& image, int type, int depth, bool topDown)
{
    const bool mapped = (type & 7) == 1;
    const bool grey = (type & 7) == 3;
    QList<QRgb> palette;
    QByteArray header(18, '\0');
    header[1] = mapped ? 1 : 0;
    header[2] = static_cast<char>(type);
    header[12] = static_cast<char>(image.width());
    header[14] = static_cast<char>(image.height());
    header[16] = static_cast<char>(depth);
    header[17] = static_cast<char>((topDown ? 0x20 : 0) | (depth == 32 ? 8 : 0));
    auto pixelBytes = [&](QRgb pixel) {
        QByteArray out;
        if (mapped) {
            qsizetype index = palette.indexOf(pixel);
            out.append(static_cast<char>(index));
        } else if (grey) {
            out.append(static_cast<char>(qRed(pixel)));
        } else {
            out.append(static_cast<char>(qBlue(pixel)));
            out.append(static_cast<char>(qGreen(pixel)));
            out.append(static_cast<char>(qRed(pixel)));
            if (depth == 32)
                out.append(static_cast<char>(qAlpha(pixel)));
        }
        return out;
    };
    QList<QRgb> pixels;
    for (int row = 0; row < image.height(); ++row) {
        const int y = topDown ? row : image.height() - 1 - row;
        for (int x = 0; x < image.width(); ++x) {
            pixels.append(image.pixel(x, y));
            if (!palette.contains(image.pixel(x, y)))
                palette.append(image.pixel(x, y));
        }
    }
    QByteArray body;
    if (mapped) {
        header[5] = static_cast<char>(palette.size());
        header[7] = 24;
        for (QRgb colour : palette)
            body +=
                QByteArray(1, static_cast<char>(qBlue(colour))) + char(qGreen(colour)) + char(qRed(colour));
    }
    for (qsizetype i = 0; i < pixels.size();) {
        if ((type & 8) == 0) {
            body += pixelBytes(pixels[i++]);
            continue;
        }
        // Runs of equal pixels as run packets, the rest as one-pixel raw packets.
        qsizetype run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        body.append(static_cast<char>(run > 1 ? 0x80 | (run - 1) : 0));
        body += pixelBytes(pixels[i]);
        i += run;
    }
    return header + body;
}

TEST(ImageCodecs, TargaReaderReadsEveryType)
{
    QImage colour(5, 3, QImage::Format_ARGB32);
    QImage grey(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            colour.setPixel(x, y, x < 3 ? qRgba(200, 10 * y, x, 255) : qRgba(1, 2, 3, 128));
            grey.setPixel(x, y, qRgb(40 * x, 40 * x, 40 * x));
        }
    }
    struct TRow
    {
        int Type;
        int Depth;
        bool TopDown;
        bool Grey;
        bool Alpha;
    };
    const TRow rows[] = {{1, 8, false, false, false},  {2, 24, false, false, false},
                         {2, 32, true, false, true},   {3, 8, false, true, false},
                         {9, 8, true, false, false},   {10, 24, false, false, false},
                         {10, 32, false, false, true}, {11, 8, true, true, false}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.Type << ", " << row.Depth << " bits");
        QImage source = row.Grey ? grey : colour;
        if (!row.Alpha && !row.Grey) {
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    source.setPixel(x, y, source.pixel(x, y) | 0xFF000000u);
        }
        const QByteArray file = Targa(source, row.Type, row.Depth, row.TopDown) + QByteArray(8, '\0');
        ASSERT_TRUE(IsValidTgaHeader(file));
        QImage decoded;
        ASSERT_TRUE(DecodeImage(file, decoded));
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32), source);
        EXPECT_EQ(DetectImageFormat(file), dfTga);
        EXPECT_FALSE(ReadTarga(file.left(file.size() - 12), decoded)) << "a short file fails";
    }
}

// A 16 by 16 icon of 4 bits per pixel: its header passes the TGA test as well.
QByteArray ClassicIcon()
{
    QByteArray out;
    auto u8 = [&out](int v) {
        out.append(static_cast<char>(v));
    };
    auto u16 = [&](int v) {
        u8(v & 0xFF), u8(v >> 8);
    };
    auto u32 = [&](int v) {
        u16(v & 0xFFFF), u16(v >> 16);
    };
    const int bytes = 40 + 64 + 16 * 8 + 16 * 4;
    u16(0), u16(1), u16(1);
    u8(16), u8(16), u8(16), u8(0), u16(1), u16(4), u32(bytes), u32(22);
    u32(40), u32(16), u32(32), u16(1), u16(4), u32(0), u32(0), u32(0), u32(0), u32(16), u32(0);
    for (int i = 0; i < 16; ++i)
        u8(i * 16), u8(i * 8), u8(255 - i * 16), u8(0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            u8(((2 * x) % 16) << 4 | ((2 * x + 1) % 16));
    out.append(QByteArray(16 * 4, '\0'));
    return out;
}

TEST(ImageCodecs, ClassicIconsThatLookLikeTargaFilesStillDecode)
{
    const QByteArray icon = ClassicIcon();
    ASSERT_TRUE(IsValidTgaHeader(icon));
    QImage decoded;
    ASSERT_TRUE(DecodeImage(icon, decoded));
    EXPECT_EQ(decoded.size(), QSize(16, 16));
    EXPECT_EQ(DetectImageFormat(icon), dfNone) << "not a TGA; icons are not detected by content";
    EXPECT_EQ(DetectImageFormat(Png(3, 3)), dfPng);
    EXPECT_EQ(DetectImageFormat(QByteArray("\x89PNG garbage")), dfNone) << "only what decodes";
}

TEST(ImageCodecs, CompressedStreamsAreBoundedAndChecked)
{
    const QByteArray data = QByteArray(100000, 'a') + "tail";
    const QByteArray compressed = CompressData(data);
    QByteArray result;
    ASSERT_TRUE(DecompressData(compressed, result));
    EXPECT_EQ(result, data);
    EXPECT_FALSE(DecompressData(compressed, result, 5000)) << "over the limit";
    EXPECT_TRUE(result.isEmpty());
    EXPECT_FALSE(DecompressData(compressed.left(compressed.size() / 2), result)) << "truncated";
    EXPECT_FALSE(DecompressData(compressed + "x", result)) << "trailing bytes";
    EXPECT_FALSE(DecompressData(QByteArray("not zlib at all"), result));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("z")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(compressed);
    file.close();
    const QString second =
        Python(QStringLiteral("import sys,zlib;print(len(zlib.decompress(open(sys.argv[1],'rb').read())))"),
               file.fileName());
    if (!second.isEmpty()) {
        EXPECT_EQ(second, QString::number(data.size())) << "a plain zlib stream";
    }
}

TEST_F(DataElements, ConversionsGiveFilesOfTheirFormat)
{
    // What a second reader says about the converted file: Python's struct for ICO, CUR and GIF.
    const QString headerScript = QStringLiteral(
        "import sys,struct\nb=open(sys.argv[1],'rb').read()\n"
        "if b[:6] in (b'GIF89a',b'GIF87a'):\n w,h=struct.unpack('<HH',b[6:10]);print(b[:6].decode(),w,h)\n"
        "else:\n r,t,n=struct.unpack('<HHH',b[:6]);w,h,c,_,p,q,size,off=struct.unpack('<BBBBHHII',b[6:22])\n"
        " print(t,n,w,h,p,q,off,size==len(b)-off)");
    struct TRow
    {
        int Format;
        const char* Type;
        QSize Size;
        const char* Signature;
        const char* Second;
    };
    const TRow rows[] = {
        {dfBmp, "bmp", {50, 20}, "BM", nullptr},
        {dfJpg, "jpeg", {50, 20}, "\xFF\xD8", nullptr},
        {dfGif, "gif", {50, 20}, "GIF89a", "GIF89a 50 20"},
        {dfTiff, "tiff", {50, 20}, "II*", nullptr},
        {dfIco, "ico", {32, 32}, nullptr, "1 1 32 32 1 32 22 True"},
        {dfCur, "cur", {32, 32}, nullptr, "2 1 32 32 0 0 22 True"},
        {dfPng, "png", {50, 20}, "\x89PNG", nullptr},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Type);
        TElement_Image* image = Image(Png(50, 20), QStringLiteral("png"));
        ASSERT_NE(image, nullptr);
        image->ApplyFormat(row.Format);
        EXPECT_EQ(image->DataType(), QLatin1String(row.Type));
        if (row.Signature != nullptr) {
            EXPECT_TRUE(image->Data().startsWith(row.Signature));
        }
        QImage decoded;
        ASSERT_TRUE(DecodeImage(image->Data(), decoded));
        EXPECT_EQ(decoded.size(), row.Size);
        if (row.Second != nullptr) {
            const QString file = Write(QStringLiteral("converted"), image->Data());
            const QString second = Python(headerScript, file);
            if (!second.isEmpty()) {
                EXPECT_EQ(second, QLatin1String(row.Second));
            }
        }
    }
    // A cursor keeps its hot spot.
    const QByteArray cursor = WriteIconFile(Picture(5, 4), true, QPoint(3, 2));
    EXPECT_EQ(cursor.mid(10, 4), QByteArray("\x03\x00\x02\x00", 4));
    QImage pointer;
    ASSERT_TRUE(DecodeImage(cursor, pointer));
    EXPECT_EQ(pointer.size(), QSize(5, 4));

    TElement_Image* empty = Image();
    empty->ApplyFormat(dfPng);
    QImage blank;
    ASSERT_TRUE(DecodeImage(empty->Data(), blank));
    EXPECT_EQ(blank.size(), QSize(60, 40));
    EXPECT_EQ(blank.pixel(5, 5), qRgb(160, 160, 164));
}

TEST_F(DataElements, WidePicturesAreShownReducedAndDecodedOnlyWhenNeeded)
{
    const struct
    {
        int Width;
        int Scale;
    } rows[] = {{1500, 25}, {720, 100}, {100000, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Width);
        TElement_Image* image = Image(Png(row.Width, 2), QStringLiteral("png"));
        ASSERT_TRUE(image->GetImage());
        EXPECT_EQ(image->DisplayScale(), row.Scale);
        EXPECT_EQ(image->ImageCache().width(), row.Width * row.Scale / 100);
        QString hint;
        image->GetHint(hint);
        EXPECT_TRUE(hint.endsWith(QStringLiteral("png %1x2").arg(row.Width) +
                                  (row.Scale == 100 ? QString() : QStringLiteral(" %1%").arg(row.Scale))))
            << hint.toStdString();
    }

    // Loading a document decodes nothing; showing a picture decodes it once.
    TKnot document;
    {
        TKnot* content = document.AddKnot(QStringLiteral("Comment"));
        for (int i = 0; i < 100; ++i) {
            TKnot* node = content->AddKnot(QStringLiteral("Image"));
            node->WriteString(QStringLiteral("Type"), QStringLiteral("png"));
            node->WriteStream(QStringLiteral("Value"), Png(40 + i, 30));
        }
    }
    TScheme copy(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    const int before = DecodeCount();
    copy.LoadFromKnot(copy.Root(), fmFile, &document);
    auto images = copy.Root()->CollectAll<TElement_Image>();
    ASSERT_EQ(images.size(), 100u);
    EXPECT_EQ(DecodeCount(), before);
    ASSERT_TRUE(images[7]->GetImage());
    ASSERT_TRUE(images[7]->GetImage());
    EXPECT_EQ(DecodeCount(), before + 1);
    EXPECT_EQ(images[7]->ImageCache().width(), 47);

    // Beyond the memory budget the least recently used pictures on the sheet are dropped and
    // decoded again when drawn, at the size they had.
    const qint64 budget = SetImageCacheBudget(2 * 100 * 80 * 4);
    TElement_Image* shown[3];
    for (TElement_Image*& image : shown)
        image = Image(Png(100, 80), QStringLiteral("png"));
    EXPECT_TRUE(shown[0]->ImageCache().isNull());
    EXPECT_TRUE(shown[0]->HasPicture());
    EXPECT_FALSE(shown[2]->ImageCache().isNull());
    const int height = shown[0]->Height();
    const int decoded = DecodeCount();
    ASSERT_TRUE(shown[0]->GetImage());
    EXPECT_EQ(DecodeCount(), decoded + 1);
    EXPECT_EQ(shown[0]->Height(), height);
    EXPECT_TRUE(shown[1]->ImageCache().isNull()) << "the oldest made room";
    SetImageCacheBudget(budget);
}

TEST_F(DataElements, OtherDataShowsAsAHexDump)
{
    const QByteArray data = QByteArray("0123456789ABCDE\x1F") + '\x05';
    const QString rows[] = {TCustomDataElement::HexDumpRow(data, 0), TCustomDataElement::HexDumpRow(data, 1)};
    EXPECT_EQ(rows[0],
              QStringLiteral("30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 1F 0123456789ABCDE\u00B7"));
    EXPECT_EQ(rows[1],
              QStringLiteral("05") + QString(46, u' ') + QStringLiteral("\u00B7") + QString(15, u' '));

    TElement_Image* image = Image(data, QStringLiteral("bin"));
    EXPECT_FALSE(image->GetImage());
    QString hint;
    image->GetHint(hint);
    EXPECT_TRUE(hint.endsWith(QStringLiteral("\r\nbin")) || hint == QStringLiteral("bin"))
        << hint.toStdString();
    const TFontMetricsInfo metrics = Sheet.Canvas()->ThemeFont(stfFixed).Metrics();
    EXPECT_EQ(image->Height(), 2 * (metrics.Ascent + metrics.Descent));

    // A picture type whose bytes do not decode keeps them and says so.
    TElement_Image* broken = Image(QByteArray("\x89PNG not really"), QStringLiteral("png"));
    EXPECT_FALSE(broken->GetImage());
    EXPECT_EQ(broken->Data(), QByteArray("\x89PNG not really"));
    broken->Check();
    EXPECT_TRUE(MessagesText(broken->Messages()).contains(QStringLiteral("Picture cannot be decoded")));
}

TEST_F(DataElements, StorageKeepsTheBytesAndRejectsBadValues)
{
    const QByteArray data = Png(9, 4);
    TElement_Image* image = Image(data, QStringLiteral("png"));
    TKnot knot;
    image->SaveTo(&knot, fmFile, ffFileSave);
    EXPECT_EQ(knot.ReadString(QStringLiteral("Value")), StreamToHex(data)) << "hexadecimal, not compressed";
    EXPECT_EQ(knot.ReadString(QStringLiteral("Type")), QStringLiteral("png"));

    TElement_Image* loaded = Image();
    loaded->LoadFrom(&knot, fmFile, 0);
    EXPECT_EQ(loaded->Data(), data);

    TKnot badKnot;
    badKnot.WriteString(QStringLiteral("Type"), QStringLiteral("png"));
    badKnot.WriteString(QStringLiteral("Value"), QStringLiteral("0G"));
    TElement_Image* bad = Image();
    TElementMessages log;
    Scheme.SetMessages(&log);
    bad->LoadFrom(&badKnot, fmFile, 0);
    Scheme.SetMessages(nullptr);
    EXPECT_TRUE(bad->Data().isEmpty());
    EXPECT_TRUE(MessagesText(&log).contains(QStringLiteral("Data read error")));

    // A generation copy shares the buffer by handle; an unknown handle gives empty data.
    TKnot copy;
    image->SaveTo(&copy, fmSnapshot, ffGenerationCopy);
    EXPECT_NE(copy.ReadString(QStringLiteral("Value")), StreamToHex(data));
    TElement_Image* shared = Image();
    shared->LoadFrom(&copy, fmSnapshot, ffGenerationCopy);
    EXPECT_EQ(shared->Data(), data);
    TKnot unknown;
    unknown.WriteString(QStringLiteral("Value"), QStringLiteral("987654321"));
    shared->LoadFrom(&unknown, fmSnapshot, ffGenerationCopy);
    EXPECT_TRUE(shared->Data().isEmpty());
}

TEST_F(DataElements, ClipboardCarriesTheBytesBetweenDocuments)
{
    const QByteArray data = Png(12, 8);
    TElement_Image* source = Image(data, QStringLiteral("png"));
    source->Copy();
    EXPECT_TRUE(TCustomDataElement::ClipboardHasData());
    EXPECT_FALSE(Clip.StoredImage.isEmpty()) << "the picture for other programs";

    TScheme other(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    auto* comment = static_cast<TElement_Comment*>(
        static_cast<TTextorElement*>(other.Root())
            ->InsertNewElement(TElement_Comment::StaticClass(), nullptr, nullptr));
    ASSERT_NE(comment, nullptr);
    ASSERT_TRUE(comment->Paste());
    auto pasted = comment->CollectAll<TElement_Image>();
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->Data(), data);
    EXPECT_EQ(pasted[0]->DataType(), QStringLiteral("png"));

    // Another program's picture becomes a PNG.
    Clip.SetContent({}, EncodeImage(Picture(6, 5), dfPng));
    TElement_Image* target = Image(QByteArray("old"), QStringLiteral("bin"));
    ASSERT_TRUE(target->PasteData(true));
    EXPECT_EQ(target->DataType(), QStringLiteral("png"));
    QImage decoded;
    ASSERT_TRUE(DecodeImage(target->Data(), decoded));
    EXPECT_EQ(decoded.size(), QSize(6, 5));

    // Bad compressed bytes from another process change nothing.
    Clip.SetContent({{QString::fromUtf16(dataClipboardFormat), QByteArray("\x78\x9C garbage")},
                     {QString::fromUtf16(dataTypeClipboardFormat), QByteArray("b\0i\0n\0\0\0", 8)}},
                    {});
    const QByteArray before = target->Data();
    EXPECT_FALSE(target->Paste());
    EXPECT_EQ(target->Data(), before);
    EXPECT_FALSE(comment->Paste());
    EXPECT_EQ(comment->CollectAll<TElement_Image>().size(), 1u) << "no empty element left behind";
}

TEST_F(DataElements, ConversionWarnsWhenLossyAndUndoRestoresTheBytes)
{
    const QByteArray png = Png(20, 10);
    TElement_Image* image = Image(png, QStringLiteral("png"));
    image->ConvertFormat(dfBmp);
    EXPECT_EQ(image->DataType(), QStringLiteral("bmp"));
    EXPECT_TRUE(Ui.Calls.isEmpty()) << "BMP keeps the picture";
    Undo.Undo();
    EXPECT_EQ(image->Data(), png);
    image->ConvertFormat(dfJpeg);
    ASSERT_EQ(Ui.Calls.size(), 1);
    EXPECT_TRUE(Ui.Calls[0].contains(LoadStr(2801)));
    EXPECT_EQ(image->DataType(), QStringLiteral("jpeg"));
    Undo.Undo();
    EXPECT_EQ(image->Data(), png);
    EXPECT_EQ(image->DataType(), QStringLiteral("png"));

    // Bytes that do not decode are never replaced by the blank picture.
    TElement_Image* text = Image(QByteArray("plain text"), QStringLiteral("txt"));
    text->ConvertFormat(dfPng);
    EXPECT_EQ(text->Data(), QByteArray("plain text"));
    EXPECT_EQ(Ui.Calls.last(), QStringLiteral("Beep"));
}

TEST_F(DataElements, DroppedFilesLoadTheFirstPicture)
{
    const QString text = Write(QStringLiteral("a.txt"), "text");
    const QString gif = Write(QStringLiteral("b.gif"), WriteGifFile(Picture(3, 3)));
    TElement_Image* image = Image();
    EXPECT_FALSE(image->DropFiles({text}));
    EXPECT_TRUE(image->DropFiles({text, gif}));
    EXPECT_EQ(image->DataType(), QStringLiteral("gif"));

    // A comment makes one picture per file of a known type.
    const QString png = Write(QStringLiteral("c.png"), Png(4, 4));
    ASSERT_TRUE(Comment()->DropFiles({text, gif, png}));
    EXPECT_EQ(Comment()->CollectAll<TElement_Image>().size(), 3u);
    const TElementClass* cls = nullptr;
    EXPECT_TRUE(Root->SendMessage(tmDataElementClass, nullptr, &cls));
    EXPECT_EQ(cls, TElement_Image::StaticClass());
}

TEST_F(DataElements, ExternalEditingCycle)
{
    const QString script = Write(QStringLiteral("editor.sh"), "#!/bin/sh\nprintf 'edited' > \"$1\"\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    TDataElementSettings& settings = DataElementSettings();
    settings.Group(eegBitmaps).DefaultAction().SetValue(eeaCustomEditor);
    settings.Group(eegBitmaps).CustomEditor().SetValue(script);

    Write(QStringLiteral("File1.png"), "someone else's");
    TElement_Image* image = Image();
    ASSERT_TRUE(image->EditWithDefaultAction());
    const QString file = Folder() + QStringLiteral("File2.png");
    EXPECT_EQ(image->ExternalFileName(), file) << "File1.png exists";
    EXPECT_TRUE(image->InExternalEditingMode());
    EXPECT_EQ(image->DataType(), QStringLiteral("png")) << "an empty picture becomes the blank one";

    // Saved in the mode, the document reloads in the mode with its message.
    TKnot knot;
    Scheme.SaveToKnot(Root, fmFile, &knot, ffFileSave);
    TScheme copy(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    copy.SetFileName(Scheme.FileName());
    copy.LoadFromKnot(copy.Root(), fmFile, &knot);
    auto loaded = copy.Root()->CollectAll<TElement_Image>();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0]->ExternalFileName(), file);
    loaded[0]->Check();
    EXPECT_TRUE(loaded[0]->IsFilled());
    EXPECT_TRUE(MessagesText(loaded[0]->Messages()).contains(QStringLiteral("third-party program")));

    // Saved elsewhere meanwhile, the document still finds the file it made.
    Scheme.SetFileName(Folder() + QStringLiteral("elsewhere/doc.frt"));
    image->ApplyExternalEditing();
    EXPECT_EQ(image->Data(), QByteArray("edited"));
    EXPECT_FALSE(image->InExternalEditingMode());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(QFile::exists(Folder() + QStringLiteral("File1.png")));
    Undo.Undo();
    EXPECT_TRUE(image->InExternalEditingMode()) << "undo restores the name, not the file";
    image->CancelExternalEditing();
    EXPECT_FALSE(image->InExternalEditingMode()) << "a missing file does not keep the mode";

    settings.Group(eegBitmaps).DefaultAction().SetValue(eeaNone);
    TElement_Image* empty = Image();
    Ui.Calls.clear();
    empty->DoubleClickAction();
    EXPECT_EQ(Ui.Calls.value(0), QStringLiteral("Beep"));
}

TEST_F(DataElements, AHostileExternalFileNameIsNeverUsed)
{
    const QString victim = Write(QStringLiteral("x"), "keep me");
    const QString names[] = {QStringLiteral("../x"), Folder() + QStringLiteral("sub/../x"), victim,
                             Folder() + QStringLiteral("File1.png/../x")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        TKnot knot;
        knot.WriteString(QStringLiteral("Type"), QStringLiteral("bin"));
        knot.WriteString(QStringLiteral("Value"), QStringLiteral("00"));
        knot.WriteString(QStringLiteral("ExternalEditingFileName"), name);
        TElement_Image* image = Image();
        image->LoadFrom(&knot, fmFile, 0);
        EXPECT_FALSE(image->InExternalEditingMode());
    }
    // A plain name in a foreign folder keeps the mode but is neither loaded, launched nor deleted.
    const QString foreign = QStringLiteral("/etc/File1");
    TKnot knot;
    knot.WriteString(QStringLiteral("ExternalEditingFileName"), foreign);
    TElement_Image* image = Image();
    image->LoadFrom(&knot, fmFile, 0);
    ASSERT_TRUE(image->InExternalEditingMode());
    EXPECT_FALSE(image->IsSafeExternalFileName(foreign));
    Ui.Calls.clear();
    image->EditWithDefaultAction();
    EXPECT_TRUE(Ui.Calls.filter(QStringLiteral("OpenFile")).isEmpty()) << Ui.Calls.join(u'|').toStdString();
    image->ApplyExternalEditing();
    EXPECT_FALSE(image->InExternalEditingMode());
    EXPECT_TRUE(image->Data().isEmpty());
    EXPECT_TRUE(QFile::exists(victim));
}

} // namespace
} // namespace qv
