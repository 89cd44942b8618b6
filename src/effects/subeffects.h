// The sub-effects the star field dispatches to, one file each. Each receives the demo time
// read on entry to drawStars, the effect time (demo time − effectStartTime) and the colour
// record, and is drawn after the star field.
#pragma once

#include "effects/colour.h"

// Effect 1: four lines of text riding a turning wheel. Ends with finishSubEffect().
void drawWheelTexts(int time, int effectTime, const ColourRecord &colour);

// Effect 2: the fireworks particles. Closes its own drawing.
void drawFireworksEffect(int time, int effectTime, const ColourRecord &colour);

// Effect 4: the greetings wipe with sparks at its edge. Ends with finishSubEffect().
void drawGreetings(int time, int effectTime, const ColourRecord &colour);

// Effect 5: the credits screen over the closing picture. Ends with finishSubEffect().
void drawCredits(int time, int effectTime, const ColourRecord &colour);

// Effect 6: the logo outline traced bar by bar with sparks at the pen. Closes its own drawing.
void drawStrokeLogo(int time, int effectTime, const ColourRecord &colour);

// The common closing step of effects 1, 4 and 5, which end with one glBegin(GL_QUADS) and
// one glPushMatrix() still open: glEnd, glPopMatrix, bind the resting texture again.
void finishSubEffect();

// A fresh uniform value r / 2147483647 from the show's random sequence.
double uniformRandom();
