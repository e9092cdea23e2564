#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "columns/chain_search.h"
#include "columns/chain_totals.h"
#include "columns/uncovered_pool.h"
#include "common/output_file.h"

class TTarefas;

// The column generator: links the ordered tasks into a successor graph, enumerates
// every chain of tasks one crew can perform from a depot, and writes each accepted
// chain, priced, as one line of the column file.
class TColunas {
public:
    std::unique_ptr<TOutputFile> outFile;  // open from the header to the closing step
    std::int32_t columnCount = 0;          // columns written by the most recent run
    std::int32_t minTasks = 2;             // a chain is offered when it holds more tasks than this
    std::int32_t maxTasks = 13;            // no chain holds more tasks than this
    std::int32_t acceptPercent = 1;        // an offered chain is written when a draw 0..99 is at most this
    std::uint32_t seed = 0;
    TUncoveredPool uncoveredTasks;
    TSuccessorLists successors;         // by task index, ascending
    std::vector<std::int32_t> startTasks;  // tasks leaving from a depot, ascending
    const TTarefas* taskGenerator = nullptr;  // read only, not owned
    std::string fileName;

    // Writes "150_3304438.txt" (with writeFile) from every chain of more than minTasks and
    // at most maxTasks tasks: first from every start task, then from each task still
    // uncovered, lowest first. With echo, prints every 10000th column.
    // Throws EParameterError for parameters under which the run would hang or read
    // outside the tasks, EFileError when the file cannot be written.
    void generateColumns(const TTarefas* tasks, bool writeFile, bool echo);

    // Fills successors (later start, at the place where the task ends) and startTasks
    // (origin a depot), clearing them first. Throws EParameterError for a count outside the tasks.
    void buildSuccessorGraph(const TTarefas& tasks);

    // Creates fileName in outFile and writes the header, with a blank field for the column count.
    // Requires: taskGenerator set.
    void openColumnFile();
    // Prices the chain, numbers it (columnCounter + 1), writes its line to outFile (with
    // writeFile) and the console (with echoThis), and removes its tasks from uncoveredTasks.
    // Requires: taskGenerator set, outFile open when writeFile is set, at least one task,
    // and the tasks it shares with the previous column already out of uncoveredTasks
    // (true from one column to the next, and after startCoverage).
    // Throws EParameterError when the number, cost or minutes of the column do not fit
    // their 32-bit fields.
    void writeColumn(std::int32_t depot, std::int32_t& columnCounter, const std::vector<std::int32_t>& chain,
                     bool writeFile, bool echoThis);
    // Writes the column count into the header, gives the file its name, prints the closing lines.
    void closeColumnFile(std::int32_t columnCounter, bool writeFile, bool echo);

    // Puts every task back into uncoveredTasks and forgets the previous column, whose
    // tasks writeColumn would otherwise take as already removed.
    void startCoverage();

private:
    // Runs one search; returns how many chains it offered.
    std::int64_t searchFrom(TChainSearch& search, std::int32_t startTask, std::int32_t depot,
                            std::int32_t& columnCounter, bool writeFile, bool echo);

    TChainTotals columnTotals_;  // of the last column written
    std::string line_;           // reused for every column line
};

// The task generator's count, checked against its tasks.
// Throws EParameterError when it is negative or past the end of the tasks.
std::size_t checkedTaskCount(const TTarefas& tasks);
