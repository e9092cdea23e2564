#include "solve/solver.h"

#include "common/exceptions.h"

namespace gerador {

bool solverAvailable() {
    return false;
}

TSolveResult solveInstance(const TTarefas&, const TColunas&, const TSolveOptions&) {
    throw EParameterError("este programa foi compilado sem Clp e Cbc: não resolve instâncias");
}

}  // namespace gerador
