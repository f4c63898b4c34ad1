// A timing probe loaded into a Qt program with LD_PRELOAD (never linked into
// the bench). It notes how long after STARTUP_PROBE_T0 (microseconds since
// the epoch, taken just before the program was started) the program first
// waits in a question box, and first waits in its main event loop with no
// box open, with the peak resident memory at that moment. Questions are
// answered "Não" (the box's No role, else its Escape button), so the program
// goes on as an operator keeping COM1 would make it.
//
//   STARTUP_PROBE_OUT   file the figures are appended to, one line per run
//   STARTUP_PROBE_STOP  "question": end at the first question; else at the loop
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

long long microsecondsSinceEpoch() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<long long>(tv.tv_sec) * 1000000 + tv.tv_usec;
}

long long peakResidentKiB() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kib = std::atoll(line + 6);
    std::fclose(f);
    return kib;
}

struct Run {
    long long start = 0;
    long long question = -1;
    int questions = 0;
    bool stopAtQuestion = false;
    std::string out;
};

Run& run() {
    static Run r;
    return r;
}

// Writes the figures and ends the process at once: what a program does
// after this point is no part of its start-up.
[[noreturn]] void finish(long long loop) {
    const Run& r = run();
    if (FILE* f = std::fopen(r.out.c_str(), "a")) {
        std::fprintf(f, "question_us=%lld loop_us=%lld peak_kib=%lld questions=%d\n",
                     r.question < 0 ? -1 : r.question - r.start, loop < 0 ? -1 : loop - r.start,
                     peakResidentKiB(), r.questions);
        std::fclose(f);
    }
    _exit(0);
}

QAbstractButton* noButtonOf(QMessageBox* box) {
    for (QAbstractButton* button : box->buttons())
        if (box->buttonRole(button) == QMessageBox::NoRole)
            return button;
    return box->escapeButton();
}

// Called each time an event loop is about to wait for events.
void aboutToWait() {
    const long long now = microsecondsSinceEpoch();
    Run& r = run();
    if (QThread::currentThread()->loopLevel() == 0)
        return;  // a processEvents() call, not a loop
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (r.question < 0)
            r.question = now;
        if (r.stopAtQuestion)
            finish(-1);
        QPointer<QAbstractButton> no = noButtonOf(box);
        if (no && !no->property("startupProbeAnswered").toBool()) {
            no->setProperty("startupProbeAnswered", true);
            ++r.questions;
            QMetaObject::invokeMethod(no.data(), "click", Qt::QueuedConnection);
        }
        return;
    }
    if (!modal)
        finish(now);
}

void onApplicationCreated() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, aboutToWait);
}

__attribute__((constructor)) void installProbe() {
    const char* out = std::getenv("STARTUP_PROBE_OUT");
    const char* t0 = std::getenv("STARTUP_PROBE_T0");
    if (!out || !t0)
        return;
    Run& r = run();
    r.out = out;
    r.start = std::atoll(t0);
    const char* stop = std::getenv("STARTUP_PROBE_STOP");
    r.stopAtQuestion = stop && std::strcmp(stop, "question") == 0;
    qAddPreRoutine(onApplicationCreated);
}

}  // namespace
