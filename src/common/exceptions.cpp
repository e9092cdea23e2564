#include "common/exceptions.h"

std::string invalidParameterMessage(const std::string& name, long long value,
                                    const std::string& reason) {
    return "parâmetro inválido: " + name + " = " + std::to_string(value) + " (" + reason + ")";
}
