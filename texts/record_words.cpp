#include "texts/record_words.h"

#include "core/record/service_record.h"

#include <QCoreApplication>

#include <iterator>

namespace {

struct Words {
    const char* id;
    const char* words;
};

const Words kKinds[] = {
    {"download", QT_TRANSLATE_NOOP("Record", "download")},
    {"release-check", QT_TRANSLATE_NOOP("Record", "release check")},
    {"interrogation", QT_TRANSLATE_NOOP("Record", "interrogation")},
    {"update", QT_TRANSLATE_NOOP("Record", "update")},
};

const Words kFaces[] = {
    {"window", QT_TRANSLATE_NOOP("Record", "the window")},
    {"command line", QT_TRANSLATE_NOOP("Record", "the command line")},
};

const Words kOutcomeWords[] = {
    {"completed", QT_TRANSLATE_NOOP("Record", "completed")},
    {"sent", QT_TRANSLATE_NOOP("Record", "sent")},
    {"file-refused", QT_TRANSLATE_NOOP("Record", "file refused")},
    {"port-refused", QT_TRANSLATE_NOOP("Record", "port refused")},
    {"failed", QT_TRANSLATE_NOOP("Record", "failed")},
    {"aborted", QT_TRANSLATE_NOOP("Record", "aborted")},
    {"interrupted", QT_TRANSLATE_NOOP("Record", "interrupted")},
    {"equal", QT_TRANSLATE_NOOP("Record", "same release")},
    {"different", QT_TRANSLATE_NOOP("Record", "different release")},
    {"file-no-release", QT_TRANSLATE_NOOP("Record", "no release in the file")},
    {"answered", QT_TRANSLATE_NOOP("Record", "answered")},
    {"asking", QT_TRANSLATE_NOOP("Record", "asking")},
    {"no-answer", QT_TRANSLATE_NOOP("Record", "no answer")},
    {"skipped", QT_TRANSLATE_NOOP("Record", "skipped")},
    {"loading", QT_TRANSLATE_NOOP("Record", "loading")},
    {"load-failed", QT_TRANSLATE_NOOP("Record", "load failed")},
    {"verifying", QT_TRANSLATE_NOOP("Record", "verifying")},
    {"verified", QT_TRANSLATE_NOOP("Record", "verified")},
    {"not-verified", QT_TRANSLATE_NOOP("Record", "not verified")},
    {"did-not-finish", QT_TRANSLATE_NOOP("Record", "did not finish")},
    {"running", QT_TRANSLATE_NOOP("Record", "running")},
};

const char* const kColumnWords[] = {
    QT_TRANSLATE_NOOP("Record", "Id"),
    QT_TRANSLATE_NOOP("Record", "Started"),
    QT_TRANSLATE_NOOP("Record", "Ended"),
    QT_TRANSLATE_NOOP("Record", "User"),
    QT_TRANSLATE_NOOP("Record", "Face"),
    QT_TRANSLATE_NOOP("Record", "Job"),
    QT_TRANSLATE_NOOP("Record", "Operation"),
    QT_TRANSLATE_NOOP("Record", "Boot"),
    QT_TRANSLATE_NOOP("Record", "Checksum"),
    QT_TRANSLATE_NOOP("Record", "Turbo"),
    QT_TRANSLATE_NOOP("Record", "File"),
    QT_TRANSLATE_NOOP("Record", "Size"),
    QT_TRANSLATE_NOOP("Record", "SHA-256"),
    QT_TRANSLATE_NOOP("Record", "XOR"),
    QT_TRANSLATE_NOOP("Record", "File release"),
    QT_TRANSLATE_NOOP("Record", "Port"),
    QT_TRANSLATE_NOOP("Record", "Device"),
    QT_TRANSLATE_NOOP("Record", "Device id"),
    QT_TRANSLATE_NOOP("Record", "Line"),
    QT_TRANSLATE_NOOP("Record", "Headers"),
    QT_TRANSLATE_NOOP("Record", "Sent"),
    QT_TRANSLATE_NOOP("Record", "Taken"),
    QT_TRANSLATE_NOOP("Record", "Model"),
    QT_TRANSLATE_NOOP("Record", "Release"),
    QT_TRANSLATE_NOOP("Record", "Flash"),
    QT_TRANSLATE_NOOP("Record", "Release after"),
    QT_TRANSLATE_NOOP("Record", "Outcome"),
    QT_TRANSLATE_NOOP("Record", "Cause"),
    QT_TRANSLATE_NOOP("Record", "Printer left mid-image"),
    QT_TRANSLATE_NOOP("Record", "Serial number"),
    QT_TRANSLATE_NOOP("Record", "Note"),
};
static_assert(std::size(kColumnWords) == 31);

template <std::size_t N> QString wordsOf(const Words (&table)[N], const QString& id)
{
    for (const Words& w : table)
        if (id == QLatin1String(w.id))
            return QCoreApplication::translate("Record", w.words);
    return id;
}

} // namespace

QString jobKindWords(const QString& kind)
{
    return wordsOf(kKinds, kind);
}

QString faceWords(const QString& face)
{
    return wordsOf(kFaces, face);
}

QString outcomeWords(const QString& outcome)
{
    return wordsOf(kOutcomeWords, outcome);
}

QStringList csvHeaderWords()
{
    QStringList words;
    for (const char* w : kColumnWords)
        words << QCoreApplication::translate("Record", w);
    Q_ASSERT(words.size() == ServiceRecord::csvColumns().size());
    return words;
}
