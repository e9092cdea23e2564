#include "common/fault_hook.h"

namespace gerador {

namespace {

TFaultHook gHook = nullptr;

}  // namespace

void setFaultHook(TFaultHook hook) {
    gHook = hook;
}

int injectedFault(const char* operation) {
    return gHook != nullptr ? gHook(operation) : 0;
}

}  // namespace gerador
