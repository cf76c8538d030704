#include "cli/command.h"

#include "core/download/stored_choices.h"
#include "core/platform/string_table.h"

#include <QCommandLineParser>
#include <QJsonDocument>

#include <cstdio>

namespace {
void write(FILE* to, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}
} // namespace

Command::~Command() = default;

void Output::endProgressLine()
{
    if (m_progressShown)
        write(stderr, "\n");
    m_progressShown = false;
}

void Output::event(const QString& kind, const QString& text, QJsonObject fields)
{
    if (m_json) {
        fields.insert(QStringLiteral("event"), kind);
        write(stdout, QJsonDocument(fields).toJson(QJsonDocument::Compact) + '\n');
        return;
    }
    endProgressLine();
    write(stderr, text.toUtf8() + '\n');
}

void Output::progress(const QString& text, QJsonObject fields)
{
    if (m_json || !m_terminal) {
        event(QStringLiteral("progress"), text, std::move(fields));
        return;
    }
    // Redrawn in place; the rest of the line is cleared.
    write(stderr, "\r" + text.toUtf8() + "\x1b[K");
    m_progressShown = true;
}

void Output::show(const QString& text, const QString& title, MessageIcon icon)
{
    m_lastMessage = text;
    const QString oneLine = QString(text).replace(QLatin1String("\n\n"), QLatin1String(": ")).replace('\n', ' ');
    event(QStringLiteral("message"), title.isEmpty() ? oneLine : title + QStringLiteral(" \u2014 ") + oneLine,
          {{"text", text}, {"title", title}, {"icon", icon == MessageIcon::Critical ? "critical" : "information"}});
}

void Output::say(const QString& line)
{
    if (m_json)
        return;
    endProgressLine();
    write(stdout, line.toUtf8() + '\n');
}

int Output::result(const QString& command, int status, QJsonObject fields)
{
    endProgressLine();
    if (m_json) {
        fields.insert(QStringLiteral("command"), command);
        fields.insert(QStringLiteral("exit"), status);
        event(QStringLiteral("result"), QString(), fields);
    }
    return status;
}

int languageOf(const QCommandLineParser& parser, int stored)
{
    const QString lang = parser.value(QStringLiteral("lang"));
    if (lang == QLatin1String("it"))
        return kItalian;
    if (lang == QLatin1String("en"))
        return kEnglish;
    return stored;
}

int portIndexOf(const QString& name)
{
    return int(kPortItems.indexOf(name.toUpper()));
}
