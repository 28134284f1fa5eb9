#pragma once

#include "lightview.h"

#include <QWidget>

namespace main_window {

// The light curve of a recording as the decoder reads it, growing to the
// right over the recording's length: lit spans shaded in the colour found,
// a tick under each flash, above each digit read whole its count.
class LightStrip : public QWidget
{
    Q_OBJECT

public:
    explicit LightStrip(QWidget *parent = nullptr);

    // What has been read so far.
    void setView(const decoding::LightView &view);
    // The recording's length in ms (0 unknown: the strip fits what was read).
    void setLengthMs(double lengthMs);

    const decoding::LightView &view() const { return m_view; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    decoding::LightView m_view;
    std::vector<decoding::DigitCount> m_digits;
    double m_lengthMs = 0;
};

} // namespace main_window
