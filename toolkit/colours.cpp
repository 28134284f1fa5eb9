#include "colours.h"

#include <QPalette>
#include <QWidget>

namespace toolkit {

QColor colourFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void setBackColour(QWidget *control, const QColor &back)
{
    QPalette pal = control->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        pal.setColor(role, back);
    // Frames draw their caption in Text, labels in WindowText, lists their
    // entry and arrow in ButtonText.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        pal.setColor(QPalette::Active, role, QColor(ClassicText));
        pal.setColor(QPalette::Inactive, role, QColor(ClassicText));
        pal.setColor(QPalette::Disabled, role, QColor(ClassicGreyText));
    }
    control->setPalette(pal);
}

} // namespace toolkit
