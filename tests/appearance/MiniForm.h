#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>
#include <vector>

// The main window's controls as Form1 builds them (positions in pixels),
// with its designed white backgrounds.
struct MiniForm {
    MiniForm()
    {
        window.setFixedSize(536, 383);
        white(&window);
        pushButton2 = new QPushButton("Turn On", &window);
        pushButton2->setGeometry(8, 8, 520, 27);
        frame1 = white(new QGroupBox("Play Option", &window));
        frame1->setGeometry(8, 38, 520, 115);
        option1 = white(new QRadioButton("Play white noise until 'Turn Off' is clicked", frame1));
        option1->setGeometry(16, 20, 400, 17);
        option2 = white(new QRadioButton("Play white noise between these times", frame1));
        option2->setGeometry(16, 42, 400, 17);
        dtPicker1 = new QDateTimeEdit(frame1);
        dtPicker1->setGeometry(16, 76, 50, 25);
        label1 = white(new QLabel("to", frame1));
        label1->setGeometry(70, 78, 11, 20);
        dtPicker2 = new QDateTimeEdit(frame1);
        dtPicker2->setGeometry(96, 76, 400, 25);
        frame2 = white(new QGroupBox("Which style noise would you like to play?", &window));
        frame2->setGeometry(8, 156, 520, 89);
        combo1 = new QComboBox(frame2);
        combo1->setGeometry(16, 20, 487, 23);
        pushButton1 = new QPushButton("Preview Sound", frame2);
        pushButton1->setGeometry(16, 50, 487, 27);
        frame3 = white(new QGroupBox("Volume", &window));
        frame3->setGeometry(8, 248, 520, 55);
        slider1 = new QSlider(Qt::Horizontal, frame3);
        slider1->setGeometry(4, 16, 512, 33);
        frame4 = white(new QGroupBox("Startup Options", &window));
        frame4->setGeometry(8, 306, 520, 69);
        check4 = white(new QCheckBox("Load this software on Windows startup", frame4));
        check4->setGeometry(16, 20, 262, 15);
        check8 = white(new QCheckBox("Start in system tray", frame4));
        check8->setGeometry(16, 43, 172, 15);
        label2 = white(new QLabel("Pitch", &window));
        label2->setGeometry(0, 448, 29, 15);
        slider2 = new QSlider(Qt::Horizontal, &window);
        slider2->setGeometry(15, 456, 374, 33);
    }

    template <typename W> static W* white(W* w)
    {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, Qt::white);
        w->setPalette(p);
        w->setAutoFillBackground(true);
        return w;
    }

    std::vector<QWidget*> facedControls() const
    {
        return {frame1, option1, option2, label1, frame2, frame3, frame4, check4, check8, label2};
    }
    std::vector<QWidget*> otherControls() const
    {
        return {pushButton1, pushButton2, dtPicker1, dtPicker2, combo1, slider1, slider2};
    }

    QWidget window;
    QPushButton* pushButton2;
    QGroupBox* frame1;
    QRadioButton* option1;
    QRadioButton* option2;
    QDateTimeEdit* dtPicker1;
    QLabel* label1;
    QDateTimeEdit* dtPicker2;
    QGroupBox* frame2;
    QComboBox* combo1;
    QPushButton* pushButton1;
    QGroupBox* frame3;
    QSlider* slider1;
    QGroupBox* frame4;
    QCheckBox* check4;
    QCheckBox* check8;
    QLabel* label2;
    QSlider* slider2;
};
