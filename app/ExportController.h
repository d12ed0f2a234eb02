// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowParts.h"

#include <QList>
#include <QObject>

class BatchController;

// The grid written out: all of it to the clipboard (导  出), the columns shown as CSV or a workbook, or the
// selected rows to the clipboard.
class ExportController : public QObject
{
    Q_OBJECT
public:
    ExportController(const WindowParts& parts, const BatchController& batch, QObject* parent = nullptr);

    void copyAll();
    void exportCsv();
    void exportXlsx();
    void copySelectedRows();

private:
    QList<int> shownColumns() const;
    void sayCannotSave(const QString& path, const QString& error, const QString& title);
    void sayExported();

    WindowParts m_parts;
    const BatchController& m_batch;
};
