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

// The creator's question before it saves or uploads an EDID rebuilt from a loaded one that drops
// what that one held: the losses one a line, and the answer that goes on ("Save Anyway").
QString CreatorLossQuestion(const QStringList& losses, bool upload);
QString CreatorLossGoOn(bool upload);
// The question answered with Cancel.
OutcomeText CreatorLossCancelledWords(bool upload);

}  // namespace varnok
