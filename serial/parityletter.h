#pragma once

#include <QSerialPort>
#include <QStringView>
#include <optional>

// The parity a settings letter names, in either case: N none, E even, O odd, M mark, S space.
// Nothing for any other text, including blanks around the letter.
std::optional<QSerialPort::Parity> ParityFromLetter(QStringView letter);
