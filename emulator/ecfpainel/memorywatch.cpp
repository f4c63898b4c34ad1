#include "ecfpainel/memorywatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace {

// Rows after `last`, or every row when `last` is gone or changed (the roll was
// wiped and written anew). The first row read is `last` itself, when present.
template <typename Row>
std::vector<Row> rowsAfter(const Row& last, bool* restarted,
                           const std::function<std::vector<Row>(int64_t, int64_t)>& read,
                           int64_t firstLoad) {
    *restarted = false;
    if (last.id == 0)
        return read(0, firstLoad);
    std::vector<Row> rows = read(last.id - 1, 0);
    if (!rows.empty() && fiscemu::sameRow(rows.front(), last)) {
        rows.erase(rows.begin());
        return rows;
    }
    *restarted = true;
    return read(0, firstLoad);
}

bool isLockError(const QString& detail) {
    return detail.contains(QLatin1String("locked")) || detail.contains(QLatin1String("busy"));
}

QString describeOpenFailure(const QString& path, const std::string& error) {
    const QString detail = QString::fromStdString(error);
    if (isLockError(detail))
        return QStringLiteral(
                   "A memória da impressora está ocupada por outro processo "
                   "(bloqueada): %1. Nova tentativa em instantes.")
            .arg(path);
    return QStringLiteral(
               "A memória da impressora está danificada ou não pôde ser aberta: "
               "%1 (%2). Nada foi alterado nela.")
        .arg(path, detail);
}

}  // namespace

MemoryWatch::MemoryWatch(const QString& databasePath, QObject* parent)
    : QObject(parent), path_(QFileInfo(databasePath).absoluteFilePath()) {
    setObjectName(QStringLiteral("memoryWatch"));
    probe_.setObjectName(QStringLiteral("changeProbe"));
    fallback_.setObjectName(QStringLiteral("fallbackTimer"));
    // The files are looked at, not watched: a change notification on the
    // WAL file makes every write of the bench's calls wake this process, and
    // measurably slows those calls down.
    probe_.setInterval(kProbeMs);
    connect(&probe_, &QTimer::timeout, this, &MemoryWatch::probeFiles);
    probe_.start();
    fallback_.setInterval(1000);
    connect(&fallback_, &QTimer::timeout, this, &MemoryWatch::poll);
    fallback_.start();
}

MemoryWatch::~MemoryWatch() = default;

void MemoryWatch::setFallbackInterval(int ms) {
    fallback_.setInterval(ms);
}

// Name, size, inode and modification time of every file of the memory: the
// database, the files SQLite keeps beside it and any trace file beside it.
void MemoryWatch::probeFiles() {
    const QFileInfo info(path_);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray prefix = QFile::encodeName(info.fileName());
    QByteArray seen;
    if (DIR* dir = opendir(folder.constData())) {
        std::vector<std::string> names;
        while (dirent* entry = readdir(dir))
            if (std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) == 0)
                names.emplace_back(entry->d_name);
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            struct stat st {};
            if (::stat((folder + '/' + name.c_str()).constData(), &st) != 0)
                continue;
            seen += QByteArray::fromStdString(name) + ' ' + QByteArray::number(qint64(st.st_size)) +
                    ' ' + QByteArray::number(quint64(st.st_ino)) + ' ' +
                    QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
                    QByteArray::number(qint64(st.st_mtim.tv_nsec)) + '\n';
        }
    }
    if (seen == filesSeen_)
        return;
    filesSeen_ = seen;
    struct stat now {};
    const quint64 inode =
        ::stat(QFile::encodeName(path_).constData(), &now) == 0 ? quint64(now.st_ino) : 0;
    if (device_ && inode != openedInode_)
        device_.reset();
    poll();
}

void MemoryWatch::setProblem(const QString& message) {
    if (message == problem_)
        return;
    problem_ = message;
    emit problemChanged(message);
}

bool MemoryWatch::openDevice(bool create) {
    if (device_)
        return true;
    if (!create && !QFile::exists(path_)) {
        setProblem(QStringLiteral("Aguardando a memória da impressora em %1: ela é criada na "
                                  "primeira chamada do programa.")
                       .arg(path_));
        return false;
    }
    std::string error;
    device_ = fiscemu::Device::open(path_.toStdString(), &error);
    if (!device_) {
        setProblem(describeOpenFailure(path_, error));
        return false;
    }
    device_->store().setBusyTimeout(kReadWaitMs);
    struct stat opened {};
    openedInode_ =
        ::stat(QFile::encodeName(path_).constData(), &opened) == 0 ? quint64(opened.st_ino) : 0;
    lastPaper_ = {};
    lastTrace_ = {};
    emit paperRestarted();
    emit traceRestarted();
    return true;
}

void MemoryWatch::poll() {
    if (polling_)
        return;
    polling_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{polling_};

    if (!openDevice(false))
        return;
    if (!device_->refresh()) {
        const QString detail = QString::fromStdString(device_->lastError());
        if (isLockError(detail)) {
            setProblem(QStringLiteral("A memória da impressora está ocupada por outro processo "
                                      "(bloqueada): %1. Nova tentativa em instantes.")
                           .arg(path_));
        } else {
            // Read it anew next time: the file may have been replaced.
            setProblem(QStringLiteral("A memória da impressora não pôde ser lida: %1 (%2).")
                           .arg(path_, detail));
            device_.reset();
        }
        return;
    }
    fiscemu::Store& store = device_->store();
    bool paperAnew = false, traceAnew = false;
    std::vector<fiscemu::PaperRow> paper = rowsAfter<fiscemu::PaperRow>(
        lastPaper_, &paperAnew,
        [&store](int64_t after, int64_t n) { return store.paper(after, n); }, 0);
    std::vector<fiscemu::TraceRow> trace = rowsAfter<fiscemu::TraceRow>(
        lastTrace_, &traceAnew,
        [&store](int64_t after, int64_t n) { return store.trace(after, n); }, 5000);
    setProblem(QString());
    emit stateRead(*device_);
    if (paperAnew)
        emit paperRestarted();
    if (traceAnew)
        emit traceRestarted();
    if (!paper.empty()) {
        lastPaper_ = paper.back();
        emit paperRows(paper);
    }
    if (!trace.empty()) {
        lastTrace_ = trace.back();
        emit traceRows(trace);
    }
}

bool MemoryWatch::change(const std::function<bool(fiscemu::Device&)>& write, QString* failure) {
    if (!openDevice(true)) {
        if (failure)
            *failure = problem_;
        return false;
    }
    device_->store().setBusyTimeout(kWriteWaitMs);
    const bool ok = write(*device_);
    device_->store().setBusyTimeout(kReadWaitMs);
    if (!ok && failure)
        *failure = describeWriteFailure(device_->lastError());
    poll();
    return ok;
}

bool MemoryWatch::replace(const std::function<bool(const std::string& path)>& write) {
    device_.reset();
    const bool ok = write(path_.toStdString());
    poll();
    return ok;
}

QString MemoryWatch::describeWriteFailure(const std::string& error) {
    const QString detail = QString::fromStdString(error);
    if (isLockError(detail))
        return QStringLiteral(
            "A memória da impressora está ocupada por outro processo "
            "(bloqueada): a mudança não foi feita. Tente de novo em instantes.");
    return QStringLiteral("A memória recusou a gravação: %1").arg(detail);
}
