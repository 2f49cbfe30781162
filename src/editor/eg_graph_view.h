#pragma once
// One envelope graph picture (Picture2): 2100 x 1500 twips, white, with its
// fixed axis lines, its captions and the envelope segments it is given.

#include "editor/eg_graph.h"

#include <QLabel>
#include <QWidget>

#include <array>
#include <vector>

namespace vox {

class EnvelopeGraphView : public QWidget {
public:
    enum class Kind { Operator, Pitch };

    // operatorNumber: the number shown at the top right (operator graphs).
    EnvelopeGraphView(Kind kind, int operatorNumber, QWidget *parent = nullptr);

    void setSegments(std::vector<GraphSegment> segments);
    const std::vector<GraphSegment> &segments() const { return segments_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind kind_;
    std::vector<GraphSegment> segments_;
};

} // namespace vox
