#include "creator/pages/InputRules.h"

namespace varnok {
namespace {

RuleVerdict Judge(bool over, const char* message) {
    RuleVerdict v;
    v.ran = true;
    v.overLimit = over;
    if (over) v.message = QLatin1String(message);
    return v;
}

}  // namespace

RuleVerdict CheckInputRule(InputRule rule, const QString& text) {
    switch (rule) {
        case InputRule::ManufacturerName:
            return Judge(text.size() > 3, "3 Letters Limited!");
        case InputRule::MonitorName:
            return Judge(text.size() > 13, "13 Letters Limited!");
        case InputRule::ProductCode:
            if (text.isEmpty()) return {};
            return Judge(ParseWholeNumber(text) > 65535, "65535 Limited!");
        case InputRule::SerialNumber: {
            if (text.isEmpty()) return {};
            // The first six digits decide a ten-digit entry: 429495xxxx is accepted whole, so
            // 4294959999 passes and 4294960000 is over although it still fits in 32 bits.
            const bool over =
                (ParseWholeNumber(text.left(6)) > 429495 && text.size() > 9) || text.size() > 10;
            return Judge(over, "4 Billion Limited!");
        }
        case InputRule::ManufactureYear: {
            // The base block stores the year as an offset from 1990 in one byte.
            if (text.size() < 4) return {};
            const int64_t year = ParseWholeNumber(text);
            return Judge(year < 1990 || year > 2245, "1990~2245 Limited!");
        }
        case InputRule::ManufactureWeek:
            if (text.isEmpty()) return {};
            return Judge(ParseWholeNumber(text) > 53, "53 Limited!");
        case InputRule::MaxChannels:
            // A short audio descriptor holds 1 to 8 channels: one digit is all it takes.
            return Judge(ParseWholeNumber(text.left(1)) > 8 || text.size() > 1, "8 MaxCH Limited!");
        case InputRule::Luminance:
            return Judge(ParseWholeNumber(text.trimmed()) > 255, "255 Limited!");
        case InputRule::None:
        case InputRule::CecAddress:
            break;
    }
    return {};
}

}  // namespace varnok
