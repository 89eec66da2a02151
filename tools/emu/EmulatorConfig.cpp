#include "tools/emu/EmulatorConfig.h"

#include <QStringList>

namespace varnok {

namespace {

bool parseNumber(const QString& text, int* out) {
    bool ok = false;
    const QString t = text.trimmed();
    const int v = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toInt(&ok, 16)
                                                                         : t.toInt(&ok, 10);
    if (ok) *out = v;
    return ok;
}

std::optional<FaultRule> fail(QString* error, const QString& message) {
    if (error) *error = message;
    return std::nullopt;
}

struct KindName {
    const char* name;
    FaultKind kind;
    bool needsValue;
};

constexpr KindName kKinds[] = {
    {"silent", FaultKind::Silent, false},      {"wrong-lead", FaultKind::WrongLead, true},
    {"partial", FaultKind::Partial, true},     {"slow", FaultKind::Slow, true},
    {"flood", FaultKind::Flood, false},        {"corrupt", FaultKind::Corrupt, true},
    {"hangup", FaultKind::HangUp, false},      {"stop-after", FaultKind::Silent, true},
    {"hangup-after", FaultKind::HangUp, true}, {"insert", FaultKind::Insert, true},
    {"stray", FaultKind::Stray, true},
};

}  // namespace

std::optional<FaultRule> parseFaultRule(const QString& text, QString* error) {
    QStringList parts = text.split(QLatin1Char(','));
    QString head = parts.takeFirst().trimmed();
    FaultRule rule;

    const int at = head.indexOf(QLatin1Char('@'));
    if (at >= 0) {
        if (!parseNumber(head.mid(at + 1), &rule.code) || rule.code < 0)
            return fail(error, QStringLiteral("bad code in fault '%1'").arg(text));
        head = head.left(at);
    }
    QString valueText;
    const int colon = head.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        valueText = head.mid(colon + 1);
        head = head.left(colon);
    }
    const KindName* kind = nullptr;
    for (const KindName& k : kKinds)
        if (head == QLatin1String(k.name)) kind = &k;
    if (!kind) return fail(error, QStringLiteral("unknown fault '%1'").arg(head));
    rule.kind = kind->kind;
    if (kind->needsValue && valueText.isEmpty())
        return fail(error, QStringLiteral("fault '%1' needs a value").arg(head));
    if (!valueText.isEmpty() && (!parseNumber(valueText, &rule.value) || rule.value < 0))
        return fail(error, QStringLiteral("bad value in fault '%1'").arg(text));
    if (rule.kind == FaultKind::Flood && valueText.isEmpty()) rule.value = 1500;
    if (head == QLatin1String("stop-after") || head == QLatin1String("hangup-after")) {
        rule.after = rule.value;
        rule.value = 0;
    }

    for (const QString& p : parts) {
        const int eq = p.indexOf(QLatin1Char('='));
        const QString key = p.left(eq).trimmed();
        int v = 0;
        if (eq < 0 || !parseNumber(p.mid(eq + 1), &v))
            return fail(error, QStringLiteral("bad option '%1'").arg(p));
        if (key == QLatin1String("after") && v >= 0)
            rule.after = v;
        else if (key == QLatin1String("times") && v >= -1)
            rule.times = v;
        else
            return fail(error, QStringLiteral("bad option '%1'").arg(p));
    }
    return rule;
}

QString FrameRecord::toLogLine() const {
    const QString hex = QString::fromLatin1(data.toHex(' ')).toUpper();
    switch (kind) {
        case Kind::Api:
            return QStringLiteral("%1 W=%2 code=%3 count=%4 data=%5")
                .arg(ms)
                .arg(w ? 1 : 0)
                .arg(code)
                .arg(count)
                .arg(hex);
        case Kind::Isp:
            return QStringLiteral("%1 ISP cmd=0x%2 data=%3")
                .arg(ms)
                .arg(code, 2, 16, QLatin1Char('0'))
                .arg(hex);
        case Kind::Dropped:
            return QStringLiteral("%1 DROPPED data=%2").arg(ms).arg(hex);
    }
    return {};
}

}  // namespace varnok
