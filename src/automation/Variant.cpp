#include "automation/Variant.h"

#include "automation/Object.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace automation {

namespace {

[[noreturn]] void typeMismatch() { throw AutomationError(QStringLiteral("Type mismatch")); }
[[noreturn]] void overflow() { throw AutomationError(QStringLiteral("Overflow")); }

double parseNumber(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double d = QLocale().toDouble(t, &ok);
    if (!ok)
        d = QLocale::c().toDouble(t, &ok);
    if (!ok)
        typeMismatch();
    return d;
}

template <typename Int>
Int roundToInt(double d)
{
    // Automation rounds to the nearest whole number, halves to the even one.
    const double r = std::nearbyint(d);
    if (!std::isfinite(r) || r < static_cast<double>(std::numeric_limits<Int>::min())
        || r > static_cast<double>(std::numeric_limits<Int>::max()))
        overflow();
    return static_cast<Int>(r);
}

} // namespace

QString typeName(VarType type)
{
    switch (type) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::Boolean: return QStringLiteral("Boolean");
    case VarType::Integer: return QStringLiteral("Integer");
    case VarType::Long: return QStringLiteral("Long");
    case VarType::Single: return QStringLiteral("Single");
    case VarType::Double: return QStringLiteral("Double");
    case VarType::String: return QStringLiteral("String");
    case VarType::Object: return QStringLiteral("Object");
    case VarType::Error: return QStringLiteral("Error");
    }
    return QStringLiteral("Unknown");
}

Variant::Variant(const Object& o) : m_value(o.dispatch()) {}

Variant::Variant(Object&& o) : m_value(std::move(o.m_dispatch)) {}

double Variant::toDouble() const
{
    switch (type()) {
    case VarType::Empty: return 0.0;
    case VarType::Boolean: return std::get<VBool>(m_value).value;
    case VarType::Integer: return std::get<std::int16_t>(m_value);
    case VarType::Long: return std::get<std::int32_t>(m_value);
    case VarType::Single: return std::get<float>(m_value);
    case VarType::Double: return std::get<double>(m_value);
    case VarType::String: return parseNumber(std::get<QString>(m_value));
    case VarType::Object:
    case VarType::Error: break;
    }
    typeMismatch();
}

bool Variant::toBool() const
{
    if (type() == VarType::String) {
        const QString t = std::get<QString>(m_value).trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toDouble() != 0.0;
}

std::int16_t Variant::toInt16() const
{
    if (type() == VarType::Integer)
        return std::get<std::int16_t>(m_value);
    return roundToInt<std::int16_t>(toDouble());
}

std::int32_t Variant::toInt32() const
{
    if (type() == VarType::Long)
        return std::get<std::int32_t>(m_value);
    return roundToInt<std::int32_t>(toDouble());
}

QString Variant::toString() const
{
    switch (type()) {
    case VarType::Empty: return {};
    case VarType::Boolean: return std::get<VBool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::Integer: return QString::number(std::get<std::int16_t>(m_value));
    case VarType::Long: return QString::number(std::get<std::int32_t>(m_value));
    case VarType::Single: return QString::number(std::get<float>(m_value), 'g', 7);
    case VarType::Double: return QString::number(std::get<double>(m_value), 'g', 15);
    case VarType::String: return std::get<QString>(m_value);
    case VarType::Error: return QStringLiteral("Error %1").arg(std::get<ErrorValue>(m_value).code);
    case VarType::Object: break;
    }
    typeMismatch();
}

Object Variant::toObject() const&
{
    if (type() != VarType::Object)
        throw AutomationError(QStringLiteral("Object required"));
    return Object(std::get<std::shared_ptr<Dispatch>>(m_value));
}

Object Variant::toObject() &&
{
    if (type() != VarType::Object)
        throw AutomationError(QStringLiteral("Object required"));
    return Object(std::move(std::get<std::shared_ptr<Dispatch>>(m_value)));
}

QString Variant::describe() const
{
    switch (type()) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::String: return QStringLiteral("String \"%1\"").arg(std::get<QString>(m_value));
    case VarType::Error: return toString();
    case VarType::Object: {
        const auto& d = std::get<std::shared_ptr<Dispatch>>(m_value);
        return d ? QStringLiteral("Object %1").arg(d->className()) : QStringLiteral("Nothing");
    }
    default: return typeName(type()) + QLatin1Char(' ') + toString();
    }
}

bool operator==(const Variant& a, const Variant& b) { return a.m_value == b.m_value; }

} // namespace automation
