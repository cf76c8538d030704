#include "app/shop_dialog.h"

#include "core/platform/settings_store.h"
#include "core/record/shop_record.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ShopDialog::ShopDialog(QWidget* mainWindow, std::function<void()> changed)
    : QDialog(mainWindow), m_uri(new QLineEdit(this)), m_state(new QLabel(this)), m_test(new QPushButton(this)),
      m_save(new QPushButton(this)), m_close(new QPushButton(this)), m_changed(std::move(changed))
{
    setObjectName(QStringLiteral("shopDialog"));
    m_uri->setObjectName(QStringLiteral("shopUri"));
    m_state->setObjectName(QStringLiteral("shopState"));
    m_test->setObjectName(QStringLiteral("testShop"));
    m_save->setObjectName(QStringLiteral("saveShop"));
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_uri->setPlaceholderText(QStringLiteral("postgresql://bench@server/shop?sslmode=require"));
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_uri);
    layout->addWidget(m_state, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_test);
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    for (QPushButton* b : {m_test, m_save, m_close})
        b->setAutoDefault(false);
    connect(m_test, &QPushButton::clicked, this, &ShopDialog::test);
    connect(m_save, &QPushButton::clicked, this, &ShopDialog::save);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    resize(620, 180);
    applyLanguage();
}

void ShopDialog::applyLanguage()
{
    setWindowTitle(tr("Shop record"));
    m_uri->setAccessibleName(tr("PostgreSQL URI"));
    m_test->setText(tr("&Test"));
    m_save->setText(tr("&Save"));
    m_close->setText(tr("&Close"));
    if (m_said)
        m_state->setText(m_said());
}

void ShopDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        applyLanguage();
    QDialog::changeEvent(event);
}

void ShopDialog::showEvent(QShowEvent* event)
{
    SettingsStore settings;
    QString why;
    const auto shop = shop_record::stored(settings, &why);
    m_uri->setText(shop ? shop->text() : settings.readIn(QStringLiteral("Record"), QStringLiteral("ShopRecord")));
    say([why] {
        return why.isEmpty() ? tr("Every job is recorded on this bench first; with a URI, its rows go to the shop's "
                                  "record too. The password comes from ~/.pgpass, never from here.")
                             : why;
    });
    QDialog::showEvent(event);
}

void ShopDialog::say(std::function<QString()> words)
{
    m_said = std::move(words);
    m_state->setText(m_said());
}

void ShopDialog::test()
{
    auto parsed = ShopAddress::parse(m_uri->text());
    if (const auto* why = std::get_if<QString>(&parsed)) {
        const QString refused = *why;
        say([refused] { return refused; });
        return;
    }
    const int asked = ++m_tests;
    say([] { return tr("Asking the server..."); });
    // The network is never waited on here: the answer comes when it comes.
    shop_record::testLater(std::get<ShopAddress>(parsed), this,
                           [this, asked](const QString& why, const QString& found) {
                               if (asked != m_tests)
                                   return;
                               if (why.isEmpty())
                                   say([found] { return tr("It answers: %1.").arg(found); });
                               else
                                   say([why] { return tr("It does not answer: %1").arg(why); });
                           });
}

void ShopDialog::save()
{
    SettingsStore settings;
    if (m_uri->text().trimmed().isEmpty())
        shop_record::store(settings, std::nullopt);
    else {
        auto parsed = ShopAddress::parse(m_uri->text());
        if (const auto* why = std::get_if<QString>(&parsed)) {
            const QString refused = *why;
            say([refused] { return refused; });
            return;
        }
        shop_record::store(settings, std::get<ShopAddress>(parsed));
    }
    if (const auto why = settings.writeError()) {
        const QString failed = *why;
        say([failed] { return failed; });
        return;
    }
    m_changed();
    accept();
}
