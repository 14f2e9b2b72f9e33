#pragma once

#include <QString>
#include <optional>

// A new pseudo-terminal: its master end, one descriptor of its slave side, and the slave's path.
// Whoever opens it closes both descriptors.
struct PseudoTerminal
{
    int master = -1;
    // Held open so that the line keeps its settings and the master never sees a hang-up between
    // the opens and closes of the program on the slave side.
    int slave = -1;
    QString slavePath; // for instance "/dev/pts/3"
};

// Opens a pseudo-terminal with a raw slave side (no echo, no line editing, no CR/LF translation,
// 8 data bits) and a non-blocking master; neither descriptor is inherited by child programs.
// Nothing, with the failed step and its reason in `error`, when a step fails.
std::optional<PseudoTerminal> OpenPseudoTerminal(QString *error);
