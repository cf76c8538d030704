#include "core/platform/file_check.h"

#include <QFile>
#include <QFileInfo>

Failure checkFile(const QString& path, qint64 largest)
{
    const QFileInfo info(path);
    const auto fail = [&path](Cause cause, const QString& system = {}) { return Failure{cause, path, {}, system}; };
    if (!info.exists())
        return fail(Cause::FileMissing);
    if (!info.isFile())
        return fail(Cause::FileNotRegular);
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return fail(Cause::FileUnreadable, file.errorString());
    if (info.size() == 0)
        return fail(Cause::FileEmpty);
    if (info.size() > largest)
        return fail(Cause::FileTooBig);
    return {};
}
