#include "common/exceptions.h"

#include <charconv>

namespace gerador {

void requireParameter(bool valid, const std::string& name, long long value, const std::string& reason) {
    if (!valid) requireParameter(false, name, std::to_string(value), reason);
}

void requireParameter(bool valid, const std::string& name, const std::string& valueText, const std::string& reason) {
    if (!valid) throw EParameterError("parâmetro inválido: " + name + " = " + valueText + " (" + reason + ")");
}

std::string textOfDouble(double value) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

}  // namespace gerador
