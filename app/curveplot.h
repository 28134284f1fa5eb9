#pragma once

#include "recordingdecoder.h"

#include <QImage>
#include <QString>

// A picture of a light curve as it was read: the level over time, the lit
// spans shaded, a tick under each flash, the flashes of each digit counted,
// and where the cycle starts. `title` goes above it.
QImage plotLightCurve(const recording::RecordingResult &result, const QString &title);
