// The one rounding rule by which layouts follow the display's DPI. Platform-free.
#pragma once

// value * numerator / denominator, rounded to the nearest integer with halves away from zero
// (as MulDiv does), so a negative font height or position scales as its mirror image does.
// The product is taken in 64 bits; a result past the int range is clamped to it. A zero
// denominator leaves the value as it is.
int ScaleValue(int value, int numerator, int denominator);
