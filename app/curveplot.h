#pragma once

#include "lightview.h"

#include <QImage>
#include <QString>

// A picture of a light curve as the decoder read it: the level over time, the
// lit spans shaded, a tick under each span read as a flash, the flashes of
// each digit read whole counted, and where the cycle starts. `title` goes
// above it. The time axis spans readMs, the part of the recording read, even
// where no light was found in it.
QImage plotLightCurve(const decoding::LightView &view, const QString &title, double readMs);
