// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsDialog.h"

#include "queries/engine/lookuptable.h"
#include "settings/settings.h"
#include "web/proxies.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

SettingsDialog::SettingsDialog(Settings& settings, const ServiceTable& services, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_message(new QLabel(this))
    , m_warnDays(new QSpinBox(this))
    , m_language(new QComboBox(this))
    , m_offered(settings.language())
{
    setObjectName(u"settingsDialog"_s);
    setWindowTitle(tr("设置"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("服务")), 0, 0);
    grid->addWidget(new QLabel(tr("同时请求数")), 0, 1);
    grid->addWidget(new QLabel(tr("请求间隔（毫秒）")), 0, 2);
    grid->addWidget(new QLabel(tr("代理（依次使用，逗号分隔）")), 0, 3);
    for (const Service& service : services.all()) {
        const Pace pace = settings.pace(service);
        // Spin boxes bounded to what the settings accept: an out-of-range number cannot be typed at all.
        Row row {service.key, shownName(service), new QSpinBox, new QSpinBox,
            new QLineEdit(settings.proxies(service.key).join(u", "_s))};
        row.concurrency->setRange(1, Settings::kMaxConcurrency);
        row.concurrency->setValue(pace.concurrency);
        row.gapMs->setRange(0, Settings::kMaxGapMs);
        row.gapMs->setSingleStep(100);
        row.gapMs->setValue(pace.gapMs);
        row.concurrency->setObjectName(service.key + u"/concurrency"_s);
        row.gapMs->setObjectName(service.key + u"/gapMs"_s);
        row.proxies->setObjectName(service.key + u"/proxies"_s);
        row.proxies->setPlaceholderText(tr("http://主机:端口, socks5://用户:密码@主机:端口"));
        row.proxies->setMinimumWidth(260);
        const int at = grid->rowCount();
        grid->addWidget(new QLabel(row.name), at, 0);
        grid->addWidget(row.concurrency, at, 1);
        grid->addWidget(row.gapMs, at, 2);
        grid->addWidget(row.proxies, at, 3);
        m_rows.append(row);
    }
    m_warnDays->setObjectName(u"warnDays"_s);
    m_warnDays->setRange(1, Settings::kMaxWarnDays);
    m_warnDays->setValue(settings.warnDays());
    m_warnDays->setSuffix(tr(" 天"));
    auto* warn = new QHBoxLayout;
    warn->addWidget(new QLabel(tr("提前提醒天数（到期日、证书到期在这么多天内时标出）")));
    warn->addWidget(m_warnDays);
    warn->addStretch();
    m_message->setObjectName(u"message"_s);
    m_message->setStyleSheet(u"color: #b00020"_s);
    m_message->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(warn);
    layout->addLayout(languageRow());
    layout->addWidget(m_message);
    layout->addWidget(buttons);
}

QHBoxLayout* SettingsDialog::languageRow()
{
    // Each language named in itself: whoever cannot read the one shown still finds their own.
    m_language->setObjectName(u"language"_s);
    m_language->addItem(u"中文"_s, int(Language::Chinese));
    m_language->addItem(u"English"_s, int(Language::English));
    offerLanguage(m_offered);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("界面语言")));
    row->addWidget(m_language);
    row->addStretch();
    return row;
}

void SettingsDialog::offerLanguage(Language language)
{
    m_offered = language;
    m_language->setCurrentIndex(m_language->findData(int(language)));
}

Language SettingsDialog::language() const
{
    return Language(m_language->currentData().toInt());
}

void SettingsDialog::accept()
{
    QList<Pace> paces;
    for (const Row& row : m_rows)
        paces.append({row.concurrency->value(), row.gapMs->value()});
    QList<QStringList> proxies;
    for (const Row& row : m_rows) {
        QStringList urls;
        for (const QString& url : row.proxies->text().split(u',', Qt::SkipEmptyParts)) {
            const ProxyAddress address = parseProxy(url);
            if (!address.problem.isEmpty()) {
                m_message->setText(tr("%1：%2").arg(row.name, address.problem));
                row.proxies->setFocus();
                return;
            }
            urls.append(url.trimmed());
        }
        proxies.append(urls);
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_settings.setPace(m_rows.at(i).service, paces.at(i));
        m_settings.setProxies(m_rows.at(i).service, proxies.at(i));
    }
    m_settings.setWarnDays(m_warnDays->value());
    // Saved only when chosen here: a language given for one run (--lang) is not kept by an OK meant for a pace.
    if (language() != m_offered)
        m_settings.setLanguage(language());
    QDialog::accept();
}
