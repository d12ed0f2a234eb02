// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLineEdit;
class QSpinBox;
class QLabel;

// 保存为监控列表…: the name a list of names and ticked lookups is kept under, and how often it runs again.
class WatchListDialog : public QDialog
{
    Q_OBJECT
public:
    // `taken`: names of lists there are already; saving under one replaces it, once the user agrees.
    WatchListDialog(int names, int lookups, const QStringList& taken, QWidget* parent = nullptr);
    QString name() const;
    int intervalHours() const;
    void accept() override;

private:
    QLineEdit* m_name;
    QSpinBox* m_hours;
    QLabel* m_message;
    QStringList m_taken;
    bool m_replaceAgreed = false;
};
