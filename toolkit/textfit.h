#pragma once

#include "cataloguecheck.h"

#include <QList>
#include <QString>

namespace design {

// A control that shows catalogue texts, and the room it gives them.
struct TextControl {
    enum class Kind { Frame, Button, List, Row, Title };
    Kind kind;
    const char *window; // the window's object name
    const char *name;   // the control's object name; the window's own for its title
    int width;          // room for a line of text, in pixels
    int height;         // rows: the height that whole lines must fit in; 0 otherwise
};

// Every control that shows catalogue texts (of the rows, the first).
QList<TextControl> textControls();

// How `text`, read as `key`, fits the control that shows it, measured in the
// program's font at 96 dpi. A text that no control shows fits. Needs a
// QGuiApplication (the offscreen platform is enough) and builds no widgets.
catalogue::TextFit fitText(catalogue::Text key, const QString &text);

} // namespace design
