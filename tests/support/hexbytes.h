#pragma once

#include <QString>

// Traffic text for `count` bytes counting up from `first`: "00 01 02 ".
QString hexBytes(int count, int first = 0);
