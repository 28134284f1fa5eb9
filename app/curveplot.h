#pragma once

#include "lightview.h"

#include <QImage>
#include <QString>

// A picture of a light curve as the decoder read it: the level over time, the
// lit spans shaded, a tick under each span read as a flash, the flashes of
// each digit read whole counted, and where the cycle starts. `title` goes
// above it.
QImage plotLightCurve(const decoding::LightView &view, const QString &title);
