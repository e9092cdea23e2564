#pragma once

#include "driver/settings.h"

namespace gerador {

class TColunas;
class TConsole;
struct TInstanceGraph;
class TTarefas;

// Before the column run: counts the chains of the first phase on the successor graph (the
// second phase adds usually a tenth more), estimates the bytes of each file the run would
// write from their number and length, and warns on standard error when a folder has less
// room than that, or when the columns would pass the 32-bit numbers or --max-columns
// (on console, with names under baseFolder).
// Throws EColumnLimit, as the run would later, when the first phase alone certainly passes
// one of those limits: every offer is written, or the draws could not keep it under.
// Requires: columns configured as the run's; tasks generated; graph built from them.
void checkBeforeTheColumns(const TSettings& settings, const TColunas& columns, const TTarefas& tasks,
                           const TInstanceGraph& graph, TConsole& console, const std::string& baseFolder = "");

}  // namespace gerador
