#pragma once

#include <QPixmap>

// The logo: a meter dial and the program's name, drawn at its design size of 947 x 283 pixels.
QPixmap MakeLogo();
