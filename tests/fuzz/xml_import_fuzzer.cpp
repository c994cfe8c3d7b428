// Any bytes imported as an XML file into a Structured Data document, as "From XML" does. The import
// either adds its elements or gives a fatal message, never crashes, hangs or leaks; a document it
// made saves, opens and saves again to the same bytes.

#include "core/undo_redo.h"
#include "fuzz_document.h"
#include "generation/importer.h"
#include "library/comment_element.h"
#include "schemes/structured/structured_elements.h"
#include "schemes/structured/xml_importer.h"

#include "support/fake_user_interface.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QTemporaryDir* Folder = nullptr;
qv::TFakeUserInterface* Ui = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qv::StartFuzzApplication("fuzz_xml_import");
    qv::RegisterCommentElements();
    qv::RegisterStructuredScheme();
    Folder = new QTemporaryDir;
    Ui = new qv::TFakeUserInterface;
    qv::ServiceSlot<qv::IUserInterface>().Install(Ui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = Folder->filePath(QStringLiteral("input.xml"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    const qv::TDescriptor descriptor = qv::TParametrizedStructureSchemeDescriptor::StaticClass();
    QByteArray saved;
    {
        qv::TUndoRedo undo;
        qv::TElementMessages messages;
        auto scheme = qv::CreateScheme(descriptor);
        scheme->SetUndoRedo(&undo);
        scheme->SetMessages(&messages);
        Ui->OpenFilesAnswer = {path};
        qv::RunImporter(qv::TXmlImporter::StaticClass(), scheme->Root(), QStringLiteral("Import"));
        saved = scheme->SaveToBytes();
        undo.Clear();
        scheme->SetMessages(nullptr);
    }
    qv::CheckSaveIsStable(descriptor, saved);
    return 0;
}
