#pragma once
// Text from an EDID or a device (a monitor name is 13 bytes anyone may write) on its way to a
// terminal: a name holding ESC [ 2 J must not clear the screen, and a tab or a line break in it
// must not split a column or a line of the output. Plain byte logic: nothing here prints.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace varnok {

// For text output: each control character of value (C0 0x00..0x1f, DEL 0x7f, C1 0x80..0x9f) as
// the four characters \xHH, lower-case hex; every other character, the backslash among them, as
// it is. Applied to one value at a time (a name, a field), never to a whole line.
QString ShowControlCharacters(QStringView value);

// For JSON output the values go in raw, never through ShowControlCharacters: the JSON writer
// escapes C0 itself (\n, \u001b, ...), and this escapes DEL and C1, which JSON allows raw, the same
// way in the written JSON, so that none reaches a terminal while the JSON still reads back as the
// values. json is UTF-8 JSON text, as QJsonDocument::toJson writes it.
QByteArray EscapeJsonControlCharacters(const QByteArray& json);

}  // namespace varnok
