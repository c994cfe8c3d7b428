#include "generation_fixture.h"

#include "core/strings.h"
#include "elements/element_messages.h"
#include "generation/value_elements.h"
#include "library/path_element.h"
#include "roots/application_namespace.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

namespace qv::test {

QV_IMPLEMENT_CLASS(TElement_TestLine)
QV_IMPLEMENT_CLASS(TElement_TestGenerator)
QV_IMPLEMENT_CLASS(TTestProcessingRoot)
QV_IMPLEMENT_CLASS(TTestProcessingDescriptor)

TElement_TestLine::TElement_TestLine(TScheme* scheme) : TTextorElement(scheme)
{
    SetBehaviourOptions(BehaviourOptions() | tboElements);
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial);
}

void TElement_TestLine::GetAcceptedClasses(TElementClassList& list)
{
    list.append(TElement_Path::StaticClass());
    list.append(TElement_FileName::StaticClass());
    for (const QString& name :
         {QStringLiteral("Substitution"), QStringLiteral("If"), QStringLiteral("Replacement")}) {
        if (const TElementClass* cls = ElementClassByNodeName(name))
            list.append(cls);
    }
}

void TTestGeneratorWorker::VisitOther(TElement* element)
{
    auto* line = dynamic_cast<TElement_TestLine*>(element);
    if (line == nullptr) {
        TSchemeGeneratorWorker::VisitOther(element);
        return;
    }
    Resolve(line);
    const QString text = line->GetText();
    if (text.startsWith(QStringLiteral("file:"))) {
        const QString file = GetOutputFolder() + text.mid(5);
        Files.WriteOutputFile(file, text.toUtf8());
    } else if (text.startsWith(QStringLiteral("fatal:"))) {
        if (OutputFile.endsWith(text.mid(6)))
            ReportAt(mkFatal, text, {line});
    } else if (text.startsWith(QStringLiteral("odd:"))) {
        TSchemeGeneratorWorker::VisitOther(line);
    } else if (text == QStringLiteral("wait")) {
        // Stands for long work: goes on once the user stopped the run (at most five seconds).
        for (int i = 0; i < 1000 && !Cancelled(); ++i)
            QThread::msleep(5);
    }
    FText += text + u'\n';
}

void TTestGeneratorWorker::Generate()
{
    FText = HeaderComment(QStringLiteral("# "));
    TSchemeGeneratorWorker::Generate();
    if (RunList != nullptr)
        RunList->append(OutputFile);
    WriteMainOutput(EncodeText(FText));
}

TElement_TestGenerator::TElement_TestGenerator(TScheme* scheme) : TGeneratorElement(scheme) {}

std::unique_ptr<TSchemeGeneratorWorker> TElement_TestGenerator::CreateWorker()
{
    return std::make_unique<TTestGeneratorWorker>();
}

void TTestProcessingRoot::GetAcceptedClasses(TElementClassList& list)
{
    TRootWithProcessing::GetAcceptedClasses(list);
    list.append(TElement_TestGenerator::StaticClass());
    list.append(TElement_TestLine::StaticClass());
}

void TGenerationFixture::SetUp()
{
    TTextorFixture::SetUp();
    RegisterProcessorElements();
    RegisterValueElements();
    CreateApplicationNamespace();
    FormerUi = SetGenerationUi(&Ui);
    FormerService = SetProcessingService(&Service);
    Service.Manifest = &Home.Manifest;
    Service.RunMode = rmInline;
    Service.Settings = [] {
        TRunSettings settings;
        settings.InsertDate = false;
        settings.ProgramName = QStringLiteral("quorvane");
        return settings;
    };
}

void TGenerationFixture::TearDown()
{
    Documents.clear();
    Logs.clear();
    SetProcessingService(FormerService);
    SetGenerationUi(FormerUi);
    FreeApplicationNamespace();
    TTextorFixture::TearDown();
}

TScheme* TGenerationFixture::MakeDocument(const QString& name)
{
    auto scheme =
        std::make_unique<TScheme>(TTestProcessingRoot::StaticClass(), QStringLiteral("TestProcessing"));
    if (!name.isEmpty())
        scheme->SetFileName(Path(name));
    Logs.push_back(std::make_unique<TElementMessages>());
    scheme->SetMessages(Logs.back().get());
    Documents.push_back(std::move(scheme));
    return Documents.back().get();
}

TElement_TestGenerator* TGenerationFixture::AddGenerator(TScheme* scheme,
                                                         const std::optional<QString>& output)
{
    auto* generator = static_cast<TElement_TestGenerator*>(
        static_cast<TTextorElement*>(scheme->Root())
            ->InsertNewElement(TElement_TestGenerator::StaticClass(), nullptr, nullptr));
    if (output)
        generator->OutputField()->SetText(*output);
    return generator;
}

TElement_TestLine* TGenerationFixture::AddLine(TScheme* scheme, const QString& text)
{
    auto* line = static_cast<TElement_TestLine*>(
        static_cast<TTextorElement*>(scheme->Root())
            ->InsertNewElement(TElement_TestLine::StaticClass(), nullptr, nullptr));
    line->SetText(text);
    return line;
}

void TGenerationFixture::Run(TScheme* scheme, const QStringList* parameters)
{
    TTestProcessingDescriptor::StaticClass()->ExecuteVerb(
        scheme->Root(), TSchemeWithProcessingDescriptor::pvProcess, parameters);
}

QStringList TGenerationFixture::LogTexts(TScheme* scheme)
{
    QStringList texts;
    TElementMessages* log = scheme->Messages();
    for (int i = 0; i < log->Count(); ++i)
        texts.append(log->Items(i)->GetText());
    return texts;
}

QStringList TGenerationFixture::LoggedFiles(TScheme* scheme, uint8_t kind)
{
    QStringList files;
    TElementMessages* log = scheme->Messages();
    for (int i = 0; i < log->Count(); ++i) {
        if (log->Items(i)->Kind() != kind)
            continue;
        for (const TElementMessagePart& part : log->Items(i)->Parts()) {
            if (part.Kind == mpFile && !QFileInfo(part.Data).isDir())
                files.append(part.Data);
        }
    }
    return files;
}

QByteArray TGenerationFixture::ReadFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace qv::test
