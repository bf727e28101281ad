#pragma once

#include "automation/Error.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

namespace automation {

using quorvale::AutomationError;

class Dispatch;

// The automation types the program passes to and receives from servers.
enum class VarType : std::uint8_t {
    Empty,
    Boolean, // VARIANT_BOOL: True is -1, False is 0
    Integer, // 16-bit signed
    Long,    // 32-bit signed
    Single,
    Double,
    String,
    Object, // a reference to an automation object; may be Nothing
    Error,  // an error value, as CVErr makes it: the code of xlErrDiv0 and its kind
};

QString typeName(VarType type);

// An automation Boolean, kept as its VARIANT_BOOL value so that True is -1.
struct VBool {
    std::int16_t value = 0;
    constexpr explicit operator bool() const { return value != 0; }
    friend constexpr bool operator==(VBool, VBool) = default;
};
inline constexpr VBool True{-1};
inline constexpr VBool False{0};

// An automation error value (a cell's #DIV/0!, say), by its code.
struct ErrorValue {
    std::int32_t code = 0;
    friend constexpr bool operator==(ErrorValue, ErrorValue) = default;
};

class Object;

class Variant {
public:
    Variant() = default;
    Variant(VBool b) : m_value(b) {}
    Variant(bool b) : m_value(b ? True : False) {}
    Variant(std::int16_t i) : m_value(i) {}
    Variant(std::int32_t i) : m_value(i) {}
    Variant(float f) : m_value(f) {}
    Variant(double d) : m_value(d) {}
    Variant(QString s) : m_value(std::move(s)) {}
    Variant(const char* s) : m_value(QString::fromUtf8(s)) {}
    Variant(const Object& o);
    Variant(Object&& o);
    Variant(std::shared_ptr<Dispatch> o) : m_value(std::move(o)) {}
    Variant(ErrorValue e) : m_value(e) {}

    VarType type() const { return static_cast<VarType>(m_value.index()); }
    bool isEmpty() const { return type() == VarType::Empty; }
    bool isObject() const { return type() == VarType::Object; }

    // Coercions as automation makes them; each throws AutomationError
    // ("Type mismatch" or "Overflow") when the value does not convert.
    bool toBool() const;
    std::int16_t toInt16() const;
    std::int32_t toInt32() const;
    double toDouble() const;
    QString toString() const;
    // The text of a String, without a copy; nullptr for any other type.
    const QString* ifString() const { return std::get_if<QString>(&m_value); }
    // The error value, or nothing for any other type.
    std::optional<ErrorValue> ifError() const
    {
        const ErrorValue* error = std::get_if<ErrorValue>(&m_value);
        return error ? std::optional<ErrorValue>(*error) : std::nullopt;
    }
    Object toObject() const&;
    Object toObject() &&; // takes the reference over without counting it once more

    // The value as a test transcript shows it: type name and value,
    // for example Integer 2, Double 43.5, String "A:A", Boolean True.
    QString describe() const;

    friend bool operator==(const Variant& a, const Variant& b);

private:
    std::variant<std::monostate, VBool, std::int16_t, std::int32_t, float, double, QString,
                 std::shared_ptr<Dispatch>, ErrorValue>
        m_value;
};

} // namespace automation
