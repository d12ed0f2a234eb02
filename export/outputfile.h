// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where an export or the command line's results are written: a file replaced only once complete, a device or a FIFO
// written through.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cerrno>

// Where an export or the command line's results go, without ever replacing what is not a regular file.
// A regular file, or a new one, is written beside itself and renamed into place once complete, so a failed
// run leaves the old file as it was; a file the rename could not replace (another user's in a folder with the
// sticky bit, like /tmp) is written in place instead. A character device (/dev/null, a terminal) or a FIFO is
// written straight through; a FIFO only once a program reads it. A symbolic link is followed, and what it
// names is written by the same rules while the link stays. Anything else (a folder, a block device, a socket)
// is refused before any work is done, and so is an SQLite database, or a file set aside with neverReplace().
// An empty path is standard output, written straight through.
class OutputFile
{
public:
    explicit OutputFile(const QString& path);
    ~OutputFile(); // never committed: the file beside the target is thrown away, the target left as it was
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Empty when the target can be written, else why not, in words for the user. A FIFO nobody reads is
    // refused (wantsReader() then says so), unless `waitForReader`: then this blocks until a reader comes.
    QString open(bool waitForReader = false);
    bool wantsReader() const { return m_wantsReader; }
    // Before open(): files refused however the path names them (a link, another spelling, a hard link),
    // `what` saying what they are.
    void neverReplace(const QStringList& paths, const QString& what);
    // The regular file is written in place, its old content gone from the start: no rename could replace it.
    bool inPlace() const { return m_inPlace; }

    // False once the bytes could not all be written; readerGone() then tells a pipe whose reader left.
    bool write(QByteArrayView bytes);
    bool readerGone() const { return m_failure == EPIPE; }
    // What was written is in place: the file renamed over the target, the device or FIFO closed. Empty, or
    // why not; a complete file that could not be renamed is kept, and the reason names it.
    QString commit();

    // For writers that build a file of their own (a workbook needs one to seek in): the folder to build it
    // in (the target's own for a regular file: /tmp may be memory), and commit(made), which puts that file's
    // bytes in place as commit() would and removes it.
    QString scratchFolder() const;
    QString commit(const QString& made);

private:
    QString refuse(const QString& reason) const;
    QString failure() const;
    QString kept(const QString& path) const;
    QString openInPlace(const QByteArray& target);
    QString openDevice(const QByteArray& target, bool fifo, bool waitForReader);
    QString openBeside(const QByteArray& target, const QString& folder, const struct stat* replaced);

    QString m_path;
    QString m_resolved; // the file a symbolic link names, or the path itself
    QByteArray m_part; // the file beside a regular target, until it is renamed over it
    int m_fd = -1;
    bool m_direct = false;
    bool m_wantsReader = false;
    bool m_inPlace = false;
    QStringList m_kept;
    QString m_keptAs;
    int m_failure = 0; // errno of the first write that failed
};
