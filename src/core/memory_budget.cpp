#include "core/memory_budget.h"

#include "core/errors.h"
#include "core/strings.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace qv {

namespace {

// MemAvailable of /proc/meminfo in bytes, or 0.
qint64 AvailablePhysicalMemory()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        bool ok = false;
        const qint64 kilobytes = fields.size() >= 2 ? fields[1].toLongLong(&ok) : 0;
        return ok ? kilobytes * 1024 : 0;
    }
    return 0;
}

} // namespace

TMemoryBudget::TMemoryBudget() : FBytes(AvailablePhysicalMemory())
{
    bool ok = false;
    const qint64 megabytes = qEnvironmentVariableIntValue("QV_MEMORY_LIMIT_MB", &ok);
    if (ok && megabytes > 0 && (FBytes == 0 || megabytes * 1024 * 1024 < FBytes))
        FBytes = megabytes * 1024 * 1024;
}

void TMemoryBudget::CheckFile(const QString& fileName, qint64 need) const
{
    if (Exceeded(need))
        RaiseStr(2085,
                 {fileName, FormatSize(QFileInfo(fileName).size()), FormatSize(need), FormatSize(FBytes)});
}

QString TMemoryBudget::FormatSize(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace qv
