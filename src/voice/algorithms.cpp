#include "voice/algorithms.h"

#include <algorithm>
#include <vector>

namespace vox {

const AlgorithmInfo &AlgorithmOf(int number) {
    return kAlgorithms[static_cast<std::size_t>(std::clamp(number, 1, kAlgorithmCount) - 1)];
}

std::string AlgorithmPictureName(int number) { return "alg" + std::to_string(number) + ".jpg"; }

namespace {

// Height above the bottom row: a carrier stands at 0, a modulator one row
// above the highest operator it modulates.
int RowOf(const AlgorithmInfo &a, int op) {
    if (a.isCarrier(op)) return 0;
    int row = 0;
    for (const Modulation &m : a.mods())
        if (m.from == op) row = std::max(row, RowOf(a, m.to) + 1);
    return row;
}

// The operator a modulator is drawn above: the lowest-numbered one it feeds.
int ParentOf(const AlgorithmInfo &a, int op) {
    int parent = 0;
    for (const Modulation &m : a.mods())
        if (m.from == op && (parent == 0 || m.to < parent)) parent = m.to;
    return parent;
}

int TargetCount(const AlgorithmInfo &a, int op) {
    int n = 0;
    for (const Modulation &m : a.mods())
        n += m.from == op ? 1 : 0;
    return n;
}

// Lays the tree out from the left: every leaf takes the next free column,
// a parent sits centred over its children.
double PlaceTree(const AlgorithmInfo &a, int op, double &nextColumn, AlgorithmLayout &layout) {
    std::vector<double> childColumns;
    for (int child = 1; child <= kOperatorCount; ++child)
        if (!a.isCarrier(child) && ParentOf(a, child) == op)
            childColumns.push_back(PlaceTree(a, child, nextColumn, layout));
    double column;
    if (childColumns.empty()) {
        column = nextColumn;
        nextColumn += 1;
    } else {
        column = (childColumns.front() + childColumns.back()) / 2;
    }
    layout.places[static_cast<std::size_t>(op - 1)].column = column;
    return column;
}

} // namespace

AlgorithmLayout LayoutAlgorithm(int number) {
    const AlgorithmInfo &a = AlgorithmOf(number);
    AlgorithmLayout layout;
    double nextColumn = 0;
    for (int op = 1; op <= kOperatorCount; ++op) {
        layout.places[static_cast<std::size_t>(op - 1)].row = RowOf(a, op);
        if (a.isCarrier(op)) PlaceTree(a, op, nextColumn, layout);
    }
    // An operator feeding several others stands centred over all of them.
    for (int op = 1; op <= kOperatorCount; ++op) {
        if (TargetCount(a, op) < 2) continue;
        double low = 1e9, high = -1e9;
        for (const Modulation &m : a.mods())
            if (m.from == op) {
                low = std::min(low, layout.places[static_cast<std::size_t>(m.to - 1)].column);
                high = std::max(high, layout.places[static_cast<std::size_t>(m.to - 1)].column);
            }
        layout.places[static_cast<std::size_t>(op - 1)].column = (low + high) / 2;
    }
    for (const OperatorPlace &p : layout.places) {
        layout.rows = std::max(layout.rows, p.row + 1);
        layout.columns = std::max(layout.columns, p.column + 1);
    }
    return layout;
}

} // namespace vox
