#pragma once

#include <QString>

// The text "帮助" shows: choosing and opening a port, the devices behind the port numbers and the
// port map file, reading meters and polling; at its end, where the user guide is.
QString HelpText();
