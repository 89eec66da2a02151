#include "cli/CliOutput.h"

#include <QJsonDocument>

#include "edid/ControlCharacters.h"

namespace varnok::cli {

QString TerminalSafe(const QString& text) {
    // The program's own line breaks and column tabs stay; the text between them is shown as every
    // text output shows a value (a value put into a line went through the same rule already).
    QString out;
    out.reserve(text.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\n' && text[i] != u'\t') continue;
        qsizetype end = i;
        if (i < text.size() && text[i] == u'\n' && end > start && text[end - 1] == u'\r') --end;
        out += ShowControlCharacters(QStringView(text).sliced(start, end - start));
        if (i < text.size()) out += text[i];
        start = i + 1;
    }
    return out;
}

CliConsole::CliConsole(std::FILE* err, bool verbose, bool progress)
    : err_(err), verbose_(verbose), progressAllowed_(progress) {}

void CliConsole::write(const QString& text) {
    if (text.isEmpty()) return;
    endProgress();
    const QString safe = TerminalSafe(text);
    std::fputs(safe.toUtf8().constData(), err_);
    std::fflush(err_);
    atLineStart_ = safe.endsWith(QLatin1Char('\n'));
}

void CliConsole::logAppend(const QString& text) {
    if (verbose_) write(text);
}

void CliConsole::logAddLine(const QString& line) {
    if (!verbose_) return;
    if (!atLineStart_) write(QStringLiteral("\n"));
    write(line + QStringLiteral("\n"));
}

void CliConsole::logReplace(const QString& text) {
    if (!verbose_) return;
    if (!atLineStart_) write(QStringLiteral("\n"));
    write(text);
}

void CliConsole::progress(const QString& what, int percent, qint64 done, qint64 total) {
    if (!progressAllowed_) return;
    if (!atLineStart_ && !progressShown_) {
        std::fputs("\n", err_);
        atLineStart_ = true;
    }
    QString text =
        QStringLiteral("%1: %2% (%3/%4 bytes)").arg(what).arg(percent).arg(done).arg(total);
    // Blanks over what a longer line before left (no terminal escape: a Windows console may not
    // take one).
    const qsizetype length = text.size();
    if (progressShown_ && length < progressLength_) text += QString(progressLength_ - length, u' ');
    progressLength_ = length;
    std::fputs((QLatin1Char('\r') + text).toUtf8().constData(), err_);
    std::fflush(err_);
    progressShown_ = true;
}

void CliConsole::endProgress() {
    if (!progressShown_) return;
    progressShown_ = false;
    std::fputs("\n", err_);
    std::fflush(err_);
    atLineStart_ = true;
}

void CliConsole::error(const QString& message) {
    endProgress();
    if (!atLineStart_) std::fputs("\n", err_);
    std::fputs((QStringLiteral("varnok-cli: ") + TerminalSafe(message) + QLatin1Char('\n'))
                   .toUtf8()
                   .constData(),
               err_);
    std::fflush(err_);
    atLineStart_ = true;
}

QString StatusWord(ExitStatus status) {
    switch (status) {
        case ExitStatus::Ok:
            return QStringLiteral("ok");
        case ExitStatus::Failure:
            return QStringLiteral("failed");
        case ExitStatus::Usage:
            return QStringLiteral("usage");
        case ExitStatus::InvalidEdid:
            return QStringLiteral("invalid");
        case ExitStatus::NoDevice:
            return QStringLiteral("no-device");
        case ExitStatus::Mismatch:
            return QStringLiteral("mismatch");
        case ExitStatus::Differs:
            return QStringLiteral("differs");
    }
    // 128 + a signal's number.
    return QStringLiteral("interrupted");
}

CliOutput::CliOutput(std::FILE* out, bool json, const QString& command) : out_(out), json_(json) {
    if (!command.isEmpty()) fields_.insert(QStringLiteral("command"), command);
}

void CliOutput::line(const QString& text) {
    if (!json_) lines_ << text;
}

void CliOutput::set(const QString& key, const QJsonValue& value) {
    if (json_) fields_.insert(key, value);
}

int CliOutput::finish(ExitStatus status, const QString& message) {
    QByteArray bytes;
    if (json_) {
        fields_.insert(QStringLiteral("status"), int(status));
        fields_.insert(QStringLiteral("result"), StatusWord(status));
        if (!message.isEmpty()) fields_.insert(QStringLiteral("message"), message);
        // DEL and C1, which JSON allows raw, are escaped too: none reaches a terminal.
        bytes = EscapeJsonControlCharacters(QJsonDocument(fields_).toJson(QJsonDocument::Compact)) +
                '\n';
    } else {
        for (const QString& l : lines_) bytes += TerminalSafe(l).toUtf8() + '\n';
    }
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_);
    std::fflush(out_);
    return int(status);
}

}  // namespace varnok::cli
