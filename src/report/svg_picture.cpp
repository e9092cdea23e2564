// Writes the picture as one SVG document, at most 1500 by 1200 pixels:
// - a title with the counts and the partition verdict;
// - the tasks on a time axis trimmed to them, with hour labels and a date at each
//   midnight: one row per task (class "tarefa"), coloured by origin, with a dark tick at an
//   end that lies at a depot (class "deposito") and bands behind uncovered and certificate
//   tasks; when the rows would be too thin, tasks that do not overlap share a lane; when
//   even the lanes would be, the number of tasks under way over time instead;
// - planted duties as lines from each task to the next of its duty (class "jornada");
// - the columns holding each task (class "cobertura"): a bar beside each row, or a
//   histogram of the tasks by coverage, on a numeric axis, logarithmic when the coverage
//   spans more than two decades;
// - the columns by number of tasks (class "comprimento"), on a numeric axis;
// - the legend of the colours, ticks, bands and lines the picture draws.
// Labels are in the console's language; counts are grouped by thousands with a narrow space.
#include "report/svg_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "common/messages.h"
#include "common/output_file.h"
#include "common/point_numbers.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

constexpr double kWidth = 1500;
constexpr double kTop = 110;  // where the panels start
constexpr double kLeft = 70;
constexpr double kTimelineWidth = 880;
constexpr double kPlotHeight = 900;
constexpr double kCoverageLeft = kLeft + kTimelineWidth + 40;
constexpr double kCoverageWidth = 200;
constexpr double kSideLeft = kCoverageLeft + kCoverageWidth + 60;
constexpr double kSideWidth = kWidth - kSideLeft - 30;
constexpr double kLengthsHeight = 220;
constexpr double kWidestRow = 8;
constexpr double kThinnestRow = 5;   // one row per task down to this
constexpr double kThinnestLane = 3;  // lanes down to this; below, the density view
constexpr double kMinute = 1.0 / 1440.0;

// Paul Tol's muted scheme, told apart with every common colour-vision deficiency; locations
// past it share the grey.
constexpr const char* kLocationColours[] = {"#CC6677", "#332288", "#DDCC77", "#117733", "#88CCEE",
                                            "#882255", "#44AA99", "#999933", "#AA4499"};
constexpr const char* kOtherLocations = "#BBBBBB";
constexpr const char* kUncoveredBand = "#EE99AA";
constexpr const char* kPairBand = "#EEDD88";
constexpr const char* kCommonBand = "#99DDFF";
constexpr const char* kBarColour = "#4477AA";

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A count with its thousands apart, 1 503 325: a dot or a comma between them reads as a
// decimal point to half the readers, a narrow no-break space to none.
std::string countText(std::int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) text += "\u202F";
        text += digits[at];
    }
    return (value < 0 ? "-" : "") + text;
}

std::string escaped(const std::string& text) {
    std::string result;
    for (char character : text) {
        switch (character) {
            case '&': result += "&amp;"; break;
            case '<': result += "&lt;"; break;
            case '>': result += "&gt;"; break;
            case '"': result += "&quot;"; break;
            default: result += character;
        }
    }
    return result;
}

const char* colourOf(std::int32_t location) {
    constexpr auto kColours = static_cast<std::int32_t>(std::size(kLocationColours));
    return location >= 1 && location <= kColours ? kLocationColours[location - 1] : kOtherLocations;
}

// A rectangle; with a tooltip, the text a browser shows over it.
std::string rect(double x, double y, double width, double height, const std::string& attributes,
                 const std::string& tooltip = "") {
    std::string element = "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" +
                          number(std::max(width, 0.0)) + "\" height=\"" + number(std::max(height, 0.0)) + "\" " +
                          attributes;
    return element + (tooltip.empty() ? "/>\n" : "><title>" + escaped(tooltip) + "</title></rect>\n");
}

std::string text(double x, double y, const std::string& content, const std::string& attributes = "") {
    return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\"" + (attributes.empty() ? "" : " " + attributes) +
           ">" + escaped(content) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& attributes) {
    return "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" + number(y2) +
           "\" " + attributes + "/>\n";
}

// Steps of 1, 2 or 5 times a power of ten from 0, at most most of them below highest, the
// last at or above it.
std::vector<std::int64_t> niceTicks(std::int64_t highest, int most = 5) {
    double step = 1;
    while (static_cast<double>(highest) / step > most) {
        double power = std::pow(10.0, std::floor(std::log10(step)));
        double mantissa = step / power;
        step = (mantissa < 2 ? 2 : mantissa < 5 ? 5 : 10) * power;
    }
    std::vector<std::int64_t> ticks = {0};
    while (static_cast<double>(ticks.back()) < static_cast<double>(highest)) {
        ticks.push_back(static_cast<std::int64_t>(static_cast<double>(ticks.back()) + step));
    }
    return ticks;
}

// An axis of counts: linear, or on log10(1 + count) when the counts span more than two
// decades, where a linear one would draw 1,894 beside 400,000 as nothing.
struct TCountAxis {
    std::vector<std::int64_t> ticks;
    double top = 1;  // the count at the axis's end
    bool logarithmic = false;

    // Where count lies along the axis, from 0 to 1.
    double fractionOf(double count) const {
        return logarithmic ? std::log10(1 + count) / std::log10(1 + top) : count / top;
    }
};

// The axis for counts, with at most about mostTicks labels.
TCountAxis countAxisOf(const std::vector<std::int64_t>& counts, int mostTicks) {
    std::int64_t most = 1;
    std::int64_t leastPositive = 0;
    for (std::int64_t count : counts) {
        most = std::max(most, count);
        if (count > 0 && (leastPositive == 0 || count < leastPositive)) leastPositive = count;
    }
    TCountAxis axis;
    axis.logarithmic = leastPositive > 0 && most > 100 * leastPositive;
    if (axis.logarithmic) {
        // 0, then powers of ten, or of a hundred when those would crowd the axis.
        int powers = static_cast<int>(std::ceil(std::log10(static_cast<double>(most))));
        std::int64_t factor = powers + 1 > std::max(mostTicks, 3) ? 100 : 10;
        axis.ticks = {0, 1};
        while (axis.ticks.back() < most) axis.ticks.push_back(axis.ticks.back() * factor);
    } else {
        axis.ticks = niceTicks(most, mostTicks);
    }
    axis.top = static_cast<double>(std::max(most, axis.ticks.back()));
    return axis;
}

enum class TView { tasks, lanes, density };

// Where things go, worked out once from the tasks.
struct TLayout {
    std::size_t taskCount = 0;
    TView view = TView::tasks;
    std::vector<std::size_t> rowOf;  // by task: its row (the task itself, or its lane)
    std::size_t rows = 0;
    double rowHeight = 0;
    double barHeight = 0;
    double plotHeight = 0;
    double firstInstant = 0;  // the time axis, on whole hours around the tasks
    double lastInstant = 0;
    double height = 0;

    double xOf(double instant) const {
        return kLeft + (instant - firstInstant) / (lastInstant - firstInstant) * kTimelineWidth;
    }
    double yOf(std::size_t task) const { return kTop + rowHeight * static_cast<double>(rowOf[task]); }
};

// Lanes of tasks that do not overlap, each task in the first lane free when it starts.
std::size_t packIntoLanes(const std::vector<TTarefa>& tasks, std::size_t taskCount, std::vector<std::size_t>& laneOf) {
    std::vector<double> laneFreeAt;
    for (std::size_t task = 0; task < taskCount; ++task) {
        std::size_t lane = 0;
        while (lane < laneFreeAt.size() && laneFreeAt[lane] >= tasks[task].start) ++lane;
        if (lane == laneFreeAt.size()) laneFreeAt.push_back(0);
        laneFreeAt[lane] = tasks[task].end;
        laneOf[task] = lane;
    }
    return laneFreeAt.size();
}

TLayout layoutOf(const TInstanceFacts& facts) {
    TLayout layout;
    layout.taskCount = static_cast<std::size_t>(std::max(facts.taskCount, 0));
    const std::vector<TTarefa>& tasks = *facts.tasks;
    layout.rowOf.resize(layout.taskCount);
    for (std::size_t task = 0; task < layout.taskCount; ++task) layout.rowOf[task] = task;
    layout.rows = layout.taskCount;
    if (static_cast<double>(layout.rows) * kThinnestRow > kPlotHeight) {
        layout.view = TView::lanes;
        layout.rows = packIntoLanes(tasks, layout.taskCount, layout.rowOf);
        if (static_cast<double>(layout.rows) * kThinnestLane > kPlotHeight) layout.view = TView::density;
    }
    layout.rowHeight = std::min(kWidestRow, kPlotHeight / std::max<double>(1, static_cast<double>(layout.rows)));
    layout.barHeight = layout.rowHeight >= 4 ? layout.rowHeight - 1 : layout.rowHeight;
    layout.plotHeight = layout.view == TView::density
                            ? kPlotHeight / 2
                            : layout.rowHeight * static_cast<double>(std::max<std::size_t>(layout.rows, 1));
    double first = layout.taskCount > 0 ? static_cast<double>(tasks[0].start) : 0.0;
    double last = first + 1.0 / 24;
    for (std::size_t task = 0; task < layout.taskCount; ++task) {
        first = std::min(first, static_cast<double>(tasks[task].start));
        last = std::max(last, static_cast<double>(tasks[task].end));
    }
    layout.firstInstant = std::floor(first * 24 + 1e-9) / 24;
    layout.lastInstant = std::max(std::ceil(last * 24 - 1e-9) / 24, layout.firstInstant + 1.0 / 24);
    return layout;
}

std::string titlePanel(const TRunResult& result, const TLayout& layout) {
    const TInstanceFacts& facts = result.instance;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      number(kWidth) + "\" height=\"" + number(layout.height) + "\" viewBox=\"0 0 " + number(kWidth) +
                      " " + number(layout.height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += rect(0, 0, kWidth, layout.height, "fill=\"white\"");
    svg += text(kLeft, 28,
                textf(tr("%s tarefas, %s colunas"), countText(facts.taskCount).c_str(),
                      countText(facts.columnCount).c_str()),
                "font-size=\"18\" font-weight=\"bold\"");
    svg += text(kLeft, 50, textf(tr("Partição: %s"), partitionText(result).c_str()), "font-size=\"13\"");
    const char* heading = layout.view == TView::tasks ? tr("Tarefas no tempo (uma linha por tarefa; cor: local de origem)")
                          : layout.view == TView::lanes
                              ? tr("Tarefas no tempo (tarefas que não se sobrepõem dividem uma faixa; cor: local de origem)")
                              : tr("Tarefas no tempo (tarefas em andamento ao longo do tempo)");
    svg += text(kLeft, kTop - 38, heading, "font-weight=\"bold\"");
    return svg;
}

// Hour labels at a step that gives at most 16 of them, and a date at each midnight.
std::string timeAxis(const TLayout& layout) {
    std::string svg;
    double bottom = kTop + layout.plotHeight;
    double hours = (layout.lastInstant - layout.firstInstant) * 24;
    int step = 24;
    for (int candidate : {1, 2, 3, 6, 12, 24}) {
        if (hours / candidate <= 16) {
            step = candidate;
            break;
        }
    }
    double firstHour = std::ceil(layout.firstInstant * 24 / step - 1e-9) * step;
    for (double hour = firstHour; hour <= layout.lastInstant * 24 + 1e-9; hour += step) {
        double instant = hour / 24;
        double x = layout.xOf(instant);
        bool midnight = std::fmod(hour, 24.0) < 1e-9;
        svg += line(x, kTop - 6, x, bottom, std::string("stroke=\"") + (midnight ? "#999" : "#e2e2e2") + "\"");
        svg += text(x, bottom + 16, textFromDateTime(instant, "HH:mm"), "text-anchor=\"middle\" font-size=\"11\"");
        if (midnight || hour == firstHour) {
            svg += text(x + 3, kTop - 10, textFromDateTime(instant, "DD/MM"), "font-size=\"11\"");
        }
    }
    svg += line(kLeft, bottom, kLeft + kTimelineWidth, bottom, "stroke=\"#333\"");
    svg += text(kLeft + kTimelineWidth / 2, bottom + 34, tr("hora do dia"), "text-anchor=\"middle\" font-size=\"11\"");
    return svg;
}

// Bands behind the rows of uncovered and certificate tasks (the task view only).
std::string bands(const TInstanceFacts& facts, const TLayout& layout) {
    std::string svg;
    if (layout.view != TView::tasks) return svg;
    auto bandOf = [&](std::size_t task, const char* colour) {
        return rect(kLeft, layout.yOf(task), kCoverageLeft + kCoverageWidth - kLeft, layout.rowHeight,
                    "fill=\"" + std::string(colour) + "\" fill-opacity=\"0.6\"");
    };
    for (std::int32_t task : facts.uncovered) svg += bandOf(static_cast<std::size_t>(task), kUncoveredBand);
    const TPartitionVerdict& verdict = facts.verdict;
    if (verdict.kind == TPartitionVerdict::TKind::neverTogetherPair) {
        for (std::int32_t task : {verdict.a, verdict.b}) svg += bandOf(static_cast<std::size_t>(task), kPairBand);
        svg += bandOf(static_cast<std::size_t>(verdict.c), kCommonBand);
    }
    return svg;
}

std::string taskBars(const TInstanceFacts& facts, const TLayout& layout) {
    std::string svg;
    if (layout.view == TView::density) return svg;
    const std::vector<TTarefa>& tasks = *facts.tasks;
    auto labelEvery = static_cast<std::size_t>(std::ceil(12.0 / layout.rowHeight));
    for (std::size_t task = 0; task < layout.taskCount; ++task) {
        const TTarefa& record = tasks[task];
        double y = layout.yOf(task);
        double start = layout.xOf(record.start);
        double end = layout.xOf(record.end);
        std::int64_t coverage = task < facts.coverage.size() ? facts.coverage[task] : 0;
        svg += rect(start, y, end - start, layout.barHeight,
                    "class=\"tarefa\" fill=\"" + std::string(colourOf(record.origin)) + "\"",
                    textf(tr("Tarefa %zu: %s a %s, local %d a %d, %s colunas"), task + 1,
                          textFromDateTime(record.start, "DD/MM HH:mm").c_str(),
                          textFromDateTime(record.end, "DD/MM HH:mm").c_str(), record.origin, record.destination,
                          countText(coverage).c_str()));
        if (record.origin >= 1 && record.origin <= facts.depotCount) {
            svg += rect(start, y, 2, layout.barHeight, "class=\"deposito\" fill=\"#000\"");
        }
        if (record.destination >= 1 && record.destination <= facts.depotCount) {
            svg += rect(end - 2, y, 2, layout.barHeight, "class=\"deposito\" fill=\"#000\"");
        }
        if (layout.view == TView::tasks && task % labelEvery == 0) {
            svg += text(kLeft - 6, y + std::min(layout.rowHeight, 10.0), std::to_string(task + 1),
                        "text-anchor=\"end\" font-size=\"10\"");
        }
    }
    if (layout.view == TView::lanes) {
        svg +=
            text(kLeft - 6, kTop + 10, textf(tr("%zu faixas"), layout.rows), "text-anchor=\"end\" font-size=\"10\"");
    }
    return svg;
}

// The tasks under way at each quarter hour, as an area.
std::string density(const TInstanceFacts& facts, const TLayout& layout) {
    std::string svg;
    if (layout.view != TView::density) return svg;
    const std::vector<TTarefa>& tasks = *facts.tasks;
    auto slots = static_cast<std::size_t>(std::ceil((layout.lastInstant - layout.firstInstant) / (15 * kMinute)));
    std::vector<std::int64_t> underway(slots + 1, 0);
    for (std::size_t task = 0; task < layout.taskCount; ++task) {
        auto from = static_cast<std::size_t>((tasks[task].start - layout.firstInstant) / (15 * kMinute) + 1e-6);
        auto to = static_cast<std::size_t>((tasks[task].end - layout.firstInstant) / (15 * kMinute) + 1e-6);
        for (std::size_t slot = from; slot < to && slot < underway.size(); ++slot) ++underway[slot];
    }
    std::int64_t most = std::max<std::int64_t>(1, *std::max_element(underway.begin(), underway.end()));
    std::vector<std::int64_t> ticks = niceTicks(most);
    double top = static_cast<double>(std::max(most, ticks.back()));
    double bottom = kTop + layout.plotHeight;
    std::string points;
    for (std::size_t slot = 0; slot < underway.size(); ++slot) {
        double x = layout.xOf(layout.firstInstant + static_cast<double>(slot) * 15 * kMinute);
        points +=
            number(x) + "," + number(bottom - layout.plotHeight * static_cast<double>(underway[slot]) / top) + " ";
    }
    svg += "<polyline class=\"andamento\" fill=\"none\" stroke=\"" + std::string(kBarColour) + "\" points=\"" + points +
           "\"/>\n";
    for (std::int64_t tick : ticks) {
        double y = bottom - layout.plotHeight * static_cast<double>(tick) / top;
        svg += text(kLeft - 6, y + 4, countText(tick), "text-anchor=\"end\" font-size=\"11\"");
    }
    // From the canvas's edge, where a long label still fits; above the dates of the axis.
    return svg + text(8, kTop - 24, tr("em andamento"), "font-size=\"11\"");
}

// A line from the end of each planted task to the start of the next of its duty.
std::string dutyLinks(const TRunResult& result, const TLayout& layout) {
    std::string svg;
    if (!result.planted || layout.view == TView::density) return svg;
    const std::vector<TTarefa>& tasks = *result.instance.tasks;
    double half = layout.barHeight / 2;
    for (const std::vector<std::int32_t>& duty : result.planted->duties) {
        for (std::size_t position = 1; position < duty.size(); ++position) {
            auto from = static_cast<std::size_t>(duty[position - 1]);
            auto to = static_cast<std::size_t>(duty[position]);
            svg += line(layout.xOf(tasks[from].end), layout.yOf(from) + half, layout.xOf(tasks[to].start),
                        layout.yOf(to) + half, "class=\"jornada\" stroke=\"#000\" stroke-width=\"0.8\"");
        }
    }
    return svg;
}

// A horizontal numeric axis under a panel.
std::string valueAxis(double left, double width, double y, const TCountAxis& axis, const std::string& title) {
    std::string svg = line(left, y, left + width, y, "stroke=\"#333\"");
    for (std::int64_t tick : axis.ticks) {
        double x = left + width * axis.fractionOf(static_cast<double>(tick));
        svg += line(x, y, x, y + 4, "stroke=\"#333\"");
        svg += text(x, y + 16, countText(tick), "text-anchor=\"middle\" font-size=\"11\"");
    }
    return svg + text(left + width / 2, y + 34, title, "text-anchor=\"middle\" font-size=\"11\"");
}

// The columns holding each task: beside its row, or as a histogram of the tasks.
std::string coveragePanel(const TInstanceFacts& facts, const TLayout& layout) {
    std::string svg = text(kCoverageLeft, kTop - 38, tr("Colunas por tarefa"), "font-weight=\"bold\"");
    if (layout.view == TView::tasks) {
        // A label every 50 pixels at most.
        TCountAxis axis = countAxisOf(facts.coverage, static_cast<int>(kCoverageWidth / 50));
        for (std::size_t task = 0; task < layout.taskCount; ++task) {
            std::int64_t coverage = task < facts.coverage.size() ? facts.coverage[task] : 0;
            svg += rect(kCoverageLeft, layout.yOf(task), kCoverageWidth * axis.fractionOf(static_cast<double>(coverage)),
                        layout.barHeight, "class=\"cobertura\" fill=\"" + std::string(kBarColour) + "\"");
        }
        return svg + valueAxis(kCoverageLeft, kCoverageWidth, kTop + layout.plotHeight, axis, tr("colunas"));
    }
    // Tasks by their coverage, in ten bins from none to the most, along the coverage axis.
    constexpr int kBins = 10;
    double width = kCoverageWidth - 40;
    TCountAxis axis = countAxisOf(facts.coverage, static_cast<int>(width / 50));
    std::vector<std::int64_t> tasksIn(kBins, 0);
    for (std::int64_t coverage : facts.coverage) {
        auto bin = static_cast<int>(axis.fractionOf(static_cast<double>(coverage)) * kBins);
        ++tasksIn[static_cast<std::size_t>(std::min(bin, kBins - 1))];
    }
    std::int64_t fullest = std::max<std::int64_t>(1, *std::max_element(tasksIn.begin(), tasksIn.end()));
    std::vector<std::int64_t> taskTicks = niceTicks(fullest, 4);
    double tallest = static_cast<double>(std::max(fullest, taskTicks.back()));
    double height = kLengthsHeight;
    double left = kCoverageLeft + 40;
    double slot = width / kBins;
    for (std::int64_t tick : taskTicks) {
        double y = kTop + height - height * static_cast<double>(tick) / tallest;
        svg += line(left - 4, y, left + width, y, "stroke=\"#e2e2e2\"");
        svg += text(left - 6, y + 4, countText(tick), "text-anchor=\"end\" font-size=\"11\"");
    }
    for (int bin = 0; bin < kBins; ++bin) {
        double length = height * static_cast<double>(tasksIn[static_cast<std::size_t>(bin)]) / tallest;
        svg += rect(left + slot * bin + 1, kTop + height - length, slot - 2, length,
                    "class=\"cobertura\" fill=\"" + std::string(kBarColour) + "\"",
                    textf(tr("%s tarefas"), countText(tasksIn[static_cast<std::size_t>(bin)]).c_str()));
    }
    svg += text(left - 6, kTop - 14, tr("tarefas"), "text-anchor=\"end\" font-size=\"11\"");
    return svg + valueAxis(left, width, kTop + height, axis, tr("colunas que a cobrem"));
}

// Columns by number of tasks, one bar per length, on a numeric axis.
std::string lengthsPanel(const TInstanceFacts& facts) {
    std::string svg = text(kSideLeft, kTop - 38, tr("Colunas por número de tarefas"), "font-weight=\"bold\"");
    std::int64_t most = 1;
    for (std::int64_t columns : facts.columnsByLength) most = std::max(most, columns);
    std::vector<std::int64_t> ticks = niceTicks(most);
    double top = static_cast<double>(std::max(most, ticks.back()));
    std::size_t lengths = std::max<std::size_t>(facts.columnsByLength.size(), 2);
    double left = kSideLeft + 50;
    double width = kSideWidth - 50;
    double slot = width / static_cast<double>(lengths - 1);
    double base = kTop + kLengthsHeight;
    for (std::int64_t tick : ticks) {
        double y = base - kLengthsHeight * static_cast<double>(tick) / top;
        svg += line(left - 4, y, left + width, y, "stroke=\"#e2e2e2\"");
        svg += text(left - 6, y + 4, countText(tick), "text-anchor=\"end\" font-size=\"11\"");
    }
    svg += line(left, base, left + width, base, "stroke=\"#333\"");
    for (std::size_t length = 1; length < lengths; ++length) {
        std::int64_t columns = length < facts.columnsByLength.size() ? facts.columnsByLength[length] : 0;
        double barLength = kLengthsHeight * static_cast<double>(columns) / top;
        double x = left + slot * static_cast<double>(length - 1);
        svg += rect(x + 1, base - barLength, std::max(slot - 2, 1.0), barLength,
                    "class=\"comprimento\" fill=\"" + std::string(kBarColour) + "\"",
                    textf(tr("%zu tarefas: %s colunas"), length, countText(columns).c_str()));
        // A label per bar while they fit, then every other, then every fifth.
        std::size_t every = slot >= 24 ? 1 : slot >= 12 ? 2 : 5;
        if (length % every == 0 || every == 1) {
            svg += text(x + slot / 2, base + 14, std::to_string(length), "text-anchor=\"middle\" font-size=\"11\"");
        }
    }
    return svg + text(left + width / 2, base + 32, tr("tarefas na coluna"), "text-anchor=\"middle\" font-size=\"11\"");
}

// The legend of what the picture draws in this view; bottom is set to its last line's foot.
std::string legend(const TRunResult& result, const TPictureFrame& frame, const TLayout& layout, double& bottom) {
    const TInstanceFacts& facts = result.instance;
    std::string svg;
    double row = kTop + kLengthsHeight + 80;
    if (layout.view != TView::density) {
        // Colours and depot ticks are drawn on the bars, which the density view has not.
        svg += text(kSideLeft, row, tr("Local de origem"), "font-weight=\"bold\"");
        constexpr auto kColours = static_cast<std::int32_t>(std::size(kLocationColours));
        std::int32_t shown = std::min(frame.locationCount, kColours);
        for (std::int32_t location = 1; location <= shown; ++location) {
            row += 18;
            svg += rect(kSideLeft, row - 10, 12, 12, "fill=\"" + std::string(colourOf(location)) + "\"");
            svg += text(kSideLeft + 18, row,
                        textf(location <= facts.depotCount ? tr("local %d (depósito)") : tr("local %d"), location));
        }
        if (frame.locationCount > kColours) {
            row += 18;
            svg += rect(kSideLeft, row - 10, 12, 12, "fill=\"" + std::string(kOtherLocations) + "\"");
            svg += text(kSideLeft + 18, row,
                        frame.locationCount == kColours + 1
                            ? textf(tr("local %d"), frame.locationCount)
                            : textf(tr("locais %d a %d"), kColours + 1, frame.locationCount));
        }
        row += 28;
        svg += rect(kSideLeft, row - 10, 2, 12, "fill=\"#000\"");
        svg += text(kSideLeft + 18, row, tr("ponta num depósito"));
    }
    // The bands are drawn in the task view only, and only for the tasks that have them.
    bool pair = facts.verdict.kind == TPartitionVerdict::TKind::neverTogetherPair;
    const std::tuple<bool, const char*, const char*> bandsShown[] = {
        {!facts.uncovered.empty(), kUncoveredBand, tr("tarefa sem coluna")},
        {pair, kPairBand, tr("par que nunca se encontra")},
        {pair, kCommonBand, tr("tarefa comum ao par")}};
    for (const auto& [drawn, colour, meaning] : bandsShown) {
        if (!drawn || layout.view != TView::tasks) continue;
        row += 18;
        svg += rect(kSideLeft, row - 10, 12, 12, "fill=\"" + std::string(colour) + "\"");
        svg += text(kSideLeft + 18, row, meaning);
    }
    if (result.planted && layout.view != TView::density) {
        row += 18;
        svg += line(kSideLeft, row - 4, kSideLeft + 12, row - 4, "stroke=\"#000\"");
        svg += text(kSideLeft + 18, row, tr("jornada plantada"));
    }
    bottom = row + 6;
    return svg;
}

}  // namespace

void writeSvgPicture(TOutputFile& file, const TRunResult& result, const TPictureFrame& frame) {
    TPointNumbers pointNumbers;
    const TInstanceFacts& facts = result.instance;
    TLayout layout = layoutOf(facts);
    double legendBottom = 0;
    std::string legendText = legend(result, frame, layout, legendBottom);
    // The canvas ends below its lowest part: the time axis's labels, or the legend.
    layout.height = std::max({kTop + layout.plotHeight + 50, kTop + kLengthsHeight + 50, legendBottom}) + 20;
    file.write(titlePanel(result, layout) + timeAxis(layout) + bands(facts, layout) + taskBars(facts, layout) +
               density(facts, layout) + dutyLinks(result, layout) + coveragePanel(facts, layout) + lengthsPanel(facts) +
               legendText + "</svg>\n");
}

}  // namespace gerador
