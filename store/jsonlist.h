// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Lists of names and keys as the database keeps them: one JSON array in a text column.
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

inline QString toJson(const QStringList& list)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact));
}

inline QStringList fromJson(const QString& json)
{
    QStringList list;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array())
        list.append(value.toString());
    return list;
}
