// Writes the picture as one SVG document:
// - a title with the counts and the partition verdict;
// - the time axis: a line and a date at each midnight, lighter lines every six hours;
// - one row per task in task order: a highlighted band for uncovered and certificate
//   tasks, the task's bar (class "tarefa", coloured by origin, with a tooltip), and a dark
//   tick at an end that lies at a depot;
// - beside the rows, the coverage of each task as a bar (class "cobertura");
// - a bar chart of the columns by number of tasks, and the legend of the colours.
#include "report/svg_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/output_file.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

constexpr double kLeft = 60;
constexpr double kTop = 90;
constexpr double kTimelineWidth = 900;
constexpr double kCoverageLeft = kLeft + kTimelineWidth + 50;
constexpr double kCoverageWidth = 200;
constexpr double kLengthsLeft = kCoverageLeft + kCoverageWidth + 50;
constexpr double kLengthsWidth = 260;
constexpr double kLengthsHeight = 200;
constexpr double kWidth = kLengthsLeft + kLengthsWidth + 30;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
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

// Location 1..count spread around the colour wheel, as "#rrggbb".
std::string colourOf(std::int32_t location, std::int32_t count) {
    double hue = 360.0 * (location - 1) / std::max(count, 1);
    double lightness = 0.5;
    double saturation = 0.65;
    double chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
    double side = chroma * (1 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1));
    double red = 0, green = 0, blue = 0;
    switch (static_cast<int>(std::fmod(std::fmod(hue, 360.0) + 360.0, 360.0) / 60.0)) {
        case 0: red = chroma, green = side; break;
        case 1: red = side, green = chroma; break;
        case 2: green = chroma, blue = side; break;
        case 3: green = side, blue = chroma; break;
        case 4: red = side, blue = chroma; break;
        default: red = chroma, blue = side; break;
    }
    double offset = lightness - chroma / 2;
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<int>(std::lround((red + offset) * 255)),
                  static_cast<int>(std::lround((green + offset) * 255)), static_cast<int>(std::lround((blue + offset) * 255)));
    return text;
}

// A rectangle; with a tooltip, the text a browser shows over it.
std::string rect(double x, double y, double width, double height, const std::string& attributes,
                 const std::string& tooltip = "") {
    std::string element = "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" +
                          number(std::max(width, 0.0)) + "\" height=\"" + number(height) + "\" " + attributes;
    return element + (tooltip.empty() ? "/>" : "><title>" + escaped(tooltip) + "</title></rect>");
}

std::string text(double x, double y, const std::string& content, const std::string& attributes = "") {
    return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\"" + (attributes.empty() ? "" : " " + attributes) +
           ">" + escaped(content) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& stroke) {
    return "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" + number(y2) +
           "\" stroke=\"" + stroke + "\"/>\n";
}
// Where things go, worked out once from the task count and the window.
struct TLayout {
    std::size_t taskCount = 0;
    double rowHeight = 0;
    double barHeight = 0;
    double rowsHeight = 0;
    double firstDay = 0;  // the time axis, in whole days
    double lastDay = 0;
    double legendTop = 0;
    double height = 0;

    double xOf(double instant) const { return kLeft + (instant - firstDay) / (lastDay - firstDay) * kTimelineWidth; }
    double yOf(std::size_t task) const { return kTop + rowHeight * static_cast<double>(task); }
};

TLayout layoutOf(const TInstanceFacts& facts, const TPictureFrame& frame) {
    TLayout layout;
    layout.taskCount = static_cast<std::size_t>(std::max(facts.taskCount, 0));
    const std::vector<TTarefa>& tasks = *facts.tasks;
    // Rows shrink with the task count: readable at 150 tasks, still one pixel at thousands.
    layout.rowHeight = std::clamp(1200.0 / std::max<double>(1, static_cast<double>(layout.taskCount)), 1.0, 8.0);
    layout.barHeight = layout.rowHeight >= 3 ? layout.rowHeight - 1 : layout.rowHeight;
    layout.rowsHeight = layout.rowHeight * static_cast<double>(layout.taskCount);
    layout.firstDay = std::floor(static_cast<double>(frame.windowStart));
    layout.lastDay = std::ceil(static_cast<double>(frame.windowEnd));
    for (std::size_t task = 0; task < layout.taskCount; ++task) {
        layout.firstDay = std::min(layout.firstDay, std::floor(static_cast<double>(tasks[task].start)));
        layout.lastDay = std::max(layout.lastDay, std::ceil(static_cast<double>(tasks[task].end)));
    }
    layout.lastDay = std::max(layout.lastDay, layout.firstDay + 1);
    layout.legendTop = kTop + std::max(layout.rowsHeight, kLengthsHeight + 60) + 30;
    layout.height = layout.legendTop + 20 * std::ceil(frame.locationCount / 10.0) + 30;
    return layout;
}

std::string titlePanel(const TRunResult& result, const TLayout& layout) {
    const TInstanceFacts& facts = result.instance;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      number(kWidth) + "\" height=\"" + number(layout.height) + "\" viewBox=\"0 0 " + number(kWidth) +
                      " " + number(layout.height) + "\" font-family=\"sans-serif\" font-size=\"11\">\n";
    svg += rect(0, 0, kWidth, layout.height, "fill=\"white\"") + "\n";
    svg += text(kLeft, 22,
                std::to_string(facts.taskCount) + " tarefas, " + std::to_string(facts.columnCount) + " colunas",
                "font-size=\"16\" font-weight=\"bold\"");
    svg += text(kLeft, 40, "Partição: " + partitionText(result), "font-size=\"12\"");
    return svg;
}

// A line and a date at each midnight, lighter lines every six hours.
std::string timeAxis(const TLayout& layout) {
    std::string svg;
    double bottom = kTop + layout.rowsHeight;
    for (double day = layout.firstDay; day <= layout.lastDay; day += 1) {
        for (int hour = 6; hour < 24 && day < layout.lastDay; hour += 6) {
            svg += line(layout.xOf(day + hour / 24.0), kTop - 4, layout.xOf(day + hour / 24.0), bottom, "#e4e4e4");
        }
        svg += line(layout.xOf(day), kTop - 14, layout.xOf(day), bottom, "#888");
        svg += text(layout.xOf(day) + 2, kTop - 16, textFromDateTime(day, "DD/MM"));
    }
    svg += text(kLeft, kTop - 36, "Tarefas no tempo (cor: local de origem; traço escuro: ponta num depósito)");
    return svg;
}

// The bands of uncovered and certificate tasks, then per task its bar, depot ticks,
// coverage bar and, every few rows, its number.
std::string taskRows(const TInstanceFacts& facts, const TPictureFrame& frame, const TLayout& layout) {
    std::string svg;
    auto bandOf = [&](std::size_t task, const char* colour) {
        return rect(kLeft, layout.yOf(task), kCoverageLeft + kCoverageWidth - kLeft, layout.rowHeight,
                    "fill=\"" + std::string(colour) + "\"") +
               "\n";
    };
    for (std::int32_t task : facts.uncovered) svg += bandOf(static_cast<std::size_t>(task), "#f8c8c8");
    const TPartitionVerdict& verdict = facts.verdict;
    if (verdict.kind == TPartitionVerdict::TKind::neverTogetherPair) {
        for (std::int32_t task : {verdict.a, verdict.b}) svg += bandOf(static_cast<std::size_t>(task), "#ffe08a");
        svg += bandOf(static_cast<std::size_t>(verdict.c), "#ffb070");
    }
    std::int64_t mostCoverage = 1;
    for (std::int64_t columns : facts.coverage) mostCoverage = std::max(mostCoverage, columns);
    auto labelEvery = static_cast<std::size_t>(std::ceil(11.0 / layout.rowHeight));
    double barHeight = layout.barHeight;
    for (std::size_t task = 0; task < layout.taskCount; ++task) {
        const TTarefa& record = (*facts.tasks)[task];
        double y = layout.yOf(task);
        double start = layout.xOf(static_cast<double>(record.start));
        double end = layout.xOf(static_cast<double>(record.end));
        std::int64_t coverage = task < facts.coverage.size() ? facts.coverage[task] : 0;
        svg += rect(start, y, end - start, barHeight,
                    "class=\"tarefa\" fill=\"" + colourOf(record.origin, frame.locationCount) + "\"",
                    "Tarefa " + std::to_string(task + 1) + ": " + textFromDateTime(record.start, "DD/MM HH:mm") +
                        " a " + textFromDateTime(record.end, "DD/MM HH:mm") + ", local " +
                        std::to_string(record.origin) + " a " + std::to_string(record.destination) + ", " +
                        std::to_string(coverage) + " colunas") +
               "\n";
        if (record.origin >= 1 && record.origin <= facts.depotCount) {
            svg += rect(start, y, 2, barHeight, "fill=\"#222\"") + "\n";
        }
        if (record.destination >= 1 && record.destination <= facts.depotCount) {
            svg += rect(end - 2, y, 2, barHeight, "fill=\"#222\"") + "\n";
        }
        svg += rect(kCoverageLeft, y,
                    kCoverageWidth * static_cast<double>(coverage) / static_cast<double>(mostCoverage), barHeight,
                    "class=\"cobertura\" fill=\"#5577aa\"") +
               "\n";
        if (task % labelEvery == 0) {
            svg += text(kLeft - 4, y + std::min(layout.rowHeight, 9.0), std::to_string(task + 1),
                        "text-anchor=\"end\" font-size=\"9\"");
        }
    }
    svg += text(kCoverageLeft, kTop - 36, "Colunas por tarefa (até " + std::to_string(mostCoverage) + ")");
    return svg;
}

// A line from the end of each planted task to the start of the next of its duty.
std::string dutyLinks(const TRunResult& result, const TLayout& layout) {
    std::string svg;
    if (!result.planted) return svg;
    const std::vector<TTarefa>& tasks = *result.instance.tasks;
    for (const std::vector<std::int32_t>& duty : result.planted->duties) {
        for (std::size_t position = 1; position < duty.size(); ++position) {
            auto from = static_cast<std::size_t>(duty[position - 1]);
            auto to = static_cast<std::size_t>(duty[position]);
            double half = layout.barHeight / 2;
            svg += "<line class=\"jornada\" x1=\"" + number(layout.xOf(tasks[from].end)) + "\" y1=\"" +
                   number(layout.yOf(from) + half) + "\" x2=\"" + number(layout.xOf(tasks[to].start)) + "\" y2=\"" +
                   number(layout.yOf(to) + half) + "\" stroke=\"#333\" stroke-width=\"0.8\"/>\n";
        }
    }
    return svg;
}

// Columns by number of tasks, one bar per length.
std::string lengthsPanel(const TInstanceFacts& facts) {
    std::string svg;
    std::int64_t mostColumns = 1;
    for (std::int64_t columns : facts.columnsByLength) mostColumns = std::max(mostColumns, columns);
    std::size_t lengths = std::max<std::size_t>(facts.columnsByLength.size(), 2);
    double slot = kLengthsWidth / static_cast<double>(lengths - 1);
    double base = kTop + kLengthsHeight;
    svg += text(kLengthsLeft, kTop - 36, "Colunas por número de tarefas (até " + std::to_string(mostColumns) + ")");
    svg += line(kLengthsLeft, base, kLengthsLeft + kLengthsWidth, base, "#888");
    for (std::size_t length = 1; length < lengths; ++length) {
        std::int64_t columns = length < facts.columnsByLength.size() ? facts.columnsByLength[length] : 0;
        double barLength = kLengthsHeight * static_cast<double>(columns) / static_cast<double>(mostColumns);
        double x = kLengthsLeft + slot * static_cast<double>(length - 1);
        svg += rect(x + 1, base - barLength, std::max(slot - 2, 1.0), barLength, "class=\"comprimento\" fill=\"#6a9f58\"",
                    std::to_string(length) + " tarefas: " + std::to_string(columns) + " colunas");
        svg += "\n" + text(x + slot / 2, base + 14, std::to_string(length), "text-anchor=\"middle\" font-size=\"9\"");
    }
    return svg;
}

std::string legend(const TInstanceFacts& facts, const TPictureFrame& frame, const TLayout& layout) {
    std::string svg;
    for (std::int32_t location = 1; location <= frame.locationCount; ++location) {
        double x = kLeft + 130.0 * ((location - 1) % 10);
        double y = layout.legendTop + 20.0 * ((location - 1) / 10);
        svg += rect(x, y - 9, 10, 10, "fill=\"" + colourOf(location, frame.locationCount) + "\"") + "\n";
        svg += text(x + 14, y, "local " + std::to_string(location) + (location <= facts.depotCount ? " (depósito)" : ""));
    }
    svg += text(kLeft, layout.height - 10, "Faixa vermelha: tarefa sem coluna; amarela: par que nunca se encontra; laranja: "
                                           "tarefa comum ao par.");
    return svg;
}

}  // namespace

void writeSvgPicture(TOutputFile& file, const TRunResult& result, const TPictureFrame& frame) {
    const TInstanceFacts& facts = result.instance;
    TLayout layout = layoutOf(facts, frame);
    file.write(titlePanel(result, layout) + timeAxis(layout) + taskRows(facts, frame, layout) +
               dutyLinks(result, layout) + lengthsPanel(facts) + legend(facts, frame, layout) + "</svg>\n");
}

}  // namespace gerador
