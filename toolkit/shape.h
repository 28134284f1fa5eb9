#pragma once

#include <QColor>
#include <QWidget>

namespace toolkit {

// A filled rectangle or circle drawn on its window, like the classic
// lightweight shape: showing and hiding it only repaints, and a circle's
// diameter is the smaller side of its box, centred in it.
class Shape : public QWidget
{
    Q_OBJECT

public:
    enum class Kind { Rectangle, Circle };
    enum class Border { None, Default };

    Shape(Kind kind, QColor fill, Border border, QWidget *parent);

    QColor fillColour() const { return m_fill; }
    // Sets the fill colour and repaints.
    void setFillColour(const QColor &colour);

    // Whether the shape is drawn (the classic Visible property).
    bool isShapeVisible() const { return m_visible; }
    // Draws (true) or hides (false) the shape, and repaints.
    void setShapeVisible(bool visible);

    // Texts that tell assistive technology whether the shape is drawn; they
    // become its accessible description.
    void setAccessibleStateTexts(const QString &drawn, const QString &hidden);

signals:
    // Emitted after the shape has been painted, with whether it was drawn.
    void painted(bool drawn);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
    QColor m_fill;
    Border m_border;
    bool m_visible = true;
    QString m_drawnText;
    QString m_hiddenText;

    void describeState();
};

} // namespace toolkit
