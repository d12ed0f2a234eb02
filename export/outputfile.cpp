// SPDX-License-Identifier: GPL-3.0-or-later
// Writing an export where it goes, never replacing what is not a regular file.
#include "export/outputfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kCapFowner = 3; // <linux/capability.h>

QString reasonOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("Export", "没有写入权限");
    case ENOENT:
        return QCoreApplication::translate("Export", "不存在");
    case EROFS:
        return QCoreApplication::translate("Export", "文件系统只读");
    case ENOSPC:
        return QCoreApplication::translate("Export", "磁盘已满");
    case EDQUOT:
        return QCoreApplication::translate("Export", "超出磁盘配额");
    case EPIPE:
        return QCoreApplication::translate("Export", "读取方已关闭管道");
    case EIO:
        return QCoreApplication::translate("Export", "输入输出错误");
    default:
        return QCoreApplication::translate("Export", "系统错误（%1）")
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

// The errno of a failed write, or 0 once every byte is out.
int writeAll(int fd, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        done += written;
    }
    return 0;
}

// The same file, whether named by another spelling, through a linked folder or by a hard link.
bool isSameFile(const QString& a, const QString& b)
{
    const auto place = [](const QString& path) -> QString {
        const QFileInfo file(path);
        const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
        return (folder.isEmpty() ? QDir::cleanPath(file.absolutePath()) : folder) + u'/' + file.fileName();
    };
    struct stat one = {};
    struct stat other = {};
    if (::stat(QFile::encodeName(a).constData(), &one) == 0 && ::stat(QFile::encodeName(b).constData(), &other) == 0)
        return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
    return place(a) == place(b);
}

bool isSqlite(const QByteArray& path)
{
    static constexpr char kHeader[] = "SQLite format 3"; // and its NUL: the file's first 16 bytes
    char head[sizeof kHeader] = {};
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    const bool sqlite = fd >= 0 && ::read(fd, head, sizeof head) == ssize_t(sizeof head)
        && std::memcmp(head, kHeader, sizeof head) == 0;
    if (fd >= 0)
        ::close(fd);
    return sqlite;
}

bool mayOverrideOwners()
{
    // CAP_FOWNER in the effective set, as /proc/self/status shows it in hex.
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("CapEff:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> kCapFowner) & 1;
    }
    return false;
}

// In a sticky folder only the file's owner, the folder's owner or a process that may act as any owner may
// rename over a file: anyone else may write it, and would only learn at the end that it cannot be replaced.
bool renameRefused(const struct stat& folder, const struct stat& file)
{
    const uid_t me = ::geteuid();
    return (folder.st_mode & S_ISVTX) && file.st_uid != me && folder.st_uid != me && !mayOverrideOwners();
}

} // namespace

OutputFile::OutputFile(const QString& path)
    : m_path(path)
{
    if (path.isEmpty()) {
        m_fd = STDOUT_FILENO;
        m_direct = true;
    }
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0 && m_fd != STDOUT_FILENO)
        ::close(m_fd);
    if (!m_part.isEmpty())
        ::unlink(m_part.constData());
}

QString OutputFile::refuse(const QString& reason) const
{
    return m_resolved == QFileInfo(m_path).absoluteFilePath()
        ? reason
        : QCoreApplication::translate("Export", "%1（链接指向 %2）").arg(reason, m_resolved);
}

QString OutputFile::failure() const
{
    return refuse(m_failure ? reasonOf(m_failure) : QCoreApplication::translate("Export", "写入失败"));
}

void OutputFile::neverReplace(const QStringList& paths, const QString& what)
{
    m_kept = paths;
    m_keptAs = what;
}

QString OutputFile::kept(const QString& path) const
{
    return refuse(QCoreApplication::translate("Export", "%1（%2），不会写入它").arg(m_keptAs, path));
}

// Truncated now, before the first request, so what the file held is not mistaken for this run's rows.
QString OutputFile::openInPlace(const QByteArray& target)
{
    do
        m_fd = ::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return refuse(reasonOf(errno));
    m_direct = m_inPlace = true;
    return {};
}

// A device or a FIFO is written straight through; a FIFO's open waits for a reader, so without one, say so
// rather than hang unannounced.
QString OutputFile::openDevice(const QByteArray& target, bool fifo, bool waitForReader)
{
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | (fifo && !waitForReader ? O_NONBLOCK : 0);
    int fd = -1;
    do
        fd = ::open(target.constData(), flags);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_wantsReader = fifo && errno == ENXIO;
        return refuse(
            m_wantsReader ? QCoreApplication::translate("Export", "没有程序在读取这个管道") : reasonOf(errno));
    }
    if (flags & O_NONBLOCK)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_direct = true;
    return {};
}

// A new file gets the user's usual permissions (0666 less the umask), a replaced one keeps its own.
QString OutputFile::openBeside(const QByteArray& target, const QString& folder, const struct stat* replaced)
{
    do {
        m_part = target + ".part-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        m_fd = ::open(m_part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (m_fd < 0 && errno == EEXIST);
    if (m_fd < 0) {
        const int error = errno;
        m_part.clear();
        return refuse(
            QCoreApplication::translate("Export", "无法在 %1 建立临时文件（%2）").arg(folder, reasonOf(error)));
    }
    if (replaced)
        ::fchmod(m_fd, replaced->st_mode & 07777);
    return {};
}

QString OutputFile::open(bool waitForReader)
{
    m_wantsReader = false;
    if (m_path.isEmpty())
        return {};
    // Followed here rather than by the rename: renaming over a link would replace the link.
    m_resolved = QFileInfo(m_path).absoluteFilePath();
    for (int hops = 0; QFileInfo(m_resolved).isSymLink(); ++hops) {
        if (hops == 40)
            return QCoreApplication::translate("Export", "符号链接层数过多");
        m_resolved = QFileInfo(m_resolved).symLinkTarget();
    }
    for (const QString& path : m_kept) {
        if (isSameFile(m_resolved, path))
            return kept(path);
    }
    const QByteArray target = QFile::encodeName(m_resolved);
    struct stat status = {};
    const bool exists = ::stat(target.constData(), &status) == 0;
    if (!exists && errno != ENOENT)
        return refuse(reasonOf(errno));
    if (exists && S_ISDIR(status.st_mode))
        return refuse(QCoreApplication::translate("Export", "是一个文件夹"));
    if (exists && (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)))
        return openDevice(target, S_ISFIFO(status.st_mode), waitForReader);
    if (exists && !S_ISREG(status.st_mode))
        return refuse(QCoreApplication::translate("Export", "不是普通文件、字符设备或管道，不会写入它"));
    if (exists && ::access(target.constData(), W_OK) != 0)
        return refuse(reasonOf(errno));
    if (exists && isSqlite(target))
        return refuse(QCoreApplication::translate("Export", "是一个 SQLite 数据库，不会覆盖它"));
    const QString folder = QFileInfo(m_resolved).absolutePath();
    struct stat folderStatus = {};
    if (::stat(QFile::encodeName(folder).constData(), &folderStatus) != 0 || !S_ISDIR(folderStatus.st_mode))
        return refuse(QCoreApplication::translate("Export", "文件夹 %1 不存在").arg(folder));
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        return refuse(QCoreApplication::translate("Export", "文件夹 %1 不可写（%2）").arg(folder, reasonOf(errno)));
    if (exists && renameRefused(folderStatus, status))
        return openInPlace(target);
    return openBeside(target, folder, exists ? &status : nullptr);
}

bool OutputFile::write(QByteArrayView bytes)
{
    if (m_failure || m_fd < 0)
        return false;
    m_failure = writeAll(m_fd, bytes);
    return m_failure == 0;
}

QString OutputFile::commit()
{
    if (m_fd < 0 || m_fd == STDOUT_FILENO)
        return m_failure ? failure() : QString();
    const int fd = std::exchange(m_fd, -1);
    // On disk before it takes the target's name: a crash then leaves the old file or the new, never half.
    if (!m_failure && !m_direct && ::fsync(fd) != 0)
        m_failure = errno;
    if (::close(fd) != 0 && !m_failure && errno != EINTR)
        m_failure = errno;
    if (m_direct)
        return m_failure ? failure() : QString();
    if (m_failure) {
        ::unlink(std::exchange(m_part, QByteArray()).constData());
        return failure();
    }
    // The file is whole: it stays where it is, whatever keeps it from taking the target's name.
    if (::rename(m_part.constData(), QFile::encodeName(m_resolved).constData()) != 0) {
        m_failure = errno;
        return refuse(QCoreApplication::translate("Export", "%1，结果保留在 %2")
                          .arg(reasonOf(m_failure), QFile::decodeName(std::exchange(m_part, {}))));
    }
    m_part.clear();
    return {};
}

QString OutputFile::scratchFolder() const
{
    return m_direct && !m_inPlace ? QDir::tempPath() : QFileInfo(m_resolved).absolutePath();
}

QString OutputFile::commit(const QString& made)
{
    QFile file(made);
    if (file.open(QIODevice::ReadOnly)) {
        for (QByteArray chunk = file.read(1 << 20); !chunk.isEmpty() && write(chunk); chunk = file.read(1 << 20)) { }
    }
    if (file.error() != QFileDevice::NoError && !m_failure)
        m_failure = EIO;
    file.remove();
    return commit();
}
