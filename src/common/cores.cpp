#include "common/cores.h"

#include <algorithm>
#include <thread>

namespace gerador {

std::int32_t machineCores() {
    return static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
}

std::int32_t coresFor(std::int32_t threads) {
    return threads > 0 ? threads : machineCores();
}

}  // namespace gerador
