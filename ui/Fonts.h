#pragma once

#include <QFont>
#include <QString>

// Maps the faces the skin asks for onto faces installed here: "Comic Sans MS" onto
// Comic Neue, "宋体"/"SimSun" onto a Song (serif) CJK face.
void installFontSubstitutions();

// Adds the program's phonetic font from the resources; its family ("ZARaviduzi"), or
// an empty string when it cannot be loaded.
QString loadPhoneticFont();

// The interface font: Noto Sans CJK SC, 9 points.
QFont interfaceFont();
