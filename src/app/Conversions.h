#pragma once

#include <QString>

// The text conversions the load step applies to stored values.

// Rounds to the nearest integer, halves to the even neighbour (70.5 -> 70).
double roundHalfEven(double value);

// The longest leading number of the text, spaces inside it skipped and a full
// stop as the decimal point whatever the locale; no number reads as 0.
double leadingNumber(const QString& text);

// The whole text as a signed 16-bit integer, halves to even. Throws
// "Type mismatch" for text that is not a number and "Overflow" beyond range.
int toInt16(const QString& text);

// The application title: whole words cut from the end of the product name,
// at least once when it has a space, until it is at most 40 characters.
QString applicationTitle(const QString& productName);
