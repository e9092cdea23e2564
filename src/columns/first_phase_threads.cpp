// The first phase of the column run on several threads. Its searches, one per start task,
// depend on one another only through the shared random stream, and each makes a known
// number of draws (countChains): so each block of start tasks starts from its own copy of
// the stream, moved past the draws of the blocks before it, and its columns are priced on
// a thread of its own. This thread numbers them and hands them to the sinks in start-task
// order, so the files are the same, byte for byte, as with one thread. When every offer is
// written, each block knows its first column number too, and the sinks that only make
// text of the columns (the column file, the echo) have it made on the search threads;
// this thread then only passes the text on.
#include "columns/columns.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>

#include "common/messages.h"
#include "columns/first_phase_plan.h"
#include "common/random_source.h"
#include "common/run_environment.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

// Columns a chunk holds before it goes to the consumer, and the bytes that may wait in
// blocks past the one being consumed: memory stays bounded however many columns the phase
// writes, while a thread ahead rarely waits for a long block before it.
constexpr std::size_t kChunkColumns = 1 << 14;
constexpr std::size_t kBytesAhead = std::size_t{64} << 20;
// Blocks per thread: small enough that the threads finish together.
constexpr std::size_t kBlocksPerThread = 16;

// Priced columns of a block in order, flat: cost, work minutes, shared tasks, new tasks,
// then the new tasks themselves; and the text of the same columns for each sink that
// formats on the search threads.
struct TChunk {
    std::vector<std::int32_t> fields;
    std::vector<std::string> texts;
    std::size_t columns = 0;
};

// A column whose cost or minutes passed 32 bits: the block stops there, and the consumer
// refuses it with its number.
struct TOverflow {
    std::size_t column = 0;  // columns of the block before it
    const char* field = "";
    std::int64_t value = 0;
};

std::size_t bytesOf(const TChunk& chunk) {
    std::size_t bytes = sizeof(TChunk) + chunk.fields.size() * sizeof(std::int32_t);
    for (const std::string& text : chunk.texts) bytes += text.size();
    return bytes;
}

struct TBlock {
    TBlockPlan plan;
    randomsource::TRandomStream stream{0};
    std::deque<TChunk> chunks;
    bool done = false;
    std::optional<TOverflow> overflow;
    std::exception_ptr failure;
};

class TFirstPhaseWork {
public:
    std::vector<TBlock> blocks;
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t nextBlock = 0;      // the next one a thread takes
    std::size_t consumedBlock = 0;  // the one this thread hands on
    std::size_t bytesAhead = 0;     // waiting in blocks after it
    bool stopping = false;
    // Chunks handed on, emptied, kept for their memory: fresh buffers of this size cost a
    // page fault every 4 kB (a fifth of a threaded run's time).
    std::vector<TChunk> spare;

    TChunk takeSpare(std::size_t texts) {
        TChunk chunk;
        {
            std::lock_guard lock(mutex);
            if (!spare.empty()) {
                chunk = std::move(spare.back());
                spare.pop_back();
            }
        }
        chunk.texts.resize(texts);
        return chunk;
    }

    void giveBack(TChunk chunk) {
        chunk.fields.clear();
        for (std::string& text : chunk.texts) text.clear();
        chunk.columns = 0;
        std::lock_guard lock(mutex);
        spare.push_back(std::move(chunk));
    }

    // Hands a full chunk of block on; waits while too many wait ahead of the consumer.
    // Returns false when the work is stopping.
    bool publish(std::size_t block, TChunk chunk, bool last) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stopping || block <= consumedBlock || bytesAhead < kBytesAhead; });
        if (stopping) return false;
        if (chunk.columns > 0) {
            if (block > consumedBlock) bytesAhead += bytesOf(chunk);
            blocks[block].chunks.push_back(std::move(chunk));
        }
        blocks[block].done = last;
        lock.unlock();
        changed.notify_all();
        return true;
    }
};

}  // namespace

void TColunas::searchFirstPhaseInThreads(std::int32_t threadCount, const TInstanceGraph& runGraph,
                                         std::int32_t& columnCounter) {
    TFirstPhaseWork work;
    const TColumnRule columnRule = rule();
    // When every offer is written the draws decide nothing, and only the stream's place
    // after the phase matters, which this thread works out while the others search.
    bool everyOfferWritten = columnRule.writesEveryOffer();
    // Blocks of start tasks with about the same number of draws each.
    const TChainCounts& chains = runGraph.chains;
    TFirstPhasePlan plan = planFirstPhase(
        chains, chains.totalOffers / (static_cast<std::uint64_t>(threadCount) * kBlocksPerThread), columnCounter);
    randomsource::TRandomStream& shared = *random_;
    // Each block's stream is the phase's, moved past the draws before the block.
    for (const TBlockPlan& blockPlan : plan.blocks) {
        TBlock& block = work.blocks.emplace_back();
        block.plan = blockPlan;
        if (!everyOfferWritten) {
            block.stream = shared;
            shared.discard(blockPlan.draws);
        }
    }
    std::int64_t written = columnCounter + static_cast<std::int64_t>(plan.totalDraws);

    // With every offer written each block knows its column numbers, so sinks that only
    // make text of the columns make it on the search threads; the others see each column.
    std::vector<TColumnSink*> textSinks;
    std::vector<TColumnSink*> columnSinks;
    std::vector<std::vector<std::unique_ptr<TColumnTextFormatter>>> formatters(static_cast<std::size_t>(threadCount));
    bool numbersKnown = everyOfferWritten && written <= INT32_MAX;
    for (TColumnSink* sink : sinks) {
        if (!numbersKnown || sink->textFormatter() == nullptr) {
            columnSinks.push_back(sink);
            continue;
        }
        textSinks.push_back(sink);
        for (auto& own : formatters) own.push_back(sink->textFormatter());
    }

    const std::vector<TTarefa>& tasks = taskGenerator->tasks;
    // Without sinks that see each column only the number of columns matters: the threads
    // keep no fields.
    bool keepFields = !columnSinks.empty();
    // Each thread notes the tasks its columns cover; the pool learns them at the end.
    std::vector<std::vector<std::uint8_t>> coveredBy(static_cast<std::size_t>(threadCount));
    // A search thread: takes the next block, searches it with the column rule and hands its
    // columns on in chunks. What it throws waits in the block for the consumer.
    auto searchBlocks = [&](std::size_t worker) {
        TChainSearch chainSearch(runGraph.successors, maxTasks);
        TChainTotals totals;
        std::vector<std::uint8_t>& covered = coveredBy[worker];
        std::vector<std::unique_ptr<TColumnTextFormatter>>& texts = formatters[worker];
        auto newChunk = [&] { return work.takeSpare(texts.size()); };
        TPricedColumn column;
        column.phase = 1;
        while (true) {
            std::size_t index = 0;
            {
                std::lock_guard lock(work.mutex);
                if (work.stopping || work.nextBlock == work.blocks.size()) return;
                index = work.nextBlock++;
            }
            TBlock& block = work.blocks[index];
            TChunk chunk;
            std::size_t blockColumns = 0;
            bool published = true;
            try {
                if (covered.empty()) covered.assign(tasks.size(), 0);
                chunk = newChunk();
                std::span<const std::int32_t> starts(runGraph.startTasks.data() + block.plan.firstStart,
                                                     block.plan.endStart - block.plan.firstStart);
                auto write = [&](const std::vector<std::int32_t>& chain, std::size_t unchangedTasks) {
                    TChainPrice price = priceChain(totals, tasks, chain, unchangedTasks);
                    if (auto past = price.fieldPast32Bits()) {
                        block.overflow = TOverflow{blockColumns, past->first, past->second};
                        return false;
                    }
                    std::size_t kept = price.sharedTasks;
                    if (keepFields) {
                        chunk.fields.insert(chunk.fields.end(), {static_cast<std::int32_t>(price.cost),
                                                                 static_cast<std::int32_t>(price.workMinutes),
                                                                 static_cast<std::int32_t>(kept),
                                                                 static_cast<std::int32_t>(chain.size() - kept)});
                        chunk.fields.insert(chunk.fields.end(), chain.begin() + static_cast<std::ptrdiff_t>(kept),
                                            chain.end());
                    }
                    if (!texts.empty()) {
                        column.number = static_cast<std::int32_t>(block.plan.firstNumber +
                                                                  static_cast<std::int64_t>(blockColumns));
                        column.cost = static_cast<std::int32_t>(price.cost);
                        column.depot = tasks[static_cast<std::size_t>(chain.front())].origin;
                        column.workMinutes = static_cast<std::int32_t>(price.workMinutes);
                        column.tasks = &chain;
                        column.sharedTasks = kept;
                        for (std::size_t sink = 0; sink < texts.size(); ++sink)
                            texts[sink]->append(column, chunk.texts[sink]);
                    }
                    for (std::size_t task = kept; task < chain.size(); ++task) {
                        covered[static_cast<std::size_t>(chain[task])] = 1;
                    }
                    ++blockColumns;
                    if (++chunk.columns == kChunkColumns) {
                        if (!work.publish(index, std::move(chunk), false)) {
                            published = false;
                            return false;
                        }
                        chunk = newChunk();
                    }
                    return true;
                };
                searchStarts(chainSearch, columnRule, starts, everyOfferWritten ? nullptr : &block.stream, write);
            } catch (...) {
                block.failure = std::current_exception();
            }
            if (!published || !work.publish(index, std::move(chunk), true)) return;
        }
    };

    // The threads take no signals: their handlers run here, where the files are kept.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    std::vector<std::thread> workers;
    std::exception_ptr startFailure;
    // A thread the system refuses (a process limit, no memory for its stack): the blocks
    // go to the threads that started; with none, the run fails with the reason.
    try {
        for (std::int32_t worker = 0; worker < threadCount; ++worker) {
            workers.emplace_back(searchBlocks, static_cast<std::size_t>(worker));
        }
    } catch (...) {
        if (workers.empty()) startFailure = std::current_exception();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (startFailure) {
        try {
            std::rethrow_exception(startFailure);
        } catch (const std::exception& error) {
            throw std::runtime_error(textf(tr("não foi possível iniciar as threads da busca: %s"), error.what()));
        }
    }
    auto stop = [&] {
        {
            std::lock_guard lock(work.mutex);
            work.stopping = true;
        }
        work.changed.notify_all();
        for (std::thread& worker : workers) worker.join();
    };

    try {
        if (everyOfferWritten) shared.discard(chains.totalOffers);
        std::vector<std::int32_t> chain;
        TPricedColumn column;
        column.phase = 1;
        column.tasks = &chain;
        const std::atomic<bool>* interrupted = orDefault(environment).interrupted;
        for (std::size_t index = 0; index < work.blocks.size(); ++index) {
            throwIfInterrupted(interrupted);
            TBlock& block = work.blocks[index];
            while (true) {
                TChunk chunk;
                {
                    std::unique_lock lock(work.mutex);
                    work.changed.wait(lock, [&] { return !block.chunks.empty() || block.done; });
                    if (block.chunks.empty()) break;
                    chunk = std::move(block.chunks.front());
                    block.chunks.pop_front();
                }
                if (columnSinks.empty()) {
                    // No sink reads the columns: only their numbers move on, checkpoint by checkpoint.
                    std::size_t columns = chunk.columns;
                    while (columns > 0) {
                        if (columnCounter >= nextCheckpoint_) checkpoint(columnCounter);
                        auto step =
                            std::min<std::size_t>(columns, static_cast<std::size_t>(nextCheckpoint_ - columnCounter));
                        columnCounter += static_cast<std::int32_t>(step);
                        columns -= step;
                    }
                }
                for (std::size_t at = 0; at < chunk.fields.size();) {
                    column.cost = chunk.fields[at];
                    column.workMinutes = chunk.fields[at + 1];
                    column.sharedTasks = static_cast<std::size_t>(chunk.fields[at + 2]);
                    auto added = static_cast<std::size_t>(chunk.fields[at + 3]);
                    at += 4;
                    chain.resize(column.sharedTasks);
                    chain.insert(chain.end(), chunk.fields.begin() + static_cast<std::ptrdiff_t>(at),
                                 chunk.fields.begin() + static_cast<std::ptrdiff_t>(at + added));
                    at += added;
                    // A search from a start task gives its columns the task's origin.
                    if (column.sharedTasks == 0) column.depot = tasks[static_cast<std::size_t>(chain.front())].origin;
                    if (columnCounter >= nextCheckpoint_) [[unlikely]] checkpoint(columnCounter);
                    column.number = ++columnCounter;
                    for (TColumnSink* sink : columnSinks) sink->add(column);
                }
                // After the checkpoints: a limit stops the run before the text of its columns.
                for (std::size_t sink = 0; sink < textSinks.size(); ++sink) textSinks[sink]->addText(chunk.texts[sink]);
                work.giveBack(std::move(chunk));
            }
            if (block.failure) std::rethrow_exception(block.failure);
            if (block.overflow) {
                refuseColumnField(columnCounter + 1, block.overflow->field, block.overflow->value);
            }
            {
                std::lock_guard lock(work.mutex);
                ++work.consumedBlock;
                if (work.consumedBlock < work.blocks.size()) {
                    for (const TChunk& waiting : work.blocks[work.consumedBlock].chunks)
                        work.bytesAhead -= bytesOf(waiting);
                }
            }
            work.changed.notify_all();
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
    for (const std::vector<std::uint8_t>& covered : coveredBy) {
        for (std::size_t task = 0; task < covered.size(); ++task) {
            if (covered[task] != 0) uncoveredTasks.remove(static_cast<std::int32_t>(task));
        }
    }
}

}  // namespace gerador
