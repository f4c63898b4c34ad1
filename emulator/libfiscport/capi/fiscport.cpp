// The driver's C interface: copies the caller's arguments, traces the call and
// hands it to the emulated printer. Nothing here keeps a caller's pointer.
#define FISCPORT_BUILDING
#include "fiscport.h"

#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/codes.h"
#include "core/device.h"
#include "core/pathcheck.h"
#include "core/replies.h"
#include "core/trace.h"
#include "core/tracelog.h"

using fiscemu::CallContext;
using fiscemu::Device;
using fiscemu::PrinterState;
using fiscemu::Settings;
using fiscemu::Text;
using fiscemu::TraceArgs;

namespace {

// Longest argument text copied; anything longer is refused by every width check.
constexpr size_t kMaxCopy = 1 << 20;

std::mutex gMutex;
std::string gDevicePath;
int gPort = 0;

// Devices abandoned in a child stay reachable from here: they are kept on
// purpose, and a leak check at the child's exit must not take them for lost.
// A fixed array, since a child made without fork's handlers must not
// allocate (another thread may have held the allocator's lock at the clone).
Device* gAbandoned[8];
size_t gAbandonedCount = 0;

// The printer of this process. Across fork() (see forkHandlers below) its
// connections are closed before the fork and opened again, each process its
// own, at the next call. A process made without fork's handlers (clone()
// called directly) inherits live connections: it abandons them, never
// closes them, and its destructors never touch them (they are its parent's).
class DeviceHolder {
public:
    ~DeviceHolder() {
        if (owner_ != getpid())
            abandon();
    }
    Device* get() const { return device_.get(); }
    Device* operator->() const { return device_.get(); }
    explicit operator bool() const { return device_ != nullptr; }
    void reset(std::unique_ptr<Device> device = nullptr) {
        device_ = std::move(device);
        owner_ = getpid();
    }
    // The device's SQLite connections were opened by another process.
    bool inheritedLive() const {
        return device_ && owner_ != getpid() && device_->store().connected();
    }
    void abandon() {
        Device* device = device_.release();
        if (device && gAbandonedCount < std::size(gAbandoned))
            gAbandoned[gAbandonedCount++] = device;
    }
    void adopt() { owner_ = getpid(); }

private:
    std::unique_ptr<Device> device_;
    pid_t owner_ = getpid();
};

DeviceHolder gDevice;
bool gInheritedConnections = false;

// Before fork() no call is in progress (the lock is held) and the library
// holds no SQLite connection, so the child inherits no connection and no
// lock record of SQLite's that its parent still uses: a child that calls
// the library opens a connection of its own, and one that just ends has
// nothing of the library's to wait for. The parent opens its connection
// again at its next call (the checks at open are not run again).
void beforeFork() {
    gMutex.lock();
    if (gDevice)
        gDevice->store().disconnect();
}
void afterForkInParent() {
    gMutex.unlock();
}
void afterForkInChild() {
    gDevice.adopt();
    gMutex.unlock();
}
[[maybe_unused]] const int gForkHandlers =
    pthread_atfork(beforeFork, afterForkInParent, afterForkInChild);

// The memory file the environment names now: ECFSIM_DB, or ecfsim.db in the
// working directory. A change (another directory, another ECFSIM_DB) makes
// the library open that memory at the next call.
std::string currentPath() {
    std::string path = Device::defaultPath();
    if (!path.empty() && path[0] != '/') {
        char buf[4096];
        if (getcwd(buf, sizeof buf))
            path = std::string(buf) + "/" + path;
    }
    return path;
}

// A memory found damaged is not checked again at every call: the answer is
// 41 until its file changes (a person replaced, restored or reset it).
struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1, walSize = -1;
    int64_t mtimeNs = 0, walMtimeNs = 0;
    bool operator==(const FileIdentity& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs &&
               walSize == o.walSize && walMtimeNs == o.walMtimeNs;
    }
};

FileIdentity identityOf(const std::string& path) {
    FileIdentity id;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtimeNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    }
    if (stat((path + "-wal").c_str(), &st) == 0) {
        id.walSize = st.st_size;
        id.walMtimeNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    }
    return id;
}

std::string gDamagedPath;
FileIdentity gDamagedIdentity;

// The device for the memory the environment names now, or null with the
// result code every call answers meanwhile (40 to 43).
Device* device(int* code) {
    std::string path = currentPath();
    if (gDevice.inheritedLive()) {
        // Neither used nor closed: it belongs to the parent. SQLite keeps one
        // record of a process's locks per file, which this process now shares
        // with connections it does not own, so no memory is opened here.
        gDevice.abandon();
        gDevice.reset();
        gDevicePath.clear();
        gInheritedConnections = true;
    }
    if (gInheritedConnections) {
        *code = fiscemu::kStorage;
        return nullptr;
    }
    if (gDevice && path == gDevicePath && !gDevice->broken() && gDevice->store().reconnect())
        return gDevice.get();
    // Damage met in use has the whole file checked, not only what an open
    // checks.
    const bool damagedInUse = gDevice && path == gDevicePath && gDevice->broken();
    gDevice.reset();
    gDevicePath.clear();
    if (!gDamagedPath.empty() && path == gDamagedPath && identityOf(path) == gDamagedIdentity) {
        *code = fiscemu::kDamaged;
        return nullptr;
    }
    gDamagedPath.clear();
    std::string error;
    int c = fiscemu::kStorage;
    FileIdentity before = identityOf(path);
    gDevice.reset(Device::open(path, &error, &c, damagedInUse));
    if (!gDevice) {
        if (c == fiscemu::kDamaged) {
            gDamagedPath = path;
            gDamagedIdentity = before;
        }
        *code = c;
        return nullptr;
    }
    gDevicePath = path;
    gDevice->selectPort(gPort);
    return gDevice.get();
}

Text copy(const char* p) {
    if (!p)
        return std::nullopt;
    return std::string(p, strnlen(p, kMaxCopy));
}

// Why a call had no memory to answer from.
std::string unansweredReason(int code) {
    switch (code) {
        case fiscemu::kDamaged:
            return "memória da impressora danificada ou não reconhecida: nenhuma chamada a usa "
                   "até que seja restaurada (ecfsim verify, ecfsim reset)";
        case fiscemu::kBusy:
            return "outro processo reteve a memória por tempo demais ao abri-la";
        case fiscemu::kDiskFull:
            return "disco cheio ao criar a memória da impressora";
        default:
            return gInheritedConnections
                       ? "processo filho com as conexões do pai: a memória não é aberta aqui"
                       : "a memória da impressora não pôde ser aberta em " + currentPath();
    }
}

// A call answered without a memory is still traced, beside the file it
// could not use (when that folder can be written), but only where a memory
// is or could be: beside a regular file, or where none exists yet. A path
// that is a directory, a FIFO, a device node or a link to one, a link to
// nothing or a loop of links gets no trace file beside it.
void traceUnanswered(const char* fn, const TraceArgs& args, const std::string& result, int code) {
    std::string path = currentPath();
    fiscemu::PathKind kind = fiscemu::inspectPath(path).kind;
    if (!fiscemu::leadsToRegular(kind) && kind != fiscemu::PathKind::Missing)
        return;
    fiscemu::TraceLog(path).appendNow(fn, args.str(), result, unansweredReason(code));
}

int32_t run(const char* fn, const TraceArgs& args, const std::function<int(CallContext&)>& op) {
    std::lock_guard<std::mutex> lock(gMutex);
    int code = fiscemu::kStorage;
    Device* d = device(&code);
    if (!d) {
        traceUnanswered(fn, args, std::to_string(code), code);
        return code;
    }
    return d->command(fn, args.str(), op);
}

// A reply that may fail on its own, saying why.
using fiscemu::ReplyBuilder;

// Adapts a reply that cannot fail on its own.
ReplyBuilder always(std::string (*build)(const PrinterState&, const Settings&, int64_t)) {
    return [build](const PrinterState& st, const Settings& set, int64_t now, std::string&) {
        return build(st, set, now);
    };
}

const char* runReply(std::string& buffer, const char* fn, const TraceArgs& args,
                     const ReplyBuilder& build) {
    std::lock_guard<std::mutex> lock(gMutex);
    int code = fiscemu::kStorage;
    Device* d = device(&code);
    if (d) {
        buffer = d->reply(fn, args.str(), build);
    } else {
        buffer = fiscemu::failureReply(code);
        traceUnanswered(fn, args, fiscemu::quoteBytes(buffer, 1024), code);
    }
    return buffer.c_str();
}

}  // namespace

extern "C" {

int32_t FISCPORT_CALL ChangePort(int32_t port) {
    std::lock_guard<std::mutex> lock(gMutex);
    int32_t rc = (port == 0 || port == 1) ? 0 : fiscemu::kOutOfRange;
    if (rc == 0)
        gPort = port;
    int code = 0;
    if (Device* d = device(&code)) {
        d->selectPort(gPort);
        d->traceOnly("ChangePort", TraceArgs().num(port).str(), std::to_string(rc),
                     rc == 0 ? std::string()
                             : "porta " + std::to_string(port) + ": esperado 0 (COM1) ou 1 (COM2)");
    }
    return rc;
}

int32_t FISCPORT_CALL ecfLineFeed(int32_t station, int32_t lines) {
    return run("ecfLineFeed", TraceArgs().num(station).num(lines),
               [=](CallContext& c) { return c.printer.lineFeed(station, lines); });
}

const char* FISCPORT_CALL ecfStatusImp(void) {
    static std::string buf;
    return runReply(buf, "ecfStatusImp", TraceArgs(), always(fiscemu::replyStatusImp));
}

const char* FISCPORT_CALL ecfStatusCupom(int32_t* kind) {
    static std::string buf;
    TraceArgs args;
    args.pointer(kind);
    bool valid = kind && *kind == 1;
    return runReply(
        buf, "ecfStatusCupom", args,
        [=](const PrinterState& st, const Settings& set, int64_t now, std::string& why) {
            if (!valid) {
                why = "tipo " + (kind ? std::to_string(*kind) : std::string("NULL")) +
                      ": esperado um ponteiro para 1";
                return fiscemu::failureReply(fiscemu::kOutOfRange);
            }
            return fiscemu::replyStatusCupom(st, set, now);
        });
}

const char* FISCPORT_CALL ecfStatusAliquotas(int32_t index) {
    static std::string buf;
    return runReply(buf, "ecfStatusAliquotas", TraceArgs().num(index),
                    [=](const PrinterState& st, const Settings&, int64_t, std::string& why) {
                        return fiscemu::replyAliquota(st, index, &why);
                    });
}

const char* FISCPORT_CALL ecfStatusPayTypes(int32_t index) {
    static std::string buf;
    return runReply(buf, "ecfStatusPayTypes", TraceArgs().num(index),
                    [=](const PrinterState& st, const Settings&, int64_t, std::string& why) {
                        return fiscemu::replyPayType(st, index, &why);
                    });
}

const char* FISCPORT_CALL ecfStatusDocsNFs(int32_t index) {
    static std::string buf;
    return runReply(buf, "ecfStatusDocsNFs", TraceArgs().num(index),
                    [=](const PrinterState& st, const Settings&, int64_t, std::string& why) {
                        return fiscemu::replyDocNF(st, index, &why);
                    });
}

const char* FISCPORT_CALL ecfStatusEquipo(void) {
    static std::string buf;
    return runReply(buf, "ecfStatusEquipo", TraceArgs(),
                    [](const PrinterState& st, const Settings& set, int64_t, std::string&) {
                        return fiscemu::replyEquipo(st, set);
                    });
}

const char* FISCPORT_CALL ecfStatusUser(int32_t user) {
    static std::string buf;
    return runReply(buf, "ecfStatusUser", TraceArgs().num(user),
                    [=](const PrinterState& st, const Settings&, int64_t, std::string& why) {
                        return fiscemu::replyUser(st, user, &why);
                    });
}

const char* FISCPORT_CALL ecfStatusTroco(void) {
    static std::string buf;
    return runReply(buf, "ecfStatusTroco", TraceArgs(),
                    [](const PrinterState& st, const Settings&, int64_t, std::string&) {
                        return fiscemu::replyTroco(st);
                    });
}

const char* FISCPORT_CALL ecfStatusVincs(int32_t index) {
    static std::string buf;
    return runReply(buf, "ecfStatusVincs", TraceArgs().num(index),
                    [=](const PrinterState& st, const Settings&, int64_t, std::string& why) {
                        return fiscemu::replyVinc(st, index, &why);
                    });
}

const char* FISCPORT_CALL ecfLeituraXSerial(void) {
    static std::string buf;
    return runReply(buf, "ecfLeituraXSerial", TraceArgs(), always(fiscemu::replyXSerial));
}

const char* FISCPORT_CALL ecfCGC_IE(void) {
    static std::string buf;
    return runReply(buf, "ecfCGC_IE", TraceArgs(),
                    [](const PrinterState& st, const Settings&, int64_t, std::string&) {
                        return fiscemu::replyCgcIe(st);
                    });
}

int32_t FISCPORT_CALL ecfImpCab(int32_t flags) {
    return run("ecfImpCab", TraceArgs().num(flags),
               [=](CallContext& c) { return c.printer.impCab(flags); });
}

int32_t FISCPORT_CALL ecfInicCupomNFiscal(int32_t kind) {
    return run("ecfInicCupomNFiscal", TraceArgs().num(kind),
               [=](CallContext& c) { return c.printer.inicCupomNFiscal(kind); });
}

int32_t FISCPORT_CALL ecfInicCNFVinculado(const char* coo, const char* position,
                                          const char* value) {
    Text a = copy(coo), b = copy(position), v = copy(value);
    return run("ecfInicCNFVinculado", TraceArgs().text(a).text(b).text(v),
               [&](CallContext& c) { return c.printer.inicCNFVinculado(a, b, v); });
}

int32_t FISCPORT_CALL ecfFimTrans(const char* operatorName) {
    Text op = copy(operatorName);
    return run("ecfFimTrans", TraceArgs().text(op),
               [&](CallContext& c) { return c.printer.fimTrans(op); });
}

int32_t FISCPORT_CALL ecfCancVenda(const char* operatorName) {
    Text op = copy(operatorName);
    return run("ecfCancVenda", TraceArgs().text(op),
               [&](CallContext& c) { return c.printer.cancVenda(op); });
}

int32_t FISCPORT_CALL ecfCancDoc(const char* operatorName) {
    Text op = copy(operatorName);
    return run("ecfCancDoc", TraceArgs().text(op),
               [&](CallContext& c) { return c.printer.cancDoc(op); });
}

int32_t FISCPORT_CALL ecfImpLinha(const char* line) {
    Text l = copy(line);
    return run("ecfImpLinha", TraceArgs().text(l),
               [&](CallContext& c) { return c.printer.impLinha(l); });
}

int32_t FISCPORT_CALL ecfLeituraX(const char* operatorName) {
    Text op = copy(operatorName);
    return run("ecfLeituraX", TraceArgs().text(op),
               [&](CallContext& c) { return c.printer.leituraX(op); });
}

int32_t FISCPORT_CALL ecfReducaoZ(const char* operatorName) {
    Text op = copy(operatorName);
    return run("ecfReducaoZ", TraceArgs().text(op),
               [&](CallContext& c) { return c.printer.reducaoZ(op); });
}

int32_t FISCPORT_CALL ecfLXGerencial(const char* operatorName) {
    Text op = copy(operatorName);
    return run("ecfLXGerencial", TraceArgs().text(op),
               [&](CallContext& c) { return c.printer.lxGerencial(op); });
}

int32_t FISCPORT_CALL ecfRZGerencial(const char* operatorName) {
    Text op = copy(operatorName);
    return run("ecfRZGerencial", TraceArgs().text(op),
               [&](CallContext& c) { return c.printer.rzGerencial(op); });
}

int32_t FISCPORT_CALL ecfLeitMemFisc(int32_t mode, const char* from, const char* to, int32_t firstZ,
                                     int32_t lastZ, const char* fileName) {
    Text f = copy(from), t = copy(to), name = copy(fileName);
    return run("ecfLeitMemFisc",
               TraceArgs().num(mode).text(f).text(t).num(firstZ).num(lastZ).text(name),
               [&](CallContext& c) {
                   return fiscemu::readFiscalMemory(c, mode, f, t, firstZ, lastZ, name);
               });
}

int32_t FISCPORT_CALL ecfVenda_Item(const char* code, const char* description,
                                    const char* quantityInteger, const char* quantityDecimal,
                                    const char* unitPrice, int32_t taxIndex) {
    Text a = copy(code), b = copy(description), qi = copy(quantityInteger),
         qd = copy(quantityDecimal), p = copy(unitPrice);
    return run(
        "ecfVenda_Item", TraceArgs().text(a).text(b).text(qi).text(qd).text(p).num(taxIndex),
        [&](CallContext& c) { return c.printer.vendaItemFields(a, b, qi, qd, p, taxIndex); });
}

int32_t FISCPORT_CALL ecfVendaItem78(const char* itemLine, const char* itemTotal,
                                     int32_t taxIndex) {
    Text l = copy(itemLine), t = copy(itemTotal);
    return run("ecfVendaItem78", TraceArgs().text(l).text(t).num(taxIndex),
               [&](CallContext& c) { return c.printer.vendaItem78(l, t, taxIndex); });
}

int32_t FISCPORT_CALL ecfVendaItem(const char* description, const char* value, int32_t taxIndex) {
    Text d = copy(description), v = copy(value);
    return run("ecfVendaItem", TraceArgs().text(d).text(v).num(taxIndex),
               [&](CallContext& c) { return c.printer.vendaItemFree(d, v, taxIndex); });
}

int32_t FISCPORT_CALL ecfDescItem(int32_t operation, const char* description, const char* value) {
    Text d = copy(description), v = copy(value);
    return run("ecfDescItem", TraceArgs().num(operation).text(d).text(v),
               [&](CallContext& c) { return c.printer.descItem(operation, d, v); });
}

int32_t FISCPORT_CALL ecfCancItem(const char* description) {
    Text d = copy(description);
    return run("ecfCancItem", TraceArgs().text(d),
               [&](CallContext& c) { return c.printer.cancItem(d); });
}

int32_t FISCPORT_CALL ecfCancItemDef(const char* position, const char* description) {
    Text p = copy(position), d = copy(description);
    return run("ecfCancItemDef", TraceArgs().text(p).text(d),
               [&](CallContext& c) { return c.printer.cancItemDef(p, d); });
}

int32_t FISCPORT_CALL ecfSubTotal(void) {
    return run("ecfSubTotal", TraceArgs(), [](CallContext& c) { return c.printer.subTotal(); });
}

int32_t FISCPORT_CALL ecfCancAcresDescSubTotal(int32_t kind, int32_t cancel,
                                               const char* description, const char* amount) {
    Text d = copy(description), a = copy(amount);
    return run("ecfCancAcresDescSubTotal", TraceArgs().num(kind).num(cancel).text(d).text(a),
               [&](CallContext& c) { return c.printer.acresDescSubTotal(kind, cancel, d, a); });
}

int32_t FISCPORT_CALL ecfPagamento(int32_t cancel, const char* position, const char* amount,
                                   int32_t lines) {
    Text p = copy(position), a = copy(amount);
    return run("ecfPagamento", TraceArgs().num(cancel).text(p).text(a).num(lines),
               [&](CallContext& c) { return c.printer.pagamento(cancel, p, a, lines); });
}

int32_t FISCPORT_CALL ecfPagCancPag(int32_t cancel, const char* paymentType, const char* amount,
                                    int32_t omitCondition, int32_t lines) {
    Text t = copy(paymentType), a = copy(amount);
    return run("ecfPagCancPag",
               TraceArgs().num(cancel).text(t).text(a).num(omitCondition).num(lines),
               [&](CallContext& c) {
                   return c.printer.pagamentoByName(cancel, t, a, omitCondition, lines,
                                                    fiscemu::kCondCash);
               });
}

int32_t FISCPORT_CALL ecfPrazoCancPrazo(int32_t cancel, const char* paymentType, const char* amount,
                                        int32_t omitCondition, int32_t lines) {
    Text t = copy(paymentType), a = copy(amount);
    return run("ecfPrazoCancPrazo",
               TraceArgs().num(cancel).text(t).text(a).num(omitCondition).num(lines),
               [&](CallContext& c) {
                   return c.printer.pagamentoByName(cancel, t, a, omitCondition, lines,
                                                    fiscemu::kCondTerms);
               });
}

int32_t FISCPORT_CALL ecfImpCheque(int32_t bank, const char* value, const char* payee,
                                   const char* city, const char* date, const char* extra) {
    Text v = copy(value), p = copy(payee), c1 = copy(city), d = copy(date), e = copy(extra);
    return run("ecfImpCheque", TraceArgs().num(bank).text(v).text(p).text(c1).text(d).text(e),
               [&](CallContext& c) {
                   return c.printer.cheque(fiscemu::Printer::kKolvex, bank, v, p, c1, d, e,
                                           std::nullopt, std::nullopt);
               });
}

int32_t FISCPORT_CALL ecfImpChequeMarvik(int32_t bank, const char* value, const char* payee,
                                         const char* city, const char* date, const char* extra) {
    Text v = copy(value), p = copy(payee), c1 = copy(city), d = copy(date), e = copy(extra);
    return run("ecfImpChequeMarvik", TraceArgs().num(bank).text(v).text(p).text(c1).text(d).text(e),
               [&](CallContext& c) {
                   return c.printer.cheque(fiscemu::Printer::kMarvik, bank, v, p, c1, d, e,
                                           std::nullopt, std::nullopt);
               });
}

int32_t FISCPORT_CALL ecfChequeKolvex300(int32_t bank, const char* value, const char* payee,
                                         const char* city, const char* date, const char* extra,
                                         const char* currencySingular, const char* currencyPlural) {
    Text v = copy(value), p = copy(payee), c1 = copy(city), d = copy(date), e = copy(extra),
         s = copy(currencySingular), pl = copy(currencyPlural);
    return run("ecfChequeKolvex300",
               TraceArgs().num(bank).text(v).text(p).text(c1).text(d).text(e).text(s).text(pl),
               [&](CallContext& c) {
                   return c.printer.cheque(fiscemu::Printer::kKolvex300, bank, v, p, c1, d, e, s,
                                           pl);
               });
}

int32_t FISCPORT_CALL ecfAutentica(const char* text) {
    Text t = copy(text);
    return run("ecfAutentica", TraceArgs().text(t),
               [&](CallContext& c) { return c.printer.autentica(t); });
}

int32_t FISCPORT_CALL ecfAbreGaveta(void) {
    return run("ecfAbreGaveta", TraceArgs(), [](CallContext& c) { return c.printer.abreGaveta(); });
}

int32_t FISCPORT_CALL ecfAcertaData(int32_t day, int32_t month, int32_t year, int32_t hour,
                                    int32_t minute, int32_t second) {
    return run("ecfAcertaData",
               TraceArgs().num(day).num(month).num(year).num(hour).num(minute).num(second),
               [=](CallContext& c) {
                   return c.printer.acertaData(day, month, year, hour, minute, second);
               });
}

int32_t FISCPORT_CALL ecfCabLoja(const char* line1, const char* line2, const char* line3,
                                 int32_t store, int32_t equipment, const char* cgc,
                                 const char* ie) {
    Text a = copy(line1), b = copy(line2), l3 = copy(line3), g = copy(cgc), i = copy(ie);
    return run("ecfCabLoja",
               TraceArgs().text(a).text(b).text(l3).num(store).num(equipment).text(g).text(i),
               [&](CallContext& c) {
                   return c.printer.cabLoja(a, b, l3, store, equipment, g, i, nullptr);
               });
}

int32_t FISCPORT_CALL ecfProgHeader30(const char* line1, const char* line2, const char* line3,
                                      int32_t store, int32_t equipment, const char* cgc,
                                      const char* ie, const char* im) {
    Text a = copy(line1), b = copy(line2), l3 = copy(line3), g = copy(cgc), i = copy(ie),
         m = copy(im);
    return run(
        "ecfProgHeader30",
        TraceArgs().text(a).text(b).text(l3).num(store).num(equipment).text(g).text(i).text(m),
        [&](CallContext& c) { return c.printer.cabLoja(a, b, l3, store, equipment, g, i, &m); });
}

int32_t FISCPORT_CALL ecfCargaTabAliq(int32_t position, const char* rate) {
    Text r = copy(rate);
    return run("ecfCargaTabAliq", TraceArgs().num(position).text(r),
               [&](CallContext& c) { return c.printer.cargaTabAliq(position, r); });
}

int32_t FISCPORT_CALL ecfCargaAliqSelect(const char* position, const char* taxType,
                                         const char* rate) {
    Text p = copy(position), t = copy(taxType), r = copy(rate);
    return run("ecfCargaAliqSelect", TraceArgs().text(p).text(t).text(r),
               [&](CallContext& c) { return c.printer.cargaAliqSelect(p, t, r); });
}

int32_t FISCPORT_CALL ecfPrgCod(int32_t size) {
    return run("ecfPrgCod", TraceArgs().num(size),
               [=](CallContext& c) { return c.printer.prgCod(size); });
}

int32_t FISCPORT_CALL ecfCargaCodCripto(const char* symbols) {
    Text s = copy(symbols);
    return run("ecfCargaCodCripto", TraceArgs().text(s),
               [&](CallContext& c) { return c.printer.cargaCodCripto(s); });
}

int32_t FISCPORT_CALL ecfPayPatterns(const char* position, const char* description) {
    Text p = copy(position), d = copy(description);
    return run("ecfPayPatterns", TraceArgs().text(p).text(d),
               [&](CallContext& c) { return c.printer.payPatterns(p, d); });
}

int32_t FISCPORT_CALL ecfProgNFComprov(const char* position, const char* description,
                                       const char* allowsDiscount, const char* allowsSurcharge,
                                       const char* allowsCancellation, const char* paymentRequired,
                                       const char* linked, const char* relatedPaymentType) {
    Text p = copy(position), d = copy(description), a = copy(allowsDiscount),
         s = copy(allowsSurcharge), c1 = copy(allowsCancellation), r = copy(paymentRequired),
         l = copy(linked), rel = copy(relatedPaymentType);
    return run("ecfProgNFComprov",
               TraceArgs().text(p).text(d).text(a).text(s).text(c1).text(r).text(l).text(rel),
               [&](CallContext& c) { return c.printer.progNFComprov(p, d, a, s, c1, r, l, rel); });
}

}  // extern "C"
