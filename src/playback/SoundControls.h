#pragma once

#include "app/Form1Controls.h"
#include "app/FormServices.h"

// The style list and the volume and pitch sliders.
class SoundControls
{
public:
    SoundControls(Form1Controls& controls, FormServices& services);

    void Combo1_Click();
    void Slider1_Change();
    void Slider2_Change();

private:
    Form1Controls& c;
    FormServices& s;
};
