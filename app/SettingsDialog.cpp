// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsDialog.h"

#include "queries/engine/lookuptable.h"
#include "settings/settings.h"
#include "web/proxies.h"

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
{
    setObjectName(u"settingsDialog"_s);
    setWindowTitle(u"设置"_s);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(u"服务"_s), 0, 0);
    grid->addWidget(new QLabel(u"同时请求数"_s), 0, 1);
    grid->addWidget(new QLabel(u"请求间隔（毫秒）"_s), 0, 2);
    grid->addWidget(new QLabel(u"代理（依次使用，逗号分隔）"_s), 0, 3);
    for (const Service& service : services.all()) {
        const Pace pace = settings.pace(service);
        // Spin boxes bounded to what the settings accept: an out-of-range number cannot be typed at all.
        Row row {service.key, service.name, new QSpinBox, new QSpinBox,
            new QLineEdit(settings.proxies(service.key).join(u", "_s))};
        row.concurrency->setRange(1, Settings::kMaxConcurrency);
        row.concurrency->setValue(pace.concurrency);
        row.gapMs->setRange(0, Settings::kMaxGapMs);
        row.gapMs->setSingleStep(100);
        row.gapMs->setValue(pace.gapMs);
        row.concurrency->setObjectName(service.key + u"/concurrency"_s);
        row.gapMs->setObjectName(service.key + u"/gapMs"_s);
        row.proxies->setObjectName(service.key + u"/proxies"_s);
        row.proxies->setPlaceholderText(u"http://主机:端口, socks5://用户:密码@主机:端口"_s);
        row.proxies->setMinimumWidth(260);
        const int at = grid->rowCount();
        grid->addWidget(new QLabel(service.name), at, 0);
        grid->addWidget(row.concurrency, at, 1);
        grid->addWidget(row.gapMs, at, 2);
        grid->addWidget(row.proxies, at, 3);
        m_rows.append(row);
    }
    m_warnDays->setObjectName(u"warnDays"_s);
    m_warnDays->setRange(1, Settings::kMaxWarnDays);
    m_warnDays->setValue(settings.warnDays());
    m_warnDays->setSuffix(u" 天"_s);
    auto* warn = new QHBoxLayout;
    warn->addWidget(new QLabel(u"提前提醒天数（到期日、证书到期在这么多天内时标出）"_s));
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
    layout->addWidget(m_message);
    layout->addWidget(buttons);
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
                m_message->setText(row.name + u"："_s + address.problem);
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
    QDialog::accept();
}
