#include "controls.h"

#include "label.h"
#include "twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcutEvent>

namespace toolkit {

namespace {

// QPushButton holds itself pressed for 100 ms when its access key is typed and
// clicks only then, so a key typed meanwhile took effect first: the space bar
// opened the interpretation window and the exit button's click came inside it.
// This button clicks on its access key at once, as it does on Enter, the space
// bar and the mouse, so clicks follow the order the keys were typed in.
class CommandButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::Shortcut) {
            const auto *shortcut = static_cast<QShortcutEvent *>(event);
            if (!shortcut->isAmbiguous() && shortcut->key() == this->shortcut()) {
                click();
                return true;
            }
        }
        return QPushButton::event(event);
    }
};

} // namespace

void place(QWidget *widget, const QString &name, const design::TwipsRect &rect)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(rect.left, rect.top, rect.width, rect.height));
}

QGroupBox *makeFrame(QWidget *parent)
{
    auto *frame = new QGroupBox(parent);
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

QPushButton *makeCommandButton(QWidget *parent)
{
    auto *button = new CommandButton(parent);
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
