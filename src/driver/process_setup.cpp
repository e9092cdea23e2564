#include "driver/process_setup.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "common/output_file.h"

namespace gerador {

namespace {

extern "C" void removeTemporaryFilesAndEnd(int signalNumber) {
    removeTemporaryFiles();
    // The handler was reset to the default, so the signal ends the process once it returns.
    raise(signalNumber);
}

// Makes every signal whose default action ends the process remove the run's temporary
// files first. A signal the process was started ignoring stays ignored.
void removeTemporaryFilesOnSignals() {
    sigset_t blockedInHandler;
    sigemptyset(&blockedInHandler);
    for (int signalNumber : signalsThatEndTheProcess()) sigaddset(&blockedInHandler, signalNumber);
    for (int signalNumber : signalsThatEndTheProcess()) {
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction cleanup {};
        cleanup.sa_handler = removeTemporaryFilesAndEnd;
        cleanup.sa_mask = blockedInHandler;
        cleanup.sa_flags = SA_RESETHAND;
        sigaction(signalNumber, &cleanup, nullptr);
    }
}

}  // namespace

void prepareProcess() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) >= 0 || errno != EBADF) continue;
        // The lowest free number is taken, which is this one.
        open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    }
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    removeTemporaryFilesOnSignals();
}

}  // namespace gerador
