#include "schemes/commands/batch_generator.h"

#include "core/strings.h"
#include "core/text_utils.h"
#include "elements/classes_groups.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme_images.h"
#include "fields/textor_element.h"
#include "library/path_element.h"
#include "roots/root_parts.h"
#include "schemes/commands/command_elements.h"

#include <QRegularExpression>

namespace qv {

QV_IMPLEMENT_CLASS(TElement_BatchGenerator)

namespace {

// Latin letters, digits and "_", beginning with a letter or "_": what the interpreter finds as a label.
constexpr uint32_t batchLabelContent =
    tcoLetters | tcoDigits | tcoUnderscore | tcoBeginWithLetter | tcoLatinOnly;

// Reduces doubled separators (a leading pair, a network path, stays) and collapses "sep..sep" with the
// folder before it. Never climbs above the start of the path or a drive.
QString NormalisePath(const QString& path, QChar separator)
{
    const QString doubled = QString(2, separator);
    const bool network = path.startsWith(doubled);
    QString rest = network ? path.mid(2) : path;
    while (rest.contains(doubled))
        rest.replace(doubled, QString(separator));
    const QStringList parts = rest.split(separator);
    QStringList kept;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        const bool last = i == parts.size() - 1;
        if (part == QStringLiteral("..") && !last && !kept.isEmpty()) {
            const QString& before = kept.last();
            const bool fixed = before.isEmpty() || before == QStringLiteral("..") ||
                               before == QStringLiteral(".") || before.endsWith(u':');
            if (!fixed) {
                kept.removeLast();
                continue;
            }
        }
        kept.append(part);
    }
    return (network ? doubled : QString()) + kept.join(separator);
}

} // namespace

// TBatchGeneratorWorker

QString TBatchGeneratorWorker::QuotedProgram(const QString& path)
{
    // A URL is handed to the program starter as it is.
    static const QRegularExpression url(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    QString program = path;
    if (!url.match(path).hasMatch())
        program = NormalisePath(program.replace(u'/', u'\\'), u'\\');
    program.replace(u'%', QStringLiteral("%%"));
    return u'"' + program + u'"';
}

QString TBatchGeneratorWorker::PathValue(TElement* pathElement)
{
    auto* program = dynamic_cast<TCustomFileNameElement*>(pathElement);
    if (program == nullptr || !program->NamesForeignFile())
        return TSchemeGeneratorWorker::PathValue(pathElement).replace(u'/', u'\\');
    // A program is written as the document shows it: a Windows name as it is, a file beside the
    // document relative to it. A path of this computer means nothing where the batch file runs.
    QString value = program->RelativeValue();
    if (value.startsWith(u'/'))
        Refuse(LoadStr(4890, {MessageValueText(value)}), program);
    return value.replace(u'/', u'\\');
}

bool TBatchGeneratorWorker::ResolveValueOf(TElement* substitution, TElement* target)
{
    auto* sourcePath = dynamic_cast<TSchemeSourcePathValueElement*>(target);
    if (substitution == nullptr || sourcePath == nullptr)
        return TSchemeGeneratorWorker::ResolveValueOf(substitution, target);
    ReplaceElement(substitution, nullptr, sourcePath->Value().replace(u'/', u'\\'));
    return true;
}

void TBatchGeneratorWorker::Initialize()
{
    TSchemeGeneratorWorker::Initialize();
    if (Root == nullptr)
        return;
    for (TNode* node = Root->DocumentNext(); node != nullptr && Root->IsAncestorOf(node);
         node = node->DocumentNext()) {
        if (auto* label = dynamic_cast<TElement_Label*>(node)) {
            label->NameField()->SetContentOptions(batchLabelContent);
            label->NameField()->Check();
        }
    }
}

void TBatchGeneratorWorker::Generate()
{
    for (const QString& line : HeaderLines)
        WriteLine(QStringLiteral("@rem ") + TBatchCodeWriter::ToOemText(line, CodePage));
    if (!HeaderLines.isEmpty())
        FWriter.NewLine();
    TSchemeGeneratorWorker::Generate();
    if (Cancelled())
        return;
    if (FRefused) {
        // The old file stays: a batch file without the refused commands would run other steps.
        if (Log != nullptr)
            Log->AddText(mkFatal, LoadStr(4412, {MessagePathText(OutputFile)}));
        return;
    }
    WriteMainOutput(FWriter.Text().toLatin1());
}

QString TBatchGeneratorWorker::FieldText(TTextorElement* field)
{
    Resolve(field);
    return field->GetText();
}

bool TBatchGeneratorWorker::FitsOnLine(TTextorElement* field, const QString& text)
{
    if (!TBatchCodeWriter::BreaksLine(Oem(text)))
        return true;
    Refuse(LoadStr(4660, {MessageValueText(text)}), field);
    return false;
}

void TBatchGeneratorWorker::Refuse(const QString& text, TElement* field)
{
    ReportAt(mkError, text, {field});
    FRefused = true;
}

void TBatchGeneratorWorker::WriteCall(TElement_Call* call)
{
    TTextorElement* fileName = call->FileNameField();
    const QString path = FieldText(fileName);
    const QString parameters = FieldText(call->ParametersField());
    const bool fits = FitsOnLine(fileName, path);
    if (!(FitsOnLine(call->ParametersField(), parameters) && fits))
        return;
    const QString shown = MessageValueText(path);
    // A quote would end the quoted program early and let the rest run as commands.
    if (path.contains(u'"'))
        return Refuse(LoadStr(4658, {shown}), fileName);
    // "call" reads its line a second time, which expands "%" and doubles "^" even inside quotes;
    // "start" hands the name to the system's program starter, which expands what stands between
    // two "%" as an environment variable. Either would run another program than the one named.
    const qsizetype percents = path.count(u'%');
    if (percents > (call->Wait() ? 0 : 1))
        return Refuse(LoadStr(4659, {shown, QStringLiteral("%")}), fileName);
    if (call->Wait() && path.contains(u'^'))
        return Refuse(LoadStr(4659, {shown, QStringLiteral("^")}), fileName);

    const QString program = QuotedProgram(path);
    // "start" takes a first quoted argument as the window's title: an empty one goes before the
    // program.
    QString line = call->Wait() ? QStringLiteral("call ") + program : QStringLiteral("start \"\" ") + program;
    if (!parameters.isEmpty())
        line += u' ' + parameters;
    WriteLine(Oem(line));
}

void TBatchGeneratorWorker::VisitOther(TElement* element)
{
    if (auto* call = dynamic_cast<TElement_Call*>(element)) {
        WriteCall(call);
    } else if (auto* label = dynamic_cast<TElement_Label*>(element)) {
        const QString name = FieldText(label->NameField());
        if (FitsOnLine(label->NameField(), name))
            WriteLine(Oem(u':' + name));
    } else if (auto* jump = dynamic_cast<TElement_Jump*>(element)) {
        // A label's name is checked; the text of a broken reference is not, so it is escaped.
        const QString target = FieldText(jump->LabelField());
        if (FitsOnLine(jump->LabelField(), target))
            WriteLine(QStringLiteral("goto ") + TBatchCodeWriter::ToOemText(target, CodePage));
    } else if (auto* message = dynamic_cast<TElement_Message*>(element)) {
        // Other control characters of a line are "?" (ToOemText).
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
        const QStringList lines = FieldText(message->TextField()).split(lineBreak);
        for (const QString& line : lines) {
            if (line.isEmpty())
                WriteLine(QStringLiteral("@echo."));
            else
                WriteLine(QStringLiteral("@echo ") + TBatchCodeWriter::ToOemText(line, CodePage));
        }
        WriteLine(QStringLiteral("pause"));
    } else {
        TSchemeGeneratorWorker::VisitOther(element);
    }
}

// TElement_BatchGenerator

namespace {

TGeneratorFieldClasses BatchGeneratorFields()
{
    TGeneratorFieldClasses fields;
    fields.HasEncoding = false;
    return fields;
}

} // namespace

TElement_BatchGenerator::TElement_BatchGenerator(TScheme* scheme)
    : TGeneratorElement(scheme, BatchGeneratorFields())
{}

std::unique_ptr<TSchemeGeneratorWorker> TElement_BatchGenerator::CreateWorker()
{
    return std::make_unique<TBatchGeneratorWorker>();
}

QString TElement_BatchGenerator::DefaultExtension()
{
    return QStringLiteral("bat");
}

QString TElement_BatchGenerator::FileFilter()
{
    return LoadStr(4657) + QStringLiteral(" (*.bat)");
}

QString TElement_BatchGenerator::TitleCaption()
{
    return LoadStr(4654);
}

void TElement_BatchGenerator::GetHint(QString& text)
{
    text = LoadStr(4655);
    inherited::GetHint(text);
}

// Registration

namespace {

// The palette group of the processors, made when no one made it yet.
TPaletteGroup* ProcessorsGroup()
{
    for (TNode* node = Palette().FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* group = dynamic_cast<TPaletteGroup*>(node);
        if (group != nullptr && group->Caption() == QV_STR(4400))
            return group;
    }
    return new TPaletteGroup(&Palette(), QV_STR(4400), 600);
}

} // namespace

void RegisterBatchGenerator(int group)
{
    static const bool registered = [group] {
        RegisterProcessorElements();
        ApplicationClassesGroups().GetGroup(group).append(TElement_BatchGenerator::StaticClass());
        new TElementPaletteItem(ProcessorsGroup(), piLarge,
                                StripImage(LargeImages(), QStringLiteral("diCommandFileLargeImages"), 0),
                                QV_STR(4655), QV_STR(4654), TElement_BatchGenerator::StaticClass(), 750);
        return true;
    }();
    (void)registered;
}

} // namespace qv
