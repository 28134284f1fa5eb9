#pragma once

#include <QLabel>

namespace toolkit {

// A label that wraps its text at word boundaries and shows only the lines that
// fit its height completely, never the top of a line cut off by its bottom
// edge. The first line always shows, cut if the label is lower than that line.
class Label : public QLabel
{
    Q_OBJECT

public:
    explicit Label(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int wholeLinesHeight() const;
};

} // namespace toolkit
