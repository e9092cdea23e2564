#include "common/exceptions.h"

void requireParameter(bool valid, const std::string& name, long long value, const std::string& reason) {
    if (!valid) {
        throw EParameterError("parâmetro inválido: " + name + " = " + std::to_string(value) + " (" + reason + ")");
    }
}
