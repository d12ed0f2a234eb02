// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QSpinBox;
class ServiceTable;
class Settings;

// 设置…: how many requests each service gets at once, the least gap between two of them, the proxies they take,
// and 提前提醒天数.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    SettingsDialog(Settings& settings, const ServiceTable& services, QWidget* parent = nullptr);

    void accept() override;

private:
    struct Row
    {
        QString service;
        QString name;
        QSpinBox* concurrency;
        QSpinBox* gapMs;
        QLineEdit* proxies;
    };

    Settings& m_settings;
    QList<Row> m_rows;
    QLabel* m_message;
    QSpinBox* m_warnDays;
};
