#include "cli/record_command.h"

#include "core/platform/settings_store.h"
#include "core/record/shop_record.h"
#include "texts/string_table.h"

#include <QCommandLineParser>

namespace {
const QCommandLineOption kShop{QStringLiteral("shop"),
                               QStringLiteral("The shop's record: a PostgreSQL URI, postgresql://user@host/dbname "
                                              "(the password from ~/.pgpass or PGPASSFILE, never stored)."),
                               QStringLiteral("uri")};
const QCommandLineOption kShopOff{QStringLiteral("shop-off"),
                                  QStringLiteral("No shop's record any more: the local record alone.")};
const QCommandLineOption kStatus{QStringLiteral("status"),
                                 QStringLiteral("Where the shop's record is, whether it answers, how many rows wait.")};
} // namespace

void RecordCommand::define(QCommandLineParser& p) const
{
    p.addOptions({kShop, kShopOff, kStatus});
}

int RecordCommand::run(const QCommandLineParser& p, Output& out)
{
    auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli record: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    if (int(p.isSet(kShop)) + int(p.isSet(kShopOff)) + int(p.isSet(kStatus)) != 1)
        return usage(QStringLiteral("one of --shop URI, --shop-off and --status"));
    SettingsStore settings;
    if (p.isSet(kShop)) {
        auto parsed = ShopAddress::parse(p.value(kShop));
        if (auto* why = std::get_if<QString>(&parsed))
            return usage(*why); // the URI as given is not repeated: it may hold a password
        shop_record::store(settings, std::get<ShopAddress>(parsed));
    } else if (p.isSet(kShopOff))
        shop_record::store(settings, std::nullopt);
    if (const auto why = settings.writeError()) {
        out.event(QStringLiteral("error"), ownText(Msg::SettingsNotSaved).arg(settings.fileName(), *why).simplified(),
                  {{"error", "settings-not-saved"}, {"file", settings.fileName()}, {"text", *why}});
        return out.result(name(), exit_status::FileRefused);
    }
    QString unusable;
    const std::optional<ShopAddress> shop = shop_record::stored(settings, &unusable);
    const QString local = ServiceRecord::defaultPath();
    // Key lines, as query's and check-release's: read by scripts, the same in every language.
    QJsonObject fields{{"local", local}, {"shop", shop ? QJsonValue(shop->text()) : QJsonValue()}};
    out.say(QStringLiteral("local record: %1").arg(local));
    if (!shop) {
        out.say(QStringLiteral("shop's record: none") +
                (unusable.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(unusable)));
        fields.insert(QStringLiteral("waiting"), shop_record::waiting(local));
        return out.result(name(), exit_status::Ok, fields);
    }
    out.say(QStringLiteral("shop's record: %1").arg(shop->text()));
    // Whether it answers, asked afresh; then what waits goes, as every run that opens the record sends it.
    const QString why = shop_record::check(*shop);
    std::optional<qint64> sent;
    if (why.isEmpty()) {
        shop_record::Sender sender(*shop, local);
        sender.finish(30000);
        sent = sender.takeSent();
        if (const auto trouble = sender.takeUnreachable()) {
            out.say(QStringLiteral("answers: no (%1)").arg(*trouble));
            fields.insert(QStringLiteral("answers"), false);
            fields.insert(QStringLiteral("why"), *trouble);
            fields.insert(QStringLiteral("waiting"), shop_record::waiting(local));
            return out.result(name(), exit_status::ShopUnreachable, fields);
        }
    }
    const qint64 waiting = shop_record::waiting(local);
    out.say(why.isEmpty() ? QStringLiteral("answers: yes") : QStringLiteral("answers: no (%1)").arg(why));
    if (sent)
        out.say(QStringLiteral("sent: %1").arg(*sent));
    out.say(QStringLiteral("waiting: %1").arg(waiting));
    fields.insert(QStringLiteral("answers"), why.isEmpty());
    if (!why.isEmpty())
        fields.insert(QStringLiteral("why"), why);
    fields.insert(QStringLiteral("sent"), sent.value_or(0));
    fields.insert(QStringLiteral("waiting"), waiting);
    return out.result(name(), why.isEmpty() ? exit_status::Ok : exit_status::ShopUnreachable, fields);
}
