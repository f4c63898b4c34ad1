// The fiscal memory's reading (ecfLeitMemFisc): its text, and its file
// written beside the memory without ever touching the memory's own files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/clock.h"
#include "core/codes.h"
#include "core/device.h"
#include "core/pathcheck.h"
#include "core/printer_checks.h"

namespace fiscemu {

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

std::string baseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// Whether writing a reading under `name` (in the working directory) would
// touch the memory: the name is, or links to, one of the memory's files (same
// device and inode, so hard and symbolic links count), or is the name one of
// them would have in the memory's own folder even before it exists.
bool wouldTouchMemory(const std::vector<std::string>& memoryFiles, const std::string& name) {
    struct stat target {};
    bool exists = stat(name.c_str(), &target) == 0;
    struct stat linkSelf {};
    bool isLink = lstat(name.c_str(), &linkSelf) == 0;
    for (const std::string& f : memoryFiles) {
        struct stat m {};
        if (stat(f.c_str(), &m) != 0)
            continue;
        if (exists && m.st_dev == target.st_dev && m.st_ino == target.st_ino)
            return true;
        if (isLink && m.st_dev == linkSelf.st_dev && m.st_ino == linkSelf.st_ino)
            return true;
    }
    if (memoryFiles.empty())
        return false;
    struct stat here {
    }, folder{};
    if (stat(".", &here) != 0 || stat(folderOf(memoryFiles.front()).c_str(), &folder) != 0)
        return false;
    if (here.st_dev != folder.st_dev || here.st_ino != folder.st_ino)
        return false;
    for (const std::string& f : memoryFiles)
        if (baseName(f) == name)
            return true;
    return false;
}

int readFiscalMemory(CallContext& ctx, int32_t mode, const Text& from, const Text& to,
                     int32_t firstZ, int32_t lastZ, const Text& fileName) {
    auto refuse = [&ctx](int code, std::string reason) {
        ctx.reason = std::move(reason);
        return code;
    };
    const std::string name = fileName ? "arquivo " + printer_checks::quoted(fileName) : "";
    if (!fileName || fileName->empty() || fileName->size() > 64 || *fileName == "." ||
        *fileName == "..")
        return refuse(kBadFileName, fileName ? name + ": esperado um nome de 1 a 64 bytes"
                                             : "arquivo NULL: esperado um nome");
    for (char c : *fileName) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7F)
            return refuse(kBadFileName,
                          name + ": só o nome, sem pasta, sem / \\ : nem bytes de controle");
    }
    if (wouldTouchMemory(ctx.store.companionPaths(), *fileName))
        return refuse(kBadFileName, name + ": é um dos arquivos da memória da impressora");
    if (mode != 1 && mode != 2)
        return refuse(kOutOfRange, "modo " + std::to_string(mode) +
                                       ": esperado 1 (por data) ou 2 (por redução)");
    for (const Text* date : {&from, &to})
        if (!*date || (*date)->size() != 6 || !parseDate(**date))
            return refuse(kBadDate, std::string(date == &from ? "data inicial " : "data final ") +
                                        printer_checks::quoted(*date) +
                                        ": esperada uma data DDMMAA");
    int ymdFrom = parseDate(*from), ymdTo = parseDate(*to);
    if (firstZ < 1 || lastZ < 1 || firstZ > 9999 || lastZ > 9999 || firstZ > lastZ)
        return refuse(kOutOfRange, "reduções " + std::to_string(firstZ) + " a " +
                                       std::to_string(lastZ) +
                                       ": esperado de 1 a 9999, a primeira até a última");
    if (mode == 1 && ymdFrom > ymdTo)
        return refuse(kBadDate, "data inicial " + *from + " depois da final " + *to);
    if (ctx.settings.intervention)
        return refuse(kIntervention, "impressora em intervenção técnica (estado 099)");
    if (ctx.state.doc.kind != kDocNone)
        return refuse(kWrongState,
                      "a leitura da memória fiscal pede que nenhum documento esteja "
                      "aberto");

    std::vector<FiscalRecord> all = ctx.store.fiscalMemory();
    std::vector<const FiscalRecord*> chosen;
    for (const FiscalRecord& r : all) {
        bool in =
            mode == 1 ? (r.ymd >= ymdFrom && r.ymd <= ymdTo) : (r.z >= firstZ && r.z <= lastZ);
        if (in)
            chosen.push_back(&r);
    }
    const User& u = ctx.state.user();
    std::string text;
    auto line = [&](const std::string& l) { text += l + "\r\n"; };
    line("LEITURA DA MEMORIA FISCAL");
    line(u.line1);
    line("CGC " + u.cgc + "  IE " + u.ie);
    line(std::string("ECF-IF ") + modelName(ctx.settings.model) + "  EMITIDA EM " +
         isoTime(ctx.now));
    if (mode == 1)
        line("PERIODO " + formatYmdShort(ymdFrom) + " A " + formatYmdShort(ymdTo));
    else
        line("REDUCOES " + zeroPad(firstZ, 4) + " A " + zeroPad(lastZ, 4));
    line(std::string(48, '-'));
    Cents gross = 0, net = 0;
    for (const FiscalRecord* r : chosen) {
        line("Z " + zeroPad(r->z, 4) + "  DATA " + formatYmdShort(static_cast<int>(r->ymd)) +
             "  COO " + zeroPad(r->coo, 6) + "  CRO " + zeroPad(r->cro, 4));
        line("  GRANDE TOTAL   " + padLeft(formatAmount(r->gt), 24));
        line("  VENDA BRUTA    " + padLeft(formatAmount(r->gross), 24));
        line("  CANCELAMENTOS  " + padLeft(formatAmount(r->cancellations), 24));
        line("  DESCONTOS      " + padLeft(formatAmount(r->discounts), 24));
        line("  ACRESCIMOS     " + padLeft(formatAmount(r->surcharges), 24));
        line("  VENDA LIQUIDA  " + padLeft(formatAmount(r->net), 24));
        for (const auto& [t, v] : decodeShares(r->details))
            line("  " + padRight(totaliserName(t), 14) + " " + padLeft(formatAmount(v), 24));
        gross += r->gross;
        net += r->net;
    }
    line(std::string(48, '-'));
    line("REDUCOES NO PERIODO: " + std::to_string(chosen.size()));
    line("VENDA BRUTA DO PERIODO:   " + padLeft(formatAmount(gross), 20));
    line("VENDA LIQUIDA DO PERIODO: " + padLeft(formatAmount(net), 20));

    // Written under a fresh name of its own (never an existing file), then
    // renamed over the reading's name, which may only be a regular file or
    // nothing: a directory, a FIFO, a device node or a symbolic link of that
    // name is the user's and is left as it is (9).
    if (!regularOrMissing(*fileName))
        return refuse(kFileError, name + ": já existe e não é um arquivo comum; fica como está");
    std::string tmp = *fileName + ".XXXXXX";
    int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return refuse(error == ENOSPC || error == EFBIG ? kDiskFull : kFileError,
                      name + ": não pôde ser criado (" + std::strerror(error) + ")");
    }
    fchmod(fd, 0644);
    size_t done = 0;
    int writeErrno = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writeErrno = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && !writeErrno)
        writeErrno = errno;
    if (writeErrno) {
        unlink(tmp.c_str());
        return refuse(writeErrno == ENOSPC || writeErrno == EFBIG ? kDiskFull : kFileError,
                      name + ": falha ao gravar (" + std::strerror(writeErrno) + ")");
    }
    if (std::rename(tmp.c_str(), fileName->c_str()) != 0) {
        const int error = errno;
        unlink(tmp.c_str());
        return refuse(kFileError,
                      name + ": não pôde tomar o lugar do anterior (" + std::strerror(error) + ")");
    }
    return kOk;
}

}  // namespace fiscemu
