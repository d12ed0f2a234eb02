// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The list of domains, read as it comes: a file straight from disk, standard input as its bytes arrive (a
// pipe's writer may still be at work while the first rows are looked up). Reading pauses while enough rows
// wait to be written out, so memory holds the rows in flight, not the list.
#include "input/domains.h"

#include <QObject>
#include <functional>
#include <optional>

class QSocketNotifier;

class ListInput : public QObject
{
public:
    // Each piece read, and whether the list has ended with it.
    std::function<void(const DomainFile& part, bool end)> onNames;

    // `path`, or "-" for standard input; false with the reason in words for the user.
    bool open(const QString& path, QString* error);
    // A list already in memory (a watch list's), given whole at the first want().
    void openNames(const QStringList& names);
    // Reads on while `wanted` says so; from a pipe, as its bytes come.
    void want(bool wanted);
    bool atEnd() const { return m_end; }
    // A file on disk (not a pipe, not a watch list's names) can be read once more, from its start.
    bool isFile() const { return m_fd >= 0 && !m_notifier; }
    // Reads such a file from its start to its end apart from the run's reading, a piece at a time, while `each`
    // says go on; false once it says stop.
    bool scan(const std::function<bool(const DomainFile& part, bool end)>& each) const;

private:
    void readSome();

    int m_fd = -1;
    bool m_wanted = false;
    bool m_reading = false;
    bool m_end = false;
    QSocketNotifier* m_notifier = nullptr;
    DomainReader m_reader;
    std::optional<bool> m_utf8; // a file's encoding, judged over the whole of it
    std::optional<QStringList> m_names;
};
