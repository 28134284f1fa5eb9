#pragma once

#include "combobox.h"
#include "form1.h"
#include "shape.h"
#include "timer.h"

#include <QPushButton>
#include <QTest>

// Reaches the main window's controls by their names, as a user sees them.
struct FormDriver {
    main_window::Form1 form{SHIPPED_FOLDER};

    FormDriver()
    {
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qWarning("main window not exposed");
    }

    toolkit::ComboBox *combo(const char *name) const
    {
        return form.findChild<toolkit::ComboBox *>(name);
    }
    toolkit::ComboBox *digit(int i) const
    {
        return combo(QByteArray("Combo3_" + QByteArray::number(i)).constData());
    }
    QPushButton *button(const char *name) const { return form.findChild<QPushButton *>(name); }
    toolkit::Timer *timer() const { return form.findChild<toolkit::Timer *>("Timer1"); }
    toolkit::Shape *led() const { return form.findChild<toolkit::Shape *>("Shape1"); }

    // Chooses the colour and then the digits' list positions, as a user would.
    void choose(int colour, const QList<int> &digits = {}, int pattern = -2)
    {
        combo("Combo1")->setListIndex(colour);
        for (int i = 0; i < digits.size(); ++i)
            digit(i)->setListIndex(digits[i]);
        if (pattern != -2)
            combo("Combo2")->setListIndex(pattern);
    }
};
