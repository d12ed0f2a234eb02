// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/listinput.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

bool ListInput::open(const QString& path, QString* error)
{
    m_fd = path == u"-"_s ? STDIN_FILENO : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat status
    {
    };
    if (m_fd < 0 || fstat(m_fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        *error = m_fd < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                          : QCoreApplication::translate("CommandLine", "是一个文件夹");
        return false;
    }
    if (S_ISREG(status.st_mode)) {
        // A file is at hand whole: its encoding is judged over all of it, as the window's import judges it.
        QFile file;
        if (file.open(m_fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            m_utf8 = isUtf8List(file);
        m_reader = DomainReader(m_utf8);
        lseek(m_fd, 0, SEEK_SET);
    } else {
        fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        m_notifier->setEnabled(false);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readSome(); });
    }
    return true;
}

void ListInput::openNames(const QStringList& names)
{
    m_names = names;
}

void ListInput::want(bool wanted)
{
    if (m_end)
        return;
    if (m_names && wanted) {
        m_end = true;
        onNames(DomainFile {*std::exchange(m_names, std::nullopt), {}, {}}, true);
        return;
    }
    if (m_notifier) {
        m_notifier->setEnabled(wanted);
        return;
    }
    m_wanted = wanted;
    if (std::exchange(m_reading, true))
        return; // called back from a read: the loop below sees the wish
    while (m_wanted && !m_end)
        readSome();
    m_reading = false;
}

bool ListInput::scan(const std::function<bool(const DomainFile&, bool)>& each) const
{
    DomainReader reader(m_utf8);
    char buffer[64 * 1024];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(m_fd, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        const bool end = got <= 0;
        at += end ? 0 : got;
        if (!each(reader.read(QByteArrayView(buffer, end ? 0 : got), end), end))
            return false;
        if (end)
            return true;
    }
}

void ListInput::readSome()
{
    char buffer[64 * 1024];
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    m_end = got <= 0;
    if (m_end && m_notifier)
        m_notifier->setEnabled(false);
    onNames(m_reader.read(QByteArrayView(buffer, got > 0 ? got : 0), m_end), m_end);
}
