#pragma once
// The program's pictures, drawn with QPainter so no image file has to ship.

#include <QPixmap>

namespace kui::pictures {

QPixmap logo(int width, int height);        // the main window's panel picture
QPixmap broom(int size);                    // clear button
QPixmap printer(int size);                  // print button
QPixmap occupations(int size);              // "CBOs" button: a person with a badge
QPixmap diagnoses(int size);                // "CID10" button: a clipboard with a cross
QPixmap exitDoor(int size);                 // "SAIR": a red arrow entering an open door

} // namespace kui::pictures
