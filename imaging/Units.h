#pragma once
// Screen units: HIMETRIC (hundredths of a millimetre) against screen pixels.

// The screen's pixels per inch (96 when there is no screen).
double ScreenPixelsPerInch();
// A pixel length as HIMETRIC, rounded to the nearest whole number.
int HimetricFromPixels(int pixels);
// A HIMETRIC length in screen pixels, unrounded (the window's ScaleX and ScaleY).
double ScaleX(double himetric);
double ScaleY(double himetric);
