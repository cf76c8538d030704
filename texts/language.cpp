#include "texts/language.h"

#include "texts/string_table.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
int g_inUse = kItalian;

QTranslator& ours()
{
    static QTranslator* t = new QTranslator(QCoreApplication::instance());
    return *t;
}

QTranslator& qts()
{
    static QTranslator* t = new QTranslator(QCoreApplication::instance());
    return *t;
}
} // namespace

void useLanguage(int base)
{
    const bool english = base == kEnglish;
    QCoreApplication::removeTranslator(&ours());
    QCoreApplication::removeTranslator(&qts());
    // English is the source: its catalogue holds only the plural forms.
    const QString name = english ? QStringLiteral("en") : QStringLiteral("it");
    if (ours().load(QStringLiteral(":/i18n/velmora_") + name))
        QCoreApplication::installTranslator(&ours());
    // Qt's own words (buttons, the file dialog): the system's catalogue, else the copy built in.
    if (!english && (qts().load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
                     qts().load(QStringLiteral(":/i18n/qtbase_it"))))
        QCoreApplication::installTranslator(&qts());
    g_inUse = english ? kEnglish : kItalian;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

int languageInUse()
{
    return g_inUse;
}
