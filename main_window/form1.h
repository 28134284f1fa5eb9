#pragma once

#include "application.h"

#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QMimeData;
class QPushButton;
class QShortcut;

namespace decoding {
struct DecoderReading;
}

namespace toolkit {
class ComboBox;
class Line;
class Shape;
class Timer;
} // namespace toolkit

namespace main_window {

// Flashes still to show in the current digit of the blink code.
extern qint16 BlinkCount;
// The digit being shown, 0 to 3.
extern qint16 DigitIndex;

// The main window: the LED colour, the battery pattern or the four flash
// counts, the simulated LED and the blink-code simulator that drives it.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // Builds the window with its design-time values and runs Form_Load, which
    // reads the catalogue in `applicationFolder`.
    explicit Form1(const QString &applicationFolder = toolkit::applicationPath());

    // Event handlers, named after their control and event.
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click(int index);
    void Combo1_KeyPress(int &keyAscii);
    void Combo2_KeyPress(int &keyAscii);
    void Combo3_KeyPress(int index, int &keyAscii);
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();

    // A recording of the LED dragged over the window, dropped on it, or
    // opened with Ctrl+O: decoded in a child process, then applied as the
    // user would choose it.
    void Form_OLEDragOver(const QMimeData *data, bool &accept);
    void Form_OLEDragDrop(const QMimeData *data);
    void OpenShortcut_Activated();

    // Tests: the decoder to run instead of the one beside the program, and a
    // fixed time limit for it in ms (0: its usual limit).
    void setDecoder(const QString &program, qint64 timeLimitMs = 0);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void Form_Load(const QString &applicationFolder);
    void createDrawing();
    void createInputs();
    void createInfo();
    void wireEvents();
    void nameForAssistiveTechnology();
    void readRecording(const QStringList &paths);
    void applyReading(const decoding::DecoderReading &reading);

    QGroupBox *Frame1 = nullptr;
    toolkit::ComboBox *Combo1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    toolkit::ComboBox *Combo2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    std::array<toolkit::ComboBox *, 4> Combo3{};
    QPushButton *Command3 = nullptr;
    QPushButton *Command2 = nullptr;
    toolkit::Timer *Timer1 = nullptr;
    toolkit::Shape *Shape1 = nullptr;
    std::array<toolkit::Shape *, 3> Shape2{};
    toolkit::Shape *Shape3 = nullptr;
    toolkit::Shape *Shape4 = nullptr;
    toolkit::Shape *Shape5 = nullptr;
    std::array<toolkit::Line *, 2> Line1{};
    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QShortcut *OpenShortcut = nullptr;

    QString m_decoder; // empty: the one beside the program
    qint64 m_decoderTimeLimitMs = 0;
    QString m_recordingFolder;       // of the last recording read; never saved
    bool m_readingRecording = false; // from the drop until its reading has been applied
};

} // namespace main_window
