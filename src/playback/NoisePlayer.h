#pragma once

#include "app/Form1Controls.h"
#include "app/FormServices.h"

// The on/off button, the preview button and the preview watch.
class NoisePlayer
{
public:
    NoisePlayer(Form1Controls& controls, FormServices& services);

    void PushButton2_Click();
    void PushButton1_Click();
    void Timer2_Timer();

private:
    bool generatorOn() const;
    // After a preview, the generator that is on takes over again.
    void resumeGenerator();

    Form1Controls& c;
    FormServices& s;
};

inline const char* const kTurnOn = "Turn On";
inline const char* const kTurnOff = "Turn Off";
inline const char* const kPreviewSound = "Preview Sound";
inline const char* const kStop = "Stop";
