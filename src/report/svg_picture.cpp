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

#include "tasks/tasks.h"

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

}  // namespace

void TSvgPicture::begin(const TColumnRunInfo&) {
    createFile(1 << 16);
}

void TSvgPicture::end(std::int32_t) {
    const TInstanceSummary& summary = summary_;
    auto taskCount = static_cast<std::size_t>(std::max(summary.taskCount, 0));
    const std::vector<TTarefa>& tasks = *summary.tasks;
    // Rows shrink with the task count: readable at 150 tasks, still one pixel at thousands.
    double rowHeight = std::clamp(1200.0 / std::max<double>(1, static_cast<double>(taskCount)), 1.0, 8.0);
    double barHeight = rowHeight >= 3 ? rowHeight - 1 : rowHeight;
    double rowsHeight = rowHeight * static_cast<double>(taskCount);

    double firstDay = std::floor(static_cast<double>(windowStart_));
    double lastDay = std::ceil(static_cast<double>(windowEnd_));
    for (std::size_t task = 0; task < taskCount; ++task) {
        firstDay = std::min(firstDay, std::floor(static_cast<double>(tasks[task].start)));
        lastDay = std::max(lastDay, std::ceil(static_cast<double>(tasks[task].end)));
    }
    lastDay = std::max(lastDay, firstDay + 1);
    auto xOf = [&](double instant) { return kLeft + (instant - firstDay) / (lastDay - firstDay) * kTimelineWidth; };

    double legendTop = kTop + std::max(rowsHeight, kLengthsHeight + 60) + 30;
    double height = legendTop + 20 * std::ceil(locationCount_ / 10.0) + 30;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      number(kWidth) + "\" height=\"" + number(height) + "\" viewBox=\"0 0 " + number(kWidth) + " " +
                      number(height) + "\" font-family=\"sans-serif\" font-size=\"11\">\n";
    svg += rect(0, 0, kWidth, height, "fill=\"white\"") + "\n";
    svg += text(kLeft, 22,
                std::to_string(summary.taskCount) + " tarefas, " + std::to_string(summary.columnCount) + " colunas",
                "font-size=\"16\" font-weight=\"bold\"");
    svg += text(kLeft, 40, "Partição: " + summary.verdictText(), "font-size=\"12\"");

    // The time axis.
    for (double day = firstDay; day <= lastDay; day += 1) {
        for (int hour = 6; hour < 24 && day < lastDay; hour += 6) {
            svg += line(xOf(day + hour / 24.0), kTop - 4, xOf(day + hour / 24.0), kTop + rowsHeight, "#e4e4e4");
        }
        svg += line(xOf(day), kTop - 14, xOf(day), kTop + rowsHeight, "#888");
        svg += text(xOf(day) + 2, kTop - 16, textFromDateTime(day, "DD/MM"));
    }
    svg += text(kLeft, kTop - 36, "Tarefas no tempo (cor: local de origem; traço escuro: ponta num depósito)");

    // Highlighted rows, then the bars.
    auto bandOf = [&](std::size_t task, const char* colour) {
        double y = kTop + rowHeight * static_cast<double>(task);
        return rect(kLeft, y, kCoverageLeft + kCoverageWidth - kLeft, rowHeight, "fill=\"" + std::string(colour) + "\"") +
               "\n";
    };
    for (std::int32_t task : summary.uncovered) svg += bandOf(static_cast<std::size_t>(task), "#f8c8c8");
    const TPartitionVerdict& verdict = summary.verdict;
    if (verdict.kind == TPartitionVerdict::TKind::neverTogetherPair) {
        for (std::int32_t task : {verdict.a, verdict.b}) svg += bandOf(static_cast<std::size_t>(task), "#ffe08a");
        svg += bandOf(static_cast<std::size_t>(verdict.c), "#ffb070");
    }
    std::int64_t mostCoverage = 1;
    for (std::int64_t columns : summary.coverage) mostCoverage = std::max(mostCoverage, columns);
    std::size_t labelEvery = static_cast<std::size_t>(std::ceil(11.0 / rowHeight));
    for (std::size_t task = 0; task < taskCount; ++task) {
        const TTarefa& record = tasks[task];
        double y = kTop + rowHeight * static_cast<double>(task);
        double start = xOf(static_cast<double>(record.start));
        double end = xOf(static_cast<double>(record.end));
        std::int64_t coverage = task < summary.coverage.size() ? summary.coverage[task] : 0;
        svg += rect(start, y, end - start, barHeight,
                    "class=\"tarefa\" fill=\"" + colourOf(record.origin, locationCount_) + "\"",
                    "Tarefa " + std::to_string(task + 1) + ": " + textFromDateTime(record.start, "DD/MM HH:mm") +
                        " a " + textFromDateTime(record.end, "DD/MM HH:mm") + ", local " +
                        std::to_string(record.origin) + " a " + std::to_string(record.destination) + ", " +
                        std::to_string(coverage) + " colunas") +
               "\n";
        if (record.origin >= 1 && record.origin <= summary.depotCount) {
            svg += rect(start, y, 2, barHeight, "fill=\"#222\"") + "\n";
        }
        if (record.destination >= 1 && record.destination <= summary.depotCount) {
            svg += rect(end - 2, y, 2, barHeight, "fill=\"#222\"") + "\n";
        }
        svg += rect(kCoverageLeft, y,
                    kCoverageWidth * static_cast<double>(coverage) / static_cast<double>(mostCoverage), barHeight,
                    "class=\"cobertura\" fill=\"#5577aa\"") +
               "\n";
        if (task % labelEvery == 0) {
            svg += text(kLeft - 4, y + std::min(rowHeight, 9.0), std::to_string(task + 1),
                        "text-anchor=\"end\" font-size=\"9\"");
        }
    }
    svg += text(kCoverageLeft, kTop - 36, "Colunas por tarefa (até " + std::to_string(mostCoverage) + ")");

    // Columns by number of tasks.
    std::int64_t mostColumns = 1;
    for (std::int64_t columns : summary.columnsByLength) mostColumns = std::max(mostColumns, columns);
    std::size_t lengths = std::max<std::size_t>(summary.columnsByLength.size(), 2);
    double slot = kLengthsWidth / static_cast<double>(lengths - 1);
    double base = kTop + kLengthsHeight;
    svg += text(kLengthsLeft, kTop - 36, "Colunas por número de tarefas (até " + std::to_string(mostColumns) + ")");
    svg += line(kLengthsLeft, base, kLengthsLeft + kLengthsWidth, base, "#888");
    for (std::size_t length = 1; length < lengths; ++length) {
        std::int64_t columns = length < summary.columnsByLength.size() ? summary.columnsByLength[length] : 0;
        double barLength = kLengthsHeight * static_cast<double>(columns) / static_cast<double>(mostColumns);
        double x = kLengthsLeft + slot * static_cast<double>(length - 1);
        svg += rect(x + 1, base - barLength, std::max(slot - 2, 1.0), barLength, "class=\"comprimento\" fill=\"#6a9f58\"",
                    std::to_string(length) + " tarefas: " + std::to_string(columns) + " colunas");
        svg += "\n" + text(x + slot / 2, base + 14, std::to_string(length), "text-anchor=\"middle\" font-size=\"9\"");
    }

    // Legend.
    for (std::int32_t location = 1; location <= locationCount_; ++location) {
        double x = kLeft + 130.0 * ((location - 1) % 10);
        double y = legendTop + 20.0 * ((location - 1) / 10);
        svg += rect(x, y - 9, 10, 10, "fill=\"" + colourOf(location, locationCount_) + "\"") + "\n";
        svg += text(x + 14, y, "local " + std::to_string(location) + (location <= summary.depotCount ? " (depósito)" : ""));
    }
    svg += text(kLeft, height - 10, "Faixa vermelha: tarefa sem coluna; amarela: par que nunca se encontra; laranja: "
                                    "tarefa comum ao par.");
    svg += "</svg>\n";
    file().write(svg);
    finishFile();
}
