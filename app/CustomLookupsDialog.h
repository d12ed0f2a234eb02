// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "queries/lookups/custom.h"

#include <QDialog>
#include <QPointer>
#include <vector>

class PageFetch;
class QComboBox;
class QLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

// 设置 → 自定义查询…: the user's own lookups, added, edited, tried on one name and removed. Saved only
// when every definition is sound; a bad one is named with its reason and nothing is written.
class CustomLookupsDialog : public QDialog
{
    Q_OBJECT
public:
    CustomLookupsDialog(const std::vector<CustomLookup>& lookups, const QString& path, QWidget* parent = nullptr);

    void accept() override;
    const std::vector<CustomLookup>& lookups() const { return m_lookups; }

private:
    void setUpFields();
    QLayout* listPane();
    QLayout* formPane();
    void showLookup(int index); // the fields of one definition, or none
    void keep(); // the fields into the definition being edited
    void add();
    void remove();
    void tryOne();
    void refreshList();

    std::vector<CustomLookup> m_lookups;
    QString m_path;
    int m_current = -1;
    QListWidget* m_list;
    QLineEdit* m_key;
    QLineEdit* m_header;
    QLineEdit* m_url;
    QPlainTextEdit* m_headers;
    QLineEdit* m_charset;
    QComboBox* m_extraction;
    QLineEdit* m_pattern;
    QLineEdit* m_closing;
    QLineEdit* m_service;
    QLineEdit* m_tryDomain;
    QLabel* m_tryCell;
    QPlainTextEdit* m_tryPage;
    QLabel* m_message;
    QPointer<PageFetch> m_trying;
};
