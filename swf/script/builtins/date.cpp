// Date: a time value in milliseconds since 1970 (UTC) read and written in
// UTC or in the local time zone of the process (TZ), with the calendar
// arithmetic of ECMAScript. As in the reference player, a Date made from a
// number or from its parts keeps the value as computed (fractions and
// years past ±275760 included), while the setters clip it to ±8.64e15.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMsPerDay = 86400000.0;
constexpr double kMsPerHour = 3600000.0;
constexpr double kMsPerMinute = 60000.0;
constexpr double kMsPerSecond = 1000.0;

// ---- calendar arithmetic (UTC)

double positiveMod(double a, double b) {
    double r = std::fmod(a, b);
    return r < 0 ? r + b : r + 0.0;  // no -0: it would print as "-0"
}

double dayOf(double t) { return std::floor(t / kMsPerDay); }

double dayFromYear(double y) {
    return 365.0 * (y - 1970) + std::floor((y - 1969) / 4) - std::floor((y - 1901) / 100) +
           std::floor((y - 1601) / 400);
}

bool isLeap(double y) { return std::fmod(y, 4) == 0 && (std::fmod(y, 100) != 0 || std::fmod(y, 400) == 0); }

constexpr double kIntMin = -2147483648.0;
constexpr double kIntMax = 2147483647.0;

// The year of a time. The reference player counts years from 1970 in a
// 32-bit integer, so times far past any calendar stop at 1970 - 2^31.
double yearFromTime(double t) {
    double day = dayOf(t);
    double y = std::floor(day / 365.2425) + 1970;
    // Past the 32-bit range the year is fixed; stopping here also keeps the
    // correction below away from numbers too large to step by one.
    if (y - 1970 < kIntMin - 2) return 1970 + kIntMin;
    if (y - 1970 > kIntMax + 2) return 1970 + kIntMax;
    for (int i = 0; i < 4 && dayFromYear(y) > day; ++i) y -= 1;
    for (int i = 0; i < 4 && dayFromYear(y + 1) <= day; ++i) y += 1;
    return 1970 + std::fmax(kIntMin, std::fmin(kIntMax, y - 1970));
}

// First day of each month in a common year, and in a leap year.
constexpr int kMonthStart[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

struct Parts {
    double year, month, date, weekDay, hours, minutes, seconds, ms;
};

Parts splitTime(double t) {
    Parts p;
    p.year = yearFromTime(t);
    double dayInYear = dayOf(t) - dayFromYear(p.year);
    const int* starts = kMonthStart[isLeap(p.year) ? 1 : 0];
    int month = 0;
    while (month < 11 && dayInYear >= starts[month + 1]) ++month;
    p.month = month;
    p.date = dayInYear - starts[month] + 1;
    p.weekDay = positiveMod(dayOf(t) + 4, 7);
    // Each unit counted from 1970 then wrapped, as the reference player does
    // (it shows in the last digits of times near 2^63).
    p.hours = positiveMod(std::floor(t / kMsPerHour), 24);
    p.minutes = positiveMod(std::floor(t / kMsPerMinute), 60);
    p.seconds = positiveMod(std::floor(t / kMsPerSecond), 60);
    p.ms = std::floor(positiveMod(t, kMsPerSecond));
    return p;
}

// The hour getHours and the date string show. Past 2^31 hours from 1970
// the reference player counts them through the reciprocal, an hour later
// than the exact count just below -8.64e15; the setters use exact parts.
double shownHours(double t, double exact) {
    if (std::fabs(t) < 2147483648.0 * kMsPerHour) return exact;
    return positiveMod(std::floor(t * (1.0 / kMsPerHour)), 24);
}

double makeTime(double h, double m, double s, double ms) {
    return std::trunc(h) * kMsPerHour + std::trunc(m) * kMsPerMinute + std::trunc(s) * kMsPerSecond + std::trunc(ms);
}

double makeDay(double year, double month, double date) {
    // A year that is no number becomes the smallest 32-bit integer, as in the reference player.
    year = std::isfinite(year) ? std::trunc(year) : kIntMin;
    month = std::trunc(month);
    date = std::trunc(date);
    double y = year + std::floor(month / 12);
    double mn = positiveMod(month, 12);
    if (std::isnan(y) || std::isnan(mn)) return kNaN;
    return dayFromYear(y) + kMonthStart[isLeap(y) ? 1 : 0][static_cast<int>(mn)] + date - 1;
}

double makeDate(double day, double time) { return day * kMsPerDay + time; }

double timeClip(double t) {
    if (!std::isfinite(t) || std::fabs(t) > 8.64e15) return kNaN;
    return std::trunc(t) + 0.0;
}

// ---- the local time zone

// Offset of local time from UTC at the instant `utc`, in milliseconds.
double localOffset(double utc) {
    if (!std::isfinite(utc)) return 0;
    double seconds = std::floor(utc / 1000);
    seconds = std::fmax(-8.64e12, std::fmin(8.64e12, seconds));
    auto when = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!localtime_r(&when, &parts)) return 0;
    return static_cast<double>(parts.tm_gmtoff) * 1000.0;
}

double localTime(double utc) { return utc + localOffset(utc); }

double utcFromLocal(double local) {
    if (!std::isfinite(local)) return local;
    double guess = local - localOffset(local);
    return local - localOffset(guess);
}

double nowMs() {
    using namespace std::chrono;
    return static_cast<double>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

std::string formatDate(double t) {
    if (!std::isfinite(t)) return "Invalid Date";
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    double offset = localOffset(t);
    Parts p = splitTime(t + offset);
    long offsetMinutes = std::lround(offset / kMsPerMinute);
    char sign = offsetMinutes < 0 ? '-' : '+';
    offsetMinutes = std::labs(offsetMinutes);
    auto whole = [](double x) { return static_cast<long long>(x); };  // parts of a day: small
    char buffer[400];                                                 // a day number near 1e300 has 300 digits
    std::snprintf(buffer, sizeof buffer, "%s %s %.0f %02lld:%02lld:%02lld GMT%c%02ld%02ld %.0f",
                  kDays[static_cast<int>(p.weekDay) % 7], kMonths[static_cast<int>(p.month) % 12], p.date,
                  whole(shownHours(t + offset, p.hours)), whole(p.minutes), whole(p.seconds), sign, offsetMinutes / 60,
                  offsetMinutes % 60, p.year);
    return buffer;
}

// ---- the Date object

PrimitiveObject* thisDate(const Value& thisValue) {
    if (thisValue.isObject() && thisValue.o->kind() == Object::Kind::Date)
        return static_cast<PrimitiveObject*>(thisValue.o);
    return nullptr;
}

double timeOf(PrimitiveObject* d) { return d->primitive.isNumber() ? d->primitive.n : kNaN; }

// The time made of the parts of the constructor and of Date.UTC (UTC).
double timeFromParts(Machine& m, std::span<const Value> args) {
    auto part = [&](std::size_t i, double fallback) { return i < args.size() ? m.toNumber(args[i]) : fallback; };
    double year = part(0, kNaN);
    double month = part(1, 0);
    double date = part(2, 1);
    double h = part(3, 0), min = part(4, 0), s = part(5, 0), ms = part(6, 0);
    if (!std::isnan(year) && std::trunc(year) < 100) year = std::trunc(year) + 1900;
    return makeDate(makeDay(year, month, date), makeTime(h, min, s, ms));
}

Value dateCall(Machine& m, Value, std::span<const Value>) { return m.str(formatDate(nowMs())); }

Value dateConstruct(Machine& m, Value, std::span<const Value> args) {
    double t;
    if (args.empty())
        t = nowMs();
    else if (args.size() == 1)
        t = m.toNumber(args[0]);
    else
        t = utcFromLocal(timeFromParts(m, args));
    auto* o = m.heap().make<PrimitiveObject>(m.realm().dateProto, Object::Kind::Date, Value::number(t));
    return Value::object(o);
}

Value dateUTC(Machine& m, Value, std::span<const Value> args) {
    if (args.size() < 2) return Value();
    return Value::number(timeFromParts(m, args));
}

// Getters: which part, in local time or in UTC.
enum class Field { FullYear, Year, Month, Date, Day, Hours, Minutes, Seconds, Milliseconds };

template <Field F, bool Utc>
Value dateGet(Machine&, Value thisValue, std::span<const Value>) {
    PrimitiveObject* d = thisDate(thisValue);
    if (!d) return Value();
    double t = timeOf(d);
    if (std::isnan(t)) return Value::number(kNaN);
    if (std::isinf(t)) {
        // An infinite time reads as the reference player's overflowed parts.
        constexpr double kParts[] = {kIntMin + 1970, kIntMin + 70, 0,
                                     kIntMin + 1,    kIntMin + 7,  kIntMin + 24,
                                     kIntMin + 60,   kIntMin + 60, kIntMin + 1000};
        return Value::number(kParts[static_cast<int>(F)]);
    }
    Parts p = splitTime(Utc ? t : localTime(t));
    switch (F) {
    case Field::FullYear: return Value::number(p.year);
    case Field::Year: return Value::number(p.year - 1900);
    case Field::Month: return Value::number(p.month);
    case Field::Date: return Value::number(p.date);
    case Field::Day: return Value::number(p.weekDay);
    case Field::Hours: return Value::number(shownHours(Utc ? t : localTime(t), p.hours));
    case Field::Minutes: return Value::number(p.minutes);
    case Field::Seconds: return Value::number(p.seconds);
    case Field::Milliseconds: return Value::number(p.ms);
    }
    return Value();
}

Value dateGetTime(Machine&, Value thisValue, std::span<const Value>) {
    PrimitiveObject* d = thisDate(thisValue);
    if (!d) return Value();
    return Value::number(timeOf(d));
}

Value dateGetTimezoneOffset(Machine&, Value thisValue, std::span<const Value>) {
    PrimitiveObject* d = thisDate(thisValue);
    if (!d) return Value();
    double t = timeOf(d);
    if (!std::isfinite(t)) return Value::number(kNaN);
    // Computed through the local time, so huge times show the rounding the reference player shows.
    return Value::number((t - localTime(t)) / kMsPerMinute);
}

Value dateToString(Machine& m, Value thisValue, std::span<const Value>) {
    PrimitiveObject* d = thisDate(thisValue);
    if (!d) return Value();
    return m.str(formatDate(timeOf(d)));
}

Value dateSetTime(Machine& m, Value thisValue, std::span<const Value> args) {
    PrimitiveObject* d = thisDate(thisValue);
    if (!d) return Value();
    double t = args.empty() ? kNaN : timeClip(m.toNumber(args[0]));
    d->primitive = Value::number(t);
    return d->primitive;
}

// Setters: the first part they replace; later arguments replace the parts
// that follow (setHours(h, min, s, ms)); missing ones keep their value.
enum class First { FullYear, Year, Month, Date, Hours, Minutes, Seconds, Milliseconds };

template <First F, bool Utc>
Value dateSet(Machine& m, Value thisValue, std::span<const Value> args) {
    PrimitiveObject* d = thisDate(thisValue);
    if (!d) return Value();
    double t = timeOf(d);
    if (!std::isfinite(t)) {
        d->primitive = Value::number(kNaN);
        return d->primitive;
    }
    double base = Utc ? t : localTime(t);
    Parts p = splitTime(base);
    double year = p.year, month = p.month, date = p.date;
    double h = p.hours, min = p.minutes, s = p.seconds, ms = p.ms;
    double* slots[] = {&year, &month, &date, &h, &min, &s, &ms};
    int firstSlot = 0, maxArgs = 0;
    switch (F) {
    case First::FullYear:
        firstSlot = 0;
        maxArgs = 3;
        break;
    case First::Year:
        firstSlot = 0;
        maxArgs = 3;
        break;
    case First::Month:
        firstSlot = 1;
        maxArgs = 2;
        break;
    case First::Date:
        firstSlot = 2;
        maxArgs = 1;
        break;
    case First::Hours:
        firstSlot = 3;
        maxArgs = 4;
        break;
    case First::Minutes:
        firstSlot = 4;
        maxArgs = 3;
        break;
    case First::Seconds:
        firstSlot = 5;
        maxArgs = 2;
        break;
    case First::Milliseconds:
        firstSlot = 6;
        maxArgs = 1;
        break;
    }
    int given = std::min<int>(maxArgs, static_cast<int>(args.size()));
    if (args.empty()) {
        *slots[firstSlot] = kNaN;
        given = 1;
    }
    for (int i = 0; i < static_cast<int>(args.size()) && i < given; ++i)
        *slots[firstSlot + i] = m.toNumber(args[static_cast<std::size_t>(i)]);
    // What the reference player makes of a part that is no finite number:
    // setMonth takes January for NaN, setMinutes the smallest 32-bit integer
    // (for each of its parts); the other setters give an invalid date.
    for (int i = 0; i < given; ++i) {
        double& part = *slots[firstSlot + i];
        if (std::isfinite(part)) continue;
        if (F == First::Month && i == 0 && std::isnan(part))
            part = 0;
        else if (F == First::Minutes)
            part = kIntMin;
    }
    if (F == First::Year && !std::isnan(year)) {
        double y = std::trunc(year);
        if (y >= 0 && y <= 99) year = y + 1900;
    }
    double result = makeDate(makeDay(year, month, date), makeTime(h, min, s, ms));
    if (!Utc) result = utcFromLocal(result);
    result = timeClip(result);
    d->primitive = Value::number(result);
    return d->primitive;
}

}  // namespace

void installDate(Realm& realm) {
    tzset();  // local time follows TZ as it is when a machine starts
    Object* proto = realm.dateProto;
    FunctionObject* ctor = realm.defineClass("Date", dateCall, dateConstruct, proto);
    realm.dateCtor = ctor;
    realm.defineMethod(ctor, "UTC", dateUTC);

    static constexpr Realm::Method methods[] = {
        {"getFullYear", dateGet<Field::FullYear, false>},
        {"getYear", dateGet<Field::Year, false>},
        {"getMonth", dateGet<Field::Month, false>},
        {"getDate", dateGet<Field::Date, false>},
        {"getDay", dateGet<Field::Day, false>},
        {"getHours", dateGet<Field::Hours, false>},
        {"getMinutes", dateGet<Field::Minutes, false>},
        {"getSeconds", dateGet<Field::Seconds, false>},
        {"getMilliseconds", dateGet<Field::Milliseconds, false>},
        {"getUTCFullYear", dateGet<Field::FullYear, true>},
        {"getUTCYear", dateGet<Field::Year, true>},
        {"getUTCMonth", dateGet<Field::Month, true>},
        {"getUTCDate", dateGet<Field::Date, true>},
        {"getUTCDay", dateGet<Field::Day, true>},
        {"getUTCHours", dateGet<Field::Hours, true>},
        {"getUTCMinutes", dateGet<Field::Minutes, true>},
        {"getUTCSeconds", dateGet<Field::Seconds, true>},
        {"getUTCMilliseconds", dateGet<Field::Milliseconds, true>},
        {"getTime", dateGetTime},
        {"valueOf", dateGetTime},
        {"getTimezoneOffset", dateGetTimezoneOffset},
        {"toString", dateToString},
        {"setFullYear", dateSet<First::FullYear, false>},
        {"setYear", dateSet<First::Year, false>},
        {"setMonth", dateSet<First::Month, false>},
        {"setDate", dateSet<First::Date, false>},
        {"setHours", dateSet<First::Hours, false>},
        {"setMinutes", dateSet<First::Minutes, false>},
        {"setSeconds", dateSet<First::Seconds, false>},
        {"setMilliseconds", dateSet<First::Milliseconds, false>},
        {"setUTCFullYear", dateSet<First::FullYear, true>},
        {"setUTCMonth", dateSet<First::Month, true>},
        {"setUTCDate", dateSet<First::Date, true>},
        {"setUTCHours", dateSet<First::Hours, true>},
        {"setUTCMinutes", dateSet<First::Minutes, true>},
        {"setUTCSeconds", dateSet<First::Seconds, true>},
        {"setUTCMilliseconds", dateSet<First::Milliseconds, true>},
        {"setTime", dateSetTime},
    };
    realm.defineMethods(proto, methods);
}

}  // namespace swf::script
