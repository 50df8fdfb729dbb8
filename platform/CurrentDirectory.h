#pragma once
// The process's current directory for the folder lists, which show it and
// move it. The folder the process is in may have been deleted behind its
// back (the directory dialog moves the process and never moves it back);
// the lists then need a real folder to stand in.

#include <QString>

namespace scindra {

// The process's current directory, absolute and never empty. When it no
// longer exists the process is first moved to the nearest existing folder
// above it, else to the home folder, else to the root.
QString ExistingCurrentDirectory();

// The folder the process was in, as the kernel still names it after it was
// deleted; empty where the kernel does not tell.
QString DeletedCurrentDirectory();

} // namespace scindra
