#pragma once

#include <QString>
#include <QStringList>

// The service record's ids in the operator's words: a job's kind ("download", "release-check"),
// its outcome ("completed", "did-not-finish") and the CSV's column names. An id the program
// does not know is shown as it stands.
QString jobKindWords(const QString& kind);
QString outcomeWords(const QString& outcome);
QString faceWords(const QString& face);
QStringList csvHeaderWords();
