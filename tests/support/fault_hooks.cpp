// The fault hook of the test build of the program (gerador_faults). GERADOR_FAULT names
// file operations of the commit, which of their calls to meet, and what to do there,
// separated by commas:
//   rename:2:fail     the second rename fails with EIO
//   rename:1:signal   a SIGTERM arrives just before the first rename
//   rename:1:pause    the first rename waits half a second first (the lock holds meanwhile)
//   rename:3:kill     a SIGKILL just before the third rename
//   unlink:1:fail     the first removal fails with EACCES
//   integer:1:crash   the first integer search's process dies of SIGSEGV, as when memory runs out
//   committed:1:signal  a SIGTERM arrives once the commit is complete
//   rename:1:move     the folder "out" is renamed "moved" first, as a user might mid-run
//   committed:1:mark  creates "fault-mark" in the working folder once the commit is complete
//   rename:2:await    creates "fault-waiting", then waits up to two seconds for "fault-mark"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

#include "common/fault_hook.h"

namespace {

struct TFault {
    std::string operation;
    int call = 0;  // counts down to the call that meets the fault
    std::string action;
};
std::vector<TFault> gFaults;

int meetFault(const char* operation) {
    int error = 0;
    for (TFault& fault : gFaults) {
        if (fault.operation != operation || --fault.call != 0) continue;
        if (fault.action == "signal") raise(SIGTERM);
        if (fault.action == "kill") raise(SIGKILL);
        if (fault.action == "crash") raise(SIGSEGV);
        if (fault.action == "move") rename("out", "moved");
        if (fault.action == "pause") usleep(500000);
        if (fault.action == "mark") close(open("fault-mark", O_WRONLY | O_CREAT, 0644));
        if (fault.action == "await") {
            close(open("fault-waiting", O_WRONLY | O_CREAT, 0644));
            for (int wait = 0; wait < 200 && access("fault-mark", F_OK) != 0; ++wait) usleep(10000);
        }
        if (fault.action == "fail") error = fault.operation == "unlink" ? EACCES : EIO;
    }
    return error;
}

}  // namespace

using namespace gerador;

TFaultHook faultHooks() {
    const char* fault = std::getenv("GERADOR_FAULT");
    if (fault == nullptr) return nullptr;
    std::string text = std::string(fault) + ",";
    for (std::size_t begin = 0, end = 0; (end = text.find(',', begin)) != std::string::npos; begin = end + 1) {
        std::string item = text.substr(begin, end - begin);
        std::size_t first = item.find(':');
        std::size_t second = item.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        gFaults.push_back({item.substr(0, first), std::atoi(item.substr(first + 1, second - first - 1).c_str()),
                           item.substr(second + 1)});
    }
    return meetFault;
}
