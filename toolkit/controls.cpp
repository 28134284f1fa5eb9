#include "controls.h"

#include "label.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace toolkit {

QGroupBox *makeFrame(QWidget *parent)
{
    auto *frame = new QGroupBox(parent);
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

QPushButton *makeCommandButton(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setAutoDefault(true); // Enter clicks the focused button, as space does
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QLabel *makeLabel(QWidget *parent)
{
    auto *label = new Label(parent);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

QLabel *makeImage(const QPixmap &picture, QWidget *parent)
{
    auto *image = new QLabel(parent);
    image->setPixmap(picture);
    image->setScaledContents(false);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setFocusPolicy(Qt::NoFocus);
    return image;
}

} // namespace toolkit
