#include "driver/process_setup.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "common/output_file.h"

namespace gerador {

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
