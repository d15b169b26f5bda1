#pragma once
#include <QString>

// The folder that holds the program's files (hand cursor, skin, samples):
// beside the executable in the build tree, share/larkspur-suite installed.
QString ProgramFolder();
