#pragma once

#include "videoreader.h"

#include <vector>

namespace recording {

// How far the hand has moved the picture since the first frame: each frame's
// row and column brightness profiles, high-passed to their edges, matched
// against the first frame's.
class PictureMotion
{
public:
    // The shift (dx, dy) in pixels of a frame's content against the first
    // frame's; frames must all have the first frame's size.
    void shiftOf(const FrameView &frame, int &dx, int &dy);

private:
    std::vector<float> m_referenceColumns, m_referenceRows;
    std::vector<float> m_columnEdges, m_rowEdges;
    int m_dx = 0, m_dy = 0; // the last frame's shift, where the next one is looked for
};

} // namespace recording
