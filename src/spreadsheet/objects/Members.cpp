#include "spreadsheet/objects/Members.h"

#include <algorithm>
#include <cmath>

namespace ss::objects {

QString memberLabel(const Call& call, const QString& className)
{
    if (call.member.empty())
        return className;
    return QString::fromLatin1(call.member.data(), qsizetype(call.member.size()));
}

void fail(const QString& member, const QString& what) { throw MemberError(member + QStringLiteral(": ") + what); }

void notAssignable() { throw quorvale::AutomationError(QStringLiteral("cannot be assigned to")); }

void notValid(const char* what, int code)
{
    throw quorvale::AutomationError(QStringLiteral("%1 %2 is not valid").arg(QLatin1String(what)).arg(code));
}

int oneOf(const Variant& value, std::initializer_list<int> codes, const char* what)
{
    const int code = value.toInt32();
    if (std::find(codes.begin(), codes.end(), code) == codes.end())
        notValid(what, code);
    return code;
}

namespace {

[[noreturn]] void outOfRange(const char* what, const QString& value)
{
    throw quorvale::AutomationError(QStringLiteral("%1 %2 is out of range").arg(QLatin1String(what), value));
}

} // namespace

int checkedInt(const Variant& value, int low, int high, const char* what)
{
    const int n = value.toInt32();
    if (n < low || n > high)
        outOfRange(what, QString::number(n));
    return n;
}

double checkedDouble(const Variant& value, double low, double high, const char* what)
{
    const double d = value.toDouble();
    if (!std::isfinite(d) || d < low || d > high)
        outOfRange(what, QString::number(d));
    return d;
}

} // namespace ss::objects
