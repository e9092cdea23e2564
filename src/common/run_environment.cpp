#include "common/run_environment.h"

namespace gerador {

std::string TRunEnvironment::pathOf(const std::string& name) const {
    if (baseFolder.empty() || name.empty() || name.front() == '/') return name;
    return baseFolder + (baseFolder.back() == '/' ? "" : "/") + name;
}

TRunEnvironment& defaultEnvironment() {
    static TRunEnvironment environment;
    return environment;
}

}  // namespace gerador
