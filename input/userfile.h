// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Files the user keeps beside the settings (their own WHOIS registries, their own lookups), read whole.
#include <QByteArray>
#include <QString>

// A file the user writes by hand is read whole into memory: past this it is no longer a hand-written list.
constexpr qint64 kUserFileLimit = 4 * 1024 * 1024;

struct UserFile
{
    bool found = false; // false for a missing file: nothing to read, nothing wrong
    QByteArray bytes;
    QString problem; // why it was not read, naming the file; empty when it was
};

// The file's bytes if it is a regular file (a symbolic link is followed and its target judged) of at most
// `limit` bytes. A FIFO, a device, a folder or a larger file is refused with its reason, never waited on nor
// read past the limit: a config folder is the user's, but what sits there may be a mistake or a prank.
UserFile readUserFile(const QString& path, qint64 limit = kUserFileLimit);
