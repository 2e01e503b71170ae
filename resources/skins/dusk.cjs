/* Dusk: a dark, low-glare skin for a bedside screen.
   To use it, copy this file to x/o.cjs beside the hushwave executable. */

QWidget {
    background-color: #20232b;
    color: #d8d4c8;
}

QGroupBox {
    border: 1px solid #3a3f4b;
    border-radius: 4px;
    margin-top: 14px;
    padding-top: 4px;
}

QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 4px;
    color: #b9a67a;
}

QPushButton {
    background-color: #2f3440;
    border: 1px solid #4a5060;
    border-radius: 4px;
    padding: 4px 12px;
}

QPushButton:hover {
    background-color: #3a4150;
    border-color: #b9a67a;
}

QPushButton:pressed {
    background-color: #262a33;
}

QComboBox, QDateTimeEdit {
    background-color: #2a2e38;
    border: 1px solid #4a5060;
    border-radius: 3px;
    padding: 2px 6px;
}

QDateTimeEdit::up-button, QDateTimeEdit::down-button {
    subcontrol-origin: border;
    width: 18px;
    border-left: 1px solid #4a5060;
    background-color: #2f3440;
}

QDateTimeEdit::up-button {
    subcontrol-position: top right;
    border-top-right-radius: 3px;
}

QDateTimeEdit::down-button {
    subcontrol-position: bottom right;
    border-bottom-right-radius: 3px;
}

QDateTimeEdit::up-button:hover, QDateTimeEdit::down-button:hover {
    background-color: #3a4150;
}

/* The arrows: a style sheet that styles the buttons draws none of its own.
   The program carries these two pictures for this skin. */
QDateTimeEdit::up-arrow {
    image: url(:/skins/dusk-arrow-up.png);
}

QDateTimeEdit::down-arrow, QComboBox::down-arrow {
    image: url(:/skins/dusk-arrow-down.png);
}

QComboBox::drop-down {
    width: 18px;
    border-left: 1px solid #4a5060;
}

QComboBox:hover, QDateTimeEdit:hover, QRadioButton:hover, QCheckBox:hover {
    color: #f0e6c8;
}

QSlider::groove:horizontal {
    height: 4px;
    background: #3a3f4b;
    border-radius: 2px;
}

QSlider::handle:horizontal {
    width: 12px;
    margin: -5px 0;
    border-radius: 6px;
    background: #b9a67a;
}

QCheckBox::indicator, QRadioButton::indicator {
    width: 11px;
    height: 11px;
    border: 1px solid #8a8f9c;
    background: #2a2e38;
}

QRadioButton::indicator {
    border-radius: 6px;
}

QCheckBox::indicator:checked, QRadioButton::indicator:checked {
    background: #b9a67a;
    border-color: #d8d4c8;
}
