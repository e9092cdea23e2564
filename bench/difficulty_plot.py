"""Plots a difficulty.csv (bench/difficulty.sh): solve seconds and Cbc nodes against the
columns, both axes logarithmic, one mark per point coloured by its difficulty word."""
import csv
import math
import sys

rows = list(csv.DictReader(open(sys.argv[1])))
colours = {"easy": "#2a9d8f", "medium": "#e9c46a", "hard": "#e76f51", "infeasible": "#888888"}
width, height, margin = 900, 380, 60


def scale(values):
    low = math.log10(max(min(values), 1e-3))
    high = math.log10(max(max(values), 1e-3))
    return low, max(high, low + 1)


parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" font-family="sans-serif" font-size="12">']
panels = [("seconds", "solve seconds"), ("nodes", "Cbc nodes (+1)")]
for index, (field, label) in enumerate(panels):
    left = margin + index * (width // 2)
    right = left + width // 2 - margin - 20
    top, bottom = 30, height - margin
    xs = [max(float(row["columns"]), 1) for row in rows]
    ys = [float(row[field] or 0) + (1 if field == "nodes" else 0) for row in rows]
    (xl, xh), (yl, yh) = scale(xs), scale(ys)
    parts.append(f'<rect x="{left}" y="{top}" width="{right - left}" height="{bottom - top}" fill="none" stroke="#999"/>')
    parts.append(f'<text x="{(left + right) / 2}" y="{height - 20}" text-anchor="middle">columns (log)</text>')
    parts.append(f'<text x="{left}" y="20">{label} (log)</text>')
    for power in range(math.floor(xl), math.ceil(xh) + 1):
        x = left + (power - xl) / (xh - xl) * (right - left)
        if left <= x <= right:
            parts.append(f'<text x="{x}" y="{bottom + 15}" text-anchor="middle">1e{power}</text>')
    for power in range(math.floor(yl), math.ceil(yh) + 1):
        y = bottom - (power - yl) / (yh - yl) * (bottom - top)
        if top <= y <= bottom:
            parts.append(f'<text x="{left - 5}" y="{y + 4}" text-anchor="end">1e{power}</text>')
    for row, x, y in zip(rows, xs, ys):
        px = left + (math.log10(x) - xl) / (xh - xl) * (right - left)
        py = bottom - (math.log10(max(y, 1e-3)) - yl) / (yh - yl) * (bottom - top)
        colour = colours.get(row["difficulty"], "#000")
        parts.append(f'<circle cx="{px:.1f}" cy="{py:.1f}" r="5" fill="{colour}"><title>{row["tasks"]} tasks, '
                     f'{row["model"]}, accept {row["acceptPercent"]}, plant {row["plant"]}: {row["difficulty"]}</title></circle>')
for index, (word, colour) in enumerate(colours.items()):
    parts.append(f'<circle cx="{margin + index * 110}" cy="{height - 6}" r="5" fill="{colour}"/>'
                 f'<text x="{margin + index * 110 + 9}" y="{height - 2}">{word}</text>')
parts.append("</svg>")
open(sys.argv[2], "w").write("\n".join(parts) + "\n")
