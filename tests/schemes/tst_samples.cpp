// The sample documents in samples/: each one loads with its document type and saves back to the same
// bytes without a message, and every document type has one.

#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "library/comment_element.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "schemes/structured/structured_elements.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace qv {
namespace {

const QString samplesDir = QStringLiteral(QV_SOURCE_DIR "/samples");

// The document types of the program; each new one adds its row and its sample.
TSchemeRegistry& DocumentTypes()
{
    static TSchemeRegistry registry = [] {
        TSchemeRegistry types;
        types.RegisterScheme(TPlainTextSchemeDescriptor::StaticClass());
        types.RegisterScheme(TCommandFileSchemeDescriptor::StaticClass());
        types.RegisterScheme(TParametrizedStructureSchemeDescriptor::StaticClass());
        return types;
    }();
    return registry;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList SampleFiles()
{
    QStringList files = QDir(samplesDir).entryList(QDir::Files, QDir::Name);
    files.removeAll(QStringLiteral("README.md"));
    return files;
}

TEST(Samples, EachLoadsAndSavesToTheSameBytesWithoutMessages)
{
    RegisterCommentElements();
    RegisterCommandFileScheme();
    RegisterStructuredScheme();
    const QStringList files = SampleFiles();
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        TDescriptor descriptor = DocumentTypes().FindDescriptorByExtension(name);
        ASSERT_NE(descriptor, nullptr) << "no document type opens it";
        std::unique_ptr<TScheme> scheme = CreateScheme(descriptor);
        TElementMessages log;
        scheme->SetMessages(&log);
        const QString path = samplesDir + u'/' + name;
        scheme->LoadFromFile(path);
        EXPECT_EQ(log.Count(), 0) << (log.Count() > 0 ? log.Items(0)->GetText().toStdString() : "");
        EXPECT_EQ(scheme->SaveToBytes(), ReadFile(path));
    }
}

TEST(Samples, EveryDocumentTypeHasOneListedInTheReadme)
{
    const QStringList files = SampleFiles();
    const QString readme = QString::fromUtf8(ReadFile(samplesDir + QStringLiteral("/README.md")));
    for (TDescriptor descriptor : DocumentTypes().Descriptors()) {
        const QString extension = descriptor->GetExtension();
        EXPECT_TRUE(std::any_of(files.begin(), files.end(),
                                [&](const QString& name) {
                                    return descriptor == DocumentTypes().FindDescriptorByExtension(name);
                                }))
            << "no sample of type " << extension.toStdString();
    }
    for (const QString& name : files)
        EXPECT_TRUE(readme.contains(u'`' + name + u'`')) << name.toStdString() << " is not in README.md";
}

} // namespace
} // namespace qv
