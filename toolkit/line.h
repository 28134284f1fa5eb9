#pragma once

#include <QColor>
#include <QWidget>

namespace toolkit {

// A horizontal line from (x1, y) to (x2, y) in twips, `width` pixels thick,
// centred on y.
class Line : public QWidget
{
    Q_OBJECT

public:
    Line(int x1, int x2, int y, QColor colour, int width, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};

} // namespace toolkit
