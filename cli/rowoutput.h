// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rows of a run on their way out: where they go, and which may go. A row goes out in the list's order
// once every cell of it is written and saved: what the user has seen, a kill cannot lose and a resume will
// not ask again.
#include "export/outputfile.h"
#include "export/workbook.h"

#include <QDeadlineTimer>
#include <functional>
#include <optional>

struct Options;
class ResultStore;
class Results;

// Where the rows go: standard output, a device or a FIFO as they come, or a file that takes its name only
// when complete.
class OutputTarget
{
public:
    explicit OutputTarget(const QString& path);

    // Before the first request: empty, or why the rows cannot go there. With `workbookColumns`, a workbook
    // of those columns.
    QString open(const LookupTable& table, const QList<int>& workbookColumns);
    void neverReplace(const QStringList& paths, const QString& what) { m_file.neverReplace(paths, what); }
    // False once the rows can no longer be written: the reader went away, or the file failed (a full disk).
    bool write(const QByteArray& bytes) { return m_file.write(bytes); }
    bool addRow(const Results& results, int row) { return m_workbook->addRow(results, row); }
    QString finish() { return m_workbook ? m_workbook->finish() : m_file.commit(); }
    bool pipeClosed() const { return m_file.readerGone(); }

private:
    QString m_path;
    OutputFile m_file;
    std::optional<Workbook> m_workbook;
};

class RowOutput
{
public:
    RowOutput(const Options& options, OutputTarget& target, const Results& results, const ResultStore& store);

    // Told once, when the rows can no longer be written: the reader went away (readerGone()), or the target
    // failed (a full disk).
    std::function<void()> onFailed;

    // Writes out the rows complete and saved from the next on, until `deadline`; `unsaved`: without waiting
    // for saving (the run was ended by a signal and will not wait for it).
    void write(bool unsaved, QDeadlineTimer deadline = QDeadlineTimer::Forever);
    // Completes the target after the last row; a failure is said on standard error.
    void finish();

    // Rows whose domain or certificate expires within `days` (or has expired) are counted, and with
    // --expiring they alone go out.
    void setExpiringDays(int days) { m_expiringDays = days; }
    int expiringRows() const { return m_expiringRows; }

    int next() const { return m_next; } // the first row not yet written out
    bool hasFailed() const { return m_failed; } // rows could not all be written, or the target not completed
    bool anyProblem() const { return m_anyProblem; } // a row written out had a failed cell
    bool readerGone() const { return m_target.pipeClosed(); }

private:
    bool isComplete(int row) const;
    QByteArray rowBytes(int row) const;
    QByteArray changeBytes(int row) const;
    bool isExpiring(int row) const;
    void send();
    void fail();

    const Options& m_options;
    OutputTarget& m_target;
    const Results& m_results;
    const ResultStore& m_store;
    const QList<int> m_csvColumns; // a CSV row's: its position and domain, then the lookups'
    QByteArray m_pending;
    int m_next = 0;
    int m_ready = 0; // rows before this were complete when m_rowMark was taken
    qint64 m_rowMark = -1;
    bool m_failed = false;
    bool m_anyProblem = false;
    int m_expiringDays = -1;
    int m_expiringRows = 0;
    QList<int> m_expiryColumns; // the run's 到期日 and 证书到期
};
