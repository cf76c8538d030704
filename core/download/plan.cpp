#include "core/download/plan.h"

#include "core/download/header.h"
#include "core/platform/file_check.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

int DownloadPlan::intervalMs(Pacing pacing) const
{
    if (pacing == Pacing::Turbo)
        return 2;
    if (timed())
        return parallel ? 45 : 20;
    return parallel ? 20 : 10;
}

qint64 DownloadPlan::pauseEvery(Pacing pacing) const
{
    // Without Turbo every 4096 bytes; with Turbo never on a serial link, every 65536 on LPT1.
    if (parallel)
        return pacing == Pacing::Turbo ? 65536 : 4096;
    return pacing == Pacing::Turbo ? 0 : 4096;
}

QStringList DownloadPlan::headerTexts() const
{
    QStringList texts;
    for (const Part& p : parts)
        if (!p.header.isEmpty())
            texts << QString::fromLatin1(p.header.chopped(1));
    return texts;
}

double DownloadPlan::secondsLeft(qint64 taken, double bytesPerSecond, Pacing pacing) const
{
    if (!(bytesPerSecond > 0))
        return -1;
    const qint64 every = pauseEvery(pacing);
    const auto pauses = [every](qint64 bytes) { return every ? bytes / every : 0; };
    double left = kEndWait;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        const qint64 done = qBound<qint64>(0, taken - p.offset, p.length);
        left += double(p.length - done) / bytesPerSecond + kPauseSeconds * double(pauses(p.length) - pauses(done));
        // The first part's wait is behind once bytes are counted; a later part's is ahead until
        // its first byte.
        if (i > 0 && done == 0)
            left += p.waitBefore;
    }
    return left;
}

DownloadPlan planDownload(const DownloadRequest& request, qint64 length, std::optional<int> xorSum, bool parallel)
{
    DownloadPlan plan;
    plan.operation = request.operation;
    plan.parallel = parallel;
    plan.length = length;
    if (plan.timed()) {
        const char code = headerCode(request.operation, request.boot, request.checksum);
        plan.checksum = code && headerCarriesChecksum(code);
        const QByteArray header =
            code ? headerText(code, length, headerCarriesChecksum(code) ? xorSum : std::nullopt) : QByteArray();
        plan.parts = {{header, 0, length, DownloadPlan::kPrinterWait}};
        plan.pad = length % 2 != 0;
        return plan;
    }
    if (length > DownloadPlan::kMaxExternalFonts) {
        plan.refused = Failure{Cause::FileTooBig, request.path, {}, {}};
        return plan;
    }
    const double wait = DownloadPlan::kFontsPartWait + (parallel ? DownloadPlan::kParallelReopen : 0);
    const qint64 first = qMin(length, DownloadPlan::kFirstPartMax);
    plan.parts = {{headerText(':', first), 0, first, wait}};
    if (length > first)
        plan.parts.append({headerText(';', length - first), first, length - first, DownloadPlan::kBetweenParts + wait});
    return plan;
}

std::optional<DownloadPlan> planFile(const DownloadRequest& request, bool parallel)
{
    QFile file(request.path);
    if (checkFile(request.path, std::numeric_limits<qint32>::max()) || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    const bool sumNeeded = request.operation != Operation::ExternalFonts &&
                           headerCarriesChecksum(headerCode(request.operation, request.boot, request.checksum));
    return planDownload(request, size, sumNeeded ? FileChecksum(file, size) : std::nullopt, parallel);
}

QString extensionOf(Operation operation)
{
    static const QStringList extensions = {"BIN", "SHF", "SHC"};
    return extensions.value(int(operation));
}

std::optional<Operation> operationNamedBy(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toUpper();
    for (const Operation o : {Operation::Firmware, Operation::StandardFonts, Operation::ExternalFonts})
        if (suffix == extensionOf(o))
            return o;
    return std::nullopt;
}
