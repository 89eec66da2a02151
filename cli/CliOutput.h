#pragma once
// Where varnok-cli writes. stdout carries the result: text lines, or with --json one JSON object
// with the fields of the result. stderr carries what happened in words when something failed,
// the progress line (only on a terminal) and, with --verbose, the debug log as the window writes
// it.

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <cstdio>

#include "cli/CliArgs.h"

namespace varnok::cli {

// Text on its way to the terminal: "\r\n" becomes a line break, line breaks and tabs stay (the
// program's own lines and columns), and every other control character (C0, DEL, C1) is written as
// ShowControlCharacters writes it, \xHH, so no byte can steer the terminal. A value from a device
// or an EDID goes into a line through ShowControlCharacters first, so its own tabs and line
// breaks are shown too.
QString TerminalSafe(const QString& text);

class CliConsole {
public:
    CliConsole(std::FILE* err, bool verbose, bool progress);

    bool verbose() const { return verbose_; }

    // The debug log: append as is, add a line (on a line of its own), replace the whole text
    // (a stream cannot take text back, so the new text simply follows). Written only with
    // --verbose.
    void logAppend(const QString& text);
    void logAddLine(const QString& line);
    void logReplace(const QString& text);

    // One progress line, rewritten in place: "what: 37% (94/256 bytes)". Only on a terminal.
    void progress(const QString& what, int percent, qint64 done, qint64 total);
    // Ends the progress line, if one is shown.
    void endProgress();

    // "varnok-cli: message" on a line of its own.
    void error(const QString& message);

private:
    void write(const QString& text);

    std::FILE* err_;
    bool verbose_;
    bool progressAllowed_;
    bool progressShown_ = false;
    qsizetype progressLength_ = 0;
    bool atLineStart_ = true;
};

class CliOutput {
public:
    CliOutput(std::FILE* out, bool json, const QString& command);

    bool json() const { return json_; }
    // A line of the text result (ignored with --json, whose fields carry the same facts).
    void line(const QString& text);
    // A field of the JSON result (ignored without --json).
    void set(const QString& key, const QJsonValue& value);
    // Prints the result (for --json the object with "command", "status", "result" and, when
    // given, "message") and returns the exit status as a number.
    int finish(ExitStatus status, const QString& message = {});

private:
    std::FILE* out_;
    bool json_;
    QJsonObject fields_;
    QStringList lines_;
};

// The word for an exit status in the JSON result: ok, failed, usage, invalid, no-device,
// mismatch, differs, and interrupted for 128 + a signal's number.
QString StatusWord(ExitStatus status);

}  // namespace varnok::cli
