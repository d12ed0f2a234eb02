// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/language.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpinBox;
class ServiceTable;
class Settings;

// 设置…: how many requests each service gets at once, the least gap between two of them, the proxies they take,
// 提前提醒天数 and 界面语言.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    SettingsDialog(Settings& settings, const ServiceTable& services, QWidget* parent = nullptr);

    // The language to show as chosen; without a call, the one the settings name.
    QHBoxLayout* languageRow();
    void offerLanguage(Language language);
    Language language() const;

    void accept() override;

private:
    struct Row
    {
        QString service;
        QString name; // as the user reads it
        QSpinBox* concurrency;
        QSpinBox* gapMs;
        QLineEdit* proxies;
    };

    Settings& m_settings;
    QList<Row> m_rows;
    QLabel* m_message;
    QSpinBox* m_warnDays;
    QComboBox* m_language;
    Language m_offered;
};
