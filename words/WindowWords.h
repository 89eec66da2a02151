#pragma once
// Words the window's status bar shows while it works or when it cannot start what was asked:
// the port a search is probing, a click refused while another operation runs (BusyWords), and an
// upload with no file chosen.

#include <QString>

#include "words/OutcomeWords.h"

namespace varnok {

// "Searching ttyUSB0 (2 of 4)…": the port the search probes now, the n-th of count listed.
OutcomeText SearchingWords(const QString& port, int n, int count);
// The Controller page's Upload before any file was chosen: "Choose a file first".
OutcomeText ChooseFileFirstWords();

}  // namespace varnok
