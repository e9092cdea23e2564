#include "solve/solver.h"

#include "common/exceptions.h"
#include "common/messages.h"
#include "solve/master.h"
#include "solve/pruned_pricing.h"

namespace gerador {

void TEnumeratedColumns::price(TPricingSink& sink) {
    feed(sink);
}

bool solverAvailable() {
    return false;
}

TSolveResult solveColumns(TColumnSource&, const TSolveOptions&) {
    throw EParameterError(tr("este programa foi compilado sem Clp e Cbc: não resolve instâncias"));
}

TSolveResult solveInstance(const TTarefas&, const TColunas&, const TSolveOptions& options) {
    TListedColumns none(0, {});
    return solveColumns(none, options);
}

}  // namespace gerador
