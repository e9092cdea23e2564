#pragma once

#include <cstdint>
#include <string>

#include "common/date_time.h"
#include "exports/mps_export.h"

#include <nlohmann/json_fwd.hpp>

class TViagens;
class TTarefas;
class TColunas;

// Every setting of the three stages; the defaults are the standard run's.
struct TSettings {
    TSettings();

    // Trips.
    std::int32_t locationCount = 10;
    std::int32_t minDistance = 100;
    std::int32_t maxDistance = 1500;  // exclusive
    double costFactor = 0.25;
    std::uint32_t tripSeed = 0;
    bool tripWriteFile = false;
    bool tripEcho = false;
    // Tasks.
    std::int32_t count = 150;
    std::int32_t depotCount = 3;
    std::int32_t extraCostMin = 0;
    std::int32_t extraCostMax = 30;  // exclusive
    std::uint32_t taskSeed = 0;
    TDateTime windowStart;  // 01/01/2006 08:00
    TDateTime windowEnd;    // 04/01/2006 08:00
    TDateTime minDuration;  // 01:00
    TDateTime maxDuration;  // 09:01
    bool taskWriteFile = false;
    bool taskEcho = false;
    // Columns.
    std::int32_t minTasks = 2;
    std::int32_t maxTasks = 13;
    std::int32_t acceptPercent = 100;
    std::uint32_t columnSeed = 0;
    bool columnWriteFile = true;
    bool columnEcho = true;
    // Exports of the columns; an empty name writes none.
    std::string mpsFileName;
    std::string orlibFileName;
    TModel model = TModel::partition;  // of the MPS rows
    // What the run produced; an empty name writes none.
    std::string reportFileName;
    std::string svgFileName;
};

// Copies the settings into the fields of the three generators.
void applySettings(const TSettings& settings, TViagens& trips, TTarefas& tasks, TColunas& columns);

// Every setting, keyed by the name of its option, for the report.
nlohmann::ordered_json settingsJson(const TSettings& settings);

// Prints the empty opening line, then runs the trip, task and column stages in order
// with the settings' write and echo flags and exports. Throws what a stage throws.
void runStages(const TSettings& settings);
