// SPDX-License-Identifier: GPL-3.0-or-later
// The user's own data files: only regular files, only up to a size, never a wait.
#include "input/userfile.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

UserFile readUserFile(const QString& path, qint64 limit)
{
    UserFile file;
    // Opened without waiting: a FIFO nobody writes would otherwise hold the open (and the program) forever.
    // What was opened is judged, not the name, so a link swapped meanwhile cannot slip a device in.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        file.found = errno != ENOENT;
        if (file.found)
            file.problem = QCoreApplication::translate("Files", "%1 无法读取（%2）").arg(path, systemError(errno));
        return file;
    }
    file.found = true;
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0)
        file.problem = QCoreApplication::translate("Files", "%1 无法读取（%2）").arg(path, systemError(errno));
    else if (!S_ISREG(status.st_mode))
        file.problem = QCoreApplication::translate("Files", "%1 不是普通文件（管道、设备或文件夹），未读取").arg(path);
    else if (status.st_size > limit)
        file.problem
            = QCoreApplication::translate("Files", "%1 大于 %2 MiB，未读取").arg(path).arg(limit / (1024 * 1024));
    if (!file.problem.isEmpty()) {
        ::close(fd);
        return file;
    }
    // One byte past the limit tells a file that grew since fstat from one that is exactly the limit.
    file.bytes.resize(qsizetype(status.st_size) + 1);
    qsizetype got = 0;
    while (got < file.bytes.size() && got <= limit) {
        const ssize_t read = ::read(fd, file.bytes.data() + got, size_t(file.bytes.size() - got));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0) {
            file.problem = QCoreApplication::translate("Files", "%1 无法读取（%2）").arg(path, systemError(errno));
            break;
        }
        if (read == 0)
            break;
        got += read;
        if (got == file.bytes.size() && got <= limit)
            file.bytes.resize(qMin(file.bytes.size() * 2, limit + 1));
    }
    ::close(fd);
    if (file.problem.isEmpty() && got > limit)
        file.problem
            = QCoreApplication::translate("Files", "%1 大于 %2 MiB，未读取").arg(path).arg(limit / (1024 * 1024));
    file.bytes.resize(file.problem.isEmpty() ? got : 0);
    return file;
}
