#pragma once

// A processed document type for the tests of the generation run: a root that holds test generators
// and lines of text, and a generator whose worker writes the resolved text of every line into its
// output (and, for lines "file:NAME" and "fatal:TEXT", writes another file or reports a fatal error).

#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "fields/textor_element.h"
#include "generation/generation_files.h"
#include "generation/generation_ui.h"
#include "generation/generator_worker.h"
#include "generation/processor_element.h"
#include "generation/scheme_processor.h"
#include "roots/root.h"

#include "support/scoped_home.h"
#include "support/textor_fakes.h"

#include <memory>

namespace qv::test {

// A line of text with embedded values (paths, file names, whatever value classes are registered).
class TElement_TestLine : public TTextorElement
{
    QV_CLASS(TElement_TestLine, TTextorElement)

    explicit TElement_TestLine(TScheme* scheme);

    void GetAcceptedClasses(TElementClassList& list) override;
};

class TTestGeneratorWorker : public TSchemeGeneratorWorker
{
public:
    void VisitOther(TElement* element) override;
    void Generate() override;

private:
    QString FText;
};

class TElement_TestGenerator : public TGeneratorElement
{
    QV_CLASS(TElement_TestGenerator, TGeneratorElement)

    explicit TElement_TestGenerator(TScheme* scheme);

    std::unique_ptr<TSchemeGeneratorWorker> CreateWorker() override;
    QString DefaultExtension() override { return QStringLiteral("txt"); }
    QString TitleCaption() override { return QStringLiteral("Test"); }
};

class TTestProcessingRoot : public TRootWithProcessing
{
    QV_CLASS(TTestProcessingRoot, TRootWithProcessing)

    using TRootWithProcessing::TRootWithProcessing;

    void GetAcceptedClasses(TElementClassList& list) override;
};

class TTestProcessingDescriptor : public TSchemeWithProcessingDescriptor
{
    QV_CLASS(TTestProcessingDescriptor, TSchemeWithProcessingDescriptor)
    static QString GetExtension(TDescriptor) { return QStringLiteral("qvt"); }
    static QString GetRootName(TDescriptor) { return QStringLiteral("TestProcessing"); }
    static const TElementClass* GetRootClass(TDescriptor) { return TTestProcessingRoot::StaticClass(); }
};

// Answers like a user: records what it was asked, deletes what DeleteAnswer says (all: every
// candidate).
class TRecordingGenerationUi : public IGenerationUi
{
public:
    QStringList Calls;
    QList<QStringList> Offers;
    bool DeleteAll = false;
    bool CancelAnswer = false;

    void Beep() override { Calls.append(QStringLiteral("Beep")); }
    void Info(const QString& text) override { Calls.append(QStringLiteral("Info: ") + text); }
    QStringList ChooseDeletions(const QStringList& candidates) override
    {
        Offers.append(candidates);
        return DeleteAll ? candidates : QStringList();
    }
    void RunStarted(const QString&) override {}
    void Progress(const QString&) override {}
    bool Cancelled() override { return CancelAnswer; }
    void RunFinished() override {}
};

// A user of its own (the trash and the manifest in a temporary folder), the recording user interface
// and the generation service running on the calling thread.
class TGenerationFixture : public TTextorFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString Path(const QString& name) const { return Home.Work(name); }
    // A saved (named) document of the test type in the folder; not on disk.
    TScheme* MakeDocument(const QString& name = QStringLiteral("doc.qvt"));
    TElement_TestGenerator* AddGenerator(TScheme* scheme, const QString& output);
    TElement_TestLine* AddLine(TScheme* scheme, const QString& text);
    void Run(TScheme* scheme, const QStringList* parameters = nullptr);
    // The texts of the document's log.
    static QStringList LogTexts(TScheme* scheme);
    // The files the log's messages of kind `kind` link to, in order.
    static QStringList LoggedFiles(TScheme* scheme, uint8_t kind = mkInformation);
    static QByteArray ReadFile(const QString& fileName);

    TScopedHome Home;
    TRecordingGenerationUi Ui;
    IGenerationUi* FormerUi = nullptr;
    TGenerationService Service;
    IProcessingService* FormerService = nullptr;
    std::vector<std::unique_ptr<TElementMessages>> Logs;
    std::vector<std::unique_ptr<TScheme>> Documents;
};

} // namespace qv::test
