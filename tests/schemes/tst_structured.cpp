// Structured Data documents: the XML and INI writers checked by real readers, the XML import (hostile
// files included) and the round trip file → document → file.

#include "core/knot.h"
#include "core/strings.h"
#include "core/text_utils.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/layout_work.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "elements/visual_element.h"
#include "library/comment_element.h"
#include "schemes/commands/command_elements.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"
#include "schemes/structured/structured_writers.h"
#include "schemes/structured/xml_importer.h"

#include "generation/generation_files.h"
#include "generation/generation_ui.h"
#include "generation/scheme_processor.h"
#include "roots/application_namespace.h"
#include "roots/log_root.h"
#include "schemes/structured/structured_generators.h"

#include "support/fake_app_folders.h"
#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/scoped_environment.h"
#include "support/textor_fakes.h"
#include "support/tool_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

QByteArray ReadData(const QString& name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TStructuredAttribute Attr(const QString& name, const QString& value)
{
    return {name, value, true, nullptr};
}

// `xmllint --noout` accepts the bytes.
void ExpectWellFormed(const QString& xmllint, const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("checked.xml"));
    ASSERT_TRUE(WriteFile(path, bytes));
    const TToolResult result = RunTool(xmllint, {QStringLiteral("--noout"), path}, dir.path());
    ASSERT_TRUE(result.Started);
    EXPECT_EQ(result.ExitCode, 0) << result.Errors.toStdString() << bytes.toStdString();
}

TEST(StructuredXmlWriter, RowsAreWellFormedAndKeepTheAttributeRules)
{
    FIND_TOOL_OR_SKIP(xmllint, "xmllint");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int element = 0;
    TElement* const marked = reinterpret_cast<TElement*>(&element);
    struct TRow
    {
        const char* Name;
        TStructuredNode Root;
        QByteArray Expected; // the packet form without the declaration
        int Reports;
    };
    const TRow rows[] = {
        {"a then b is written b then a",
         {u"r"_qs, true, {Attr(u"a"_qs, u"1"_qs), Attr(u"b"_qs, u"2"_qs)}, {}},
         R"(<r b="2" a="1"/>)",
         0},
        {"a duplicate keeps the first value in document order",
         {u"r"_qs, true, {Attr(u"a"_qs, u"1"_qs), Attr(u"b"_qs, u"2"_qs), Attr(u"a"_qs, u"3"_qs)}, {}},
         R"(<r a="1" b="2"/>)",
         0},
        {"invalid names: the node becomes Node, the attribute goes",
         {u"1st"_qs,
          true,
          {Attr(u"bad name"_qs, u"x"_qs), Attr(u"ok"_qs, u"y"_qs), Attr(u""_qs, u"z"_qs),
           Attr(u"-x"_qs, u"w"_qs), Attr(QString(u"a"_qs + QChar(0xD800)), u"v"_qs)},
          {}},
         R"(<Node ok="y"/>)",
         0},
        {"XML names: dots, hyphens, prefixes and other scripts",
         {u"app:manifest"_qs,
          true,
          {Attr(u"xmlns:app"_qs, u"urn:a"_qs), Attr(u"java.version"_qs, u"17"_qs),
           Attr(u"gr\u00F6\u00DFe"_qs, u"1"_qs), Attr(u"_\u540D-2"_qs, u"2"_qs)},
          {}},
         u"<app:manifest _\u540D-2=\"2\" gr\u00F6\u00DFe=\"1\" java.version=\"17\" xmlns:app=\"urn:a\"/>"_qs
             .toUtf8(),
         0},
        {"a name that failed its check is not used",
         {u"r"_qs, false, {{u"a"_qs, u"1"_qs, false, nullptr}}, {}},
         R"(<Node/>)",
         0},
        {"markup characters are escaped, paragraphs keep CR LF",
         {u"r"_qs, true, {Attr(u"v"_qs, u"<&\">'\r\n\t"_qs)}, {}},
         R"(<r v="&lt;&amp;&quot;&gt;'&#13;&#10;&#9;"/>)",
         0},
        {"NodeTextValue is the element's text, in its place among the nodes",
         {u"r"_qs,
          true,
          {Attr(u"NodeTextValue"_qs, u"one & two"_qs),
           Attr(u"a"_qs, u"1"_qs),
           {u"NodeTextValue"_qs, u"three\r\nfour"_qs, true, nullptr, 1}},
          {{u"c"_qs, true, {}, {}}}},
         "<r a=\"1\">one &amp; two<c/>three\nfour</r>",
         0},
        {"control characters and lone surrogates are left out and reported",
         {u"r"_qs,
          true,
          {{u"v"_qs, QString(u"a\u0001b"_qs + QChar(0xD800) + u"c\uFFFE\U0001F600"_qs), true, marked}},
          {}},
         "<r v=\"abc\xF0\x9F\x98\x80\"/>",
         1},
        {"children follow in order",
         {u"r"_qs, true, {}, {{u"x"_qs, true, {}, {}}, {u"y"_qs, true, {Attr(u"k"_qs, u"v"_qs)}, {}}}},
         R"(<r><x/><y k="v"/></r>)",
         0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        int reports = 0;
        const QByteArray packet = WriteStructuredXml(row.Root, true, [&](TElement* source, const QString&) {
            EXPECT_EQ(source, marked);
            ++reports;
        });
        EXPECT_EQ(packet, QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>)") + row.Expected + '\n');
        EXPECT_EQ(reports, row.Reports);
        ExpectWellFormed(xmllint, dir, packet);
        ExpectWellFormed(xmllint, dir, WriteStructuredXml(row.Root, false));
    }
}

// Reads an INI file with Python's configparser (strict, case kept) and prints it as
// "section:key=value,…;…" in UTF-8.
TToolResult ConfigParserDump(const QString& python, const QString& path, const QString& encoding)
{
    return RunTool(python,
                   {u"-c"_qs,
                    u"import configparser,sys\n"
                    "p=configparser.ConfigParser(interpolation=None, strict=True)\n"
                    "p.optionxform=str\n"
                    "p.read(sys.argv[1], encoding=sys.argv[2])\n"
                    "sys.stdout.buffer.write(';'.join(s+':'+','.join(k+'='+v for k,v in p[s].items()) "
                    "for s in p.sections()).encode('utf-8'))"_qs,
                    path, encoding},
                   QFileInfo(path).absolutePath());
}

TEST(StructuredIniWriter, ConfigParserReadsEveryNameThatKeepsTheLines)
{
    FIND_TOOL_OR_SKIP(python, "python3");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int elements[3] = {};
    TElement* const caseKey = reinterpret_cast<TElement*>(&elements[0]);
    TElement* const caseSection = reinterpret_cast<TElement*>(&elements[1]);
    TElement* const sameSection = reinterpret_cast<TElement*>(&elements[2]);
    const QList<TStructuredNode> sections = {
        {u"Main"_qs,
         true,
         {Attr(u"Name"_qs, u"Demo 100%"_qs), Attr(u"Path"_qs, u"/usr/share"_qs),
          Attr(u"Tabbed"_qs, u"a\tb"_qs)},
         {}},
        {u"my section"_qs,
         true,
         {Attr(u"key-1"_qs, u"x"_qs),
          Attr(u"a.b"_qs, u"y"_qs),
          Attr(u"gr\u00F6\u00DFe"_qs, u"z"_qs),
          {u"Key-1"_qs, u"case"_qs, true, caseKey}},
         {}},
        {u"main"_qs, true, {Attr(u"k"_qs, u"v"_qs)}, {}, caseSection},
        {u"Main"_qs, true, {Attr(u"Lost"_qs, u"1"_qs)}, {}, sameSection},
        // Left out without a word here: the generator reports these as it checks the names.
        {u"bad]section"_qs, true, {Attr(u"Lost"_qs, u"1"_qs)}, {}},
        {u"bad section"_qs, false, {Attr(u"Lost"_qs, u"1"_qs)}, {}},
        {u"Second"_qs,
         true,
         {Attr(u"=bad"_qs, u"1"_qs),
          Attr(u";bad"_qs, u"1"_qs),
          Attr(u"[bad"_qs, u"1"_qs),
          Attr(u"Lines"_qs, u"one\r\ntwo"_qs),
          {u"Invalid"_qs, u"1"_qs, false, nullptr},
          Attr(u"Empty"_qs, u""_qs)},
         {{u"Nested"_qs, true, {Attr(u"Ignored"_qs, u"1"_qs)}, {}}}},
    };
    QList<TElement*> reported;
    const QString text =
        WriteStructuredIni(sections, [&](TElement* source, const QString&) { reported.append(source); });
    EXPECT_EQ(reported, QList<TElement*>({caseKey, caseSection, sameSection}));
    EXPECT_EQ(text, u"[Main]\r\nName=Demo 100%\r\nPath=/usr/share\r\nTabbed=a\tb\r\n\r\n"
                    "[my section]\r\nkey-1=x\r\na.b=y\r\ngr\u00F6\u00DFe=z\r\nKey-1=case\r\n\r\n"
                    "[main]\r\nk=v\r\n\r\n[Second]\r\nEmpty=\r\n"_qs);
    const QString path = dir.filePath(QStringLiteral("out.ini"));
    ASSERT_TRUE(WriteFile(path, text.toUtf8()));
    const TToolResult result = ConfigParserDump(python, path, u"utf-8"_qs);
    ASSERT_TRUE(result.Started);
    EXPECT_EQ(result.ExitCode, 0) << result.Errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(result.Output),
              u"Main:Name=Demo 100%,Path=/usr/share,Tabbed=a\tb;"
              "my section:key-1=x,a.b=y,gr\u00F6\u00DFe=z,Key-1=case;main:k=v;Second:Empty="_qs);
}

// A Structured Data document with an undo manager and a log, and a fake user interface that
// answers the import's file dialog.
class StructuredDocument : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCommentElements();
        RegisterStructuredScheme();
        ASSERT_TRUE(Dir.isValid());
        Scheme = CreateScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
        Scheme->SetUndoRedo(&Undo);
        Scheme->SetMessages(&Log);
    }
    void TearDown() override { Scheme.reset(); }

    TElement* Root() const { return Scheme->Root(); }

    void Load(const QByteArray& bytes)
    {
        TKnot knot;
        knot.LoadFromStream(bytes);
        Scheme->LoadFromKnot(Root(), fmFile, &knot);
    }

    QString WriteInput(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }

    // Runs "From XML" on `target` (the root when null) with the file chosen in the dialog.
    void Import(const QString& path, TElement* target = nullptr)
    {
        Ui.OpenFilesAnswer = {path};
        ASSERT_TRUE(
            RunImporter(TXmlImporter::StaticClass(), target != nullptr ? target : Root(), u"Import"_qs));
    }

    QStringList LogTexts() const
    {
        QStringList texts;
        for (int i = 0; i < Log.Count(); ++i)
            texts.append(QString::number(Log.Items(i)->Kind()) + u' ' + Log.Items(i)->GetText());
        return texts;
    }

    // The tree as "name{attribute=value,child{…}}" for each top-level node.
    static QString Dump(TElement* field)
    {
        QStringList parts;
        for (TNode* child = field->FirstChild(); child != nullptr; child = child->NextSibling()) {
            if (auto* node = dynamic_cast<TElement_Node*>(child))
                parts.append(node->Name() + u'{' + Dump(node->Container()) + u'}');
            else if (auto* attribute = dynamic_cast<TElement_Attribute*>(child))
                parts.append(attribute->Name() + u'=' + attribute->ValueField()->GetText());
        }
        return parts.join(u',');
    }

    QTemporaryDir Dir;
    TUndoRedo Undo;
    TElementMessages Log;
    TFakeUserInterface Ui;
    TScopedUserInterface ScopedUi{&Ui};
    std::unique_ptr<TScheme> Scheme;
};

TEST_F(StructuredDocument, ImportMakesNodesAttributesAndTextAttributesAsOneUndoStep)
{
    const QString path = WriteInput(u"in.xml"_qs, R"(<?xml version="1.0"?>
<!DOCTYPE project>
<!-- skipped -->
<project kind="demo" id="7">
  <!-- skipped too -->
  text &amp; more<![CDATA[<raw>]]>
  <child a="1">

  </child>
  <?pi skipped?>
</project>
)");
    const QByteArray before = Scheme->SaveToBytes();
    Import(path);
    // Text and CDATA are separate values, kept whole; whitespace between elements goes.
    EXPECT_EQ(Dump(Root()),
              u"project{kind=demo,id=7,NodeTextValue=\r\n  text & more,NodeTextValue=<raw>,child{a=1}}"_qs);
    // What the XML generator would not give back is told once, on the new node.
    ASSERT_EQ(Log.Count(), 1) << LogTexts().join(u'\n').toStdString();
    const QString told = LogTexts().first();
    for (const QString& part : {LoadStr(5630, {u"1"_qs, u"project"_qs}), LoadStr(5631, {u"2"_qs}),
                                LoadStr(5632, {u"1"_qs}), LoadStr(5633)})
        EXPECT_TRUE(told.startsWith(u"2 "_qs) && told.contains(part)) << told.toStdString();
    // It begins with a link to that node, which names it.
    EXPECT_TRUE(told.startsWith(u"2 Node \"project\": "_qs)) << told.toStdString();
    const TElementMessagePart& link = Log.Items(0)->Parts()[0];
    EXPECT_EQ(link.Kind, mpElements);
    EXPECT_EQ(Scheme->FindElementByID(link.Data.toInt()), Root()->LastChild());

    // Undone in one step; redone the same.
    const QByteArray after = Scheme->SaveToBytes();
    ASSERT_TRUE(Undo.Undo());
    EXPECT_EQ(Scheme->SaveToBytes(), before);
    ASSERT_TRUE(Undo.Redo());
    EXPECT_EQ(Scheme->SaveToBytes(), after);
}

TEST_F(StructuredDocument, ImportIntoANodeAppendsToItsContent)
{
    Import(WriteInput(u"a.xml"_qs, "<outer/>"));
    auto* outer = dynamic_cast<TElement_Node*>(Root()->LastChild());
    ASSERT_NE(outer, nullptr);
    Import(WriteInput(u"b.xml"_qs, "<inner x=\"1\"/>"), outer->Container());
    EXPECT_EQ(Dump(Root()), u"outer{inner{x=1}}"_qs);
}

TEST_F(StructuredDocument, HostileOrBrokenFilesChangeNothingAndGiveOneFatalMessage)
{
    QByteArray deep;
    for (int i = 0; i <= TXmlImporter::MaxDepth; ++i)
        deep += "<n>";
    for (int i = 0; i <= TXmlImporter::MaxDepth; ++i)
        deep += "</n>";
    QByteArray manyAttributes = "<r";
    for (int i = 0; i <= TXmlImporter::MaxAttributes; ++i)
        manyAttributes += " a" + QByteArray::number(i) + "=\"x>\"";
    manyAttributes += "/>";
    struct TRow
    {
        const char* Name;
        QByteArray Bytes;
        const char* Reason;
    };
    const TRow rows[] = {
        {"not well-formed", "<a><b></a>", "line 1"},
        {"truncated", "<a x=\"1\">", "line 1"},
        {"billion laughs", R"(<?xml version="1.0"?>
<!DOCTYPE lolz [
 <!ENTITY lol "lol">
 <!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
 <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
 <!ENTITY lol4 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
 <!ENTITY lol5 "&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;">
 <!ENTITY lol6 "&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;">
 <!ENTITY lol7 "&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;">
 <!ENTITY lol8 "&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;">
 <!ENTITY lol9 "&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;">
]>
<lolz a="&lol9;">&lol9;</lolz>
)",
         "entity declarations are not imported"},
        {"external entity", R"(<!DOCTYPE r [<!ENTITY e SYSTEM "file:///etc/passwd">]><r>&e;</r>)",
         "entity declarations are not imported"},
        {"entity of an external definition", R"(<!DOCTYPE r SYSTEM "r.dtd"><r>&e;</r>)", "not declared"},
        {"nested too deep", deep, "nested deeper than 256 levels"},
        {"too many attributes", manyAttributes, "more than 1024 attributes"},
        {"too large for the memory", "<r>" + QByteArray("<a/>").repeated(4000) + "</r>",
         "would take more than the 16.0 MB of memory available"},
    };
    TScopedEnvironment environment;
    environment.Set("QV_MEMORY_LIMIT_MB", "16");
    Load(R"(<StructuredData><Node><Name Value="kept"/></Node></StructuredData>)");
    const QByteArray before = Scheme->SaveToBytes();
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Import(WriteInput(u"bad.xml"_qs, row.Bytes));
        EXPECT_EQ(Scheme->SaveToBytes(), before);
        ASSERT_EQ(Log.Count(), 1) << LogTexts().join(u'\n').toStdString();
        EXPECT_EQ(Log.Items(0)->Kind(), mkFatal);
        EXPECT_TRUE(Log.Items(0)->GetText().contains(QString::fromUtf8(row.Reason)))
            << Log.Items(0)->GetText().toStdString();
    }
    // A missing file is a fatal message too; a cancelled dialog does nothing.
    Import(Dir.filePath(u"missing.xml"_qs));
    EXPECT_EQ(LogTexts(), QStringList{u"3 File not found: "_qs + Dir.filePath(u"missing.xml"_qs)});
    Ui.OpenFilesAnswer.clear();
    EXPECT_FALSE(RunImporter(TXmlImporter::StaticClass(), Root(), u"Import"_qs));
}

TEST_F(StructuredDocument, AnImportOfManyMixedNodesGivesOneMessage)
{
    Import(WriteInput(u"texts.xml"_qs, "<r>" + QByteArray("<a>text<b/></a>").repeated(150) + "</r>"));
    const QStringList texts = LogTexts();
    ASSERT_EQ(texts.size(), 1) << texts.join(u'\n').toStdString();
    EXPECT_TRUE(texts[0].contains(u"150"_qs)) << texts[0].toStdString();
}

TEST_F(StructuredDocument, RootAndNodeContentOfferWhatTheyAccept)
{
    Load(R"(<StructuredData><Node><Name Value="n"/></Node></StructuredData>)");
    auto* node = dynamic_cast<TElement_Node*>(Root()->LastChild());
    ASSERT_NE(node, nullptr);
    auto captions = [](TVisualElement* element) {
        QList<TPaletteItem*> items;
        bool forSelection = false;
        CollectPaletteItems(element, items, forSelection);
        QStringList texts;
        for (TPaletteItem* item : items)
            texts.append(LoadStr(item->Caption()));
        return texts;
    };
    const QStringList inRoot = captions(static_cast<TVisualElement*>(Root()));
    const QStringList inNode = captions(node->Container());
    EXPECT_TRUE(inRoot.contains(u"Node"_qs) && inRoot.contains(u"From XML"_qs))
        << inRoot.join(u',').toStdString();
    EXPECT_FALSE(inRoot.contains(u"Attribute"_qs));
    EXPECT_TRUE(inNode.contains(u"Node"_qs) && inNode.contains(u"Attribute"_qs) &&
                inNode.contains(u"From XML"_qs))
        << inNode.join(u',').toStdString();
}

TEST_F(StructuredDocument, ImporterElementsGoToTheEndOfAFieldAndTheTargetInOneUndoStep)
{
    Load(R"(<StructuredData><Node><Name Value="n"/></Node></StructuredData>)");
    auto* node = dynamic_cast<TElement_Node*>(Root()->LastChild());
    ASSERT_NE(node, nullptr);
    TXmlImporter importer(Scheme.get(), &Log);
    importer.Target = Root();
    // Embedded into a field (keeping its id through the move), or built detached.
    TElement* attribute =
        importer.AddElement(TElement_Attribute::StaticClass(), nullptr, false, node->Container());
    ASSERT_NE(attribute, nullptr);
    EXPECT_EQ(attribute->ParentElement(), node->Container());
    EXPECT_EQ(Scheme->FindElementByID(attribute->ID()), attribute);
    TElement* detached = importer.AddElement(TElement_Node::StaticClass(), nullptr, false, nullptr);
    ASSERT_NE(detached, nullptr);
    static_cast<TElement_Node*>(detached)->NameField()->SetText(u"m"_qs);
    importer.AddElements({detached});
    EXPECT_EQ(Dump(Root()), u"n{=},m{}"_qs);
    ASSERT_TRUE(Undo.Undo());
    EXPECT_EQ(Dump(Root()), u"n{=}"_qs);
}

TEST_F(StructuredDocument, DocumentLoadsAndSavesToTheSameBytes)
{
    const QByteArray bytes = ReadData(u"nodes.strucd"_qs);
    ASSERT_FALSE(bytes.isEmpty());
    Load(bytes);
    EXPECT_TRUE(Log.IsEmpty()) << LogTexts().join(u'\n').toStdString();
    EXPECT_EQ(Dump(Root()), u"config{version=2,server{host=localhost,port=8080},server{host=example}}"_qs);
    EXPECT_EQ(Scheme->SaveToBytes(), bytes);
}

// Check All copies each element's messages into the log led by a link to that element that names it.
TEST_F(StructuredDocument, CheckAllNamesTheElementOfEachMessage)
{
    RegisterCommandFileScheme();
    struct Row
    {
        const char* Name;
        TDescriptor Type;
        QByteArray Body;
        QString Logged;
    };
    const Row rows[] = {
        {"node with a name XML cannot hold", TParametrizedStructureSchemeDescriptor::StaticClass(),
         "<StructuredData FormatVersion=\"1.2\"><Node><Name Value=\"a b\"/></Node></StructuredData>",
         u"Node \"a b\": Spaces are not allowed"_qs},
        {"jump to a label that is not there", TCommandFileSchemeDescriptor::StaticClass(),
         "<Commands FormatVersion=\"1.2\"><Jump><Label Value=\"Nowhere\"/></Jump></Commands>",
         u"Jump: Element \"Nowhere\" not found or is not allowed in the editor"_qs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        Scheme = CreateScheme(row.Type);
        Scheme->SetMessages(&Log);
        Load(row.Body);
        CollectAllMessages(Scheme.get());
        ASSERT_GE(Log.Count(), 1);
        const TElementMessage* message = Log.Items(0);
        EXPECT_EQ(message->GetText(), row.Logged);
        const TElementMessagePart& subject = message->Parts().first();
        EXPECT_EQ(subject.Kind, mpElements);
        const TElement* about = Scheme->FindElementByID(subject.Data.toInt());
        ASSERT_NE(about, nullptr);
        EXPECT_NE(about->Messages(), nullptr);
    }
}

// Generation of saved documents in a temporary folder (also HOME and XDG_DATA_HOME, where the trash
// and the manifest live), run on the calling thread.
class StructuredGeneration : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        ASSERT_TRUE(Dir.isValid());
        FormerHome = qgetenv("HOME");
        FormerDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", Dir.filePath(u"home"_qs).toUtf8());
        qputenv("XDG_DATA_HOME", Dir.filePath(u"home/.local/share"_qs).toUtf8());
        Folders = std::make_unique<TFakeAppFolders>(Dir.filePath(u"app"_qs));
        Manifest = std::make_unique<TOutputManifest>(Dir.filePath(u"generated.manifest"_qs));
        RegisterCommentElements();
        RegisterStructuredScheme();
        CreateApplicationNamespace();
        FormerUi = SetGenerationUi(&Ui);
        FormerService = SetProcessingService(&Service);
        Service.Manifest = Manifest.get();
        Service.RunMode = rmInline;
    }
    void TearDown() override
    {
        Scheme.reset();
        SetProcessingService(FormerService);
        SetGenerationUi(FormerUi);
        FreeApplicationNamespace();
        qputenv("HOME", FormerHome);
        qputenv("XDG_DATA_HOME", FormerDataHome);
        TTextorFixture::TearDown();
    }

    // A saved document of `content` (the nodes, as stored) with one generator of `cls` writing `output`.
    TGeneratorElement* MakeDocument(const QByteArray& content, const TElementClass* cls,
                                    const QString& output)
    {
        Scheme = CreateScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
        Scheme->SetFileName(Dir.filePath(u"doc.strucd"_qs));
        Log.Clear();
        Scheme->SetMessages(&Log);
        TKnot knot;
        knot.LoadFromStream("<StructuredData>" + content + "</StructuredData>");
        Scheme->LoadFromKnot(Scheme->Root(), fmFile, &knot);
        auto* generator = static_cast<TGeneratorElement*>(
            static_cast<TTextorElement*>(Scheme->Root())->InsertNewElement(cls, nullptr, nullptr));
        generator->OutputField()->SetText(Dir.filePath(output));
        return generator;
    }
    void Run()
    {
        Log.Clear();
        TParametrizedStructureSchemeDescriptor::StaticClass()->ExecuteVerb(
            Scheme->Root(), TSchemeWithProcessingDescriptor::pvProcess, nullptr);
    }
    QString LogText() const
    {
        QStringList texts;
        for (int i = 0; i < Log.Count(); ++i)
            texts.append(QString::number(Log.Items(i)->Kind()) + u' ' + Log.Items(i)->GetText());
        return texts.join(u'\n');
    }
    QByteArray Output(const QString& name) const
    {
        QFile file(Dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }

    QTemporaryDir Dir;
    QByteArray FormerHome;
    QByteArray FormerDataHome;
    std::unique_ptr<TFakeAppFolders> Folders;
    std::unique_ptr<TOutputManifest> Manifest;
    TGenerationService Service;
    IProcessingService* FormerService = nullptr;
    IGenerationUi* FormerUi = nullptr;
    class TSilentUi : public IGenerationUi
    {
    public:
        void Beep() override {}
        void Info(const QString&) override {}
        QStringList ChooseDeletions(const QStringList&) override { return {}; }
        void RunStarted(const QString&) override {}
        void Progress(const QString&) override {}
        bool Cancelled() override { return false; }
        void RunFinished() override {}
    } Ui;
    TElementMessages Log;
    std::unique_ptr<TScheme> Scheme;
};

// A node as stored, with attributes (name, value) and inner nodes. A value beginning with "<" is the
// stored content of the value field.
QByteArray NodeText(const QByteArray& name, const QList<QPair<QByteArray, QByteArray>>& attributes,
                    const QByteArray& inner = {})
{
    QByteArray content;
    for (const auto& [key, value] : attributes) {
        if (!content.isEmpty())
            content += "<Br/>";
        const QByteArray stored = value.startsWith('<') ? value : "<Chars Value=\"" + value + "\"/>";
        content += "<Attribute><Name Value=\"" + key + "\"/><Value>" + stored + "</Value></Attribute>";
    }
    if (!inner.isEmpty())
        content += (content.isEmpty() ? "" : "<Br/>") + inner;
    return "<Node><Name Value=\"" + name + "\"/><Content>" + content + "</Content></Node>";
}

// A log line as LogText shows it: the kind, then the text without the link's brackets.
QString Logged(int kind, const QString& text)
{
    QString plain = text;
    const qsizetype open = plain.indexOf(u'[');
    const qsizetype close = plain.indexOf(u']', open + 1);
    if (open >= 0 && close > open) {
        plain.remove(close, 1);
        plain.remove(open, 1);
    }
    return QString::number(kind) + u' ' + plain;
}

TEST_F(StructuredGeneration, XmlRowsGiveTheDocumentElementOrTheMessages)
{
    FIND_TOOL_OR_SKIP(xmllint, "xmllint");
    struct TRow
    {
        const char* Name;
        QByteArray Content;
        bool Packet;
        QByteArray Expected;  // without the declaration; "(none)" for no file
        QStringList Messages; // in the log in this order
        const char* Absent;   // in no message
    };
    const QByteArray header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const TRow rows[] = {
        {"the first node with a and b: b is written before a",
         NodeText("first", {{"a", "1"}, {"b", "2"}}, NodeText("inner", {{"k", "v"}})),
         false,
         "<first b=\"2\" a=\"1\">\n    <inner k=\"v\"/>\n</first>\n",
         {},
         ""},
        {"packet", NodeText("r", {{"a", "1"}}, NodeText("c", {})), true, "<r a=\"1\"><c/></r>\n", {}, ""},
        {"two top-level nodes: nothing is written and the run fails",
         NodeText("first", {{"a", "1"}}) + "<Br/>" + NodeText("second", {{"x", "1"}}),
         false,
         "(none)",
         {Logged(mkError, LoadStr(5610))},
         ""},
        {"no node: no file and the run fails", "", false, "(none)", {Logged(mkError, LoadStr(5609))}, ""},
        {"names: taken from the last attribute to the first, a value only under a valid name",
         NodeText("1st",
                  {{"a", "1"}, {"bad name", "<Substitution Value=\"Missing\"/>"}, {"a", "2"}, {"3d", "x"}}),
         false,
         "<Node a=\"1\"/>\n",
         {Logged(mkInvalidContent, LoadStr(5624, {u"1st"_qs})),
          Logged(mkInvalidContent, LoadStr(5624, {u"3d"_qs})),
          Logged(mkInvalidContent, LoadStr(5623, {u"bad name"_qs}))},
         "Missing"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        QFile::remove(Dir.filePath(u"out.xml"_qs));
        auto* generator = static_cast<TElement_XmlGenerator*>(
            MakeDocument(row.Content, TElement_XmlGenerator::StaticClass(), u"out.xml"_qs));
        generator->PacketField()->SetChecked(row.Packet);
        Run();
        const QByteArray output = Output(u"out.xml"_qs);
        const bool written = row.Expected != "(none)";
        EXPECT_EQ(output, written ? header.chopped(row.Packet ? 1 : 0) + row.Expected : row.Expected)
            << LogText().toStdString();
        EXPECT_EQ(Log.HasKinds(1u << mkFatal), !written) << LogText().toStdString();
        const QString log = LogText();
        qsizetype at = 0;
        for (const QString& message : row.Messages) {
            const qsizetype found = log.indexOf(message, at);
            EXPECT_GE(found, 0) << message.toStdString() << "\n" << log.toStdString();
            at = std::max(at, found);
        }
        if (*row.Absent != 0) {
            EXPECT_FALSE(log.contains(QString::fromUtf8(row.Absent))) << log.toStdString();
        }
        if (written)
            ExpectWellFormed(xmllint, Dir, output);
    }
}

TEST_F(StructuredGeneration, ImportedFilesComeBackCanonicallyTheSame)
{
    FIND_TOOL_OR_SKIP(xmllint, "xmllint");
    // A file and what the import says of it (the one message that it will not come back whole).
    const QList<QPair<QString, QString>> files = {
        {u"pom.xml"_qs, {}},        {u"manifest.xml"_qs, {}},
        {u"drawing.svg"_qs, {}},    {u"project.csproj"_qs, {}},
        {u"attributes.xml"_qs, {}}, {u"settings.xml"_qs, LoadStr(5631, {u"2"_qs})},
    };
    const QStringList canonical = {u"--noblanks"_qs, u"--c14n"_qs};
    for (const auto& [name, told] : files) {
        SCOPED_TRACE(name.toStdString());
        const QString input = QStringLiteral(TEST_DATA_DIR "/") + name;
        QFile::remove(Dir.filePath(u"out.xml"_qs));
        MakeDocument({}, TElement_XmlGenerator::StaticClass(), u"out.xml"_qs);
        TXmlImporter importer(Scheme.get(), &Log);
        importer.Target = Scheme->Root();
        importer.ImportFile(input);
        EXPECT_EQ(Log.Count(), told.isEmpty() ? 0 : 1) << LogText().toStdString();
        if (!told.isEmpty()) {
            EXPECT_TRUE(LogText().contains(told)) << LogText().toStdString();
        }
        Run();
        EXPECT_LT(Log.Severity(), 2) << LogText().toStdString();

        // The comments are what the import leaves out.
        QString expected = QString::fromUtf8(ReadData(name));
        expected.remove(QRegularExpression(u"<!--.*?-->"_qs));
        const QString expectedFile = Dir.filePath(u"expected.xml"_qs);
        ASSERT_TRUE(WriteFile(expectedFile, expected.toUtf8()));
        const TToolResult before = RunTool(xmllint, canonical + QStringList{expectedFile}, Dir.path());
        const TToolResult after =
            RunTool(xmllint, canonical + QStringList{Dir.filePath(u"out.xml"_qs)}, Dir.path());
        ASSERT_EQ(before.ExitCode, 0) << before.Errors.toStdString();
        ASSERT_EQ(after.ExitCode, 0) << after.Errors.toStdString();
        EXPECT_EQ(after.Output, before.Output);
    }
}

TEST_F(StructuredGeneration, IniWritesWhatKeepsTheLinesAndReportsTheRest)
{
    FIND_TOOL_OR_SKIP(python, "python3");
    const QByteArray lines = "<Chars Value=\"one\"/><Br/><Chars Value=\"two\"/>";
    auto* generator =
        MakeDocument(NodeText("Main", {{"Name", "Demo"}, {"Tab", "a&#9;b"}}) + "<Br/>" +
                         NodeText("my section", {{"key-1", "x"}, {"bad=key", "1"}, {"Lines", lines}},
                                  NodeText("Nested", {{"Lost", "1"}})) +
                         "<Br/>" + NodeText("a]b", {{"k", "v"}}) + "<Br/>" + NodeText("main", {{"k", "v"}}),
                     TElement_IniGenerator::StaticClass(), u"out.ini"_qs);
    generator->EncodingField()->SetText(u"Unicode"_qs);
    Run();
    const QString text =
        u"[Main]\r\nName=Demo\r\nTab=a\tb\r\n\r\n[my section]\r\nkey-1=x\r\n\r\n[main]\r\nk=v\r\n"_qs;
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    const QByteArray encoded = utf16.encode(text);
    EXPECT_EQ(Output(u"out.ini"_qs), QByteArray("\xFF\xFE") + encoded) << LogText().toStdString();
    for (const QString& message :
         {Logged(mkError, LoadStr(5613)), Logged(mkInvalidContent, LoadStr(5626, {u"bad=key"_qs})),
          Logged(mkInvalidContent, LoadStr(5627, {u"Lines"_qs})),
          Logged(mkInvalidContent, LoadStr(5625, {MessageValueText(u"a]b"_qs)})),
          Logged(mkError, LoadStr(5628, {u"Main"_qs, u"main"_qs}))})
        EXPECT_TRUE(LogText().contains(message)) << message.toStdString() << "\n" << LogText().toStdString();
    // Readers take a UTF-16 file for one by its byte order mark.
    const TToolResult result = ConfigParserDump(python, Dir.filePath(u"out.ini"_qs), u"utf-16"_qs);
    EXPECT_EQ(result.ExitCode, 0) << result.Errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(result.Output), u"Main:Name=Demo,Tab=a\tb;my section:key-1=x;main:k=v"_qs);
}

TEST_F(StructuredGeneration, AGeneratorStoredWithoutItsOutputWritesBesideItsDocument)
{
    RegisterCommandFileScheme();
    struct TRow
    {
        TDescriptor Descriptor;
        const char* Document;
        QByteArray Content;
        const char* Output;
    };
    const TRow rows[] = {
        {TParametrizedStructureSchemeDescriptor::StaticClass(), "doc.strucd",
         "<StructuredData><XmlGenerator/><Br/>" + NodeText("r", {{"a", "1"}}) + "</StructuredData>",
         "doc.xml"},
        {TParametrizedStructureSchemeDescriptor::StaticClass(), "doc.strucd",
         "<StructuredData><IniGenerator/><Br/>" + NodeText("s", {{"k", "v"}}) + "</StructuredData>",
         "doc.ini"},
        {TCommandFileSchemeDescriptor::StaticClass(), "doc.comd",
         "<Commands><BatchGenerator/><Br/><Message><Message><Chars "
         "Value=\"hi\"/></Message></Message></Commands>",
         "doc.bat"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Output);
        Scheme = CreateScheme(row.Descriptor);
        Scheme->SetFileName(Dir.filePath(QString::fromLatin1(row.Document)));
        Scheme->SetMessages(&Log);
        TKnot knot;
        knot.LoadFromStream(row.Content);
        Scheme->LoadFromKnot(Scheme->Root(), fmFile, &knot);
        Log.Clear();
        row.Descriptor->ExecuteVerb(Scheme->Root(), TSchemeWithProcessingDescriptor::pvProcess, nullptr);
        EXPECT_NE(Output(QString::fromLatin1(row.Output)), "(none)") << LogText().toStdString();
        // At its default the output is stored as no node at all; emptied, as an empty one.
        TGeneratorElement* generator = nullptr;
        for (TNode* child = Scheme->Root()->FirstChild(); generator == nullptr && child != nullptr;
             child = child->NextSibling())
            generator = dynamic_cast<TGeneratorElement*>(child);
        ASSERT_NE(generator, nullptr);
        EXPECT_FALSE(Scheme->SaveToBytes().contains("<Output")) << Scheme->SaveToBytes().toStdString();
        generator->OutputField()->SetText(QString());
        EXPECT_TRUE(Scheme->SaveToBytes().contains("<Output/>")) << Scheme->SaveToBytes().toStdString();
    }
}

class StructuredSheet : public TTextorFixture
{
};

// Nodes nested `depth` deep, each in the content of the one before, as a deep XML file imports.
QByteArray NestedNodes(int depth)
{
    return "<StructuredData>" + QByteArray("<Node><Name Value=\"n\"/><Content>").repeated(depth) +
           QByteArray("</Content></Node>").repeated(depth) + "</StructuredData>";
}

// Opening a document lays it out on a sheet. Each element asks its parent for the space it offers; a
// layout asks that once per element, so the work grows with the elements and not with their depth. The
// depths go up to the one the XML import accepts.
TEST_F(StructuredSheet, PlacingANestedDocumentOnASheetStaysInStepWithItsSize)
{
    RegisterCommentElements();
    RegisterStructuredScheme();
    for (const int depth : {10, 20, TXmlImporter::MaxDepth}) {
        SCOPED_TRACE(depth);
        std::unique_ptr<TScheme> scheme = CreateScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
        TKnot knot;
        knot.LoadFromStream(NestedNodes(depth));
        ASSERT_FALSE(knot.Corrupt());
        scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
        TSheet sheet(nullptr);
        sheet.SetPageSize(QSize(800, 600));
        auto* root = static_cast<TVisualElement*>(scheme->Root());
        const int measuredBefore = TFixedMeasuredFont::AdvanceCalls;
        const int64_t offersBefore = OffersAskedForTesting();
        root->SetVisualParent(sheet.TopElement());
        sheet.SetPageSize(QSize(400, 600));
        ASSERT_LE(TFixedMeasuredFont::AdvanceCalls - measuredBefore, 4 * depth);
        const int64_t offers = OffersAskedForTesting() - offersBefore;
        ASSERT_LE(offers, 16 * depth) << offers;
        // Saved, checked and freed at that depth too.
        EXPECT_EQ(scheme->SaveToBytes().count("<Node>"), depth);
        root->SetVisualParent(nullptr);
    }
}

// A field after the caption of a title is offered what the caption leaves of the row: a long message
// wraps inside a narrow page instead of running past it.
TEST_F(StructuredSheet, AFieldAfterATitleCaptionWrapsInsideANarrowPage)
{
    RegisterCommandFileScheme();
    std::unique_ptr<TScheme> scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
    TKnot knot;
    knot.LoadFromStream("<Commands FormatVersion=\"1.2\"><Message><Message><Chars Value=\"" +
                        QByteArray("word ").repeated(100) + "\"/></Message></Message></Commands>");
    scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
    TSheet sheet(nullptr);
    sheet.SetPageSize(QSize(400, 600));
    auto* root = static_cast<TVisualElement*>(scheme->Root());
    root->SetVisualParent(sheet.TopElement());
    TElement_Message* message = nullptr;
    for (TNode* node = root->FirstChild(); node != nullptr && message == nullptr; node = node->NextSibling())
        message = dynamic_cast<TElement_Message*>(node);
    ASSERT_NE(message, nullptr);
    EXPECT_LE(root->Left() + message->Left() + message->Width(), 400);
    root->SetVisualParent(nullptr);
}

TEST_F(StructuredSheet, AClickAnywhereInANodesContentPutsTheCaretThere)
{
    RegisterCommentElements();
    RegisterStructuredScheme();
    std::unique_ptr<TScheme> scheme = CreateScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
    TKnot knot;
    knot.LoadFromStream("<StructuredData>" + NodeText("filled", {{"x", "1"}}) + "<Br/>" +
                        NodeText("empty", {}) + "</StructuredData>");
    scheme->LoadFromKnot(scheme->Root(), fmFile, &knot);
    TSheet sheet(nullptr);
    sheet.SetPageSize(QSize(800, 600));
    auto* root = static_cast<TVisualElement*>(scheme->Root());
    root->SetVisualParent(sheet.TopElement());
    for (TNode* child = root->FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* node = dynamic_cast<TElement_Node*>(child);
        if (node == nullptr)
            continue;
        SCOPED_TRACE(node->Name().toStdString());
        // The bottom left corner lies in the indent, below the last element.
        TVisualElement* content = node->Container();
        const QPoint corner = content->SheetOrigin() + QPoint(2, content->Height() - 2);
        sheet.MouseDown(corner, Qt::LeftButton, Qt::NoModifier, false);
        sheet.MouseUp(corner, Qt::LeftButton, Qt::NoModifier);
        EXPECT_EQ(sheet.FocusedElement(), content);
    }
    root->SetVisualParent(nullptr);
}

} // namespace
} // namespace qv
