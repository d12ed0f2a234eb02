#pragma once

#include "store/store.h"

#include <QDialog>

class LookupTable;

// 查看历史…: every saved answer for one domain, oldest first.
class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    HistoryDialog(const QString& domain, const QList<ResultStore::Answer>& answers, const LookupTable& table,
        QWidget* parent = nullptr);
};
