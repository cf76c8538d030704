#pragma once

#include <QJsonObject>
#include <QString>

// File names given on the command line that are not valid in the locale's encoding (a name in
// Latin-1 on a UTF-8 system) cannot be held in a QString and opened again. Such a name is
// opened through a stand-in: a link, named with the bytes escaped, in a private folder.
namespace file_names {
// The argument as the program can open it: itself, or the stand-in when it needs one.
QString fromArgument(const char* raw);
// The text with each stand-in said as it was typed, the odd bytes escaped (\xff).
QString shown(QString text);
QJsonObject shown(QJsonObject fields);
// Removes the stand-ins.
void cleanUp();
} // namespace file_names
