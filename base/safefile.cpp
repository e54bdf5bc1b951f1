// SPDX-License-Identifier: GPL-3.0-or-later
#include "safefile.h"

#include "apperror.h"
#include "textfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QTemporaryFile>
#include <filesystem>
#endif

namespace SafeFile {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

AppError cannotWrite(const QString &path, qint64 size)
{
    return AppError(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                        .arg(shown(path), TextFiles::whyNotWritable(path, size)));
}

AppError refusedExisting(const QString &path)
{
    return AppError(
        QStringLiteral("Die Datei %1 besteht bereits; sie wird nicht überschrieben").arg(shown(path)),
        AppError::Kind::Refused);
}

#ifdef Q_OS_UNIX

// O_NOFOLLOW with O_EXCL: nothing that is there, not even a dangling link,
// is opened; the file is new and ours.
int createExclusive(const QString &path, mode_t mode)
{
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  mode);
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return ::fsync(fd) == 0;
}

#endif

} // namespace

void write(const QString &path, const QByteArray &bytes, Existing existing, Access access)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
#ifdef Q_OS_UNIX
    const mode_t mode = access == Access::Private ? 0600 : 0666;
    if (existing == Existing::Refuse) {
        const int fd = createExclusive(absolute, mode);
        if (fd < 0) {
            if (errno == EEXIST) throw refusedExisting(absolute);
            throw cannotWrite(absolute, bytes.size());
        }
        const bool ok = writeAll(fd, bytes);
        if (::close(fd) != 0 || !ok) {
            ::unlink(QFile::encodeName(absolute).constData());
            throw cannotWrite(absolute, bytes.size());
        }
        return;
    }
    // Written beside the target under a name of its own, then renamed over
    // it: rename() replaces a link at the name, never what it points to.
    const QFileInfo target(absolute);
    QString temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.') +
               QString::number(QRandomGenerator::global()->generate(), 36);
        fd = createExclusive(temp, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw cannotWrite(absolute, bytes.size());
    const QByteArray tempName = QFile::encodeName(temp);
    struct stat old;
    // A file replaced keeps its rights (a private one stays private).
    if (access == Access::Usual && ::lstat(QFile::encodeName(absolute).constData(), &old) == 0 &&
        S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 0777);
    const bool ok = writeAll(fd, bytes);
    if (::close(fd) != 0 || !ok ||
        ::rename(tempName.constData(), QFile::encodeName(absolute).constData()) != 0) {
        ::unlink(tempName.constData());
        throw cannotWrite(absolute, bytes.size());
    }
#else
    Q_UNUSED(access);
    if (existing == Existing::Refuse) {
        QFile f(absolute);
        if (!f.open(QIODevice::NewOnly)) {
            if (QFileInfo::exists(absolute) || QFileInfo(absolute).isSymLink())
                throw refusedExisting(absolute);
            throw cannotWrite(absolute, bytes.size());
        }
        if (f.write(bytes) != bytes.size() || !f.flush()) {
            f.remove();
            throw cannotWrite(absolute, bytes.size());
        }
        return;
    }
    QTemporaryFile temp(QFileInfo(absolute).absolutePath() + QStringLiteral("/.") +
                        QFileInfo(absolute).fileName() + QStringLiteral(".XXXXXX"));
    if (!temp.open() || temp.write(bytes) != bytes.size() || !temp.flush())
        throw cannotWrite(absolute, bytes.size());
    temp.close();
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temp.fileName().toStdWString()),
                            std::filesystem::path(absolute.toStdWString()), error);
    if (error) throw cannotWrite(absolute, bytes.size());
    temp.setAutoRemove(false);
#endif
}

void createNew(const QString &path, Access access)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
#ifdef Q_OS_UNIX
    const int fd = createExclusive(absolute, access == Access::Private ? 0600 : 0666);
    if (fd < 0) {
        if (errno == EEXIST) throw refusedExisting(absolute);
        throw cannotWrite(absolute, 0);
    }
    ::close(fd);
#else
    Q_UNUSED(access);
    QFile f(absolute);
    if (!f.open(QIODevice::NewOnly)) {
        if (QFileInfo::exists(absolute) || QFileInfo(absolute).isSymLink()) throw refusedExisting(absolute);
        throw cannotWrite(absolute, 0);
    }
#endif
}

bool makeFolder(const QString &path, Access access)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(absolute).isDir()) return true;
#ifdef Q_OS_UNIX
    // From the top down, so that every folder made is made with its rights
    // from the start.
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString at;
    for (const QString &part : parts) {
        at += QLatin1Char('/') + part;
        if (QFileInfo(at).isDir()) continue;
        if (::mkdir(QFile::encodeName(at).constData(), access == Access::Private ? 0700 : 0777) != 0 &&
            errno != EEXIST)
            return false;
    }
    return QFileInfo(absolute).isDir();
#else
    Q_UNUSED(access);
    return QDir().mkpath(absolute);
#endif
}

bool isOpenToOthers(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & 077) != 0;
#else
    Q_UNUSED(path);
    return false;
#endif
}

bool makePrivate(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    const QByteArray name = QFile::encodeName(path);
    return ::stat(name.constData(), &st) == 0 && ::chmod(name.constData(), st.st_mode & 0700) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

QString modeText(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return QString();
    return QStringLiteral("0%1").arg(st.st_mode & 0777, 3, 8, QLatin1Char('0'));
#else
    Q_UNUSED(path);
    return QString();
#endif
}

} // namespace SafeFile
