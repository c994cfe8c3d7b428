// Command File documents: the commands as the user edits them, and the batch file they become.

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/scheme_images.h"
#include "generation/generation_files.h"
#include "generation/scheme_processor.h"
#include "generation/value_elements.h"
#include "library/comment_element.h"
#include "library/names.h"
#include "library/path_element.h"
#include "roots/file_connection.h"
#include "schemes/commands/batch_generator.h"
#include "schemes/commands/command_elements.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"

#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/tool_runner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace qv {
namespace {

QByteArray Document(const QByteArray& body)
{
    return QByteArray("\xEF\xBB\xBF<Commands FormatVersion=\"1.2\">\r\n") + body +
           QByteArray("</Commands>\r\n");
}

class CommandFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCommandFileScheme();
        Scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
        Scheme->SetUndoRedo(&Undo);
        Scheme->SetMessages(&Log);
    }
    void TearDown() override { Scheme.reset(); }

    void Load(const QByteArray& bytes)
    {
        TKnot knot;
        knot.LoadFromStream(bytes);
        Scheme->LoadFromKnot(Scheme->Root(), fmFile, &knot);
    }

    template <class C>
    C* First() const
    {
        for (TNode* node = Scheme->Root()->FirstChild(); node != nullptr; node = node->NextSibling()) {
            if (auto* element = dynamic_cast<C*>(node))
                return element;
        }
        return nullptr;
    }

    TUndoRedo Undo;
    TElementMessages Log;
    std::unique_ptr<TScheme> Scheme;
};

TEST_F(CommandFile, WaitForClosingIsUndoableAndStoredOnlyWhenSet)
{
    const QByteArray original = Document("\t<Call>\r\n"
                                         "\t\t<FileName>\r\n"
                                         "\t\t\t<FileName Value=\"/opt/tool/run.exe\"/>\r\n"
                                         "\t\t</FileName>\r\n"
                                         "\t</Call>\r\n");
    Load(original);
    ASSERT_EQ(Log.Count(), 0) << Log.Items(0)->GetText().toStdString();
    ASSERT_EQ(Scheme->SaveToBytes(), original);
    TElement_Call* call = First<TElement_Call>();
    ASSERT_NE(call, nullptr);

    // Offered and run on the call's fields as on the call.
    QList<TPaletteItem*> items;
    call->ParametersField()->GetPaletteItems(items);
    EXPECT_TRUE(items.contains(CallWaitPaletteItem()));
    ASSERT_TRUE(CallWaitPaletteItem()->Execute(call->ParametersField(), true));
    EXPECT_TRUE(call->Wait());
    EXPECT_TRUE(Scheme->SaveToBytes().contains("<Call Wait=\"1\">"));
    Undo.Undo();
    EXPECT_EQ(Scheme->SaveToBytes(), original);
}

TEST_F(CommandFile, ANewCallHoldsAFileNameThatChoosesAmongPrograms)
{
    TNodePtr<TElement> element = TElement_Call::StaticClass()->CreateElement(Scheme.get());
    auto* call = static_cast<TElement_Call*>(element.get());
    call->InitializeNewTree(nullptr);
    TElement_FileName* fileName = nullptr;
    for (TNode* node = call->FileNameField()->FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (auto* found = dynamic_cast<TElement_FileName*>(node))
            fileName = found;
    }
    ASSERT_NE(fileName, nullptr);
    TFileDialogFilters filters;
    fileName->SendMessage(tmFileFilters, &filters);
    EXPECT_EQ(filters.DialogFilters(), u"Programs (*.exe *.com *.bat *.pif);;All Files (*)");
}

// A call's program is one of the system that runs the batch file: the field judges its text, and
// the file name in it neither needs a file here nor keeps the field from being filled.
TEST_F(CommandFile, TheProgramFieldJudgesWhatItHolds)
{
    struct Row
    {
        const char* Name;
        QByteArray Content;
        QString Problem; // the field's first message; empty: none anywhere in the call
    };
    const auto shown = [](const QString& text) {
        return QString(text).remove(u'[').remove(u']');
    };
    const Row rows[] = {
        {"typed name beside an empty file name", "<Chars Value=\"notepad.exe\"/><FileName/>", QString()},
        {"Windows path in the file name", "<FileName Value=\"C:\\Tools\\x.exe\"/>", QString()},
        {"only an empty file name", "<FileName/>", shown(LoadStr(2331))},
        {"character a path cannot hold", "<Chars Value=\"a|b.exe\"/>", shown(LoadStr(2396, {u"|"_qs}))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        Scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
        Scheme->SetMessages(&Log);
        Load(Document("\t<Call>\r\n\t\t<FileName>" + row.Content + "</FileName>\r\n\t</Call>\r\n"));
        TElement_Call* call = First<TElement_Call>();
        ASSERT_NE(call, nullptr);
        const TElementMessages* messages = call->FileNameField()->Messages();
        EXPECT_EQ(messages != nullptr ? messages->Items(0)->GetText() : QString(), row.Problem);
        for (TNode* node = call->FileNameField()->FirstChild(); node != nullptr; node = node->NextSibling()) {
            if (auto* element = dynamic_cast<TElement*>(node)) {
                EXPECT_TRUE(element->IsValid());
            }
        }
    }
}

TEST_F(CommandFile, TheProgramChooserTakesNamesOfAnotherSystem)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("tools"));
    QFile beside(folder.filePath(QStringLiteral("tools/run.exe")));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    struct Row
    {
        const char* Name;
        QString Chosen;
        QString Shown;
    };
    const Row rows[] = {
        {"name typed in the dialog", folder.filePath(QStringLiteral("notepad.exe")),
         QStringLiteral("notepad.exe")},
        {"Windows path typed in the dialog", folder.filePath(QStringLiteral("C:\\Tools\\x.exe")),
         QStringLiteral("C:\\Tools\\x.exe")},
        {"file of a compatibility prefix", QStringLiteral("/home/u/.wine/drive_c/Tools/x.exe"),
         QStringLiteral("C:\\Tools\\x.exe")},
        {"file beside the document", beside.fileName(), QStringLiteral("tools/run.exe")},
    };
    TFakeUserInterface ui;
    TScopedUserInterface scope(&ui);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        Scheme->SetFileName(folder.filePath(QStringLiteral("commands.comd")));
        TNodePtr<TElement> element = TElement_Call::StaticClass()->CreateElement(Scheme.get());
        auto* call = static_cast<TElement_Call*>(element.get());
        call->InitializeNewTree(nullptr);
        auto* fileName = dynamic_cast<TElement_FileName*>(call->FileNameField()->FirstChild());
        ASSERT_NE(fileName, nullptr);
        ui.FileNameAnswer = row.Chosen;
        ASSERT_TRUE(PathPaletteItems().ChooseFile->Execute(fileName, false));
        EXPECT_TRUE(ui.Calls.last().startsWith(u"ChooseFileName: ")) << ui.Calls.last().toStdString();
        EXPECT_EQ(fileName->DisplayValue(), row.Shown);
    }
}

// Each command of the palette has a picture of its own, at 1× and 2×, none the common one.
TEST_F(CommandFile, EachCommandHasAPictureOfItsOwn)
{
    struct Row
    {
        const TElementClass* Class;
        bool Large;
    };
    const Row rows[] = {
        {TElement_Call::StaticClass(), false},  {TElement_Message::StaticClass(), false},
        {TElement_Label::StaticClass(), false}, {TElement_Jump::StaticClass(), false},
        {TElement_Text::StaticClass(), false},  {TElement_Condition::StaticClass(), false},
        {TElement_If::StaticClass(), false},    {TElement_BatchGenerator::StaticClass(), true}};
    QList<QImage> seen = {SmallImages().Image(StripImage(SmallImages(), u"diClassesSmallImages"_qs, 0)),
                          LargeImages().Image(StripImage(LargeImages(), u"diClassesLargeImages"_qs, 0))};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Class->XmlName().toStdString());
        const TElementPaletteItem* item = Palette().FindElementItem(row.Class);
        ASSERT_NE(item, nullptr);
        TSchemeImages& images = row.Large ? LargeImages() : SmallImages();
        const int index = row.Large ? item->LargeImage() : item->SmallImage();
        const QImage image = images.Image(index);
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(images.HasDoubleSize(index));
        EXPECT_FALSE(seen.contains(image));
        seen.append(image);
    }
}

TEST_F(CommandFile, AJumpBindsToLabelsOnly)
{
    struct Row
    {
        const char* Name;
        const char* Named;
        bool Binds;
    };
    const Row rows[] = {
        {"label", "\t<Label>\r\n\t\t<Name Value=\"Again\"/>\r\n\t</Label>\r\n", true},
        {"file connection", "\t<FileConnection>\r\n\t\t<Name Value=\"Again\"/>\r\n\t</FileConnection>\r\n",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        Scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
        Scheme->SetMessages(&Log);
        Load(Document(QByteArray(row.Named) +
                      QByteArray("\t<Jump>\r\n\t\t<Label Value=\"Again\"/>\r\n\t</Jump>\r\n")));
        TElement_Jump* jump = First<TElement_Jump>();
        ASSERT_NE(jump, nullptr);
        EXPECT_EQ(jump->LabelField()->Target() != nullptr, row.Binds);
        EXPECT_EQ(jump->LabelField()->GetText(), u"Again");
    }
}

// The batch file the worker writes for a document body, with the worker's log.
class BatchOutput : public CommandFile
{
protected:
    QByteArray Generate(const QByteArray& body, const QStringList& header = {})
    {
        Scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
        Scheme->SetMessages(&Log);
        Load(Document(body));
        Log.Clear();
        TOutputManifest manifest(Dir.filePath(QStringLiteral("manifest")));
        TBatchGeneratorWorker worker;
        worker.Root = Scheme->Root();
        worker.Log = &Log;
        worker.HeaderLines = header;
        worker.OutputFile = Dir.filePath(QStringLiteral("out.bat"));
        QFile::remove(worker.OutputFile);
        worker.Files = TGenerationFiles(&Log, TGenerationOptions(), &manifest);
        worker.Initialize();
        worker.Generate();
        QFile file(worker.OutputFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The texts of the messages about problems (kinds 2 to 5).
    QStringList Problems() const
    {
        QStringList texts;
        for (int i = 0; i < Log.Count(); ++i) {
            if (Log.Items(i)->Kind() >= mkError)
                texts.append(Log.Items(i)->GetText());
        }
        return texts;
    }

    QTemporaryDir Dir;
};

QByteArray Call(const char* fileName, const char* parameters, bool wait)
{
    return QByteArray("\t<Call") + (wait ? " Wait=\"1\"" : "") +
           ">\r\n\t\t<FileName>\r\n\t\t\t<Chars Value=\"" + fileName +
           "\"/>\r\n\t\t</FileName>\r\n\t\t<Parameters>\r\n\t\t\t<Chars Value=\"" + parameters +
           "\"/>\r\n\t\t</Parameters>\r\n\t</Call>\r\n";
}

TEST_F(BatchOutput, CommandsBecomeLines)
{
    struct Row
    {
        const char* Name;
        QByteArray Body;
        QByteArray Lines;
        bool Reported;
    };
    const Row rows[] = {
        {"path with spaces and parameters", Call("C:\\Program Files\\Tool\\run.exe", "-a b", false),
         "start \"\" \"C:\\Program Files\\Tool\\run.exe\" -a b\r\n", false},
        {"path to clean with a percent sign", Call("C:\\\\Tools\\..\\bin\\50%.exe", "", false),
         "start \"\" \"C:\\bin\\50%%.exe\"\r\n", false},
        {"path with slashes", Call("C:/Tools//x.exe", "/c", true), "call \"C:\\Tools\\x.exe\" /c\r\n", false},
        {"file element holding a Windows path",
         "\t<Call>\r\n\t\t<FileName>\r\n\t\t\t<FileName Value=\"C:\\Tools\\x.exe\"/>\r\n\t\t</FileName>\r\n"
         "\t</Call>\r\n",
         "start \"\" \"C:\\Tools\\x.exe\"\r\n", false},
        {"file element holding a path of this computer",
         "\t<Call>\r\n\t\t<FileName>\r\n\t\t\t<FileName Value=\"/usr/bin/x.exe\"/>\r\n\t\t</FileName>\r\n"
         "\t</Call>\r\n",
         "", true},
        {"source path in parameters",
         "\t<Call>\r\n\t\t<FileName>\r\n\t\t\t<Chars Value=\"x.exe\"/>\r\n\t\t</FileName>\r\n"
         "\t\t<Parameters>\r\n\t\t\t<Substitution "
         "Value=\"SourcePath\"/>\r\n\t\t</Parameters>\r\n\t</Call>\r\n",
         "start \"\" \"x.exe\" " + QDir::tempPath().replace(u'/', u'\\').toLatin1() + "\\\r\n", false},
        {"URL", Call("https://example.org/a", "", false), "start \"\" \"https://example.org/a\"\r\n", false},
        {"message of two lines with an empty line between",
         "\t<Message>\r\n\t\t<Message>\r\n\t\t\t<Chars Value=\"first\"/><Br/><Br/>\r\n"
         "\t\t\t<Chars Value=\"last\"/>\r\n\t\t</Message>\r\n\t</Message>\r\n",
         "@echo first\r\n@echo.\r\n@echo last\r\npause\r\n", false},
        {"message with characters the interpreter reads",
         "\t<Message>\r\n\t\t<Message>\r\n\t\t\t<Chars Value=\"100% &amp; a|b &lt;c&gt; ^ caf\xC3\xA9\"/>\r\n"
         "\t\t</Message>\r\n\t</Message>\r\n",
         "@echo 100%% ^& a^|b ^<c^> ^^ caf\x82\r\npause\r\n", false},
        {"jump whose label was deleted", "\t<Jump>\r\n\t\t<Label Value=\"Gone\"/>\r\n\t</Jump>\r\n",
         "goto Gone\r\n", true},
        {"substitution and decision in a call",
         "\t<Condition>\r\n\t\t<Name Value=\"Loud\"/>\r\n\t</Condition>\r\n"
         "\t<Text>\r\n\t\t<Name Value=\"Tool\"/>\r\n\t\t<Value>\r\n\t\t\t<Chars "
         "Value=\"C:\\Tools\\run.exe\"/>\r\n"
         "\t\t</Value>\r\n\t</Text>\r\n"
         "\t<Call>\r\n\t\t<FileName>\r\n\t\t\t<Substitution Value=\"Tool\"/>\r\n\t\t</FileName>\r\n"
         "\t\t<Parameters>\r\n\t\t\t<If>\r\n\t\t\t\t<Condition>\r\n\t\t\t\t\t<Chars Value=\"Loud\"/>\r\n"
         "\t\t\t\t</Condition>\r\n\t\t\t\t<Content>\r\n\t\t\t\t\t<Chars "
         "Value=\"-v\"/>\r\n\t\t\t\t</Content>\r\n"
         "\t\t\t\t<ContentElse>\r\n\t\t\t\t\t<Chars Value=\"-q\"/>\r\n\t\t\t\t</ContentElse>\r\n"
         "\t\t\t</If>\r\n\t\t</Parameters>\r\n\t</Call>\r\n",
         "start \"\" \"C:\\Tools\\run.exe\" -q\r\n", false},
        {"message with quoted runs",
         "\t<Message>\r\n\t\t<Message>\r\n\t\t\t<Chars Value=\"A &quot;x &amp; ^&quot; &lt; &quot;y | "
         "z\"/>\r\n"
         "\t\t</Message>\r\n\t</Message>\r\n",
         "@echo A \"x & ^\" ^< \"y | z\r\npause\r\n", false},
        {"program path with a quote", Call("a&quot; &amp; del x &amp; &quot;b.exe", "", true), "", true},
        {"line break in a program path",
         "\t<Call>\r\n\t\t<FileName>\r\n\t\t\t<Chars Value=\"cmd.exe\"/><Br/><Chars Value=\"echo x\"/>\r\n"
         "\t\t</FileName>\r\n\t</Call>\r\n",
         "", true},
        {"line feed in parameters", Call("cmd.exe", "/c&#10;echo x", false), "", true},
        {"waiting call of a path with a percent sign", Call("%COMSPEC%", "", true), "", true},
        {"start of a path with two percent signs", Call("%COMSPEC%", "", false), "", true},
        {"waiting call of a path with a caret", Call("a^b.exe", "", true), "", true},
        {"label with a line break", "\t<Label>\r\n\t\t<Name Value=\"A&#13;&#10;echo x\"/>\r\n\t</Label>\r\n",
         "", true},
        {"jump to a name with a line break",
         "\t<Jump>\r\n\t\t<Label Value=\"A&#10;echo x\"/>\r\n\t</Jump>\r\n", "", true},
        {"jump to a broken name with an ampersand",
         "\t<Jump>\r\n\t\t<Label Value=\"a &amp; del x\"/>\r\n\t</Jump>\r\n", "goto a ^& del x\r\n", true},
        {"label that is a batch label", "\t<Label>\r\n\t\t<Name Value=\"_Start1\"/>\r\n\t</Label>\r\n",
         ":_Start1\r\n", false},
        {"label with a space", "\t<Label>\r\n\t\t<Name Value=\"Two words\"/>\r\n\t</Label>\r\n",
         ":Two words\r\n", true},
        {"label beginning with a digit", "\t<Label>\r\n\t\t<Name Value=\"1st\"/>\r\n\t</Label>\r\n",
         ":1st\r\n", true},
        {"label with a letter beyond Latin",
         "\t<Label>\r\n\t\t<Name Value=\"\xC3\x89t\xC3\xA9\"/>\r\n\t</Label>\r\n", ":\x90t\x82\r\n", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(Generate(row.Body), row.Lines);
        EXPECT_EQ(!Problems().isEmpty(), row.Reported) << Problems().join(u'\n').toStdString();
    }
}

TEST_F(BatchOutput, HeaderLinesAreRemarksBeforeAnEmptyLine)
{
    EXPECT_EQ(
        Generate(Call("a.exe", "", true), {QStringLiteral("Source: a & b.comd"), QStringLiteral("Date")}),
        "@rem Source: a ^& b.comd\r\n@rem Date\r\n\r\ncall \"a.exe\"\r\n");
}

// Documents run as Process runs them: on a private copy, the batch file beside the document.
class ProcessedCommandFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCommentElements();
        RegisterCommandFileScheme();
    }

    // Runs every processor of the document `bytes`, saved as commands.comd; returns the batch file.
    QByteArray Process(const QByteArray& bytes)
    {
        const QString document = Dir.filePath(QStringLiteral("commands.comd"));
        QFile file(document);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        Scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
        Scheme->SetMessages(&Log);
        Scheme->LoadFromFile(document);
        EXPECT_EQ(Log.Count(), 0);

        TOutputManifest manifest(Dir.filePath(QStringLiteral("manifest")));
        Service.RunMode = rmInline;
        Service.Manifest = &manifest;
        Service.Settings = [] {
            TRunSettings settings;
            settings.InsertDate = false;
            settings.ProgramName = QStringLiteral("quorvane");
            return settings;
        };
        Service.RunProcessors(Scheme->Root(), nullptr);
        QFile output(Output());
        return output.open(QIODevice::ReadOnly) ? output.readAll() : QByteArray();
    }
    QString Output() const { return Dir.filePath(QStringLiteral("commands.bat")); }
    QString LogText() const
    {
        QStringList texts;
        for (int i = 0; i < Log.Count(); ++i)
            texts.append(Log.Items(i)->GetText());
        return texts.join(u'\n');
    }

    QTemporaryDir Dir;
    TElementMessages Log;
    std::unique_ptr<TScheme> Scheme;
    TGenerationService Service;
};

TEST_F(ProcessedCommandFile, TheSampleGivesTheGoldenBatchFileAndTheLogListsIt)
{
    QFile sample(QStringLiteral(QV_SOURCE_DIR "/samples/commands.comd"));
    QFile golden(QStringLiteral(TEST_DATA_DIR "/commands.bat"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    EXPECT_EQ(Process(sample.readAll()), golden.readAll());
    EXPECT_EQ(Service.LastRunCount(), 1);
    EXPECT_EQ(Service.LastFailures(), 0);
    EXPECT_TRUE(LogText().contains(Output())) << LogText().toStdString();
}

const QByteArray batchGenerator =
    "\t<BatchGenerator>\r\n\t\t<Output>\r\n\t\t\t<Chars Value=\"commands.bat\"/>\r\n"
    "\t\t</Output>\r\n\t</BatchGenerator><Br/>\r\n";

TEST_F(ProcessedCommandFile, ACommandThatWouldBreakItsLineFailsTheRunAndKeepsTheOldFile)
{
    QFile old(Output());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    EXPECT_EQ(Process(Document(batchGenerator + Call("cmd.exe", "/c&#10;echo x", false))), "old");
    EXPECT_EQ(Service.LastFailures(), 1);
    EXPECT_TRUE(LogText().contains(u"Line break or control character")) << LogText().toStdString();
}

// Kept as the document names them in a saved document too: a relative-looking name is not a file
// beside the document.
TEST_F(ProcessedCommandFile, ProgramsOfAnotherSystemAreWrittenAsTheDocumentNamesThem)
{
    const QByteArray calls = "\t<Call>\r\n\t\t<FileName>\r\n\t\t\t<FileName Value=\"C:\\Tools\\x.exe\"/>\r\n"
                             "\t\t</FileName>\r\n\t</Call>\r\n"
                             "\t<Call>\r\n\t\t<FileName>\r\n\t\t\t<FileName Value=\"notepad.exe\"/>\r\n"
                             "\t\t</FileName>\r\n\t</Call>\r\n";
    const QByteArray output = Process(Document(batchGenerator + calls));
    EXPECT_TRUE(output.endsWith("start \"\" \"C:\\Tools\\x.exe\"\r\nstart \"\" \"notepad.exe\"\r\n"))
        << output.toStdString();
    EXPECT_TRUE(Scheme->SaveToBytes().endsWith(QByteArray(calls + "</Commands>\r\n")));
}

TEST_F(ProcessedCommandFile, CommentsAndLogicFramesAreNoCommands)
{
    const QByteArray output = Process(
        Document(batchGenerator +
                 "\t<Comment>\r\n\t\t<Chars Value=\"note\"/>\r\n\t</Comment><Br/>\r\n"
                 "\t<LogicFrame>\r\n\t\t<Caption>\r\n\t\t\t<Chars Value=\"Steps\"/>\r\n\t\t</Caption>\r\n"
                 "\t\t<Content>\r\n\t\t\t<Label>\r\n\t\t\t\t<Name Value=\"Again\"/>\r\n"
                 "\t\t\t</Label>\r\n\t\t</Content>\r\n\t</LogicFrame>\r\n"));
    EXPECT_TRUE(output.endsWith("\r\n\r\n:Again\r\n")) << output.toStdString();
    EXPECT_FALSE(LogText().contains(u"Unexpected")) << LogText().toStdString();
}

// The console output of a batch file run by the command interpreter of the Windows compatibility
// layer. One prefix for every run, kept between test runs: making it takes tens of seconds. The
// locale makes the console code page 850.
QString RunInWine(const QString& wine, const QString& batchFile)
{
    const QString prefix = QStringLiteral(TEST_TMP_ROOT "/wine-prefix");
    QDir().mkpath(QStringLiteral(TEST_TMP_ROOT));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB.UTF-8"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(wine, {QStringLiteral("cmd"), QStringLiteral("/c"), batchFile});
    if (!process.waitForStarted(-1))
        return QString();
    process.closeWriteChannel();
    // Making the prefix takes tens of seconds on a busy machine; a run that hangs is stopped.
    if (!process.waitForFinished(5 * 60 * 1000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("(stopped after five minutes)");
    }
    // The console's text reaches a pipe in the locale's character set, which is Latin-1 when the
    // system does not have the locale.
    const QByteArray output = process.readAllStandardOutput();
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(output);
    return utf8.hasError() ? QString::fromLatin1(output) : text;
}

// What the console shows never holds the mark: "INJ^ECTED" is shown as it is, and only run as a
// command would it print the mark.
TEST_F(BatchOutput, TheCommandInterpreterShowsWhatTheDocumentSays)
{
    FIND_TOOL_OR_SKIP(wine, "wine");
    // Started without waiting, a program leaves its mark in a file.
    const QString windowsDir = u"Z:" + QString(Dir.path()).replace(u'/', u'\\');
    QFile started(Dir.filePath(QStringLiteral("50%.bat")));
    ASSERT_TRUE(started.open(QIODevice::WriteOnly));
    started.write("@echo started> \"" + windowsDir.toLatin1() + "\\started.txt\"\r\n");
    started.close();

    const QByteArray body =
        "\t<Message>\r\n\t\t<Message>\r\n\t\t\t<Chars Value=\"100% &amp; &quot;quoted&quot; caf\xC3\xA9 "
        "&lt;a|b&gt;\"/><Br/><Br/>\r\n\t\t\t<Chars Value=\"end\"/>\r\n\t\t</Message>\r\n\t</Message>\r\n"
        "\t<Message>\r\n\t\t<Message>\r\n\t\t\t<Chars Value=\"x &amp; echo INJ^ECTED &quot;100% &amp; "
        "echo INJ^ECTED&quot; Hello! &quot;| echo INJ^ECTED\"/><Br/>\r\n\t\t\t<Chars Value=\"a&#13;echo "
        "INJ^ECTED\"/>"
        "\r\n\t\t</Message>\r\n\t</Message>\r\n"
        "\t<Jump>\r\n\t\t<Label Value=\"Done\"/>\r\n\t</Jump>\r\n"
        "\t<Message>\r\n\t\t<Message>\r\n\t\t\t<Chars "
        "Value=\"skipped\"/>\r\n\t\t</Message>\r\n\t</Message>\r\n"
        "\t<Label>\r\n\t\t<Name Value=\"Done\"/>\r\n\t</Label>\r\n"
        "\t<Call Wait=\"1\">\r\n\t\t<FileName>\r\n\t\t\t<FileName "
        "Value=\"cmd.exe\"/>\r\n"
        "\t\t</FileName>\r\n\t\t<Parameters>\r\n\t\t\t<Chars Value=\"/c echo "
        "called\"/>\r\n\t\t</Parameters>\r\n"
        "\t</Call>\r\n" +
        Call(qPrintable(windowsDir + u"\\50%.bat"), "", false);
    ASSERT_FALSE(Generate(body).isEmpty());
    ASSERT_EQ(Problems(), QStringList());
    const QString output = RunInWine(wine, Dir.filePath(QStringLiteral("out.bat")));
    std::printf("%s\n", qPrintable(output));
    EXPECT_TRUE(output.contains(u"100% & \"quoted\" caf\u00E9 <a|b>\r\n\r\nend\r\n")) << output.toStdString();
    EXPECT_TRUE(output.contains(u"x & echo INJ^ECTED \"100% & echo INJ^ECTED\" Hello! \"| echo INJ^ECTED\r\n"
                                u"a\r\necho INJ^ECTED\r\n"))
        << output.toStdString();
    EXPECT_FALSE(output.contains(u"INJECTED")) << output.toStdString();
    EXPECT_TRUE(output.contains(u"called")) << output.toStdString();
    EXPECT_FALSE(output.contains(u"skipped")) << output.toStdString();
    // The started program runs on after the batch file has ended.
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(Dir.filePath(QStringLiteral("started.txt"))) && waited.elapsed() < 60 * 1000)
        QThread::msleep(100);
    EXPECT_TRUE(QFile::exists(Dir.filePath(QStringLiteral("started.txt"))));
}

} // namespace
} // namespace qv
