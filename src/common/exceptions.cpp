#include "common/exceptions.h"

#include <charconv>

#include "common/messages.h"

namespace gerador {

void requireParameter(bool valid, const std::string& name, long long value, const std::string& reason) {
    if (!valid) requireParameter(false, name, std::to_string(value), reason);
}

void requireParameter(bool valid, const std::string& name, const std::string& valueText, const std::string& reason) {
    if (!valid) {
        throw EParameterError(
            textf(tr("parâmetro inválido: %s = %s (%s)"), name.c_str(), valueText.c_str(), reason.c_str()));
    }
}

EInterrupted::EInterrupted() : Exception(tr("a execução foi interrompida por um sinal")) {}

void throwIfInterrupted(const std::atomic<bool>* interrupted) {
    if (interrupted != nullptr && interrupted->load(std::memory_order_relaxed)) throw EInterrupted();
}

std::string textOfDouble(double value) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

}  // namespace gerador
